#include "model/blockDiagram.h"
#include "model/labelRegistry.h"

#include "tests/support/dataRow.h"

#include <QtTest>

namespace {
class RecordingRegistry : public LabelRegistry
{
public:
    void newLabel(BlockItem* item) override { names.append(item->getName()); }
    QStringList names;
};

QStringList namesOf(const QVector<BlockItem*>& blocks)
{
    QStringList names;
    for (const BlockItem* b : blocks)
        names.append(b->getName());
    return names;
}

// Creates the next block of the automatically named kind with this name prefix.
BlockItem* createNext(BlockDiagram& d, const QString& prefix)
{
    return prefix == "PreLgc"   ? d.createPreLogic(0, 0)
           : prefix == "PstLgc" ? d.createPostLogic(0, 0)
           : prefix == "CntFnc" ? d.createCntFnc(0, 0)
           : prefix == "DlyFnc" ? d.createDlyFnc(0, 0)
           : prefix == "NonFnc" ? d.createNonFnc(0, 0)
           : prefix == "Label"  ? d.createNIMLabelIN(0, 0)
                                : d.createFeedBackIN(0, 0);
}
} // namespace

class TestBlockDiagram : public QObject
{
    Q_OBJECT

private slots:
    void inputsPerSheet()
    {
        BlockDiagram diagram;
        QStringList names;
        for (int i = 0; i < 10; ++i)
            names.append(diagram.createInput(i, 0)->getName());
        QCOMPARE(names, (QStringList{"IN-CH0", "IN-CH1", "IN-CH2", "IN-CH3", "IN-CH4", "IN-CH5", "IN-CH6",
                                     "IN-CH7", "IN-OPT", "IN-USER"}));
        QCOMPARE(diagram.createInput(10, 0), nullptr);
        // A freed channel is the next one handed out; an explicit name is taken even when in use.
        diagram.deleteItem(diagram.searchNIM_IN(QStringLiteral("IN-CH4"), 0));
        QCOMPARE(diagram.createInput(0, 0)->getName(), QStringLiteral("IN-CH4"));
        QCOMPARE(diagram.createInput(1, 0, QStringLiteral("IN-CH0"))->getName(), QStringLiteral("IN-CH0"));
        QCOMPARE(diagram.inputs().size(), 11);
    }

    void inputOnAnotherSheetTakesDisplayName()
    {
        BlockDiagram diagram;
        diagram.createInput(0, 1)->setUserName(QStringLiteral("Trigger"));
        NIM_IN* second = diagram.createInput(0, 2);
        QCOMPARE(second->getName(), QStringLiteral("IN-CH0"));
        QCOMPARE(second->getUserName(), QStringLiteral("Trigger"));
        // Without another block of the channel the block shows its own name.
        QCOMPARE(diagram.createInput(1, 1)->getUserName(), QStringLiteral("IN-CH1"));
        // tid < 0 counts the channels of every sheet.
        QCOMPARE(diagram.createInput(0, -1)->getName(), QStringLiteral("IN-CH2"));
    }

    void automaticNames_data()
    {
        QTest::addColumn<QString>("prefix");
        for (const char* prefix : {"PreLgc", "PstLgc", "CntFnc", "DlyFnc", "NonFnc", "FeedBack", "Label"})
            dataRow(prefix, QString::fromLatin1(prefix));
    }

    void automaticNames()
    {
        QFETCH(QString, prefix);
        auto name = [&](int n) { return prefix + QString::number(n); };
        BlockDiagram diagram;
        BlockItem* b0 = createNext(diagram, prefix);
        BlockItem* b1 = createNext(diagram, prefix);
        QCOMPARE(namesOf({b0, b1}), (QStringList{name(0), name(1)}));
        // A deleted name is free again.
        diagram.deleteItem(b0);
        QCOMPARE(createNext(diagram, prefix)->getName(), name(0));
        // A user name on a block of any kind, blanks around it or not, blocks the automatic name.
        diagram.createInput(0, 3)->setUserName(name(2));
        QCOMPARE(createNext(diagram, prefix)->getName(), name(3));
        diagram.createPostLogic(0, 3, QStringLiteral("Other"))->setUserName(" " + name(4) + " ");
        QCOMPARE(createNext(diagram, prefix)->getName(), name(5));
        // A renamed block keeps its resource name (pass-throughs consult the name check only).
        b1->setUserName(QStringLiteral("Renamed"));
        QCOMPARE(createNext(diagram, prefix)->getName(), name(prefix == "NonFnc" ? 1 : 6));
    }

