#pragma once

#include <QDate>
#include <QImage>
#include <QString>
#include <QVector>

class Document;
class QPagedPaintDevice;
class QPainter;

// A document's sheets as files and pages: one sheet as a PNG image or an SVG drawing, the whole
// document as a logbook (a page a sheet, headed by the document's name, the module's address and
// the date, with a table of every block's settings) on a PDF or a printer. Every sheet is drawn by
// the sheet painter, as the editor shows it.
namespace SheetExport {

// What heads each logbook page besides the sheet's name.
struct Heading
{
    QString documentName;
    QString moduleAddress;
    QDate date;
};

enum class Format { Png, Svg, Pdf, Unknown };
// The format a file name asks for, by its extension (case ignored).
Format formatOf(const QString& fileName);

// The sheets of the document in tab order (their ids).
QVector<int> sheetIds(const Document& document);
// "IP address: ...   TCP port: ...   UDP port: ...", the line above a sheet.
QString connectionLine(const Document& document);
// "192.168.10.16 (UDP 4660, TCP 24)".
QString moduleAddress(const Document& document);

// Draws sheet id at the painter's origin, in the sheet's own units (771 x 1031).
void paintSheet(QPainter& painter, Document& document, int id);
// The sheet as an image, scale times its size, on white.
QImage sheetImage(Document& document, int id, qreal scale = 2.0);

// Each writes the file whole or not at all, and says why in error on failure.
bool writePng(Document& document, int id, const QString& fileName, QString* error);
bool writeSvg(Document& document, int id, const QString& fileName, QString* error);
bool writePdf(Document& document, const QVector<int>& ids, const Heading& heading, const QString& fileName,
              QString* error);

// The logbook pages of sheets ids on any paged device (a PDF writer, a printer).
void paintLogbook(QPagedPaintDevice& device, Document& document, const QVector<int>& ids,
                  const Heading& heading);

} // namespace SheetExport
