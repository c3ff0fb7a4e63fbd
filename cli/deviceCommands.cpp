#include "cli/cliContext.h"
#include "cli/cliPrompts.h"
#include "cli/commands.h"
#include "cli/moduleCommand.h"
#include "cli/resultData.h"
#include "io/document.h"
#include "operations/downloadOperation.h"
#include "operations/moduleOperations.h"
#include "operations/operationTexts.h"

#include <QJsonArray>

namespace {

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

QString hexText(uint value, int digits)
{
    return QString::number(value, 16).rightJustified(digits, QLatin1Char('0'));
}

// One setting in which the module differs: its register or table entry, the bit (null for a whole
// register), the block and setting it comes from, and both values.
QJsonObject differenceData(const ImageDifference& difference)
{
    return {{"address", qint64(difference.address)},
            {"bit", difference.bit < 0 ? QJsonValue() : QJsonValue(difference.bit)},
            {"setting", difference.setting},
            {"module", qint64(difference.module)},
            {"document", qint64(difference.document)}};
}

// The document of a command that needs one: the first positional argument of the single
// command; a fleet takes each module's own from the list.
bool takeDocument(CliContext& context, CommandArgs& parsed, PreparedCommand& prepared, const char* command)
{
    prepared.bDocument = true;
    if (prepared.bFleet)
        return true;
    if (parsed.positional.isEmpty()) {
        context.usage(QStringLiteral("%1 needs a document").arg(QLatin1String(command)));
        return false;
    }
    prepared.documentFile = parsed.positional.takeFirst();
    return true;
}

// No positional argument is left.
bool noMoreArguments(CliContext& context, const CommandArgs& parsed)
{
    if (parsed.positional.isEmpty())
        return true;
    context.usage(QStringLiteral("unexpected argument: %1").arg(parsed.positional.first()));
    return false;
}

CommandResult downloadResult(const OperationOutcome& outcome)
{
    CommandResult result(outcome);
    if (outcome.verdict == Verdict::DrcErrors)
        result.message = outcome.report;
    result.data = drcReportData(outcome.report);
    result.data.insert("partly_written", outcome.bPartlyWritten);
    return result;
}

CommandResult verifyResult(const OperationOutcome& outcome, bool bReport)
{
    CommandResult result(outcome);
    if (outcome.verdict != Verdict::Done && outcome.verdict != Verdict::Mismatch)
        return result;
    // The comparison's text is the result itself.
    result.message.clear();
    result.text = outcome.message + QLatin1Char('\n');
    if (bReport) {
        for (const ImageDifference& difference : outcome.differences)
            result.text += difference.text() + QLatin1Char('\n');
        result.message = outcome.detail;
    }
    QJsonArray differences;
    for (const ImageDifference& difference : outcome.differences)
        differences.append(differenceData(difference));
    result.data = {{"matched", outcome.isDone()},
                   {"first_mismatch", firstMismatchData(outcome.firstMismatch)},
                   {"differences", differences}};
    return result;
}

CommandResult statusResult(const OperationOutcome& outcome)
{
    CommandResult result(outcome);
    if (!outcome.isDone())
        return result;
    const ModuleStatus& s = outcome.status;
    QString& text = result.text;
    text = QStringLiteral("Version: %1 (%2)\n")
               .arg(OperationText::versionText(s.version()), QString::fromLatin1(s.version().toHex(' ')));
    text += QStringLiteral("Protect: 0x%1 (%2, %3)\n")
                .arg(hexText(s.protectRegister(), 2),
                     s.registersProtected() ? QStringLiteral("registers write-protected")
                                            : QStringLiteral("registers writable"),
                     s.romWritingEnabled() ? QStringLiteral("ROM writing enabled")
                                           : QStringLiteral("ROM writing disabled"));
    QJsonArray versionBytes;
    for (char byte : s.version())
        versionBytes.append(quint8(byte));
    QJsonArray comments;
    if (s.hasRomInformation()) {
        text += QStringLiteral("Boot slot: %1%2\n")
                    .arg(s.bootSlot())
                    .arg(s.bootSlotExists() ? QString() : QStringLiteral(" (no such slot)"));
        for (int slot = 0; slot < QUdpThread::ROM_SLOTS; ++slot) {
            text += QStringLiteral("Slot %1: %2\n").arg(slot).arg(s.comment(slot));
            comments.append(s.comment(slot));
        }
    } else {
        text += QStringLiteral("ROM information: not available while the registers are write-protected\n");
    }
    result.data = {{"version", OperationText::versionText(s.version())},
                   {"version_bytes", versionBytes},
                   {"protect", s.protectRegister()},
                   {"registers_protected", s.registersProtected()},
                   {"rom_writing_enabled", s.romWritingEnabled()},
                   {"rom_information", s.hasRomInformation()},
                   {"boot_slot", s.hasRomInformation() ? QJsonValue(s.bootSlot()) : QJsonValue()},
                   {"comments", comments}};
    return result;
}

CommandResult protectResult(const OperationOutcome& outcome)
{
    CommandResult result(outcome);
    if (outcome.isDone()) {
        result.text = outcome.confirmation + QLatin1Char('\n');
        result.data = {{"current", outcome.protection.current}, {"boot", outcome.protection.boot}};
    }
    return result;
}

} // namespace

