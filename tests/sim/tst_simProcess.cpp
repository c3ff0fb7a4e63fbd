#include "model/registerImage.h"
#include "tests/support/documents.h"
#include "tests/support/romHarness.h"
#include "tests/support/simProcess.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUdpSocket>
#include <QtTest>

// vextor-sim as a process: its state file, its fault and stream options, and vextor-cli against it.
class TestSimProcess : public QObject
{
    Q_OBJECT
private slots:
    // A ROM save and a user-area write survive SIGTERM and a kill right after the save.
    void stateSurvivesRestart_data()
    {
        QTest::addColumn<bool>("bKill");
        QTest::newRow("terminated") << false;
        QTest::newRow("killed") << true;
    }
    void stateSurvivesRestart()
    {
        QFETCH(bool, bKill);
        QTemporaryDir dir;
        const QString state = dir.filePath("module.state");
        const QByteArray xml = patternBytes(9000, 5);
        {
            SimProcess sim;
            QVERIFY(sim.start({"--state", state, "--rom-busy", bKill ? "0" : "5", "--rom-pages", "4"}));
            RomWorker worker;
            sim.target(worker);
            worker.setData(0x0100 + 112, QByteArray("slot one"), false);
            *worker.setXmlReq(1) = xml;
            worker.setRomAccess(0x8051, 0x4000);
            const WorkerOutcome saved = runWorker(worker);
            QVERIFY2(saved.bOk, qPrintable(saved.errors.join('|')));
            QVERIFY(bKill ? sim.kill() : sim.stop());
        }
        SimProcess sim;
        QVERIFY(sim.start({"--state", state, "--rom-busy", "0"}));
        RomWorker worker;
        sim.target(worker);
        worker.setStatusReq(QUdpThread::Sync);
        const WorkerOutcome synced = runWorker(worker);
        QVERIFY2(synced.bOk, qPrintable(synced.errors.join('|')));
        QCOMPARE(synced.name, QString("ROM1-slot one"));
        QCOMPARE(synced.xml, xml);
    }

    // Steady writes do not keep the state from being saved: after a kill the first one is there.
    void steadyChangesAreSaved()
    {
        QTemporaryDir dir;
        const QString state = dir.filePath("module.state");
        {
            SimProcess sim;
            QVERIFY(sim.start({"--state", state}));
            QVERIFY(sim.writeByte(0x2000, 0x5A));
            // Writes that never pause still get saved: keep writing until the file appears.
            for (int i = 0; i < 100000 && !QFile::exists(state); ++i)
                QVERIFY(sim.writeByte(0x2001, quint8(i)));
            QVERIFY(QFile::exists(state));
            QVERIFY(sim.kill());
        }
        SimProcess sim;
        QVERIFY(sim.start({"--state", state}));
        QCOMPARE(sim.memoryByte(0x2000), 0x5A);
    }

    // Stray, duplicated and lost replies together: the worker's retries still get every byte across.
    void faultFlagsStillAnswer()
    {
        SimProcess sim;
        QVERIFY(sim.start({"--stray", "--dup", "--loss", "0.3", "--seed", "3"}));
        QUdpThread writer;
        sim.target(writer);
        writer.SetRetry(6);
        const QByteArray pattern = patternBytes(300, 1);
        writer.setData(0x2100, pattern, false);
        QVERIFY(runWorker(writer).bOk);
        QUdpThread reader;
        sim.target(reader);
        reader.SetRetry(6);
        reader.setReadReq(0x2100, 300);
        QCOMPARE(runWorker(reader).data.value(0), pattern);
    }

