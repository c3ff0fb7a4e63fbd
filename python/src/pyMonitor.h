#pragma once

#include "operations/counterMonitorSession.h"

#include <pybind11/pybind11.h>

#include <QStringList>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace py = pybind11;

class QThread;

// What a monitor is asked to do: the document's counters at the module, the run, and how many
// records may wait for Python.
struct MonitorRequest
{
    CounterMonitorSetup setup;
    MonitorRun run;
    int stopAfterMs = 0; // ends the run this long after the connection (0: the run's seconds)
    std::size_t capacity = 0;
};

// A problem met on the way: its verdict's name and the text for the user.
struct MonitorProblem
{
    QString verdict;
    QString text;
};

// What the session's thread tells Python's: written there under the mutex, read here under it.
struct MonitorProgress
{
    bool bConnected = false;
    bool bEnded = false;
    bool bIdle = false; // ended, and the stop writes have gone out
    bool bTimeUp = false;
    MonitorEnding ending;
    QString startProblem; // a log that could not be created: nothing was started
    QStringList notices;  // what the start changed about the log files
    CounterTotals totals[CounterMonitorSetup::COUNTERS];
    quint64 logged[CounterMonitorSetup::COUNTERS] = {};
    QString logFile[CounterMonitorSetup::COUNTERS];
    QList<MonitorProblem> problems;
};

// One counter monitor for Python: a CounterMonitorSession in a thread of its own with its event
// loop, so that the stream is read, the run timed and the counters started and stopped whatever
// Python does meanwhile; Python takes the records from the session's queue. Every wait releases
// the GIL and lets Python handle its signals: Ctrl+C stops the monitor (its stop writes still go
// out) and raises KeyboardInterrupt.
class PyMonitor
{
public:
    explicit PyMonitor(MonitorRequest request);
    ~PyMonitor();
    PyMonitor(const PyMonitor&) = delete;
    PyMonitor& operator=(const PyMonitor&) = delete;

    // Starts the session and waits until it is connected; raises the error of a log that cannot
    // be created or of a connection that was not made. With the GIL held.
    void open();
    bool isOpen() const { return m_session != nullptr; }
    // The next records, oldest first, at most max; empty once the run has ended and everything
    // has been taken. Waits with the GIL released; once records are waiting, up to gatherMs more
    // for at least gatherRecords, so that a fast stream comes in large batches.
    CounterRecordBatch take(std::size_t max, int gatherMs = 0, std::size_t gatherRecords = 0);
    // Ends the run (if it still runs) and waits until the stop writes have gone out.
    void stop();
    // Once the run has ended: raises the first problem met (a lost stream, a log that failed, a
    // start or stop write that failed), once, with the details as its attributes; later problems
    // come as notices.
    void raiseProblems(const py::dict& details);

    const CounterMonitorSetup& setup() const { return m_request.setup; }
    bool isRunning() const;
    // Why the run ended, as a name ("time_elapsed", "connection_lost", ...); empty while it runs.
    QString reason() const;
    quint64 dropped() const { return m_dropped; }
    MonitorProgress progress() const;
    QStringList notices() const { return progress().notices; }

private:
    void createSession(); // in the session's thread
    void record(const std::function<void(MonitorProgress&)>& change);
    void snapshot(MonitorProgress& progress) const; // in the session's thread
    void runInSessionThread(const std::function<void()>& work);
    // Waits until done() holds, with the GIL released; Python's signals between slices when
    // interruptible (then stops and raises what they raised).
    void waitFor(const std::function<bool(const MonitorProgress&)>& done, bool bInterruptible);
    void gatherMore(int ms, std::size_t records);
    [[noreturn]] void stopAndRethrow();
    void shutDown();

    MonitorRequest m_request;
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr; // lives in m_thread
    CounterMonitorSession* m_session = nullptr;
    std::shared_ptr<CounterRecordQueue> m_queue;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    MonitorProgress m_progress;
    quint64 m_dropped = 0;
    bool m_bProblemsRaised = false;
};
