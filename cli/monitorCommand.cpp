#include "cli/cliContext.h"
#include "cli/commands.h"
#include "cli/monitorReport.h"
#include "cli/stopSignals.h"
#include "io/document.h"
#include "metrics/metricsExporter.h"
#include "operations/counterMonitorSession.h"

#include <QEventLoop>

#include <memory>

namespace {

constexpr int COUNTERS = CounterMonitorSetup::COUNTERS;
// Reports are gathered over this time: a line per counter ten times a second at most.
constexpr int REPORT_MS = 100;

struct MonitorOptions
{
    MonitorRun run;
    QString csvDir;
    bool bMetrics = false; // serve the counters for Prometheus at metricsHost:metricsPort
    QString metricsHost;
    quint16 metricsPort = 0;
};

// Follows the document's monitor session until it ends (the time or count is reached, the stream
// breaks, or SIGINT or SIGTERM comes) and its stop writes have gone out: one report per counter
// and interval, then the totals and logs. No log file or no connection ends the command at once;
// a lost connection, a failed log write or a failed start or stop is a failure that the totals
// still follow.
int runMonitor(CliContext& context, CounterMonitorSetup setup, const MonitorOptions& options)
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (setup.mode[c] >= 0 && !options.csvDir.isEmpty())
            setup.path[c] = options.csvDir;
    }
    CounterMonitorSession session(setup);
    session.setReportInterval(REPORT_MS);
    const MonitorFollower follower(session, [&context](const QString& text) { context.problem(text); });
    QObject::connect(&session, &CounterMonitorSession::reported, &session,
                     [&context, &setup](const CounterReport& report) {
                         const QString& unit = setup.unit[report.counter];
                         if (context.json())
                             context.printJson(monitorReportJson(report, unit));
                         else
                             context.out() << monitorReportLine(report, unit) << Qt::endl;
                     });
    // The endpoint is bound first: an address in use ends the command before the module is
    // contacted. The module is labelled by its address.
    MetricsExporter exporter;
    if (options.bMetrics) {
        exporter.addModule(setup.strAddr, &session);
        QString error;
        if (!exporter.listen(options.metricsHost, options.metricsPort, &error))
            return context.finish(CommandResult(Verdict::CommunicationFailure, error));
        context.notice(QStringLiteral("metrics at %1").arg(exporter.url()));
    }
    QString logProblem;
    if (!session.start(options.run, &logProblem))
        return context.finish(CommandResult::failure(CommandResult::FILE_FAILURE, logProblem));
    for (const QString& notice : session.notices())
        context.notice(notice);
    QEventLoop loop;
    QObject::connect(&session, &CounterMonitorSession::idle, &loop, &QEventLoop::quit);
    const StopSignals stopSignals([&session] { session.stop(); });
    if (!session.isIdle())
        loop.exec();
    return context.finish(follower.result());
}

// "K:N": counter K (0..3, in the diagram) and N records (at least 1).
bool parseUntilCount(const QString& text, const CounterMonitorSetup& setup, MonitorOptions& options)
{
    bool okCounter = false;
    bool okLimit = false;
    const int counter = text.section(QLatin1Char(':'), 0, 0).toInt(&okCounter);
    const quint64 limit = text.section(QLatin1Char(':'), 1).toULongLong(&okLimit);
    if (!okCounter || !okLimit || text.count(QLatin1Char(':')) != 1 || counter < 0 || counter >= COUNTERS ||
        setup.mode[counter] < 0 || limit == 0)
        return false;
    options.run.limitCounter = counter;
    options.run.limitRecords = limit;
    return true;
}

} // namespace

int monitorCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args,
                      {QStringLiteral("--seconds"), QStringLiteral("--csv-dir"),
                       QStringLiteral("--until-count"), QStringLiteral("--metrics")},
                      {QStringLiteral("--start")}, parsed))
        return ExitUsage;
    if (parsed.positional.size() != 1)
        return context.usage(QStringLiteral("monitor needs one document"));
    MonitorOptions options;
    if (parsed.has(QStringLiteral("--seconds"))) {
        const QString text = parsed.value(QStringLiteral("--seconds"));
        bool ok = false;
        options.run.seconds = text.toInt(&ok);
        if (!ok || options.run.seconds <= 0 || options.run.seconds > 24 * 3600 * 365)
            return context.usage(QStringLiteral("--seconds needs a positive number: %1").arg(text));
    }
    options.csvDir = parsed.value(QStringLiteral("--csv-dir"));
    if (parsed.has(QStringLiteral("--metrics"))) {
        QString error;
        options.bMetrics = MetricsExporter::parseAddress(parsed.value(QStringLiteral("--metrics")),
                                                         options.metricsHost, options.metricsPort, &error);
        if (!options.bMetrics)
            return context.usage(QStringLiteral("--metrics ") + error);
    }
    options.run.bStartCounters = parsed.has(QStringLiteral("--start"));
    const std::unique_ptr<Document> doc = context.loadDocument(parsed.positional.first());
    if (!doc)
        return ExitFailure;
    const CounterMonitorSetup setup =
        CounterMonitorSetup::fromDiagram(*doc->diagram(), context.target(doc.get()));
    if (parsed.has(QStringLiteral("--until-count")) &&
        !parseUntilCount(parsed.value(QStringLiteral("--until-count")), setup, options))
        return context.usage(
            QStringLiteral("--until-count needs K:N, a measure counter K of the document and N records: %1")
                .arg(parsed.value(QStringLiteral("--until-count"))));
    return runMonitor(context, setup, options);
}
