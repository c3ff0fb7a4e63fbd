#include "io/document.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTest>

namespace {
QByteArray wrap(const QByteArray& tabs,
                const QByteArray& root = "addr=\"10.0.0.2\" tcpPort=\"24\" udpPort=\"4660\" "
                                         "Timeout=\"3\" autoConnect=\"true\"")
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Vextor3 " + root + ">\n" + tabs + "</Vextor3>\n";
}

QByteArray entry(const QByteArray& term, int id, const QByteArray& name,
                 const QByteArray& extra = QByteArray())
{
    return "<entry term=\"" + term + "\"><id>" + QByteArray::number(id) + "</id><name>" + name + "</name>" +
           extra + "</entry>\n";
}

QByteArray tab(int id, const QByteArray& body, const QByteArray& name = "Sheet1")
{
    return "<tab id=\"" + QByteArray::number(id) + "\" name=\"" + name + "\">\n" + body + "</tab>\n";
}

BlockItem* findBlock(Document& doc, const QString& name, int tid)
{
    for (BlockItem* b : doc.diagram()->allBlocks()) {
        if (b->getName() == name && b->getTid() == tid)
            return b;
    }
    return nullptr;
}

// Builds a random but valid document through the model: every kind of block, wires within the
// rules the editor enforces, labels and FeedBack signals across sheets, user names, properties.
class RandomDocument
{
public:
    RandomDocument(Document& doc, quint32 seed)
        : m_doc(doc)
        , m_rng(seed)
    {}

    void build()
    {
        InfoOstrum& info = m_doc.info();
        info.strAddr = text();
        info.tcpPort = quint16(m_rng.bounded(65536));
        info.udpPort = quint16(m_rng.bounded(65536));
        info.timeout = int(m_rng.bounded(1, 61)); // 0 would read back as 1
        info.bStart = chance(50);
        const int sheets = 1 + int(m_rng.bounded(3));
        for (int s = 0; s < sheets; ++s) {
            if (s > 0)
                m_doc.newSheet();
            if (chance(50))
                m_doc.setSheetName(s, text());
        }
        for (int s = 0; s < sheets; ++s)
            fillSheet(s);
    }

private:
    QString text()
    {
        static const QString alphabet = QStringLiteral("abcXYZ019 <>&\"'=_-.\u00e4\u2192");
        QString out;
        for (int n = 1 + int(m_rng.bounded(12)); n > 0; --n)
            out += alphabet.at(int(m_rng.bounded(alphabet.size())));
        return out;
    }

    bool chance(int percent) { return int(m_rng.bounded(100)) < percent; }

    template<typename T> T pick(const QVector<T>& v) { return v.at(int(m_rng.bounded(v.size()))); }

    // Creates a block in a free slot of the column; an empty type means the block's own name.
    template<typename Create> BlockItem* place(int tid, SheetModel::Column c, QString type, Create create)
    {
        BlockItem* b = create(SheetModel::searchIndex(m_doc.sheet(tid)->column(c), SheetModel::columnPitch(c),
                                                      int(m_rng.bounded(4)), 1));
        if (type.isEmpty())
            type = b->getName();
        b->setType(type);
        if (!m_doc.placeItem(tid, type, b))
            qFatal("no room for a generated block");
        if (chance(40))
            b->setUserName(text());
        if (chance(50))
            b->setPropertyString(text());
        return b;
    }

    void wire(BlockItem* b, int ports, const QVector<BlockItem*>& from, int percent)
    {
        for (int k = 0; k < ports && !from.isEmpty(); ++k) {
            if (chance(percent))
                b->setPort(k, pick(from));
        }
    }

