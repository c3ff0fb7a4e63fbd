#include "model/blockDiagram.h"
#include "model/labelRegistry.h"

#include <QtTest>

#include <memory>

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

template<typename T> QVector<BlockItem*> asBlocks(const QVector<T*>& pool)
{
    return QVector<BlockItem*>(pool.begin(), pool.end());
}

// Creates the next block of the automatically named kind with this name prefix.
BlockItem* createNext(BlockDiagram& d, const QString& prefix)
{
    return prefix == QLatin1String("PreLgc")   ? d.createPreLogic(0, 0)
           : prefix == QLatin1String("PstLgc") ? d.createPostLogic(0, 0)
           : prefix == QLatin1String("CntFnc") ? d.createCntFnc(0, 0)
           : prefix == QLatin1String("DlyFnc") ? d.createDlyFnc(0, 0)
           : prefix == QLatin1String("NonFnc") ? d.createNonFnc(0, 0)
           : prefix == QLatin1String("Label")  ? d.createNIMLabelIN(0, 0)
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
        for (int i = 0; i < 10; ++i) {
            NIM_IN* input = diagram.createInput(i, 0);
            QCOMPARE(input->getIndex(), i);
            names.append(input->getName());
        }
        QCOMPARE(names, (QStringList{"IN-CH0", "IN-CH1", "IN-CH2", "IN-CH3", "IN-CH4", "IN-CH5", "IN-CH6",
                                     "IN-CH7", "IN-OPT", "IN-USER"}));
        QCOMPARE(diagram.createInput(10, 0), nullptr);

        // A freed channel is the next one handed out.
        diagram.deleteItem(diagram.searchNIM_IN(QStringLiteral("IN-CH4"), 0));
        QCOMPARE(diagram.createInput(0, 0)->getName(), QStringLiteral("IN-CH4"));
        // An explicit name is taken even when in use.
        QCOMPARE(diagram.createInput(1, 0, QStringLiteral("IN-CH0"))->getName(), QStringLiteral("IN-CH0"));
        QCOMPARE(diagram.inputs().size(), 11);
    }

    void inputOnAnotherSheetTakesDisplayName()
    {
        BlockDiagram diagram;
        NIM_IN* first = diagram.createInput(0, 1);
        first->setUserName(QStringLiteral("Trigger"));
        NIM_IN* second = diagram.createInput(0, 2);
        QCOMPARE(second->getName(), QStringLiteral("IN-CH0"));
        QCOMPARE(second->getUserName(), QStringLiteral("Trigger"));

        // Without another block of the channel the block shows its own name.
        NIM_IN* third = diagram.createInput(1, 1);
        QCOMPARE(third->getName(), QStringLiteral("IN-CH1"));
        QCOMPARE(third->getUserName(), QStringLiteral("IN-CH1"));
        // tid < 0 counts the channels of every sheet.
        QCOMPARE(diagram.createInput(0, -1)->getName(), QStringLiteral("IN-CH2"));
    }

    void automaticNames_data()
    {
        QTest::addColumn<QString>("prefix");
        for (const char* prefix : {"PreLgc", "PstLgc", "CntFnc", "DlyFnc", "NonFnc", "FeedBack", "Label"})
            QTest::newRow(prefix) << QString::fromLatin1(prefix);
    }

    void automaticNames()
    {
        QFETCH(QString, prefix);
        auto name = [&](int n) { return prefix + QString::number(n); };
        auto create = [&](BlockDiagram& d) { return createNext(d, prefix); };

        BlockDiagram diagram;
        BlockItem* b0 = create(diagram);
        BlockItem* b1 = create(diagram);
        QCOMPARE(b0->getName(), name(0));
        QCOMPARE(b1->getName(), name(1));

        // A deleted name is free again.
        diagram.deleteItem(b0);
        QCOMPARE(create(diagram)->getName(), name(0));

        // A user name on a block of any kind blocks the automatic name.
        diagram.createInput(0, 3)->setUserName(name(2));
        QCOMPARE(create(diagram)->getName(), name(3));

        // So does a user name with blanks around it.
        diagram.createPostLogic(0, 3, QStringLiteral("Other"))
            ->setUserName(QStringLiteral(" ") + name(4) + " ");
        QCOMPARE(create(diagram)->getName(), name(5));

        // A renamed block of the same kind keeps its resource name.
        b1->setUserName(QStringLiteral("Renamed"));
        if (prefix != QLatin1String("NonFnc"))
            QCOMPARE(create(diagram)->getName(), name(6));
    }

    void functionsNumberedApart()
    {
        BlockDiagram diagram;
        QCOMPARE(diagram.createCntFnc(0, 0)->getName(), QStringLiteral("CntFnc0"));
        QCOMPARE(diagram.createDlyFnc(1, 0)->getName(), QStringLiteral("DlyFnc0"));
        // Loaded functions take part in the numbering.
        diagram.createFunction(0, 1, QStringLiteral("DlyFnc1"));
        QCOMPARE(diagram.createDlyFnc(0, 0)->getName(), QStringLiteral("DlyFnc2"));
        // Pass-through names consult the name check only: a renamed one's resource name is free again.
        diagram.createNonFnc(0, 0)->setUserName(QStringLiteral("Through"));
        QCOMPARE(diagram.createNonFnc(1, 0)->getName(), QStringLiteral("NonFnc0"));
    }

    void outputs()
    {
        BlockDiagram diagram;
        for (int k = 0; k < 8; ++k) {
            BlockItem* out = diagram.createOut(k, k % 2, k % 3 == 0 ? QStringLiteral("OUT-CH") : QString());
            QCOMPARE(out->getName(), QStringLiteral("OUT-CH%1").arg(k));
        }
        QCOMPARE(diagram.createOut(0, 0), nullptr);

        // An explicit name is taken as it is, even when in use.
        BlockItem* twin = diagram.createOut(0, 1, QStringLiteral("OUT-CH3"));
        QCOMPARE(twin->getName(), QStringLiteral("OUT-CH3"));
        QCOMPARE(diagram.outs().size(), 9);
    }

    void measureCounters()
    {
        BlockDiagram diagram;
        diagram.createOut(0, 0); // outputs share the pool but not the names
        for (int k = 0; k < 4; ++k)
            QCOMPARE(diagram.createMsrCnt(k, 0)->getName(), QStringLiteral("MsrCnt%1").arg(k));
        QCOMPARE(diagram.createMsrCnt(0, 0), nullptr);
    }

    void labelPanelIsTold()
    {
        RecordingRegistry registry;
        BlockDiagram diagram(&registry);
        diagram.createFeedBackIN(0, 0);
        diagram.createNIMLabelIN(0, 0);
        diagram.createFeedBackIN(0, 1, QStringLiteral("FeedBack9"));
        diagram.createNIMLabelIN(0, 1, QStringLiteral("Label9"));
        diagram.createNIMLabel(0, 2, QStringLiteral("Label0"));
        diagram.createNIMFncLabel(0, 2, QStringLiteral("FeedBack0"));
        diagram.createOut(0, 0);
        QCOMPARE(registry.names, (QStringList{"FeedBack0", "Label0", "FeedBack9", "Label9"}));
        QCOMPARE(namesOf(diagram.labels()), (QStringList{"Label0", "FeedBack0"}));

        // A continuation label blocks the name of the label it continues.
        diagram.deleteItem(diagram.outs().at(1));
        QCOMPARE(diagram.createNIMLabelIN(0, 0)->getName(), QStringLiteral("Label1"));
    }

    void checkName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("bName");
        QTest::addColumn<bool>("free");
        auto row = [](const char* tag, const QString& name, bool bName, bool free) {
            QTest::newRow(tag) << name << bName << free;
        };
        row("IN-CH prefix without such a channel", "IN-CH9", false, false);
        row("unused name, resource names too", "MyIN", true, true);
        row("user name in use, blanks around", " Trigger\t", false, false);
        row("case matters", "trigger", false, true);
        row("renamed block's resource name", "PreLgc0", false, true);
        row("renamed block's resource name, checked", "PreLgc0", true, false);
        row("unrenamed block's resource name", "PstLgc0", false, false);
    }

    void checkName()
    {
        QFETCH(QString, name);
        QFETCH(bool, bName);

        BlockDiagram diagram;
        diagram.createInput(0, 0, QStringLiteral("IN-OPT"))->setUserName(QStringLiteral("Trigger"));
        diagram.createPreLogic(0, 0)->setUserName(QStringLiteral("  Gate "));
        diagram.createPostLogic(0, 0);
        diagram.createOut(0, 0);
        diagram.createNIMLabel(0, 1, QStringLiteral("Label0"));
        QTEST(diagram.checkName(name, bName), "free");
    }

    void freeList_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("tid");
        QTest::addColumn<QStringList>("free");

        QTest::newRow("inputs on any sheet")
            << "Input" << -1 << QStringList{"IN-CH2", "IN-CH4", "IN-CH5", "IN-CH6", "IN-CH7", "IN-OPT"};
        QTest::newRow("other kind") << "PreLogic" << 0 << QStringList();
    }

    void freeList()
    {
        QFETCH(QString, kind);
        QFETCH(int, tid);

        BlockDiagram diagram;
        diagram.createInput(0, 0, QStringLiteral("IN-CH0"));
        diagram.createInput(1, 0, QStringLiteral("IN-CH3"));
        diagram.createInput(2, 0, QStringLiteral("IN-USER"));
        diagram.createInput(0, 2, QStringLiteral("IN-CH1"));
        diagram.createInput(0, 1, QStringLiteral("IN-USER"));
        diagram.createPreLogic(0, 0);

        QStringList list;
        diagram.getFreeList(kind, list, tid);
        QTEST(list, "free");
    }

    void searches()
    {
        BlockDiagram diagram;
        NIM_IN* in1 = diagram.createInput(0, 1, QStringLiteral("IN-CH5"));
        NIM_IN* in2 = diagram.createInput(0, 2, QStringLiteral("IN-CH5"));
        PostLogic* post = diagram.createPostLogic(0, 2);
        post->setUserName(QStringLiteral("Veto"));

        QCOMPARE(diagram.searchNIM_IN(QStringLiteral("IN-CH5"), -1), in1);
        QCOMPARE(diagram.searchNIM_IN(QStringLiteral("IN-CH5"), 2), in2);
        QCOMPARE(diagram.searchNIM_IN(QStringLiteral("IN-CH5"), 3), nullptr);
        QCOMPARE(diagram.searchPostLogic(QStringLiteral("PstLgc0"), -1), post);
        // Searches compare resource names, not the names shown.
        QCOMPARE(diagram.searchPostLogic(QStringLiteral("Veto"), -1), nullptr);
    }

    void deleteItem()
    {
        BlockDiagram diagram;
        NIM_IN* in = diagram.createInput(0, 0);
        PreLogic* pre = diagram.createPreLogic(0, 0);
        BlockItem* fnc = diagram.createCntFnc(0, 0);
        PostLogic* post = diagram.createPostLogic(0, 0);
        BlockItem* out = diagram.createOut(0, 0);
        pre->setPort(-1, in);
        fnc->setPort(0, pre);
        post->setPort(-1, fnc);
        out->setPort(0, post);

        // Deleting a block in the middle disconnects both sides.
        diagram.deleteItem(fnc);
        QVERIFY(diagram.functions().isEmpty());
        QVERIFY(pre->getOutPort().isEmpty());
        QVERIFY(post->getPort().isEmpty());

        // A block the diagram does not hold, or none, is left alone.
        NIMFunction stranger(0, 0, QStringLiteral("CntFnc0"));
        diagram.deleteItem(&stranger);
        diagram.deleteItem(nullptr);
        QCOMPARE(diagram.allBlocks().size(), 4);
    }

    void deleteTab()
    {
        BlockDiagram diagram;
        NIM_IN* keep = diagram.createInput(0, 1);
        NIM_IN* gone = diagram.createInput(0, 2);
        QCOMPARE(gone->getName(), keep->getName());
        PreLogic* preGone = diagram.createPreLogic(1, 2);
        PostLogic* postKeep = diagram.createPostLogic(1, 1);
        BlockItem* labelInGone = diagram.createNIMLabelIN(0, 2);
        BlockItem* labelKeep = diagram.createNIMLabel(0, 1, labelInGone->getName());
        BlockItem* outKeep = diagram.createOut(0, 1);
        diagram.createFunction(0, 2, QStringLiteral("DlyFnc0"));
        preGone->setPort(-1, keep);
        preGone->setPort(-1, gone);
        labelInGone->setPort(0, preGone);
        postKeep->setPort(-1, labelKeep);
        outKeep->setPort(0, postKeep);

        diagram.deleteTab(2);
        QCOMPARE(asBlocks(diagram.inputs()), QVector<BlockItem*>{keep});
        QVERIFY(diagram.preLogics().isEmpty());
        QVERIFY(diagram.functions().isEmpty());
        QCOMPARE(diagram.outs(), QVector<BlockItem*>{outKeep});
        QCOMPARE(diagram.labels(), QVector<BlockItem*>{labelKeep});
        QVERIFY(keep->getOutPort().isEmpty());
        QCOMPARE(postKeep->getPort(0), labelKeep);
        QCOMPARE(outKeep->getPort(0), postKeep);
    }

    void clearEntry()
    {
        RecordingRegistry registry;
        BlockDiagram diagram(&registry);
        NIM_IN* in = diagram.createInput(0, 0);
        PreLogic* pre = diagram.createPreLogic(0, 0);
        PostLogic* post = diagram.createPostLogic(0, 0);
        BlockItem* feedback = diagram.createFeedBackIN(0, 0);
        pre->setPort(-1, in);
        post->setPort(-1, diagram.createNIMFncLabel(0, 1, feedback->getName()));
        feedback->setPort(0, post);
        diagram.createMsrCnt(0, 0)->setPort(1, in);

        diagram.clearEntry();
        QVERIFY(diagram.allBlocks().isEmpty());
        // Numbering starts over.
        QCOMPARE(diagram.createPreLogic(0, 0)->getName(), QStringLiteral("PreLgc0"));
    }
};

QTEST_GUILESS_MAIN(TestBlockDiagram)
#include "tst_blockdiagram.moc"
