#pragma once

#include "model/channelNames.h"

#include <QObject>
#include <QString>
#include <QVector>

class BlockItem;

// The document-wide counters of the module's fixed hardware, shown by the block palette: how many
// functions of each kind, outputs, measure counters and FeedBack blocks are still free, and the
// three routing counters "PreLogicInfo", "PostLogicInfo" and "FeedBackInfo".
class ResourceCounters : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QString name;    // key used by all lookups and by the drag payload
        QString caption; // text shown ("NET" for the routing counters)
        QString image;   // resource path of the palette image
        int cnt = 0;     // units free
        int max = 0;     // units in all; 0 = not counted
    };

    // The routing counters: one unit per connection of that kind.
    static constexpr QLatin1String PRE_LOGIC_INFO = latin1("PreLogicInfo");
    static constexpr QLatin1String POST_LOGIC_INFO = latin1("PostLogicInfo");
    static constexpr QLatin1String FEED_BACK_INFO = latin1("FeedBackInfo");
    static bool isRoutingCounter(const QString& name);
    // The palette entry a block of this type takes one unit of (functions, FeedBack blocks,
    // outputs, measure counters); empty for the kinds that are not counted.
    static QString paletteUnit(const QString& type);
    // The routing counter a wire from source into a block of this type takes: "PreLogicInfo"
    // from a PreLogic or label into a counter or delay, "FeedBackInfo" from a FeedBack signal;
    // empty when none.
    static QString routingUnit(const QString& targetType, const BlockItem* source);

    explicit ResourceCounters(QObject* parent = nullptr);

    // All counts full.
    void init();
    const QVector<Entry>& entries() const { return m_entries; }
    int indexOf(const QString& name) const;
    int count(const QString& name) const;
    int total(const QString& name) const;

    // The entry being dragged (the palette sets it when a drag starts); -1 = none.
    void setCurrent(int index) { m_current = index; }
    int current() const { return m_current; }

    bool setCount(int cnt, int index);
    bool setCount(int cnt, const QString& name);
    // Adds cnt (-1 takes, +1 gives back); false when refused, with nothing changed. Taking a
    // function also takes one "PostLogicInfo". An empty name (or index -1) means the current entry.
    bool addCount(int cnt, int index);
    bool addCount(int cnt, const QString& name);

    // "%1(%2/%3)" for counted entries, the caption alone otherwise.
    QString captionText(int index) const;

signals:
    void countChanged(int index);

private:
    bool addToEntry(int cnt, int index);

    QVector<Entry> m_entries;
    int m_current = -1;
};
