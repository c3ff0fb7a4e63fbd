#pragma once

#include <QMap>
#include <QString>
#include <QXmlDefaultHandler>

class DocumentReceiver;

// Reads a document with the standard SAX reader and reports the connection settings, every sheet
// and every block entry to a receiver, which re-creates them.
class SaxHandler : public QXmlDefaultHandler
{
public:
    // Elements nest four deep in a document; anything far deeper is not one and is refused
    // before it can cost memory.
    static constexpr int MAX_DEPTH = 64;

    explicit SaxHandler(DocumentReceiver* receiver);

    // Check mode (clipboard paste): entries are reported with bCheck set.
    void checkMode(bool bCheck) { m_bCheck = bCheck; }
    // True until a Vextor3 start tag is seen.
    bool isEmpty() const { return m_isEmpty; }
    // The message of the fatal error, empty when there was none.
    QString errorText() const { return m_errorText; }

    // Parses a whole document; false on malformed XML or a refused entry.
    bool parse(const QByteArray& data);

    bool startElement(const QString& namespaceURI, const QString& localName, const QString& qName,
                      const QXmlAttributes& atts) override;
    bool endElement(const QString& namespaceURI, const QString& localName, const QString& qName) override;
    bool characters(const QString& str) override;
    bool fatalError(const QXmlParseException& exception) override;
    // Documents declare no entities; refusing them keeps entity expansion from exploding.
    bool internalEntityDecl(const QString& name, const QString& value) override;
    bool externalEntityDecl(const QString& name, const QString& publicId, const QString& systemId) override;
    QString errorString() const override;

private:
    // The root element's time-out: in range, 0 read as 1.
    int timeoutValue(const QString& text);

    DocumentReceiver* m_pMainWindow;
    QMap<QString, QString> m_info;
    QString currentItem;
    QString currentKey;
    int m_tid = -1;
    bool m_bCheck = false;
    bool m_isEmpty = true;
    int m_depth = 0;
    QString m_refusal;
    QString m_errorText;
};
