#include "cli/cliContext.h"
#include "cli/commands.h"
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

int drcCommand(CliContext& context, const QStringList& args)
{
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitFailure;
    // The same check a download makes: an expression that does not compile is an error too.
    const DesignCheck check = DesignCheck::of(*doc->diagram());
    CommandResult result(check.verdict());
    result.text = check.report;
    if (!result.text.endsWith(QLatin1Char('\n')))
        result.text += QLatin1Char('\n');
    result.data = drcReportData(result.text);
    return context.finish(result);
}
