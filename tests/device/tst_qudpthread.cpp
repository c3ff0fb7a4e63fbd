#include "device/netSetup.h"
#include "device/qUdpThread.h"
#include "tests/support/romHarness.h"

#include <QElapsedTimer>
#include <QtTest>

using Run = QPair<quint32, int>;
Q_DECLARE_METATYPE(QList<Run>)

namespace {
// A worker whose job is a scripted sequence of buffered register writes.
class ProbeWorker : public QUdpThread
{
public:
    QList<Run> writes; // (address, width); each value is made of the low address bytes

protected:
    void run() override
    {
        startUDP();
        for (const Run& w : writes) {
            if (w.second == 1)
                writeTAMP(quint8(w.first), w.first);
            else if (w.second == 2)
                writeTAMP(quint16(w.first), w.first);
            else
                writeTAMP(quint32(w.first), w.first);
        }
        writeTAMP();
        m_bFinished = true;
        closeSocket();
    }
};

QList<Run> bytesFrom(quint32 first, int count)
{
    QList<Run> list;
    for (int i = 0; i < count; ++i)
        list << Run(first + quint32(i), 1);
    return list;
}
} // namespace

class TestQUdpThread : public QObject
{
    Q_OBJECT
private slots:
    void writeBuffering_data()
    {
        QTest::addColumn<QList<Run>>("writes");
        QTest::addColumn<QList<Run>>("packets");
        QTest::newRow("gap starts a new run")
            << QList<Run>{{0x10, 1}, {0x11, 1}, {0x12, 1}, {0x20, 1}} << QList<Run>{{0x10, 3}, {0x20, 1}};
        QTest::newRow("256 bytes flush at 255")
            << bytesFrom(0x2000, 256) << QList<Run>{{0x2000, 128}, {0x2080, 127}, {0x20FF, 1}};
        QTest::newRow("mixed widths join")
            << QList<Run>{{0x06, 2}, {0x08, 1}, {0x09, 4}, {0x20, 4}} << QList<Run>{{0x06, 7}, {0x20, 4}};
        QTest::newRow("a value never straddles two runs")
            << bytesFrom(0x3000, 254) + QList<Run>{{0x30FE, 2}}
            << QList<Run>{{0x3000, 128}, {0x3080, 126}, {0x30FE, 2}};
    }
    void writeBuffering()
    {
        QFETCH(QList<Run>, writes);
        QFETCH(QList<Run>, packets);
        InProcessModule module;
        ProbeWorker worker;
        module.target(worker);
        worker.writes = writes;
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY(outcome.bOk);
        QCOMPARE(module.writes(), packets);
        // Progress is the running count of register bytes, one step per run, ending at the total.
        int total = 0;
        for (const Run& w : writes)
            total += w.second;
        QCOMPARE(outcome.progress.last(), total);
        for (const Run& w : writes)
            QCOMPARE(module.memory.peek(w.first + quint32(w.second) - 1), quint8(w.first));
    }

    // Raw writes go out in order; an empty entry fails the job after the ones before it.
    void rawWritesStopAtAnEmptyEntry()
    {
        InProcessModule module;
        QUdpThread worker;
        module.target(worker);
        worker.setData(0x64, QByteArray(1, char(0x80)), false);
        worker.setData(0x65, QByteArray(), false);
        worker.setData(0x66, QByteArray(1, char(5)), false);
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY(!outcome.bOk);
        QCOMPARE(outcome.errors, QStringList{"TAMP: Unable to send command"});
        QCOMPARE(module.memory.peek(0x64), quint8(0x80));
        QCOMPARE(module.memory.peek(0x66), quint8(0));
    }

    // The network settings job: a module that answers the version but no write.
    void eepromWriteToASilentModule()
    {
        InProcessModule module;
        NetSetup setup;
        setup.setTarget("127.0.0.1", "4660");
        QCOMPARE(setup.setNewSettings("10.1.2.3", "24", "4660"), QString());
        RomWorker worker;
        module.target(worker);
        worker.setQuickFailure();
        worker.setData(&setup);
        QObject::connect(&module.server, &TampServer::requestReceived, &module.server,
                         [&module](const QByteArray& r) {
                             if (quint8(r.at(1)) == 0x80)
                                 module.server.setFaults({1.0, false, false, 0});
                         });
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY(!outcome.bOk);
        QCOMPARE(
            outcome.errors,
            QStringList{"Can't access Ostrum Module(127.0.0.1:4660).\nPlease check network connectivity."});
    }

    // A cancel that comes before the thread runs its job is not lost.
    void cancelBeforeTheJobStarts()
    {
        InProcessModule module;
        QUdpThread worker;
        module.target(worker);
        worker.setStatusReq(QUdpThread::Version);
        worker.cancel();
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY(!outcome.bOk);
        QCOMPARE(outcome.errors, QStringList{"QTamp: Aborted"});
        QVERIFY(module.requests.isEmpty());
    }

    void deletingARunningWorkerWaits()
    {
        InProcessModule module;
        module.server.setFaults({0.0, false, false, 60000});
        auto* worker = new QUdpThread;
        module.target(*worker);
        worker->setStatusReq(QUdpThread::Version);
        worker->start();
        QTRY_VERIFY(!module.requests.isEmpty()); // the module holds its reply back
        QElapsedTimer timer;
        timer.start();
        delete worker; // must stop the exchange and wait for the thread, not for the held reply
        QVERIFY(timer.elapsed() < 30000);
    }
};

QTEST_GUILESS_MAIN(TestQUdpThread)
#include "tst_qudpthread.moc"
