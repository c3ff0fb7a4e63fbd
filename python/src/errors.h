#pragma once

#include "operations/outcome.h"

#include <pybind11/pybind11.h>

namespace py = pybind11;

// The verdicts of tools that are not operations' (as vextor-cli names them).
inline const QString FILE_FAILURE = QStringLiteral("file_failure");
inline const QString NO_SUCH_BLOCK = QStringLiteral("no_such_block");

// Raises the vextor error of a verdict (by its name): its class from vextor.errors, carrying the
// message, the verdict and the details as attributes.
[[noreturn]] void raiseVerdict(const QString& verdict, const QString& message,
                               const py::dict& details = py::dict());
// The same for an operation that did not end Done, its notice said first.
[[noreturn]] void raiseOutcome(const OperationOutcome& outcome, const py::dict& details = py::dict());

// Says what was noticed or put right on the way as a vextor.Notice warning; nothing when empty.
void warnNotice(const QString& text);
