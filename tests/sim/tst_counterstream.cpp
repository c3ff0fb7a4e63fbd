#include "sim/counterStream.h"

#include <QTcpSocket>
#include <QtTest>

Q_DECLARE_METATYPE(CounterStream::RateProfile::Kind)

class TestCounterStream : public QObject
{
    Q_OBJECT
private slots:
    void rateProfiles_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("t");
        QTest::addColumn<double>("rate"); // of a nominal 1000 per second at t
        QTest::newRow("constant") << "constant" << true << 12.5 << 1000.0;
        QTest::newRow("poisson keeps its mean") << "poisson" << true << 3.0 << 1000.0;
        QTest::newRow("ramp halfway") << "ramp" << true << 90.0 << 500.0;
        QTest::newRow("ramp of 4 s starts again") << "ramp:4" << true << 5.0 << 250.0;
        QTest::newRow("burst second") << "bursts:5" << true << 10.5 << 1000.0;
        QTest::newRow("between bursts") << "bursts" << true << 11.5 << 0.0;
        QTest::newRow("no period of 0") << "ramp:0" << false << 0.0 << 0.0;
        QTest::newRow("constant has no period") << "constant:3" << false << 0.0 << 0.0;
        QTest::newRow("unknown") << "sine" << false << 0.0 << 0.0;
    }
    void rateProfiles()
    {
        QFETCH(QString, text);
        QFETCH(double, t);
        CounterStream::RateProfile profile;
        QTEST(CounterStream::RateProfile::parse(text, profile), "valid");
        if (CounterStream::RateProfile::parse(text, profile))
            QTEST(profile.rateAt(t, 1000), "rate");
    }

    // A client that does not read holds the stream back: what waits for it stays bounded.
    void unreadClientHoldsTheStreamBack()
    {
        CounterStream stream;
        QVERIFY(stream.listen(QHostAddress::LocalHost, 0));
        stream.setRate(4000000);
        QTcpSocket client;
        client.setReadBufferSize(8);
        client.connectToHost(QHostAddress::LocalHost, stream.port());
        QVERIFY(client.waitForConnected(2000));
        // The stream fills its queue and then waits for the client.
        QTRY_VERIFY_WITH_TIMEOUT(stream.queuedBytes() > CounterStream::MAX_QUEUED - 8, 10000);
        QVERIFY2(stream.queuedBytes() <= CounterStream::MAX_QUEUED,
                 qPrintable(QString::number(stream.queuedBytes())));
        QVERIFY(stream.recordsSent() < 4000000);
    }
};

QTEST_GUILESS_MAIN(TestCounterStream)
#include "tst_counterstream.moc"
