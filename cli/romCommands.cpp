#include "cli/cliContext.h"
#include "cli/cliPrompts.h"
#include "cli/commands.h"
#include "io/document.h"
#include "operations/operationTexts.h"
#include "operations/romOperations.h"

#include <QJsonObject>
#include <QSaveFile>

namespace {

bool parseSlot(const QString& text, int& slot)
{
    bool ok = false;
    slot = text.toInt(&ok);
    return ok && slot >= 0 && slot < QUdpThread::ROM_SLOTS;
}

// A document read back from the module: its name on standard error, then the text to FILE
// (saved atomically) or to standard output. The result names it and gives its size; the text
// carries the document only where it is printed.
int deliverDocument(CliContext& context, const OperationOutcome& outcome, const QString& fileName)
{
    CommandResult result(outcome);
    if (outcome.slot >= 0)
        result.data.insert("slot", outcome.slot);
    if (!outcome.documentName.isEmpty())
        result.data.insert("name", outcome.documentName);
    if (outcome.verdict == Verdict::Done || outcome.verdict == Verdict::NoData)
        context.err() << outcome.documentName << Qt::endl;
    if (!outcome.isDone())
        return context.finish(result);
    result.data.insert("bytes", outcome.document.size());
    result.data.insert("file", fileName.isEmpty() ? QJsonValue() : QJsonValue(fileName));
    if (fileName.isEmpty()) {
        context.out().setCodec("UTF-8"); // the document's own encoding, whatever the locale
        result.text = QString::fromUtf8(outcome.document);
        return context.finish(result);
    }
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(outcome.document) != outcome.document.size() ||
        !file.commit()) {
        const QJsonObject data = result.data;
        result = CommandResult::failure(CommandResult::FILE_FAILURE,
                                        QStringLiteral("%1: %2").arg(fileName, file.errorString()));
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
        result.text = outcome.confirmation + QLatin1Char('\n');
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
    if (outcome.isDone() && outcome.status.comment(outcome.slot).isEmpty())
        context.notice(OperationText::EMPTY_BOOT_SLOT.arg(outcome.slot));
    CommandResult result(outcome);
    if (outcome.isDone()) {
        result.text = outcome.confirmation + QLatin1Char('\n');
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
