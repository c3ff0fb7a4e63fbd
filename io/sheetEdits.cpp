#include "io/sheetEdits.h"

#include "io/document.h"
#include "model/blockKinds.h"

#include <functional>

using namespace BlockKinds;

namespace {
// A drag from an output carries the block's name, with "OUT" in front for label and FeedBack
// sources; the part from the first of these words after the first character is the name.
QString sourceName(const QString& payload, std::initializer_list<QLatin1String> words)
{
    for (const QLatin1String& word : words) {
        const int at = payload.indexOf(word, 1);
        if (at > 0)
            return payload.mid(at);
    }
    return payload;
}
} // namespace

SheetEdits::SheetEdits(Document* document, int tid)
    : m_pDocument(document)
    , m_tid(tid)
{}

SheetModel* SheetEdits::sheet() const
{
    return m_pDocument->sheet(m_tid);
}

BlockItem* SheetEdits::driver(SheetModel::Column column, const QString& name) const
{
    for (BlockItem* block : sheet()->column(column)) {
        // A label input is the end of its wire: it drives nothing on its sheet.
        if (block->getName() == name && !isLabelIn(block))
            return block;
    }
    return nullptr;
}

void SheetEdits::giveBack(const QString& unit)
{
    if (!unit.isEmpty())
        m_pDocument->counters()->addCount(1, unit);
}

// ---------------------------------------------------------------------------------------------
// New blocks

bool SheetEdits::makesBlock(const QString& payload)
{
    for (const QLatin1String& kind :
         {INPUT, PRE_LOGIC, POST_LOGIC, CNT_FNC, DLY_FNC, NON_FNC, FEED_BACK, LABEL}) {
        if (payload == kind)
            return true;
    }
    for (const QLatin1String& prefix :
         {ChannelNames::MSR_CNT.prefix, ChannelNames::OUTPUT.prefix, PRE_LABEL, LABEL, FEED_BACK}) {
        if (payload.startsWith(prefix))
            return true;
    }
    return false;
}

