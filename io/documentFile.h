#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>

class BlockItem;
class Document;
class QTextStream;

// A document as text and as a file: the writer of the XML format, reading a file whole within the
// size limit, and the atomic save. The writer's text is what files, undo snapshots and the copy in
// the module's ROM hold.
class DocumentFile
{
public:
    // Larger input is refused before parsing: a document is a few kilobytes, and the reader's
    // memory grows with the input.
    static constexpr int MAX_DOCUMENT_SIZE = 16 * 1024 * 1024;

    // How reading a document file ended.
    enum class Read { Read, Missing, Unreadable, TooLarge };
    // Reads a document file into data: its size is checked before reading and at most
    // MAX_DOCUMENT_SIZE + 1 bytes are read, so neither a huge file nor an endless device costs more
    // memory than a document may take. Unless Read, data is empty and *error says why
    // ("<file>: <why>").
    static Read read(const QString& fileName, QByteArray& data, QString* error);
    // Why a document of size bytes is refused; size < 0: more than the limit, length unknown.
    static QString tooLargeText(qint64 size);

    // Writes the whole document, leaving out sheet skipSheet (-1: none) and the blocks in skip; the
    // sheets written are numbered from 0.
    static void write(const Document& document, QTextStream& ts, int skipSheet = -1,
                      const QSet<const BlockItem*>& skip = {});
    static QByteArray text(const Document& document);
    // The text in pieces that join to text(): the declaration with the root's start tag, each
    // sheet's element, the root's end tag.
    static QByteArray head(const Document& document);
    static QByteArray sheetText(const Document& document, int id);
    static QByteArray tail();

    // Writes the whole document to a file, replacing it only once the new text is complete.
    // False when that fails; errorString then says why.
    static bool save(const Document& document, const QString& fileName, QString* errorString);
};
