#pragma once

#include "model/blockPicture.h"

#include <QPixmap>
#include <QPoint>

class BlockItem;
class QPainter;

// Draws blocks: the picture a block's model keeps (the program's picture with its texts), on any
// paint device. The sheet canvas shows what this draws, and so does every export.
namespace BlockPainter {

// Draws the picture with its top-left corner at `at`, in the painter's font.
void paint(QPainter& painter, const BlockPicture& picture, const QPoint& at);
// Draws a block where it stands on its sheet.
void paint(QPainter& painter, const BlockItem* block);
// The block's picture as a pixmap, scale times its size.
QPixmap pixmap(const BlockItem* block, qreal scale = 1.0);
QPixmap pixmap(const BlockPicture& picture, qreal scale = 1.0);

} // namespace BlockPainter
