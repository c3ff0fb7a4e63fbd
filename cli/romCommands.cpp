#include "cli/cliContext.h"
#include "cli/cliPrompts.h"
#include "cli/commands.h"
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

int romSaveCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--comment")},
                      {QStringLiteral("--boot"), QStringLiteral("--force")}, parsed))
        return ExitUsage;
    CliPrompts prompts(context);
    if (parsed.positional.size() != 2 || !parseSlot(parsed.positional.at(1), prompts.slot))
        return context.usage(QStringLiteral("rom-save needs a document and a slot from 0 to 15"));
    const QString fileName = parsed.positional.first();
    prompts.comment = parsed.value(QStringLiteral("--comment"), fileName.section(QLatin1Char('/'), -1));
    const QString problem = OperationText::commentProblem(prompts.comment);
    if (!problem.isEmpty())
        return context.usage(problem);
    prompts.bBoot = parsed.has(QStringLiteral("--boot"));
    prompts.bForce = parsed.has(QStringLiteral("--force"));

    const std::unique_ptr<Document> document = context.loadDocument(fileName);
    if (!document)
        return ExitFailure;
    RomOperation save(context.target(document.get()), RomCommand::Save, prompts, document.get());
    const OperationOutcome& outcome = context.run(save, true);
    CommandResult result(outcome);
    if (outcome.isDone()) {
        result.text = QStringLiteral("Saved to ROM slot %1\n").arg(outcome.slot);
        result.data = {{"slot", outcome.slot}, {"comment", prompts.comment}, {"boot", prompts.bBoot}};
    }
    return context.finish(result);
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

int romBootCommand(CliContext& context, const QStringList& args)
{
    CliPrompts prompts(context);
    if (!parseSlot(args.first(), prompts.slot))
        return context.usage(QStringLiteral("rom-boot needs a slot from 0 to 15"));
    RomOperation boot(context.target(), RomCommand::BootNum, prompts);
    const OperationOutcome& outcome = context.run(boot);
    CommandResult result(outcome);
    if (outcome.isDone()) {
        result.text = QStringLiteral("Boot slot: %1\n").arg(outcome.slot);
        result.data = {{"boot_slot", outcome.slot}};
    }
    return context.finish(result);
}

int romInitCommand(CliContext& context, const QStringList&)
{
    CliPrompts prompts(context);
    RomInitOperation initialise(context.target(), prompts);
    const OperationOutcome& outcome = context.run(initialise);
    CommandResult result(outcome);
    if (outcome.isDone())
        result.text = QStringLiteral("ROM area initialised\n");
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
