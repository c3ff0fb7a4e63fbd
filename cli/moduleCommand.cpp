#include "cli/moduleCommand.h"

#include "io/document.h"

int runModuleCommand(CliContext& context, const QStringList& args, CommandPreparer prepare)
{
    PreparedCommand prepared;
    if (!prepare(context, args, prepared))
        return ExitUsage;
    std::unique_ptr<Document> doc;
    if (prepared.bDocument && !(doc = context.loadDocument(prepared.documentFile)))
        return ExitFailure;
    const ModuleTask task =
        prepared.task(context, {context.target(doc.get()), doc.get(), prepared.documentFile});
    if (!task.operation)
        return context.finish(task.result(OperationOutcome()));
    return context.finish(task.result(context.run(*task.operation, task.bProgress)));
}
