#include "cli/cliContext.h"
#include "cli/commands.h"
#include "io/document.h"
#include "picture/sheetExport.h"

#include <QFileInfo>
#include <QJsonArray>

namespace {
// --sheet N counts the sheets from 1, in tab order; without it PNG and SVG take the first sheet
// and PDF takes them all.
bool chosenSheets(CliContext& context, const CommandArgs& parsed, const QVector<int>& all, QVector<int>& ids)
{
    if (!parsed.has(QStringLiteral("--sheet"))) {
        ids = all;
        return true;
    }
    bool ok = false;
    const int number = parsed.value(QStringLiteral("--sheet")).toInt(&ok);
    if (!ok || number < 1 || number > all.size()) {
        context.usage(QStringLiteral("export: --sheet takes a sheet number from 1 to %1").arg(all.size()));
        return false;
    }
    ids = {all.at(number - 1)};
    return true;
}
} // namespace

int exportCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--sheet")}, {}, parsed))
        return ExitUsage;
    if (parsed.positional.size() != 2)
        return context.usage(QStringLiteral("export takes a document and an output file"));
    const QString output = parsed.positional.at(1);
    const SheetExport::Format format = SheetExport::formatOf(output);
    if (format == SheetExport::Format::Unknown)
        return context.usage(QStringLiteral("export writes .svg, .png or .pdf files: %1").arg(output));
    // The sheet number is checked against the document, so the document is read first.
    const std::unique_ptr<Document> doc = context.loadDocument(parsed.positional.at(0));
    if (!doc)
        return ExitFailure;
    QVector<int> ids;
    if (!chosenSheets(context, parsed, SheetExport::sheetIds(*doc), ids))
        return ExitUsage;
    if (format != SheetExport::Format::Pdf)
        ids.resize(1);

    QString error;
    bool written = false;
    if (format == SheetExport::Format::Pdf) {
        const SheetExport::Heading heading{QFileInfo(parsed.positional.at(0)).fileName(),
                                           SheetExport::moduleAddress(*doc), QDate::currentDate()};
        written = SheetExport::writePdf(*doc, ids, heading, output, &error);
    } else if (format == SheetExport::Format::Svg) {
        written = SheetExport::writeSvg(*doc, ids.first(), output, &error);
    } else {
        written = SheetExport::writePng(*doc, ids.first(), output, &error);
    }
    if (!written)
        return context.finish(
            CommandResult::failure(CommandResult::FILE_FAILURE, QStringLiteral("%1: %2").arg(output, error)));
    CommandResult result;
    QJsonArray sheets;
    for (int id : ids)
        sheets.append(doc->sheetName(id));
    result.data = {{"file", output}, {"sheets", sheets}};
    return context.finish(result);
}
