#pragma once

#include "device/qOstrumThread.h"
#include "operations/moduleOperations.h"
#include "operations/monitorSetup.h"
#include "operations/outcome.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <memory>

// A start or stop write waiting to go out, with the module it goes to.
struct CounterGateWrite
{
    InfoOstrum target;
    int counter = 0;
    bool bStart = false;
};

// What one connection of a monitor is asked to do. Without limits it runs until stop() or until
// the stream breaks.
struct MonitorRun
{
    int seconds = 0;               // end this long after the connection is made (0: no limit); the
                                   // wait for the connection is bounded by it too
    int limitCounter = -1;         // end once this counter has delivered limitRecords records
    quint64 limitRecords = 0;      // (counted, logged and reported; the rest of that batch is dropped)
    bool bStartCounters = false;   // start the software-gated counters once connected, and stop
                                   // them again when the run ends, however it ends
    bool bIgnoreLogErrors = false; // a log file that cannot be created: that counter goes without

    bool isLimited() const { return seconds > 0 || limitCounter >= 0; }
};

// How a monitor's connection ended.
enum class MonitorEnd {
    Stopped,          // stop(), a new setup, or the session's end
    TimeElapsed,      // the run's seconds have passed
    CountReached,     // the run's counter has delivered its records
    ConnectionFailed, // no connection was made (refused, unreachable, or not within the seconds)
    ConnectionLost,   // the stream broke after it had been connected
    StartFailed,      // a start write of the run's counters failed: the run was ended
};

struct MonitorEnding
{
    MonitorEnd reason = MonitorEnd::Stopped;
    QString text;                    // the socket's text, or the failed start's message
    Verdict verdict = Verdict::Done; // Done for the first three, else the failure's
    bool bConnected = false;         // the connection had been made
    int counter = -1;                // StartFailed: the counter whose start failed
};

Q_DECLARE_METATYPE(MonitorEnding)

// What a counter delivered since the connection was made.
struct CounterTotals
{
    quint64 records = 0;
    double integration = 0; // sum of the values, in the counter's unit
    bool bHasValue = false; // then the last value:
    quint64 lastRaw = 0;
    QString lastText;
};

// One counter monitor of one module: the stream reader (QOstrumThread) with its CSV logs, the
// start and stop writes of the software-gated counters, limited runs, the totals of the
// connection and, on request, every record. Headless: the Measure Counter window, `vextor-cli
// monitor`, the monitor of many modules and the Python module are views of it.
//
// It lives in a thread with an event loop, which receives the reader's reports and runs the start
// and stop writes. The states: Disconnected -> Connecting (start()) -> Connected -> Disconnected
// (ended()); once the stream has ended and the last write has gone out, idle().
class CounterMonitorSession : public QObject
{
    Q_OBJECT

public:
    static constexpr int COUNTERS = CounterMonitorSetup::COUNTERS;
    enum class State { Disconnected, Connecting, Connected };
    Q_ENUM(State)

    explicit CounterMonitorSession(const CounterMonitorSetup& setup = CounterMonitorSetup(),
                                   QObject* parent = nullptr);
    // Ends the stream; start and stop writes still waiting go out on their own, in order.
    ~CounterMonitorSession() override;

    // A new configuration: a connection of the old one ends (Stopped) and the counters it started
    // are stopped; the running marks are cleared.
    void setSetup(const CounterMonitorSetup& setup);
    const CounterMonitorSetup& setup() const { return m_setup; }

    // Reports are gathered over this time, one per counter (0: one per batch read). Set before
    // start().
    void setReportInterval(int ms) { m_reportMs = ms; }
    // The reader's wait rounds (short in tests).
    void setRoundMs(int ms) { m_roundMs = ms; }
    // Keeps every counted record in the queue, up to capacity records waiting (0: none kept).
    // recordsArrived() tells when records come into an empty queue. Set before start().
    void keepRecords(std::size_t capacity);
    // The queue, null when no records are kept; a consumer without this thread's event loop may
    // wait on it and take from it in its own thread.
    std::shared_ptr<CounterRecordQueue> recordQueue() const { return m_records; }
    CounterRecordBatch takeRecords(std::size_t max = std::size_t(-1));

