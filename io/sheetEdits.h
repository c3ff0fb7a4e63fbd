#pragma once

#include "model/sheetModel.h"

#include <QLine>
#include <QPoint>
#include <QString>

class BlockItem;
class Document;

// The edits a user makes on one sheet, as operations on the document: making a block from a
// palette or label-panel entry, drawing and deleting wires, deleting blocks and switching a label
// between its two sides. Each one takes and gives back the palette's units and keeps the label
// panel's state, so that the rules hold however the edit was asked for. The sheet canvas calls
// them with the points of the user's gestures; none of them marks the document modified.
class SheetEdits
{
public:
    enum WireResult {
        NoWire,            // no source, no target or a connection the rules refuse: nothing changed
        Wired,             // the wire was drawn
        FeedBackIntoNonFnc // refused: a pass-through cannot take a FeedBack signal
    };

    // The x ranges of the drop that draws a wire into each column.
    static constexpr int PRE_LOGIC_DROP = 142, FUNCTION_DROP = 284, POST_LOGIC_DROP = 422, OUTPUT_DROP = 564;
    // A palette "Label" dropped right of this x defines a label of a function result.
    static constexpr int LABEL_SIDE = 424;

    SheetEdits(Document* document, int tid);

    // Whether a drag payload names a palette or label-panel entry (which makes a block).
    static bool makesBlock(const QString& payload);
    // Makes the block a palette or label-panel entry stands for, in the first free slot of its
    // column, taking its palette unit; null (nothing changed) when there is no room, no unit or no
    // free resource. dropX decides the side of a new label.
    BlockItem* create(const QString& payload, int dropX);

    // Draws a wire from the block that source names (a drag from its output) to the block at the
    // drop point, by the column the point lies in.
    WireResult connect(const QString& source, const QPoint& drop);
    // Deletes the wire drawn as line into receiver; false when there is none.
    bool deleteWire(BlockItem* receiver, const QLine& line);

    // Deletes a block: its wires' routing units and its palette unit come back; a label or
    // FeedBack block takes every output of it on every sheet along, an output leaves its label
    // free to place again on this sheet.
    void deleteItem(BlockItem* block);
    // Deletes every block of the sheet the same way.
    void deleteAll();

    // A label input without a source, whose label is placed on no other sheet, may change sides:
    // left from the PostLogic column to the function column, right the other way. It keeps its
    // name and user name. The new block, or null when the move is not allowed or there is no room.
    static bool canChangeLabel(const Document* document, const BlockItem* label, bool bLeft);
    BlockItem* changeLabel(BlockItem* label, bool bLeft);

private:
    SheetModel* sheet() const;
    BlockItem* named(SheetModel::Column column, const QString& name) const;
    void giveBack(const QString& unit);
    WireResult connectFunction(BlockItem* source, BlockItem* target);
    BlockItem* targetIn(SheetModel::Column column, const QPoint& drop) const;

    Document* m_pDocument;
    int m_tid;
};
