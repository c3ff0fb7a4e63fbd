#include "editor/customscroll.h"

#include "editor/programWidget.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QWheelEvent>

CustomScroll::CustomScroll(QWidget* parent)
    : QScrollArea(parent)
{
    // Space is held wherever the focus is; the view only cares while the pointer is over it.
    qApp->installEventFilter(&m_panFilter);
}

CustomScroll::~CustomScroll()
{
    qApp->removeEventFilter(&m_panFilter);
}

ProgramWidget* CustomScroll::sheet() const
{
    return qobject_cast<ProgramWidget*>(widget());
}

CustomScroll* CustomScroll::of(const QWidget* sheet)
{
    for (QWidget* w = sheet ? sheet->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<CustomScroll*>(w))
            return scroll;
    }
    return nullptr;
}

void CustomScroll::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        event->ignore();
        return;
    }
    QScrollArea::keyPressEvent(event);
}

void CustomScroll::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier) || !sheet()) {
        QScrollArea::wheelEvent(event);
        return;
    }
    const int steps = event->angleDelta().y();
    if (steps != 0)
        zoomAt(sheet()->zoom() * (steps > 0 ? ZOOM_STEP : 1 / ZOOM_STEP), event->position().toPoint());
    event->accept();
}

void CustomScroll::zoomBy(qreal factor)
{
    if (!sheet())
        return;
    QPoint at = viewport()->mapFromGlobal(QCursor::pos());
    if (!viewport()->rect().contains(at))
        at = viewport()->rect().center();
    zoomAt(sheet()->zoom() * factor, at);
}

void CustomScroll::zoomAt(qreal zoom, const QPoint& viewportPoint)
{
    ProgramWidget* canvas = sheet();
    if (!canvas)
        return;
    const QPoint under = canvas->toSheet(canvas->mapFrom(viewport(), viewportPoint));
    canvas->setZoom(zoom);
    const QPoint now = canvas->toWidget(under);
    horizontalScrollBar()->setValue(now.x() - viewportPoint.x());
    verticalScrollBar()->setValue(now.y() - viewportPoint.y());
}

void CustomScroll::fit()
{
    if (!sheet())
        return;
    const int width = viewport()->width() - verticalScrollBar()->sizeHint().width();
    sheet()->setZoom(qreal(width) / ProgramWidget::MIN_WIDTH);
    horizontalScrollBar()->setValue(0);
}

bool CustomScroll::PanFilter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Space && !key->isAutoRepeat() && m_scroll->isVisible())
            m_scroll->m_bSpace = event->type() == QEvent::KeyPress && m_scroll->viewport()->underMouse();
        return false;
    }
    return watched == m_scroll->widget() && m_scroll->pan(event);
}

// Drags with the middle button, or the left one while Space is held, move the view.
bool CustomScroll::pan(QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseButtonPress) {
        m_bPanning = mouse->button() == Qt::MiddleButton || (mouse->button() == Qt::LeftButton && m_bSpace);
        m_panFrom = mouse->globalPos();
        return m_bPanning;
    }
    if (!m_bPanning)
        return false;
    const QPoint delta = mouse->globalPos() - m_panFrom;
    m_panFrom = mouse->globalPos();
    horizontalScrollBar()->setValue(horizontalScrollBar()->value() - delta.x());
    verticalScrollBar()->setValue(verticalScrollBar()->value() - delta.y());
    if (type == QEvent::MouseButtonRelease)
        m_bPanning = false;
    return true;
}
