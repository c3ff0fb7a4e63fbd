#include "io/document.h"

#include "io/documentFile.h"
#include "model/blockKinds.h"

#include <QHash>
#include <QSignalBlocker>
#include <QTextStream>

namespace {
bool definesLabel(const BlockItem* block)
{
    return isFeedBackIn(block) || isLabelIn(block);
}
} // namespace

Document::Document(QObject* parent)
    : QObject(parent)
    , m_diagram(std::make_unique<BlockDiagram>(&m_labels))
    , m_infoOstrum(InfoOstrum::defaults(true))
{
    clear();
}

Document::~Document() = default;

// ---------------------------------------------------------------------------------------------
// Sheets

void Document::setSheetName(int id, const QString& name)
{
    if (id < 0 || id >= m_sheetNames.size())
        return;
    m_sheetNames[id] = name;
    emit sheetRenamed(id, name);
}

int Document::newSheet()
{
    // Raise the number once for every sheet that already carries the candidate name.
    QHash<QString, int> names;
    for (const QString& name : qAsConst(m_sheetNames))
        ++names[name];
    int k = 1;
    while (const int same = names.value(QStringLiteral("Sheet%1").arg(k)))
        k += same;
    const int id = m_sheets.size();
    m_sheets.append(std::make_shared<SheetModel>(id));
    m_sheetNames.append(QStringLiteral("Sheet%1").arg(k));
    emit sheetAdded(id);
    return id;
}

void Document::removeSheet(int id)
{
    if (id < 0 || id >= m_sheets.size())
        return;
    if (m_sheets.size() == 1) {
        clear();
        return;
    }
    // The sheet's blocks go, and with its label and FeedBack blocks every output of them on other
    // sheets. Re-reading the rest settles counters, labels and wires and renumbers the sheets.
    QSet<QString> definedHere;
    for (BlockItem* block : m_diagram->allBlocks()) {
        if (block->getTid() == id && definesLabel(block))
            definedHere.insert(block->getName());
    }
    QSet<const BlockItem*> skip;
    for (BlockItem* block : m_diagram->allBlocks()) {
        if (block->getTid() != id && isLabelOutput(block) && definedHere.contains(block->getName()))
            skip.insert(block);
    }
    QByteArray data;
    {
        QTextStream ts(&data, QIODevice::WriteOnly);
        DocumentFile::write(*this, ts, id, skip);
    }
    emit sheetRemoved(id);
    parseFile(data);
}

void Document::clear()
{
    m_labels.clearEntry();
    m_labels.setCurrentTab(0);
    m_diagram->clearEntry();
    m_counters.init();
    m_sheets.clear();
    m_sheets.append(std::make_shared<SheetModel>(0));
    m_sheetNames = QStringList{QStringLiteral("Sheet1")};
    emit cleared();
}

// ---------------------------------------------------------------------------------------------
// Reading and writing

bool Document::parseFile(const QByteArray& data)
{
    return DocumentReader(this).load(data);
}

QByteArray Document::toXml() const
{
    return DocumentFile::text(*this);
}

bool Document::reloadSheets(const QByteArray& head, const QMap<int, QByteArray>& sheets, bool bSettings)
{
    QByteArray text = head;
    for (auto it = sheets.constBegin(); it != sheets.constEnd(); ++it) {
        if (!sheet(it.key()))
            return false;
        text += it.value();
    }
    text += DocumentFile::tail();
    bool ok = false;
    // Counts go down and up again with every block read: the palette hears of those that differ
    // once at the end.
    QVector<int> counts;
    for (const ResourceCounters::Entry& entry : m_counters.entries())
        counts.append(entry.cnt);
    {
        // The label panel's state is listed anew at the end; until then it may name blocks that
        // are gone.
        const QSignalBlocker quiet(&m_labels);
        const QSignalBlocker quietCounters(&m_counters);
        for (auto it = sheets.constBegin(); it != sheets.constEnd(); ++it)
            emptySheet(it.key());
        // The units of the blocks that stay are in use; the reader takes those of the new ones.
        recount();
        ok = DocumentReader(this).reload(text, bSettings);
        // Blocks stand in the order a whole read makes them, which decides how the image maps
        // the functions onto the module's slots.
        QHash<const BlockItem*, int> rank;
        for (const auto& model : qAsConst(m_sheets)) {
            for (int c = 0; c < SheetModel::ColumnCount; ++c) {
                for (const BlockItem* block : model->column(SheetModel::Column(c)))
                    rank.insert(block, rank.size());
            }
        }
        m_diagram->orderPools(
            [&rank](const BlockItem* a, const BlockItem* b) { return rank.value(a) < rank.value(b); });
        relistLabels();
    }
    for (int i = 0; i < counts.size(); ++i) {
        if (m_counters.entries().at(i).cnt != counts.at(i))
            emit m_counters.countChanged(i);
    }
    emit m_labels.changed();
    return ok;
}

void Document::emptySheet(int tid)
{
    SheetModel* model = sheet(tid);
    m_labels.clearEntry();
    for (int c = 0; c < SheetModel::ColumnCount; ++c) {
        const QList<BlockItem*> blocks = model->column(SheetModel::Column(c)).values();
        for (BlockItem* block : blocks) {
            model->remove(block);
            emit blockRemoved(tid, block);
        }
    }
    m_diagram->deleteTab(tid);
}

