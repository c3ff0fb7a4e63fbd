#include "io/document.h"
#include "operations/moduleList.h"
#include "tests/support/dataRow.h"

#include <QTemporaryDir>
#include <QtTest>

// The module list: its lines, what it refuses (with the line), its documents and its round trip.
class TestModuleList : public QObject
{
    Q_OBJECT
private slots:
    // Each module as "name address document", documents taken from the list's folder /lab.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("modules");
        dataRow(
            "defaults, comments, blank lines and CRLF",
            QByteArray("# crate 1\r\n\r\nA 10.0.0.1\r\nB-2 10.0.0.2:5000  # spare\n  C.3\t10.0.0.3:5000:25 "
                       "d.vxt3\n"),
            QStringList{"A 10.0.0.1:4660:24 ", "B-2 10.0.0.2:5000:24 ", "C.3 10.0.0.3:5000:25 /lab/d.vxt3"});
        dataRow("documents: relative, absolute, quoted with blanks and #",
                QByteArray("a 1.2.3.4 ../x/y.vxt3\nb 1.2.3.4 /abs/z.vxt3\nc 1.2.3.4 \"run 7/#1.vxt3\"\n"),
                QStringList{"a 1.2.3.4:4660:24 /x/y.vxt3", "b 1.2.3.4:4660:24 /abs/z.vxt3",
                            "c 1.2.3.4:4660:24 /lab/run 7/#1.vxt3"});
        dataRow("nothing but comments", QByteArray("# none yet\n"), QStringList{});
    }
    void parse()
    {
        QFETCH(QByteArray, text);
        QString error;
        const std::optional<ModuleList> list = ModuleList::parse(text, "/lab", &error);
        QVERIFY2(list, qPrintable(error));
        QStringList modules;
        for (const ModuleEntry& m : list->modules())
            modules << QString("%1 %2 %3").arg(m.name, m.address(), m.document);
        QTEST(modules, "modules");
    }

    // The first bad line is refused with its number and why; nothing is taken from the list.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("error");
        dataRow("one field", QByteArray("a 1.2.3.4\nb\n"),
                QString("line 2: expected NAME HOST[:UDP[:TCP]] "
                        "[DOCUMENT], found 1 fields"));
        dataRow("four fields", QByteArray("a 1.2.3.4 d e\n"),
                QString("line 1: expected NAME HOST[:UDP[:TCP]] [DOCUMENT], found 4 fields"));
        dataRow("duplicate name", QByteArray("a 1.2.3.4\n#\na 1.2.3.5\n"),
                QString("line 3: the name a is already used on line 1"));
        dataRow("host", QByteArray("a crate1\n"),
                QString("line 1: crate1 is not a module address (HOST[:UDP[:TCP]])"));
        dataRow("too many ports", QByteArray("a 1.2.3.4:1:2:3\n"),
                QString("line 1: 1.2.3.4:1:2:3 is not a module address (HOST[:UDP[:TCP]])"));
        dataRow("UDP port", QByteArray("a 1.2.3.4:70000\n"), QString("line 1: 70000 is not a UDP port"));
        dataRow("TCP port", QByteArray("a 1.2.3.4:1:x\n"), QString("line 1: x is not a TCP port"));
        dataRow("open quote", QByteArray("a 1.2.3.4 \"d.vxt3\n"), QString("line 1: a quote is not closed"));
        dataRow("quote in a word", QByteArray("a 1.2.3.4 d\"x\n"), QString("line 1: a quote inside a word"));
        dataRow(
            "name with a slash", QByteArray("a/b 1.2.3.4\n"),
            QString(
                "line 1: the name a/b may hold only letters, digits, \"_\", \"-\" and \".\" (not first)"));
        dataRow(
            "name starting with a dot", QByteArray(".. 1.2.3.4\n"),
            QString("line 1: the name .. may hold only letters, digits, \"_\", \"-\" and \".\" (not first)"));
    }
    void refused()
    {
        QFETCH(QByteArray, text);
        QString error;
        QVERIFY(!ModuleList::parse(text, "/lab", &error));
        QTEST(error, "error");
    }

    // A file: its errors name it and the line; saved again it keeps its lines, comments and
    // blank lines, and saved elsewhere only the lines whose documents read differently from there
    // change; a list past the size limit is not read.
    void file()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath("crate.list");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const QByteArray text = "# crate 1\n\nt1  127.0.0.1 docs/a.vxt3 # left\r\n"
                                "t2 127.0.0.2:4661 \"/far away/b.vxt3\"\nt3 127.0.0.3:4660:25 # spare\n";
        f.write(text);
        f.close();
        QString error;
        std::optional<ModuleList> list = ModuleList::load(path, &error);
        QVERIFY2(list, qPrintable(error));
        QCOMPARE(list->at(0).document, dir.filePath("docs/a.vxt3"));
        QCOMPARE(list->at(1).line, 4);
        QCOMPARE(list->toText(dir.path()), text);

        ModuleEntry added;
        added.name = "t4";
        added.host = "127.0.0.4";
        added.document = dir.filePath("docs/d.vxt3");
        QVERIFY(list->append(added, &error));
        QVERIFY(QDir(dir.path()).mkdir("sub"));
        const QString moved = dir.filePath("sub/copy.list");
        QVERIFY(list->save(moved, &error));
        QFile copy(moved);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(copy.readAll()),
                 QString("# crate 1\n\nt1 127.0.0.1 %1 # left\r\n"
                         "t2 127.0.0.2:4661 \"/far away/b.vxt3\"\nt3 127.0.0.3:4660:25 # spare\n"
                         "t4 127.0.0.4 %2\n")
                     .arg(dir.filePath("docs/a.vxt3"), dir.filePath("docs/d.vxt3")));
        const std::optional<ModuleList> again = ModuleList::load(moved, &error);
        QVERIFY2(again, qPrintable(error));
        for (int i = 0; i < list->size(); ++i)
            QCOMPARE(again->at(i).document + again->at(i).address(),
                     list->at(i).document + list->at(i).address());
        ModuleList built;
        QVERIFY(built.append(added, &error));
        QCOMPARE(QString::fromUtf8(built.toText(dir.path())),
                 QString("# NAME HOST[:UDP[:TCP]] [DOCUMENT]\nt4 127.0.0.4 docs/d.vxt3\n"));

        QVERIFY(f.open(QIODevice::Append));
        f.write("t1 127.0.0.9\n");
        f.close();
        QVERIFY(!ModuleList::load(path, &error));
        QCOMPARE(error, path + ":6: the name t1 is already used on line 3");
        QVERIFY(f.resize(ModuleList::MAX_FILE_SIZE + 1));
        QVERIFY(!ModuleList::load(path, &error));
        QCOMPARE(error, path + ": a module list is at most 1048576 bytes; it is not read");
        QVERIFY(!ModuleList::load(dir.filePath("missing.list"), &error));
        QVERIFY(error.startsWith(dir.filePath("missing.list") + ": "));
    }

    // A module is driven as one module is: the list's address and ports, the document's
    // time-out (unless the user gave one) and Auto Start.
    void target()
    {
        ModuleEntry entry;
        entry.host = "10.1.1.1";
        entry.udpPort = 5000;
        Document doc;
        doc.info() = InfoOstrum{QString(), "10.9.9.9", 99, 99, 7, false};
        const InfoOstrum t = entry.target(&doc);
        QCOMPARE(QString("%1 %2 %3 %4 %5")
                     .arg(t.strAddr)
                     .arg(t.udpPort)
                     .arg(t.tcpPort)
                     .arg(t.timeout)
                     .arg(t.bStart ? "true" : "false"),
                 QString("10.1.1.1 5000 24 7 false"));
        QCOMPARE(entry.target().timeout, InfoOstrum::DEFAULT_TIMEOUT);
        QCOMPARE(entry.target(&doc, 0).timeout, 0); // the user's -o wins, 0 included
    }
};

QTEST_GUILESS_MAIN(TestModuleList)
#include "tst_modulelist.moc"
