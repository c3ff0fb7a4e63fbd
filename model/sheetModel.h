#pragma once

#include <QMap>
#include <QPoint>
#include <QSet>
#include <QString>

class BlockItem;
class QTextStream;

// One sheet's grid: five columns (inputs, PreLogic/FeedBack, functions, PostLogic,
// outputs/FeedBack/measure counters), each a map from slot number to the block in that slot.
// This is the state of a sheet canvas; the canvas widget draws it, the document reader fills it
// and the writer walks it.
class SheetModel
{
public:
    enum Column {
        InputColumn = 0,
        PreLogicColumn,
        FunctionColumn,
        PostLogicColumn,
        OutputColumn,
        ColumnCount
    };

    // Geometry of the grid, in pixels.
    static constexpr int X0 = 0, X1 = 142, X2 = 284, X3 = 425, X4 = 567;
    static constexpr int SMALL_ITEM_HEIGHT = 40; // slot pitch of columns 0, 2, 4
    static constexpr int ITEM_HEIGHT = 68;       // slot pitch of columns 1, 3
    static constexpr int Y_MARGIN_0 = 116;       // NonFnc
    static constexpr int Y_MARGIN_1 = 106;       // inputs created on a sheet, labels, OUT-CH, FeedBack
    static constexpr int Y_MARGIN_2 = 104;       // CntFnc, DlyFnc, MsrCnt, inputs placed from a document
    static constexpr int Y_MARGIN_3 = 90;        // PreLogic, PostLogic
    static constexpr int SLOT_LIMIT = 925;       // a slot i exists while pitch * i < 925

    explicit SheetModel(int id);

    int getId() const { return m_id; }
    void setId(int id) { m_id = id; }

    QMap<int, BlockItem*>& column(Column c) { return m_columns[c]; }
    const QMap<int, BlockItem*>& column(Column c) const { return m_columns[c]; }
    static int columnX(Column c);
    static int columnPitch(Column c);
    // The column whose left edge is x, or ColumnCount when x is no column edge.
    static Column columnAtX(int x);

    // Free-slot search: the first free slot from index in direction step; negative or -1 when none.
    static int searchIndex(const QMap<int, BlockItem*>& map, int height, int index, int step);
    // Target slot for a block now in slot id at y0 moving in direction step, optionally towards a point.
    static int searchPosition(const QMap<int, BlockItem*>& map, int height, int id, int step, int y0,
                              const QPoint* position = nullptr);

    // Where a block of the given type stands when placed from a document or a paste: its column
    // and the y of slot 0. Returns false for types that have no place on a sheet.
    static bool placement(const QString& type, const BlockItem* block, Column& column, int& y0);

    // Puts an existing block in its column map under its index, at the position of its column.
    // Returns false when the type has no column.
    bool addItem(const QString& type, BlockItem* block);
    // Moves a block to another free slot of its own column (changes its index and position).
    bool move(BlockItem* item, int step, const QPoint* position = nullptr);
    // Removes a block from whichever column holds it.
    void remove(BlockItem* item);
    // The column holding the block, or ColumnCount.
    Column columnOf(const BlockItem* item) const;
    bool isEmpty() const;

    // Writes the sheet's entries: columns in order, each in ascending slot order, leaving out
    // the blocks in skip.
    void save(QTextStream& out, int depth, const QSet<const BlockItem*>& skip = {}) const;

private:
    int m_id;
    QMap<int, BlockItem*> m_columns[ColumnCount];
};
