#pragma once

#include <QFrame>
#include <QPixmap>

#include <functional>

class QDrag;
class QDropEvent;
class QLabel;

// Base of the sheet canvas, the block palette and the label panel: a frame that shows pictures as
// child labels and takes part in the editor's drag and drop.
class DragWidget : public QFrame
{
    Q_OBJECT

public:
    // The MIME format of every drag inside the editor: a QString item name and a QPoint offset.
    static const char* const MIME_FORMAT;

    explicit DragWidget(QWidget* parent = nullptr);

    // Registers the compiled-in pictures (":/images/...", ":/Vextor_icon/...").
    static void initResources();

    // Draws str centred on pixmap (when not empty), kept inset pixels from its left and right
    // edges, and shows the result as a new child label at (x, y). The label deletes itself when
    // closed.
    QLabel* setLabel(int x, int y, QString str, QPixmap pixmap, int inset = 0);
    // The picture with str drawn on it as setLabel draws it.
    static QPixmap withCaption(QPixmap pixmap, const QString& str, int inset);

    // The payload of an editor drag.
    static QByteArray encodeItem(const QString& name, const QPoint& offset);
    static bool decodeItem(const QByteArray& data, QString& name, QPoint& offset);

    // Runs every drag the editor starts and returns the action it ended with. The default runs the
    // platform's drag (QDrag::exec); a test installs one that drops the payload where it wants,
    // since a headless platform cannot run a real drag. An empty runner restores the default.
    using DragRunner = std::function<Qt::DropAction(QDrag*, Qt::DropActions, Qt::DropAction)>;
    static void setDragRunner(DragRunner runner);
    static Qt::DropAction runDrag(QDrag* drag, Qt::DropActions actions, Qt::DropAction defaultAction);
    // The widget a drop comes from: the event's source, or the one of the drag being run.
    static QObject* dragSource(const QDropEvent* event);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
};
