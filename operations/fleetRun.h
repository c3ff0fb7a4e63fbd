#pragma once

#include "operations/deviceOperation.h"

#include <QObject>
#include <QVector>

#include <functional>

// Runs one device operation per module of a list, at most `jobs` at a time, from the caller's
// event loop: an operation is a chain of worker threads continued by queued signals, so many run
// side by side in one thread without blocking each other, and a module that does not answer
// holds only its own place for its own time-out. Modules begin in list order.
class FleetRun : public QObject
{
    Q_OBJECT
public:
    // Module i's operation, made when its turn comes and kept by the caller until the run has
    // finished; null when the module has nothing to run (its result is known without it).
    using OperationFor = std::function<DeviceOperation*(int module)>;

    FleetRun(int modules, int jobs, OperationFor operationFor, QObject* parent = nullptr);

    // Begins the first modules from the event loop (nothing finishes within start()).
    void start();
    // The running operations are cancelled and the modules not yet begun are left out.
    void cancel();
    bool isCancelled() const { return m_bCancelled; }
    int finishedCount() const { return m_finished; }
    int size() const { return m_states.size(); }

signals:
    // Module i is over: its operation finished (`begun`), or it had none, or the run was
    // cancelled before its turn (neither begun nor run).
    void moduleFinished(int module, bool begun);
    void finished();

private:
    enum class State { Waiting, Running, Over };

    void beginNext();
    void over(int module, bool begun);

    QVector<State> m_states;
    QVector<DeviceOperation*> m_operations;
    int m_jobs;
    OperationFor m_operationFor;
    int m_next = 0;
    int m_running = 0;
    int m_finished = 0;
    bool m_bCancelled = false;
    bool m_bFinished = false;
};