bool prepareDownload(CliContext& context, const QStringList& args, PreparedCommand& prepared)
{
    CommandArgs parsed;
    if (!context.scan(args, {}, {}, parsed) || !takeDocument(context, parsed, prepared, "download") ||
        !noMoreArguments(context, parsed))
        return false;
    prepared.task = [](CliContext& context, const ModuleTarget& module) {
        ModuleTask task;
        task.prompts = std::make_unique<CliPrompts>(context);
        task.operation =
            std::make_unique<DownloadOperation>(module.target, *module.document->diagram(), *task.prompts);
        task.bProgress = true;
        task.result = &downloadResult;
        return task;
    };
    return true;
}

bool prepareVerify(CliContext& context, const QStringList& args, PreparedCommand& prepared)
{
    CommandArgs parsed;
    if (!context.scan(args, {}, {QStringLiteral("--report")}, parsed) ||
        !takeDocument(context, parsed, prepared, "verify") || !noMoreArguments(context, parsed))
        return false;
    const bool bReport = parsed.has(QStringLiteral("--report"));
    prepared.bFullText = bReport;
    prepared.task = [bReport](CliContext& context, const ModuleTarget& module) {
        ModuleTask task;
        task.prompts = std::make_unique<CliPrompts>(context);
        task.operation =
            std::make_unique<VerifyOperation>(module.target, *module.document->diagram(), *task.prompts);
        task.result = [bReport](const OperationOutcome& outcome) { return verifyResult(outcome, bReport); };
        return task;
    };
    return true;
}

bool prepareStatus(CliContext& context, const QStringList& args, PreparedCommand& prepared)
{
    CommandArgs parsed;
    if (!context.scan(args, {}, {}, parsed) || !noMoreArguments(context, parsed))
        return false;
    prepared.summaryLines = 3;
    prepared.task = [](CliContext&, const ModuleTarget& module) {
        ModuleTask task;
        task.operation = std::make_unique<StatusOperation>(module.target);
        task.result = &statusResult;
        return task;
    };
    return true;
}

bool prepareProtect(CliContext& context, const QStringList& args, PreparedCommand& prepared)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--current"), QStringLiteral("--boot")}, {}, parsed) ||
        !noMoreArguments(context, parsed))
        return false;
    std::optional<bool> current;
    std::optional<bool> boot;
    if (!takeOnOff(parsed, QStringLiteral("--current"), current) ||
        !takeOnOff(parsed, QStringLiteral("--boot"), boot)) {
        context.usage(QStringLiteral("--current and --boot take on or off"));
        return false;
    }
    prepared.task = [current, boot](CliContext& context, const ModuleTarget& module) {
        ModuleTask task;
        task.prompts = std::make_unique<CliPrompts>(context);
        task.prompts->current = current;
        task.prompts->boot = boot;
        task.operation = std::make_unique<ProtectOperation>(module.target, *task.prompts);
        task.result = &protectResult;
        return task;
    };
    return true;
}

int downloadCommand(CliContext& context, const QStringList& args)
{
    return runModuleCommand(context, args, &prepareDownload);
}

int verifyCommand(CliContext& context, const QStringList& args)
{
    return runModuleCommand(context, args, &prepareVerify);
}

int statusCommand(CliContext& context, const QStringList& args)
{
    return runModuleCommand(context, args, &prepareStatus);
}

int protectCommand(CliContext& context, const QStringList& args)
{
    return runModuleCommand(context, args, &prepareProtect);
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
    CommandResult result(outcome);
    if (outcome.isDone()) {
        result.text = QStringLiteral("User control: 0x%1\n").arg(hexText(operation.word(), 4));
        result.data = {{"word", operation.word()}};
    }
    return context.finish(result);
}

int eepromReadCommand(CliContext& context, const QStringList&)
{
    EepromReadOperation operation(context.target());
    const OperationOutcome& outcome = context.run(operation);
    CommandResult result(outcome);
    if (!outcome.isDone()) {
        if (!outcome.detail.isEmpty())
            result.message += QLatin1Char('\n') + outcome.detail;
        return context.finish(result);
    }
    result.text = outcome.message + QLatin1Char('\n');
    for (const NetSetup::EepromField& field : NetSetup::eepromFields(outcome.data))
        result.data.insert(field.key, QJsonValue::fromVariant(field.value));
    return context.finish(result);
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
    CommandResult result(outcome);
    if (outcome.isDone()) {
        result.text = outcome.message + QLatin1Char('\n');
        result.data = {{"ip", settings.newAddress()},
                       {"tcp_port", settings.newTcpPort()},
                       {"udp_port", settings.newUdpPort()}};
    }
    return context.finish(result);
}
