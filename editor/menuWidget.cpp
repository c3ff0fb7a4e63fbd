#include "editor/menuWidget.h"

#include "model/resourceCounters.h"
#include "picture/pictureText.h"

#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

namespace {
const QColor GREY_OVERLAY(127, 127, 127, 127);

// What a routing counter counts, which its caption "NET" does not say; empty for other entries.
QString routingToolTip(const QString& name)
{
    if (name == ResourceCounters::PRE_LOGIC_INFO)
        return MenuWidget::tr("CntFnc and DlyFnc inputs that can still come from the PreLogic column");
    if (name == ResourceCounters::FEED_BACK_INFO)
        return MenuWidget::tr("CntFnc and DlyFnc inputs that can still come from FeedBack");
    if (name == ResourceCounters::POST_LOGIC_INFO)
        return MenuWidget::tr("Functions (CntFnc, DlyFnc and NonFnc together) that can still be placed");
    return QString();
}
} // namespace

MenuWidget::MenuWidget(BlockDiagram* pBlockDiagram, ResourceCounters* pCounters, QWidget* parent)
    : DragWidget(parent)
    , m_pBlockDiagram(pBlockDiagram)
    , m_pCounters(pCounters)
{
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    buildItems();
    connect(m_pCounters, &ResourceCounters::countChanged, this, &MenuWidget::redraw);
}

MenuWidget::~MenuWidget()
{
    qDeleteAll(m_menuItems);
}

bool MenuWidget::isRoutingCounter(const QString& name)
{
    return ResourceCounters::isRoutingCounter(name);
}

// Entries stand one below the other, 7 pixels apart; a routing counter ("NET") hangs 1 pixel into
// the image above it, so that it reads as part of that block kind.
void MenuWidget::buildItems()
{
    int y = Y_MARGIN;
    int bottom = Y_MARGIN;
    const QVector<ResourceCounters::Entry>& entries = m_pCounters->entries();
    for (int i = 0; i < entries.size(); ++i) {
        const ResourceCounters::Entry& entry = entries.at(i);
        auto* item = new menuItem;
        item->pixmap = PictureText::picture(entry.image);
        item->name = entry.name;
        item->str = entry.caption;
        if (i > 0)
            y = isRoutingCounter(entry.name) ? bottom - 1 : bottom + GAP;
        item->x1 = X_MARGIN;
        item->y1 = y;
        item->x2 = X_MARGIN + item->pixmap.width();
        item->y2 = y + item->pixmap.height();
        bottom = item->y2;
        m_menuItems.append(item);
        redraw(i);
        item->label->setToolTip(routingToolTip(entry.name));
    }
    setMinimumSize(MIN_WIDTH, bottom + GAP);
}

QPixmap MenuWidget::entryImage(int index) const
{
    QPixmap pixmap = m_menuItems.at(index)->pixmap;
    if (m_pCounters->entries().at(index).max > 0 && m_pCounters->entries().at(index).cnt == 0) {
        QPainter painter(&pixmap);
        painter.fillRect(pixmap.rect(), GREY_OVERLAY);
    }
    return pixmap;
}

void MenuWidget::redraw(int index)
{
    if (index < 0 || index >= m_menuItems.size())
        return;
    menuItem* item = m_menuItems.at(index);
    const QString caption = m_pCounters->captionText(index);
    const int inset = PictureText::inset(m_pCounters->entries().at(index).image);
    // Counts change with every block placed: the entry's picture is drawn afresh in place.
    if (item->label)
        item->label->setPixmap(withCaption(entryImage(index), caption, inset));
    else
        item->label = setLabel(item->x1, item->y1, caption, entryImage(index), inset);
}

void MenuWidget::init()
{
    m_pCounters->init();
}

bool MenuWidget::setCount(int cnt, const QString& name)
{
    return m_pCounters->setCount(cnt, name);
}

bool MenuWidget::addCount(int cnt, const QString& name)
{
    return m_pCounters->addCount(cnt, name);
}

void MenuWidget::rename(QString& name, QString& strNew)
{
    for (int i = 0; i < m_menuItems.size(); ++i) {
        menuItem* item = m_menuItems.at(i);
        if (item->name != name && item->str != name)
            continue;
        item->str = strNew;
        if (item->label)
            item->label->close();
        item->label = setLabel(item->x1, item->y1, strNew, entryImage(i),
                               PictureText::inset(m_pCounters->entries().at(i).image));
        return;
    }
}

QString MenuWidget::getName(QPoint pos)
{
    for (int i = 0; i < m_menuItems.size(); ++i) {
        menuItem* item = m_menuItems.at(i);
        if (item->x1 < pos.x() && pos.x() < item->x2 && item->y1 < pos.y() && pos.y() < item->y2) {
            m_current = item;
            m_pCounters->setCurrent(i);
            return item->name;
        }
    }
    return QString();
}

void MenuWidget::mousePressEvent(QMouseEvent* event)
{
    auto* child = qobject_cast<QLabel*>(childAt(event->pos()));
    if (!child) {
        event->ignore();
        return;
    }
    const QString name = getName(event->pos());
    if (name.isEmpty() || isRoutingCounter(name))
        return;
    const int index = m_menuItems.indexOf(m_current);
    QLabel* label = m_current->label;
    const QPixmap pixmap = label->pixmap() ? *label->pixmap() : QPixmap();
    const QPoint offset = event->pos() - label->pos();

    auto* mimeData = new QMimeData;
    mimeData->setData(QLatin1String(MIME_FORMAT), encodeItem(name, offset));
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData);
    drag->setPixmap(pixmap);
    drag->setHotSpot(offset);

    QPixmap shaded = pixmap;
    {
        QPainter painter(&shaded);
        painter.fillRect(shaded.rect(), GREY_OVERLAY);
    }
    label->setPixmap(shaded);

    runDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    // The entry stays whatever the drop did: the counts changed by the drop are shown afresh.
    redraw(index);
}

void MenuWidget::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
}

void MenuWidget::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
}

void MenuWidget::dropEvent(QDropEvent* event)
{
    event->ignore();
}
