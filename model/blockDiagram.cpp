#include "model/blockDiagram.h"

#include "model/blockKinds.h"
#include "model/labelRegistry.h"

#include <algorithm>

const int BlockDiagram::MapDlyFnc[BlockDiagram::UNITS] = {3, 4, 5, 6, 7, 0, 1, 2};

BlockDiagram::BlockDiagram(LabelRegistry* labels)
    : m_NIM_IN(ChannelNames::inputs())
    , m_pLabelWidget(labels)
{}

BlockDiagram::~BlockDiagram()
{
    clearEntry();
}

// ---------------------------------------------------------------------------------------------
// Teardown

namespace {
template<typename T> void deleteAll(QVector<T*>& pool)
{
    // Deleting a block disconnects it from the others, which may still be in some pool.
    while (!pool.isEmpty())
        delete pool.takeFirst();
}

template<typename T> void deleteOnSheet(QVector<T*>& pool, int tid)
{
    for (int i = 0; i < pool.size();) {
        if (pool.at(i)->getTid() == tid)
            delete pool.takeAt(i);
        else
            ++i;
    }
}
} // namespace

void BlockDiagram::clearEntry()
{
    deleteAll(m_input);
    deleteAll(m_preLogic);
    deleteAll(m_postLogic);
    deleteAll(m_function);
    deleteAll(m_out);
    deleteAll(m_label);
    for (auto& slot : m_mapPostLogic)
        slot = nullptr;
}

void BlockDiagram::deleteTab(int tid)
{
    deleteOnSheet(m_input, tid);
    deleteOnSheet(m_preLogic, tid);
    deleteOnSheet(m_postLogic, tid);
    deleteOnSheet(m_function, tid);
    deleteOnSheet(m_out, tid);
    deleteOnSheet(m_label, tid);
    for (auto& slot : m_mapPostLogic)
        slot = nullptr;
}

template<typename T> void BlockDiagram::removeFrom(QVector<T*>& pool, BlockItem* item)
{
    for (int i = 0; i < pool.size(); ++i) {
        if (pool.at(i) == item) {
            pool.removeAt(i);
            delete item;
            return;
        }
    }
}

void BlockDiagram::deleteItem(BlockItem* item)
{
    const int before = m_input.size() + m_preLogic.size() + m_function.size() + m_postLogic.size() +
                       m_out.size() + m_label.size();
    auto removed = [&] {
        return m_input.size() + m_preLogic.size() + m_function.size() + m_postLogic.size() + m_out.size() +
                   m_label.size() !=
               before;
    };
    removeFrom(m_input, item);
    if (!removed())
        removeFrom(m_preLogic, item);
    if (!removed())
        removeFrom(m_function, item);
    if (!removed())
        removeFrom(m_postLogic, item);
    if (!removed())
        removeFrom(m_out, item);
    if (!removed())
        removeFrom(m_label, item);
    for (auto& slot : m_mapPostLogic) {
        if (slot == item)
            slot = nullptr;
    }
}

void BlockDiagram::orderPools(const std::function<bool(const BlockItem*, const BlockItem*)>& before)
{
    auto order = [&before](auto& pool) { std::stable_sort(pool.begin(), pool.end(), before); };
    order(m_input);
    order(m_preLogic);
    order(m_postLogic);
    order(m_function);
    order(m_out);
    order(m_label);
}

QVector<BlockItem*> BlockDiagram::allBlocks() const
{
    QVector<BlockItem*> all;
    for (BlockItem* b : m_input)
        all.append(b);
    for (BlockItem* b : m_preLogic)
        all.append(b);
    for (BlockItem* b : m_postLogic)
        all.append(b);
    all += m_function;
    all += m_out;
    all += m_label;
    return all;
}

// ---------------------------------------------------------------------------------------------
// Names

bool BlockDiagram::isNameText(const QString& name)
{
    if (name.isEmpty())
        return false;
    for (const QChar c : name) {
        switch (c.category()) {
        case QChar::Letter_Uppercase:
        case QChar::Letter_Lowercase:
        case QChar::Number_DecimalDigit:
        case QChar::Number_Letter:
            continue;
        default:
            if (c != QLatin1Char('_') && c != QLatin1Char('-'))
                return false;
        }
    }
    return true;
}

QString BlockDiagram::userNameRefusal(const BlockItem* block, const QString& name) const
{
    if (!isNameText(name))
        return QStringLiteral("A name can consist only of the following characters:\n") +
               QStringLiteral("alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)");
    if (name == block->getName() || checkName(name, false))
        return QString();
    return QStringLiteral("\"%1\" cannot be used or it is already in use.").arg(name.trimmed());
}

bool BlockDiagram::checkName(const QString& rawName, bool bName) const
{
    const QString name = rawName.trimmed();
    if (ChannelNames::isReservedName(name))
        return false;
    const QVector<BlockItem*> all = allBlocks();
    for (const BlockItem* b : all) {
        if (b->getUserName() == name)
            return false;
        if (bName && b->getName().trimmed() == name)
            return false;
    }
    return true;
}

QString BlockDiagram::firstFreeName(const QString& prefix,
                                    const std::function<bool(const QString&)>& taken) const
{
    for (int n = 0;; ++n) {
        const QString name = prefix + QString::number(n);
        if (checkName(name, false) && !taken(name))
            return name;
    }
}

QString BlockDiagram::channelFor(const ChannelNames::Family& family, const QString& name) const
{
    if (!name.isEmpty() && name != family.prefix)
        return name;
    for (int k = 0; k < family.count; ++k) {
        const QString channel = ChannelNames::name(family, k);
        if (!findNamed(m_out, channel))
            return channel;
    }
    return QString();
}