BlockItem* SheetEdits::create(const QString& payload, SheetModel::Column dropColumn)
{
    SheetModel* target = sheet();
    if (!target)
        return nullptr;
    BlockDiagram& d = *m_pDocument->diagram();
    const int tid = m_tid;
    SheetModel::Column column = SheetModel::ColumnCount;
    int y0 = SheetModel::Y_MARGIN_1;
    QString type = payload; // empty: the new block's name
    QString unit;           // the palette unit it takes
    std::function<BlockItem*(int)> make;
    if (payload == INPUT) {
        column = SheetModel::InputColumn;
        make = [&](int slot) { return d.createInput(slot, tid); };
    } else if (payload == PRE_LOGIC || payload == POST_LOGIC) {
        const bool pre = payload == PRE_LOGIC;
        column = pre ? SheetModel::PreLogicColumn : SheetModel::PostLogicColumn;
        y0 = SheetModel::Y_MARGIN_3;
        make = [&, pre](int slot) -> BlockItem* {
            return pre ? static_cast<BlockItem*>(d.createPreLogic(slot, tid)) : d.createPostLogic(slot, tid);
        };
    } else if (payload == LABEL) {
        const bool left = dropColumn < SheetModel::PostLogicColumn;
        column = left ? SheetModel::FunctionColumn : SheetModel::PostLogicColumn;
        type = left ? PRE_LABEL : LABEL;
        make = [&](int slot) { return d.createNIMLabelIN(slot, tid); };
    } else if (payload.startsWith(PRE_LABEL)) {
        column = SheetModel::PreLogicColumn;
        make = [&](int slot) { return d.createNIMLabel(slot, tid, payload.mid(3)); };
    } else if (payload.startsWith(LABEL)) {
        column = SheetModel::FunctionColumn;
        make = [&](int slot) { return d.createNIMFncLabel(slot, tid, payload); };
    } else if (payload == CNT_FNC || payload == DLY_FNC) {
        column = SheetModel::FunctionColumn;
        y0 = SheetModel::Y_MARGIN_2;
        unit = payload;
        make = [&](int slot) {
            return payload == CNT_FNC ? d.createCntFnc(slot, tid) : d.createDlyFnc(slot, tid);
        };
    } else if (payload == NON_FNC) {
        column = SheetModel::FunctionColumn;
        y0 = SheetModel::Y_MARGIN_0;
        unit = payload;
        make = [&](int slot) { return d.createNonFnc(slot, tid); };
    } else if (payload.startsWith(ChannelNames::MSR_CNT.prefix) ||
               payload.startsWith(ChannelNames::OUTPUT.prefix)) {
        const bool msr = payload.startsWith(ChannelNames::MSR_CNT.prefix);
        column = SheetModel::OutputColumn;
        y0 = msr ? SheetModel::Y_MARGIN_2 : SheetModel::Y_MARGIN_1;
        unit = msr ? ChannelNames::MSR_CNT.prefix : ChannelNames::OUTPUT.prefix;
        type.clear();
        make = [&, msr](int slot) {
            return msr ? d.createMsrCnt(slot, tid, payload) : d.createOut(slot, tid, payload);
        };
    } else if (payload == FEED_BACK) {
        column = SheetModel::OutputColumn;
        unit = payload;
        make = [&](int slot) { return d.createFeedBackIN(slot, tid); };
    } else if (payload.startsWith(FEED_BACK)) {
        column = SheetModel::PreLogicColumn;
        make = [&](int slot) { return d.createNIMLabel(slot, tid, payload); };
    } else {
        return nullptr;
    }

    const int slot = SheetModel::searchIndex(target->column(column), SheetModel::columnPitch(column), 0, 1);
    if (slot < 0)
        return nullptr;
    if (!unit.isEmpty() && !m_pDocument->counters()->addCount(-1, unit))
        return nullptr;
    BlockItem* block = make(slot);
    if (!block) {
        giveBack(unit);
        return nullptr;
    }
    block->setType(type.isEmpty() ? block->getName() : type);
    // An output shows the name its label was given.
    if (isLabelOutput(block)) {
        const QString userName = m_pDocument->labels()->userName(block->getName());
        if (!userName.isEmpty())
            block->setUserName(userName);
    }
    m_pDocument->insertItem(m_tid, column, slot, y0, block);
    return block;
}

// ---------------------------------------------------------------------------------------------
// Wires

SheetEdits::WireResult SheetEdits::connect(const QString& source, SheetModel::Column column, int slot,
                                           int port)
{
    if (!sheet() || column < SheetModel::InputColumn || column >= SheetModel::ColumnCount)
        return NoWire;
    BlockItem* target = sheet()->column(column).value(slot);
    if (!target)
        return NoWire;
    switch (column) {
    case SheetModel::PreLogicColumn: {
        // An input carries the same channel on every sheet; this sheet's block draws the wire.
        BlockItem* src = m_pDocument->diagram()->searchNIM_IN(source, m_tid);
        return src && isPreLogic(target) && target->setPort(-1, src) >= 0 ? Wired : NoWire;
    }
    case SheetModel::FunctionColumn:
        return connectFunction(driver(SheetModel::PreLogicColumn, sourceName(source, {FEED_BACK, LABEL})),
                               target);
    case SheetModel::PostLogicColumn: {
        BlockItem* src = driver(SheetModel::FunctionColumn, sourceName(source, {LABEL}));
        if (!src)
            return NoWire;
        // A label takes one function result, not another label's.
        if (beginsWith(target, LABEL)) {
            if (src->getName().contains(LABEL))
                return NoWire;
            target->setPort(0, src);
            return Wired;
        }
        return target->setPort(-1, src) >= 0 ? Wired : NoWire;
    }
    case SheetModel::OutputColumn: {
        BlockItem* src = driver(SheetModel::PostLogicColumn, source);
        if (!src)
            return NoWire;
        // A measure counter has two inputs, GATE and SRC; the other outputs one.
        target->setPort(isMsrCnt(target) && port == 1 ? 1 : 0, src);
        return Wired;
    }
    default:
        return NoWire;
    }
}

