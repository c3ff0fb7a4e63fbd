#pragma once

#include <pybind11/pybind11.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace py = pybind11;

// Texts cross as UTF-8.
inline py::str toPy(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return py::str(utf8.constData(), size_t(utf8.size()));
}

inline QString toQString(const std::string& text)
{
    return QString::fromUtf8(text.data(), int(text.size()));
}

inline py::bytes toPyBytes(const QByteArray& bytes)
{
    return py::bytes(bytes.constData(), size_t(bytes.size()));
}

inline py::list toPyList(const QStringList& texts)
{
    py::list list;
    for (const QString& text : texts)
        list.append(toPy(text));
    return list;
}

// A file name given as str or os.PathLike.
inline QString pathArgument(const py::object& path)
{
    return toQString(py::str(py::module_::import("os").attr("fspath")(path)).cast<std::string>());
}

// A class of the package's Python side, by module and name ("results", "RegisterWrite").
inline py::object packageAttribute(const char* module, const char* name)
{
    return py::module_::import((std::string("vextor.") + module).c_str()).attr(name);
}

inline py::object resultType(const char* name)
{
    return packageAttribute("results", name);
}
