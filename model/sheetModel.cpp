#include "model/sheetModel.h"

#include "model/blockItem.h"
#include "model/blockKinds.h"

#include <QTextStream>

SheetModel::SheetModel(int id)
    : m_id(id)
{}

int SheetModel::columnX(Column c)
{
    static const int xs[ColumnCount] = {X0, X1, X2, X3, X4};
    return c >= InputColumn && c < ColumnCount ? xs[c] : -1;
}

int SheetModel::columnPitch(Column c)
{
    return c == PreLogicColumn || c == PostLogicColumn ? ITEM_HEIGHT : SMALL_ITEM_HEIGHT;
}

SheetModel::Column SheetModel::columnAtX(int x)
{
    for (int c = InputColumn; c < ColumnCount; ++c) {
        if (columnX(Column(c)) == x)
            return Column(c);
    }
    return ColumnCount;
}

int SheetModel::searchIndex(const QMap<int, BlockItem*>& map, int height, int index, int step)
{
    while (map.contains(index)) {
        if (step == 0)
            return -1;
        index += step;
        if (index < 0)
            return index;
    }
    // Also refuses slots far outside the sheet without overflowing.
    if (index >= SLOT_LIMIT || height * index >= SLOT_LIMIT)
        return -1;
    return index;
}

int SheetModel::searchPosition(const QMap<int, BlockItem*>& map, int height, int id, int step, int y0,
                               const QPoint* position)
{
    if (!position)
        return searchIndex(map, height, id + step, step);
    int can = -1;
    int index = id + step;
    for (;;) {
        index = searchIndex(map, height, index, step);
        if (index < 0)
            return can;
        const int y = (index - id) * height + y0;
        if (y < position->y()) {
            if (position->y() < y + height)
                return index; // the point lies in this free slot
            if (step <= 0)
                return can;
        } else if (step > 0 && y > position->y()) {
            return can;
        }
        can = index;
        index += step;
    }
}

bool SheetModel::placement(const QString& type, const BlockItem* block, Column& column, int& y0)
{
    // Label outputs are told apart by their class where the block is known: their type is the
    // drag payload they were made from ("PreLabel3", "Label3", "FeedBack2").
    if (block && dynamic_cast<const NIMLabel*>(block)) {
        column = PreLogicColumn;
        y0 = Y_MARGIN_1;
        return true;
    }
    if (block && dynamic_cast<const NIMFncLabel*>(block)) {
        column = FunctionColumn;
        y0 = Y_MARGIN_1;
        return true;
    }
    // First matching rule wins.
    struct Rule
    {
        bool (*matches)(const KindOf&);
        Column column;
        int y0;
    };
    static const Rule rules[] = {
        {isInput, InputColumn, Y_MARGIN_2},
        {isPreLogic, PreLogicColumn, Y_MARGIN_3},
        {isFeedBackIn, OutputColumn, Y_MARGIN_1},
        {isFeedBack, PreLogicColumn, Y_MARGIN_1},
        {isPreLabelIn, FunctionColumn, Y_MARGIN_1},
        {isFncLabelIn, PostLogicColumn, Y_MARGIN_1},
        {isCntFnc, FunctionColumn, Y_MARGIN_2},
        {isDlyFnc, FunctionColumn, Y_MARGIN_2},
        {isNonFnc, FunctionColumn, Y_MARGIN_0},
        {isPostLogic, PostLogicColumn, Y_MARGIN_3},
        {isOutput, OutputColumn, Y_MARGIN_1},
        {isMsrCnt, OutputColumn, Y_MARGIN_2},
        // Remaining label outputs by their payload: "PreLabel..." continues a PreLogic result,
        // "Label..." a function result.
        {isPreLabel, PreLogicColumn, Y_MARGIN_1},
        {isLabel, FunctionColumn, Y_MARGIN_1},
    };
    const KindOf kind(type);
    for (const Rule& rule : rules) {
        if (rule.matches(kind)) {
            column = rule.column;
            y0 = rule.y0;
            return true;
        }
    }
    return false;
}

bool SheetModel::addItem(const QString& type, BlockItem* block)
{
    Column c;
    int y0;
    if (!block || !placement(type, block, c, y0))
        return false;
    QMap<int, BlockItem*>& map = m_columns[c];
    const int pitch = columnPitch(c);
    int index = block->getIndex();
    // A slot that is taken or outside the sheet (a damaged file) gives way to the first free one.
    if (index < 0 || index >= SLOT_LIMIT || pitch * index >= SLOT_LIMIT || map.contains(index))
        index = searchIndex(map, pitch, 0, 1);
    if (index < 0)
        return false;
    block->setIndex(index);
    block->setPosition(QPoint(columnX(c), y0 + index * pitch));
    map.insert(index, block);
    return true;
}

bool SheetModel::move(BlockItem* item, int step, const QPoint* position)
{
    if (!item)
        return false;
    const int index = item->getIndex();
    if (index + step < 0)
        return false;
    QPoint pos = item->getPosition();
    const Column c = columnAtX(pos.x());
    if (c == ColumnCount)
        return false;
    QMap<int, BlockItem*>& map = m_columns[c];
    const int pitch = columnPitch(c);
    const int newIndex = searchPosition(map, pitch, index, step, pos.y(), position);
    if (newIndex < 0 || !map.contains(index))
        return false;
    map.remove(index);
    map.insert(newIndex, item);
    pos.ry() += (newIndex - index) * pitch;
    item->setIndex(newIndex);
    item->setPosition(pos);
    return true;
}

void SheetModel::remove(BlockItem* item)
{
    const Column c = columnOf(item);
    if (c == ColumnCount)
        return;
    QMap<int, BlockItem*>& map = m_columns[c];
    for (auto it = map.begin(); it != map.end(); ++it) {
        if (it.value() == item) {
            map.erase(it);
            return;
        }
    }
}

SheetModel::Column SheetModel::columnOf(const BlockItem* item) const
{
    for (int c = InputColumn; c < ColumnCount; ++c) {
        for (const BlockItem* b : m_columns[c]) {
            if (b == item)
                return Column(c);
        }
    }
    return ColumnCount;
}

bool SheetModel::isEmpty() const
{
    for (const auto& map : m_columns) {
        if (!map.isEmpty())
            return false;
    }
    return true;
}

void SheetModel::save(QTextStream& out, int depth, const QSet<const BlockItem*>& skip) const
{
    for (const auto& map : m_columns) {
        for (const BlockItem* block : map) {
            if (!skip.contains(block))
                block->saveItem(out, block->getType(), depth);
        }
    }
}
