#include "counterValueFormat.h"

#include <QtTest>

#include <random>

// The fast value formatter must print exactly what QString::number prints for raw * scale.
class TestOstrumFormat : public QObject
{
    Q_OBJECT

private slots:
    void matchesQString_data();
    void matchesQString();
    void halfwayValuesRoundUp_data();
    void halfwayValuesRoundUp();
};

void TestOstrumFormat::matchesQString_data()
{
    QTest::addColumn<QString>("unit");
    for (const char* unit : {"usec", "msec", "sec", "nsec", "counts"})
        QTest::newRow(unit) << QString::fromLatin1(unit);
}

void TestOstrumFormat::matchesQString()
{
    QFETCH(QString, unit);
    const CounterValueFormat format(unit);
    const quint64 max = (1ULL << 56) - 1;

    QVector<quint64> raws = {
        0,       1,  5, 100, 999, 1000, 1001, 123456789, (1ULL << 53) - 1, 1ULL << 53, (1ULL << 53) + 1,
        max - 1, max};
    std::mt19937_64 random(20261205);
    for (int i = 0; i < 200000; ++i) {
        // Spread the magnitudes evenly over all bit lengths, not only near 2^56.
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

void TestOstrumFormat::halfwayValuesRoundUp_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::newRow("0.0625 to 3") << 0.0625 << 3;
    QTest::newRow("2.5 to 0") << 2.5 << 0;
    QTest::newRow("2^40 + 1/16 to 3") << 1099511627776.0625 << 3;
    QTest::newRow("2^30 + 1/2^9 to 6") << (1073741824.0 + 1.0 / 512) << 6;
    QTest::newRow("tiny to 9") << 1e-9 << 9;
}

void TestOstrumFormat::halfwayValuesRoundUp()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    char buffer[CounterValueFormat::MAX_TEXT];
    const QString actual =
        QString::fromLatin1(buffer, CounterValueFormat::writeFixed(value, decimals, buffer));
    QCOMPARE(actual, QString::number(value, 'f', decimals));
}

QTEST_GUILESS_MAIN(TestOstrumFormat)
#include "tst_ostrumformat.moc"
