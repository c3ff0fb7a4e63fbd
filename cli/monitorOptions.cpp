#include "cli/monitorOptions.h"

#include "cli/cliContext.h"
#include "metrics/metricsExporter.h"

namespace {

constexpr int MAX_SECONDS = 24 * 3600 * 365;

// "K:N": a measure counter K (0..3) and N records (at least 1).
bool parseUntilCount(const QString& text, MonitorRun& run)
{
    bool okCounter = false;
    bool okLimit = false;
    const int counter = text.section(QLatin1Char(':'), 0, 0).toInt(&okCounter);
    const quint64 limit = text.section(QLatin1Char(':'), 1).toULongLong(&okLimit);
    if (!okCounter || !okLimit || text.count(QLatin1Char(':')) != 1 || counter < 0 ||
        counter >= CounterMonitorSetup::COUNTERS || limit == 0)
        return false;
    run.limitCounter = counter;
    run.limitRecords = limit;
    return true;
}

} // namespace

bool parseMonitorOptions(CliContext& context, const QStringList& args, bool bFleet, MonitorOptions& options)
{
    CommandArgs parsed;
    if (!context.scan(args,
                      {QStringLiteral("--seconds"), QStringLiteral("--csv-dir"),
                       QStringLiteral("--until-count"), QStringLiteral("--metrics")},
                      {QStringLiteral("--start")}, parsed))
        return false;
    if (!bFleet && parsed.positional.size() != 1) {
        context.usage(QStringLiteral("monitor needs one document"));
        return false;
    }
    if (bFleet && !parsed.positional.isEmpty()) {
        context.usage(QStringLiteral("unexpected argument: %1").arg(parsed.positional.first()));
        return false;
    }
    options.document = parsed.positional.value(0);
    if (parsed.has(QStringLiteral("--seconds"))) {
        const QString text = parsed.value(QStringLiteral("--seconds"));
        bool ok = false;
        options.run.seconds = text.toInt(&ok);
        if (!ok || options.run.seconds <= 0 || options.run.seconds > MAX_SECONDS) {
            context.usage(QStringLiteral("--seconds needs a positive number: %1").arg(text));
            return false;
        }
    }
    options.csvDir = parsed.value(QStringLiteral("--csv-dir"));
    if (parsed.has(QStringLiteral("--metrics"))) {
        QString error;
        options.bMetrics = MetricsExporter::parseAddress(parsed.value(QStringLiteral("--metrics")),
                                                         options.metricsHost, options.metricsPort, &error);
        if (!options.bMetrics) {
            context.usage(QStringLiteral("--metrics ") + error);
            return false;
        }
    }
    options.run.bStartCounters = parsed.has(QStringLiteral("--start"));
    options.untilCount = parsed.value(QStringLiteral("--until-count"));
    if (parsed.has(QStringLiteral("--until-count")) && !parseUntilCount(options.untilCount, options.run)) {
        context.usage(
            QStringLiteral("--until-count needs K:N, a measure counter K of the document and N records: %1")
                .arg(options.untilCount));
        return false;
    }
    return true;
}

bool untilCountFits(const MonitorOptions& options, const CounterMonitorSetup& setup)
{
    return options.run.limitCounter < 0 || setup.mode[options.run.limitCounter] >= 0;
}

void logCountersInto(CounterMonitorSetup& setup, const QString& dir)
{
    if (dir.isEmpty())
        return;
    for (int c = 0; c < CounterMonitorSetup::COUNTERS; ++c) {
        if (setup.mode[c] >= 0)
            setup.path[c] = dir;
    }
}
