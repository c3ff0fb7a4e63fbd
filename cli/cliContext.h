#pragma once

#include "model/infoOstrum.h"
#include "operations/outcome.h"

#include <QMap>
#include <QStringList>
#include <QTextStream>

#include <memory>

class DeviceOperation;
class Document;

// Exit codes of vextor-cli.
enum CliExit {
    ExitOk = 0,       // done; for checks: nothing wrong
    ExitNegative = 1, // the command ran and its answer is no (design rule errors, a mismatch,
                      // write protection, the ROM's state, an expression error)
    ExitFailure = 2,  // the module was not reached, a file could not be read or written, or a
                      // document read back from the module's ROM cannot be trusted
    ExitUsage = 64    // unknown command, wrong arguments or option values
};

// The exit code that tells a script how an operation ended.
int exitCodeFor(Verdict verdict);

// The global options before the command, read by the editor's acceptance rules, and which of
// them were given.
struct GlobalOptions
{
    InfoOstrum values = InfoOstrum::defaults(true);
    bool bHost = false;
    bool bUdpPort = false;
    bool bTcpPort = false;
    bool bTimeout = false;

    // The module to talk to: each option that was given, else the document's root settings (when
    // there is a document), else the built-in defaults.
    InfoOstrum target(const Document* doc = nullptr) const;
};

// The words after the command word: its options (by the names the command knows) and, in order,
// the rest.
struct CommandArgs
{
    QStringList positional;
    QMap<QString, QString> options; // a flag maps to an empty value

    bool has(const QString& name) const { return options.contains(name); }
    QString value(const QString& name, const QString& fallback = QString()) const
    {
        return options.value(name, fallback);
    }

    // False with the reason for a "--" word that is no option of the command, or an option
    // that lacks its value.
    static bool scan(const QStringList& args, const QStringList& valued, const QStringList& flags,
                     CommandArgs& parsed, QString& error);
};

// What a command works with: the global options, the two output streams (results on standard
// output, messages on standard error), the document reader, and the running and reporting of
// device operations.
class CliContext
{
public:
    CliContext(const GlobalOptions& options, QTextStream& out, QTextStream& err);

    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }
    InfoOstrum target(const Document* doc = nullptr) const { return m_options.target(doc); }

    // The command's arguments; false after the problem has been reported (exit with ExitUsage).
    bool scan(const QStringList& args, const QStringList& valued, const QStringList& flags,
              CommandArgs& parsed);

    // Reads and parses a document file. On failure the reader's message is on standard error and
    // the result is null (the command then exits with ExitFailure). Warnings of a successful read
    // go to standard error too.
    std::unique_ptr<Document> loadDocument(const QString& fileName);

    // Runs the operation to its end in a local event loop; with bProgress its progress is shown
    // on standard error as "\r<label>: <value> bytes". The outcome's notice, if any, follows there.
    const OperationOutcome& run(DeviceOperation& operation, bool bProgress = false);
    // The exit code of an outcome, its message (if any) on standard error unless it is Done.
    int report(const OperationOutcome& outcome);

    // The text on standard error; the exit code ExitUsage or ExitFailure.
    int usage(const QString& text);
    int fail(const QString& text);

private:
    GlobalOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
};
