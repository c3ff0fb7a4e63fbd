#pragma once

#include <QPoint>
#include <QRect>

// Where windows stand on the screens: a window that reaches past its screen's edge, or that was
// stored on a screen that is no longer there, is moved back where the user can reach it.

// The available area (without panels) of the screen that holds `point`, or of the primary screen
// when no screen does.
QRect availableAreaAt(const QPoint& point);

// The top-left corner that puts `frame` inside `area`. A frame larger than the area keeps its
// top-left corner, and with it the title bar and the menus, inside.
QPoint placedWithin(const QRect& frame, const QRect& area);

// `geometry` as stored by an earlier run, moved onto a screen when its top-left corner is on none.
QRect restoredOnScreen(const QRect& geometry);
