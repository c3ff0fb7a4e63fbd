#include "io/pasteRules.h"
#include "io/sheetEdits.h"
#include "model/blockKinds.h"
#include "tests/support/dataRow.h"
#include "tests/support/documents.h"

#include <QtTest>

namespace {
// Sheet 0: every kind, a few wires; sheet 1 defines the labels Label0 and Label1.
const QByteArray FIXTURE = R"(<?xml version="1.0" encoding="UTF-8"?>
<Vextor3 addr="192.168.10.16" tcpPort="24" udpPort="4660" Timeout="1" autoConnect="true">
<tab id="0" name="Edit">
<entry term="Input"><id>0</id><name>IN-CH0</name></entry>
<entry term="Input"><id>1</id><name>IN-CH1</name></entry>
<entry term="PreLogic"><id>0</id><name>PreLgc0</name><net port="0">IN-CH0</net><property>_A</property></entry>
<entry term="FeedBack0"><id>1</id><name>FeedBack0</name></entry>
<entry term="PreLabel0"><id>2</id><name>Label0</name></entry>
<entry term="CntFnc"><id>0</id><name>CntFnc0</name></entry>
<entry term="DlyFnc"><id>1</id><name>DlyFnc0</name><net port="0">PreLgc0</net></entry>
<entry term="NonFnc"><id>2</id><name>NonFnc0</name></entry>
<entry term="PreLabel"><id>3</id><name>Label2</name></entry>
<entry term="CntFnc"><id>4</id><name>CntFnc1</name><net port="0">FeedBack0</net></entry>
<entry term="Label1"><id>5</id><name>Label1</name></entry>
<entry term="PostLogic"><id>0</id><name>PstLgc0</name></entry>
<entry term="Label"><id>1</id><name>Label3</name></entry>
<entry term="OUT-CH0"><id>0</id><name>OUT-CH0</name></entry>
<entry term="MsrCnt0"><id>1</id><name>MsrCnt0</name></entry>
<entry term="FeedBack"><id>2</id><name>FeedBack0</name><net port="0">PstLgc0</net></entry>
</tab>
<tab id="1" name="Other">
<entry term="PreLogic"><id>0</id><name>PreLgc1</name></entry>
<entry term="PreLabel"><id>0</id><name>Label0</name><net port="0">PreLgc1</net></entry>
<entry term="Label"><id>0</id><name>Label1</name></entry>
</tab>
</Vextor3>
)";

// Free units of the counters a test looks at, in this order.
const QStringList UNITS{"PreLogicInfo", "FeedBackInfo", "PostLogicInfo", "CntFnc",  "DlyFnc",
                        "NonFnc",       "OUT-CH",       "MsrCnt",        "FeedBack"};
} // namespace

// The rules of editing a sheet, on a document without widgets.
class TestSheetEdits : public QObject
{
    Q_OBJECT

private:
    Document m_doc;

    BlockItem* block(const QString& name, int tid = 0) { return findBlock(m_doc, name, tid); }
    QList<int> counts() const
    {
        QList<int> list;
        for (const QString& unit : UNITS)
            list << const_cast<Document&>(m_doc).counters()->count(unit);
        return list;
    }
    // counts() with the given changes ("CntFnc+1 PostLogicInfo+1").
    QList<int> changed(const QList<int>& before, const QString& changes)
    {
        QList<int> after = before;
        for (const QString& change : changes.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const int at = qMax(change.lastIndexOf(QLatin1Char('+')), change.lastIndexOf(QLatin1Char('-')));
            after[UNITS.indexOf(change.left(at))] += change.mid(at).toInt();
        }
        return after;
    }

private slots:
    void init() { QVERIFY(m_doc.parseFile(FIXTURE) && m_doc.readOK()); }

