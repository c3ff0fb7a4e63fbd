#pragma once

#include <pybind11/pybind11.h>

#include <QEventLoop>
#include <QTimer>

#include <functional>
#include <optional>

namespace py = pybind11;

class DeviceOperation;
struct OperationOutcome;

// The Qt side of the module: the application object Qt's event loops need, made on first use when
// the process has none (a host program with its own keeps it).
void ensureQtApplication();

// A local Qt event loop that runs with the GIL released, as the device operations need theirs, and
// stays answerable to Python: every POLL_MS it lets Python handle its signals, so that Ctrl+C
// (KeyboardInterrupt) calls the stop function; the loop then runs on until the work has ended
// cleanly (quit()), and exec() raises the interrupt. A Python callback run through call() that
// raises does the same.
class InterruptibleLoop
{
public:
    static constexpr int POLL_MS = 50;

    explicit InterruptibleLoop(std::function<void()> stop);
    ~InterruptibleLoop();

    // Runs until quit(); called with the GIL held. Raises what interrupted the work, if anything.
    void exec();
    void quit() { m_loop.quit(); }
    // Runs Python code from within the loop (the GIL taken for it).
    void call(const std::function<void()>& python);
    bool isInterrupted() const { return m_error.has_value(); }

private:
    void interrupt(); // with the GIL held and a Python error set

    QEventLoop m_loop;
    QTimer m_poll;
    std::function<void()> m_stop;
    std::optional<py::error_already_set> m_error;
};

// Runs a device operation to its end in an interruptible loop. With a progress callable, it is
// called as progress(label, maximum, value) while a long job runs.
const OperationOutcome& runOperation(DeviceOperation& operation, const py::object& progress = py::none());

// Lets Python handle pending signals between two slices of work done with the GIL held; raises
// KeyboardInterrupt after Ctrl+C.
void checkPythonSignals();
