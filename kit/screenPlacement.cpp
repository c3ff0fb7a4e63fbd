#include "kit/screenPlacement.h"

#include <QGuiApplication>
#include <QScreen>

QRect availableAreaAt(const QPoint& point)
{
    const QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QPoint placedWithin(const QRect& frame, const QRect& area)
{
    return {qBound(area.left(), frame.left(), qMax(area.left(), area.right() + 1 - frame.width())),
            qBound(area.top(), frame.top(), qMax(area.top(), area.bottom() + 1 - frame.height()))};
}

QRect restoredOnScreen(const QRect& geometry)
{
    if (QGuiApplication::screenAt(geometry.topLeft()))
        return geometry;
    const QRect area = availableAreaAt(geometry.topLeft());
    if (area.isEmpty())
        return geometry;
    return QRect(placedWithin(geometry, area), geometry.size());
}
