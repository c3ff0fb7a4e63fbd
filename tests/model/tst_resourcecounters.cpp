#include "model/resourceCounters.h"

#include "tests/support/dataRow.h"
#include <QSignalSpy>

#include <QTest>

class TestResourceCounters : public QObject
{
    Q_OBJECT

private slots:
    void freshCaptions_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        // One row per caption form: uncounted, a function, a net, a fixed channel kind.
        const QStringList rows{"Input",         "Input",      "CntFnc", "CntFnc(8/8)",
                               "PostLogicInfo", "NET(11/11)", "OUT-CH", "Output(8/8)"};
        for (int i = 0; i < rows.size(); i += 2)
            dataRow(qPrintable(rows.at(i)), rows.at(i), rows.at(i + 1));
    }

    void freshCaptions()
    {
        QFETCH(QString, name);
        ResourceCounters counters;
        for (const auto& e : counters.entries())
            counters.setCount(0, e.name);
        counters.init(); // refills every entry
        const int i = counters.indexOf(name);
        QVERIFY(i >= 0);
        QTEST(counters.captionText(i), "caption");
    }

    void twelfthFunctionRefused()
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

    void functionWithoutBackendSlotChangesNothing()
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

    void giveBackToFullEntryRefused()
    {
        ResourceCounters counters;
        QVERIFY(!counters.addCount(1, "OUT-CH"));
        QVERIFY(!counters.addCount(1, "CntFnc"));
        QCOMPARE(counters.count("PostLogicInfo"), 11);
        // Uncounted entries have nothing to take.
        QVERIFY(!counters.addCount(-1, "Input"));
    }

    void currentEntryAndUnknownNames()
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
    }
};

QTEST_GUILESS_MAIN(TestResourceCounters)
#include "tst_resourcecounters.moc"
