#include "io/saxhandler.h"

#include "io/documentReceiver.h"

#include <QXmlInputSource>
#include <QXmlSimpleReader>

SaxHandler::SaxHandler(DocumentReceiver* receiver)
    : m_pMainWindow(receiver)
{}

bool SaxHandler::parse(const QByteArray& data)
{
    QXmlInputSource source;
    source.setData(data);
    QXmlSimpleReader reader;
    reader.setContentHandler(this);
    reader.setErrorHandler(this);
    reader.setDeclHandler(this);
    return reader.parse(source);
}

namespace {
// A port of the root element: the low 16 bits of the decimal value, 0 when it is not a number.
quint16 portValue(const QString& text)
{
    return quint16(text.toInt() & 0xFFFF);
}
} // namespace

int SaxHandler::timeoutValue(const QString& text)
{
    // Not a number reads as 0, and 0 as 1; a number out of range is brought into it, and said.
    const qint64 seconds = text.toLongLong();
    int timeout = InfoOstrum::clampTimeout(seconds);
    if (timeout == 0)
        timeout = 1;
    QString message;
    if (!InfoOstrum::isTimeoutInRange(seconds, &message))
        m_pMainWindow->warning(QStringLiteral("Vextor"),
                               message + QStringLiteral(" %1 is used.").arg(timeout));
    return timeout;
}

bool SaxHandler::startElement(const QString&, const QString&, const QString& qName,
                              const QXmlAttributes& atts)
{
    if (++m_depth > MAX_DEPTH) {
        m_refusal = QStringLiteral("elements nested more than %1 deep").arg(MAX_DEPTH);
        return false;
    }
    if (qName == QLatin1String("entry")) {
        currentItem = atts.value(QStringLiteral("term"));
        m_info.clear();
    } else if (qName == QLatin1String("Vextor3")) {
        InfoOstrum info;
        info.strAddr = atts.value(QStringLiteral("addr"));
        info.tcpPort = portValue(atts.value(QStringLiteral("tcpPort")));
        info.udpPort = portValue(atts.value(QStringLiteral("udpPort")));
        info.timeout = timeoutValue(atts.value(QStringLiteral("Timeout")));
        info.bStart = atts.value(QStringLiteral("autoConnect")) == QLatin1String("true");
        m_pMainWindow->setConnectionSettings(info);
        m_isEmpty = false;
    } else if (qName == QLatin1String("tab")) {
        m_tid = atts.value(QStringLiteral("id")).toInt();
        m_pMainWindow->addTab(m_tid, atts.value(QStringLiteral("name")));
    } else if (qName == QLatin1String("wire")) {
        currentKey = atts.value(QStringLiteral("bit"));
    } else if (qName == QLatin1String("net")) {
        currentKey = atts.value(QStringLiteral("port"));
    } else {
        currentKey = qName;
    }
    return true;
}

bool SaxHandler::endElement(const QString&, const QString&, const QString& qName)
{
    --m_depth;
    if (qName != QLatin1String("entry"))
        return true;
    const bool ok = m_pMainWindow->addItem(currentItem, m_tid, m_info, m_bCheck);
    currentItem.clear();
    return ok;
}

bool SaxHandler::characters(const QString& str)
{
    // The line feed that starts the indentation between elements (and empty text) is no value.
    if (str.isEmpty() || !str.at(0).isPrint())
        return true;
    m_info.insert(currentKey, str);
    return true;
}

bool SaxHandler::fatalError(const QXmlParseException& exception)
{
    m_errorText = QStringLiteral("Parse error at line %1, column %2:\n%3.")
                      .arg(exception.lineNumber())
                      .arg(exception.columnNumber())
                      .arg(exception.message());
    m_pMainWindow->warning(QStringLiteral("SAX Handler"), m_errorText);
    return false;
}

bool SaxHandler::internalEntityDecl(const QString& name, const QString&)
{
    m_refusal = QStringLiteral("entity declarations are not accepted (%1)").arg(name);
    return false;
}

bool SaxHandler::externalEntityDecl(const QString& name, const QString&, const QString&)
{
    return internalEntityDecl(name, QString());
}

QString SaxHandler::errorString() const
{
    return m_refusal.isEmpty() ? QXmlDefaultHandler::errorString() : m_refusal;
}