    void fillSheet(int tid)
    {
        BlockDiagram* d = m_doc.diagram();
        ResourceCounters* counters = m_doc.counters();
        QVector<BlockItem*> inputs, pre, fns, post;
        for (const QString& name : d->inputNames()) {
            if (chance(40))
                inputs << place(tid, SheetModel::InputColumn, "Input",
                                [&](int s) { return d->createInput(s, tid, name); });
        }
        for (int i = int(m_rng.bounded(4)); i > 0; --i) {
            pre << place(tid, SheetModel::PreLogicColumn, "PreLogic",
                         [&](int s) { return d->createPreLogic(s, tid); });
            wire(pre.last(), NIMLogic::OPERANDS, inputs, 30);
        }
        const QVector<BlockItem*> logic = pre;
        // Outputs of FeedBack signals and labels defined on earlier sheets (or this one).
        for (const QString& name : m_feedbacks + m_preLabels) {
            if (chance(40))
                pre << place(tid, SheetModel::PreLogicColumn,
                             m_feedbacks.contains(name) ? name : "Pre" + name,
                             [&](int s) { return d->createNIMLabel(s, tid, name); });
        }
        for (int i = int(m_rng.bounded(5)); i > 0; --i) {
            const QString kind = pick(QVector<QString>{"CntFnc", "DlyFnc", "NonFnc"});
            if (!counters->addCount(-1, kind))
                continue;
            BlockItem* b = place(tid, SheetModel::FunctionColumn, kind, [&](int s) {
                return kind == "CntFnc"   ? d->createCntFnc(s, tid)
                       : kind == "DlyFnc" ? d->createDlyFnc(s, tid)
                                          : d->createNonFnc(s, tid, QString("NonFnc%1").arg(m_nonFnc++));
            });
            if (!pre.isEmpty() && chance(70)) {
                BlockItem* src = pick(pre);
                const bool feedback = src->getType().startsWith("FeedBack");
                if ((kind == "NonFnc" && !feedback) ||
                    counters->addCount(-1, feedback ? "FeedBackInfo" : "PreLogicInfo"))
                    b->setPort(0, src);
            }
            fns << b;
        }
        if (!logic.isEmpty() && chance(50)) {
            BlockItem* b = place(tid, SheetModel::FunctionColumn, "PreLabel",
                                 [&](int s) { return d->createNIMLabelIN(s, tid); });
            b->setPort(0, pick(logic));
            m_preLabels << b->getName();
        }
        for (const QString& name : m_labels) {
            if (chance(40))
                fns << place(tid, SheetModel::FunctionColumn, name,
                             [&](int s) { return d->createNIMFncLabel(s, tid, name); });
        }
        for (int i = int(m_rng.bounded(4)); i > 0; --i) {
            post << place(tid, SheetModel::PostLogicColumn, "PostLogic",
                          [&](int s) { return d->createPostLogic(s, tid); });
            wire(post.last(), NIMLogic::OPERANDS, fns, 25);
        }
        if (!fns.isEmpty() && chance(50)) {
            BlockItem* b = place(tid, SheetModel::PostLogicColumn, "Label",
                                 [&](int s) { return d->createNIMLabelIN(s, tid); });
            b->setPort(0, pick(fns));
            m_labels << b->getName();
        }
        for (int i = int(m_rng.bounded(4)); i > 0; --i) {
            const int what = int(m_rng.bounded(3));
            if (!counters->addCount(-1, what == 0 ? "OUT-CH" : what == 1 ? "MsrCnt" : "FeedBack"))
                continue;
            BlockItem* b = place(tid, SheetModel::OutputColumn, what == 2 ? "FeedBack" : "", [&](int s) {
                return what == 0   ? d->createOut(s, tid)
                       : what == 1 ? d->createMsrCnt(s, tid)
                                   : d->createFeedBackIN(s, tid);
            });
            if (what == 2)
                m_feedbacks << b->getName();
            wire(b, what == 1 ? 2 : 1, post, 70);
        }
    }

    Document& m_doc;
    QRandomGenerator m_rng;
    QStringList m_feedbacks, m_preLabels, m_labels;
    int m_nonFnc = 0; // automatic pass-through names may repeat once renamed
};

// One connection case: "receiver port source" is the wire expected, empty when nothing connects;
// pre and feedBack are the free PreLogicInfo and FeedBackInfo units afterwards.
void connectionRow(const char* tag, const QByteArray& data, const char* wire, int pre = 8, int feedBack = 8)
{
    QTest::newRow(tag) << data << QString(wire) << pre << feedBack;
}