    void channels()
    {
        BlockDiagram diagram;
        for (int k = 0; k < 8; ++k) {
            BlockItem* out = diagram.createOut(k, k % 2, k % 3 == 0 ? QStringLiteral("OUT-CH") : QString());
            QCOMPARE(out->getName(), QStringLiteral("OUT-CH%1").arg(k));
        }
        QCOMPARE(diagram.createOut(0, 0), nullptr);
        // An explicit name is taken as it is, even when in use.
        QCOMPARE(diagram.createOut(0, 1, QStringLiteral("OUT-CH3"))->getName(), QStringLiteral("OUT-CH3"));
        // Measure counters share the pool but not the names.
        for (int k = 0; k < 4; ++k)
            QCOMPARE(diagram.createMsrCnt(k, 0)->getName(), QStringLiteral("MsrCnt%1").arg(k));
        QCOMPARE(diagram.createMsrCnt(0, 0), nullptr);
        QCOMPARE(diagram.outs().size(), 13);
    }

    void labelsAndTheLabelPanel()
    {
        RecordingRegistry registry;
        BlockDiagram diagram(&registry);
        diagram.createFeedBackIN(0, 0);
        diagram.createNIMLabelIN(0, 1, QStringLiteral("Label9"));
        diagram.createNIMLabel(0, 2, QStringLiteral("Label0"));
        diagram.createOut(0, 0);
        QCOMPARE(registry.names, (QStringList{"FeedBack0", "Label9"}));
        // A continuation label blocks the name of the label it continues.
        QCOMPARE(diagram.createNIMLabelIN(0, 0)->getName(), QStringLiteral("Label1"));
    }

    void checkName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bName");
        QTest::addColumn<bool>("free");
        dataRow("IN-CH prefix without such a channel", "IN-CH9", false, false);
        dataRow("unused name, resource names too", "MyIN", true, true);
        dataRow("user name in use, blanks around", " Trigger\t", false, false);
        dataRow("case matters", "trigger", false, true);
        dataRow("renamed block's resource name", "PreLgc0", false, true);
        dataRow("renamed block's resource name, checked", "PreLgc0", true, false);
        dataRow("unrenamed block's resource name", "PstLgc0", false, false);
    }

    void checkName()
    {
        QFETCH(QString, name);
        QFETCH(bool, bName);
        BlockDiagram diagram;
        diagram.createInput(0, 0, QStringLiteral("IN-OPT"))->setUserName(QStringLiteral("Trigger"));
        diagram.createPreLogic(0, 0)->setUserName(QStringLiteral("  Gate "));
        diagram.createPostLogic(0, 0);
        QTEST(diagram.checkName(name, bName), "free");
    }

    void freeList_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("free");
        QTest::newRow("inputs on any sheet")
            << "Input" << QStringList{"IN-CH2", "IN-CH4", "IN-CH5", "IN-CH6", "IN-CH7", "IN-OPT"};
        QTest::newRow("measure counters") << "MsrCnt" << QStringList{"MsrCnt0", "MsrCnt2", "MsrCnt3"};
        dataRow("other kind", "PreLogic", QStringList());
    }

    void freeList()
    {
        QFETCH(QString, kind);
        BlockDiagram diagram;
        for (const char* name : {"IN-CH0", "IN-CH3", "IN-USER"})
            diagram.createInput(0, 0, name);
        diagram.createInput(0, 2, QStringLiteral("IN-CH1"));
        diagram.createMsrCnt(0, 1, QStringLiteral("MsrCnt1"));
        diagram.createPreLogic(0, 0);
        QStringList list;
        diagram.getFreeList(kind, list, -1);
        QTEST(list, "free");
    }

    // Deleting a block disconnects both sides; one the diagram does not hold, or none, is left alone.
    void deleting()
    {
        BlockDiagram diagram;
        PreLogic* pre = diagram.createPreLogic(0, 0);
        BlockItem* label = diagram.createNIMLabelIN(0, 0);
        BlockItem* fnc = diagram.createCntFnc(0, 0);
        PostLogic* post = diagram.createPostLogic(0, 0);
        label->setPort(0, pre);
        fnc->setPort(0, pre);
        post->setPort(-1, fnc);
        post->setPort(-1, label);
        diagram.deleteItem(fnc);
        QCOMPARE(namesOf(diagram.allBlocks()), (QStringList{"PreLgc0", "PstLgc0", "Label0"}));
        QCOMPARE(pre->getOutPort(), QVector<BlockItem*>{label});
        QCOMPARE(post->getPort().keys(), QList<int>{1});
        NIMFunction stranger(0, 0, QStringLiteral("CntFnc0"));
        diagram.deleteItem(&stranger);
        diagram.deleteItem(nullptr);
        QCOMPARE(diagram.allBlocks().size(), 3);
    }
};

QTEST_GUILESS_MAIN(TestBlockDiagram)
#include "tst_blockdiagram.moc"
