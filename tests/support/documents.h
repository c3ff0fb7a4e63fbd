#pragma once

#include <QFile>
#include <QString>

// Small documents for the flows: a root with the default settings around the given entries.
inline QByteArray documentXml(const QByteArray& entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Vextor3 addr=\"192.168.10.16\" tcpPort=\"24\" "
           "udpPort=\"4660\" Timeout=\"1\" autoConnect=\"true\">\n<tab id=\"0\" name=\"Sheet1\">\n" +
           entries + "</tab>\n</Vextor3>\n";
}

inline QByteArray entry(const QByteArray& term, const QByteArray& name,
                        const QByteArray& extra = QByteArray())
{
    return "<entry term=\"" + term + "\"><id>0</id><name>" + name + "</name>" + extra + "</entry>\n";
}

// An output without a source: one design rule error.
inline QByteArray lonelyOutputXml()
{
    return documentXml(entry("OUT-CH0", "OUT-CH0"));
}

// A PreLogic with an unused input and no output: design rule warnings only.
inline QByteArray unusedInputXml()
{
    return documentXml(entry("Input", "IN-CH0") +
                       entry("PreLogic", "PreLgc0", "<net port=\"0\">IN-CH0</net><property>true</property>"));
}

// A PreLogic whose expression ends where an operand is expected, feeding a counter: the design
// rule check passes it, the image cannot be computed.
inline QByteArray badExpressionXml()
{
    return documentXml(
        entry("Input", "IN-CH0") +
        entry("PreLogic", "PreLgc0", "<net port=\"0\">IN-CH0</net><property>_A or</property>") +
        entry("CntFnc", "CntFnc0", "<net port=\"0\">PreLgc0</net>"));
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
