#include "cli/cliContext.h"
#include "cli/commands.h"
#include "device/counterValueFormat.h"
#include "device/qOstrumThread.h"
#include "io/document.h"
#include "operations/moduleOperations.h"
#include "operations/monitorSetup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <csignal>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int COUNTERS = CounterMonitorSetup::COUNTERS;
// Reports are gathered over this time: a line per counter ten times a second at most.
constexpr int REPORT_MS = 100;

struct MonitorOptions
{
    int seconds = 0; // 0: no time limit
    QString csvDir;
    bool bStart = false;   // start the software-gated counters, and stop them at the end
    int limitCounter = -1; // end once this counter has delivered `limit` records
    quint64 limit = 0;
};

// SIGINT and SIGTERM, while an instance lives, call onStop from the event loop instead of
// ending the process, so that the logs are flushed and the totals printed.
class StopSignals
{
public:
    explicit StopSignals(std::function<void()> onStop)
    {
        if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_fd) != 0)
            return;
        m_notifier = std::make_unique<QSocketNotifier>(s_fd[1], QSocketNotifier::Read);
        QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onStop] {
            char byte = 0;
            if (::read(s_fd[1], &byte, 1) < 0) {
            }
            onStop();
        });
        struct sigaction action = {};
        action.sa_handler = [](int) {
            const char byte = 1;
            // Nothing else is safe in a signal handler: the event loop picks the byte up.
            if (::write(s_fd[0], &byte, 1) < 0) {
            }
        };
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(SIGINT, &action, &m_oldInt);
        sigaction(SIGTERM, &action, &m_oldTerm);
    }
    ~StopSignals()
    {
        if (!m_notifier)
            return;
        sigaction(SIGINT, &m_oldInt, nullptr);
        sigaction(SIGTERM, &m_oldTerm, nullptr);
        m_notifier.reset();
        ::close(s_fd[0]);
        ::close(s_fd[1]);
    }

private:
    static inline int s_fd[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};

// Starts (or stops) every software-gated counter of the setup; false after the first failure,
// which is on standard error.
bool writeGates(CliContext& context, const CounterMonitorSetup& setup, bool bStart)
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (!setup.isSoftwareGated(c))
            continue;
        CounterGateOperation gate(setup.target(), c, bStart);
        if (context.run(gate).verdict != Verdict::Done) {
            context.err() << setup.name[c] << ": " << gate.outcome().message << Qt::endl;
            return false;
        }
    }
    return true;
}