    // What a palette or label-panel entry makes, where it stands and the unit it takes.
    void create_data()
    {
        QTest::addColumn<QString>("payload");
        QTest::addColumn<int>("dropColumn");
        QTest::addColumn<QString>("type"); // "" for none made
        QTest::addColumn<QPoint>("position");
        QTest::addColumn<QString>("units");
        const int in = SheetModel::InputColumn, pre = SheetModel::PreLogicColumn,
                  fn = SheetModel::FunctionColumn, post = SheetModel::PostLogicColumn,
                  out = SheetModel::OutputColumn;
        dataRow("input", "Input", in, "Input", QPoint(0, 106 + 2 * 40), "");
        dataRow("label left", "Label", fn, "PreLabel", QPoint(284, 106 + 6 * 40), "");
        dataRow("label right", "Label", post, "Label", QPoint(425, 106 + 2 * 68), "");
        dataRow("counter", "CntFnc", fn, "CntFnc", QPoint(284, 104 + 6 * 40), "CntFnc-1 PostLogicInfo-1");
        dataRow("measure counter", "MsrCnt", out, "MsrCnt1", QPoint(567, 104 + 3 * 40), "MsrCnt-1");
        dataRow("feedback", "FeedBack", out, "FeedBack", QPoint(567, 106 + 3 * 40), "FeedBack-1");
        dataRow("label output of a prelogic", "PreLabel2", pre, "PreLabel2", QPoint(142, 106 + 3 * 68), "");
        dataRow("nothing free", "MsrCnt", out, "", QPoint(), "");
        dataRow("no such entry", "Vextormove", out, "", QPoint(), "");
    }
    void create()
    {
        QFETCH(QString, payload);
        QFETCH(int, dropColumn);
        QFETCH(QString, type);
        QFETCH(QPoint, position);
        QFETCH(QString, units);
        if (QTest::currentDataTag() == QLatin1String("nothing free"))
            m_doc.counters()->setCount(0, QStringLiteral("MsrCnt"));
        const QByteArray before = m_doc.toXml();
        const QList<int> unitsBefore = counts();
        SheetEdits edits(&m_doc, 0);
        BlockItem* made = edits.create(payload, SheetModel::Column(dropColumn));
        QCOMPARE(made ? made->getType() : QString(), type);
        if (!made) {
            QCOMPARE(m_doc.toXml(), before);
            QCOMPARE(counts(), unitsBefore);
            return;
        }
        QCOMPARE(made->getPosition(), position);
        QCOMPARE(m_doc.sheet(0)->columnOf(made), SheetModel::columnAtX(position.x()));
        QCOMPARE(counts(), changed(unitsBefore, units));
        if (isLabelOutput(made))
            QVERIFY(m_doc.labels()->isUsed(made->getName(), 0));
    }

