#pragma once

#include "io/document.h"

#include <QStringList>

#include <memory>

// A document file read by a tool without windows (vextor-cli, the Python module): the document,
// or why it could not be read, and what the reader said about a file it did read (warnings,
// settings it ignored), in the texts the editor shows in its boxes.
struct LoadedDocument
{
    std::unique_ptr<Document> document; // null when the file could not be read
    QString error;                      // then why, one message per line
    QStringList notices;                // for a document that was read

    static LoadedDocument fromFile(const QString& fileName);
};
