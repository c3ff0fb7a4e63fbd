#include "picture/sheetExport.h"

#include "io/document.h"
#include "model/blockCaption.h"
#include "model/blockItem.h"
#include "picture/pictureText.h"
#include "picture/sheetPainter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace SheetExport {

namespace {
// Logbook pages: A4 landscape in points, the sheet on the left, its table on the right.
constexpr int POINTS_PER_INCH = 72;
constexpr qreal MARGIN_MM = 10;
constexpr qreal HEADING_POINTS = 11;
constexpr qreal TABLE_POINTS = 8, TABLE_MIN_POINTS = 4;
constexpr qreal GAP = 12;

QString translated(const char* text)
{
    return QCoreApplication::translate("SheetExport", text);
}

bool finish(QSaveFile& file, bool drawn, QString* error)
{
    if (drawn && file.commit())
        return true;
    if (error)
        *error = file.errorString().isEmpty() ? translated("the drawing could not be written")
                                              : file.errorString();
    file.cancelWriting();
    return false;
}

bool open(QSaveFile& file, QString* error)
{
    if (file.open(QIODevice::WriteOnly))
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

// The sheet's font: the editor's, at its pixel size.
void useSheetFont(QPainter& painter)
{
    QFont font = painter.font();
    font.setPixelSize(PictureText::FONT_PIXELS);
    painter.setFont(font);
}

// Every block of the sheet in column order, then slot order: (block, user name, resource, settings).
struct Row
{
    QString name;
    QString resource;
    QString settings;
};
QVector<Row> rows(const SheetModel& sheet)
{
    QVector<Row> result;
    for (int c = 0; c < SheetModel::ColumnCount; ++c) {
        for (const BlockItem* p : sheet.column(SheetModel::Column(c)))
            result.append(Row{p->getUserName(), p->getName(), settingsDescription(p)});
    }
    return result;
}

// The table of a sheet's blocks in rect, its font shrunk until every row fits.
void paintTable(QPainter& painter, const QRectF& rect, const QVector<Row>& table)
{
    QFont font = painter.font();
    qreal points = TABLE_POINTS;
    qreal line = 0;
    for (;; points -= 0.5) {
        font.setPointSizeF(points);
        line = QFontMetricsF(font).lineSpacing();
        if (line * (table.size() + 1) <= rect.height() || points <= TABLE_MIN_POINTS)
            break;
    }
    painter.save();
    painter.setFont(font);
    const qreal nameWidth = rect.width() * 0.25, resourceWidth = rect.width() * 0.17;
    const qreal settingsLeft = rect.left() + nameWidth + resourceWidth;
    const QFontMetricsF metrics(font);
    auto row = [&](qreal y, const QString& name, const QString& resource, const QString& settings) {
        painter.drawText(QRectF(rect.left(), y, nameWidth - 4, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(name, Qt::ElideRight, nameWidth - 4));
        painter.drawText(QRectF(rect.left() + nameWidth, y, resourceWidth - 4, line),
                         Qt::AlignLeft | Qt::AlignVCenter, resource);
        const qreal width = rect.right() - settingsLeft;
        painter.drawText(QRectF(settingsLeft, y, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(settings, Qt::ElideRight, width));
    };
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(bold);
    row(rect.top(), translated("Name"), translated("Block"), translated("Settings"));
    painter.setFont(font);
    painter.drawLine(QPointF(rect.left(), rect.top() + line), QPointF(rect.right(), rect.top() + line));
    qreal y = rect.top() + line;
    for (const Row& r : table) {
        if (y + line > rect.bottom() + 0.5)
            break;
        row(y, r.name, r.resource, r.settings);
        y += line;
    }
    painter.restore();
}

void paintPage(QPainter& painter, const QRectF& page, Document& document, int id, const Heading& heading)
{
    QFont font = painter.font();
    font.setPointSizeF(HEADING_POINTS);
    painter.setFont(font);
    const qreal headingHeight = QFontMetricsF(font).lineSpacing() * 1.5;
    const QString title = QStringLiteral("%1 \u2014 %2").arg(heading.documentName, document.sheetName(id));
    painter.drawText(QRectF(page.left(), page.top(), page.width() / 2, headingHeight),
                     Qt::AlignLeft | Qt::AlignTop, title);
    painter.drawText(
        QRectF(page.left() + page.width() / 2, page.top(), page.width() / 2, headingHeight),
        Qt::AlignRight | Qt::AlignTop,
        translated("module %1   %2").arg(heading.moduleAddress, heading.date.toString(Qt::ISODate)));

    const QRectF body(page.left(), page.top() + headingHeight, page.width(), page.height() - headingHeight);
    const QSizeF sheetSize(SheetPainter::SIZE);
    const qreal scale = qMin(body.width() * 0.58 / sheetSize.width(), body.height() / sheetSize.height());
    painter.save();
    painter.translate(body.topLeft());
    painter.scale(scale, scale);
    paintSheet(painter, document, id);
    painter.restore();

    const qreal tableLeft = body.left() + sheetSize.width() * scale + GAP;
    paintTable(painter, QRectF(tableLeft, body.top(), body.right() - tableLeft, body.height()),
               rows(*document.sheet(id)));
}
} // namespace

Format formatOf(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return Format::Png;
    if (suffix == QLatin1String("svg"))
        return Format::Svg;
    if (suffix == QLatin1String("pdf"))
        return Format::Pdf;
    return Format::Unknown;
}

QVector<int> sheetIds(const Document& document)
{
    QVector<int> ids;
    for (int id = 0; id < document.sheetCount(); ++id) {
        if (document.sheet(id))
            ids.append(id);
    }
    return ids;
}

QString connectionLine(const Document& document)
{
    const InfoOstrum& info = document.info();
    return QCoreApplication::translate("ProgramWidget", "IP address: %1   TCP port: %2   UDP port: %3")
        .arg(info.strAddr)
        .arg(info.tcpPort)
        .arg(info.udpPort);
}

QString moduleAddress(const Document& document)
{
    const InfoOstrum& info = document.info();
    return QStringLiteral("%1 (UDP %2, TCP %3)").arg(info.strAddr).arg(info.udpPort).arg(info.tcpPort);
}

void paintSheet(QPainter& painter, Document& document, int id)
{
    const SheetModel* sheet = document.sheet(id);
    if (!sheet)
        return;
    painter.save();
    useSheetFont(painter);
    SheetPainter::paintSheet(painter, *sheet, connectionLine(document));
    painter.restore();
}

QImage sheetImage(Document& document, int id, qreal scale)
{
    QImage image(SheetPainter::SIZE * scale, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    paintSheet(painter, document, id);
    return image;
}

bool writePng(Document& document, int id, const QString& fileName, QString* error)
{
    QSaveFile file(fileName);
    if (!open(file, error))
        return false;
    return finish(file, sheetImage(document, id).save(&file, "PNG"), error);
}

bool writeSvg(Document& document, int id, const QString& fileName, QString* error)
{
    QSaveFile file(fileName);
    if (!open(file, error))
        return false;
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(SheetPainter::SIZE);
    svg.setViewBox(QRect(QPoint(0, 0), SheetPainter::SIZE));
    svg.setTitle(document.sheetName(id));
    svg.setDescription(connectionLine(document));
    bool drawn = false;
    {
        QPainter painter;
        drawn = painter.begin(&svg);
        if (drawn)
            paintSheet(painter, document, id);
    }
    return finish(file, drawn, error);
}

bool writePdf(Document& document, const QVector<int>& ids, const Heading& heading, const QString& fileName,
              QString* error)
{
    QSaveFile file(fileName);
    if (!open(file, error))
        return false;
    QPdfWriter pdf(&file);
    pdf.setTitle(heading.documentName);
    pdf.setCreator(QStringLiteral("Vextor"));
    paintLogbook(pdf, document, ids, heading);
    return finish(file, true, error);
}

void paintLogbook(QPagedPaintDevice& device, Document& document, const QVector<int>& ids,
                  const Heading& heading)
{
    device.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape,
                                     QMarginsF(MARGIN_MM, MARGIN_MM, MARGIN_MM, MARGIN_MM),
                                     QPageLayout::Millimeter));
    QPainter painter(&device);
    // Points on every device: its own resolution scaled down.
    const qreal toPoints = qreal(device.logicalDpiX()) / POINTS_PER_INCH;
    painter.scale(toPoints, toPoints);
    const QRectF page(QPointF(0, 0), QSizeF(device.width(), device.height()) / toPoints);
    bool first = true;
    for (int id : ids) {
        if (!document.sheet(id))
            continue;
        if (!first)
            device.newPage();
        first = false;
        paintPage(painter, page, document, id, heading);
    }
}

} // namespace SheetExport
