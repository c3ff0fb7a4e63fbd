#pragma once

#include "model/infoOstrum.h"
#include "operations/presetPrompts.h"

#include <pybind11/pybind11.h>

namespace py = pybind11;

// The decisions of a flow as a Python call states them (PresetPrompts), keeping what a caller
// has to be told: the design-rule warnings passed over, and why a ROM save was refused.
class PythonPrompts : public PresetPrompts
{
public:
    QString warnings; // the design rule check's report, when it had warnings
    QString refusal;

protected:
    void warningsPassed(const QString& report) override { warnings = report; }
    void saveRefused() override
    {
        refusal = notDownloadedText() + QStringLiteral("\n(force=True saves it nevertheless)");
    }
};

// A module as Python addresses it: where it is and how long a register access may wait.
struct PyModule
{
    InfoOstrum target;

    PyModule(const std::string& host, int udpPort, int tcpPort, double timeout);
};

void bindModule(py::module_& m);
// The counter monitor's part of vextor.Module.
void bindMonitor(py::module_& m, py::class_<PyModule>& module);

// The Python record of a design rule check report.
py::object drcReport(const QString& report);
