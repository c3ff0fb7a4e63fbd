#include "../device/workerHarness.h"
#include "qUdpThread.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString SIM = QStringLiteral(VEXTOR_BINARY_DIR "/sim/vextor-sim");
const QString CLI = QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli");
const QString EXAMPLE = QStringLiteral(VEXTOR_SOURCE_DIR "/examples/coincidence.vxt3");

// vextor-sim started with ephemeral ports; the UDP port is read from its first line.
struct SimProcess
{
    QProcess process;
    quint16 udpPort = 0;
    quint16 tcpPort = 0;
    QString line;

    bool start(QStringList args)
    {
        args << "--udp"
             << "0"
             << "--tcp"
             << "0";
        process.start(SIM, args);
        if (!process.waitForStarted(5000) || !process.waitForReadyRead(5000))
            return false;
        line = QString::fromLatin1(process.readLine()).trimmed();
        const QRegularExpressionMatch m =
            QRegularExpression("^vextor-sim udp=(\\d+) tcp=(\\d+)$").match(line);
        udpPort = m.hasMatch() ? quint16(m.captured(1).toUInt()) : 0;
        tcpPort = m.hasMatch() ? quint16(m.captured(2).toUInt()) : 0;
        return udpPort != 0;
    }
    void target(QTamp& worker) const
    {
        worker.SetTimeout(1);
        worker.SetIpAddress(QHostAddress(QHostAddress::LocalHost), udpPort, 0);
    }
    ~SimProcess()
    {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished(2000);
        }
    }
};
} // namespace

class TestSimProcess : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void stateSurvivesRestart();
    void faultFlagsStillAnswer_data();
    void faultFlagsStillAnswer();
    void versionOption();
    void counterStreamFollowsStartRegister();
    void streamOptions();
    void cliAgainstSimulator();
    void badUsage_data();
    void badUsage();
};

void TestSimProcess::initTestCase()
{
    if (!QFileInfo::exists(SIM))
        QSKIP("vextor-sim is not built");
}

void TestSimProcess::stateSurvivesRestart()
{
    QTemporaryDir dir;
    const QString state = dir.filePath("module.state");
    {
        SimProcess sim;
        QVERIFY2(sim.start({"--state", state}), qPrintable(sim.line));
        QUdpThread writer;
        sim.target(writer);
        writer.setData(0x0100 + 112 * 3, QByteArray("slot three"), false);
        QVERIFY(runWorker(writer).bOk);
        sim.process.terminate(); // SIGTERM: a clean exit that saves
        QVERIFY(sim.process.waitForFinished(5000));
        QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process.exitCode(), 0);
    }
    QVERIFY(QFileInfo::exists(state));
    SimProcess sim;
    QVERIFY(sim.start({"--state", state}));
    QUdpThread reader;
    sim.target(reader);
    reader.setReadReq(0x0100 + 112 * 3, 10);
    const WorkerOutcome outcome = runWorker(reader);
    QVERIFY(outcome.bOk);
    QCOMPARE(outcome.data.value(0), QByteArray("slot three"));
}

void TestSimProcess::faultFlagsStillAnswer_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("stray") << QStringList{"--stray"};
    QTest::newRow("dup") << QStringList{"--dup"};
    QTest::newRow("delay") << QStringList{"--delay", "20"};
    QTest::newRow("loss with seed") << QStringList{"--loss", "0.3", "--seed", "3"};
}

void TestSimProcess::faultFlagsStillAnswer()
{
    QFETCH(QStringList, args);
    SimProcess sim;
    QVERIFY(sim.start(args));
    QUdpThread worker;
    sim.target(worker);
    worker.SetRetry(6);
    QByteArray pattern(300, '\0');
    for (int i = 0; i < pattern.size(); ++i)
        pattern[i] = char(i);
    worker.setData(0x2100, pattern, false);
    QVERIFY(runWorker(worker).bOk);
    QUdpThread reader;
    sim.target(reader);
    reader.SetRetry(6);
    reader.setReadReq(0x2100, 300);
    const WorkerOutcome outcome = runWorker(reader);
    QVERIFY(outcome.bOk);
    QCOMPARE(outcome.data.value(0), pattern);
}

