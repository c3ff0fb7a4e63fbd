#include "cli/cliContext.h"
#include "cli/commands.h"
#include "emulator/previewRun.h"
#include "io/document.h"
#include "operations/previewSetup.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {
QJsonObject summaryData(const PreviewRun::Summary& s)
{
    QJsonArray outputs;
    for (const PreviewRun::OutputSummary& o : s.outputs)
        outputs.append(QJsonObject{
            {"channel", o.channel}, {"name", o.name}, {"pulses", qint64(o.pulses)}, {"rate_hz", o.rateHz}});
    QJsonArray counters;
    for (const PreviewRun::CounterSummary& c : s.counters)
        counters.append(QJsonObject{{"counter", c.counter},
                                    {"name", c.name},
                                    {"records", qint64(c.records)},
                                    {"sum", qint64(c.sum)},
                                    {"last", qint64(c.last)},
                                    {"unit", c.unit}});
    return {{"emulated_ns", s.emulatedNs},
            {"cycles", s.cycles},
            {"outputs", outputs},
            {"counters", counters},
            {"trace_full", s.traceEndNs >= 0}};
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
    if (!PreviewSetup::fromDiagram(*doc->diagram(), setup, error))
        return context.finish(CommandResult(Verdict::ExpressionError, error));
    Stimulus stimulus;
    if (!Stimulus::load(parsed.positional.at(1), stimulus, error, setup.inputAliases))
        return context.finish(CommandResult::failure(CommandResult::FILE_FAILURE, error));

    const QString vcd = parsed.value(QStringLiteral("--vcd"));
    PreviewRun run(setup.image, stimulus, setup.names, PreviewRun::durationFor(stimulus, durationNs),
                   vcd.isEmpty() ? 0 : PreviewRun::DEFAULT_TRACE_LIMIT);
    run.runToEnd();
    const QString title = QStringLiteral("Preview of %1 with %2")
                              .arg(QFileInfo(parsed.positional.at(0)).fileName(),
                                   QFileInfo(parsed.positional.at(1)).fileName());
    CommandResult result;
    if (!vcd.isEmpty() && !savePreviewVcd(vcd, run, title, error))
        result = CommandResult::failure(CommandResult::FILE_FAILURE, error);
    result.text = title + QLatin1Char('\n') + run.report();
    result.data = summaryData(run.summary());
    result.data.insert(QStringLiteral("vcd"), vcd.isEmpty() ? QJsonValue() : QJsonValue(vcd));
    return context.finish(result);
}
