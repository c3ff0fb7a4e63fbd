#include "picture/blockPainter.h"

#include "model/blockItem.h"
#include "picture/pictureText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace BlockPainter {

namespace {
// The texts on a picture whose top-left corner is at the painter's origin.
void paintTexts(QPainter& painter, const BlockPicture& picture)
{
    if (picture.text.isEmpty() && picture.delay.isEmpty())
        return;
    const QFont font = painter.font();
    if (picture.bold) {
        QFont bold = font;
        bold.setWeight(QFont::Bold);
        painter.setFont(bold);
    }
    const QRect rect(QPoint(0, 0), picture.size);
    const int inset = PictureText::inset(picture.image);
    if (picture.delay.isEmpty()) {
        PictureText::drawCentred(painter, rect, inset, picture.text);
    } else {
        // The input port takes the first pixels on the left, the picture's own mark the right inset.
        const int left = PictureText::inset(QStringLiteral(":/images/NIMout.png"));
        const int gap = 8;
        const int delayWidth = qCeil(QFontMetricsF(painter.font()).horizontalAdvance(picture.delay));
        const QRect delayRect(left, 0, delayWidth, rect.height());
        PictureText::drawLeft(painter, delayRect, picture.delay);
        const QRect nameRect(QPoint(delayRect.right() + gap, 0),
                             QPoint(rect.width() - inset, rect.height() - 1));
        PictureText::drawCentred(painter, nameRect, 0, picture.text);
    }
    painter.setFont(font);
}
} // namespace

void paint(QPainter& painter, const BlockPicture& picture, const QPoint& at)
{
    if (picture.isNull())
        return;
    painter.save();
    painter.translate(at);
    painter.drawPixmap(QRect(QPoint(0, 0), picture.size), PictureText::picture(picture.image));
    paintTexts(painter, picture);
    painter.restore();
}

void paint(QPainter& painter, const BlockItem* block)
{
    paint(painter, block->getPixmap(), block->getPosition());
}

QPixmap pixmap(const BlockPicture& picture, qreal scale)
{
    if (picture.isNull())
        return QPixmap();
    if (qFuzzyCompare(scale, 1.0)) {
        // Drawn on the picture itself: pixel for pixel what the picture file holds.
        QPixmap shown = PictureText::picture(picture.image);
        QPainter painter(&shown);
        paintTexts(painter, picture);
        return shown;
    }
    QPixmap shown(picture.size * scale);
    shown.fill(Qt::transparent);
    QPainter painter(&shown);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(scale, scale);
    paint(painter, picture, QPoint(0, 0));
    return shown;
}

QPixmap pixmap(const BlockItem* block, qreal scale)
{
    return pixmap(block->getPixmap(), scale);
}

} // namespace BlockPainter