void BlockDiagram::getFreeList(const QString& kind, QStringList& list, int tid) const
{
    if (isInput(kind)) {
        for (const QString& name : m_NIM_IN) {
            if (!searchNIM_IN(name, tid))
                list.append(name);
        }
    } else if (const ChannelNames::Family* family = ChannelNames::familyOf(kind)) {
        for (int k = 0; k < family->count; ++k) {
            const QString name = ChannelNames::name(*family, k);
            if (!findNamed(m_out, name))
                list.append(name);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Creation

NIM_IN* BlockDiagram::createInput(int id, int tid)
{
    for (const QString& name : m_NIM_IN) {
        if (searchNIM_IN(name, tid))
            continue;
        NIM_IN* input = createInput(id, tid, name);
        // The same channel on another sheet shows the same display name.
        if (NIM_IN* existing = searchNIM_IN(name, -1))
            input->setUserName(existing->getUserName());
        return input;
    }
    return nullptr;
}

NIM_IN* BlockDiagram::createInput(int id, int tid, const QString& name)
{
    if (name.isEmpty())
        return createInput(id, tid);
    auto* input = new NIM_IN(id, tid, name);
    m_input.append(input);
    return input;
}

PreLogic* BlockDiagram::createPreLogic(int id, int tid)
{
    return createPreLogic(id, tid, firstFreeName(BlockKinds::PRE_LOGIC_NAME, usedIn(m_preLogic)));
}

PreLogic* BlockDiagram::createPreLogic(int id, int tid, const QString& name)
{
    auto* logic = new PreLogic(id, tid, name);
    m_preLogic.append(logic);
    return logic;
}

PostLogic* BlockDiagram::createPostLogic(int id, int tid)
{
    return createPostLogic(id, tid, firstFreeName(BlockKinds::POST_LOGIC_NAME, usedIn(m_postLogic)));
}

PostLogic* BlockDiagram::createPostLogic(int id, int tid, const QString& name)
{
    auto* logic = new PostLogic(id, tid, name);
    m_postLogic.append(logic);
    return logic;
}

BlockItem* BlockDiagram::createCntFnc(int id, int tid)
{
    return createFunction(id, tid, firstFreeName(BlockKinds::CNT_FNC, usedIn(m_function)));
}

BlockItem* BlockDiagram::createDlyFnc(int id, int tid)
{
    return createFunction(id, tid, firstFreeName(BlockKinds::DLY_FNC, usedIn(m_function)));
}

BlockItem* BlockDiagram::createFunction(int id, int tid, const QString& name)
{
    auto* function = new NIMFunction(id, tid, name);
    m_function.append(function);
    return function;
}

BlockItem* BlockDiagram::createNonFnc(int id, int tid, const QString& name)
{
    // Automatic pass-through names consult the name check only.
    const QString used =
        name.isEmpty() ? firstFreeName(BlockKinds::NON_FNC, [](const QString&) { return false; }) : name;
    auto* function = new NIMNonFnc(id, tid, used);
    m_function.append(function);
    return function;
}

BlockItem* BlockDiagram::createOut(int id, int tid, const QString& name)
{
    const QString used = channelFor(ChannelNames::OUTPUT, name);
    if (used.isEmpty())
        return nullptr;
    auto* out = new NIMOut(id, tid, used);
    m_out.append(out);
    return out;
}

BlockItem* BlockDiagram::createMsrCnt(int id, int tid, const QString& name)
{
    const QString used = channelFor(ChannelNames::MSR_CNT, name);
    if (used.isEmpty())
        return nullptr;
    auto* msr = new NIMMsrCnt(id, tid, used);
    m_out.append(msr);
    return msr;
}

BlockItem* BlockDiagram::createFeedBackIN(int id, int tid)
{
    return createFeedBackIN(id, tid, firstFreeName(BlockKinds::FEED_BACK, usedIn(m_out)));
}

BlockItem* BlockDiagram::createFeedBackIN(int id, int tid, const QString& name)
{
    auto* feedback = new NIMFeedBackIN(id, tid, name);
    m_out.append(feedback);
    if (m_pLabelWidget)
        m_pLabelWidget->newLabel(feedback);
    return feedback;
}

BlockItem* BlockDiagram::createNIMLabelIN(int id, int tid)
{
    return createNIMLabelIN(id, tid, firstFreeName(BlockKinds::LABEL, usedIn(m_out)));
}

BlockItem* BlockDiagram::createNIMLabelIN(int id, int tid, const QString& name)
{
    auto* label = new NIMLabelIN(id, tid, name);
    m_out.append(label);
    if (m_pLabelWidget)
        m_pLabelWidget->newLabel(label);
    return label;
}

BlockItem* BlockDiagram::createNIMLabel(int id, int tid, const QString& name)
{
    auto* label = new NIMLabel(id, tid, name);
    m_label.append(label);
    return label;
}

BlockItem* BlockDiagram::createNIMFncLabel(int id, int tid, const QString& name)
{
    auto* label = new NIMFncLabel(id, tid, name);
    m_label.append(label);
    return label;
}

// ---------------------------------------------------------------------------------------------
// Searches

NIM_IN* BlockDiagram::searchNIM_IN(const QString& name, int tid) const
{
    return findNamed(m_input, name, tid);
}

PreLogic* BlockDiagram::searchPreLogic(const QString& name, int tid) const
{
    return findNamed(m_preLogic, name, tid);
}

BlockItem* BlockDiagram::searchFunction(const QString& name, int tid) const
{
    return findNamed(m_function, name, tid);
}

PostLogic* BlockDiagram::searchPostLogic(const QString& name, int tid) const
{
    return findNamed(m_postLogic, name, tid);
}

BlockItem* BlockDiagram::searchLabel(const QString& name, int tid) const
{
    return findNamed(m_label, name, tid);
}
