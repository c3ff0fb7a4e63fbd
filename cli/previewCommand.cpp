#include "cli/cliContext.h"
#include "cli/commands.h"
#include "emulator/previewRun.h"
#include "emulator/vcdWriter.h"
#include "io/document.h"
#include "operations/previewSetup.h"

#include <QFileInfo>
#include <QSaveFile>

namespace {
bool writeVcd(CliContext& context, const QString& fileName, const PreviewRun& run, const PreviewSetup& setup,
              const QString& title)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) ||
        !VcdWriter::write(file, run.emulator(), setup.names, run.endCycle(), title) || !file.commit()) {
        context.err() << fileName << ": " << file.errorString() << '\n';
        return false;
    }
    return true;
}
} // namespace

int previewCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--duration"), QStringLiteral("--vcd")}, {}, parsed))
        return ExitUsage;
    if (parsed.positional.size() != 2)
        return context.usage(QStringLiteral("preview needs a document and a stimulus file"));
    qint64 durationNs = 0;
    if (parsed.has(QStringLiteral("--duration"))) {
        const QString text = parsed.value(QStringLiteral("--duration"));
        if (!Stimulus::parseTime(text, durationNs) || durationNs < Timing::CLOCK_NS)
            return context.usage(QStringLiteral("--duration needs a time from 5ns to 10s: %1").arg(text));
    }
    const std::unique_ptr<Document> doc = context.loadDocument(parsed.positional.at(0));
    if (!doc)
        return ExitFailure;
    PreviewSetup setup;
    QString error;
    if (!PreviewSetup::fromDiagram(*doc->diagram(), setup, error)) {
        context.err() << error << '\n';
        return ExitNegative;
    }
    Stimulus stimulus;
    if (!Stimulus::load(parsed.positional.at(1), stimulus, error, setup.inputAliases)) {
        context.err() << error << '\n';
        return ExitFailure;
    }

    const QString vcd = parsed.value(QStringLiteral("--vcd"));
    PreviewRun run(setup.image, stimulus, setup.names, PreviewRun::durationFor(stimulus, durationNs),
                   vcd.isEmpty() ? 0 : PreviewRun::DEFAULT_TRACE_LIMIT);
    run.runToEnd();
    const QString title = QStringLiteral("Preview of %1 with %2")
                              .arg(QFileInfo(parsed.positional.at(0)).fileName(),
                                   QFileInfo(parsed.positional.at(1)).fileName());
    context.out() << title << '\n' << run.report();
    context.out().flush();
    if (!vcd.isEmpty() && !writeVcd(context, vcd, run, setup, title))
        return ExitFailure;
    return ExitOk;
}
