#include "operations/rateHistory.h"

#include <QtTest>

using Adds = QList<QPair<qint64, quint64>>; // (time in ms, records) of counter 1

class TestRateHistory : public QObject
{
    Q_OBJECT
private slots:
    // Points of a window: whole points only, aligned to their width, records per second.
    void series_data()
    {
        QTest::addColumn<Adds>("adds");
        QTest::addColumn<qint64>("now");
        QTest::addColumn<qint64>("window");
        QTest::addColumn<QVector<double>>("rates");
        QTest::addColumn<double>("mean");
        QTest::addColumn<double>("peak");
        QTest::addColumn<double>("current");
        const auto row = [](const char* tag, const Adds& adds, qint64 now, qint64 window,
                            const QVector<double>& rates, double mean, double peak, double current) {
            QTest::newRow(tag) << adds << now << window << rates << mean << peak << current;
        };
        const Adds adds{{100, 10}, {300, 30}, {310, 1}};
        row("one minute: 200 ms points", adds, 1100, 60000, {50, 155, 0, 0, 0}, 41, 155, 41);
        row("ten minutes: no whole 2 s point yet", adds, 1999, 600000, {}, 0, 0, 0);
        row("ten minutes: the first 2 s point", adds, 2000, 600000, {20.5}, 20.5, 20.5, 0);
        row("an hour later the records are gone", adds, 3600 * 1000 + 12000, 3600 * 1000,
            QVector<double>(300, 0.0), 0, 0, 0);
        row("before a whole second there is no current rate", {{900, 5}}, 999, 60000, {0, 0, 0, 0}, 0, 0, 0);
    }
    void series()
    {
        QFETCH(Adds, adds);
        QFETCH(qint64, now);
        QFETCH(qint64, window);
        RateHistory history;
        history.clear(0);
        for (const auto& add : adds)
            history.add(1, add.second, add.first);
        history.add(0, 99, 150); // other counters do not mix in
        history.advanceTo(now);
        const RateHistory::Series s = history.series(1, window);
        QTEST(s.rates, "rates");
        QTEST(s.mean, "mean");
        QTEST(s.peak, "peak");
        QTEST(history.currentRate(1), "current");
        QCOMPARE(s.endMs % s.pointMs, 0);
    }

    // A pause holds the view; what arrives meanwhile shows after the resume.
    void pauseLosesNothing()
    {
        RateHistory history;
        history.clear(0);
        history.add(2, 4, 100);
        history.advanceTo(1000);
        history.setPaused(true);
        history.add(2, 8, 1100);
        history.advanceTo(5000);
        QCOMPARE(history.series(2, 60000).rates.size(), 5);
        QCOMPARE(history.currentRate(2), 4.0);
        history.setPaused(false);
        QCOMPARE(history.series(2, 60000).rates.size(), 25);
        QCOMPARE(history.series(2, 60000).rates.at(5), 40.0);
    }

    void csvExport()
    {
        RateHistory history;
        history.clear(0, QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5)));
        history.add(0, 2, 10);
        history.add(3, 1, 210);
        history.advanceTo(400);
        const QString names[4] = {"A", "", "", "D"};
        QCOMPARE(history.csv(60000, names), QString("Time,A[1/s],D[1/s]\n"
                                                    "2026-01-02 03:04:05.000,10,0\n"
                                                    "2026-01-02 03:04:05.200,0,5\n"));
    }

    void alarm_data()
    {
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QVector<double>>("rates");
        QTest::addColumn<QVector<int>>("changes");
        const int none = RateAlarm::NoChange, trip = RateAlarm::Tripped, clear = RateAlarm::Cleared;
        const double unset = RateAlarm::UNSET;
        QTest::newRow("low trips once, clears on return")
            << 10.0 << unset << QVector<double>{12, 5, 4, 10} << QVector<int>{none, trip, none, clear};
        QTest::newRow("high") << unset << 100.0 << QVector<double>{100, 101} << QVector<int>{none, trip};
        QTest::newRow("unset never trips")
            << unset << unset << QVector<double>{0, 1e9} << QVector<int>{none, none};
    }
    void alarm()
    {
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QVector<double>, rates);
        RateAlarm alarm;
        alarm.setLimits(low, high);
        QVector<int> changes;
        for (double rate : rates)
            changes << alarm.update(rate);
        QTEST(changes, "changes");
    }

    void alarmText()
    {
        RateAlarm alarm;
        alarm.setLimits(10, 100);
        QCOMPARE(alarm.describe("SINGLES", 2.5), QString("SINGLES: rate 2.5/s below the low limit 10/s"));
        QCOMPARE(alarm.describe("SINGLES", 250), QString("SINGLES: rate 250/s above the high limit 100/s"));
    }
};

QTEST_GUILESS_MAIN(TestRateHistory)
#include "tst_ratehistory.moc"
