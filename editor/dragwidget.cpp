#include "editor/dragwidget.h"

#include "picture/pictureText.h"

#include <QDataStream>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QPainter>

const char* const DragWidget::MIME_FORMAT = "application/x-dnditemdata";

DragWidget::DragWidget(QWidget* parent)
    : QFrame(parent)
{
    initResources();
}

void DragWidget::initResources()
{
    PictureText::registerPictures();
}

QPixmap DragWidget::withCaption(QPixmap pixmap, const QString& str, int inset)
{
    if (!str.isEmpty() && !pixmap.isNull()) {
        QPainter painter(&pixmap);
        PictureText::drawCentred(painter, pixmap.rect(), inset, str);
    }
    return pixmap;
}

QLabel* DragWidget::setLabel(int x, int y, QString str, QPixmap pixmap, int inset)
{
    auto* label = new QLabel(this);
    label->setPixmap(withCaption(pixmap, str, inset));
    label->move(x, y);
    label->show();
    label->setAttribute(Qt::WA_DeleteOnClose);
    return label;
}

QByteArray DragWidget::encodeItem(const QString& name, const QPoint& offset)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream << name << offset;
    return data;
}

bool DragWidget::decodeItem(const QByteArray& data, QString& name, QPoint& offset)
{
    QDataStream stream(data);
    stream >> name >> offset;
    return stream.status() == QDataStream::Ok;
}

namespace {
DragWidget::DragRunner& dragRunner()
{
    static DragWidget::DragRunner runner;
    return runner;
}

// The source of the drag runDrag is running (a test's runner does not tell the events).
QObject* runningSource = nullptr;
} // namespace

void DragWidget::setDragRunner(DragRunner runner)
{
    dragRunner() = std::move(runner);
}

Qt::DropAction DragWidget::runDrag(QDrag* drag, Qt::DropActions actions, Qt::DropAction defaultAction)
{
    if (!dragRunner())
        return drag->exec(actions, defaultAction);
    runningSource = drag->source();
    const Qt::DropAction action = dragRunner()(drag, actions, defaultAction);
    runningSource = nullptr;
    drag->deleteLater();
    return action;
}

QObject* DragWidget::dragSource(const QDropEvent* event)
{
    return event->source() ? event->source() : runningSource;
}

namespace {
// A drag that stays inside one widget is a move; one from another widget is offered as it came.
// QDragEnterEvent derives from QDragMoveEvent, so both handlers share this.
void acceptItemDrag(QDragMoveEvent* event, const QWidget* widget)
{
    if (!event->mimeData()->hasFormat(QLatin1String(DragWidget::MIME_FORMAT))) {
        event->ignore();
        return;
    }
    if (DragWidget::dragSource(event) == widget) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
}
} // namespace

void DragWidget::dragEnterEvent(QDragEnterEvent* event)
{
    acceptItemDrag(event, this);
}

void DragWidget::dragMoveEvent(QDragMoveEvent* event)
{
    acceptItemDrag(event, this);
}
