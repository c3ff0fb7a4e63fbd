#pragma once

#include <QFrame>
#include <QPixmap>

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

    // The payload of an editor drag.
    static QByteArray encodeItem(const QString& name, const QPoint& offset);
    static bool decodeItem(const QByteArray& data, QString& name, QPoint& offset);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
};
