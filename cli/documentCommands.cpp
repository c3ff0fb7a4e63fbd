#include "cli/cliContext.h"
#include "cli/commands.h"
#include "io/document.h"
#include "model/imageCapture.h"

#include <QTextDocument>

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
        context.err() << message << '\n';
        return ExitNegative;
    }
    context.out() << capture.text();
    return ExitOk;
}

int drcCommand(CliContext& context, const QStringList& args)
{
    const std::unique_ptr<Document> doc = context.loadDocument(args.at(0));
    if (!doc)
        return ExitFailure;
    QTextDocument report;
    const int verdict = doc->diagram()->drc(&report);
    const QString text = report.toPlainText();
    context.out() << text;
    if (!text.endsWith(QLatin1Char('\n')))
        context.out() << '\n';
    return verdict > 0 ? ExitNegative : ExitOk;
}
