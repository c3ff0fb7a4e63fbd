// The Measure Counter window fed as fast as the stream can go, on the offscreen platform: records
// per second received and logged with four CSV logs, against the headless reader over the same
// feeder in the same run, and the window's event-loop latency while streaming, measured by a
// timer that records its own lateness. Checks that every record is shown and logged in order.
//
// Goals: the window's rate at least two thirds of the headless reader's; the 99th percentile of
// the latency under 16 ms.

#include "streamFeeder.h"

#include "dialogs/msrCntWidget.h"

#include <QApplication>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace {

using namespace feeder;

constexpr int PROBE_MS = 5;

struct WindowRun
{
    double seconds = 0;
    ReaderRun files; // the window's log files
    QString numbers[COUNTERS];
    std::vector<double> lateMs; // of each timer tick
};

WindowRun windowRun(const QByteArray& bytes, const QString& logDir)
{
    Sender sender(bytes);
    MsrCntWidget::Property info;
    info.strAddr = QStringLiteral("127.0.0.1");
    info.tcpPort = sender.port();
    info.udpPort = 4660;
    info.timeout = 1;
    for (int c = 0; c < COUNTERS; ++c) {
        info.mode[c] = 2; // gated by hardware: no start and stop writes
        info.path[c] = logDir;
        info.name[c] = QString("MsrCnt%1").arg(c);
        info.unit[c] = UNITS[c];
    }
    auto* window = new MsrCntWidget(&info);
    window->show();

    WindowRun run;
    // The probe: a precise timer that notes how late each tick comes after the one before.
    QElapsedTimer probeClock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(PROBE_MS);
    qint64 lastTick = 0;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = probeClock.nsecsElapsed();
        run.lateMs.push_back(qMax(0.0, (now - lastTick) / 1e6 - PROBE_MS));
        lastTick = now;
    });

    QElapsedTimer clock;
    clock.start();
    window->connectToServer();
    CounterMonitorSession& session = window->session();
    for (int c = 0; c < COUNTERS; ++c)
        run.files.fileName[c] = session.logFile(c);
    QEventLoop loop;
    QObject::connect(&session, &CounterMonitorSession::ended, &loop, &QEventLoop::quit);
    probeClock.start();
    probe.start();
    loop.exec(); // the session has delivered the last reports
    run.seconds = clock.nsecsElapsed() / 1e9;
    probe.stop();
    for (int c = 0; c < COUNTERS; ++c)
        run.numbers[c] = window->numberField(c)->text();
    delete window;
    return run;
}

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[size_t(p * double(values.size() - 1))];
}

// Whether the window showed and logged every record in order.
bool windowOk(const WindowRun& run, qint64 records)
{
    bool ok = checkLogs(run.files, records);
    for (int c = 0; c < COUNTERS; ++c) {
        const qint64 expected = (records - c + COUNTERS - 1) / COUNTERS;
        if (run.numbers[c] != CounterValueFormat::numberText(quint64(expected))) {
            std::printf("  counter %d shows %s events (expected %lld)\n", c, qPrintable(run.numbers[c]),
                        expected);
            ok = false;
        }
    }
    return ok;
}

} // namespace

// The machine is shared: the two readers take turns for a few rounds and the best of each is
// compared. Each run's logs are removed before the next one, so that no run pays for writing
// back another's.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 16000000;
    const int rounds = argc > 2 ? QByteArray(argv[2]).toInt() : 3;
    const QByteArray bytes = sequenceRecords(records);
    std::printf("%lld records of 8 bytes (%.0f MB), counters 0..3 in turn, four CSV logs, %d rounds\n",
                records, bytes.size() / 1e6, rounds);

    bool ok = true;
    std::vector<double> headlessRates, windowRates, lateMs;
    for (int round = 0; round < rounds; ++round) {
        {
            QTemporaryDir dir;
            const ReaderRun headless = readerRun(bytes, dir.path());
            ok = checkLogs(headless, records) && ok;
            headlessRates.push_back(records / headless.seconds);
        }
        {
            QTemporaryDir dir;
            const WindowRun shown = windowRun(bytes, dir.path());
            ok = windowOk(shown, records) && ok;
            windowRates.push_back(records / shown.seconds);
            lateMs.insert(lateMs.end(), shown.lateMs.begin(), shown.lateMs.end());
        }
        std::printf("round %d: headless reader %6.2f M records/s, monitor window %6.2f M records/s\n",
                    round + 1, headlessRates.back() / 1e6, windowRates.back() / 1e6);
    }
    const double headlessBest = percentile(headlessRates, 1.0);
    const double windowBest = percentile(windowRates, 1.0);
    std::printf(
        "best: headless reader %.2f M records/s, monitor window %.2f M records/s (%.2f of the headless "
        "reader; medians %.2f)  %s\n",
        headlessBest / 1e6, windowBest / 1e6, windowBest / headlessBest,
        percentile(windowRates, 0.5) / percentile(headlessRates, 0.5),
        ok ? "every record shown and logged, in order" : "RECORDS LOST OR REORDERED");
    const double p99 = percentile(lateMs, 0.99);
    std::printf("event-loop latency while streaming (%zu ticks of a %d ms timer): median %.2f ms, 99th "
                "percentile %.2f ms, worst %.2f ms\n",
                lateMs.size(), PROBE_MS, percentile(lateMs, 0.5), p99, percentile(lateMs, 1.0));
    const bool rateMet = windowBest >= headlessBest * 2 / 3;
    const bool latencyMet = p99 < 16;
    std::printf("goal rate >= 2/3 of headless: %s; goal 99th percentile < 16 ms: %s\n",
                rateMet ? "met" : "NOT met", latencyMet ? "met" : "NOT met");
    return ok && rateMet && latencyMet ? 0 : 1;
}
