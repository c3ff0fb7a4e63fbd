#pragma once

#include "io/document.h"

#include <QFile>
#include <QString>
#include <QStringList>

// The pieces of a document as the reader takes them: the root element (with the built-in
// connection settings unless other attributes are given) around the sheets, a sheet around its
// entries, an entry with a net or other elements inside.
inline QByteArray wrap(const QByteArray& tabs,
                       const QByteArray& root = "addr=\"192.168.10.16\" tcpPort=\"24\" udpPort=\"4660\" "
                                                "Timeout=\"1\" autoConnect=\"true\"")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Vextor3 " + root + ">\n" + tabs + "</Vextor3>\n";
}

inline QByteArray tab(int id, const QByteArray& body, const QByteArray& name = "Sheet1")
{
    return "<tab id=\"" + QByteArray::number(id) + "\" name=\"" + name + "\">\n" + body + "</tab>\n";
}

inline QByteArray entry(const QByteArray& term, int id, const QByteArray& name,
                        const QByteArray& extra = QByteArray())
{
    return "<entry term=\"" + term + "\"><id>" + QByteArray::number(id) + "</id><name>" + name + "</name>" +
           extra + "</entry>\n";
}

inline QByteArray net(int port, const QByteArray& source)
{
    return "<net port=\"" + QByteArray::number(port) + "\">" + source + "</net>";
}

// One sheet with these entries.
inline QByteArray documentXml(const QByteArray& entries)
{
    return wrap(tab(0, entries));
}

// One sheet with an entry of the term per name, ids from 0; "%1" in the term is the id.
inline QByteArray oneSheetDocument(const QString& term, const QStringList& names)
{
    QByteArray entries;
    for (int i = 0; i < names.size(); ++i)
        entries += entry(QString(term).replace(QLatin1String("%1"), QString::number(i)).toUtf8(), i,
                         names.at(i).toUtf8());
    return documentXml(entries);
}

// An output without a source: one design rule error.
inline QByteArray lonelyOutputXml()
{
    return documentXml(entry("OUT-CH0", 0, "OUT-CH0"));
}

// A PreLogic with an unused input and no output: design rule warnings only.
inline QByteArray unusedInputXml()
{
    return documentXml(entry("Input", 0, "IN-CH0") +
                       entry("PreLogic", 0, "PreLgc0", net(0, "IN-CH0") + "<property>true</property>"));
}

// A PreLogic whose expression ends where an operand is expected, feeding a counter: the design
// rule check passes it, the image cannot be computed.
inline QByteArray badExpressionXml()
{
    return documentXml(entry("Input", 0, "IN-CH0") +
                       entry("PreLogic", 0, "PreLgc0", net(0, "IN-CH0") + "<property>_A or</property>") +
                       entry("CntFnc", 0, "CntFnc0", net(0, "PreLgc0")));
}

inline QString examplePath(const char* name)
{
    return QStringLiteral(VEXTOR_SOURCE_DIR "/examples/") + QLatin1String(name);
}

// A file's bytes; empty when it cannot be read.
inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

// The first block of that name on a sheet, in column order (a FeedBack signal's output before its
// block).
inline BlockItem* findBlock(Document& doc, const QString& name, int tid = 0)
{
    for (int c = 0; c < SheetModel::ColumnCount; ++c) {
        for (BlockItem* b : doc.sheet(tid)->column(SheetModel::Column(c))) {
            if (b->getName() == name)
                return b;
        }
    }
    return nullptr;
}
