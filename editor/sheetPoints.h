#pragma once

#include "model/sheetModel.h"

#include <QLine>
#include <QPoint>

class BlockItem;

// Where on a sheet the user's gestures point, in the grid's terms: the column a drop lands in,
// the block a wire dropped at a point is meant for, and the input a painted wire ends in.
namespace SheetPoints {
// The x ranges of the drop that draws a wire into each column: a little wider than the columns,
// towards the column the wire comes from.
inline constexpr int PRE_LOGIC_DROP = 142, FUNCTION_DROP = 284, POST_LOGIC_DROP = 422, OUTPUT_DROP = 564;

// The column whose band holds x.
SheetModel::Column column(int x);

struct WireTarget
{
    SheetModel::Column column = SheetModel::ColumnCount; // ColumnCount: no block there
    int slot = -1;
    int port = 0; // a measure counter's input: its upper half is GATE (0), the lower half SRC (1)
};
// The block a wire dropped at drop goes into, searched in the column whose wire band holds it.
WireTarget wireTarget(const SheetModel& sheet, int tid, const QPoint& drop);

// The input port of receiver whose wire is drawn as line; -1 when none is.
int wirePort(const BlockItem* receiver, const QLine& line);
} // namespace SheetPoints
