#include "cli/monitorCommand.h"
#include "device/counterValueFormat.h"

#include <QTcpServer>
#include <QtTest>

#include <random>

// The headless monitor: value texts, options, totals as the monitor window shows them.
class TestOstrumMonitor : public QObject
{
    Q_OBJECT

private slots:
    // The fast value formatter must print exactly what QString::number prints for raw * scale.
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

    void halfwayValuesRoundUp_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::newRow("0.0625 to 3") << 0.0625 << 3;
        QTest::newRow("2.5 to 0") << 2.5 << 0;
        QTest::newRow("2^40 + 1/16 to 3") << 1099511627776.0625 << 3;
    }
    void halfwayValuesRoundUp()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        char buffer[CounterValueFormat::MAX_TEXT];
        const QString actual =
            QString::fromLatin1(buffer, CounterValueFormat::writeFixed(value, decimals, buffer));
        QCOMPARE(actual, QString::number(value, 'f', decimals));
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("csvDir");
        QTest::newRow("both") << QStringList{"--seconds", "5", "--csv-dir", "/tmp/x"} << true << 5
                              << "/tmp/x";
        QTest::newRow("not a number") << QStringList{"--seconds", "five"} << false << 0 << QString();
    }
    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, ok);
        QFETCH(int, seconds);
        QFETCH(QString, csvDir);
        MonitorOptions options;
        QString error;
        QCOMPARE(parseMonitorOptions(args, options, error), ok);
        QCOMPARE(error.isEmpty(), ok);
        if (ok) {
            QCOMPARE(options.seconds, seconds);
            QCOMPARE(options.csvDir, csvDir);
        }
    }

    void totalsTexts_data()
    {
        QTest::addColumn<QString>("number");
        QTest::addColumn<double>("count");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<double>("sum");
        QTest::addColumn<QString>("integration");
        QTest::newRow("usec") << "5" << 5.0 << "usec" << 1.75 << "1.750 usec";
        QTest::newRow("nsec, many events") << "1.23457e+06" << 1234567.0 << "nsec" << 42.6 << "43 nsec";
        QTest::newRow("event counter") << "7" << 7.0 << "" << 1000.0 << "1000 ";
    }
    void totalsTexts()
    {
        QFETCH(double, count);
        QFETCH(QString, unit);
        QFETCH(double, sum);
        QTEST(monitorNumberText(count), "number");
        QTEST(monitorIntegrationText(sum, unit), "integration");
    }

    void refusedConnection()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        InfoOstrum target = InfoOstrum::defaults(false);
        target.strAddr = "127.0.0.1";
        target.tcpPort = probe.serverPort();
        probe.close();

        MonitorCounters counters;
        counters.mode[0] = 1;
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        QCOMPARE(runMonitor(counters, target, MonitorOptions(), out, err), 2);
        QCOMPARE(errText, QString("Connection refused\n"));
        QCOMPARE(outText, QString());
    }
};

QTEST_GUILESS_MAIN(TestOstrumMonitor)
#include "tst_ostrummonitor.moc"