    // Connects to the module's data port. False, with nothing started, when a log file cannot be
    // created and the run does not ignore it: logProblem then says which and why. A connection
    // still open ends first (Stopped).
    bool start(const MonitorRun& run = MonitorRun(), QString* logProblem = nullptr);
    // Ends the connection now: the reader stops, its last reports are delivered and ended() has
    // come when this returns. Does nothing when disconnected.
    void stop();

    State state() const { return m_state; }
    bool isStreaming() const { return m_state != State::Disconnected; }
    const MonitorRun& run() const { return m_run; }
    // How the last connection ended.
    const MonitorEnding& ending() const { return m_ending; }
    // The stream has ended and no start or stop write is waiting.
    bool isIdle() const { return !isStreaming() && !m_gate && m_gateQueue.isEmpty(); }
    // A start or stop write is under way or waiting.
    bool isWriting() const { return m_gate || !m_gateQueue.isEmpty(); }

    const CounterTotals& totals(int counter) const { return m_totals[counter]; }
    // The counter's log of the last connection (empty: none), the records in it and whether
    // writing it failed.
    QString logFile(int counter) const { return m_logFile[counter]; }
    quint64 loggedRecords(int counter) const;
    bool isLogStopped(int counter) const { return m_bLogStopped[counter]; }
    // What the last start() changed about the log files, a line each for the user.
    QStringList notices() const { return m_notices; }

    // Starts (true) or stops the counter's gate: a write of 0x80 or 0x00 to its start register,
    // sent after those asked for before it. The running mark changes at once.
    void setCounterRunning(int counter, bool bRunning);
    bool isCounterRunning(int counter) const { return m_bRunning[counter]; }
    // Stops every counter marked running.
    void stopRunningCounters();

signals:
    void stateChanged(CounterMonitorSession::State state);
    // The connection is made; the totals start at 0.
    void connected();
    // A report of the stream, after it has been added to the totals.
    void reported(const CounterReport& report);
    // The module closed the connection; ended() follows when the reader notices.
    void closedByServer();
    // The counter's log failed and takes no more records; text says which file, why, and what it
    // holds.
    void logStopped(int counter, const QString& text);
    void counterRunningChanged(int counter, bool bRunning);
    // A start or stop write has gone out, or failed (the outcome says).
    void gateFinished(int counter, bool bStart, const OperationOutcome& outcome);
    // The connection has ended; the totals and log counts are final.
    void ended(const MonitorEnding& ending);
    void idle();
    void recordsArrived();

private:
    void readerConnected();
    void readerReported(const CounterReport& report);
    void readerFinished();
    QString withStreamAddress(const QString& text) const;
    void endReader(MonitorEnd reason, const QString& text = QString(), Verdict verdict = Verdict::Done,
                   int counter = -1);
    void deadlinePassed();
    void runNextGate();
    void gateDone(CounterGateOperation* gate, int counter, bool bStart);
    void setState(State state);
    void checkIdle();

    CounterMonitorSetup m_setup;
    MonitorRun m_run;
    int m_reportMs = 0;
    int m_roundMs = QOstrumThread::WAIT_MS;
    std::shared_ptr<CounterRecordQueue> m_records;

    std::unique_ptr<QOstrumThread> m_reader;
    QObject* m_link = nullptr; // the receiver of the reader's signals, dropped with the reader
    QString m_readerError;
    bool m_bEnding = false; // endReader() is under way
    MonitorEnd m_stopReason = MonitorEnd::Stopped;
    QString m_stopText;
    Verdict m_stopVerdict = Verdict::Done;
    int m_stopCounter = -1;
    QTimer m_deadline;
    State m_state = State::Disconnected;
    MonitorEnding m_ending;
    bool m_bIdleSent = true;
    bool m_bConnectedOnce = false; // the current connection was made

    CounterTotals m_totals[COUNTERS];
    QString m_logFile[COUNTERS];
    quint64 m_logged[COUNTERS] = {};
    bool m_bLogStopped[COUNTERS] = {};
    QStringList m_notices;

    bool m_bRunning[COUNTERS] = {};
    QList<CounterGateWrite> m_gateQueue;
    QPointer<CounterGateOperation> m_gate;
};
