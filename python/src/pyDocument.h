#pragma once

#include "io/document.h"

#include <pybind11/pybind11.h>

#include <memory>
#include <mutex>

namespace py = pybind11;

// A document as Python holds it: the headless Document, the file it was read from or saved to,
// and its name. Whatever reads or changes the document (compiling its image redoes the block
// mapping) holds its lock, so that two Python threads cannot do so at once.
class PyDocument
{
public:
    PyDocument(std::unique_ptr<Document> document, const QString& path, const QString& name);

    Document& document() { return *m_document; }
    const QString& path() const { return m_path; }
    void setPath(const QString& path);
    const QString& name() const { return m_name; }

    // Taken with the GIL released, so that a thread that holds the lock and waits for the GIL
    // (a progress callback) cannot deadlock against the one that waits here.
    std::unique_lock<std::mutex> lock();

private:
    std::unique_ptr<Document> m_document;
    QString m_path;
    QString m_name;
    std::mutex m_mutex;
};

// A document from its XML text; raises FileError when the text is no document.
std::shared_ptr<PyDocument> documentFromXml(const QByteArray& xml, const QString& name);

void bindDocument(py::module_& m);
