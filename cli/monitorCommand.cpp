#include "cli/cliContext.h"
#include "cli/commands.h"
#include "device/counterValueFormat.h"
#include "device/qOstrumThread.h"
#include "io/document.h"
#include "operations/moduleOperations.h"
#include "operations/monitorSetup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
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

// Starts (or stops) every software-gated counter of the setup; Done, or the verdict of the first
// failure, which is a problem of the command.
Verdict writeGates(CliContext& context, const CounterMonitorSetup& setup, bool bStart)
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (!setup.isSoftwareGated(c))
            continue;
        CounterGateOperation gate(setup.target(), c, bStart);
        const OperationOutcome& outcome = context.run(gate);
        if (!outcome.isDone()) {
            context.problem(setup.name[c] + QStringLiteral(": ") + outcome.message);
            return outcome.verdict;
        }
    }
    return Verdict::Done;
}

// A figure as printed with the unit's decimals, so that JSON carries no digits the text does not.
double printedFigure(double value, const QString& unit)
{
    return QString::number(value, 'f', CounterValueFormat::decimalsForUnit(unit)).toDouble();
}

// One report of the stream: "<counter> <last value> <count> <sum>", or its JSON line.
void printReport(CliContext& context, int counter, const QString& value, quint64 count, double sum,
                 const QString& unit)
{
    if (context.json()) {
        context.printJson({{"counter", counter},
                           {"value", value.toDouble()},
                           {"count", qint64(count)},
                           {"sum", printedFigure(sum, unit)}});
        return;
    }
    context.out() << counter << ' ' << value << ' ' << count << ' '
                  << QString::number(sum, 'f', CounterValueFormat::decimalsForUnit(unit)) << Qt::endl;
}

// What the monitor found once the stream has ended: per counter of the diagram its totals, and
// per log how many records it holds.
CommandResult totalsResult(const CounterMonitorSetup& setup, const QOstrumThread& reader,
                           const quint64* number, const double* integration)
{
    CommandResult result;
    QJsonArray totals;
    QJsonArray logs;
    for (int c = 0; c < COUNTERS; ++c) {
        if (setup.mode[c] < 0)
            continue;
        result.text += QStringLiteral("total %1 %2 %3 %4\n")
                           .arg(c)
                           .arg(setup.name[c])
                           .arg(number[c])
                           .arg(CounterValueFormat::integrationText(integration[c], setup.unit[c]).trimmed());
        totals.append(QJsonObject{{"counter", c},
                                  {"name", setup.name[c]},
                                  {"number", qint64(number[c])},
                                  {"integration", printedFigure(integration[c], setup.unit[c])},
                                  {"unit", setup.unit[c]}});
    }
    for (int c = 0; c < COUNTERS; ++c) {
        if (reader.fileName(c).isEmpty())
            continue;
        result.text += QStringLiteral("logged %1 %2 %3 %4\n")
                           .arg(c)
                           .arg(setup.name[c])
                           .arg(reader.loggedRecords(c))
                           .arg(reader.fileName(c));
        logs.append(QJsonObject{{"counter", c},
                                {"name", setup.name[c]},
                                {"records", qint64(reader.loggedRecords(c))},
                                {"file", reader.fileName(c)}});
    }
    result.data = {{"totals", totals}, {"logs", logs}};
    return result;
}

// Reads the stream the way the monitor window does until it ends, the time or count is reached,
// or SIGINT or SIGTERM comes: one report per counter and interval (printReport), then the totals
// and logs (totalsResult). No log file or no connection ends the command at once; a lost
// connection, a failed log write or a failed start or stop is a failure that the totals still
// follow.
int runMonitor(CliContext& context, const CounterMonitorSetup& setup, const MonitorOptions& options)
{
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
        return context.finish(CommandResult::failure(CommandResult::FILE_FAILURE, text));
    }
    for (const QString& notice : reader->notices())
        context.notice(notice);
    reader->setReportInterval(REPORT_MS);
    if (options.limitCounter >= 0)
        reader->setCountLimit(options.limitCounter, options.limit);

    // Reports arrive queued in this thread, in the order the reader sent them.
    QObject receiver;
    QEventLoop loop;
    bool connected = false;
    QString failedVerdict; // the kind of the first failure
    const auto fail = [&](const QString& verdict, const QString& text) {
        context.problem(text);
        if (failedVerdict.isEmpty())
            failedVerdict = verdict;
    };
    const auto gates = [&](bool bStart) {
        const Verdict verdict = writeGates(context, setup, bStart);
        if (verdict != Verdict::Done && failedVerdict.isEmpty())
            failedVerdict = verdictName(verdict);
        return verdict == Verdict::Done;
    };
    QString failure;
    quint64 number[COUNTERS] = {};
    double integration[COUNTERS] = {};
    QObject::connect(reader.get(), &QOstrumThread::connectedOstrum, &receiver, [&] {
        connected = true;
        loop.quit();
    });
    QObject::connect(reader.get(), &QOstrumThread::error, &receiver,
                     [&failure](QString text) { failure = text; });
    QObject::connect(reader.get(), &QOstrumThread::logStopped, &receiver,
                     [&](int, QString text) { fail(CommandResult::FILE_FAILURE, text); });
    QObject::connect(reader.get(), &QOstrumThread::recived, &receiver,
                     [&](int c, QString text, quint64 count, double sum) {
                         if (c < 0 || c >= COUNTERS)
                             return;
                         number[c] += count;
                         integration[c] += sum;
                         printReport(context, c, text, count, sum, unit[c]);
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
        if (!gates(true))
            reader->stop();
    }
    if (options.seconds > 0 && connected)
        deadline.start(options.seconds * 1000);
    if (!reader->isFinished())
        loop.exec();
    reader->wait();
    QCoreApplication::sendPostedEvents(&receiver); // the last reports
    if (gatesStarted)
        gates(false);

    if (!connected)
        return context.finish(
            CommandResult(Verdict::CommunicationFailure,
                          failure.isEmpty() ? QStringLiteral("Connection timed out") : failure));
    if (!failure.isEmpty())
        fail(verdictName(Verdict::CommunicationFailure), failure);
    CommandResult result = totalsResult(setup, *reader, number, integration);
    if (!failedVerdict.isEmpty()) {
        result.verdict = failedVerdict;
        result.exitCode = ExitFailure;
    }
    return context.finish(result);
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
