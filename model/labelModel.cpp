#include "model/labelModel.h"

#include "model/blockItem.h"
#include "model/blockKinds.h"

using BlockKinds::FEED_BACK;
using BlockKinds::LABEL;

LabelModel::LabelModel(QObject* parent)
    : QObject(parent)
{}

LabelModel::~LabelModel() = default;

bool LabelModel::strCompare(const QString& a, const QString& b)
{
    for (const QLatin1String& prefix : {FEED_BACK, LABEL}) {
        if (a.startsWith(prefix) && b.startsWith(prefix))
            return a.mid(prefix.size()).toInt() < b.mid(prefix.size()).toInt();
    }
    return false;
}

void LabelModel::insertSorted(QVector<LabelInfo>& list, const LabelInfo& entry)
{
    int i = 0;
    while (i < list.size() && !strCompare(entry.name, list.at(i).name))
        ++i;
    list.insert(i, entry);
}

LabelModel::LabelInfo* LabelModel::find(const QString& name)
{
    QVector<LabelInfo>& list = isFeedBackName(name) ? m_feedback : m_label;
    for (LabelInfo& entry : list) {
        if (entry.name == name)
            return &entry;
    }
    // A renamed entry also answers to its new name, in either list (the new name need not tell a
    // FeedBack signal from a label). The name of a label or FeedBack signal itself, as its blocks
    // carry it, always means that signal, whatever another entry has been renamed to.
    if (name.startsWith(LABEL) || isFeedBackName(name))
        return nullptr;
    for (QVector<LabelInfo>* any : {&m_feedback, &m_label}) {
        for (LabelInfo& entry : *any) {
            if (!entry.userName.isEmpty() && entry.userName == name)
                return &entry;
        }
    }
    return nullptr;
}

const LabelModel::LabelInfo* LabelModel::find(const QString& name) const
{
    return const_cast<LabelModel*>(this)->find(name);
}

// Points the entry of that name at its defining block, or adds a sorted entry for it.
void LabelModel::registerDefinition(BlockItem* item, const QString& name, QVector<LabelInfo>& list,
                                    bool bUsedHere)
{
    if (LabelInfo* entry = find(name)) {
        entry->item = item;
        if (bUsedHere)
            entry->bUsed.insert(m_tid, true);
        return;
    }
    LabelInfo created;
    created.item = item;
    created.type = item->getType();
    created.name = name;
    created.bUsed.insert(m_tid, bUsedHere);
    insertSorted(list, created);
}

void LabelModel::newLabel(BlockItem* item)
{
    QString name = item->getName();
    if (isFeedBackName(name)) {
        name = name.mid(name.indexOf(FEED_BACK));
        registerDefinition(item, name, m_feedback, false);
    } else if (isLabelName(name)) {
        // The defining sheet of a label counts as used.
        registerDefinition(item, name, m_label, true);
    } else {
        return;
    }
    emit changed();
}

void LabelModel::setUsed(const QString& name, bool bUsed, int tid)
{
    LabelInfo* entry = find(name);
    if (!entry) {
        LabelInfo created;
        created.name = name;
        QVector<LabelInfo>& list = isFeedBackName(name) ? m_feedback : m_label;
        insertSorted(list, created);
        entry = find(name);
    }
    entry->bUsed.insert(tid < 0 ? m_tid : tid, bUsed);
    emit changed();
}

bool LabelModel::isUsed(const QString& name, int tid) const
{
    const LabelInfo* entry = find(name);
    if (!entry)
        return true;
    return entry->bUsed.value(tid < 0 ? m_tid : tid, false);
}

bool LabelModel::isLabelUsed(const QString& name) const
{
    const LabelInfo* entry = find(name);
    if (!entry)
        return false;
    int sheets = 0;
    for (const bool used : entry->bUsed)
        sheets += used ? 1 : 0;
    return sheets > 1;
}

QString LabelModel::userName(const QString& name) const
{
    const LabelInfo* entry = find(name);
    return entry ? entry->userName : QString();
}

void LabelModel::rename(const QString& name, const QString& newName)
{
    if (LabelInfo* entry = find(name)) {
        entry->userName = newName;
        emit changed();
    }
}

void LabelModel::deleteLabel(const QString& name)
{
    const LabelInfo* entry = find(name);
    for (QVector<LabelInfo>* list : {&m_feedback, &m_label}) {
        for (int i = 0; entry && i < list->size(); ++i) {
            if (&list->at(i) == entry) {
                list->removeAt(i);
                emit changed();
                return;
            }
        }
    }
}

void LabelModel::clearEntry()
{
    m_feedback.clear();
    m_label.clear();
    emit changed();
}

void LabelModel::forgetItem(const BlockItem* item)
{
    for (QVector<LabelInfo>* list : {&m_feedback, &m_label}) {
        for (LabelInfo& entry : *list) {
            if (entry.item == item)
                entry.item = nullptr;
        }
    }
    emit changed();
}

void LabelModel::setCurrentTab(int id)
{
    if (id == m_tid)
        return;
    m_tid = id;
    for (QVector<LabelInfo>* list : {&m_feedback, &m_label}) {
        for (LabelInfo& entry : *list) {
            if (!entry.bUsed.contains(id))
                entry.bUsed.insert(id, false);
        }
    }
    emit changed();
}

QString LabelModel::imageFor(const LabelInfo& entry, int tid) const
{
    const bool feedback = isFeedBackName(entry.name);
    if (entry.bUsed.value(tid, false) || (!feedback && !entry.item))
        return QStringLiteral(":/images/LabelOFF.png");
    if (feedback || isPreLabel(entry.item))
        return QStringLiteral(":/images/LabelON.png");
    return QStringLiteral(":/images/FncLabelON.png");
}

QString LabelModel::dragName(const LabelInfo& entry)
{
    if (!isFeedBackName(entry.name) && isPreLabelIn(entry.item))
        return QStringLiteral("Pre") + entry.name;
    return entry.name;
}

QString LabelModel::displayName(const LabelInfo& entry)
{
    return entry.userName.isEmpty() ? entry.name : entry.userName;
}
