#include "model/resourceCounters.h"

#include "model/blockKinds.h"

using namespace BlockKinds;

ResourceCounters::ResourceCounters(QObject* parent)
    : QObject(parent)
{
    struct Row
    {
        QLatin1String name;
        const char* caption;
        const char* image;
        int max;
    };
    static const Row rows[] = {
        {INPUT, "Input", ":/images/MenuInput.png", 0},
        {PRE_LOGIC, "PreLogic", ":/images/MenuPreLgc.png", 0},
        {PRE_LOGIC_INFO, "NET", ":/images/NetPreLgc.png", 8},
        {CNT_FNC, "CntFnc", ":/images/FuncLabel.png", 8},
        {DLY_FNC, "DlyFnc", ":/images/FuncLabel.png", 8},
        {NON_FNC, "NonFnc", ":/images/FuncLabel.png", 6},
        {POST_LOGIC, "PostLogic", ":/images/MenuPstLgc.png", 0},
        {POST_LOGIC_INFO, "NET", ":/images/NetPstLgc.png", 11},
        {ChannelNames::MSR_CNT.prefix, "MsrCnt", ":/images/MenuOut.png", ChannelNames::MSR_CNT.count},
        {ChannelNames::OUTPUT.prefix, "Output", ":/images/MenuOut.png", ChannelNames::OUTPUT.count},
        {FEED_BACK, "FeedBack", ":/images/MenuFeedBack.png", 8},
        {FEED_BACK_INFO, "NET", ":/images/NetFeedBack.png", 8},
        {LABEL, "Label", ":/images/MenuLabel.png", 0},
    };
    for (const Row& row : rows) {
        Entry entry;
        entry.name = row.name;
        entry.caption = QLatin1String(row.caption);
        entry.image = QLatin1String(row.image);
        entry.cnt = row.max;
        entry.max = row.max;
        m_entries.append(entry);
    }
}

void ResourceCounters::init()
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).max > 0)
            setCount(m_entries.at(i).max, i);
    }
}

int ResourceCounters::indexOf(const QString& name) const
{
    for (int i = 0; i < m_entries.size(); ++i) {
        if (m_entries.at(i).name == name)
            return i;
    }
    return -1;
}

int ResourceCounters::count(const QString& name) const
{
    const int i = indexOf(name);
    return i < 0 ? 0 : m_entries.at(i).cnt;
}

int ResourceCounters::total(const QString& name) const
{
    const int i = indexOf(name);
    return i < 0 ? 0 : m_entries.at(i).max;
}

bool ResourceCounters::setCount(int cnt, int index)
{
    if (index < 0 || index >= m_entries.size())
        return false;
    m_entries[index].cnt = cnt;
    emit countChanged(index);
    return true;
}

bool ResourceCounters::setCount(int cnt, const QString& name)
{
    return setCount(cnt, indexOf(name));
}

bool ResourceCounters::isRoutingCounter(const QString& name)
{
    return name == PRE_LOGIC_INFO || name == POST_LOGIC_INFO || name == FEED_BACK_INFO;
}

QString ResourceCounters::paletteUnit(const QString& type)
{
    if (isFunction(type) || isFeedBackIn(type))
        return type;
    if (isOutput(type))
        return ChannelNames::OUTPUT.prefix;
    if (isMsrCnt(type))
        return ChannelNames::MSR_CNT.prefix;
    return QString();
}

QString ResourceCounters::routingUnit(const QString& targetType, const BlockItem* source)
{
    if ((isPreLogic(source) || isLabel(source)) && (isCntFnc(targetType) || isDlyFnc(targetType)))
        return PRE_LOGIC_INFO;
    if (isFeedBack(source))
        return FEED_BACK_INFO;
    return QString();
}

bool ResourceCounters::addToEntry(int cnt, int index)
{
    Entry& entry = m_entries[index];
    const int n = cnt + entry.cnt;
    if (n < 0)
        return false;
    if (entry.max != 0 && n > entry.max)
        return false;
    return setCount(n, index);
}

bool ResourceCounters::addCount(int cnt, int index)
{
    if (index == -1)
        index = m_current;
    if (index < 0 || index >= m_entries.size())
        return false;
    // Every function unit also uses one of the functions the back end can take.
    if (!isFunction(m_entries.at(index).name))
        return addToEntry(cnt, index);
    const int post = indexOf(POST_LOGIC_INFO);
    if (!addToEntry(cnt, post))
        return false;
    if (addToEntry(cnt, index))
        return true;
    addToEntry(-cnt, post);
    return false;
}

bool ResourceCounters::addCount(int cnt, const QString& name)
{
    if (name.isEmpty())
        return addCount(cnt, -1);
    const int index = indexOf(name);
    return index >= 0 && addCount(cnt, index);
}

QString ResourceCounters::captionText(int index) const
{
    if (index < 0 || index >= m_entries.size())
        return QString();
    const Entry& entry = m_entries.at(index);
    if (entry.max > 0)
        return QStringLiteral("%1(%2/%3)").arg(entry.caption).arg(entry.cnt).arg(entry.max);
    return entry.caption;
}
