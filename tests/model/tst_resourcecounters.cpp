#include "model/resourceCounters.h"

#include <QSignalSpy>
#include <QTest>

class TestResourceCounters : public QObject
{
    Q_OBJECT

private slots:
    void functionsShareTheBackend()
    {
        // Every function also takes one of the eleven backend inputs: the twelfth is refused.
        ResourceCounters counters;
        const char* kinds[] = {"CntFnc", "DlyFnc", "NonFnc"};
        for (int i = 0; i < 11; ++i)
            QVERIFY(counters.addCount(-1, kinds[i % 3]));
        QVERIFY(!counters.addCount(-1, "DlyFnc"));
        QCOMPARE(counters.count("DlyFnc"), 4);
        QCOMPARE(counters.captionText(counters.indexOf("PostLogicInfo")), QString("NET(0/11)"));
        // A refusal of either count changes neither.
        counters.init();
        QVERIFY(counters.setCount(0, "NonFnc"));
        QVERIFY(!counters.addCount(-1, "NonFnc"));
        QCOMPARE(counters.count("PostLogicInfo"), 11);
        QVERIFY(!counters.addCount(1, "CntFnc"));
        QCOMPARE(counters.count("PostLogicInfo"), 11);
    }

    void refusalsAndTheCurrentEntry()
    {
        ResourceCounters counters;
        QVERIFY(!counters.addCount(1, "OUT-CH")); // already full
        QVERIFY(!counters.addCount(-1, "Input")); // uncounted
        QVERIFY(!counters.addCount(-1, "Nothing"));
        QVERIFY(!counters.addCount(-1, "")); // no current entry
        counters.setCurrent(counters.indexOf("DlyFnc"));
        QSignalSpy spy(&counters, &ResourceCounters::countChanged);
        QVERIFY(counters.addCount(-1, ""));
        QCOMPARE(counters.count("DlyFnc"), 7);
        QCOMPARE(counters.count("PostLogicInfo"), 10);
        QCOMPARE(spy.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestResourceCounters)
#include "tst_resourcecounters.moc"
