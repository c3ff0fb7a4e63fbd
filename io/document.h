#pragma once

#include "io/documentReceiver.h"
#include "model/blockDiagram.h"
#include "model/infoOstrum.h"
#include "model/labelModel.h"
#include "model/resourceCounters.h"
#include "model/sheetModel.h"

#include <QObject>
#include <QPair>
#include <QPoint>
#include <QSet>
#include <QStringList>
#include <QVector>

#include <memory>

class QTextStream;

// Decides where a pasted block goes: the slot on the target sheet (-1 when the column is full)
// and, where needed, a new unique name. The sheet canvas implements it for the clipboard.
class PasteHook
{
public:
    virtual ~PasteHook() = default;
    virtual int pasteItem(const QString& item, QString& name) = 0;
};

// One open document without any widget: its block diagram, its sheets (grid state and names),
// the palette's resource counters, the label panel's state and the connection settings. Reading
// and writing the XML format, compiling and checking work on it; the editor's widgets are views
// over it and the command-line tool uses it directly.
class Document : public QObject, public DocumentReceiver
{
    Q_OBJECT

public:
    // Larger input is refused before parsing: a document is a few kilobytes, and the reader's
    // memory grows with the input.
    static constexpr int MAX_DOCUMENT_SIZE = 16 * 1024 * 1024;
    // Sheet ids a document may use; a tab id beyond it is ignored with its entries.
    static constexpr int MAX_SHEETS = 256;

    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    BlockDiagram* diagram() { return m_diagram.get(); }
    ResourceCounters* counters() { return &m_counters; }
    LabelModel* labels() { return &m_labels; }
    const LabelModel* labels() const { return &m_labels; }

    int sheetCount() const { return m_sheets.size(); }
    SheetModel* sheet(int id) { return m_sheets.value(id).get(); }
    QString sheetName(int id) const { return m_sheetNames.value(id); }
    void setSheetName(int id, const QString& name);
    // Appends a sheet named with the first free "Sheet%1" number; returns its id.
    int newSheet();
    // Removes a sheet and its blocks (settling counters and labels); later sheets keep their ids
    // until the document is re-read.
    void removeSheet(int id);

    InfoOstrum& info() { return m_infoOstrum; }
    const InfoOstrum& info() const { return m_infoOstrum; }

    // Empties the document: no blocks, one sheet "Sheet1", full counters, no labels; the
    // connection settings are left to the caller.
    void clear();

    // How reading a document file ended.
    enum class FileRead { Read, Missing, Unreadable, TooLarge };
    // Reads a document file into data: its size is checked before reading and at most
    // MAX_DOCUMENT_SIZE + 1 bytes are read, so neither a huge file nor an endless device costs more
    // memory than a document may take. Unless Read, data is empty and *error says why
    // ("<file>: <why>").
    static FileRead readFile(const QString& fileName, QByteArray& data, QString* error);
    // Why a document of size bytes is refused; size < 0: more than the limit, length unknown.
    static QString tooLargeText(qint64 size);

    // Reads a whole document (clears first). False when the XML is malformed, an entry is refused
    // or there is no root element; errorText() then holds the reader's message.
    bool parseFile(const QByteArray& data);
    // The same in check mode (nothing is created).
    bool parseCheck(const QByteArray& data);
    // Writes the whole document.
    void dump(QTextStream& ts) const;
    QByteArray toXml() const;
    // Writes the whole document to a file, replacing it only once the new text is complete.
    // False when that fails; errorString then says why.
    bool saveFile(const QString& fileName, QString* errorString) const;

    bool readOK() const { return m_bReadOK; }
    bool isEmptyDocument() const { return m_isEmpty; }
    QString errorText() const { return m_errorText; }
    // Messages the reader produced (title, text), in order, since the last parse.
    const QVector<QPair<QString, QString>>& messages() const { return m_messages; }

    // DocumentReceiver
    void setConnectionSettings(const InfoOstrum& info) override;
    void addTab(int id, const QString& name) override;
    bool addItem(const QString& item, int tid, const QMap<QString, QString>& info, bool bCheck) override;
    void warning(const QString& title, const QString& text) override;

