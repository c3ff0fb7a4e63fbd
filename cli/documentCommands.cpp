#include "cli/cliContext.h"
#include "cli/commands.h"
#include "cli/moduleCommand.h"
#include "cli/resultData.h"
#include "io/document.h"
#include "model/imageCapture.h"
#include "operations/downloadOperation.h"

int imageCommand(CliContext& context, const QStringList& args)
{
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitFailure;
    ImageCapture capture;
    try {
        doc->diagram()->download(&capture);
    } catch (const QString& message) {
        // Nothing is printed: a download stops before sending anything.
        return context.finish(CommandResult(Verdict::ExpressionError, message));
    }
    CommandResult result;
    result.text = capture.text();
    QJsonArray writes;
    for (const ImageCapture::Byte& byte : capture.bytes())
        writes.append(QJsonObject{{"address", qint64(byte.first)}, {"byte", byte.second}});
    result.data = {{"writes", writes}};
    return context.finish(result);
}

bool prepareDrc(CliContext& context, const QStringList& args, PreparedCommand& prepared)
{
    CommandArgs parsed;
    prepared.bDocument = true;
    if (!context.scan(args, {}, {}, parsed))
        return false;
    if (!prepared.bFleet)
        prepared.documentFile = parsed.positional.value(0);
    if (parsed.positional.size() != (prepared.bFleet ? 0 : 1)) {
        context.usage(QStringLiteral("drc takes one document"));
        return false;
    }
    prepared.task = [](CliContext&, const ModuleTarget& module) {
        ModuleTask task;
        Document* doc = module.document;
        task.result = [doc](const OperationOutcome&) {
            // The same check a download makes: an expression that does not compile is an error too.
            const DesignCheck check = DesignCheck::of(*doc->diagram());
            CommandResult result(check.verdict());
            result.text = check.report;
            if (!result.text.endsWith(QLatin1Char('\n')))
                result.text += QLatin1Char('\n');
            result.data = drcReportData(result.text);
            return result;
        };
        return task;
    };
    return true;
}

int drcCommand(CliContext& context, const QStringList& args)
{
    return runModuleCommand(context, args, &prepareDrc);
}
