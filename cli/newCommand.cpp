#include "cli/cliContext.h"
#include "cli/commands.h"
#include "templates/templateCatalog.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QSaveFile>

namespace {

int listTemplates(CliContext& context)
{
    const QVector<TemplateCatalog::Template>& all = TemplateCatalog::all();
    int width = 0;
    for (const TemplateCatalog::Template& t : all)
        width = qMax(width, t.name.size());
    CommandResult result;
    QJsonArray templates;
    for (const TemplateCatalog::Template& t : all) {
        result.text += t.name.leftJustified(width + 2) + t.description + QLatin1Char('\n');
        templates.append(QJsonObject{{"name", t.name}, {"description", t.description}});
    }
    result.data = {{"templates", templates}};
    return context.finish(result);
}

bool writeFile(const QString& fileName, const QByteArray& bytes, QString& error)
{
    QSaveFile file(fileName);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
    return false;
}

// The stimulus beside a document: its name with ".stim" for the suffix.
QString stimulusBeside(const QString& document)
{
    const QFileInfo info(document);
    return QDir(info.path()).filePath(info.completeBaseName() + QStringLiteral(".stim"));
}

} // namespace

int newCommand(CliContext& context, const QStringList& args)
{
    CommandArgs parsed;
    if (!context.scan(args, {QStringLiteral("--template")}, {QStringLiteral("--list")}, parsed))
        return ExitUsage;
    const bool bList = parsed.has(QStringLiteral("--list"));
    const bool bTemplate = parsed.has(QStringLiteral("--template"));
    if (bList && !bTemplate && parsed.positional.isEmpty())
        return listTemplates(context);
    if (bList || !bTemplate || parsed.positional.size() != 1)
        return context.usage(QStringLiteral("new takes --list, or --template NAME and the file to write"));
    const QString name = parsed.value(QStringLiteral("--template"));
    if (!TemplateCatalog::find(name))
        return context.usage(
            QStringLiteral("no template named \"%1\" (vextor-cli new --list lists them)").arg(name));

    // The document is written whatever was there; a stimulus of that name is the user's and stays.
    const QString document = parsed.positional.first();
    const QString stimulus = stimulusBeside(document);
    QString error;
    if (!writeFile(document, TemplateCatalog::read(TemplateCatalog::documentPath(name)), error))
        return context.finish(CommandResult::failure(CommandResult::FILE_FAILURE, error));
    const bool bKept = QFileInfo::exists(stimulus);
    const bool bStimulus =
        !bKept && writeFile(stimulus, TemplateCatalog::read(TemplateCatalog::stimulusPath(name)), error);
    CommandResult result =
        bKept || bStimulus ? CommandResult() : CommandResult::failure(CommandResult::FILE_FAILURE, error);
    result.text = QStringLiteral("Wrote %1 from the template %2\n").arg(document, name);
    if (bKept)
        context.notice(
            QStringLiteral("%1 exists and was kept; the template's stimulus was not written").arg(stimulus));
    if (bStimulus)
        result.text += QStringLiteral("Wrote %1, its stimulus for the preview\n").arg(stimulus);
    result.data = {{"template", name},
                   {"file", document},
                   {"stimulus", bStimulus ? QJsonValue(stimulus) : QJsonValue()}};
    return context.finish(result);
}
