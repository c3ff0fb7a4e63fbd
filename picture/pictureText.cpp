#include "picture/pictureText.h"

#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPixmapCache>

// The pictures are compiled into this static library, whose resource object is only linked in
// when something refers to it.
static void registerPictureResources()
{
    Q_INIT_RESOURCE(draggableicons);
}

namespace PictureText {

void registerPictures()
{
    static const bool registered = (registerPictureResources(), true);
    Q_UNUSED(registered);
}

QPixmap picture(const QString& resource)
{
    registerPictures();
    // The toolkit's cache lives and dies with the application, as pixmaps must.
    QPixmap pixmap;
    if (!QPixmapCache::find(resource, &pixmap)) {
        pixmap = QPixmap(resource);
        QPixmapCache::insert(resource, pixmap);
    }
    return pixmap;
}

int inset(const QString& resource)
{
    // Measured on the pictures: the widest mark at either end (port, socket, tag hole and point,
    // the feedback cap, the palette's accent strip) and one pixel of air.
    static const QHash<QString, int> insets{
        {QStringLiteral(":/images/label-IN.png"), 14},     {QStringLiteral(":/images/PreLgc.png"), 8},
        {QStringLiteral(":/images/PstLgc.png"), 8},        {QStringLiteral(":/images/Function.png"), 8},
        {QStringLiteral(":/images/Function0.png"), 21},    {QStringLiteral(":/images/NIMout.png"), 8},
        {QStringLiteral(":/images/FeedBack.png"), 15},     {QStringLiteral(":/images/MsrCnt.png"), 8},
        {QStringLiteral(":/images/MsrCnt1.png"), 8},       {QStringLiteral(":/images/MsrCnt2.png"), 8},
        {QStringLiteral(":/images/MsrCnt3.png"), 8},       {QStringLiteral(":/images/LabelIN.png"), 12},
        {QStringLiteral(":/images/Label.png"), 12},        {QStringLiteral(":/images/FncLabel.png"), 12},
        {QStringLiteral(":/images/MenuInput.png"), 5},     {QStringLiteral(":/images/MenuPreLgc.png"), 5},
        {QStringLiteral(":/images/MenuPstLgc.png"), 5},    {QStringLiteral(":/images/MenuOut.png"), 5},
        {QStringLiteral(":/images/NetPreLgc.png"), 5},     {QStringLiteral(":/images/NetPstLgc.png"), 5},
        {QStringLiteral(":/images/MenuFeedBack.png"), 14}, {QStringLiteral(":/images/NetFeedBack.png"), 13},
        {QStringLiteral(":/images/MenuLabel.png"), 13},    {QStringLiteral(":/images/FuncLabel.png"), 13},
        {QStringLiteral(":/images/LabelON.png"), 10},      {QStringLiteral(":/images/FncLabelON.png"), 10},
        {QStringLiteral(":/images/LabelOFF.png"), 10},
    };
    return insets.value(resource, 0);
}

namespace {
QFont scaled(const QFont& font, double scale)
{
    QFont smaller = font;
    if (font.pixelSize() > 0)
        smaller.setPixelSize(qMax(1, int(font.pixelSize() * scale)));
    else
        smaller.setPointSizeF(font.pointSizeF() * scale);
    return smaller;
}

bool fits(const QFont& font, const QString& text, int width)
{
    return QFontMetricsF(font).horizontalAdvance(text) <= width;
}
} // namespace

QFont fittedFont(const QFont& font, const QString& text, int width)
{
    if (fits(font, text, width))
        return font;
    // One step is one pixel (or point) at the sizes the editor uses.
    const double size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
    for (double smaller = size - 1; smaller >= size * MIN_SCALE; smaller -= 1) {
        const QFont candidate = scaled(font, smaller / size);
        if (fits(candidate, text, width))
            return candidate;
    }
    return scaled(font, MIN_SCALE);
}

QString fittedText(const QFont& font, const QString& text, int width)
{
    const QFont used = fittedFont(font, text, width);
    if (fits(used, text, width))
        return text;
    return QFontMetricsF(used).elidedText(text, Qt::ElideRight, width);
}

void drawCentred(QPainter& painter, const QRect& rect, int inset, const QString& text)
{
    const int width = rect.width() - 2 * inset;
    const QFont font = painter.font();
    painter.setFont(fittedFont(font, text, width));
    painter.drawText(rect, Qt::AlignHCenter | Qt::AlignVCenter, fittedText(font, text, width));
    painter.setFont(font);
}

void drawLeft(QPainter& painter, const QRect& rect, const QString& text)
{
    const QFont font = painter.font();
    painter.setFont(fittedFont(font, text, rect.width()));
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, fittedText(font, text, rect.width()));
    painter.setFont(font);
}

} // namespace PictureText
