#pragma once

#include "io/documentReceiver.h"
#include "model/channelNames.h"

#include <QMap>
#include <QPair>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <QVector>

class BlockItem;
class Document;

// Decides where a pasted block goes: the slot on the target sheet (-1 when the column is full)
// and, where needed, a new unique name. The clipboard's paste rules implement it.
class PasteHook
{
public:
    virtual ~PasteHook() = default;
    virtual int pasteItem(const QString& item, QString& name) = 0;
};

// What reading a text into a document found.
struct ReadReport
{
    bool readOK = true;                        // false when something was dropped or brought into range
    bool isEmpty = true;                       // no root element was seen
    QString errorText;                         // the parser's message when the text was refused
    QVector<QPair<QString, QString>> messages; // (title, text) told to the user, in order
};

// Reads the XML format into a document: the connection settings, the sheets and, by the rules of
// each entry's term, the blocks with their names, settings and wires. It takes the palette's units
// that blocks and wires use, so a damaged file cannot hold more than the module has (what does
// not fit is dropped and reported). A load replaces the whole document; a reload re-reads the
// sheets a text holds into a document whose blocks on those sheets are gone; a paste adds blocks
// to one sheet in the slots and under the names a PasteHook gives, with a check pass before it
// that learns which blocks get new names so that wires among the pasted blocks join the copies.
class DocumentReader : public DocumentReceiver
{
public:
    // Sheet ids a document may use; a tab id beyond it is ignored with its entries.
    static constexpr int MAX_SHEETS = 256;

    explicit DocumentReader(Document* document);

    // Reads a whole document (clears it first). False when the XML is malformed, an entry is
    // refused or there is no root element; the document is then empty.
    bool load(const QByteArray& data);
    // Reads the sheets of a document text into the document, which holds those sheets empty;
    // the other sheets stay as they are. With bSettings the connection settings are read too.
    bool reload(const QByteArray& data, bool bSettings);
    // Paste: check() learns the names the blocks of text will get, paste() then makes them on
    // sheet tid without clearing.
    void setPaste(PasteHook* hook, int tid);
    bool check(const QByteArray& data);
    bool paste(const QByteArray& data);

    const ReadReport& report() const { return m_report; }

    // DocumentReceiver
    void setConnectionSettings(const InfoOstrum& info) override;
    void addTab(int id, const QString& name) override;
    bool addItem(const QString& item, int tid, const QMap<QString, QString>& info, bool bCheck) override;
    void warning(const QString& title, const QString& text) override;

private:
    enum class Mode { Load, Reload, Check, Paste };
    bool parse(const QByteArray& data, Mode mode);
    bool checkEntry(const QString& item, const QString& name);
    // Creates the block for an entry's term, taking its palette unit, or null.
    BlockItem* makeBlock(const QString& item, int id, int tid, const QString& name);
    BlockItem* createBlock(const QString& item, int id, int tid, const QString& name);
    BlockItem* channelBlock(const ChannelNames::Family& family, int id, int tid, const QString& name);
    void discard(BlockItem* block, const QString& item);
    void connectPorts(const QString& term, BlockItem* block, int tid, const QMap<QString, QString>& info);
    void connectPort(const QString& term, BlockItem* block, int tid, int port, const QString& source);
    bool countRouting(const QString& term, const BlockItem* source);

    Document* m_pDocument;
    Mode m_mode = Mode::Load;
    ReadReport m_report;
    bool m_bStopped = false;
    bool m_bSettings = true;
    PasteHook* m_pPasteHook = nullptr;
    int m_pasteTid = 0;
    QMap<QString, QString> m_pasteMap;
    QStringList m_checkedNames; // by entry, in the order of the text
    int m_entry = 0;
};
