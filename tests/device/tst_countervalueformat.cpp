#include "device/counterValueFormat.h"

#include <QtTest>

#include <random>

class TestCounterValueFormat : public QObject
{
    Q_OBJECT
private slots:
    // The fast formatter must print exactly what QString::number prints for raw * scale.
    void matchesQString_data()
    {
        QTest::addColumn<QString>("unit");
        for (const char* unit : {"usec", "msec", "sec", "nsec", "counts"})
            QTest::newRow(unit) << QString::fromLatin1(unit);
    }
    void matchesQString()
    {
        QFETCH(QString, unit);
        const CounterValueFormat format(unit);
        const quint64 max = (1ULL << 56) - 1;
        QVector<quint64> raws = {0,  1, 5, 999, 1000, 1001, (1ULL << 53) - 1, 1ULL << 53, (1ULL << 53) + 1,
                                 max};
        std::mt19937_64 random(20261205);
        for (int i = 0; i < 200000; ++i) { // magnitudes spread evenly over all bit lengths
            const int bits = 1 + int(random() % 56);
            raws.append(random() & ((1ULL << bits) - 1));
        }
        for (int i = 0; i < 1000; ++i)
            raws.append(max - random() % 100000);
        char buffer[CounterValueFormat::MAX_TEXT];
        for (quint64 raw : raws) {
            const QString expected = QString::number(double(raw) * format.scale(), 'f', format.decimals());
            const QString actual = QString::fromLatin1(buffer, format.write(raw, buffer));
            if (actual != expected)
                QFAIL(qPrintable(QString("raw %1: %2 instead of %3").arg(raw).arg(actual, expected)));
        }
    }

    void totals_data()
    {
        QTest::addColumn<quint64>("count");
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("sum");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("integration");
        QTest::newRow("usec") << quint64(5) << "5" << 1.75 << "usec"
                              << "1.750 usec";
        QTest::newRow("nsec, many events") << quint64(1234567) << "1234567" << 42.6 << "nsec"
                                           << "43 nsec";
        QTest::newRow("event counter") << quint64(7) << "7" << 1000.0 << ""
                                       << "1000 ";
    }
    void totals()
    {
        QFETCH(quint64, count);
        QFETCH(double, sum);
        QFETCH(QString, unit);
        QTEST(CounterValueFormat::numberText(count), "number");
        QTEST(CounterValueFormat::integrationText(sum, unit), "integration");
    }
};

QTEST_GUILESS_MAIN(TestCounterValueFormat)
#include "tst_countervalueformat.moc"