SheetEdits::WireResult SheetEdits::connectFunction(BlockItem* source, BlockItem* target)
{
    if (!source || !target)
        return NoWire;
    if (isNonFnc(target)) {
        if (source->getName().startsWith(FEED_BACK))
            return FeedBackIntoNonFnc;
        target->setPort(0, source);
        return Wired;
    }
    if (isPreLabelIn(target)) {
        if (!source->getName().startsWith(PRE_LOGIC_NAME))
            return NoWire;
        target->setPort(0, source);
        return Wired;
    }
    if (!isCntFnc(target) && !isDlyFnc(target))
        return NoWire;
    // A counter or delay input is a routing unit of its source's kind, PreLogic or FeedBack.
    ResourceCounters* counters = m_pDocument->counters();
    const QString unit = ResourceCounters::routingUnit(target->getType(), source);
    const BlockItem* previous = target->getPort(0);
    const QString previousUnit =
        previous ? ResourceCounters::routingUnit(target->getType(), previous) : QString();
    if (!previous || unit != previousUnit) {
        if (!unit.isEmpty() && !counters->addCount(-1, unit))
            return NoWire;
        giveBack(previousUnit);
    }
    target->setPort(0, source);
    return Wired;
}

bool SheetEdits::deleteWire(BlockItem* receiver, int port)
{
    BlockItem* source = receiver ? receiver->getPort(port) : nullptr;
    if (!source)
        return false;
    giveBack(ResourceCounters::routingUnit(receiver->getType(), source));
    source->delOutPort(receiver);
    receiver->delPort(port);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Deleting

void SheetEdits::deleteItem(BlockItem* block)
{
    if (!block)
        return;
    // The routing units of its wires, both ways (each wire holds at most one).
    for (const BlockItem* target : block->getOutPort())
        giveBack(ResourceCounters::routingUnit(target->getType(), block));
    for (const BlockItem* driver : block->getPort())
        giveBack(ResourceCounters::routingUnit(block->getType(), driver));
    giveBack(ResourceCounters::paletteUnit(block->getType()));
    const QString name = block->getName();
    if (isFeedBackIn(block) || isLabelIn(block)) {
        // Every output of the signal goes, on every sheet, and so does its panel entry.
        m_pDocument->deleteLabel(name);
    } else if (isLabelOutput(block)) {
        m_pDocument->labels()->setUsed(name, false, m_tid);
    }
    m_pDocument->removeBlock(block);
}

void SheetEdits::deleteAll()
{
    for (int c = SheetModel::InputColumn; c < SheetModel::ColumnCount; ++c) {
        // Deleting a label takes its outputs along, which may stand on this sheet too.
        while (!sheet()->column(SheetModel::Column(c)).isEmpty())
            deleteItem(sheet()->column(SheetModel::Column(c)).first());
    }
}

// ---------------------------------------------------------------------------------------------
// Label sides

bool SheetEdits::canChangeLabel(const Document* document, const BlockItem* label, bool bLeft)
{
    if (!label || label->getPort(0))
        return false;
    if (!(bLeft ? isFncLabelIn(label) : isPreLabelIn(label)))
        return false;
    return !document->labels()->isLabelUsed(label->getName());
}

BlockItem* SheetEdits::changeLabel(BlockItem* label, bool bLeft)
{
    if (!canChangeLabel(m_pDocument, label, bLeft))
        return nullptr;
    const SheetModel::Column column = bLeft ? SheetModel::FunctionColumn : SheetModel::PostLogicColumn;
    const int slot = SheetModel::searchIndex(sheet()->column(column), SheetModel::columnPitch(column), 0, 1);
    if (slot < 0)
        return nullptr;
    const QString name = label->getName();
    const QString userName = label->storedUserName();
    deleteItem(label);
    BlockItem* moved = m_pDocument->diagram()->createNIMLabelIN(slot, m_tid, name);
    moved->setType(bLeft ? PRE_LABEL : LABEL);
    if (!userName.isEmpty()) {
        moved->setUserName(userName);
        m_pDocument->labels()->rename(name, userName);
    }
    m_pDocument->insertItem(m_tid, column, slot, SheetModel::Y_MARGIN_1, moved);
    return moved;
}