    // SIGTERM ends a monitor cleanly: counters stopped, whole log lines, totals as logged.
    void monitorStopsCleanlyOnSigterm()
    {
        SimProcess sim;
        QVERIFY(sim.start({"--rom-busy", "0", "--rate", "200000"}));
        const QStringList target{
            "-h", "127.0.0.1", "-u", QString::number(sim.udpPort), "-t", QString::number(sim.tcpPort),
            "-o", "1"};
        const QString scaler = examplePath("scaler.vxt3");
        QProcess download;
        download.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"),
                       target + QStringList{"download", scaler});
        QVERIFY(download.waitForFinished(20000) && download.exitCode() == 0);
        QTemporaryDir logs;
        QProcess monitor;
        monitor.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"),
                      target + QStringList{"monitor", scaler, "--start", "--csv-dir", logs.path()});
        QVERIFY(monitor.waitForReadyRead(10000));
        monitor.terminate();
        QVERIFY(monitor.waitForFinished(10000));
        QCOMPARE(monitor.exitStatus(), QProcess::NormalExit);
        QCOMPARE(monitor.exitCode(), 0);
        const QString out = QString::fromUtf8(monitor.readAllStandardOutput());
        QRegularExpressionMatchIterator totals =
            QRegularExpression("^total (\\d) \\S+ (\\d+) ", QRegularExpression::MultilineOption)
                .globalMatch(out);
        QRegularExpressionMatchIterator logged =
            QRegularExpression("^logged (\\d) \\S+ (\\d+) (\\S+)$", QRegularExpression::MultilineOption)
                .globalMatch(out);
        int counters = 0;
        while (totals.hasNext() && logged.hasNext()) {
            const QRegularExpressionMatch total = totals.next();
            const QRegularExpressionMatch log = logged.next();
            QCOMPARE(log.captured(1), total.captured(1));
            QCOMPARE(log.captured(2), total.captured(2));
            QFile file(log.captured(3));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray content = file.readAll();
            QVERIFY(content.endsWith('\n'));
            QCOMPARE(QString::number(content.count('\n') - 1), log.captured(2));
            ++counters;
        }
        QCOMPARE(counters, 4);
        QVERIFY2(!out.contains(QRegularExpression("^total 0 \\S+ 0 ", QRegularExpression::MultilineOption)),
                 qPrintable(out));         // started, so it counted
        QCOMPARE(sim.memoryByte(0x64), 0); // and stopped again
    }

    // What a client sends to the data port is dropped, not kept.
    void streamPortDiscardsInput()
    {
#ifdef VEXTOR_SANITIZE
        QSKIP("the sanitizer's quarantine holds freed memory, so resident size says nothing here");
#endif
        SimProcess sim;
        QVERIFY(sim.start({"--rate", "10"}));
        const auto residentKb = [&sim] {
            QFile status(QString("/proc/%1/status").arg(sim.process.processId()));
            status.open(QIODevice::ReadOnly);
            const QString text = QString::fromLatin1(status.readAll());
            return QRegularExpression("VmRSS:\\s+(\\d+)").match(text).captured(1).toLongLong();
        };
        const qint64 before = residentKb();
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, sim.tcpPort);
        QVERIFY(client.waitForConnected(2000));
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 96; ++i) {
            client.write(block);
            while (client.bytesToWrite() > 0)
                QVERIFY(client.waitForBytesWritten(5000));
        }
        client.readAll();
        QVERIFY2(residentKb() - before < 32 * 1024, qPrintable(QString::number(residentKb() - before)));
    }

    // Registers at random, as a module that loaded no slot holds them: verify --report of each
    // example lists every setting that differs (the list computed here from the same fill), and
    // ends as a mismatch.
    void randomRegistersVerify()
    {
        SimProcess sim;
        QVERIFY(sim.start({"--fill", "random", "--seed", "11"}));
        ModuleMemory memory;
        memory.fillRandom(11);
        RegisterImage module;
        module.func = memory.store(ModuleMemory::STORE_REGISTERS).mid(4);
        module.tables = memory.store(ModuleMemory::STORE_TABLES);
        const QDir examples(VEXTOR_SOURCE_DIR "/examples");
        for (const QString& name : examples.entryList({"*.vxt3"}, QDir::Files)) {
            Document doc;
            QVERIFY(doc.parseFile(readFile(examples.filePath(name))));
            const QVector<ImageDifference> expected =
                imageDifferences(*doc.diagram(), RegisterImage::of(*doc.diagram()), module);
            QProcess cli;
            cli.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"),
                      {"-h", "127.0.0.1", "-u", QString::number(sim.udpPort), "-o", "1", "--json", "verify",
                       "--report", examples.filePath(name)});
            QVERIFY(cli.waitForFinished(60000) && cli.exitStatus() == QProcess::NormalExit);
            QCOMPARE(cli.exitCode(), 1);
            const QJsonObject result = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
            QCOMPARE(result["verdict"].toString(), QString("mismatch"));
            const QJsonArray listed = result["data"]["differences"].toArray();
            QCOMPARE(listed.size(), expected.size());
            for (int i = 0; i < listed.size(); ++i) {
                const ImageDifference& d = expected.at(i);
                QCOMPARE(listed.at(i)["setting"].toString(), d.setting);
                QCOMPARE(listed.at(i)["address"].toInt(), int(d.address));
                QCOMPARE(listed.at(i)["bit"].toInt(-1), d.bit);
                QCOMPARE(qint64(listed.at(i)["module"].toDouble()), qint64(d.module));
            }
            QVERIFY(result["text"].toString().contains(expected.last().text()));
        }
    }

    // The hardware version under its own name, and under the spelling it once shared with --version.
    void hardwareVersion_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("--hardware-version") << QStringList{"--hardware-version", "2.07"};
        QTest::newRow("--version TEXT") << QStringList{"--version", "2.07"};
        QTest::newRow("--version=TEXT") << QStringList{"--version=2.07"};
    }
    void hardwareVersion()
    {
        QFETCH(QStringList, args);
        SimProcess sim;
        QVERIFY(sim.start(args));
        QString version;
        for (quint32 address = 0; address < 4; ++address)
            version += QChar(sim.memoryByte(address));
        QCOMPARE(version, QString("2.07"));
    }

    void badUsage_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("loss above 1") << QStringList{"--loss", "1.5"};
        QTest::newRow("unknown option") << QStringList{"--frobnicate"};
        QTest::newRow("bad address") << QStringList{"--bind", "nowhere"};
        QTest::newRow("unknown rate profile") << QStringList{"--rate-profile", "sine"};
        QTest::newRow("profile without a rate") << QStringList{"--rate", "max", "--rate-profile", "ramp"};
        QTest::newRow("unknown fill") << QStringList{"--fill", "ones"};
        // The stimulus's own message is the emulator's; the simulator refuses to start on it.
        QVERIFY(writeFile(m_dir.filePath("bad.stim"), "IN-CH0 periodic period=10ns width=20ns\n"));
        QTest::newRow("bad stimulus") << QStringList{"--preview-stimulus", m_dir.filePath("bad.stim")};
    }
    void badUsage()
    {
        QFETCH(QStringList, args);
        QProcess process;
        process.start(SIM, args);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), 64);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSimProcess)
#include "tst_simProcess.moc"
