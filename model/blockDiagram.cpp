#include "model/blockDiagram.h"

#include "model/labelRegistry.h"

const int BlockDiagram::MapDlyFnc[BlockDiagram::UNITS] = {3, 4, 5, 6, 7, 0, 1, 2};

BlockDiagram::BlockDiagram(LabelRegistry* labels)
    : m_NIM_IN({QStringLiteral("IN-CH0"), QStringLiteral("IN-CH1"), QStringLiteral("IN-CH2"),
                QStringLiteral("IN-CH3"), QStringLiteral("IN-CH4"), QStringLiteral("IN-CH5"),
                QStringLiteral("IN-CH6"), QStringLiteral("IN-CH7"), QStringLiteral("IN-OPT"),
                QStringLiteral("IN-USER")})
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

bool BlockDiagram::checkName(const QString& rawName, bool bName) const
{
    const QString name = rawName.trimmed();
    if (name.startsWith(QLatin1String("OUT-CH")) || name.startsWith(QLatin1String("IN-CH")) ||
        name.startsWith(QLatin1String("MsrCnt")))
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

bool BlockDiagram::outNameUsed(const QString& name) const
{
    for (const BlockItem* b : m_out) {
        if (b->getName() == name)
            return true;
    }
    return false;
}

bool BlockDiagram::functionNameUsed(const QString& name) const
{
    for (const BlockItem* b : m_function) {
        if (b->getName() == name)
            return true;
    }
    return false;
}

static int channelCount(const QString& family)
{
    if (family == QLatin1String("OUT-CH"))
        return 8;
    return family == QLatin1String("MsrCnt") ? 4 : 0;
}

bool BlockDiagram::isChannelName(const QString& name, const QString& family)
{
    if (name.size() != family.size() + 1 || !name.startsWith(family))
        return false;
    const int k = name.back().digitValue();
    return k >= 0 && k < channelCount(family);
}

void BlockDiagram::getFreeList(const QString& kind, QStringList& list, int tid) const
{
    if (kind == QLatin1String("Input")) {
        for (const QString& name : m_NIM_IN) {
            if (!searchNIM_IN(name, tid))
                list.append(name);
        }
    } else if (kind == QLatin1String("OUT-CH") || kind == QLatin1String("MsrCnt")) {
        for (int k = 0; k < channelCount(kind); ++k) {
            const QString name = kind + QString::number(k);
            if (!outNameUsed(name))
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
    auto taken = [this](const QString& name) {
        for (const BlockItem* b : m_preLogic) {
            if (b->getName() == name)
                return true;
        }
        return false;
    };
    return createPreLogic(id, tid, firstFreeName(QStringLiteral("PreLgc"), taken));
}

PreLogic* BlockDiagram::createPreLogic(int id, int tid, const QString& name)
{
    auto* logic = new PreLogic(id, tid, name);
    m_preLogic.append(logic);
    return logic;
}

PostLogic* BlockDiagram::createPostLogic(int id, int tid)
{
    auto taken = [this](const QString& name) {
        for (const BlockItem* b : m_postLogic) {
            if (b->getName() == name)
                return true;
        }
        return false;
    };
    return createPostLogic(id, tid, firstFreeName(QStringLiteral("PstLgc"), taken));
}

PostLogic* BlockDiagram::createPostLogic(int id, int tid, const QString& name)
{
    auto* logic = new PostLogic(id, tid, name);
    m_postLogic.append(logic);
    return logic;
}

BlockItem* BlockDiagram::createCntFnc(int id, int tid)
{
    auto taken = [this](const QString& name) { return functionNameUsed(name); };
    return createFunction(id, tid, firstFreeName(QStringLiteral("CntFnc"), taken));
}

BlockItem* BlockDiagram::createDlyFnc(int id, int tid)
{
    auto taken = [this](const QString& name) { return functionNameUsed(name); };
    return createFunction(id, tid, firstFreeName(QStringLiteral("DlyFnc"), taken));
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
        name.isEmpty() ? firstFreeName(QStringLiteral("NonFnc"), [](const QString&) { return false; }) : name;
    auto* function = new NIMNonFnc(id, tid, used);
    m_function.append(function);
    return function;
}

BlockItem* BlockDiagram::createOut(int id, int tid, const QString& name)
{
    QString used = name;
    if (name.isEmpty() || name == QLatin1String("OUT-CH")) {
        used.clear();
        for (int k = 0; k < 8 && used.isEmpty(); ++k) {
            const QString candidate = QStringLiteral("OUT-CH") + QString::number(k);
            if (!outNameUsed(candidate))
                used = candidate;
        }
        if (used.isEmpty())
            return nullptr;
    }
    auto* out = new NIMOut(id, tid, used);
    m_out.append(out);
    return out;
}

BlockItem* BlockDiagram::createMsrCnt(int id, int tid, const QString& name)
{
    QString used = name;
    if (name.isEmpty() || name == QLatin1String("MsrCnt")) {
        used.clear();
        for (int k = 0; k < 4 && used.isEmpty(); ++k) {
            const QString candidate = QStringLiteral("MsrCnt") + QString::number(k);
            if (!outNameUsed(candidate))
                used = candidate;
        }
        if (used.isEmpty())
            return nullptr;
    }
    auto* msr = new NIMMsrCnt(id, tid, used);
    m_out.append(msr);
    return msr;
}

BlockItem* BlockDiagram::createFeedBackIN(int id, int tid)
{
    auto taken = [this](const QString& name) { return outNameUsed(name); };
    return createFeedBackIN(id, tid, firstFreeName(QStringLiteral("FeedBack"), taken));
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
    auto taken = [this](const QString& name) { return outNameUsed(name); };
    return createNIMLabelIN(id, tid, firstFreeName(QStringLiteral("Label"), taken));
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
    for (NIM_IN* b : m_input) {
        if (b->getName() == name && (tid < 0 || b->getTid() == tid))
            return b;
    }
    return nullptr;
}

BlockItem* BlockDiagram::searchLabel(const QString& name, int tid) const
{
    for (BlockItem* b : m_label) {
        if (b->getName() == name && (tid < 0 || b->getTid() == tid))
            return b;
    }
    return nullptr;
}

PostLogic* BlockDiagram::searchPostLogic(const QString& name, int tid) const
{
    for (PostLogic* b : m_postLogic) {
        if (b->getName() == name && (tid < 0 || b->getTid() == tid))
            return b;
    }
    return nullptr;
}