// Reads the stream the way the monitor window does until it ends, the time or count is reached,
// or SIGINT or SIGTERM comes: one line "<counter> <last value> <count> <sum>" per report, then per
// counter of the diagram "total <counter> <name> <number> <integration>" and, for each log,
// "logged <counter> <name> <records> <file>". No log file, no connection, a lost connection, a
// failed log write or a failed start or stop is a failure.
int runMonitor(CliContext& context, const CounterMonitorSetup& setup, const MonitorOptions& options)
{
    QTextStream& out = context.out();
    QString path[COUNTERS], name[COUNTERS], unit[COUNTERS];
    for (int c = 0; c < COUNTERS; ++c) {
        path[c] = setup.mode[c] >= 0 && !options.csvDir.isEmpty() ? options.csvDir : setup.path[c];
        name[c] = setup.name[c];
        unit[c] = setup.unit[c];
    }
    std::unique_ptr<QOstrumThread> reader;
    try {
        reader = std::make_unique<QOstrumThread>(path, name, unit, setup.strAddr, setup.tcpPort,
                                                 setup.udpPort, nullptr, false);
    } catch (const QString& text) {
        return context.fail(text);
    }
    for (const QString& notice : reader->notices())
        context.err() << notice << Qt::endl;
    reader->setReportInterval(REPORT_MS);
    if (options.limitCounter >= 0)
        reader->setCountLimit(options.limitCounter, options.limit);

    // Reports arrive queued in this thread, in the order the reader sent them.
    QObject receiver;
    QEventLoop loop;
    bool connected = false;
    bool failed = false;
    QString failure;
    quint64 number[COUNTERS] = {};
    double integration[COUNTERS] = {};
    QObject::connect(reader.get(), &QOstrumThread::connectedOstrum, &receiver, [&] {
        connected = true;
        loop.quit();
    });
    QObject::connect(reader.get(), &QOstrumThread::error, &receiver,
                     [&failure](QString text) { failure = text; });
    QObject::connect(reader.get(), &QOstrumThread::logStopped, &receiver, [&](int, QString text) {
        context.err() << text << Qt::endl;
        failed = true;
    });
    QObject::connect(reader.get(), &QOstrumThread::recived, &receiver,
                     [&](int c, QString text, quint64 count, double sum) {
                         if (c < 0 || c >= COUNTERS)
                             return;
                         number[c] += count;
                         integration[c] += sum;
                         out << c << ' ' << text << ' ' << count << ' '
                             << QString::number(sum, 'f', CounterValueFormat::decimalsForUnit(unit[c]))
                             << Qt::endl;
                     });
    QObject::connect(reader.get(), &QThread::finished, &loop, &QEventLoop::quit);
    const StopSignals stopSignals([&reader] { reader->stop(); });
    // The time runs from the start of counting; until then it also bounds the wait for the
    // connection.
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &receiver, [&reader] { reader->stop(); });
    if (options.seconds > 0)
        deadline.start(options.seconds * 1000);
    reader->start();
    loop.exec(); // until connected or ended
    bool gatesStarted = false;
    if (connected && !reader->isFinished() && options.bStart) {
        gatesStarted = true;
        if (!writeGates(context, setup, true)) {
            failed = true;
            reader->stop();
        }
    }
    if (options.seconds > 0 && connected)
        deadline.start(options.seconds * 1000);
    if (!reader->isFinished())
        loop.exec();
    reader->wait();
    QCoreApplication::sendPostedEvents(&receiver); // the last reports
    if (gatesStarted && !writeGates(context, setup, false))
        failed = true;

    if (!connected)
        return context.fail(failure.isEmpty() ? QStringLiteral("Connection timed out") : failure);
    if (!failure.isEmpty()) {
        context.err() << failure << Qt::endl;
        failed = true;
    }
    for (int c = 0; c < COUNTERS; ++c) {
        if (setup.mode[c] >= 0)
            out << "total " << c << ' ' << name[c] << ' ' << number[c] << ' '
                << CounterValueFormat::integrationText(integration[c], unit[c]).trimmed() << '\n';
    }
    for (int c = 0; c < COUNTERS; ++c) {
        if (!reader->fileName(c).isEmpty())
            out << "logged " << c << ' ' << name[c] << ' ' << reader->loggedRecords(c) << ' '
                << reader->fileName(c) << '\n';
    }
    out.flush();
    return failed ? ExitFailure : ExitOk;
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
    options.limitCounter = counter;
    options.limit = limit;
    return true;
}

} // namespace

int monitorCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(
            args, {QStringLiteral("--seconds"), QStringLiteral("--csv-dir"), QStringLiteral("--until-count")},
            {QStringLiteral("--start")}, parsed))
        return ExitUsage;
    if (parsed.positional.size() != 1)
        return context.usage(QStringLiteral("monitor needs one document"));
    MonitorOptions options;
    if (parsed.has(QStringLiteral("--seconds"))) {
        const QString text = parsed.value(QStringLiteral("--seconds"));
        bool ok = false;
        options.seconds = text.toInt(&ok);
        if (!ok || options.seconds <= 0 || options.seconds > 24 * 3600 * 365)
            return context.usage(QStringLiteral("--seconds needs a positive number: %1").arg(text));
    }
    options.csvDir = parsed.value(QStringLiteral("--csv-dir"));
    options.bStart = parsed.has(QStringLiteral("--start"));
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
