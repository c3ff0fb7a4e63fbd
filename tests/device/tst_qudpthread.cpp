#include "device/qUdpThread.h"
#include "model/blockDiagram.h"
#include "tests/device/workerHarness.h"

#include <QElapsedTimer>
#include <QTextDocument>
#include <QtTest>

using Run = QPair<quint32, int>;
Q_DECLARE_METATYPE(QList<Run>)

namespace {
// A worker whose job is a scripted sequence of buffered register writes.
class ProbeWorker : public QUdpThread
{
public:
    std::function<void(QUdpThread*)> job;

protected:
    void run() override
    {
        if (!job)
            return QUdpThread::run();
        startUDP();
        try {
            job(this);
            m_bFinished = true;
        } catch (...) {
        }
        closeSocket();
    }
};

// Register writes given as (address, width); each value is made of the low address bytes.
void queueWrites(QUdpThread* worker, const QList<Run>& writes)
{
    for (const Run& w : writes) {
        if (w.second == 1)
            worker->writeTAMP(quint8(w.first), w.first);
        else if (w.second == 2)
            worker->writeTAMP(quint16(w.first), w.first);
        else
            worker->writeTAMP(quint32(w.first), w.first);
    }
    worker->writeTAMP();
}

QList<Run> bytesFrom(quint32 first, int count)
{
    QList<Run> list;
    for (int i = 0; i < count; ++i)
        list << Run(first + quint32(i), 1);
    return list;
}

void downloadInto(InProcessModule& module, BlockDiagram& diagram)
{
    QUdpThread worker;
    module.target(worker);
    worker.setData(&diagram, nullptr);
    const WorkerOutcome outcome = runWorker(worker);
    QVERIFY2(outcome.bOk, qPrintable(outcome.errors.join('|')));
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
        QList<Run> nearlyFull = bytesFrom(0x3000, 254);
        nearlyFull << Run(0x30FE, 2);
        QTest::newRow("a value never straddles two runs")
            << nearlyFull << QList<Run>{{0x3000, 128}, {0x3080, 126}, {0x30FE, 2}};
    }
    void writeBuffering()
    {
        QFETCH(QList<Run>, writes);
        QFETCH(QList<Run>, packets);
        InProcessModule module;
        ProbeWorker worker;
        module.target(worker);
        worker.job = [writes](QUdpThread* w) { queueWrites(w, writes); };
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

    void romStatusComparesWithDiagram()
    {
        InProcessModule module;
        BlockDiagram diagram;
        downloadInto(module, diagram);
        for (const quint8 delta : {0, 1}) {
            module.memory.poke(0x3800, quint8(module.memory.peek(0x3800) ^ delta));
            QUdpThread worker;
            module.target(worker);
            worker.setStatusReq(true);
            worker.setData(&diagram, nullptr);
            const WorkerOutcome outcome = runWorker(worker);
            QVERIFY(outcome.bOk);
            QCOMPARE(outcome.results, QList<int>{delta}); // 0: the module holds the diagram
            QCOMPARE(outcome.order, QStringList({"setResult", "readData", "closed"}));
            QCOMPARE(outcome.data.value(0).size(), 6 + 1792);
        }
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

    void unsupportedVersionIsRefused_data()
    {
        QTest::addColumn<QByteArray>("version");
        QTest::addColumn<bool>("bAccepted");
        QTest::newRow("'?' is the last accepted") << QByteArray("?.00") << true;
        QTest::newRow("'@' above '?'") << QByteArray("@.00") << false;
    }
    void unsupportedVersionIsRefused()
    {
        QFETCH(QByteArray, version);
        QFETCH(bool, bAccepted);
        InProcessModule module;
        module.memory.setVersion(version);
        QUdpThread worker;
        module.target(worker);
        worker.setStatusReq(QUdpThread::Version);
        const WorkerOutcome outcome = runWorker(worker);
        QCOMPARE(outcome.bOk, bAccepted);
        QCOMPARE(outcome.order,
                 bAccepted ? QStringList({"readData", "closed"}) : QStringList({"error", "closed"}));
        if (!bAccepted)
            QCOMPARE(outcome.errors, QStringList{"This application does not support the Hardware."});
    }

    void verify_data()
    {
        QTest::addColumn<quint32>("address"); // of the byte changed after the download; 0: none
        QTest::addColumn<bool>("bReadsTables");
        QTest::newRow("matched") << quint32(0) << true;
        QTest::newRow("function register") << quint32(0x0034) << false;
        QTest::newRow("last table byte") << quint32(0x3FFF) << true;
    }
    void verify()
    {
        QFETCH(quint32, address);
        QFETCH(bool, bReadsTables);
        InProcessModule module;
        BlockDiagram diagram;
        downloadInto(module, diagram);
        if (address)
            module.memory.poke(address, module.memory.peek(address) ^ 0x5A);
        module.requests.clear();
        QUdpThread verifier;
        module.target(verifier);
        QTextDocument report;
        verifier.setData(&diagram, &report);
        const WorkerOutcome outcome = runWorker(verifier);
        QCOMPARE(outcome.bOk, address == 0);
        QCOMPARE(outcome.errors.size(), 1);
        const QString text = outcome.errors.first();
        if (address == 0) {
            QCOMPARE(text, QString("Verify: The Register data is matched."));
            // The report, then the text through the error path, then closed carrying the match.
            QCOMPARE(outcome.order, QStringList({"setHtml", "error", "closed"}));
        } else {
            QVERIFY2(text.startsWith("Verify: The Register data don't match.\n\nfirst mismatch at "),
                     qPrintable(text));
            QVERIFY(text.contains(QString("address 0x%1\n").arg(address, 8, 16, QChar('0'))));
            QVERIFY(text.endsWith(outcome.html));
        }
        bool bTableRead = false;
        for (const QByteArray& r : module.requests)
            bTableRead |= InProcessModule::addressOf(r) >= 0x2000 && InProcessModule::addressOf(r) < 0x4000;
        QCOMPARE(bTableRead, bReadsTables);
    }

    // A cancel reaches a worker that waits for a slow reply.
    void cancelDuringDownload()
    {
        InProcessModule module;
        module.server.setFaults({0.0, false, false, 3000});
        BlockDiagram diagram;
        QUdpThread worker;
        module.target(worker, 5);
        worker.setData(&diagram, nullptr);
        QElapsedTimer sinceCancel;
        const WorkerOutcome outcome = runWorker(worker, 10000, [&]() {
            QTest::qWait(150);
            sinceCancel.start();
            worker.cancel();
        });
        const qint64 reaction = sinceCancel.elapsed();
        QVERIFY(!outcome.bOk);
        QCOMPARE(outcome.order.mid(outcome.order.size() - 2), QStringList({"error", "closed"}));
        QVERIFY2(reaction < 150, qPrintable(QString::number(reaction)));
        const QString text = outcome.errors.value(0);
        QVERIFY2(text == "TAMP: Download Cancelled" || text == "QTamp: Aborted", qPrintable(text));
    }

    void deletingARunningWorkerWaits()
    {
        InProcessModule module;
        module.server.setFaults({0.0, false, false, 5000});
        auto* worker = new QUdpThread;
        module.target(*worker, 5);
        worker->setStatusReq(QUdpThread::Version);
        worker->start();
        QTest::qWait(50);
        QElapsedTimer timer;
        timer.start();
        delete worker; // must stop the exchange and wait for the thread
        QVERIFY(timer.elapsed() < 1000);
    }
};

QTEST_GUILESS_MAIN(TestQUdpThread)
#include "tst_qudpthread.moc"
