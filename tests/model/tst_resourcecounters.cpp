#include "resourceCounters.h"

#include <QSignalSpy>
#include <QTest>

class TestResourceCounters : public QObject
{
    Q_OBJECT

private slots:
    void freshCaptions_data();
    void freshCaptions();
    void twelfthFunctionRefused();
    void functionWithoutBackendSlotChangesNothing();
    void giveBackToFullEntryRefused();
    void currentEntryAndUnknownNames();
    void initRefills();
};

void TestResourceCounters::freshCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("image");
    QTest::newRow("Input") << "Input"
                           << "Input"
                           << ":/images/MenuInput.png";
    QTest::newRow("PreLogicInfo") << "PreLogicInfo"
                                  << "NET(8/8)"
                                  << ":/images/NetPreLgc.png";
    QTest::newRow("CntFnc") << "CntFnc"
                            << "CntFnc(8/8)"
                            << ":/images/FuncLabel.png";
    QTest::newRow("NonFnc") << "NonFnc"
                            << "NonFnc(6/6)"
                            << ":/images/FuncLabel.png";
    QTest::newRow("PostLogicInfo") << "PostLogicInfo"
                                   << "NET(11/11)"
                                   << ":/images/NetPstLgc.png";
    QTest::newRow("MsrCnt") << "MsrCnt"
                            << "MsrCnt(4/4)"
                            << ":/images/MenuOut.png";
    QTest::newRow("OUT-CH") << "OUT-CH"
                            << "Output(8/8)"
                            << ":/images/MenuOut.png";
    QTest::newRow("FeedBackInfo") << "FeedBackInfo"
                                  << "NET(8/8)"
                                  << ":/images/NetFeedBack.png";
    QTest::newRow("Label") << "Label"
                           << "Label"
                           << ":/images/MenuLabel.png";
}

void TestResourceCounters::freshCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QFETCH(QString, image);
    ResourceCounters counters;
    const int i = counters.indexOf(name);
    QVERIFY(i >= 0);
    QCOMPARE(counters.captionText(i), caption);
    QCOMPARE(counters.entries().at(i).image, image);
    QCOMPARE(counters.entries().size(), 13);
    QCOMPARE(counters.entries().first().name, QString("Input"));
    QCOMPARE(counters.entries().last().name, QString("Label"));
}

void TestResourceCounters::twelfthFunctionRefused()
{
    ResourceCounters counters;
    const char* kinds[] = {"CntFnc", "DlyFnc", "NonFnc"};
    for (int i = 0; i < 11; ++i)
        QVERIFY(counters.addCount(-1, kinds[i % 3]));
    QCOMPARE(counters.count("DlyFnc"), 4);
    QVERIFY(!counters.addCount(-1, "DlyFnc"));
    QCOMPARE(counters.count("DlyFnc"), 4);
    QCOMPARE(counters.captionText(counters.indexOf("PostLogicInfo")), QString("NET(0/11)"));
}

void TestResourceCounters::functionWithoutBackendSlotChangesNothing()
{
    ResourceCounters counters;
    QVERIFY(counters.setCount(0, "PostLogicInfo"));
    QVERIFY(!counters.addCount(-1, "CntFnc"));
    QCOMPARE(counters.count("CntFnc"), 8);
    QCOMPARE(counters.count("PostLogicInfo"), 0);
    // A function kind that is used up leaves the back-end count as it was.
    counters.init();
    QVERIFY(counters.setCount(0, "NonFnc"));
    QVERIFY(!counters.addCount(-1, "NonFnc"));
    QCOMPARE(counters.count("PostLogicInfo"), 11);
}

void TestResourceCounters::giveBackToFullEntryRefused()
{
    ResourceCounters counters;
    QVERIFY(!counters.addCount(1, "OUT-CH"));
    QVERIFY(!counters.addCount(1, "CntFnc"));
    QCOMPARE(counters.count("PostLogicInfo"), 11);
    QVERIFY(counters.addCount(-1, "CntFnc"));
    QVERIFY(counters.addCount(1, "CntFnc"));
    QCOMPARE(counters.count("CntFnc"), 8);
    QCOMPARE(counters.count("PostLogicInfo"), 11);
    // Uncounted entries have nothing to take.
    QVERIFY(!counters.addCount(-1, "Input"));
}

void TestResourceCounters::currentEntryAndUnknownNames()
{
    ResourceCounters counters;
    QVERIFY(!counters.addCount(-1, ""));
    counters.setCurrent(counters.indexOf("DlyFnc"));
    QSignalSpy spy(&counters, &ResourceCounters::countChanged);
    QVERIFY(counters.addCount(-1, ""));
    QCOMPARE(counters.count("DlyFnc"), 7);
    QCOMPARE(counters.count("PostLogicInfo"), 10);
    QCOMPARE(spy.size(), 2);
    QVERIFY(!counters.addCount(-1, "Nothing"));
    QVERIFY(!counters.setCount(3, "Nothing"));
    QCOMPARE(counters.count("Nothing"), 0);
}

void TestResourceCounters::initRefills()
{
    ResourceCounters counters;
    for (const auto& e : counters.entries())
        counters.setCount(0, e.name);
    counters.init();
    for (const auto& e : counters.entries())
        QCOMPARE(e.cnt, e.max);
}

QTEST_GUILESS_MAIN(TestResourceCounters)
#include "tst_resourcecounters.moc"