    // Creates the block for an entry's term (the rules of the reader), or null.
    BlockItem* addItem(const QString& item, int id, int tid, const QString& name, QPoint pos);
    // Creates an input block named name in the first free input slot of sheet tid.
    BlockItem* addNIM_IN(int tid, const QString& name);
    // Places an existing block on sheet tid (column and position by its type) and tells the
    // label state; false when the sheet has no room for it.
    bool placeItem(int tid, const QString& type, BlockItem* block);
    // Places a block made on a sheet in a free slot of a column, at y0 + slot * pitch, tells the
    // label state and announces it.
    void insertItem(int tid, SheetModel::Column column, int slot, int y0, BlockItem* block);
    // Takes a block off its sheet and frees it; announced by blockRemoved before. Units and
    // labels are the caller's to settle.
    void removeBlock(BlockItem* block);

    // Names shared by every sheet. Each block whose picture changes is announced by blockChanged.
    // Every input called name, or every output of the label or FeedBack signal called name with
    // its defining block and its label panel entry, shows userName.
    void renameInput(const QString& name, const QString& userName);
    void renameLabel(const QString& name, const QString& userName);
    // An input block switches to the input channel newName. When another input already carries
    // that channel they agree on one user name: the channel's inputs take the block's when it
    // differs from newName, else the block takes theirs.
    void editInput(BlockItem* input, const QString& newName);
    // Deletes every output of the label or FeedBack signal called name, on every sheet, giving
    // back the routing units their wires held, and drops the label panel entry. Each block is
    // announced by blockRemoved before it is freed.
    void deleteLabel(const QString& name);

    // Clipboard paste: parseCheck asks the hook for each entry's name and records renamed blocks
    // (and FeedBack blocks) in pasteMap(); parseFile then creates the entries on sheet tid in the
    // slots the hook gives, reconnecting their nets through pasteMap(), without clearing.
    void beginPaste(PasteHook* hook, int tid);
    void endPaste();
    bool isPasting() const { return m_bPaste; }
    QMap<QString, QString>& pasteMap() { return m_pasteMap; }

signals:
    void sheetAdded(int id);
    void sheetRenamed(int id, const QString& name);
    void sheetRemoved(int id);
    void blockPlaced(int tid, BlockItem* block);
    // A block's user name or picture changed; its view redraws it.
    void blockChanged(BlockItem* block);
    // A block is about to be freed; its view lets go of it.
    void blockRemoved(int tid, BlockItem* block);
    void cleared();
    void messageRaised(const QString& title, const QString& text);

private:
    bool parse(const QByteArray& data, bool bCheck);
    void write(QTextStream& ts, int skipSheet, const QSet<const BlockItem*>& skip) const;
    BlockItem* createBlock(const QString& item, int id, int tid, const QString& name);
    void discard(BlockItem* block, const QString& item);
    void notePlaced(int tid, BlockItem* block);
    void setUserName(BlockItem* block, const QString& userName);
    void deleteLabelOutput(BlockItem* block);
    BlockItem* channelBlock(const ChannelNames::Family& family, int id, int tid, const QString& name);
    void connectPorts(const QString& term, BlockItem* block, int tid, const QMap<QString, QString>& info);
    void connectPort(const QString& term, BlockItem* block, int tid, int port, const QString& source);
    bool countRouting(const QString& term, const BlockItem* source);

    ResourceCounters m_counters;
    LabelModel m_labels;
    std::unique_ptr<BlockDiagram> m_diagram;
    QVector<std::shared_ptr<SheetModel>> m_sheets;
    QStringList m_sheetNames;
    InfoOstrum m_infoOstrum;
    bool m_bReadOK = true;
    bool m_isEmpty = true;
    QString m_errorText;
    QVector<QPair<QString, QString>> m_messages;
    bool m_bStopped = false;
    bool m_bPaste = false;
    PasteHook* m_pPasteHook = nullptr;
    int m_pasteTid = 0;
    QMap<QString, QString> m_pasteMap;
};
