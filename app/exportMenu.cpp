#include "app/exportMenu.h"

#include "app/mainwindow.h"
#include "picture/sheetExport.h"

#include <QAction>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>

namespace {
SheetExport::Heading headingOf(MainWindow& window)
{
    const InfoOstrum& info = *window.infoOstrum();
    const QString name =
        window.fileName().isEmpty() ? QObject::tr("untitled") : QFileInfo(window.fileName()).fileName();
    return SheetExport::Heading{
        name, QStringLiteral("%1 (UDP %2, TCP %3)").arg(info.strAddr).arg(info.udpPort).arg(info.tcpPort),
        QDate::currentDate()};
}

// The file name with the extension of the filter chosen when it has none of the three.
QString withExtension(const QString& fileName)
{
    if (SheetExport::formatOf(fileName) != SheetExport::Format::Unknown)
        return fileName;
    return fileName + QStringLiteral(".pdf");
}

void exportTo(MainWindow& window)
{
    const QString start = window.fileName().isEmpty()
                              ? QString()
                              : QFileInfo(window.fileName()).absolutePath() + QLatin1Char('/') +
                                    QFileInfo(window.fileName()).completeBaseName();
    QString fileName = window.prompts().saveFileName(
        &window, QObject::tr("Export"), start,
        QObject::tr("PDF logbook, every sheet (*.pdf);;PNG image of this sheet (*.png);;SVG drawing of this "
                    "sheet (*.svg)"));
    if (fileName.isEmpty())
        return;
    fileName = withExtension(fileName);
    Document& document = *window.document();
    const int sheet = window.currentTab();
    QString error;
    bool written = false;
    switch (SheetExport::formatOf(fileName)) {
    case SheetExport::Format::Png:
        written = SheetExport::writePng(document, sheet, fileName, &error);
        break;
    case SheetExport::Format::Svg:
        written = SheetExport::writeSvg(document, sheet, fileName, &error);
        break;
    default:
        written = SheetExport::writePdf(document, SheetExport::sheetIds(document), headingOf(window),
                                        fileName, &error);
        break;
    }
    if (!written)
        window.prompts().warning(&window, QObject::tr("Export"),
                                 QStringLiteral("%1: %2").arg(fileName, error));
}

void print(MainWindow& window)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(headingOf(window).documentName);
    QPrintDialog dialog(&printer, &window);
    if (window.prompts().exec(dialog) != QDialog::Accepted)
        return;
    Document& document = *window.document();
    SheetExport::paintLogbook(printer, document, SheetExport::sheetIds(document), headingOf(window));
}
} // namespace

void connectExportMenu(MainWindow& window)
{
    QObject::connect(window.action(QStringLiteral("actionExport")), &QAction::triggered, &window,
                     [&window] { exportTo(window); });
    QObject::connect(window.action(QStringLiteral("actionPrint")), &QAction::triggered, &window,
                     [&window] { print(window); });
}
