#include "editor/sheetPoints.h"

#include "model/blockItem.h"
#include "model/blockKinds.h"

SheetModel::Column SheetPoints::column(int x)
{
    if (x < SheetModel::X1)
        return SheetModel::InputColumn;
    if (x < SheetModel::X2)
        return SheetModel::PreLogicColumn;
    if (x < SheetModel::X3)
        return SheetModel::FunctionColumn;
    if (x < SheetModel::X4)
        return SheetModel::PostLogicColumn;
    return SheetModel::OutputColumn;
}

namespace {
// Whether a wire dropped at height y is meant for block, by the reach of its column's targets.
bool reaches(SheetModel::Column column, const BlockItem* block, int tid, const QPoint& drop)
{
    const int top = block->getPosition().y();
    const int y = drop.y();
    switch (column) {
    case SheetModel::PreLogicColumn:
        return isPreLogic(block) && top < y && y <= top + SheetModel::ITEM_HEIGHT - 1;
    case SheetModel::FunctionColumn:
        return top - 29 <= y && y <= top + 29;
    case SheetModel::PostLogicColumn:
        return block->checkPosition(tid, drop);
    case SheetModel::OutputColumn:
        return top < y && y <= top + SheetModel::SMALL_ITEM_HEIGHT - 1;
    default:
        return false;
    }
}
} // namespace

SheetPoints::WireTarget SheetPoints::wireTarget(const SheetModel& sheet, int tid, const QPoint& drop)
{
    const int x = drop.x();
    SheetModel::Column column = SheetModel::ColumnCount;
    if (x >= OUTPUT_DROP)
        column = SheetModel::OutputColumn;
    else if (x >= POST_LOGIC_DROP)
        column = SheetModel::PostLogicColumn;
    else if (x >= FUNCTION_DROP)
        column = SheetModel::FunctionColumn;
    else if (x >= PRE_LOGIC_DROP)
        column = SheetModel::PreLogicColumn;
    WireTarget target;
    if (column == SheetModel::ColumnCount)
        return target;
    const QMap<int, BlockItem*>& blocks = sheet.column(column);
    for (auto it = blocks.constBegin(); it != blocks.constEnd(); ++it) {
        const BlockItem* block = it.value();
        if (!reaches(column, block, tid, drop))
            continue;
        target.column = column;
        target.slot = it.key();
        target.port =
            isMsrCnt(block) && drop.y() >= block->getPosition().y() + block->iconSize().height() / 2;
        return target;
    }
    return target;
}

int SheetPoints::wirePort(const BlockItem* receiver, const QLine& line)
{
    if (!receiver)
        return -1;
    // One wire per connected input, in input order.
    const QVector<QLine> lines = receiver->getLines();
    int i = 0;
    const QMap<int, BlockItem*>& ports = receiver->getPort();
    for (auto it = ports.constBegin(); it != ports.constEnd(); ++it) {
        if (!it.value())
            continue;
        if (i < lines.size() && lines.at(i) == line)
            return it.key();
        ++i;
    }
    return -1;
}
