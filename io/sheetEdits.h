#pragma once

#include "model/sheetModel.h"

#include <QString>

class BlockItem;
class Document;

// The edits a user makes on one sheet, as operations on the document: making a block from a
// palette or label-panel entry, drawing and deleting wires, deleting blocks and switching a label
// between its two sides. Each one takes and gives back the palette's units and keeps the label
// panel's state, so that the rules hold however the edit was asked for. They speak of the sheet's
// grid (columns and slots); the sheet canvas finds out where the user's gestures point. None of
// them marks the document modified.
class SheetEdits
{
public:
    enum WireResult {
        NoWire,            // no source, no target or a connection the rules refuse: nothing changed
        Wired,             // the wire was drawn
        FeedBackIntoNonFnc // refused: a pass-through cannot take a FeedBack signal
    };

    SheetEdits(Document* document, int tid);

    // Whether a drag payload names a palette or label-panel entry (which makes a block).
    static bool makesBlock(const QString& payload);
    // Makes the block a palette or label-panel entry stands for, in the first free slot of its
    // column, taking its palette unit; null (nothing changed) when there is no room, no unit or no
    // free resource. A new label defines a label of a function result when it was dropped on the
    // PostLogic column or right of it, else of a PreLogic result.
    BlockItem* create(const QString& payload, SheetModel::Column dropColumn);

    // Draws a wire from the block that source names (a drag from its output) into the block in
    // slot of column, from the column before it. port is the measure counter's input (0 GATE,
    // 1 SRC); logic blocks take their lowest free input, the others their only one.
    WireResult connect(const QString& source, SheetModel::Column column, int slot, int port = 0);
    // Deletes the wire into input port of receiver; false when there is none.
    bool deleteWire(BlockItem* receiver, int port);

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
    // The block of that name in column that can drive a wire.
    BlockItem* driver(SheetModel::Column column, const QString& name) const;
    void giveBack(const QString& unit);
    WireResult connectFunction(BlockItem* source, BlockItem* target);

    Document* m_pDocument;
    int m_tid;
};
