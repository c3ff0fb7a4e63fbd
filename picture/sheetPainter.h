#pragma once

#include <QLine>
#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

class BlockItem;
class QPainter;
class SheetModel;

// Draws a sheet: the coloured column bands, the column headers, the wires and the blocks, on any
// paint device (the canvas, an image, an SVG or PDF page). The canvas draws its bands and wires
// through here and shows the same block pictures, so an export looks like the sheet on screen.
namespace SheetPainter {

// The sheet's drawn area: the bands reach x = 770 and y = 1030 (both included).
constexpr QSize SIZE(771, 1031);
constexpr int BAND_TOP = 30;

// A column header: its object name on the canvas, where it stands and its text (translatable
// under the context "MainWindow").
struct Header
{
    const char* objectName;
    QRect geometry;
    const char* text;
};
const QVector<Header>& headers();
QString headerText(const Header& header);
// Where the line naming the module stands.
constexpr QRect TOP_LINE(10, 0, 600, 30);

// A wire segment and the block that receives it.
struct Wire
{
    QLine line;
    BlockItem* target;
};
// Every wire of the sheet: for each block of the PreLogic, function, PostLogic and output columns
// in slot order, one segment per connected input (inputs draw no wires of their own).
QVector<Wire> wires(const SheetModel& sheet);

void paintBands(QPainter& painter);
void paintWires(QPainter& painter, const QVector<Wire>& wires);
void paintHeaders(QPainter& painter);
void paintBlocks(QPainter& painter, const SheetModel& sheet);
// The whole sheet: bands, topLine (the module's address) above them, headers, wires, blocks.
void paintSheet(QPainter& painter, const SheetModel& sheet, const QString& topLine);

} // namespace SheetPainter
