#include "picture/sheetPainter.h"

#include "model/blockItem.h"
#include "model/sheetModel.h"
#include "picture/blockPainter.h"

#include <QCoreApplication>
#include <QPainter>

namespace SheetPainter {

namespace {
// Column bands: left and right edge (inclusive) and colour.
struct Band
{
    int left, right;
    QColor color;
};
const Band BANDS[] = {
    {0, 117, QColor(255, 0, 0, 20)},   {118, 259, QColor(255, 255, 0, 50)},
    {260, 400, QColor(0, 255, 0, 50)}, {401, 542, QColor(0, 255, 255, 50)},
    {543, 770, QColor(0, 0, 255, 30)},
};

const SheetModel::Column ALL_COLUMNS[] = {SheetModel::InputColumn, SheetModel::PreLogicColumn,
                                          SheetModel::FunctionColumn, SheetModel::PostLogicColumn,
                                          SheetModel::OutputColumn};
} // namespace

const QVector<Header>& headers()
{
    static const QVector<Header> table{
        {"label_0", QRect(20, 37, 56, 16), QT_TRANSLATE_NOOP("MainWindow", "Input")},
        {"label_1", QRect(142, 37, 63, 30), QT_TRANSLATE_NOOP("MainWindow", "PreLogic\nFeedBack")},
        {"label_2", QRect(284, 37, 56, 30), QT_TRANSLATE_NOOP("MainWindow", "Function\n")},
        {"label_3", QRect(425, 37, 63, 16), QT_TRANSLATE_NOOP("MainWindow", "PostLogic")},
        {"label_4", QRect(567, 37, 111, 45),
         QT_TRANSLATE_NOOP("MainWindow", "Output\nFeedBack\nMeasure Counter")},
    };
    return table;
}

QString headerText(const Header& header)
{
    return QCoreApplication::translate("MainWindow", header.text);
}

QVector<Wire> wires(const SheetModel& sheet)
{
    QVector<Wire> result;
    for (SheetModel::Column column : ALL_COLUMNS) {
        if (column == SheetModel::InputColumn)
            continue;
        for (BlockItem* p : sheet.column(column)) {
            const QVector<QLine> segments = p->getLines();
            for (const QLine& segment : segments)
                result.append(Wire{segment, p});
        }
    }
    return result;
}

void paintBands(QPainter& painter)
{
    painter.save();
    painter.setPen(Qt::NoPen);
    for (const Band& band : BANDS)
        painter.fillRect(QRect(QPoint(band.left, BAND_TOP), QPoint(band.right, SIZE.height() - 1)),
                         band.color);
    painter.restore();
}

void paintWires(QPainter& painter, const QVector<Wire>& wires)
{
    painter.save();
    painter.setPen(QPen(Qt::black));
    painter.setRenderHint(QPainter::Antialiasing);
    for (const Wire& wire : wires)
        painter.drawLine(wire.line);
    painter.restore();
}

void paintHeaders(QPainter& painter)
{
    painter.save();
    painter.setPen(Qt::black);
    for (const Header& header : headers())
        painter.drawText(header.geometry, Qt::AlignLeft | Qt::AlignVCenter, headerText(header));
    painter.restore();
}

void paintBlocks(QPainter& painter, const SheetModel& sheet)
{
    for (SheetModel::Column column : ALL_COLUMNS) {
        for (const BlockItem* p : sheet.column(column))
            BlockPainter::paint(painter, p);
    }
}

void paintSheet(QPainter& painter, const SheetModel& sheet, const QString& topLine)
{
    paintBands(painter);
    if (!topLine.isEmpty()) {
        painter.save();
        painter.setPen(Qt::black);
        painter.drawText(TOP_LINE, Qt::AlignLeft | Qt::AlignVCenter, topLine);
        painter.restore();
    }
    paintHeaders(painter);
    paintWires(painter, wires(sheet));
    paintBlocks(painter, sheet);
}

} // namespace SheetPainter
