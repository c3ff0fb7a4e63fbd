#include "operations/counterMonitorSession.h"
#include "sim/counterStream.h"
#include "tests/support/counterRecords.h"
#include "tests/support/workerHarness.h"

#include <QDir>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(MonitorRun)
Q_DECLARE_METATYPE(MonitorEnd)
Q_DECLARE_METATYPE(Verdict)

namespace {
// A session over the simulated module's registers and its counter stream at 4000 records a
// second. Counter 0 is software-gated ("usec"), 1 gated by hardware, 2 not in the diagram, 3
// software-gated counting events.
struct Harness
{
    InProcessModule module;
    std::unique_ptr<CounterStream> stream = std::make_unique<CounterStream>();
    QTemporaryDir logs;
    CounterMonitorSetup setup;

    Harness()
    {
        stream->listen(QHostAddress::LocalHost, 0);
        stream->setRate(4000);
        stream->setRegisterReader([this](quint32 address) { return module.memory.peek(address); });
        module.memory.poke(0x61, 0x02);
        module.memory.poke(0x63, 0x08);
        setup.strAddr = QStringLiteral("127.0.0.1");
        setup.tcpPort = stream->port();
        setup.udpPort = module.server.port();
        setup.timeout = 1;
        const int modes[4] = {4, 6, -1, 8};
        const char* names[4] = {"SINGLES", "COINC", "", "EVENTS"};
        for (int c = 0; c < 4; ++c) {
            setup.mode[c] = modes[c];
            setup.name[c] = QLatin1String(names[c]);
            setup.path[c] = modes[c] >= 0 ? logs.path() : QString();
        }
        setup.unit[0] = QStringLiteral("usec");
        setup.unit[1] = QStringLiteral("nsec");
    }
    // The one-byte writes to the start registers, "register=byte".
    QString gateWrites() const
    {
        QStringList writes;
        for (const QByteArray& r : module.requests) {
            const quint32 address = InProcessModule::addressOf(r);
            if (quint8(r.at(1)) == 0x80 && address >= 0x64 && address < 0x68)
                writes << QString("%1=%2").arg(address, 0, 16).arg(quint8(r.at(8)), 2, 16, QLatin1Char('0'));
        }
        return writes.join(' ');
    }
};

quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}
} // namespace

class TestMonitorSession : public QObject
{
    Q_OBJECT
private slots:
    // Every way a connection ends, as the views see it: the ending, the counters stopped again,
    // the totals and the logs.
    void endings_data()
    {
        QTest::addColumn<MonitorRun>("run");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<MonitorEnd>("reason");
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<QString>("gateWrites");
        const auto run = [](int seconds, int counter, quint64 records) {
            MonitorRun r;
            r.seconds = seconds;
            r.limitCounter = counter;
            r.limitRecords = records;
            r.bStartCounters = true;
            return r;
        };
        const QString both = "64=80 67=80 64=00 67=00";
        QTest::newRow("count reached")
            << run(0, 0, 50) << "" << MonitorEnd::CountReached << Verdict::Done << both;
        QTest::newRow("time elapsed")
            << run(1, -1, 0) << "" << MonitorEnd::TimeElapsed << Verdict::Done << both;
        QTest::newRow("stream closed") << run(0, -1, 0) << "close" << MonitorEnd::ConnectionLost
                                       << Verdict::CommunicationFailure << both;
        QTest::newRow("stopped") << run(0, -1, 0) << "stop" << MonitorEnd::Stopped << Verdict::Done << both;
        QTest::newRow("nothing listens") << run(0, -1, 0) << "refused" << MonitorEnd::ConnectionFailed
                                         << Verdict::CommunicationFailure << "";
        QTest::newRow("start write fails")
            << run(0, -1, 0) << "no udp" << MonitorEnd::StartFailed << Verdict::CommunicationFailure << "";
        QTest::newRow("counters left alone")
            << MonitorRun() << "stop" << MonitorEnd::Stopped << Verdict::Done << "";
    }
    void endings()
    {
        QFETCH(MonitorRun, run);
        QFETCH(QString, fault);
        Harness h;
        if (fault == "refused")
            h.setup.tcpPort = closedPort();
        if (fault == "no udp")
            h.setup.udpPort = closedPort();
        CounterMonitorSession session(h.setup);
        session.setRoundMs(50);
        QSignalSpy connected(&session, &CounterMonitorSession::connected);
        QSignalSpy closedByServer(&session, &CounterMonitorSession::closedByServer);
        QSignalSpy ended(&session, &CounterMonitorSession::ended);
        QSignalSpy idle(&session, &CounterMonitorSession::idle);
        QVERIFY(session.start(run));
        QCOMPARE(session.state(), CounterMonitorSession::State::Connecting);
        if (fault == "close" || fault == "stop") {
            QTRY_VERIFY(session.totals(0).records > 0 || session.totals(1).records > 0);
            if (fault == "close")
                h.stream.reset();
            else
                session.stop();
        }
        QTRY_COMPARE_WITH_TIMEOUT(idle.count(), 1, 10000);
        QCOMPARE(ended.count(), 1);
        QCOMPARE(session.state(), CounterMonitorSession::State::Disconnected);
        QTEST(session.ending().reason, "reason");
        QTEST(session.ending().verdict, "verdict");
        QTEST(h.gateWrites(), "gateWrites");
        QCOMPARE(closedByServer.count(), fault == "close" ? 1 : 0);
        QCOMPARE(session.ending().bConnected, connected.count() == 1);
        const QString stream = QString("counter stream of %1:%2").arg(h.setup.strAddr).arg(h.setup.tcpPort);
        if (fault == "close" || fault == "refused") // a failure names the module
            QVERIFY2(session.ending().text.contains(stream), qPrintable(session.ending().text));
        if (!session.ending().bConnected) // a connection that fails leaves no file
            QCOMPARE(QDir(h.logs.path()).entryList(QDir::Files), QStringList());
        if (session.ending().reason == MonitorEnd::CountReached)
            QCOMPARE(session.totals(0).records, quint64(50));
        for (int c : {0, 1, 3}) { // what is counted is what is logged
            if (!session.logFile(c).isEmpty())
                QCOMPARE(quint64(fileLines(session.logFile(c)).size() - 2), session.totals(c).records);
            QCOMPARE(session.loggedRecords(c), session.totals(c).records);
            QVERIFY(!session.isCounterRunning(c));
        }
    }

