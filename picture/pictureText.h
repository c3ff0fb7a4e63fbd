#pragma once

#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QString>

class QPainter;

// Text drawn on the editor's pictures (blocks, palette entries, label-panel entries). Each picture
// keeps a margin on both sides free for its ports, markers and tag holes; a text is centred on the
// picture and kept inside the rest. It is measured in the font it is drawn with: a text too wide
// is drawn smaller, down to MIN_SCALE of its size, and what still does not fit is elided.
namespace PictureText {

constexpr double MIN_SCALE = 0.75;

// The size of the editor's font in pixels: the sheet, its exports and the window use it.
constexpr int FONT_PIXELS = 12;

// Makes the compiled-in pictures (":/images/...", ":/Vextor_icon/...") available.
void registerPictures();

// The picture with this resource path, decoded once (a document shows the same few pictures
// hundreds of times, and every undo shows them again).
QPixmap picture(const QString& resource);

// The margin (pixels, on each side) that text leaves free on the picture with this resource path;
// 0 for pictures without such marks.
int inset(const QString& resource);

// The font, no larger than font, in which text fits width pixels, and the text as it is then
// drawn (elided when even the smallest font is too wide).
QFont fittedFont(const QFont& font, const QString& text, int width);
QString fittedText(const QFont& font, const QString& text, int width);

// Draws text centred in rect with the painter's font, kept inset pixels from the left and right
// edges. The painter's font is left as it was.
void drawCentred(QPainter& painter, const QRect& rect, int inset, const QString& text);
// Draws text left-aligned and vertically centred in rect, fitted to its width.
void drawLeft(QPainter& painter, const QRect& rect, const QString& text);

} // namespace PictureText
