#pragma once

#include "editor/dragwidget.h"

#include <QVector>

class BlockDiagram;
class ResourceCounters;
class QLabel;

// The block palette: one image per block kind, dragged onto a sheet to create a block. Counted
// kinds show their free and total units from the document's resource counters and are greyed
// when none is free. The counters are the state; this widget only draws them.
class MenuWidget : public DragWidget
{
    Q_OBJECT

public:
    // Where an entry stands and the widget that shows it; the counts live in the counters.
    struct menuItem
    {
        QPixmap pixmap; // the plain image
        QString name;
        QString str; // caption
        QLabel* label = nullptr;
        int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    };

    static constexpr int X_MARGIN = 10;
    static constexpr int Y_MARGIN = 10;
    static constexpr int GAP = 7;
    static constexpr int MIN_WIDTH = 120;

    MenuWidget(BlockDiagram* pBlockDiagram, ResourceCounters* pCounters, QWidget* parent = nullptr);
    ~MenuWidget() override;

    // All counts full (a new or cleared document).
    void init();
    bool setCount(int cnt, const QString& name);
    // cnt -1 takes a unit, +1 gives one back; false when refused. An empty name is the entry
    // being dragged.
    bool addCount(int cnt, const QString& name);
    void rename(QString& name, QString& strNew);
    // The name of the entry whose image strictly contains pos (and makes it the current entry).
    QString getName(QPoint pos);

    ResourceCounters* counters() const { return m_pCounters; }
    const QVector<menuItem*>& items() const { return m_menuItems; }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Nothing may be dropped on the palette: a drag ending here would otherwise lose the entry.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildItems();
    void redraw(int index);
    QPixmap entryImage(int index) const;
    static bool isRoutingCounter(const QString& name);

    BlockDiagram* m_pBlockDiagram;
    ResourceCounters* m_pCounters;
    QVector<menuItem*> m_menuItems;
    menuItem* m_current = nullptr;
};
