#include "pyModule.h"

// The counter monitor comes with the operations layer's monitor session.
void bindMonitor(py::module_&, py::class_<PyModule>&) {}
