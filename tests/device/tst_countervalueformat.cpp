#include "device/counterValueFormat.h"

#include <QtTest>

#include <random>

class TestCounterValueFormat : public QObject
{
    Q_OBJECT
private slots:
    // The text of a raw value in each unit, as the monitor and the logs show it.
    void texts_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<quint64>("raw");
        QTest::addColumn<QString>("text");
        const quint64 max = (1ULL << 56) - 1, exact = 1ULL << 53;
        auto row = [](const char* tag, const char* unit, quint64 raw, const char* text) {
            QTest::newRow(tag) << QString(unit) << raw << QString(text);
        };
        row("usec, one", "usec", 1, "0.001");
        row("usec", "usec", 1234567, "1234.567");
        row("usec, largest", "usec", max, "72057594037927.938");
        row("msec", "msec", 999, "0.000999");
        row("msec, past exact doubles", "msec", exact + 1, "9007199254.740992");
        row("sec, one", "sec", 1, "0.000000001");
        row("sec, last exact double", "sec", exact - 1, "9007199.254740991");
        row("sec, largest", "sec", max, "72057594.037927940");
        row("nsec, zero", "nsec", 0, "0");
        row("nsec, past exact doubles", "nsec", exact + 1, "9007199254740992");
        row("nsec, largest", "nsec", max, "72057594037927936");
        row("unknown unit counts", "counts", 1001, "1001");
        row("no unit", "", 7, "7");
        row("units are case-sensitive", "USEC", 1500, "1500");
    }
    void texts()
    {
        QFETCH(QString, unit);
        QFETCH(quint64, raw);
        QTEST(CounterValueFormat(unit).text(raw), "text");
    }

    // The fast formatter prints exactly what QString::number prints for raw * scale, with the
    // unit's scale and decimals.
    void matchesQString_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("scale");
        QTest::addColumn<int>("decimals");
        QTest::newRow("usec") << "usec" << 1.0 / 1000 << 3;
        QTest::newRow("msec") << "msec" << 1.0 / 1000000 << 6;
        QTest::newRow("sec") << "sec" << 1.0 / 1000000000 << 9;
        QTest::newRow("nsec") << "nsec" << 1.0 << 0;
        QTest::newRow("counts") << "counts" << 1.0 << 0;
    }
    void matchesQString()
    {
        QFETCH(QString, unit);
        QFETCH(double, scale);
        QFETCH(int, decimals);
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
            const QString expected = QString::number(double(raw) * scale, 'f', decimals);
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
