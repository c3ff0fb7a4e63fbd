// Writes the bash completion of vextor-cli from the program's own tables, so that it lists what
// the program accepts: the global options of its usage line and, for each command of its command
// table, the options, the values they take and the arguments, read from the command's synopsis
// ("DOC SLOT [--comment TEXT] [--boot]"), and the names of the templates. The template holds the
// completion logic; this fills in its tables.
//   vextor-completion <template> <output>

#include "cli/cliApp.h"
#include "cli/commands.h"
#include "templates/templateCatalog.h"

#include <QFile>
#include <QSaveFile>

#include <cstdio>

namespace {

// One word of a synopsis and the bracketed group it stands in (0: none), so that "[--out FILE]"
// pairs the option with its value and "[--boot] [--force]" does not.
struct Word
{
    QString text;
    int group;
};

QVector<Word> synopsisWords(const QString& synopsis)
{
    QVector<Word> words;
    int group = 0;
    int groups = 0;
    QString text;
    const auto flush = [&] {
        if (!text.isEmpty())
            words.append({text, group});
        text.clear();
    };
    for (const QChar c : synopsis) {
        if (c == QLatin1Char('[')) {
            flush();
            group = ++groups;
        } else if (c == QLatin1Char(']')) {
            flush();
            group = 0;
        } else if (c.isSpace()) {
            flush();
        } else {
            text += c;
        }
    }
    flush();
    return words;
}

// A synopsis split into its options (each with the value it takes, or empty for a flag) and its
// other arguments, in order.
struct Synopsis
{
    QVector<QPair<QString, QString>> options;
    QStringList arguments;
};

Synopsis readSynopsis(const QString& text)
{
    Synopsis synopsis;
    const QVector<Word> words = synopsisWords(text);
    for (int i = 0; i < words.size(); ++i) {
        const Word& word = words.at(i);
        if (!word.text.startsWith(QLatin1Char('-'))) {
            synopsis.arguments << word.text;
            continue;
        }
        QString value;
        if (i + 1 < words.size() && words.at(i + 1).group == word.group &&
            !words.at(i + 1).text.startsWith(QLatin1Char('-')))
            value = words.at(++i).text;
        synopsis.options.append({word.text, value});
    }
    return synopsis;
}

QString quoted(const QString& text)
{
    QString inner = text;
    return QLatin1Char('\'') + inner.replace(QLatin1Char('\''), QLatin1String("'\\''")) + QLatin1Char('\'');
}

QString entry(const QString& key, const QString& value)
{
    return QStringLiteral("[%1]=%2").arg(quoted(key), quoted(value));
}

QString optionNames(const Synopsis& synopsis)
{
    QStringList names;
    for (const auto& option : synopsis.options)
        names << option.first;
    return names.join(QLatin1Char(' '));
}

QMap<QString, QString> tables()
{
    // The usage line: "Usage: vextor-cli [-h host] ... COMMAND [ARGS]".
    QString usage = CliApp::usageText().section(QLatin1Char('\n'), 0, 0);
    usage = usage.section(QLatin1Char(' '), 2).section(QLatin1String("COMMAND"), 0, 0);
    const Synopsis global = readSynopsis(usage);
    QStringList globalValues;
    for (const auto& option : global.options)
        if (!option.second.isEmpty()) // a flag takes no value
            globalValues << entry(option.first, option.second);

    QStringList commands, options, values, arguments;
    for (const CliCommand& command : CliApp::commands()) {
        const QString name = QLatin1String(command.name);
        const Synopsis synopsis = readSynopsis(QLatin1String(command.arguments));
        commands << name;
        options << entry(name, optionNames(synopsis));
        for (const auto& option : synopsis.options)
            if (!option.second.isEmpty())
                values << entry(name + QLatin1Char(' ') + option.first, option.second);
        arguments << entry(name, synopsis.arguments.join(QLatin1Char(' ')));
    }
    QStringList templates;
    for (const TemplateCatalog::Template& t : TemplateCatalog::all())
        templates << t.name;
    const QString separator = QStringLiteral("\n        ");
    return {
        {QStringLiteral("@FLEET_COMMANDS@"), quoted(fleetCommandNames().join(QLatin1Char(' ')))},
        {QStringLiteral("@TEMPLATES@"), quoted(templates.join(QLatin1Char(' ')))},
        {QStringLiteral("@GLOBAL_OPTIONS@"), quoted(optionNames(global))},
        {QStringLiteral("@GLOBAL_VALUES@"), globalValues.join(QLatin1Char(' '))},
        {QStringLiteral("@COMMANDS@"), quoted(commands.join(QLatin1Char(' ')))},
        {QStringLiteral("@OPTIONS@"), separator + options.join(separator) + QStringLiteral("\n    ")},
        {QStringLiteral("@VALUES@"), separator + values.join(separator) + QStringLiteral("\n    ")},
        {QStringLiteral("@ARGUMENTS@"), separator + arguments.join(separator) + QStringLiteral("\n    ")}};
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <template> <output>\n", argv[0]);
        return 64;
    }
    QFile in(QString::fromLocal8Bit(argv[1]));
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", argv[1], qPrintable(in.errorString()));
        return 2;
    }
    QString script = QString::fromUtf8(in.readAll());
    const QMap<QString, QString> filled = tables();
    for (auto it = filled.begin(); it != filled.end(); ++it) {
        if (!script.contains(it.key())) {
            std::fprintf(stderr, "%s: no %s to fill in\n", argv[1], qPrintable(it.key()));
            return 2;
        }
        script.replace(it.key(), it.value());
    }
    QSaveFile out(QString::fromLocal8Bit(argv[2]));
    if (!out.open(QIODevice::WriteOnly) || out.write(script.toUtf8()) < 0 || !out.commit()) {
        std::fprintf(stderr, "%s: %s\n", argv[2], qPrintable(out.errorString()));
        return 2;
    }
    return 0;
}
