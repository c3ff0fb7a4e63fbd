#include "errors.h"

#include "conversions.h"

namespace {
// Cancelled and a few other verdicts may come without a text of their own.
QString messageFor(const QString& verdict, const QString& message)
{
    if (!message.isEmpty())
        return message;
    if (verdict == verdictName(Verdict::Cancelled))
        return QStringLiteral("The operation was cancelled.");
    return verdict;
}
} // namespace

void raiseVerdict(const QString& verdict, const QString& message, const py::dict& details)
{
    const py::object type = packageAttribute("errors", "error_class")(toPy(verdict));
    const py::object error = type(toPy(messageFor(verdict, message)), toPy(verdict), **details);
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

void raiseOutcome(const OperationOutcome& outcome, const py::dict& details)
{
    warnNotice(outcome.notice);
    if (!outcome.detail.isEmpty() && !details.contains("detail"))
        details["detail"] = toPy(outcome.detail);
    raiseVerdict(verdictName(outcome.verdict), outcome.message, details);
}

void warnNotice(const QString& text)
{
    if (text.isEmpty())
        return;
    py::module_::import("warnings").attr("warn")(toPy(text), packageAttribute("errors", "Notice"), 2);
}
