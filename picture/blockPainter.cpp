#include "picture/blockPainter.h"

#include "model/blockItem.h"
#include "model/nimLogic.h"
#include "picture/pictureText.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QtMath>

namespace BlockPainter {

namespace {
// The caption and the operand letters are drawn smaller than the name.
constexpr double CAPTION_SCALE = 0.8;
constexpr int OPERAND_PIXELS = 8;
// Operand letters stand in two staggered columns beside the pins (one pin every 5 pixels, from y 3).
constexpr int OPERAND_X = 7, OPERAND_STAGGER = 12, OPERAND_Y0 = 3, OPERAND_PITCH = 5;
constexpr int OPERAND_SPACE = 2 * OPERAND_STAGGER + 4;

QFont scaledFont(const QFont& font, double scale)
{
    QFont smaller = font;
    if (font.pixelSize() > 0)
        smaller.setPixelSize(qMax(1, qRound(font.pixelSize() * scale)));
    else
        smaller.setPointSizeF(font.pointSizeF() * scale);
    return smaller;
}

void paintOperands(QPainter& painter, const BlockPicture& picture)
{
    QFont font = painter.font();
    font.setPixelSize(OPERAND_PIXELS);
    font.setWeight(QFont::Normal);
    painter.save();
    painter.setFont(font);
    for (int k : picture.operands) {
        const int x = OPERAND_X + (k % 2) * OPERAND_STAGGER;
        const int y = OPERAND_Y0 + OPERAND_PITCH * k;
        painter.drawText(QRect(x, y - OPERAND_PIXELS / 2 - 1, OPERAND_STAGGER + 2, OPERAND_PIXELS + 2),
                         Qt::AlignLeft | Qt::AlignVCenter, NIMLogic::operandName(k));
    }
    painter.restore();
}

// The name alone, or the name over the settings caption.
void paintNameAndCaption(QPainter& painter, const QRect& rect, int inset, const BlockPicture& picture)
{
    if (picture.caption.isEmpty()) {
        PictureText::drawCentred(painter, rect, inset, picture.text);
        return;
    }
    const int half = rect.height() / 2;
    const QRect top(rect.left(), rect.top() + 1, rect.width(), half);
    const QRect bottom(rect.left(), rect.top() + half, rect.width(), rect.height() - half - 1);
    PictureText::drawCentred(painter, top, inset, picture.text);
    const QFont font = painter.font();
    painter.setFont(scaledFont(font, CAPTION_SCALE));
    PictureText::drawCentred(painter, bottom, inset, picture.caption);
    painter.setFont(font);
}

// The texts on a picture whose top-left corner is at the painter's origin.
void paintTexts(QPainter& painter, const BlockPicture& picture)
{
    if (!picture.operands.isEmpty())
        paintOperands(painter, picture);
    if (picture.text.isEmpty() && picture.delay.isEmpty() && picture.caption.isEmpty())
        return;
    const QFont font = painter.font();
    if (picture.bold) {
        QFont bold = font;
        bold.setWeight(QFont::Bold);
        painter.setFont(bold);
    }
    QRect rect(QPoint(0, 0), picture.size);
    const int inset = PictureText::inset(picture.image);
    if (!picture.operands.isEmpty())
        rect.setLeft(OPERAND_SPACE - inset);
    if (picture.delay.isEmpty()) {
        paintNameAndCaption(painter, rect, inset, picture);
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
    paint(painter, shownPicture(block), block->getPosition());
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
    return pixmap(shownPicture(block), scale);
}

} // namespace BlockPainter
