#include "io/documentFile.h"

#include "io/document.h"
#include "model/outputFile.h"
#include "model/xmlText.h"

#include <QCoreApplication>
#include <QFile>
#include <QTextStream>

namespace {
QString tr(const char* text)
{
    return QCoreApplication::translate("Document", text);
}

// Attribute values also lose tabs and line breaks to the parser's normalisation unless they are
// written as character references.
QString attributeText(const QString& text)
{
    QString out = xmlEscape(text);
    out.replace(QLatin1Char('\t'), QLatin1String("&#9;"));
    out.replace(QLatin1Char('\n'), QLatin1String("&#10;"));
    out.replace(QLatin1Char('\r'), QLatin1String("&#13;"));
    return out;
}

void writeHead(const Document& document, QTextStream& ts)
{
    const InfoOstrum& info = document.info();
    ts << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    ts << "<Vextor3 addr=\"" << attributeText(info.strAddr) << "\" tcpPort=\"" << info.tcpPort
       << "\" udpPort=\"" << info.udpPort << "\" Timeout=\"" << info.timeout << "\" autoConnect=\""
       << (info.bStart ? "true" : "false") << "\">\n";
}

void writeSheet(const Document& document, QTextStream& ts, int id, int writtenId,
                const QSet<const BlockItem*>& skip)
{
    ts << "    <tab id=\"" << writtenId << "\" name=\"" << attributeText(document.sheetName(id)) << "\">\n";
    document.sheet(id)->save(ts, 2, skip);
    ts << "    </tab>\n";
}

const char* const TAIL = "</Vextor3>\n";

template<typename Write> QByteArray written(Write write)
{
    QByteArray data;
    QTextStream ts(&data, QIODevice::WriteOnly);
    ts.setCodec("UTF-8");
    write(ts);
    ts.flush();
    return data;
}
} // namespace

QString DocumentFile::tooLargeText(qint64 size)
{
    const QString length =
        size < 0 ? QStringLiteral("more than %1").arg(MAX_DOCUMENT_SIZE) : QString::number(size);
    return tr("The file is %1 bytes long; a Vextor document is at most %2 bytes. It is not read.")
        .arg(length)
        .arg(MAX_DOCUMENT_SIZE);
}

DocumentFile::Read DocumentFile::read(const QString& fileName, QByteArray& data, QString* error)
{
    data.clear();
    QFile file(fileName);
    if (!file.exists()) {
        *error = tr("%1: No such file or directory.").arg(fileName);
        return Read::Missing;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("Cannot read file %1:\n%2.").arg(fileName, file.errorString());
        return Read::Unreadable;
    }
    // A device or a pipe tells no size: reading one byte past the limit tells.
    if (!file.isSequential() && file.size() > MAX_DOCUMENT_SIZE) {
        *error = fileName + QStringLiteral(": ") + tooLargeText(file.size());
        return Read::TooLarge;
    }
    data = file.read(qint64(MAX_DOCUMENT_SIZE) + 1);
    if (data.size() > MAX_DOCUMENT_SIZE) {
        data.clear();
        *error = fileName + QStringLiteral(": ") + tooLargeText(-1);
        return Read::TooLarge;
    }
    if (file.error() != QFileDevice::NoError) {
        data.clear();
        *error = tr("Cannot read file %1:\n%2.").arg(fileName, file.errorString());
        return Read::Unreadable;
    }
    return Read::Read;
}

void DocumentFile::write(const Document& document, QTextStream& ts, int skipSheet,
                         const QSet<const BlockItem*>& skip)
{
    ts.setCodec("UTF-8");
    writeHead(document, ts);
    int writtenId = 0;
    for (int id = 0; id < document.sheetCount(); ++id) {
        if (id != skipSheet)
            writeSheet(document, ts, id, writtenId++, skip);
    }
    ts << TAIL;
}

QByteArray DocumentFile::text(const Document& document)
{
    return written([&](QTextStream& ts) { write(document, ts); });
}

QByteArray DocumentFile::head(const Document& document)
{
    return written([&](QTextStream& ts) { writeHead(document, ts); });
}

QByteArray DocumentFile::sheetText(const Document& document, int id)
{
    return written([&](QTextStream& ts) { writeSheet(document, ts, id, id, {}); });
}

QByteArray DocumentFile::tail()
{
    return QByteArray(TAIL);
}

bool DocumentFile::save(const Document& document, const QString& fileName, QString* errorString)
{
    OutputFile file(fileName);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream ts(&file.device());
        write(document, ts);
        ts.flush();
        if (file.commit())
            return true;
    }
    *errorString = file.errorString();
    return false;
}
