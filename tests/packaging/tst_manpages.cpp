#include "app/commandLine.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

namespace {

// The words a text uses as options: "-h", "--csv-dir" (not the hyphen inside "user-control").
QStringList optionWords(const QString& text)
{
    static const QRegularExpression option(QStringLiteral("(?<![\\w-])--?[A-Za-z][\\w-]*"));
    QStringList words;
    for (auto it = option.globalMatch(text); it.hasNext();)
        words << it.next().captured();
    words.removeDuplicates();
    return words;
}

// What a usage text lists: the program's options and each command's (the lines after "Commands:").
struct Usage
{
    QStringList options;
    QMap<QString, QStringList> commands;

    explicit Usage(const QString& text)
    {
        bool bCommands = false;
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String("Commands:"))) {
                bCommands = true;
            } else if (bCommands && line.startsWith(QLatin1Char(' '))) {
                // "  protect [--current on|off] ...   show or set ..."
                commands[line.simplified().section(QLatin1Char(' '), 0, 0)] = optionWords(line);
            } else {
                options << optionWords(line);
            }
        }
    }
};

// A manual page's sections and, per section, its .TP entries by the first word of their tag.
struct Page
{
    QMap<QString, QString> sections;
    QMap<QString, QMap<QString, QString>> entries;

    explicit Page(QString text)
    {
        text.replace(QLatin1String("\\-"), QLatin1String("-"));
        text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
        QString section;
        QString tag; // of the tagged paragraph the lines belong to, "." before its tag line
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String(".SH ")) || line.startsWith(QLatin1String(".PP")))
                tag.clear();
            if (line.startsWith(QLatin1String(".SH ")))
                section = line.mid(4).remove(QLatin1Char('"')).trimmed();
            else if (line.startsWith(QLatin1String(".TP")))
                tag = QStringLiteral(".");
            else if (tag == QLatin1String("."))
                tag = line.section(QLatin1Char(' '), 0, 0);
            if (!tag.isEmpty() && tag != QLatin1String("."))
                entries[section][tag] += line + QLatin1Char('\n');
            sections[section] += line + QLatin1Char('\n');
        }
    }
};

// Both ways: what the usage lists and the page lacks, and what only the page documents.
void compare(const QStringList& listed, const QStringList& documented, const QString& where,
             QStringList& problems)
{
    for (const QString& word : listed)
        if (!documented.contains(word))
            problems << QStringLiteral("%1 lacks %2").arg(where, word);
    for (const QString& word : documented)
        if (!listed.contains(word))
            problems << QStringLiteral("%1 documents %2, which the usage does not list").arg(where, word);
}

QString runUsage(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

} // namespace

// The manual pages document exactly the options and commands the programs' usage texts list.
class TestManPages : public QObject
{
    Q_OBJECT

private slots:
    void pageFollowsUsage_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("usage");
        // The editor shows its usage in a message box only; its text comes from the same function.
        QTest::newRow("vextor") << "vextor" << usageText("vextor");
        QTest::newRow("vextor-cli") << "vextor-cli" << runUsage(VEXTOR_BINARY_DIR "/cli/vextor-cli", {});
        QTest::newRow("vextor-sim") << "vextor-sim"
                                    << runUsage(VEXTOR_BINARY_DIR "/sim/vextor-sim", {"--help"});
    }

    void pageFollowsUsage()
    {
        QFETCH(QString, program);
        QFETCH(QString, usage);
        const Usage listed(usage);
        QVERIFY2(!listed.options.isEmpty(), qPrintable(program + " printed no usage: " + usage));
        QFile file(QStringLiteral(VEXTOR_SOURCE_DIR "/packaging/man/%1.1.in").arg(program));
        const QString source = file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        QVERIFY2(!source.isEmpty(), qPrintable(program + ": no page packaging/man/" + program + ".1.in"));
        const Page page(source);

        QStringList problems;
        compare(listed.options, optionWords(page.sections.value("OPTIONS")), "OPTIONS", problems);
        const QMap<QString, QString> commands = page.entries.value("COMMANDS");
        compare(listed.commands.keys(), commands.keys(), "COMMANDS", problems);
        for (auto it = listed.commands.begin(); it != listed.commands.end(); ++it) {
            if (commands.contains(it.key()))
                compare(it.value(), optionWords(commands[it.key()]), "the entry for " + it.key(), problems);
        }

        const QString where = QStringLiteral("%1(1), packaging/man/%1.1.in: ").arg(program);
        QVERIFY2(problems.isEmpty(), qPrintable(where + problems.join(QStringLiteral("\n    ") + where)));
    }
};

QTEST_GUILESS_MAIN(TestManPages)
#include "tst_manpages.moc"
