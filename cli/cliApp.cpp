#include "cli/cliApp.h"

#include "cli/commands.h"
#include "device/connectionOptions.h"

#include <getopt.h>

namespace {
const char* const PROGRAM = "vextor-cli";
}

// ---------------------------------------------------------------------------------------------
// The command table: one row per command.

const QVector<CliCommand>& CliApp::commands()
{
    static const QVector<CliCommand> table = {
        {"image", "DOC", "print the register bytes a download of DOC writes", 1, 1, &imageCommand},
        {"drc", "DOC", "print the design rule check report of DOC", 1, 1, &drcCommand},
        {"truth-table", "DOC BLOCK", "print the truth table of a logic block of DOC", 2, 2,
         &truthTableCommand},
        {"new", "[--list] [--template TEMPLATE FILE]",
         "write a new document from a template, and its stimulus (--list: the templates)", 1, 3, &newCommand},
        {"download", "DOC", "check DOC and write its register image to the module", 1, 1, &downloadCommand},
        {"verify", "DOC [--report]",
         "compare the module's registers with DOC (--report: list every difference)", 1, 2, &verifyCommand},
        {"status", "", "print the module's version, protection and ROM slots", 0, 0, &statusCommand},
        {"protect", "[--current on|off] [--boot on|off]", "show or set the write protection", 0, 4,
         &protectCommand},
        {"user-control", "[--set HEX16]", "read (and write) the user-control word", 0, 2,
         &userControlCommand},
        {"eeprom-read", "", "print the module's network settings", 0, 0, &eepromReadCommand},
        {"eeprom-write", "--ip A.B.C.D [--tcp N] [--udp N]", "write new network settings", 2, 6,
         &eepromWriteCommand},
        {"rom-save", "DOC SLOT [--comment TEXT] [--boot] [--force]",
         "store the module's registers and DOC in ROM slot SLOT", 2, 7, &romSaveCommand},
        {"rom-restore", "SLOT [--out FILE]", "load ROM slot SLOT and print (or save) its document", 1, 3,
         &romRestoreCommand},
        {"rom-boot", "SLOT", "make the module boot from ROM slot SLOT", 1, 1, &romBootCommand},
        {"rom-init", "", "initialise the ROM area (all slots, comments and documents)", 0, 0,
         &romInitCommand},
        {"sync", "[--out FILE]", "print (or save) the document of the module's current ROM slot", 0, 2,
         &syncCommand},
        {"monitor", "DOC [--seconds N] [--until-count K:N] [--start] [--csv-dir DIR] [--metrics HOST:PORT]",
         "show and log the measure-counter stream configured by DOC", 1, 10, &monitorCommand},
        {"fleet", "LIST COMMAND [--jobs N] [ARGS]",
         "run COMMAND (status, download, verify, drc, rom-save, rom-boot, protect, monitor) on every module "
         "of LIST",
         2, -1, &fleetCommand},
        {"preview", "DOC STIMULUS [--duration T] [--vcd FILE]",
         "run DOC on the test pulses of STIMULUS in software", 2, 6, &previewCommand},
    };
    return table;
}

QString CliApp::usageText()
{
    QString text =
        QStringLiteral("Usage: %1 [-h host] [-u udpPort] [-t tcpPort] [-o timeoutSeconds] [--json] COMMAND "
                       "[ARGS]\n"
                       "       %1 --help | --version\n"
                       "  -o: how long each attempt of a register access waits for its reply, %2 to %3 "
                       "seconds (%2: 4 seconds)\n"
                       "  --json: print the result as one line of JSON (monitor: one line per report, then "
                       "the result)\n"
                       "Commands:\n")
            .arg(QLatin1String(PROGRAM))
            .arg(InfoOstrum::MIN_TIMEOUT)
            .arg(InfoOstrum::MAX_TIMEOUT);
    int width = 0;
    for (const CliCommand& c : commands())
        width = qMax(width, synopsis(c).size());
    for (const CliCommand& c : commands())
        text += QStringLiteral("  ") + synopsis(c).leftJustified(width + 2) + QLatin1String(c.description) +
                QLatin1Char('\n');
    return text;
}

QString CliApp::synopsis(const CliCommand& command)
{
    QString text = QLatin1String(command.name);
    if (*command.arguments)
        text += QLatin1Char(' ') + QLatin1String(command.arguments);
    return text;
}

// ---------------------------------------------------------------------------------------------

bool CliApp::parseGlobalOptions(int argc, char** argv, GlobalOptions& options, int& next, QTextStream& err)
{
    // "+": options end at the command word, so that commands may have options of their own.
    static const option LONG_OPTIONS[] = {{"json", no_argument, nullptr, 'J'},
                                          {"help", no_argument, nullptr, 'H'},
                                          {"version", no_argument, nullptr, 'V'},
                                          {nullptr, 0, nullptr, 0}};
    optind = 0;
    bool ok = true;
    int opt;
    while ((opt = getopt_long(argc, argv, "+h:u:t:o:", LONG_OPTIONS, nullptr)) != -1) {
        if (opt == '?' || opt == ':') {
            ok = false; // getopt has reported it
            continue;
        }
        if (opt == 'J' || opt == 'H' || opt == 'V') {
            (opt == 'J' ? options.bJson : opt == 'H' ? options.bHelp : options.bVersion) = true;
            continue;
        }
        const QString arg = QString::fromLocal8Bit(optarg ? optarg : "");
        QString reason;
        if (applyConnectionOption(opt, arg, options.values, &reason) != OptionResult::Stored) {
            err << PROGRAM << ": invalid value for -" << char(opt) << ": " << arg << '\n';
            if (!reason.isEmpty())
                err << reason << '\n';
            ok = false;
            continue;
        }
        options.bHost |= opt == 'h';
        options.bUdpPort |= opt == 'u';
        options.bTcpPort |= opt == 't';
        options.bTimeout |= opt == 'o';
    }
    next = optind;
    return ok;
}

int CliApp::run(int argc, char** argv)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return run(argc, argv, out, err);
}

int CliApp::run(int argc, char** argv, QTextStream& out, QTextStream& err)
{
    GlobalOptions options;
    int next = 0;
    const bool ok = parseGlobalOptions(argc, argv, options, next, err);
    if (ok && options.bHelp) {
        out << usageText();
        return ExitOk;
    }
    if (ok && options.bVersion) {
        out << PROGRAM << ' ' << VEXTOR_VERSION << '\n';
        return ExitOk;
    }
    if (!ok || next >= argc) {
        err << usageText();
        return ExitUsage;
    }
    const QString name = QString::fromLocal8Bit(argv[next]);
    QStringList args;
    for (int i = next + 1; i < argc; ++i)
        args.append(QString::fromLocal8Bit(argv[i]));

    for (const CliCommand& command : commands()) {
        if (name != QLatin1String(command.name))
            continue;
        if (args.size() < command.minArgs || (command.maxArgs >= 0 && args.size() > command.maxArgs)) {
            err << "Usage: " << PROGRAM << ' ' << synopsis(command) << '\n';
            return ExitUsage;
        }
        CliContext context(options, name, out, err);
        const int exitCode = command.handler(context, args);
        // Every command ends with its result printed, or with a usage error.
        Q_ASSERT(context.hasFinished() != (exitCode == ExitUsage));
        return exitCode;
    }
    err << PROGRAM << ": unknown command: " << name << '\n' << usageText();
    return ExitUsage;
}