    // Kept records come in order with their full 56-bit values; a full queue drops what does not
    // fit and says how many.
    void records()
    {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost, 0));
        CounterMonitorSetup setup;
        setup.strAddr = "127.0.0.1";
        setup.tcpPort = server.serverPort();
        setup.mode[0] = setup.mode[2] = 8;
        CounterMonitorSession session(setup);
        session.keepRecords(4);
        QSignalSpy arrived(&session, &CounterMonitorSession::recordsArrived);
        QVERIFY(session.start());
        QVERIFY(server.waitForNewConnection(5000));
        QTcpSocket* peer = server.nextPendingConnection();
        const quint64 big = (1ULL << 55) + 1000;
        peer->write(counterRecord(2, big) + counterRecord(0, 7));
        QTRY_COMPARE(session.totals(0).records, quint64(1));
        QTRY_COMPARE(arrived.count(), 1);
        peer->write(counterRecord(0, 8) + counterRecord(0, 9) + counterRecord(0, 10));
        QTRY_COMPARE(session.totals(0).records, quint64(4));
        QCOMPARE(session.totals(2).lastText, QString::number(big));

        const CounterRecordBatch first = session.takeRecords(3);
        QCOMPARE(first.size(), std::size_t(3));
        QCOMPARE((QVector<quint64>{first.value(0), first.value(1), first.value(2)}),
                 (QVector<quint64>{big, 7, 8}));
        QCOMPARE((QVector<int>{first.counter(0), first.counter(1), first.counter(2)}),
                 (QVector<int>{2, 0, 0}));
        const std::vector<qint64> msecs = first.msecs();
        QCOMPARE(msecs.size(), std::size_t(3));
        QVERIFY(msecs.front() > 0 && msecs.back() >= msecs.front());
        QCOMPARE(first.dropped, quint64(1)); // 10 found the queue full
        const CounterRecordBatch rest = session.takeRecords();
        QCOMPARE(rest.size(), std::size_t(1));
        QCOMPARE(rest.value(0), quint64(9));
        QCOMPARE(rest.msecs().size(), std::size_t(1));
        QCOMPARE(rest.dropped, quint64(0));
        session.stop();
        QVERIFY(session.recordQueue()->isClosed() && !session.recordQueue()->wait(0));
    }
};

QTEST_GUILESS_MAIN(TestMonitorSession)
#include "tst_monitorsession.moc"
