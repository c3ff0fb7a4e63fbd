#include "cli/cliContext.h"
#include "cli/commands.h"
#include "cli/monitorOptions.h"
#include "cli/monitorReport.h"
#include "cli/stopSignals.h"
#include "io/document.h"
#include "metrics/metricsExporter.h"
#include "operations/counterMonitorSession.h"

#include <QEventLoop>

#include <memory>

namespace {

// Follows the document's monitor session until it ends (the time or count is reached, the stream
// breaks, or SIGINT or SIGTERM comes) and its stop writes have gone out: one report per counter
// and interval, then the totals and logs. No log file or no connection ends the command at once;
// a lost connection, a failed log write or a failed start or stop is a failure that the totals
// still follow.
int runMonitor(CliContext& context, CounterMonitorSetup setup, const MonitorOptions& options)
{
    logCountersInto(setup, options.csvDir);
    CounterMonitorSession session(setup);
    session.setReportInterval(MONITOR_REPORT_MS);
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

} // namespace

int monitorCommand(CliContext& context, const QStringList& args)
{
    MonitorOptions options;
    if (!parseMonitorOptions(context, args, false, options))
        return ExitUsage;
    const std::unique_ptr<Document> doc = context.loadDocument(options.document);
    if (!doc)
        return ExitFailure;
    const CounterMonitorSetup setup =
        CounterMonitorSetup::fromDiagram(*doc->diagram(), context.target(doc.get()));
    if (!untilCountFits(options, setup))
        return context.usage(
            QStringLiteral("--until-count needs K:N, a measure counter K of the document and N records: %1")
                .arg(options.untilCount));
    return runMonitor(context, setup, options);
}
