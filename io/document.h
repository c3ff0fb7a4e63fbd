#pragma once

#include "io/documentReader.h"
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

// One open document without any widget: its block diagram, its sheets (grid state and names),
// the palette's resource counters, the label panel's state and the connection settings, with the
// edits that keep them consistent. DocumentReader reads the XML format into it, DocumentFile
// writes it; compiling and checking work on it; the editor's widgets are views over it and the
// command-line tool uses it directly.
class Document : public QObject
{
    Q_OBJECT

public:
    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    BlockDiagram* diagram() { return m_diagram.get(); }
    ResourceCounters* counters() { return &m_counters; }
    LabelModel* labels() { return &m_labels; }
    const LabelModel* labels() const { return &m_labels; }

    int sheetCount() const { return m_sheets.size(); }
    SheetModel* sheet(int id) { return m_sheets.value(id).get(); }
    const SheetModel* sheet(int id) const { return m_sheets.value(id).get(); }
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

    // Reads a whole document (DocumentReader::load); lastRead() tells what it found.
    bool parseFile(const QByteArray& data);
    // Reads some sheets again from their writer's texts (sheet id to text, head the text's start
    // up to the first sheet), taking the connection settings of head with bSettings; the other
    // sheets keep their blocks. Sheets, blocks, wires, palette counts, the label panel's state
    // and the order of the blocks are then what reading the whole text would give.
    bool reloadSheets(const QByteArray& head, const QMap<int, QByteArray>& sheets, bool bSettings);
    // The writer's text of the whole document (DocumentFile::text).
    QByteArray toXml() const;

    // What the last read of a text into this document found.
    const ReadReport& lastRead() const { return m_lastRead; }
    bool readOK() const { return m_lastRead.readOK; }
    bool isEmptyDocument() const { return m_lastRead.isEmpty; }
    QString errorText() const { return m_lastRead.errorText; }
    const QVector<QPair<QString, QString>>& messages() const { return m_lastRead.messages; }
    // Tells the user a message (the reader's warnings): messageRaised.
    void tell(const QString& title, const QString& text) { emit messageRaised(title, text); }

    // Creates an input block named name in the first free input slot of sheet tid.
    BlockItem* addNIM_IN(int tid, const QString& name);
    // Places an existing block on sheet tid (column and position by its type) and tells the
    // label state; false when the sheet has no room for it.
    bool placeItem(int tid, const QString& type, BlockItem* block);
    // Tells the label state that a block now stands on sheet tid and announces it (blockPlaced).
    void notePlaced(int tid, BlockItem* block);
    // Places a block made on a sheet in a free slot of a column, at y0 + slot * pitch, tells the
    // label state and announces it.
    void insertItem(int tid, SheetModel::Column column, int slot, int y0, BlockItem* block);
    // Takes a block off its sheet and frees it; announced by blockRemoved before. Units and
    // labels are the caller's to settle.
    void removeBlock(BlockItem* block);

    // Gives one block a user name; announced by blockChanged.
    void setUserName(BlockItem* block, const QString& userName);
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
    void emptySheet(int tid);
    void recount();
    void relistLabels();
    void noteLabelUse(int tid, BlockItem* block);
    void deleteLabelOutput(BlockItem* block);

    ResourceCounters m_counters;
    LabelModel m_labels;
    std::unique_ptr<BlockDiagram> m_diagram;
    QVector<std::shared_ptr<SheetModel>> m_sheets;
    QStringList m_sheetNames;
    InfoOstrum m_infoOstrum;
    ReadReport m_lastRead;

    friend class DocumentReader;
};