// The palette's counts of the blocks there are: their own units and the routing units of their
// wires, as the reader takes them.
void Document::recount()
{
    m_counters.init();
    for (const BlockItem* block : m_diagram->allBlocks()) {
        const QString type = block->getType();
        const QString unit = ResourceCounters::paletteUnit(type);
        if (!unit.isEmpty())
            m_counters.addCount(-1, unit);
        if ((isFunction(type) || isPreLabelIn(type)) && block->getPort(0)) {
            const QString routing = ResourceCounters::routingUnit(type, block->getPort(0));
            if (!routing.isEmpty())
                m_counters.addCount(-1, routing);
        }
    }
}

// The label panel's state as a whole read makes it: each block in the order of the text tells
// what it defines, its user name and where it is used.
void Document::relistLabels()
{
    m_labels.clearEntry();
    for (int tid = 0; tid < m_sheets.size(); ++tid) {
        for (int c = 0; c < SheetModel::ColumnCount; ++c) {
            for (BlockItem* block : m_sheets.at(tid)->column(SheetModel::Column(c))) {
                m_labels.setCurrentTab(tid);
                if (definesLabel(block))
                    m_labels.newLabel(block);
                const QString type = block->getType();
                const QString userName = block->storedUserName();
                if (!userName.isEmpty() && (mentions(type, BlockKinds::FEED_BACK) || isLabel(type)))
                    m_labels.rename(block->getName(), userName);
                noteLabelUse(tid, block);
            }
        }
    }
    m_labels.setCurrentTab(0);
}

// ---------------------------------------------------------------------------------------------
// Blocks

BlockItem* Document::addNIM_IN(int tid, const QString& name)
{
    SheetModel* target = sheet(tid);
    if (!target)
        return nullptr;
    QMap<int, BlockItem*>& inputs = target->column(SheetModel::InputColumn);
    const int slot = SheetModel::searchIndex(inputs, SheetModel::SMALL_ITEM_HEIGHT, 0, 1);
    if (slot < 0)
        return nullptr;
    NIM_IN* input = m_diagram->createInput(slot, tid, name);
    if (!input)
        return nullptr;
    input->setType(BlockKinds::INPUT);
    // Inputs made on a sheet stand at the sheet's own margin, not at the document one.
    input->setPosition(QPoint(SheetModel::X0, SheetModel::Y_MARGIN_1 + SheetModel::SMALL_ITEM_HEIGHT * slot));
    inputs.insert(slot, input);
    emit blockPlaced(tid, input);
    return input;
}

void Document::insertItem(int tid, SheetModel::Column column, int slot, int y0, BlockItem* block)
{
    SheetModel* target = sheet(tid);
    if (!target)
        return;
    block->setIndex(slot);
    block->setPosition(QPoint(SheetModel::columnX(column), y0 + slot * SheetModel::columnPitch(column)));
    target->column(column).insert(slot, block);
    notePlaced(tid, block);
}

void Document::removeBlock(BlockItem* block)
{
    const int tid = block->getTid();
    if (SheetModel* home = sheet(tid))
        home->remove(block);
    m_labels.forgetItem(block);
    emit blockRemoved(tid, block);
    m_diagram->deleteItem(block);
}

bool Document::placeItem(int tid, const QString& type, BlockItem* block)
{
    SheetModel* target = sheet(tid);
    if (!target || !target->addItem(type, block))
        return false;
    notePlaced(tid, block);
    return true;
}

void Document::notePlaced(int tid, BlockItem* block)
{
    noteLabelUse(tid, block);
    emit blockPlaced(tid, block);
}

void Document::noteLabelUse(int tid, BlockItem* block)
{
    if (isFeedBackIn(block)) {
        // Its output may already stand in this sheet's PreLogic column (written before it).
        for (const BlockItem* b : sheet(tid)->column(SheetModel::PreLogicColumn)) {
            if (b->getType() == block->getName()) {
                m_labels.setUsed(block->getName(), true, tid);
                break;
            }
        }
    } else if (isLabelOutput(block)) {
        m_labels.setUsed(block->getName(), true, tid);
    }
}

// ---------------------------------------------------------------------------------------------
// Names shared by every sheet

void Document::setUserName(BlockItem* block, const QString& userName)
{
    block->setUserName(userName);
    emit blockChanged(block);
}

void Document::renameInput(const QString& name, const QString& userName)
{
    for (NIM_IN* input : m_diagram->inputs()) {
        if (input->getName() == name)
            setUserName(input, userName);
    }
}

void Document::renameLabel(const QString& name, const QString& userName)
{
    m_labels.rename(name, userName);
    // One output per sheet, and the defining block among the output column's blocks.
    for (BlockItem* output : m_diagram->labels()) {
        if (output->getName() == name)
            setUserName(output, userName);
    }
    for (BlockItem* block : m_diagram->outs()) {
        if (block->getName() == name) {
            setUserName(block, userName);
            break;
        }
    }
}

void Document::editInput(BlockItem* input, const QString& newName)
{
    QString userName = input->getUserName();
    for (const NIM_IN* other : m_diagram->inputs()) {
        if (other == input || other->getName() != newName)
            continue;
        if (userName != newName)
            renameInput(newName, userName);
        else
            userName = other->getUserName();
        break;
    }
    setUserName(input, userName);
    input->setName(newName);
}

void Document::deleteLabel(const QString& name)
{
    const QVector<BlockItem*> outputs = m_diagram->labels();
    for (BlockItem* output : outputs) {
        if (output->getName() == name)
            deleteLabelOutput(output);
    }
    m_labels.deleteLabel(name);
}

void Document::deleteLabelOutput(BlockItem* block)
{
    // Its wires into functions held routing units.
    for (const BlockItem* target : block->getOutPort()) {
        const QString unit = ResourceCounters::routingUnit(target->getType(), block);
        if (!unit.isEmpty())
            m_counters.addCount(1, unit);
    }
    removeBlock(block);
}