// Renames pasted PreLogic blocks and hands out slots from m_slot on; a negative slot means full.
class Paster : public PasteHook
{
public:
    int pasteItem(const QString& item, QString& name) override
    {
        if (item == "PreLogic")
            name = "PreLgc" + QString::number(7 + m_next++ % 2);
        return m_slot < 0 ? -1 : m_slot++;
    }
    int m_next = 0;
    int m_slot = 2;
};
} // namespace

class TestDocument : public QObject
{
    Q_OBJECT

private slots:
    void writesTheExactFormat()
    {
        Document doc;
        doc.info() = InfoOstrum::defaults(false);
        doc.setSheetName(0, "A<&\">");
        doc.newSheet();
        BlockDiagram* d = doc.diagram();
        BlockItem* in = d->createInput(0, 0, "IN-CH2");
        in->setType("Input");
        QVERIFY(doc.placeItem(0, "Input", in));
        BlockItem* pre = d->createPreLogic(0, 0);
        pre->setType("PreLogic");
        QVERIFY(doc.placeItem(0, "PreLogic", pre));
        pre->setPort(3, in);
        pre->setPropertyString("_D & !_A");
        pre->setUserName(" my pre ");
        BlockItem* out = d->createOut(2, 1);
        out->setType(out->getName());
        QVERIFY(doc.placeItem(1, out->getType(), out));
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
        QCOMPARE(QString::fromUtf8(doc.toXml()), QString::fromUtf8(expected));
    }

    void rootAttributes_data()
    {
        QTest::addColumn<QByteArray>("root");
        QTest::addColumn<QString>("settings"); // "address tcp udp timeout on/off"
        QTest::addColumn<QString>("message");  // what the reader says about them; empty: nothing
        const QString range =
            QStringLiteral("The time-out %1 is out of range: it must be 0 to 60 seconds. %2 is used.");
        QTest::newRow("Timeout 0 reads as 1") << QByteArray("Timeout=\"0\"") << " 0 0 1 off" << QString();
        QTest::newRow("autoConnect True is off")
            << QByteArray("autoConnect=\"True\"") << " 0 0 1 off" << QString();
        QTest::newRow("ports keep low 16 bits")
            << QByteArray("tcpPort=\"70000\" udpPort=\"-1\"") << " 4464 65535 1 off" << QString();
        QTest::newRow("Timeout of a day")
            << QByteArray("Timeout=\"100000\"") << " 0 0 60 off" << range.arg(100000).arg(60);
        QTest::newRow("Timeout beyond int")
            << QByteArray("Timeout=\"2147483648\"") << " 0 0 60 off" << range.arg(2147483648LL).arg(60);
        QTest::newRow("negative Timeout")
            << QByteArray("Timeout=\"-5\"") << " 0 0 1 off" << range.arg(-5).arg(1);
    }

    void rootAttributes()
    {
        QFETCH(QByteArray, root);
        QFETCH(QString, message);
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
        QStringList messages;
        for (const auto& m : doc.messages())
            messages << m.first + ": " + m.second;
        QCOMPARE(messages, message.isEmpty() ? QStringList() : QStringList("Vextor: " + message));
    }

    void sheetsAndBlocksPlaced()
    {
        // A tab id creates the sheets before it; names are trimmed, user names and properties kept;
        // a PreLogic net to a missing input creates that input in the next free slot.
        Document doc;
        QVERIFY(doc.parseFile(wrap(tab(
            3,
            entry("PreLogic", 1, "  PreLgc4 \t",
                  "<userName>  two words </userName><property> _A | _B </property>") +
                entry("Input", 0, "IN-CH1") +
                entry("PreLogic", 0, "PreLgc0", "<net port=\"0\">IN-CH1</net><net port=\"1\">IN-CH5</net>"),
            "Last"))));
        QCOMPARE(doc.sheetCount(), 4);
        QCOMPARE(doc.sheetName(2), QString("Sheet3"));
        BlockItem* b = findBlock(doc, "PreLgc4", 3);
        QVERIFY(b);
        QCOMPARE(b->storedUserName(), QString("  two words "));
        QCOMPARE(b->getProperty(), QString(" _A | _B "));
        QCOMPARE(b->getPosition(), QPoint(142, 90 + 68));
        BlockItem* created = findBlock(doc, "IN-CH5", 3);
        QVERIFY(created);
        QCOMPARE(created->getType(), QString("Input"));
        QCOMPARE(created->getPosition(), QPoint(0, 106 + 40));
        QCOMPARE(findBlock(doc, "PreLgc0", 3)->getPort(1), created);
        QVERIFY(doc.readOK());
    }

