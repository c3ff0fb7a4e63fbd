#pragma once

#include "model/labelRegistry.h"

#include <QMap>
#include <QObject>
#include <QString>
#include <QVector>

class BlockItem;

// The label panel's state: every label and every FeedBack signal of the document, kept sorted,
// with per sheet whether it is already placed there. The label panel widget draws it.
class LabelModel : public QObject, public LabelRegistry
{
    Q_OBJECT

public:
    struct LabelInfo
    {
        BlockItem* item = nullptr; // the defining block; null until it exists
        QString type;
        QString name;          // the label's name; its blocks carry it and lookups match it
        QString userName;      // the name given by rename: shown instead, and matched too
        QMap<int, bool> bUsed; // per sheet id
    };

    explicit LabelModel(QObject* parent = nullptr);
    ~LabelModel() override;

    void newLabel(BlockItem* item) override;
    // Whether an output of name stands on sheet tid (a negative tid: the sheet in view).
    void setUsed(const QString& name, bool bUsed, int tid = -1);
    bool isUsed(const QString& name, int tid) const;
    bool isLabelUsed(const QString& name) const;
    // The user name a label or FeedBack signal shows; empty when it has none (or no entry).
    QString userName(const QString& name) const;
    // Gives the entry its new name: shown on the panel and answered to by every lookup, while the
    // blocks of the label keep carrying (and finding it by) the name they were made with.
    void rename(const QString& name, const QString& newName);
    void deleteLabel(const QString& name);
    void clearEntry();
    // The defining block is going away: its entry keeps its place but no longer refers to it.
    void forgetItem(const BlockItem* item);
    void setCurrentTab(int id);
    int currentTab() const { return m_tid; }

    static bool strCompare(const QString& a, const QString& b);

    const QVector<LabelInfo>& feedbacks() const { return m_feedback; }
    const QVector<LabelInfo>& labels() const { return m_label; }
    // Resource path of the image an entry shows on sheet tid.
    QString imageFor(const LabelInfo& entry, int tid) const;
    // The name a drag of the entry carries ("Pre" in front for a label defined by a "PreLabel").
    static QString dragName(const LabelInfo& entry);
    // The text drawn on an entry: its user name when set, else its name.
    static QString displayName(const LabelInfo& entry);

signals:
    // The lists or an entry's state changed; the panel redraws.
    void changed();

private:
    LabelInfo* find(const QString& name);
    const LabelInfo* find(const QString& name) const;
    static void insertSorted(QVector<LabelInfo>& list, const LabelInfo& entry);
    void registerDefinition(BlockItem* item, const QString& name, QVector<LabelInfo>& list, bool bUsedHere);

    QVector<LabelInfo> m_feedback;
    QVector<LabelInfo> m_label;
    int m_tid = 0;
};
