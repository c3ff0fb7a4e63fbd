#include "tests/device/romHarness.h"

#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString CLI = QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli");
const QString EXAMPLE = QStringLiteral(VEXTOR_SOURCE_DIR "/examples/coincidence.vxt3");
} // namespace

class TestSimProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!QFileInfo::exists(SimProcess::program()))
            QSKIP("vextor-sim is not built");
    }

    // The user area and a document saved to ROM are both back after a restart; the saved slot is
    // the current one after the power cycle.
    void stateSurvivesRestart()
    {
        QTemporaryDir dir;
        const QString state = dir.filePath("module.state");
        const QByteArray xml = patternBytes(9000, 5);
        {
            SimProcess sim;
            QVERIFY(sim.start({"--state", state, "--rom-busy", "5", "--rom-pages", "4"}));
            QUdpThread writer;
            sim.target(writer);
            writer.setData(0x0100 + 112 * 3, QByteArray("slot three"), false);
            QVERIFY(runWorker(writer).bOk);
            RomWorker worker;
            sim.target(worker);
            *worker.setXmlReq(1) = xml;
            worker.setRomAccess(QUdpThread::ADDR_ROM_WRITE + 1, QUdpThread::ROM_ACCESS_SIZE);
            const WorkerOutcome saved = runWorker(worker);
            QVERIFY2(saved.bOk, qPrintable(saved.errors.join('|')));
            QVERIFY(sim.stop());
        }
        SimProcess sim;
        QVERIFY(sim.start({"--state", state, "--rom-busy", "0"}));
        QUdpThread reader;
        sim.target(reader);
        reader.setReadReq(0x0100 + 112 * 3, 10);
        const WorkerOutcome outcome = runWorker(reader);
        QVERIFY(outcome.bOk);
        QCOMPARE(outcome.data.value(0), QByteArray("slot three"));
        RomWorker worker;
        sim.target(worker);
        worker.setStatusReq(QUdpThread::Sync);
        const WorkerOutcome synced = runWorker(worker);
        QVERIFY2(synced.bOk, qPrintable(synced.errors.join('|')));
        QCOMPARE(synced.name, QString("ROM1"));
        QCOMPARE(synced.xml, xml);
    }

    // Stray, duplicated and lost replies together: the worker's retries still get every byte across.
    void faultFlagsStillAnswer()
    {
        SimProcess sim;
        QVERIFY(sim.start({"--stray", "--dup", "--loss", "0.3", "--seed", "3"}));
        QUdpThread worker;
        sim.target(worker);
        worker.SetRetry(6);
        const QByteArray pattern = patternBytes(300, 1);
        worker.setData(0x2100, pattern, false);
        QVERIFY(runWorker(worker).bOk);
        QUdpThread reader;
        sim.target(reader);
        reader.SetRetry(6);
        reader.setReadReq(0x2100, 300);
        QCOMPARE(runWorker(reader).data.value(0), pattern);
    }

    // Counter 2 started by software streams; every third record is followed by an invalid word.
    void streamOptions()
    {
        SimProcess sim;
        QVERIFY(sim.start({"--seed", "2", "--rate", "max", "--invalid-every", "3"}));
        QUdpThread starter;
        sim.target(starter);
        starter.setData(0x64 + 2, QByteArray(1, char(0x80)), false);
        QVERIFY(runWorker(starter).bOk);
        QTcpSocket socket;
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), sim.tcpPort);
        QVERIFY(socket.waitForConnected(5000));
        QByteArray words;
        while (words.size() < 8 * 8 && socket.waitForReadyRead(5000))
            words += socket.read(8 * 8 - words.size());
        QCOMPARE(words.size(), 8 * 8);
        for (int i = 0; i < 8; ++i)
            QCOMPARE(quint8(words.at(8 * i)), quint8(i % 4 == 3 ? 0x20 : 0x12));
    }

    // The tool end to end: device and monitor commands (ROM commands and the other outcomes are
    // checked in-process).
    void cliAgainstSimulator()
    {
        if (!QFileInfo::exists(CLI) || !QFileInfo::exists(EXAMPLE))
            QSKIP("vextor-cli or the example document is missing");
        SimProcess sim;
        QVERIFY(sim.start({"--rom-busy", "0"}));
        QString out;
        auto cli = [&](const QStringList& args) {
            QProcess process;
            process.start(CLI, QStringList{"-h", "127.0.0.1", "-u", QString::number(sim.udpPort), "-o", "1"} +
                                   args);
            process.waitForFinished(20000);
            out = QString::fromLocal8Bit(process.readAllStandardOutput());
            return process.exitCode();
        };
        QCOMPARE(cli({"status"}), 0);
        QVERIFY(out.startsWith("Version: 3.01 (33 2e 30 31)\nProtect: 0x03"));
        QCOMPARE(cli({"download", EXAMPLE}), 0);
        QCOMPARE(cli({"verify", EXAMPLE}), 0);
        QCOMPARE(out, QString("Verify: The Register data is matched.\n"));

        // The scaler's counter 2 measures during True, so it streams once downloaded; the monitor
        // logs it into the given directory.
        const QString scaler = QStringLiteral(VEXTOR_SOURCE_DIR "/examples/scaler.vxt3");
        QCOMPARE(cli({"download", scaler}), 0);
        QTemporaryDir logs;
        const QStringList monitor{
            "-t",       QString::number(sim.tcpPort), "monitor", scaler, "--seconds", "1", "--csv-dir",
            logs.path()};
        QCOMPARE(cli(monitor), 0);
        QVERIFY2(out.contains(QRegularExpression("^2 \\S+ \\d+ \\S+$", QRegularExpression::MultilineOption)),
                 qPrintable(out));
        QVERIFY2(out.contains(QRegularExpression("^total 2 TRIPLE_CNT \\d+ \\S+",
                                                 QRegularExpression::MultilineOption)),
                 qPrintable(out));
        QCOMPARE(QDir(logs.path()).entryList(QDir::Files).size(), 4);
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("loss above 1") << QStringList{"--loss", "1.5"};
        QTest::newRow("unknown option") << QStringList{"--frobnicate"};
        QTest::newRow("bad address") << QStringList{"--bind", "nowhere"};
    }
    void badUsage()
    {
        QFETCH(QStringList, args);
        QProcess process;
        process.start(SimProcess::program(), args);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 64);
    }
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simProcess.moc"