    void portConnections_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("wire");
        QTest::addColumn<int>("preLogicInfo");
        QTest::addColumn<int>("feedBackInfo");
        const QByteArray pre = entry("PreLogic", 0, "PreLgc0");
        const QByteArray post = entry("PostLogic", 0, "PstLgc0");
        const QByteArray fnc = entry("DlyFnc", 0, "DlyFnc0");
        auto net = [](const QByteArray& term, const QByteArray& name, int port, const QByteArray& source) {
            return entry(term, 0, name,
                         "<net port=\"" + QByteArray::number(port) + "\">" + source + "</net>");
        };
        auto row = [](const char* tag, const QByteArray& body, const char* wire, int pre = 8,
                      int feedBack = 8) { connectionRow(tag, wrap(tab(0, body)), wire, pre, feedBack); };
        connectionRow("source on other sheet not found",
                      wrap(tab(0, fnc) + tab(1, net("PostLogic", "PstLgc0", 0, "DlyFnc0"))), "");
        row("CntFnc takes port 0, counts PreLogic", pre + net("CntFnc", "CntFnc0", 5, "PreLgc0"),
            "CntFnc0 0 PreLgc0", 7);
        row("DlyFnc from FeedBack output counts FeedBack",
            entry("FeedBack2", 0, "FeedBack2") + net("DlyFnc", "DlyFnc0", 0, "FeedBack2"),
            "DlyFnc0 0 FeedBack2", 8, 7);
        row("NonFnc from PreLogic counts nothing", pre + net("NonFnc", "NonFnc0", 0, "PreLgc0"),
            "NonFnc0 0 PreLgc0");
        row("input takes no net", post + net("Input", "IN-CH0", 0, "PstLgc0"), "");
        row("function not fed by function label",
            entry("Label3", 0, "Label3") + net("CntFnc", "CntFnc0", 0, "Label3"), "");
        row("port out of range dropped", fnc + net("PostLogic", "PstLgc0", 11, "DlyFnc0"), "");
        row("negative port takes a logic block's lowest free input",
            fnc + net("PostLogic", "PstLgc0", -1, "DlyFnc0"), "PstLgc0 0 DlyFnc0");
    }

    void portConnections()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, wire);
        Document doc;
        QVERIFY(doc.parseFile(data));
        const QStringList expected = wire.split(' ', Qt::SkipEmptyParts);
        QList<BlockItem*> receivers;
        for (BlockItem* b : doc.diagram()->allBlocks()) {
            if (!b->getPort().isEmpty())
                receivers << b;
        }
        QCOMPARE(receivers.size(), expected.size() / 3);
        if (!receivers.isEmpty()) {
            BlockItem* r = receivers.first();
            const int port = expected.at(1).toInt();
            QCOMPARE(r->getName(), expected.at(0));
            QCOMPARE(r->getPort().keys(), QList<int>{port});
            QCOMPARE(r->getPort(port)->getName(), expected.at(2));
            QVERIFY(r->getPort(port)->getOutPort().contains(r));
        }
        QTEST(doc.counters()->count("PreLogicInfo"), "preLogicInfo");
        QTEST(doc.counters()->count("FeedBackInfo"), "feedBackInfo");
    }

    void countedResourcesRunOut_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("blocks");
        QTest::addColumn<QString>("message");
        QByteArray ins, nets = entry("PreLogic", 0, "PreLgc0");
        for (int i = 0; i < 11; ++i) {
            ins += entry("Input", i, "");
            if (i < 9)
                nets += entry("CntFnc", i, "CntFnc" + QByteArray::number(i), "<net port=\"0\">PreLgc0</net>");
        }
        QTest::newRow("eleventh input dropped") << ins << 10 << "There is no more Input resource.";
        QTest::newRow("ninth counter and its net dropped") << nets << 9 << ""; // 1 PreLogic + 8 counters
    }

    void countedResourcesRunOut()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, blocks);
        QFETCH(QString, message);
        Document doc;
        QVERIFY(doc.parseFile(wrap(tab(0, body))));
        QCOMPARE(doc.diagram()->allBlocks().size(), blocks);
        if (message.isEmpty()) {
            QVERIFY(!doc.readOK());
        } else {
            QCOMPARE(doc.messages().size(), 1);
            QCOMPARE(doc.messages().at(0).first, QString("Vextor"));
            QCOMPARE(doc.messages().at(0).second, message);
        }
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
        BlockItem* defining = labels->feedbacks().at(0).item;
        QVERIFY(defining);
        QCOMPARE(doc.sheet(0)->column(SheetModel::OutputColumn).value(0), defining);
    }

    void legacyForms()
    {
        Document doc;
        QVERIFY(doc.parseFile(wrap(tab(
            0, entry("Input", 0, "IN-CH0", "<x>10</x><y>20</y>") +
                   entry("PreLogic", 0, "PreLgc0", "<wire bit=\"2\">IN-CH0</wire><logic>_C</logic>") +
                   entry("Mystery", 0, "M0") + entry("PostLogic", 0, "PstLgc0", "<colour>red</colour>")))));
        BlockItem* pre = findBlock(doc, "PreLgc0", 0);
        QCOMPARE(pre->getPort(2), findBlock(doc, "IN-CH0", 0));
        QCOMPARE(pre->getProperty(), QString("_C"));
        QVERIFY(!findBlock(doc, "M0", 0));
        QVERIFY(findBlock(doc, "PstLgc0", 0));
        QVERIFY(doc.readOK());
    }

    void channelEntries_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("readOK");
        const QByteArray taken = entry("OUT-CH", 0, "OUT-CH0");
        QTest::newRow("output by its channel") << entry("OUT-CH3", 0, "OUT-CH3") << "OUT-CH3" << true;
        QTest::newRow("output by a stored display text")
            << entry("OUT-CH", 0, "Delay 60ns       OUT-CH5") << "OUT-CH5" << true;
        QTest::newRow("output named as a FeedBack")
            << taken + entry("OUT-CH1", 1, "FeedBack0") << "OUT-CH1" << false;
        QTest::newRow("output beyond the channels")
            << taken + entry("OUT-CH", 1, "OUT-CH8") << "OUT-CH1" << false;
        QTest::newRow("measure counter named as an output")
            << entry("MsrCnt2", 0, "OUT-CH2") << "MsrCnt0" << false;
    }

    // An entry's block keeps the kind of its term: its type follows its name, so a name of another
    // kind would come back from the next save as a different block.
    void channelEntries()
    {
        QFETCH(QByteArray, body);
        QFETCH(QString, name);
        QFETCH(bool, readOK);
        Document doc;
        QVERIFY(doc.parseFile(wrap(tab(0, body))));
        QCOMPARE(doc.readOK(), readOK);
        const QList<BlockItem*> outs = doc.sheet(0)->column(SheetModel::OutputColumn).values();
        QCOMPARE(outs.last()->getName(), name);
        QCOMPARE(outs.last()->getType(), name);
        const QByteArray saved = doc.toXml();
        Document again;
        QVERIFY(again.parseFile(saved));
        QCOMPARE(again.toXml(), saved);
    }

    void refusedDocuments_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("message");
        QTest::newRow("missing id") << wrap(tab(0, "<entry term=\"PreLogic\"><name>P</name></entry>\n"))
                                    << "Parse error at line 4, column 45:\nerror triggered by consumer.";
        QTest::newRow("malformed") << QByteArray("<Vextor3>\n  <tab id=\"0\">\n</Vextor3>")
                                   << "Parse error at line 3, column ";
        QTest::newRow("not xml") << QByteArray("\x00\x01\x02garbage", 10) << "Parse error at line ";
    }

    void refusedDocuments()
    {
        QFETCH(QByteArray, data);
        QFETCH(QString, message);
        Document doc;
        QVERIFY(!doc.parseFile(data));
        QVERIFY(!doc.isEmptyDocument());
        QVERIFY(doc.errorText().startsWith(message));
        if (message.endsWith('.'))
            QCOMPARE(doc.errorText(), message);
        QCOMPARE(doc.messages().size(), 1);
        QCOMPARE(doc.messages().at(0).first, QString("SAX Handler"));
        // A failed load leaves a new, empty document.
        QCOMPARE(doc.sheetCount(), 1);
        QVERIFY(doc.diagram()->allBlocks().isEmpty());
    }

    void notADocumentOrTooBig()
    {
        Document doc;
        QVERIFY(!doc.parseFile("<?xml version=\"1.0\"?>\n<Other><tab id=\"2\" name=\"x\"/></Other>\n"));
        QVERIFY(doc.isEmptyDocument());
        QVERIFY(doc.errorText().isEmpty());
        // A 100 MB text node is refused before the parser sees it.
        QByteArray big = "<Vextor3><tab id=\"0\" name=\"x\"><entry term=\"PreLogic\"><id>0</id><property>";
        big += QByteArray(100 * 1000 * 1000, 'x') + "</property></entry></tab></Vextor3>";
        Document huge;
        QVERIFY(!huge.parseFile(big));
        QVERIFY(huge.errorText().contains("at most"));
        QVERIFY(huge.diagram()->allBlocks().isEmpty());
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
        QTest::newRow("billion laughs") << laughs << false;
        QTest::newRow("external entity")
            << dtd + "<!ENTITY e SYSTEM \"file:///etc/passwd\">]>\n<Vextor3><tab id=\"0\" name=\"x\">" +
                   entry("PreLogic", 0, "P", "<property>&e;</property>") + "</tab></Vextor3>"
            << false;
        QTest::newRow("huge slot") << wrap(tab(0, entry("MsrCnt", 2000000000, "MsrCnt1"))) << true;
        QByteArray crowd;
        for (int i = 0; i < 30; ++i)
            crowd += entry("Label", 0, "Label" + QByteArray::number(i));
        QTest::newRow("full column") << wrap(tab(0, crowd)) << true;
        QTest::newRow("label fed by its own output")
            << wrap(tab(0, entry("Label", 0, "Label1", "<net port=\"0\">Label1</net>") +
                               entry("Label1", 0, "Label1") +
                               entry("Label", 1, "Label1", "<net port=\"0\">Label1</net>")))
            << true;
    }

    void hostileDocuments()
    {
        QFETCH(QByteArray, data);
        QFETCH(bool, parses);
        Document doc;
        QCOMPARE(doc.parseFile(data), parses);
        // Whatever was read can be written and read back, and every block lies on its sheet.
        const QByteArray first = doc.toXml();
        Document again;
        QVERIFY(again.parseFile(first));
        QCOMPARE(again.toXml(), first);
        for (int i = 0; i < doc.sheetCount(); ++i) {
            for (int c = 0; c < SheetModel::ColumnCount; ++c) {
                const auto& column = doc.sheet(i)->column(SheetModel::Column(c));
                for (auto it = column.constBegin(); it != column.constEnd(); ++it)
                    QVERIFY(it.key() >= 0 && SheetModel::columnPitch(SheetModel::Column(c)) * it.key() < 925);
            }
        }
    }

    void removeSheetRenumbers()
    {
        Document doc;
        QVERIFY(doc.parseFile(wrap(
            tab(0, entry("Label3", 0, "Label3") + entry("OUT-CH", 0, "OUT-CH1"), "A") +
            tab(1,
                entry("DlyFnc", 0, "DlyFnc0") + entry("Label", 0, "Label3", "<net port=\"0\">DlyFnc0</net>"),
                "B") +
            tab(2, entry("MsrCnt", 0, "MsrCnt0"), "C"))));
        QCOMPARE(doc.counters()->count("DlyFnc"), 7);
        doc.removeSheet(1);
        QCOMPARE(doc.sheetCount(), 2);
        QCOMPARE(doc.sheetName(1), QString("C"));
        QVERIFY(findBlock(doc, "MsrCnt0", 1));
        QVERIFY(findBlock(doc, "OUT-CH1", 0));
        QVERIFY(!findBlock(doc, "Label3", 0)); // its label went with sheet B
        QCOMPARE(doc.counters()->count("DlyFnc"), 8);
        QVERIFY(doc.labels()->labels().isEmpty());
    }

    void paste()
    {
        Document doc;
        QVERIFY(doc.parseFile(wrap(tab(0, entry("PreLogic", 0, "PreLgc0")) + tab(1, ""))));
        const QByteArray clip = "<Vextor_Copy_Items>\n" + entry("PreLogic", 0, "PreLgc0") +
                                entry("CntFnc", 0, "CntFnc5", "<net port=\"0\">PreLgc0</net>") +
                                "</Vextor_Copy_Items>\n";
        Paster checker;
        doc.beginPaste(&checker, 1);
        QVERIFY(doc.parseCheck(clip));
        QCOMPARE(doc.pasteMap().value("PreLgc0"), QString("PreLgc7"));
        QCOMPARE(doc.diagram()->allBlocks().size(), 1);
        Paster paster;
        paster.m_slot = 3;
        doc.beginPaste(&paster, 1);
        doc.pasteMap().insert("PreLgc0", "PreLgc7");
        doc.parseFile(clip);
        doc.endPaste();
        BlockItem* pre = findBlock(doc, "PreLgc7", 1);
        BlockItem* fnc = findBlock(doc, "CntFnc5", 1);
        QVERIFY(pre && fnc);
        QCOMPARE(pre->getIndex(), 3);
        QCOMPARE(fnc->getPort(0), pre);
        QVERIFY(findBlock(doc, "PreLgc0", 0));
        QCOMPARE(doc.sheetCount(), 2);

        // A whole document pasted where there is no room: its blocks are offered to the hook, its sheets
        // and settings ignored.
        Document empty;
        Paster full;
        full.m_slot = -1;
        empty.beginPaste(&full, 0);
        empty.parseFile(
            wrap(tab(4, entry("PreLogic", 0, "PreLgc0") + entry("PostLogic", 0, "PstLgc0")), "addr=\"x\""));
        empty.endPaste();
        QVERIFY(empty.diagram()->allBlocks().isEmpty());
        QCOMPARE(empty.messages().size(), 1);
        QCOMPARE(empty.messages().at(0).second, QString("There's not enough space."));
        QVERIFY(empty.errorText().isEmpty());
        QCOMPARE(empty.sheetCount(), 1);
        QCOMPARE(empty.info().strAddr, QString("192.168.10.16"));
    }

    void attributeWhiteSpaceSurvives()
    {
        Document doc;
        doc.setSheetName(0, "a\tb\nc\r d ");
        doc.info().strAddr = " 10.0.0.1\t";
        Document read;
        QVERIFY(read.parseFile(doc.toXml()));
        QCOMPARE(read.sheetName(0), doc.sheetName(0));
        QCOMPARE(read.info().strAddr, doc.info().strAddr);
        QCOMPARE(read.toXml(), doc.toXml());
    }

    void randomRoundTrip()
    {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            Document doc;
            RandomDocument(doc, seed).build();
            const QByteArray first = doc.toXml();
            Document read;
            const QString where = QString("seed %1\n%2").arg(seed).arg(QString::fromUtf8(first));
            QVERIFY2(read.parseFile(first), qPrintable(where + read.errorText()));
            QVERIFY2(read.readOK(), qPrintable(where));
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
