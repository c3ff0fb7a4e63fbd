#include "pyMonitor.h"

#include "errors.h"
#include "qtRuntime.h"

#include <QThread>
#include <QTimer>

#include <chrono>
#include <thread>

namespace {

constexpr int COUNTERS = CounterMonitorSetup::COUNTERS;
// The session's totals follow the stream in steps of this many ms.
constexpr int REPORT_MS = 100;
// The reader's wait round: how soon a stop is noticed on a silent stream.
constexpr int ROUND_MS = 200;

QString reasonName(MonitorEnd reason)
{
    switch (reason) {
    case MonitorEnd::Stopped:
        return QStringLiteral("stopped");
    case MonitorEnd::TimeElapsed:
        return QStringLiteral("time_elapsed");
    case MonitorEnd::CountReached:
        return QStringLiteral("count_reached");
    case MonitorEnd::ConnectionFailed:
        return QStringLiteral("connection_failed");
    case MonitorEnd::ConnectionLost:
        return QStringLiteral("connection_lost");
    case MonitorEnd::StartFailed:
        return QStringLiteral("start_failed");
    }
    return QString();
}

} // namespace

PyMonitor::PyMonitor(MonitorRequest request)
    : m_request(std::move(request))
{}

PyMonitor::~PyMonitor()
{
    py::gil_scoped_release released;
    shutDown();
}

void PyMonitor::open()
{
    ensureQtApplication();
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("vextor monitor"));
    m_thread->start();
    m_context = new QObject;
    m_context->moveToThread(m_thread.get());
    {
        py::gil_scoped_release released;
        runInSessionThread([this] { createSession(); });
    }
    const MonitorProgress started = progress();
    if (!started.startProblem.isEmpty())
        raiseVerdict(FILE_FAILURE, started.startProblem);
    waitFor([](const MonitorProgress& p) { return p.bConnected || p.bEnded; }, true);
    const MonitorProgress connected = progress();
    if (!connected.bConnected) {
        waitFor([](const MonitorProgress& p) { return p.bIdle; }, false);
        m_bProblemsRaised = true;
        raiseVerdict(verdictName(Verdict::CommunicationFailure), connected.ending.text);
    }
}

// In the session's thread: the session, wired to the progress Python reads, and started.
void PyMonitor::createSession()
{
    m_session = new CounterMonitorSession(m_request.setup);
    m_session->setReportInterval(REPORT_MS);
    m_session->setRoundMs(ROUND_MS);
    m_session->keepRecords(m_request.capacity);
    m_queue = m_session->recordQueue();
    CounterMonitorSession* session = m_session;

    QObject::connect(session, &CounterMonitorSession::connected, session, [this, session] {
        if (m_request.stopAfterMs > 0) {
            QTimer::singleShot(m_request.stopAfterMs, session, [this, session] {
                if (!session->isStreaming())
                    return;
                record([](MonitorProgress& p) { p.bTimeUp = true; });
                session->stop();
            });
        }
        record([](MonitorProgress& p) { p.bConnected = true; });
    });
    QObject::connect(session, &CounterMonitorSession::reported, session,
                     [this](const CounterReport&) { record([this](MonitorProgress& p) { snapshot(p); }); });
    QObject::connect(session, &CounterMonitorSession::logStopped, session, [this](int, const QString& text) {
        record([&text](MonitorProgress& p) { p.problems.append({FILE_FAILURE, text}); });
    });
    QObject::connect(session, &CounterMonitorSession::gateFinished, session,
                     [this](int counter, bool, const OperationOutcome& outcome) {
                         if (outcome.isDone())
                             return;
                         const MonitorProblem problem{verdictName(outcome.verdict),
                                                      m_request.setup.name[counter] + QStringLiteral(": ") +
                                                          outcome.message};
                         record([&problem](MonitorProgress& p) { p.problems.append(problem); });
                     });
    QObject::connect(session, &CounterMonitorSession::ended, session, [this](const MonitorEnding& ending) {
        record([this, &ending](MonitorProgress& p) {
            p.ending = ending;
            p.bEnded = true;
            snapshot(p);
        });
    });
    // The lost stream counts after the stop writes that follow it, as vextor-cli reports it.
    QObject::connect(session, &CounterMonitorSession::idle, session, [this, session] {
        record([this, session](MonitorProgress& p) {
            if (session->ending().reason == MonitorEnd::ConnectionLost)
                p.problems.append({verdictName(Verdict::CommunicationFailure), session->ending().text});
            snapshot(p);
            p.bIdle = true;
        });
    });

    QString logProblem;
    const bool bStarted = m_session->start(m_request.run, &logProblem);
    record([&](MonitorProgress& p) {
        p.notices = m_session->notices();
        if (!bStarted) {
            p.startProblem = logProblem;
            p.bEnded = p.bIdle = true;
        }
    });
}

