#include "cli/cliContext.h"
#include "cli/cliPrompts.h"
#include "cli/commands.h"
#include "io/document.h"
#include "operations/downloadOperation.h"
#include "operations/moduleOperations.h"

namespace {

QString onOffText(bool bOn)
{
    return bOn ? QStringLiteral("on") : QStringLiteral("off");
}

bool takeOnOff(const CommandArgs& parsed, const QString& name, std::optional<bool>& value)
{
    if (!parsed.has(name))
        return true;
    const QString text = parsed.value(name);
    if (text != QLatin1String("on") && text != QLatin1String("off"))
        return false;
    value = text == QLatin1String("on");
    return true;
}

// The options of a command that takes no other arguments.
bool scanOptionsOnly(CliContext& context, const QStringList& args, const QStringList& valued,
                     CommandArgs& parsed)
{
    if (!context.scan(args, valued, {}, parsed))
        return false;
    if (parsed.positional.isEmpty())
        return true;
    context.usage(QStringLiteral("unexpected argument: %1").arg(parsed.positional.first()));
    return false;
}

} // namespace

int downloadCommand(CliContext& context, const QStringList& args)
{
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitFailure;
    CliPrompts prompts(context.err());
    DownloadOperation download(context.target(doc.get()), *doc->diagram(), prompts);
    const OperationOutcome& outcome = context.run(download, true);
    if (outcome.verdict == Verdict::DrcErrors)
        context.err() << outcome.report << Qt::endl;
    return context.report(outcome);
}

int verifyCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {}, {QStringLiteral("--report")}, parsed))
        return ExitUsage;
    if (parsed.positional.size() != 1)
        return context.usage(QStringLiteral("verify needs one document"));
    const std::unique_ptr<Document> doc = context.loadDocument(parsed.positional.first());
    if (!doc)
        return ExitFailure;
    CliPrompts prompts(context.err());
    VerifyOperation verify(context.target(doc.get()), *doc->diagram(), prompts);
    const OperationOutcome& outcome = context.run(verify);
    if (outcome.verdict != Verdict::Done && outcome.verdict != Verdict::Mismatch)
        return context.report(outcome);
    context.out() << outcome.message << Qt::endl;
    if (parsed.has(QStringLiteral("--report"))) {
        for (const ImageDifference& difference : outcome.differences)
            context.out() << difference.text() << '\n';
        if (!outcome.detail.isEmpty())
            context.err() << outcome.detail << '\n';
        context.out().flush();
    }
    return exitCodeFor(outcome.verdict);
}

int statusCommand(CliContext& context, const QStringList&)
{
    StatusOperation operation(context.target());
    const OperationOutcome& outcome = context.run(operation);
    if (!outcome.isDone())
        return context.report(outcome);

    const ModuleStatus& s = outcome.status;
    QTextStream& out = context.out();
    out << "Version: " << QString::fromLatin1(s.version()) << " (" << s.version().toHex(' ') << ")\n";
    out << "Protect: 0x" << QString::number(s.protectRegister(), 16).rightJustified(2, QLatin1Char('0'))
        << (s.registersProtected() ? " (registers write-protected" : " (registers writable")
        << (s.romWritingEnabled() ? ", ROM writing enabled)\n" : ", ROM writing disabled)\n");
    if (!s.hasRomInformation()) {
        out << "ROM information: not available while the registers are write-protected" << Qt::endl;
        return ExitOk;
    }
    out << "Boot slot: " << s.bootSlot() << "\n";
    for (int slot = 0; slot < QUdpThread::ROM_SLOTS; ++slot)
        out << "Slot " << slot << ": " << s.comment(slot) << "\n";
    out.flush();
    return ExitOk;
}

int protectCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!scanOptionsOnly(context, args, {QStringLiteral("--current"), QStringLiteral("--boot")}, parsed))
        return ExitUsage;
    CliPrompts prompts(context.err());
    if (!takeOnOff(parsed, QStringLiteral("--current"), prompts.current) ||
        !takeOnOff(parsed, QStringLiteral("--boot"), prompts.boot))
        return context.usage(QStringLiteral("--current and --boot take on or off"));

    ProtectOperation operation(context.target(), prompts);
    const OperationOutcome& outcome = context.run(operation);
    if (!outcome.isDone())
        return context.report(outcome);
    context.out() << "Current protection: " << onOffText(outcome.protection.current) << "\n"
                  << "Boot protection: " << onOffText(outcome.protection.boot) << Qt::endl;
    return ExitOk;
}

int userControlCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!scanOptionsOnly(context, args, {QStringLiteral("--set")}, parsed))
        return ExitUsage;
    std::optional<quint16> word;
    if (parsed.has(QStringLiteral("--set"))) {
        QString text = parsed.value(QStringLiteral("--set"));
        if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
            text = text.mid(2);
        bool ok = false;
        const uint value = text.toUInt(&ok, 16);
        if (!ok || value > 0xFFFF || text.size() > 4)
            return context.usage(QStringLiteral("--set takes a 16-bit hexadecimal value"));
        word = quint16(value);
    }
    UserControlOperation operation(context.target(), word);
    const OperationOutcome& outcome = context.run(operation);
    if (!outcome.isDone())
        return context.report(outcome);
    context.out() << "User control: 0x"
                  << QString::number(operation.word(), 16).rightJustified(4, QLatin1Char('0')) << Qt::endl;
    return ExitOk;
}

int eepromReadCommand(CliContext& context, const QStringList&)
{
    EepromReadOperation operation(context.target());
    const OperationOutcome& outcome = context.run(operation);
    if (outcome.isDone()) {
        context.out() << outcome.message << Qt::endl;
        return ExitOk;
    }
    context.err() << outcome.message;
    if (!outcome.detail.isEmpty())
        context.err() << "\n" << outcome.detail;
    context.err() << Qt::endl;
    return exitCodeFor(outcome.verdict);
}

int eepromWriteCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!scanOptionsOnly(context, args,
                         {QStringLiteral("--ip"), QStringLiteral("--tcp"), QStringLiteral("--udp")}, parsed))
        return ExitUsage;
    if (!parsed.has(QStringLiteral("--ip")))
        return context.usage(QStringLiteral("eeprom-write needs --ip A.B.C.D"));
    const InfoOstrum target = context.target();
    NetSetup settings;
    const QString warning =
        settings.setNewSettings(parsed.value(QStringLiteral("--ip")),
                                parsed.value(QStringLiteral("--tcp"), QString::number(target.tcpPort)),
                                parsed.value(QStringLiteral("--udp"), QString::number(target.udpPort)));
    if (!warning.isEmpty())
        return context.usage(warning);
    EepromWriteOperation operation(target, settings);
    const OperationOutcome& outcome = context.run(operation);
    if (!outcome.isDone())
        return context.report(outcome);
    context.out() << outcome.message << Qt::endl;
    return ExitOk;
}
