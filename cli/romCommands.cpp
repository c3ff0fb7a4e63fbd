#include "cli/cliContext.h"
#include "cli/cliPrompts.h"
#include "cli/commands.h"
#include "cli/moduleCommand.h"
#include "cli/resultData.h"
#include "io/document.h"
#include "model/outputFile.h"
#include "operations/operationTexts.h"
#include "operations/romOperations.h"

#include <QJsonObject>

namespace {

bool parseSlot(const QString& text, int& slot)
{
    bool ok = false;
    slot = text.toInt(&ok);
    return ok && slot >= 0 && slot < QUdpThread::ROM_SLOTS;
}

// A document read back from the module: its name on standard error, then the text to FILE
// (saved atomically when FILE is a regular file) or to standard output. The result names it and
// gives its size and where the module first differs from it (null when it describes the
// registers); the text carries the document only where it is printed. A sync that finds the
// module running other registers still delivers the document, with its own verdict.
int deliverDocument(CliContext& context, const OperationOutcome& outcome, const QString& fileName)
{
    CommandResult result(outcome);
    if (outcome.slot >= 0)
        result.data.insert("slot", outcome.slot);
    if (!outcome.documentName.isEmpty())
        result.data.insert("name", outcome.documentName);
    const bool bDelivered = outcome.isDone() || outcome.verdict == Verdict::RegistersDiffer;
    if (bDelivered || outcome.verdict == Verdict::NoData)
        context.err() << outcome.documentName << Qt::endl;
    if (!bDelivered)
        return context.finish(result);
    result.data.insert("bytes", outcome.document.size());
    result.data.insert("file", fileName.isEmpty() ? QJsonValue() : QJsonValue(fileName));
    result.data.insert("first_mismatch", firstMismatchData(outcome.firstMismatch));
    if (fileName.isEmpty()) {
        context.out().setCodec("UTF-8"); // the document's own encoding, whatever the locale
        result.text = QString::fromUtf8(outcome.document);
        return context.finish(result);
    }
    QString error;
    if (!OutputFile::write(fileName, outcome.document, &error)) {
        const QJsonObject data = result.data;
        result = CommandResult::failure(CommandResult::FILE_FAILURE,
                                        QStringLiteral("%1: %2").arg(fileName, error));
        result.data = data;
    }
    return context.finish(result);
}

} // namespace

bool prepareRomSave(CliContext& context, const QStringList& args, PreparedCommand& prepared)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--comment")},
                      {QStringLiteral("--boot"), QStringLiteral("--force")}, parsed))
        return false;
    prepared.bDocument = true;
    if (!prepared.bFleet)
        prepared.documentFile = parsed.positional.isEmpty() ? QString() : parsed.positional.takeFirst();
    int slot = 0;
    if (parsed.positional.size() != 1 || !parseSlot(parsed.positional.first(), slot) ||
        (!prepared.bFleet && prepared.documentFile.isEmpty())) {
        context.usage(prepared.bFleet ? QStringLiteral("rom-save needs a slot from 0 to 15")
                                      : QStringLiteral("rom-save needs a document and a slot from 0 to 15"));
        return false;
    }
    // Without --comment each module's slot is named after its document's file.
    const bool bComment = parsed.has(QStringLiteral("--comment"));
    const QString comment = parsed.value(QStringLiteral("--comment"), prepared.documentFile.section('/', -1));
    if (bComment || !prepared.bFleet) {
        const QString problem = OperationText::commentProblem(comment);
        if (!problem.isEmpty()) {
            context.usage(problem);
            return false;
        }
    }
    const bool bBoot = parsed.has(QStringLiteral("--boot"));
    const bool bForce = parsed.has(QStringLiteral("--force"));
    prepared.task = [=](CliContext& context, const ModuleTarget& module) {
        ModuleTask task;
        task.prompts = std::make_unique<CliPrompts>(context);
        CliPrompts& prompts = *task.prompts;
        prompts.slot = slot;
        prompts.comment = bComment ? comment : module.documentFile.section(QLatin1Char('/'), -1);
        prompts.bBoot = bBoot;
        prompts.bForce = bForce;
        const QString problem = OperationText::commentProblem(prompts.comment);
        if (!problem.isEmpty()) { // a fleet module's file name that cannot be a comment
            task.result = [problem](const OperationOutcome&) {
                return CommandResult::failure(CommandResult::FILE_FAILURE, problem);
            };
            return task;
        }
        task.operation =
            std::make_unique<RomOperation>(module.target, RomCommand::Save, prompts, module.document);
        task.bProgress = true;
        task.result = [comment = prompts.comment, bBoot](const OperationOutcome& outcome) {
            CommandResult result(outcome);
            if (outcome.isDone()) {
                result.text = outcome.confirmation + QLatin1Char('\n');
                result.data = {{"slot", outcome.slot}, {"comment", comment}, {"boot", bBoot}};
            }
            return result;
        };
        return task;
    };
    return true;
}

int romSaveCommand(CliContext& context, const QStringList& args)
{
    return runModuleCommand(context, args, &prepareRomSave);
}

int romRestoreCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--out")}, {}, parsed))
        return ExitUsage;
    CliPrompts prompts(context);
    if (parsed.positional.size() != 1 || !parseSlot(parsed.positional.first(), prompts.slot))
        return context.usage(QStringLiteral("rom-restore needs a slot from 0 to 15"));
    RomOperation restore(context.target(), RomCommand::Restore, prompts);
    return deliverDocument(context, context.run(restore, true), parsed.value(QStringLiteral("--out")));
}

bool prepareRomBoot(CliContext& context, const QStringList& args, PreparedCommand& prepared)
{
    int slot = 0;
    if (args.size() != 1 || !parseSlot(args.first(), slot)) {
        context.usage(QStringLiteral("rom-boot needs a slot from 0 to 15"));
        return false;
    }
    prepared.task = [slot](CliContext& context, const ModuleTarget& module) {
        ModuleTask task;
        task.prompts = std::make_unique<CliPrompts>(context);
        task.prompts->slot = slot;
        task.operation = std::make_unique<RomOperation>(module.target, RomCommand::BootNum, *task.prompts);
        task.result = [&context](const OperationOutcome& outcome) {
            if (outcome.isDone() && outcome.status.comment(outcome.slot).isEmpty())
                context.notice(OperationText::EMPTY_BOOT_SLOT.arg(outcome.slot));
            CommandResult result(outcome);
            if (outcome.isDone()) {
                result.text = outcome.confirmation + QLatin1Char('\n');
                result.data = {{"boot_slot", outcome.slot}};
            }
            return result;
        };
        return task;
    };
    return true;
}

int romBootCommand(CliContext& context, const QStringList& args)
{
    return runModuleCommand(context, args, &prepareRomBoot);
}

int romInitCommand(CliContext& context, const QStringList&)
{
    CliPrompts prompts(context);
    RomInitOperation initialise(context.target(), prompts);
    const OperationOutcome& outcome = context.run(initialise);
    CommandResult result(outcome);
    if (outcome.isDone())
        result.text = outcome.confirmation + QLatin1Char('\n');
    return context.finish(result);
}

int syncCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--out")}, {}, parsed))
        return ExitUsage;
    if (!parsed.positional.isEmpty())
        return context.usage(QStringLiteral("sync takes no slot: it reads the module's current one"));
    SyncOperation sync(context.target());
    return deliverDocument(context, context.run(sync), parsed.value(QStringLiteral("--out")));
}