void PyMonitor::record(const std::function<void(MonitorProgress&)>& change)
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        change(m_progress);
    }
    m_changed.notify_all();
}

void PyMonitor::snapshot(MonitorProgress& progress) const
{
    for (int c = 0; c < COUNTERS; ++c) {
        progress.totals[c] = m_session->totals(c);
        progress.logged[c] = m_session->loggedRecords(c);
        progress.logFile[c] = m_session->logFile(c);
    }
}

void PyMonitor::runInSessionThread(const std::function<void()>& work)
{
    QMetaObject::invokeMethod(m_context, work, Qt::BlockingQueuedConnection);
}

void PyMonitor::waitFor(const std::function<bool(const MonitorProgress&)>& done, bool bInterruptible)
{
    for (;;) {
        {
            py::gil_scoped_release released;
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_changed.wait_for(lock, std::chrono::milliseconds(InterruptibleLoop::POLL_MS),
                                   [&] { return done(m_progress); }))
                return;
        }
        if (bInterruptible && PyErr_CheckSignals() != 0)
            stopAndRethrow();
    }
}

void PyMonitor::stopAndRethrow()
{
    py::error_already_set error; // what the signal handler raised, taken while the monitor stops
    stop();
    throw error;
}

CounterRecordBatch PyMonitor::take(std::size_t max, int gatherMs, std::size_t gatherRecords)
{
    for (;;) {
        gatherMore(gatherMs, gatherRecords);
        // Closed first: what was appended before the close is then in what is taken.
        const bool bClosed = m_queue->isClosed();
        CounterRecordBatch batch = m_queue->take(max);
        if (!batch.empty() || bClosed) {
            m_dropped += batch.dropped;
            return batch;
        }
        {
            py::gil_scoped_release released;
            m_queue->wait(InterruptibleLoop::POLL_MS);
        }
        if (PyErr_CheckSignals() != 0)
            stopAndRethrow();
    }
}

// When some records wait but fewer than `records`, lets more come in for up to ms.
void PyMonitor::gatherMore(int ms, std::size_t records)
{
    const auto waiting = [this] { return m_queue->size(); };
    if (ms <= 0 || waiting() == 0 || waiting() >= records || m_queue->isClosed())
        return;
    py::gil_scoped_release released;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (waiting() < records && !m_queue->isClosed() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void PyMonitor::stop()
{
    if (!m_session)
        return;
    py::gil_scoped_release released;
    runInSessionThread([this] { m_session->stop(); });
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_progress.bIdle; });
}

// Without the GIL: the run ends, its stop writes go out, and the session goes with its thread.
void PyMonitor::shutDown()
{
    if (!m_thread)
        return;
    if (m_session) {
        runInSessionThread([this] { m_session->stop(); });
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_progress.bIdle; });
    }
    runInSessionThread([this] {
        delete m_session;
        m_session = nullptr;
        delete m_context;
    });
    m_context = nullptr;
    m_thread->quit();
    m_thread->wait();
    m_thread.reset();
}

void PyMonitor::raiseProblems(const py::dict& details)
{
    if (m_bProblemsRaised)
        return;
    m_bProblemsRaised = true;
    const MonitorProgress p = progress();
    if (p.problems.isEmpty())
        return;
    for (int i = 1; i < p.problems.size(); ++i)
        warnNotice(p.problems.at(i).text);
    raiseVerdict(p.problems.first().verdict, p.problems.first().text, details);
}

bool PyMonitor::isRunning() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_session && !m_progress.bEnded;
}

QString PyMonitor::reason() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_progress.bEnded)
        return QString();
    if (m_progress.bTimeUp && m_progress.ending.reason == MonitorEnd::Stopped)
        return reasonName(MonitorEnd::TimeElapsed);
    return reasonName(m_progress.ending.reason);
}

MonitorProgress PyMonitor::progress() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_progress;
}
