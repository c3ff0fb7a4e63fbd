#include "qtRuntime.h"

#include "conversions.h"
#include "operations/deviceOperation.h"

#include <QCoreApplication>

#include <clocale>
#include <mutex>
#include <string>

void ensureQtApplication()
{
    static std::once_flag made;
    std::call_once(made, [] {
        if (QCoreApplication::instance())
            return;
        // Qt sets the process's locale from the environment; Python and the libraries loaded into
        // it keep the one they started with (numbers with a decimal point).
        const std::string locale = std::setlocale(LC_ALL, nullptr);
        static int argc = 1;
        static char name[] = "vextor";
        static char* argv[] = {name, nullptr};
        new QCoreApplication(argc, argv); // lives as long as the process, like a host's own
        std::setlocale(LC_ALL, locale.c_str());
    });
}

InterruptibleLoop::InterruptibleLoop(std::function<void()> stop)
    : m_stop(std::move(stop))
{
    m_poll.setInterval(POLL_MS);
    QObject::connect(&m_poll, &QTimer::timeout, [this] {
        if (m_error)
            return;
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() != 0)
            interrupt();
    });
}

InterruptibleLoop::~InterruptibleLoop() = default;

void InterruptibleLoop::exec()
{
    m_poll.start();
    {
        py::gil_scoped_release released;
        m_loop.exec();
    }
    m_poll.stop();
    if (m_error) {
        py::error_already_set error = *m_error;
        m_error.reset();
        throw error;
    }
}

void InterruptibleLoop::call(const std::function<void()>& python)
{
    if (m_error)
        return;
    py::gil_scoped_acquire gil;
    try {
        python();
    } catch (py::error_already_set& error) {
        error.restore();
        interrupt();
    }
}

void InterruptibleLoop::interrupt()
{
    m_error.emplace(); // takes the error Python has set
    if (m_stop)
        m_stop();
}

const OperationOutcome& runOperation(DeviceOperation& operation, const py::object& progress)
{
    ensureQtApplication();
    InterruptibleLoop loop([&operation] { operation.cancel(); });
    QObject::connect(&operation, &DeviceOperation::finished, [&loop] { loop.quit(); });
    if (!progress.is_none()) {
        QObject::connect(&operation, &DeviceOperation::progress,
                         [&loop, &progress](const QString& label, int maximum, int value) {
                             loop.call([&] { progress(toPy(label), maximum, value); });
                         });
    }
    operation.start();
    loop.exec();
    return operation.outcome();
}

void checkPythonSignals()
{
    if (PyErr_CheckSignals() != 0)
        throw py::error_already_set();
}