    // A wire from an output into a block: what each column allows and the units it takes or swaps.
    void wire_data()
    {
        QTest::addColumn<QString>("source"); // the drag's payload
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("asked"); // the measure counter's input asked for
        QTest::addColumn<int>("result");
        QTest::addColumn<int>("port"); // the target's input that now holds the source
        QTest::addColumn<QString>("units");
        const int no = SheetEdits::NoWire, yes = SheetEdits::Wired;
        dataRow("input into prelogic", "IN-CH1", "PreLgc0", 0, yes, 1, "");
        dataRow("input into a label output", "IN-CH1", "FeedBack0", 0, no, 0, "");
        dataRow("prelogic into counter", "PreLgc0", "CntFnc0", 0, yes, 0, "PreLogicInfo-1");
        dataRow("feedback into counter", "OUTFeedBack0", "CntFnc0", 0, yes, 0, "FeedBackInfo-1");
        dataRow("feedback replaces prelogic", "OUTFeedBack0", "DlyFnc0", 0, yes, 0,
                "FeedBackInfo-1 PreLogicInfo+1");
        dataRow("prelogic replaces feedback", "PreLgc0", "CntFnc1", 0, yes, 0,
                "FeedBackInfo+1 PreLogicInfo-1");
        dataRow("feedback into pass-through", "OUTFeedBack0", "NonFnc0", 0,
                int(SheetEdits::FeedBackIntoNonFnc), 0, "");
        dataRow("prelogic into pass-through", "PreLgc0", "NonFnc0", 0, yes, 0, "");
        dataRow("label output into counter", "OUTLabel0", "CntFnc0", 0, yes, 0, "PreLogicInfo-1");
        dataRow("prelogic into label", "PreLgc0", "Label2", 0, yes, 0, "");
        dataRow("label output into label", "OUTLabel0", "Label2", 0, no, 0, "");
        dataRow("function into postlogic", "CntFnc0", "PstLgc0", 0, yes, 0, "");
        dataRow("function into label", "DlyFnc0", "Label3", 0, yes, 0, "");
        dataRow("function label into label", "OUTLabel1", "Label3", 0, no, 0, "");
        dataRow("postlogic into output", "PstLgc0", "OUT-CH0", 1, yes, 0, "");
        dataRow("label input drives nothing", "Label3", "OUT-CH0", 0, no, 0, "");
        dataRow("postlogic into counter gate", "PstLgc0", "MsrCnt0", 0, yes, 0, "");
        dataRow("postlogic into counter source", "PstLgc0", "MsrCnt0", 1, yes, 1, "");
        dataRow("no source of that name", "PreLgc9", "CntFnc0", 0, no, 0, "");
        dataRow("no FeedBack unit left", "OUTFeedBack0", "DlyFnc0", 0, no, 0, "");
    }
    void wire()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(int, asked);
        QFETCH(int, result);
        QFETCH(int, port);
        QFETCH(QString, units);
        if (QTest::currentDataTag() == QLatin1String("no FeedBack unit left"))
            m_doc.counters()->setCount(0, QStringLiteral("FeedBackInfo"));
        BlockItem* to = block(target);
        const QByteArray before = m_doc.toXml();
        const QList<int> unitsBefore = counts();
        SheetEdits edits(&m_doc, 0);
        const SheetModel::Column column = m_doc.sheet(0)->columnOf(to);
        QCOMPARE(int(edits.connect(source, column, to->getIndex(), asked)), result);
        QCOMPARE(counts(), changed(unitsBefore, units));
        if (result != SheetEdits::Wired) {
            QCOMPARE(m_doc.toXml(), before);
            return;
        }
        QVERIFY(to->getPort(port));
        QCOMPARE(to->getPort(port)->getName(), source.mid(source.startsWith(QLatin1String("OUT")) ? 3 : 0));
    }

    // Every unit a block held comes back; a label's outputs go with it on every sheet.
    void deleteItem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("tid");
        QTest::addColumn<QString>("units");
        QTest::addColumn<QStringList>("gone"); // blocks (name@sheet) deleted along
        dataRow("prelogic feeding a delay", "PreLgc0", 0, "PreLogicInfo+1", QStringList());
        dataRow("delay fed by a prelogic", "DlyFnc0", 0, "PreLogicInfo+1 DlyFnc+1 PostLogicInfo+1",
                QStringList());
        dataRow("feedback output feeding a counter", "FeedBack0", 0, "FeedBackInfo+1", QStringList());
        dataRow("output", "OUT-CH0", 0, "OUT-CH+1", QStringList());
        dataRow("measure counter", "MsrCnt0", 0, "MsrCnt+1", QStringList());
        dataRow("label defined on another sheet", "Label0", 1, "", QStringList{"Label0@0"});
        dataRow("function label defined on another sheet", "Label1", 1, "", QStringList{"Label1@0"});
    }
    void deleteItem()
    {
        QFETCH(QString, name);
        QFETCH(int, tid);
        QFETCH(QString, units);
        QFETCH(QStringList, gone);
        const QList<int> before = counts();
        BlockItem* doomed = block(name, tid);
        QVERIFY(doomed);
        const int all = m_doc.diagram()->allBlocks().size();
        SheetEdits(&m_doc, tid).deleteItem(doomed);
        QCOMPARE(counts(), changed(before, units));
        QCOMPARE(m_doc.diagram()->allBlocks().size(), all - 1 - gone.size());
        for (const QString& other : gone)
            QVERIFY(!block(other.section('@', 0, 0), other.section('@', 1).toInt()));
        for (const LabelModel::LabelInfo& entry : m_doc.labels()->labels())
            QVERIFY(gone.isEmpty() || entry.name != name);
    }

    // The FeedBack block takes its outputs and their routing units along, and gives its own unit.
    void deleteFeedBackBlock()
    {
        const QList<int> before = counts();
        BlockItem* feedback = nullptr;
        for (BlockItem* b : m_doc.sheet(0)->column(SheetModel::OutputColumn))
            feedback = isFeedBackIn(b) ? b : feedback;
        SheetEdits(&m_doc, 0).deleteItem(feedback);
        QCOMPARE(counts(), changed(before, "FeedBack+1 FeedBackInfo+1"));
        QVERIFY(!block(QStringLiteral("FeedBack0")));
        QVERIFY(m_doc.labels()->feedbacks().isEmpty());
    }

    // Deleting a whole sheet gives back every unit its blocks held.
    void deleteAll()
    {
        SheetEdits(&m_doc, 0).deleteAll();
        QVERIFY(m_doc.sheet(0)->isEmpty());
        for (const QString& unit : UNITS)
            QCOMPARE(m_doc.counters()->count(unit), m_doc.counters()->total(unit));
    }

    void changeLabel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("left");
        QTest::addColumn<QPoint>("position"); // null: not allowed
        dataRow("label to the left", "Label3", true, QPoint(284, 106 + 6 * 40));
        dataRow("prelabel to the right", "Label2", false, QPoint(425, 106 + 2 * 68));
        dataRow("label to the right", "Label3", false, QPoint());
        dataRow("label with a source", "Label2", false, QPoint());
        dataRow("label placed on another sheet", "Label1", true, QPoint());
    }
    void changeLabel()
    {
        QFETCH(QString, name);
        QFETCH(bool, left);
        QFETCH(QPoint, position);
        const int tid = name == QLatin1String("Label1") ? 1 : 0;
        if (QTest::currentDataTag() == QLatin1String("label with a source"))
            block(name)->setPort(0, block(QStringLiteral("PreLgc0")));
        block(name, tid)->setUserName(QStringLiteral("Gate"));
        const QByteArray before = m_doc.toXml();
        BlockItem* moved = SheetEdits(&m_doc, tid).changeLabel(block(name, tid), left);
        if (position.isNull()) {
            QVERIFY(!moved);
            QCOMPARE(m_doc.toXml(), before);
            return;
        }
        QVERIFY(moved);
        QCOMPARE(moved->getPosition(), position);
        QCOMPARE(moved->getName(), name);
        QCOMPARE(moved->getType(), QString(left ? "PreLabel" : "Label"));
        QCOMPARE(moved->getUserName(), QStringLiteral("Gate"));
        for (const LabelModel::LabelInfo& entry : m_doc.labels()->labels()) {
            if (entry.name == name)
                QCOMPARE(LabelModel::dragName(entry), QString(left ? "Pre" : "") + name);
        }
    }

    // A pasted block keeps a free name; a taken one gets the first free number after its prefix.
    void pasteName_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QStringList>("names"); // pasted in this order
        QTest::addColumn<QStringList>("expected");
        dataRow("free name stands", "PreLogic", QStringList{"PreLgc7"}, QStringList{"PreLgc7"});
        dataRow("taken delay", "DlyFnc", QStringList{"DlyFnc0"}, QStringList{"DlyFnc1"});
        dataRow("taken names numbered in turn", "PreLogic", QStringList{"PreLgc0", "PreLgc1"},
                QStringList{"PreLgc2", "PreLgc3"});
        dataRow("free input channel on this sheet", "Input", QStringList{"IN-CH3"}, QStringList{"IN-CH3"});
        dataRow("taken input channel", "Input", QStringList{"IN-CH0", "IN-CH1"},
                QStringList{"IN-CH2", "IN-CH3"});
        dataRow("free user input", "Input", QStringList{"IN-USER"}, QStringList{"IN-USER"});
        dataRow("taken option input", "Input", QStringList{"IN-OPT", "IN-OPT"},
                QStringList{"IN-OPT", "IN-CH2"});
        dataRow("taken output channel", "OUT-CH0", QStringList{"OUT-CH0"}, QStringList{"OUT-CH1"});
        dataRow("label input", "PreLabel", QStringList{"Label2"}, QStringList{"Label4"});
        dataRow("label output keeps its label", "PreLabel0", QStringList{"Label0"}, QStringList{"Label0"});
        dataRow("feedback output keeps its signal", "FeedBack0", QStringList{"FeedBack0"},
                QStringList{"FeedBack0"});
        dataRow("feedback block", "FeedBack", QStringList{"FeedBack0"}, QStringList{"FeedBack1"});
    }
    void pasteName()
    {
        QFETCH(QString, item);
        QFETCH(QStringList, names);
        QFETCH(QStringList, expected);
        PasteRules rules(&m_doc, 0);
        QStringList given;
        for (QString name : names) {
            QVERIFY(rules.pasteItem(item, name) >= 0);
            given << name;
        }
        QCOMPARE(given, expected);
    }

    // Blocks pasted onto their own sheet get new names; their wires join the copies.
    void pasteJoinsTheCopies()
    {
        const QString text = Clipboard::copyText({block("PreLgc0"), block("DlyFnc0"), block("CntFnc1")});
        const QList<int> before = counts();
        QVERIFY(PasteRules::paste(&m_doc, 0, text.toUtf8()));
        QVERIFY(m_doc.messages().isEmpty());
        QCOMPARE(block("PreLgc2")->getPort(0), block("IN-CH0"));
        QCOMPARE(block("DlyFnc1")->getPort(0), block("PreLgc2"));
        QCOMPARE(block("CntFnc2")->getPort(0), block("FeedBack0"));
        QCOMPARE(counts(),
                 changed(before, "DlyFnc-1 CntFnc-1 PostLogicInfo-2 PreLogicInfo-1 FeedBackInfo-1"));
    }

    // A FeedBack signal copied or cut with its output and the counter the output feeds comes back
    // whole: block and output under one name, the counter fed by the output.
    void pasteKeepsASignal_data()
    {
        QTest::addColumn<bool>("cut");
        QTest::addColumn<QString>("signal");
        QTest::addColumn<QString>("counter");
        dataRow("copied", false, "FeedBack1", "CntFnc2");
        dataRow("cut", true, "FeedBack0", "CntFnc1");
    }
    void pasteKeepsASignal()
    {
        QFETCH(bool, cut);
        BlockItem* feedback = m_doc.sheet(0)->column(SheetModel::OutputColumn).value(2);
        const QVector<BlockItem*> blocks{block("FeedBack0"), block("CntFnc1"), feedback};
        const QString text = Clipboard::copyText(blocks);
        if (cut)
            SheetEdits(&m_doc, 0).deleteItem(feedback); // its output goes along
        if (cut)
            SheetEdits(&m_doc, 0).deleteItem(block("CntFnc1"));
        QVERIFY(PasteRules::paste(&m_doc, 0, text.toUtf8()));
        QFETCH(QString, signal);
        BlockItem* output = nullptr;
        for (BlockItem* b : m_doc.sheet(0)->column(SheetModel::PreLogicColumn))
            output = b->getName() == signal ? b : output;
        QVERIFY(output);
        QCOMPARE(m_doc.sheet(0)->column(SheetModel::OutputColumn).last()->getName(), signal);
        QFETCH(QString, counter);
        QCOMPARE(block(counter)->getPort(0), output);
        QCOMPARE(m_doc.sheet(0)->column(SheetModel::OutputColumn).last()->getPort(0), block("PstLgc0"));
    }

    // Pasted twice, an example shows no display name twice: a taken one gets a free number, an
    // input shares its channel's, the outputs of a label show the label's.
    void pastedDisplayNames()
    {
        const QDir examples(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
        for (const QString& file : examples.entryList({QStringLiteral("*.vxt3")})) {
            Document doc;
            QVERIFY(doc.parseFile(readFile(examples.filePath(file))));
            const int last = doc.newSheet();
            for (int tid = 0; tid < last; ++tid) {
                QVector<BlockItem*> blocks;
                for (int c = 0; c < SheetModel::ColumnCount; ++c)
                    blocks += doc.sheet(tid)->column(SheetModel::Column(c)).values().toVector();
                const QByteArray text = Clipboard::copyText(blocks).toUtf8();
                QVERIFY(PasteRules::paste(&doc, tid, text));
                QVERIFY(PasteRules::paste(&doc, last, text));
            }
            QHash<QString, QString> signalOf; // display name: the channel or label that shows it
            for (const BlockItem* b : doc.diagram()->allBlocks()) {
                const QString signal =
                    isInput(b) || isCrossSheetName(b->getName()) ? b->getName() : QString();
                const QString shown = b->getUserName();
                QVERIFY2(!signalOf.contains(shown) || (!signal.isEmpty() && signalOf.value(shown) == signal),
                         qPrintable(file + ": " + shown));
                signalOf.insert(shown, signal);
            }
        }
        Document doc;
        QVERIFY(doc.parseFile(readFile(examplePath("coincidence.vxt3"))));
        const QString text =
            Clipboard::copyText(doc.sheet(0)->column(SheetModel::PreLogicColumn).values().toVector());
        for (const char* expected : {"COINC_2", "COINC_3"}) {
            QVERIFY(PasteRules::paste(&doc, 0, text.toUtf8()));
            QCOMPARE(doc.sheet(0)->column(SheetModel::PreLogicColumn).last()->getUserName(),
                     QString(expected));
        }
    }

    void clipboardText()
    {
        QCOMPARE(Clipboard::copyText({}), QStringLiteral("<Vextor_Copy_Items>\n</Vextor_Copy_Items>\n"));
        QVERIFY(Clipboard::isCopyText(Clipboard::copyText({block(QStringLiteral("PreLgc0"))})));
        QVERIFY(!Clipboard::isCopyText(QStringLiteral("<vextor_copy_items>\n")));
        QVERIFY(!Clipboard::isCopyText(QStringLiteral(" <Vextor_Copy_Items>\n")));
    }
};

QTEST_MAIN(TestSheetEdits)
#include "tst_sheetedits.moc"
