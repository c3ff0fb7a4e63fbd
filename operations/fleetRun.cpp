#include "operations/fleetRun.h"

FleetRun::FleetRun(int modules, int jobs, OperationFor operationFor, QObject* parent)
    : QObject(parent)
    , m_states(modules, State::Waiting)
    , m_operations(modules, nullptr)
    , m_jobs(qMax(1, jobs))
    , m_operationFor(std::move(operationFor))
{}

void FleetRun::start()
{
    QMetaObject::invokeMethod(this, &FleetRun::beginNext, Qt::QueuedConnection);
}

void FleetRun::cancel()
{
    m_bCancelled = true;
    for (DeviceOperation* operation : qAsConst(m_operations)) {
        if (operation && operation->isRunning())
            operation->cancel();
    }
    QMetaObject::invokeMethod(this, &FleetRun::beginNext, Qt::QueuedConnection);
}

void FleetRun::beginNext()
{
    while (m_next < m_states.size() && (m_bCancelled || m_running < m_jobs)) {
        const int module = m_next++;
        if (m_states[module] != State::Waiting)
            continue;
        if (m_bCancelled) {
            over(module, false);
            continue;
        }
        DeviceOperation* operation = m_operationFor(module);
        if (!operation) {
            over(module, false);
            continue;
        }
        m_states[module] = State::Running;
        m_operations[module] = operation;
        ++m_running;
        connect(operation, &DeviceOperation::finished, this, [this, module] {
            --m_running;
            over(module, true);
            beginNext();
        });
        operation->start();
    }
    if (m_finished == m_states.size() && !m_bFinished) {
        m_bFinished = true;
        emit finished();
    }
}

void FleetRun::over(int module, bool begun)
{
    m_states[module] = State::Over;
    m_operations[module] = nullptr;
    ++m_finished;
    emit moduleFinished(module, begun);
}
