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

// What a usage text lists: the options of the program itself and, for a program with commands
// (the lines after "Commands:"), each command's options.
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

// A manual page's source, read for what it documents: its sections and, in a section, the
// tagged paragraphs (.TP) that document one option or command each.
class Page
{
public:
    explicit Page(const QString& roff)
    {
        QString text = roff;
        text.replace(QLatin1String("\\-"), QLatin1String("-"));
        text.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")));
        QString section;
        bool bEntry = false; // within a tagged paragraph
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            if (line.startsWith(QLatin1String(".SH "))) {
                section = line.mid(4).remove(QLatin1Char('"')).trimmed();
                bEntry = false;
            } else if (line.startsWith(QLatin1String(".TP"))) {
                m_entries[section].append(QString());
                bEntry = true;
            } else if (line.startsWith(QLatin1String(".PP"))) {
                bEntry = false;
            } else if (bEntry) {
                m_entries[section].last() += line + QLatin1Char('\n');
            }
            m_sections[section] += line + QLatin1Char('\n');
        }
    }

    QString section(const QString& name) const { return m_sections.value(name); }
    // The first word of each entry's tag: "monitor" for "monitor DOC [--seconds N] ...".
    QStringList entryWords(const QString& section) const
    {
        QStringList words;
        for (const QString& entry : m_entries.value(section))
            words << tagWord(entry);
        return words;
    }
    QString entry(const QString& section, const QString& word) const
    {
        for (const QString& entry : m_entries.value(section))
            if (tagWord(entry) == word)
                return entry;
        return QString();
    }

private:
    static QString tagWord(const QString& entry)
    {
        return entry.section(QLatin1Char('\n'), 0, 0).section(QLatin1Char(' '), 0, 0);
    }

    QMap<QString, QString> m_sections;
    QMap<QString, QStringList> m_entries; // per section, each entry's tag line and paragraph
};

// Both ways: what the usage lists and the page lacks, and what the page documents that the usage
// does not list (any more).
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

QString readPage(const QString& program)
{
    QFile file(QStringLiteral(VEXTOR_SOURCE_DIR "/packaging/man/%1.1.in").arg(program));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString runUsage(const QString& program, const QStringList& args)
{
    QProcess process;
    process.start(program, args);
    process.waitForFinished();
    return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

} // namespace

// The manual pages are written by hand; this keeps them in step with the programs' usage texts.
// Every option a program lists has its paragraph in the page's OPTIONS, every command of
// vextor-cli its entry in COMMANDS with each of its options, and a page documents no option or
// command the program does not have (any more).
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
        const QString source = readPage(program);
        QVERIFY2(!source.isEmpty(), qPrintable(program + ": no page packaging/man/" + program + ".1.in"));
        const Page page(source);

        QStringList problems;
        compare(listed.options, optionWords(page.section("OPTIONS")), "OPTIONS", problems);
        compare(listed.commands.keys(), page.entryWords("COMMANDS"), "COMMANDS", problems);
        for (auto it = listed.commands.begin(); it != listed.commands.end(); ++it) {
            const QString entry = page.entry("COMMANDS", it.key());
            if (!entry.isEmpty())
                compare(it.value(), optionWords(entry), "the entry for " + it.key(), problems);
        }

        const QString where = QStringLiteral("%1(1), packaging/man/%1.1.in: ").arg(program);
        QVERIFY2(problems.isEmpty(), qPrintable(where + problems.join(QStringLiteral("\n    ") + where)));
    }
};

QTEST_GUILESS_MAIN(TestManPages)
#include "tst_manpages.moc"
