#include "operations/counterMonitorSession.h"

#include "operations/moduleOperations.h"

#include <QCoreApplication>

namespace {

// Runs the writes one after another on their own, once `after` (if any) has finished: what was
// asked for still reaches the module when its session has gone.
void runDetached(const QList<CounterGateWrite>& queue, CounterGateOperation* after)
{
    if (queue.isEmpty())
        return;
    const auto startFirst = [queue] {
        QList<CounterGateWrite> rest = queue;
        const CounterGateWrite next = rest.takeFirst();
        auto* gate = new CounterGateOperation(next.target, next.counter, next.bStart);
        QObject::connect(gate, &DeviceOperation::finished, gate, &QObject::deleteLater);
        QObject::connect(gate, &DeviceOperation::finished, [rest] { runDetached(rest, nullptr); });
        gate->start();
    };
    if (after)
        QObject::connect(after, &DeviceOperation::finished, startFirst);
    else
        startFirst();
}

} // namespace

CounterMonitorSession::CounterMonitorSession(const CounterMonitorSetup& setup, QObject* parent)
    : QObject(parent)
    , m_setup(setup)
{
    qRegisterMetaType<CounterReport>();
    qRegisterMetaType<MonitorEnding>();
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, &CounterMonitorSession::deadlinePassed);
}

CounterMonitorSession::~CounterMonitorSession()
{
    if (m_reader) {
        m_reader->stop();
        m_reader->wait();
        if (m_run.bStartCounters) {
            for (int c = 0; c < COUNTERS; ++c) {
                if (m_bRunning[c])
                    m_gateQueue.append({m_setup.target(), c, false});
            }
        }
    }
    if (m_records) {
        m_records->setOnArrival(nullptr);
        m_records->close();
    }
    runDetached(m_gateQueue, m_gate);
}

void CounterMonitorSession::setSetup(const CounterMonitorSetup& setup)
{
    if (m_reader)
        endReader(MonitorEnd::Stopped);
    stopRunningCounters();
    m_setup = setup;
}

void CounterMonitorSession::keepRecords(std::size_t capacity)
{
    if (capacity == 0) {
        m_records.reset();
        return;
    }
    m_records = std::make_shared<CounterRecordQueue>(capacity);
    // Called in the reader's thread: the signal is queued to this one.
    m_records->setOnArrival([this] {
        QMetaObject::invokeMethod(this, &CounterMonitorSession::recordsArrived, Qt::QueuedConnection);
    });
}

CounterRecordBatch CounterMonitorSession::takeRecords(std::size_t max)
{
    return m_records ? m_records->take(max) : CounterRecordBatch();
}

quint64 CounterMonitorSession::loggedRecords(int counter) const
{
    return m_reader ? m_reader->loggedRecords(counter) : m_logged[counter];
}

// ---------------------------------------------------------------------------------------------
// The connection

bool CounterMonitorSession::start(const MonitorRun& run, QString* logProblem)
{
    if (m_reader)
        endReader(MonitorEnd::Stopped);
    QString path[COUNTERS], name[COUNTERS], unit[COUNTERS];
    for (int c = 0; c < COUNTERS; ++c) {
        path[c] = m_setup.path[c];
        name[c] = m_setup.name[c];
        unit[c] = m_setup.unit[c];
    }
    std::unique_ptr<QOstrumThread> reader;
    try {
        reader = std::make_unique<QOstrumThread>(path, name, unit, m_setup.strAddr, m_setup.tcpPort,
                                                 m_setup.udpPort, nullptr, run.bIgnoreLogErrors);
    } catch (const QString& text) {
        if (logProblem)
            *logProblem = text;
        return false;
    }
    m_run = run;
    m_notices = reader->notices();
    reader->setReportInterval(m_reportMs);
    reader->setRoundMs(m_roundMs);
    if (run.limitCounter >= 0)
        reader->setCountLimit(run.limitCounter, run.limitRecords);
    if (m_records) {
        m_records->reopen();
        reader->setRecordQueue(m_records);
    }
    for (int c = 0; c < COUNTERS; ++c) {
        m_logFile[c] = reader->fileName(c);
        m_logged[c] = 0;
        m_bLogStopped[c] = false;
    }

    // The reader's signals come through a receiver of their own, so that what it posted is
    // delivered or dropped with it and never reaches the next connection.
    m_link = new QObject(this);
    QOstrumThread* r = reader.get();
    connect(r, &QOstrumThread::connectedOstrum, m_link, [this] { readerConnected(); });
    connect(r, &QOstrumThread::reported, m_link,
            [this](const CounterReport& report) { readerReported(report); });
    connect(r, &QOstrumThread::error, m_link, [this](const QString& text) { m_readerError = text; });
    connect(r, &QOstrumThread::closedByServer, m_link, [this] {
        if (m_state == State::Connected)
            emit closedByServer();
    });
    connect(r, &QOstrumThread::logStopped, m_link, [this](int counter, const QString& text) {
        m_bLogStopped[counter] = true;
        emit logStopped(counter, text);
    });
    connect(r, &QThread::finished, m_link, [this] { readerFinished(); });

    m_readerError.clear();
    m_bConnectedOnce = false;
    m_bIdleSent = false;
    m_reader = std::move(reader);
    if (run.seconds > 0)
        m_deadline.start(run.seconds * 1000);
    m_reader->start();
    setState(State::Connecting);
    return true;
}

void CounterMonitorSession::stop()
{
    endReader(MonitorEnd::Stopped);
}