void TestSimProcess::versionOption()
{
    SimProcess sim;
    QVERIFY(sim.start({"--version", "X.00"}));
    QUdpThread worker;
    sim.target(worker);
    worker.setStatusReq(QUdpThread::Version);
    const WorkerOutcome outcome = runWorker(worker);
    QVERIFY(!outcome.bOk);
    QCOMPARE(outcome.errors, QStringList{"This application does not support the Hardware."});
}

void TestSimProcess::counterStreamFollowsStartRegister()
{
    SimProcess sim;
    QVERIFY(sim.start({"--seed", "1"}));
    QVERIFY(sim.tcpPort != 0);
    // Counter 2 with gate mode 0 streams once started by software.
    QUdpThread starter;
    sim.target(starter);
    starter.setData(0x64 + 2, QByteArray(1, char(0x80)), false);
    QVERIFY(runWorker(starter).bOk);

    QTcpSocket socket;
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), sim.tcpPort);
    QVERIFY(socket.waitForConnected(5000));
    QByteArray record;
    while (record.size() < 8 && socket.waitForReadyRead(5000))
        record += socket.read(8 - record.size());
    QCOMPARE(record.size(), 8);
    QCOMPARE(quint8(record.at(0)), quint8(0x12));
}

void TestSimProcess::streamOptions()
{
    // Counter 2 started by software; every third record is followed by an invalid word.
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

void TestSimProcess::cliAgainstSimulator()
{
    if (!QFileInfo::exists(CLI) || !QFileInfo::exists(EXAMPLE))
        QSKIP("vextor-cli or the example document is missing");
    SimProcess sim;
    QVERIFY(sim.start({}));
    auto cli = [&sim](const QStringList& args, QString* out = nullptr) {
        QProcess process;
        process.start(CLI,
                      QStringList{"-h", "127.0.0.1", "-u", QString::number(sim.udpPort), "-o", "1"} + args);
        process.waitForFinished(20000);
        if (out)
            *out = QString::fromLocal8Bit(process.readAllStandardOutput());
        return process.exitCode();
    };
    QString out;
    QCOMPARE(cli({"status"}, &out), 0);
    QVERIFY(out.startsWith("Version: 3.01 (33 2e 30 31)\nProtect: 0x03"));
    QCOMPARE(cli({"download", EXAMPLE}), 0);
    QCOMPARE(cli({"verify", EXAMPLE}, &out), 0);
    QCOMPARE(out, QString("Verify: The Register data is matched.\n"));
    QCOMPARE(cli({"protect", "--current", "on"}), 0);
    QCOMPARE(cli({"download", EXAMPLE}), 1);
    QCOMPARE(cli({"eeprom-write", "--ip", "192.168.10"}), 64);

    // The scaler's counter 2 measures during True, so it streams once its settings are downloaded;
    // the monitor logs it into the given directory.
    const QString scaler = QStringLiteral(VEXTOR_SOURCE_DIR "/examples/scaler.vxt3");
    QCOMPARE(cli({"protect", "--current", "off"}), 0);
    QCOMPARE(cli({"download", scaler}), 0);
    QTemporaryDir logs;
    QCOMPARE(cli({"-t", QString::number(sim.tcpPort), "monitor", scaler, "--seconds", "1", "--csv-dir",
                  logs.path()},
                 &out),
             0);
    QVERIFY2(out.contains(QRegularExpression("^2 \\S+ \\d+ \\S+$", QRegularExpression::MultilineOption)),
             qPrintable(out));
    QVERIFY(out.contains("total 2 TRIPLE_CNT "));
    QCOMPARE(QDir(logs.path()).entryList(QDir::Files).size(), 4);
}

void TestSimProcess::badUsage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("loss above 1") << QStringList{"--loss", "1.5"};
    QTest::newRow("port too large") << QStringList{"--udp", "70000"};
    QTest::newRow("unknown option") << QStringList{"--frobnicate"};
    QTest::newRow("bad address") << QStringList{"--bind", "nowhere"};
    QTest::newRow("rate zero") << QStringList{"--rate", "0"};
    QTest::newRow("rate not a number") << QStringList{"--rate", "fast"};
    QTest::newRow("negative invalid-every") << QStringList{"--invalid-every", "-1"};
}

void TestSimProcess::badUsage()
{
    QFETCH(QStringList, args);
    QProcess process;
    process.start(SIM, args);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 64);
}

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simProcess.moc"
