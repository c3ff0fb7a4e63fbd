#include "io/document.h"
#include "io/documentFile.h"
#include "tests/support/dataRow.h"
#include "tests/support/documents.h"
#include "tests/support/randomDocument.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
using Messages = QVector<QPair<QString, QString>>;

// Every block in pool order with its wired inputs (":port<source") and {settings}; free units.
QString summary(Document& doc)
{
    QStringList blocks;
    for (const BlockItem* b : doc.diagram()->allBlocks()) {
        QString text = b->getName();
        for (auto it = b->getPort().constBegin(); it != b->getPort().constEnd(); ++it)
            text += QString(":%1<%2").arg(it.key()).arg(it.value()->getName());
        blocks << text + (b->getProperty().isEmpty() ? QString() : "{" + b->getProperty() + "}");
    }
    return QString("%1 | %2 %3")
        .arg(blocks.join(' '))
        .arg(doc.counters()->count(ResourceCounters::PRE_LOGIC_INFO))
        .arg(doc.counters()->count(ResourceCounters::FEED_BACK_INFO));
}

// A paste target without room: every block offered is refused.
struct NoRoom : PasteHook
{
    int pasteItem(const QString&, QString&) override { return -1; }
};
} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void writesTheExactFormat()
    {
        // Read and written back byte for byte: markup escaped, blanks kept, four blanks a level.
        const QByteArray expected =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<Vextor3 addr=\"192.168.10.16\" tcpPort=\"24\" udpPort=\"4660\" Timeout=\"1\" "
            "autoConnect=\"false\">\n"
            "    <tab id=\"0\" name=\"A&lt;&amp;&quot;&gt;\">\n"
            "        <entry term=\"Input\">\n"
            "            <id>0</id>\n"
            "            <name>IN-CH2</name>\n"
            "        </entry>\n"
            "        <entry term=\"PreLogic\">\n"
            "            <id>0</id>\n"
            "            <name>PreLgc0</name>\n"
            "            <userName> my pre </userName>\n"
            "            <net port=\"3\">IN-CH2</net>\n"
            "            <property>_D &amp; !_A</property>\n"
            "        </entry>\n"
            "    </tab>\n"
            "    <tab id=\"1\" name=\"Sheet1\">\n"
            "        <entry term=\"OUT-CH0\">\n"
            "            <id>2</id>\n"
            "            <name>OUT-CH0</name>\n"
            "        </entry>\n"
            "    </tab>\n"
            "</Vextor3>\n";
        Document doc;
        QVERIFY(doc.parseFile(expected));
        QCOMPARE(QString::fromUtf8(doc.toXml()), QString::fromUtf8(expected));
    }

    void rootAttributes_data()
    {
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<QString>("settings"); // "address tcp udp timeout on/off"
        QTest::addColumn<QString>("message");  // what the reader says about them; empty: nothing
        const QString range =
            QStringLiteral("The time-out %1 is out of range: it must be 0 to 60 seconds. %2 is used.");
        dataRow("Timeout 0 reads as 1", QByteArray("Timeout=\"0\""), " 0 0 1 off", QString());
        dataRow("autoConnect True is off", QByteArray("autoConnect=\"True\""), " 0 0 1 off", QString());
        dataRow("ports keep low 16 bits", QByteArray("tcpPort=\"70000\" udpPort=\"-1\""), " 4464 65535 1 off",
                QString());
        dataRow("Timeout beyond int", QByteArray("Timeout=\"2147483648\""), " 0 0 60 off",
                range.arg(2147483648LL).arg(60));
        dataRow("negative Timeout", QByteArray("Timeout=\"-5\""), " 0 0 1 off", range.arg(-5).arg(1));
    }

    void rootAttributes()
    {
        QFETCH(QByteArray, root);
        Document doc;
        doc.info().strFPGA = "v2";
        QVERIFY(doc.parseFile(wrap(tab(0, ""), root)));
        const InfoOstrum& info = doc.info();
        QTEST(QString("%1 %2 %3 %4 %5")
                  .arg(info.strAddr)
                  .arg(info.tcpPort)
                  .arg(info.udpPort)
                  .arg(info.timeout)
                  .arg(info.bStart ? "on" : "off"),
              "settings");
        QCOMPARE(info.strFPGA, QString("v2"));
        QFETCH(QString, message);
        QStringList messages;
        for (const auto& m : doc.messages())
            messages << m.first + ": " + m.second;
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList("Vextor: " + message));
    }

    void sheetsAndBlocksPlaced()
    {
        // Missing sheets are created; names trimmed, user names kept; a net creates its missing input.
        Document doc;
        QVERIFY(
            doc.parseFile(wrap(tab(3,
                                   entry("PreLogic", 1, "  PreLgc4 \t", "<userName>  two words </userName>") +
                                       entry("Input", 0, "IN-CH1") +
                                       entry("PreLogic", 0, "PreLgc0", net(0, "IN-CH1") + net(1, "IN-CH5")),
                                   "Last"))));
        QCOMPARE(doc.sheetCount(), 4);
        QCOMPARE(doc.sheetName(2), QString("Sheet3"));
        QCOMPARE(summary(doc), QString("IN-CH1 IN-CH5 PreLgc4 PreLgc0:0<IN-CH1:1<IN-CH5 | 8 8"));
        BlockItem* b = findBlock(doc, "PreLgc4", 3);
        QCOMPARE(b->storedUserName(), QString("  two words "));
        QCOMPARE(b->getPosition(), QPoint(142, 90 + 68));
        BlockItem* created = findBlock(doc, "IN-CH5", 3);
        QCOMPARE(created->getType(), QString("Input"));
        QCOMPARE(created->getPosition(), QPoint(0, 106 + 40));
        QVERIFY(doc.readOK());
    }

    void entries_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("summary");
        QTest::addColumn<bool>("readOK");
        const QByteArray pre = entry("PreLogic", 0, "PreLgc0");
        const QByteArray out0 = entry("OUT-CH", 0, "OUT-CH0");
        const auto row = [](const char* tag, bool readOK, const char* summary, const QByteArray& body) {
            QTest::newRow(tag) << body << QString(summary) << readOK;
        };
        row("CntFnc takes port 0, counts PreLogic", true, "PreLgc0 CntFnc0:0<PreLgc0 | 7 8",
            pre + entry("CntFnc", 0, "CntFnc0", net(5, "PreLgc0")));
        row("DlyFnc from FeedBack output counts FeedBack", true, "DlyFnc0:0<FeedBack2 FeedBack2 | 8 7",
            entry("FeedBack2", 0, "FeedBack2") + entry("DlyFnc", 0, "DlyFnc0", net(0, "FeedBack2")));
        row("NonFnc from PreLogic counts nothing", true, "PreLgc0 NonFnc0:0<PreLgc0 | 8 8",
            pre + entry("NonFnc", 0, "NonFnc0", net(0, "PreLgc0")));
        row("function not fed by function label", true, "CntFnc0 Label3 | 8 8",
            entry("Label3", 0, "Label3") + entry("CntFnc", 0, "CntFnc0", net(0, "Label3")));
        row("source on another sheet not found", true, "PstLgc0 DlyFnc0 | 8 8",
            entry("DlyFnc", 0, "DlyFnc0") + "</tab><tab id=\"1\">" +
                entry("PostLogic", 0, "PstLgc0", net(0, "DlyFnc0")));
        row("input takes no net", false, "IN-CH0 PstLgc0 | 8 8",
            entry("PostLogic", 0, "PstLgc0") + entry("Input", 0, "IN-CH0", net(0, "PstLgc0")));
        row("port out of range dropped", false, "PstLgc0 DlyFnc0 | 8 8",
            entry("DlyFnc", 0, "DlyFnc0") + entry("PostLogic", 0, "PstLgc0", net(11, "DlyFnc0")));
        row("negative port takes a logic block's lowest free input", true, "PstLgc0:0<DlyFnc0 DlyFnc0 | 8 8",
            entry("DlyFnc", 0, "DlyFnc0") + entry("PostLogic", 0, "PstLgc0", net(-1, "DlyFnc0")));
        row("legacy forms, the last net of a port, unknown term and key", true,
            "IN-CH0 PreLgc0:2<IN-CH0{_C} PstLgc0 | 8 8",
            entry("Input", 0, "IN-CH0", "<x>10</x><y>20</y>") +
                entry("PreLogic", 0, "PreLgc0",
                      net(2, "IN-CH9") + "<wire bit=\"2\">IN-CH0</wire><logic>_C</logic>") +
                entry("Mystery", 0, "M0") + entry("PostLogic", 0, "PstLgc0", "<colour>red</colour>"));
        // An output-side block's type follows its name, which must be of its term's kind.
        row("output by its channel", true, "OUT-CH3 | 8 8", entry("OUT-CH3", 0, "OUT-CH3"));
        row("output by a stored display text", true, "OUT-CH5 | 8 8",
            entry("OUT-CH", 0, "Delay 60ns       OUT-CH5"));
        row("output named as a FeedBack", false, "OUT-CH0 OUT-CH1 | 8 8",
            out0 + entry("OUT-CH1", 1, "FeedBack0"));
        row("output beyond the channels", false, "OUT-CH0 OUT-CH1 | 8 8",
            out0 + entry("OUT-CH", 1, "OUT-CH8"));
        row("measure counter named as an output", false, "MsrCnt0 | 8 8", entry("MsrCnt2", 0, "OUT-CH2"));
    }

    void entries()
    {
        QFETCH(QByteArray, body);
        Document doc;
        QVERIFY(doc.parseFile(wrap(tab(0, body))));
        QTEST(summary(doc), "summary");
        QTEST(doc.readOK(), "readOK");
        for (BlockItem* b : doc.diagram()->outs())
            QCOMPARE(b->getType(), b->getName());
        const QByteArray saved = doc.toXml();
        Document again;
        QVERIFY(again.parseFile(saved));
        QCOMPARE(again.toXml(), saved);
    }

    void countedResourcesRunOut()
    {
        QByteArray ins;
        for (int i = 0; i < 11; ++i)
            ins += entry("Input", i, "");
        Document doc;
        QVERIFY(doc.parseFile(wrap(tab(0, ins))));
        QCOMPARE(doc.diagram()->inputs().size(), 10);
        QCOMPARE(doc.messages(), (Messages{{"Vextor", "There is no more Input resource."}}));
    }

    // The entry of a FeedBack on its own sheet is the defining block, not its output of the same name.
    void feedBackMarkedUsedOnItsSheet()
    {
        Document doc;
        QVERIFY(doc.parseFile(
            wrap(tab(0, entry("FeedBack0", 0, "FeedBack0") + entry("FeedBack", 0, "FeedBack0")) +
                 tab(1, entry("FeedBack", 0, "FeedBack1")))));
        LabelModel* labels = doc.labels();
        QVERIFY(labels->isUsed("FeedBack0", 0));
        QVERIFY(!labels->isUsed("FeedBack1", 1));
        QCOMPARE(doc.sheet(0)->column(SheetModel::OutputColumn).value(0), labels->feedbacks().at(0).item);
    }

    void refusedDocuments_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("message");
        dataRow("missing id", wrap(tab(0, "<entry term=\"PreLogic\"><name>P</name></entry>\n")),
                "SAX Handler", "Parse error at line 4, column 45:\nerror triggered by consumer.");
        dataRow("malformed", QByteArray("<Vextor3>\n  <tab id=\"0\">\n</Vextor3>"), "SAX Handler",
                "Parse error at line 3, column ");
        dataRow("nested too deep", wrap(QByteArray("<a>").repeated(64) + QByteArray("</a>").repeated(64)),
                "SAX Handler", "Parse error at line 3, column 192:\nelements nested more than 64 deep.");
        // Too big a text is refused before the parser sees it.
        dataRow(
            "too big",
            "<Vextor3><tab id=\"0\" name=\"x\"><entry term=\"PreLogic\"><id>0</id><property>" +
                QByteArray(17 * 1024 * 1024, 'x'),
            "Vextor",
            "The file is 17825865 bytes long; a Vextor document is at most 16777216 bytes. It is not read.");
    }

    void refusedDocuments()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, title);
        QFETCH(QString, message);
        Document doc;
        QVERIFY(!doc.parseFile(data));
        QVERIFY(!doc.isEmptyDocument());
        QVERIFY2(doc.errorText().startsWith(message), qPrintable(doc.errorText()));
        QCOMPARE(doc.messages(), (Messages{{title, doc.errorText()}}));
        // A failed load leaves a new, empty document.
        QCOMPARE(doc.sheetCount(), 1);
        QVERIFY(doc.diagram()->allBlocks().isEmpty());
    }

    void hostileDocuments_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<bool>("parses");
        const QByteArray dtd = "<?xml version=\"1.0\"?>\n<!DOCTYPE Vextor3 [";
        QByteArray laughs = dtd + "<!ENTITY l0 \"lol\">\n";
        for (int i = 1; i < 10; ++i)
            laughs += "<!ENTITY l" + QByteArray::number(i) + " \"" +
                      QByteArray("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
        laughs += "]>\n<Vextor3><tab id=\"0\" name=\"&l9;\"/>" + entry("PreLogic", 0, "&l9;") + "</Vextor3>";
        dataRow("billion laughs", laughs, false);
        dataRow("external entity",
                dtd + "<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n<Vextor3><tab id=\"0\" name=\"x\">" +
                    entry("PreLogic", 0, "P", "<property>&e;</property>") + "</tab></Vextor3>",
                false);
        dataRow("huge slot", wrap(tab(0, entry("MsrCnt", 2000000000, "MsrCnt1"))), true);
        QByteArray crowd;
        for (int i = 0; i < 30; ++i)
            crowd += entry("Label", 0, "Label" + QByteArray::number(i));
        dataRow("full column", wrap(tab(0, crowd)), true);
        dataRow("label fed by its own output",
                wrap(tab(0, entry("Label", 0, "Label1", net(0, "Label1")) + entry("Label1", 0, "Label1") +
                                entry("Label", 1, "Label1", net(0, "Label1")))),
                true);
    }

    void hostileDocuments()
    {
        QFETCH(QByteArray, data);
        Document doc;
        QTEST(doc.parseFile(data), "parses");
        // Whatever was read can be written and read back, and every block lies on its sheet.
        const QByteArray first = doc.toXml();
        Document again;
        QVERIFY(again.parseFile(first));
        QCOMPARE(again.toXml(), first);
        for (const BlockItem* b : doc.diagram()->allBlocks())
            QVERIFY(b->getIndex() >= 0 && QRect(0, 0, 1000, 1000).contains(b->getPosition()));
    }

    void removeSheetRenumbers()
    {
        Document doc;
        QVERIFY(doc.parseFile(
            wrap(tab(0, entry("Label3", 0, "Label3") + entry("OUT-CH", 0, "OUT-CH1"), "A") +
                 tab(1, entry("DlyFnc", 0, "DlyFnc0") + entry("Label", 0, "Label3", net(0, "DlyFnc0")), "B") +
                 tab(2, entry("MsrCnt", 0, "MsrCnt0"), "C"))));
        QCOMPARE(doc.counters()->count("DlyFnc"), 7);
        doc.removeSheet(1);
        // The label output went with its label's sheet.
        QCOMPARE(QStringList({doc.sheetName(0), doc.sheetName(1)}), QStringList({"A", "C"}));
        QCOMPARE(summary(doc), QString("OUT-CH1 MsrCnt0 | 8 8"));
        QVERIFY(findBlock(doc, "MsrCnt0", 1));
        QCOMPARE(doc.counters()->count("DlyFnc"), 8);
        QVERIFY(doc.labels()->labels().isEmpty());
    }

    // A document pasted where there is no room: its sheets and settings are ignored.
    void pasteWithoutRoom()
    {
        Document doc;
        NoRoom full;
        DocumentReader reader(&doc);
        reader.setPaste(&full, 0);
        reader.paste(
            wrap(tab(4, entry("PreLogic", 0, "PreLgc0") + entry("PostLogic", 0, "PstLgc0")), "addr=\"x\""));
        QVERIFY(doc.diagram()->allBlocks().isEmpty());
        QCOMPARE(doc.messages(), (Messages{{"Vextor", "There's not enough space."}}));
        QVERIFY(doc.errorText().isEmpty());
        QCOMPARE(doc.sheetCount(), 1);
        QCOMPARE(doc.info().strAddr, QString("192.168.10.16"));
    }

    // A save replaces a regular file as a whole (also behind a symbolic link, which stays a link);
    // anything else is written as it is, never replaced by a regular file; what cannot take a
    // document is left alone.
    void saveTargets_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("bSaved");
        for (const char* kind : {"new", "file", "link", "fifo"})
            QTest::newRow(kind) << QString(kind) << true;
        QTest::newRow("folder") << "folder" << false;
    }
    void saveTargets()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString target = dir.filePath("target");
        const QString name = kind == "link" ? dir.filePath("link") : target;
        int reader = -1;
        if (kind == "file" || kind == "link")
            QVERIFY(writeFile(target, "old"));
        if (kind == "link")
            QVERIFY(QFile::link(target, name));
        if (kind == "folder")
            QVERIFY(QDir(dir.path()).mkdir("target"));
        if (kind == "fifo") { // read without blocking, so that the save can open it
            QCOMPARE(::mkfifo(qPrintable(target), 0600), 0);
            reader = ::open(qPrintable(target), O_RDONLY | O_NONBLOCK);
            QVERIFY(reader >= 0);
        }
        Document doc;
        QString error;
        QTEST(DocumentFile::save(doc, name, &error), "bSaved");
        QByteArray written;
        if (reader >= 0) {
            char buffer[65536];
            const ssize_t n = ::read(reader, buffer, sizeof buffer);
            written = QByteArray(buffer, int(qMax<ssize_t>(n, 0)));
            ::close(reader);
        } else {
            written = readFile(target);
        }
        QFETCH(bool, bSaved);
        QCOMPARE(written, bSaved ? DocumentFile::text(doc) : QByteArray());
        QCOMPARE(QFileInfo(name).isSymLink(), kind == "link");
        struct stat status = {};
        QCOMPARE(::stat(qPrintable(target), &status), 0);
        QCOMPARE(S_ISFIFO(status.st_mode), kind == "fifo");
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size(),
                 kind == "link" ? 2 : 1); // no temporary file left behind
    }

    void randomRoundTrip()
    {
        // Tabs and line breaks in attributes survive as character references.
        Document plain;
        plain.setSheetName(0, "a\tb\nc\r d ");
        plain.info().strAddr = " 10.0.0.1\t";
        Document read;
        QVERIFY(read.parseFile(plain.toXml()));
        QCOMPARE(read.sheetName(0), plain.sheetName(0));
        QCOMPARE(read.info().strAddr, plain.info().strAddr);

        for (quint32 seed = 1; seed <= 300; ++seed) {
            Document doc;
            RandomDocument(doc, seed).build();
            const QByteArray first = doc.toXml();
            const QString where = QString("seed %1\n%2").arg(seed).arg(QString::fromUtf8(first));
            QVERIFY2(read.parseFile(first) && read.readOK(), qPrintable(where + read.errorText()));
            QCOMPARE(read.toXml(), first);
            for (const char* name :
                 {"PreLogicInfo", "FeedBackInfo", "PostLogicInfo", "CntFnc", "OUT-CH", "FeedBack"})
                QVERIFY2(read.counters()->count(name) == doc.counters()->count(name),
                         qPrintable(where + name));
        }
    }
};

QTEST_GUILESS_MAIN(TestDocument)
#include "tst_document.moc"