void CounterMonitorSession::readerConnected()
{
    m_bConnectedOnce = true;
    for (CounterTotals& totals : m_totals)
        totals = CounterTotals();
    setState(State::Connected);
    emit connected();
    if (m_run.seconds > 0)
        m_deadline.start(m_run.seconds * 1000);
    if (!m_run.bStartCounters)
        return;
    for (int c = 0; c < COUNTERS; ++c) {
        if (m_setup.isSoftwareGated(c) && !m_bRunning[c])
            setCounterRunning(c, true);
    }
}

void CounterMonitorSession::readerReported(const CounterReport& report)
{
    if (report.counter < 0 || report.counter >= COUNTERS)
        return;
    CounterTotals& totals = m_totals[report.counter];
    totals.records += report.count;
    totals.integration += report.sum;
    totals.bHasValue = true;
    totals.lastRaw = report.lastRaw;
    totals.lastText = report.lastText;
    emit reported(report);
}

// The reader ended on its own: the stream broke, no connection was made, or the count is reached.
void CounterMonitorSession::readerFinished()
{
    if (!m_reader || m_bEnding)
        return;
    if (m_reader->countLimitReached())
        endReader(MonitorEnd::CountReached);
    else if (m_bConnectedOnce)
        endReader(MonitorEnd::ConnectionLost, withStreamAddress(m_readerError),
                  Verdict::CommunicationFailure);
    else
        endReader(MonitorEnd::ConnectionFailed,
                  withStreamAddress(m_readerError.isEmpty() ? QStringLiteral("Connection timed out")
                                                            : m_readerError),
                  Verdict::CommunicationFailure);
}

// A failure of the stream names the module it was reading, so that a lab with many modules knows
// which one to look at.
QString CounterMonitorSession::withStreamAddress(const QString& text) const
{
    const QString where = QStringLiteral("counter stream of %1:%2").arg(m_setup.strAddr).arg(m_setup.tcpPort);
    return text.isEmpty() ? QStringLiteral("Lost the %1").arg(where)
                          : QStringLiteral("%1 (%2)").arg(text, where);
}

void CounterMonitorSession::deadlinePassed()
{
    if (m_bConnectedOnce)
        endReader(MonitorEnd::TimeElapsed);
    else
        endReader(MonitorEnd::ConnectionFailed, withStreamAddress(QStringLiteral("Connection timed out")),
                  Verdict::CommunicationFailure);
}

// The one way a connection ends: the reader is stopped and waited for, what it posted is
// delivered (the last reports are in the totals), the counts of its logs are kept, and then
// ended() and, for a run that started the counters, their stop writes.
void CounterMonitorSession::endReader(MonitorEnd reason, const QString& text, Verdict verdict, int counter)
{
    if (!m_reader || m_bEnding)
        return;
    m_bEnding = true;
    m_deadline.stop();
    m_reader->stop();
    m_reader->wait();
    QCoreApplication::sendPostedEvents(m_link, QEvent::MetaCall);
    for (int c = 0; c < COUNTERS; ++c) {
        m_logged[c] = m_reader->loggedRecords(c);
        m_logFile[c] = m_reader->fileName(c); // gone when no connection was made
    }
    if (m_records)
        m_records->close();
    m_link->deleteLater();
    m_link = nullptr;
    m_reader.reset();
    m_ending = MonitorEnding{reason, text, verdict, m_bConnectedOnce, counter};
    setState(State::Disconnected);
    m_bEnding = false;
    emit ended(m_ending);
    if (m_run.bStartCounters)
        stopRunningCounters();
    checkIdle();
}

void CounterMonitorSession::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void CounterMonitorSession::checkIdle()
{
    if (m_bIdleSent || !isIdle())
        return;
    m_bIdleSent = true;
    emit idle();
}

// ---------------------------------------------------------------------------------------------
// Start and stop of the software-gated counters

void CounterMonitorSession::setCounterRunning(int counter, bool bRunning)
{
    if (counter < 0 || counter >= COUNTERS)
        return;
    m_bRunning[counter] = bRunning;
    emit counterRunningChanged(counter, bRunning);
    m_gateQueue.append({m_setup.target(), counter, bRunning});
    m_bIdleSent = false;
    runNextGate();
}

void CounterMonitorSession::stopRunningCounters()
{
    for (int c = 0; c < COUNTERS; ++c) {
        if (m_bRunning[c])
            setCounterRunning(c, false);
    }
}

// Writes go out one after another, in the order they were asked for.
void CounterMonitorSession::runNextGate()
{
    if (m_gate || m_gateQueue.isEmpty())
        return;
    const CounterGateWrite next = m_gateQueue.takeFirst();
    // The operation lives on its own, so that a write asked for as the session ends still goes out.
    auto* gate = new CounterGateOperation(next.target, next.counter, next.bStart);
    connect(gate, &DeviceOperation::finished, gate, &QObject::deleteLater);
    connect(gate, &DeviceOperation::finished, this,
            [this, gate, next] { gateDone(gate, next.counter, next.bStart); });
    m_gate = gate;
    gate->start();
}

void CounterMonitorSession::gateDone(CounterGateOperation* gate, int counter, bool bStart)
{
    m_gate = nullptr;
    const OperationOutcome outcome = gate->outcome();
    emit gateFinished(counter, bStart, outcome);
    // A run that cannot start its counters would count nothing: it ends, and what it did start is
    // stopped again.
    if (bStart && !outcome.isDone() && m_run.bStartCounters && m_reader) {
        for (int i = m_gateQueue.size() - 1; i >= 0; --i) {
            if (m_gateQueue.at(i).bStart) {
                m_bRunning[m_gateQueue.at(i).counter] = false;
                emit counterRunningChanged(m_gateQueue.at(i).counter, false);
                m_gateQueue.removeAt(i);
            }
        }
        endReader(MonitorEnd::StartFailed, outcome.message, outcome.verdict, counter);
    }
    runNextGate();
    checkIdle();
}
