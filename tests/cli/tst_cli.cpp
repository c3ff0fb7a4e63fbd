#include "io/document.h"
#include "sim/counterStream.h"
#include "tests/support/cliRun.h"
#include "tests/support/documents.h"
#include "tests/support/romHarness.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

Q_DECLARE_METATYPE(Verdict)
using Setup = std::function<void(InProcessModule&)>;
Q_DECLARE_METATYPE(Setup)

// vextor-cli: its options, the exit code of each verdict, its commands run in-process against a
// simulated module, and the built tool run as a process.
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli")).isExecutable());
        QVERIFY(m_dir.isValid());
    }

    // The module addressed: each option given, else the document's settings, else the defaults.
    void options()
    {
        Document doc;
        doc.info() = InfoOstrum{QString(), QStringLiteral("10.1.1.1"), 24, 5001, 4, false};
        Argv argv({"vextor-cli", "-h", "10.2.2.2", "-o", "9", "-t", "2424", "status"});
        GlobalOptions options;
        int next = -1;
        QTextStream err(stderr);
        QVERIFY(CliApp::parseGlobalOptions(argv.argc(), argv.argv(), options, next, err));
        QCOMPARE(next, 7);
        const InfoOstrum t = options.target(&doc);
        QCOMPARE(QString("%1 %2 %3 %4").arg(t.strAddr).arg(t.udpPort).arg(t.tcpPort).arg(t.timeout),
                 QString("10.2.2.2 5001 2424 9"));
        QCOMPARE(options.target().udpPort, quint16(4660));
    }

    void verdictExitCodes_data()
    {
        QTest::addColumn<Verdict>("verdict");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("done") << Verdict::Done << 0;
        QTest::newRow("design rule errors") << Verdict::DrcErrors << 1;
        QTest::newRow("write-protected") << Verdict::WriteProtected << 1;
        QTest::newRow("mismatch") << Verdict::Mismatch << 1;
        QTest::newRow("not downloaded") << Verdict::NotDownloaded << 1;
        QTest::newRow("memory full") << Verdict::MemoryFull << 1;
        QTest::newRow("no data") << Verdict::NoData << 1;
        QTest::newRow("registers modified") << Verdict::RegistersModified << 1;
        QTest::newRow("communication failure") << Verdict::CommunicationFailure << 2;
        QTest::newRow("cancelled") << Verdict::Cancelled << 2;
    }
    void verdictExitCodes()
    {
        QFETCH(Verdict, verdict);
        QTEST(exitCodeFor(verdict), "exitCode");
    }

    // Each device command prints its operation's outcome, after `before` commands and `setup` have
    // prepared the module. Usage errors never contact the module.
    void deviceCommands_data()
    {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QList<QStringList>>("before"); // commands run first, each must succeed
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // the start of standard output; empty: nothing there
        QTest::addColumn<QString>("err"); // contained in standard error
        const QString doc = examplePath("coincidence.vxt3");
        Document large; // more than a page of XML
        for (int i = 0; i < 200; ++i)
            large.newSheet();
        const QString big = writeFile("big.vxt3", large.toXml());
        const QString bad = writeFile("bad.vxt3", badExpressionXml());
        const auto row = [](const char* tag, const QStringList& args, int rc, const QString& out,
                            const QString& err = QString(), const QList<QStringList>& before = {},
                            Setup setup = {}) {
            QTest::newRow(tag) << setup << before << args << rc << out << err;
        };
        const auto protect = [](quint8 value) {
            return [value](InProcessModule& m) { m.memory.poke(0xFFFFFF3C, value); };
        };
        row("status", {"status"}, 0,
            "Version: 3.01 (33 2e 30 31)\nProtect: 0x01 (registers writable, ROM writing disabled)\nBoot "
            "slot: 0\n"
            "Slot 0: \nSlot 1: \n");
        row("status, write-protected", {"status"}, 0,
            "Version: 3.01 (33 2e 30 31)\nProtect: 0x00 (registers write-protected, ROM writing disabled)\n"
            "ROM information: not available while the registers are write-protected\n",
            QString(), {}, protect(0x00));
        row("download, write-protected", {"download", doc}, 1, "", "The Register is write-protected.\n", {},
            protect(0x02));
        row("download, design rule errors", {"download", writeFile("lonely.vxt3", lonelyOutputXml())}, 1, "",
            "error: OUT-CH0: InputPort is not connected.\n");
        row("download, warnings pass", {"download", writeFile("unused.vxt3", unusedInputXml())}, 0, "",
            "warning: PreLgc0: Outport is not connected.\n");
        row("verify, matched", {"verify", doc}, 0, "Verify: The Register data is matched.\n", QString(),
            {{"download", doc}});
        row("verify, mismatch", {"verify", doc}, 1,
            "Verify: The Register data don't match.\n\nfirst mismatch at address 0x00000006\ncurrent:0700  "
            "register:0000\n\n");
        row("verify, report", {"verify", doc, "--report"}, 1,
            "Verify: The Register data don't match.\n\nfirst mismatch at address 0x00000068\ncurrent:01  "
            "register:00\n\nGATE_NIM (OUT-CH0) NIM output (0x0068 bit 0): module 0, document 1\n",
            QString(), {{"download", doc}}, [](InProcessModule& m) { m.memory.poke(0x68, 0x00); });
        row("verify, report of a document that does not compile", {"verify", bad, "--report"}, 1,
            "Verify: The Register data don't match.\n", "PreLgc0: invalid at EOF");
        row("protect", {"protect", "--boot", "on"}, 0, "Current protection: off\nBoot protection: on\n");
        row("user-control", {"user-control", "--set", "0x0205"}, 0, "User control: 0x0205\n");
        row("eeprom-write", {"eeprom-write", "--ip", "10.0.0.5", "--udp", "65535"}, 0,
            "Succeeded in Updating the Ostrum module.\nPlease reboot the Vextor.\n");
        row("eeprom-read", {"eeprom-read"}, 0,
            "MAC Address : 02:00:5e:10:00:ab\nIP Address : 192.168.10.16\nTCP Data Port : 24\nTCP Command "
            "Port : 8000"
            "\nTCP Max Segment Size : 1460\nUDP Port : 4660\nTCP Keep Alive(buffer not empty) : 1000msec"
            "\nTCP Keep Alive(buffer empty) : 5000msec\nTCP Timeout (Connecting) : 3000msec"
            "\nTCP Timeout (Disconnect) : 4096msec\nTCP Re-Connect Interval : 100msec"
            "\nTCP Re-transmition Timer : 500msec\n",
            QString(), {}, [](InProcessModule& m) {
                // The disconnect timer (0x0010) counts steps of 256 ms.
                const QByteArray eeprom =
                    QByteArray::fromHex("02005e1000abc0a80a1000181f4005b4123403e813880bb80010006401f4");
                for (int i = 0; i < eeprom.size(); ++i)
                    m.memory.poke(0xFFFFFC12 + quint32(i), quint8(eeprom.at(i)));
            });
        row("rom-save, not downloaded", {"rom-save", doc, "2"}, 1, "",
            "The displayed data have not been yet downloaded.\nThe GUI information cannot be saved.\n");
        row("rom-save, memory full", {"rom-save", big, "2", "--force"}, 1, "",
            "Memory Full: The GUI information could not be saved.\n", {},
            [](InProcessModule& m) { m.memory.rom().setDataPages(0); });
        const QList<QStringList> stored = {{"download", doc}, {"rom-save", doc, "4"}};
        const Setup damage = [](InProcessModule& m) { m.memory.rom().setPage(4, "<Vextor3><tab"); };
        row("rom-restore", {"rom-restore", "4"}, 0, "<?xml",
            "Save to ROM: 16384 bytes\nROM4-coincidence.vxt3\n", stored);
        row("rom-restore, empty slot", {"rom-restore", "7"}, 1, "",
            "ROM7: There is no data to be displayed.\n");
        row("rom-restore, damaged document", {"rom-restore", "4"}, 2, "",
            "ROM4-coincidence.vxt3: The document stored in ROM is damaged and cannot be read.\nParse error "
            "at "
            "line 1",
            stored, damage);
        row("rom-restore, document of other registers", {"rom-restore", "4"}, 2, "",
            "ROM4-coincidence.vxt3: The document stored in ROM does not describe the registers stored with "
            "it.\nfirst mismatch at address 0x00000006\n",
            {{"rom-save", doc, "4", "--force"}});
        row("sync", {"sync"}, 0, "<?xml", "ROM4-coincidence.vxt3\n", stored);
        row("sync, damaged document", {"sync"}, 2, "",
            "ROM4-coincidence.vxt3: The document stored in ROM is damaged and cannot be read.", stored,
            damage);
        row("sync, registers changed", {"sync"}, 1, "", "Register settings are already modified.\n",
            {{"user-control", "--set", "1"}});
        row("status, ROM writing left enabled", {"status"}, 0,
            "Version: 3.01 (33 2e 30 31)\nProtect: 0x01 (registers writable, ROM writing disabled)\n",
            "ROM writing was still enabled (a ROM job did not finish); it has been switched off.\n", {},
            [](InProcessModule& m) { m.memory.poke(0xFFFFFF3C, 0x03); });
        row("download, expression error", {"download", bad}, 1, "", "PreLgc0: invalid at EOF\n");
        row("rom-boot", {"rom-boot", "3"}, 0, "Boot slot: 3\n");
        row("comment too long in UTF-8", {"rom-save", doc, "1", "--comment", QString(57, QChar(0xE9))}, 64,
            "", "The length of the user comment should be at most 112 bytes.");
        row("empty comment", {"rom-save", doc, "1", "--comment", ""}, 64, "",
            "Please give it a user comment.");
        row("slot 16", {"rom-save", doc, "16"}, 64, "", "a slot from 0 to 15");
        row("sync with a slot", {"sync", "3"}, 64, "", "sync takes no slot");
        row("protect maybe", {"protect", "--current", "maybe"}, 64, "",
            "--current and --boot take on or off");
        row("network address of three parts", {"eeprom-write", "--ip", "10.0.0"}, 64, "",
            "10.0.0 is invalid address.");
        row("UDP port 65536", {"eeprom-write", "--ip", "10.0.0.5", "--udp", "65536"}, 64, "",
            "65536 is invalid port.");
    }
    void deviceCommands()
    {
        QFETCH(Setup, setup);
        QFETCH(QList<QStringList>, before);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        InProcessModule module;
        module.memory.rom().setBusyMs(0);
        for (const QStringList& command : before)
            QCOMPARE(runCli(module, command).exitCode, 0);
        if (setup)
            setup(module);
        module.requests.clear();
        const CliResult r = runCli(module, args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(out.isEmpty() ? r.out.isEmpty() : r.out.startsWith(out), qPrintable(r.out));
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
        if (exitCode == 64)
            QVERIFY(module.requests.isEmpty());
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");     // exact standard output
        QTest::addColumn<QString>("errPart"); // contained once in standard error; empty: no message
        const QString usage = QStringLiteral("Usage: vextor-cli [-h host]");
        const QString missing = m_dir.filePath(QStringLiteral("missing.vxt3"));
        const QString lonely = writeFile("lonely.vxt3", lonelyOutputXml());
        const QString bad = writeFile("bad.vxt3", badExpressionXml());
        const QString foreign =
            writeFile(QStringLiteral("foreign.xml"), "<?xml version=\"1.0\"?>\n<html/>\n");
        const QString empty = writeFile(QStringLiteral("empty.vxt3"), QByteArray());
        // Sparse: it takes no room on the disk, and must take none in memory either.
        const QString huge = m_dir.filePath(QStringLiteral("huge.vxt3"));
        QFile hugeFile(huge);
        QVERIFY(hugeFile.open(QIODevice::WriteOnly) && hugeFile.resize(3LL << 30));
        hugeFile.close();
        // Errors only on standard error, results only on standard output.
        const auto fails = [](const char* tag, const QStringList& args, int code, const QString& errPart) {
            QTest::newRow(tag) << args << code << QString() << errPart;
        };
        const auto prints = [](const char* tag, const QStringList& args, int code, const QString& out) {
            QTest::newRow(tag) << args << code << out << QString();
        };
        fails("no command", {}, 64, usage);
        fails("unknown command", {"frobnicate"}, 64, "vextor-cli: unknown command: frobnicate");
        fails("drc with two documents", {"drc", lonely, lonely}, 64, "Usage: vextor-cli drc DOC");
        fails("refused option value", {"-t", "70000", "drc", lonely}, 64,
              "vextor-cli: invalid value for -t: 70000");
        fails(
            "time-out of a day", {"-o", "86400", "drc", lonely}, 64,
            "vextor-cli: invalid value for -o: 86400\nThe time-out 86400 is out of range: it must be 0 to 60 "
            "seconds.\n");
        prints("drc clean example", {"drc", examplePath("coincidence.vxt3")}, 0, "No error detected.\n");
        prints("drc errors", {"drc", lonely}, 1, "error: OUT-CH0: InputPort is not connected.\n");
        prints("drc warnings pass", {"drc", writeFile("unused.vxt3", unusedInputXml())}, 0,
               "warning: PreLgc0: Outport is not connected.\nwarning: PreLgc0: _A is connected, but not "
               "used.\n");
        fails("drc missing file", {"drc", missing}, 2, missing + ": No such file or directory.");
        fails("image of a foreign XML file", {"image", foreign}, 2,
              "File specified in " + foreign + " is not a valid XML file for Vextor3.");
        fails("image of an empty file", {"image", empty}, 2,
              "Parse error at line 1, column 1:\nunexpected end of file.");
        fails("image expression error", {"image", bad}, 1, "PreLgc0: invalid at EOF\n");
        fails("image of a 3 GB file", {"image", huge}, 2,
              huge + ": The file is 3221225472 bytes long; a Vextor document is at most 16777216 bytes. It "
                     "is not read.\n");
        fails("image of an endless file", {"image", "/dev/zero"}, 2,
              "/dev/zero: The file is more than 16777216 bytes long; a Vextor document is at most 16777216 "
              "bytes. It is not read.\n");
        QFile golden(QStringLiteral(VEXTOR_SOURCE_DIR "/tests/io/golden/coincidence.image"));
        QVERIFY(golden.open(QIODevice::ReadOnly)); // one line per byte in write order, as reviewed
        prints("image of the example", {"image", examplePath("coincidence.vxt3")}, 0,
               QString::fromLatin1(golden.readAll()));
        fails("unknown option", {"-x", "drc"}, 64, "invalid option -- 'x'");
        const QByteArray nowhere = documentXml(QByteArray()).replace("192.168.10.16", "nowhere");
        fails("download to no address", {"download", writeFile("nowhere.vxt3", nowhere)}, 2,
              "nowhere is invalid address.");
        fails("monitor without its log folder", {"monitor", examplePath("scaler.vxt3"), "--csv-dir", missing},
              2, missing + ":\nNo such directory.");
    }
    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, errPart);
        QProcess process;
        process.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"), args);
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        QTEST(process.exitCode(), "exitCode");
        QTEST(QString::fromUtf8(process.readAllStandardOutput()), "out");
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(errPart.isEmpty() ? err.isEmpty() : err.count(errPart) == 1,
                 qPrintable(err)); // reported once
    }

    // The monitor against the simulated module and its stream, after the scaler is downloaded
    // (counters 0, 1 and 3 software-gated, 2 gated by hardware).
    void monitor_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("bCloseStream"); // the module closes its data port after 300 ms
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("outPart");
        QTest::addColumn<QString>("errPart");
        QTest::addColumn<QString>("gateWrites"); // start and stop writes, "register=byte"
        QTest::newRow("preset count with started counters")
            << QStringList{"--start", "--until-count", "1:40"} << false << 0 << "total 1 RATE_2 40 "
            << QString() << "64=80 65=80 67=80 64=00 65=00 67=00";
        QTest::newRow("unstarted software gates count nothing")
            << QStringList{"--until-count", "2:30"} << false << 0 << "total 0 RATE_1 0 0.000 usec\n"
            << QString() << QString();
        QTest::newRow("lost connection") << QStringList{"--start"} << true << 2 << "total 2 "
                                         << "The remote host closed the connection"
                                         << "64=80 65=80 67=80 64=00 65=00 67=00";
        QTest::newRow("count of a counter not in the document")
            << QStringList{"--until-count", "3:0"} << false << 64 << QString() << "--until-count"
            << QString();
    }
    void monitor()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, bCloseStream);
        QTemporaryDir logs;
        InProcessModule module;
        auto stream = std::make_unique<CounterStream>();
        QVERIFY(stream->listen(QHostAddress::LocalHost, 0));
        stream->setRate(20000);
        stream->setRegisterReader([&module](quint32 address) { return module.memory.peek(address); });
        const QString scaler = examplePath("scaler.vxt3");
        QCOMPARE(runCli(module, {"download", scaler}).exitCode, 0);
        module.requests.clear();
        if (bCloseStream)
            QTimer::singleShot(300, [&stream] { stream.reset(); });
        const CliResult r = runCli(module, QStringList{"-t", QString::number(stream ? stream->port() : 0),
                                                       "monitor", scaler, "--csv-dir", logs.path()} +
                                               args);
        QTEST(r.exitCode, "exitCode");
        QFETCH(QString, outPart);
        QFETCH(QString, errPart);
        QVERIFY2(r.out.contains(QRegularExpression(outPart)), qPrintable(r.out));
        QVERIFY2(r.err.contains(errPart), qPrintable(r.err));
        QStringList gates;
        for (const QByteArray& request : module.requests) { // one-byte writes: address, then the byte
            if (quint8(request.at(1)) == 0x80 && quint8(request.at(3)) == 1)
                gates << QString("%1=%2")
                             .arg(InProcessModule::addressOf(request), 2, 16)
                             .arg(quint8(request.at(8)), 2, 16, QLatin1Char('0'));
        }
        QTEST(gates.join(' '), "gateWrites");
    }

    // A log that cannot be written (the file size limit standing in for a full disk) is a
    // failure: exit 2, the reason on standard error, and the totals say how many records the
    // log holds.
    void monitorFullDisk()
    {
        QTemporaryDir logs;
        InProcessModule module;
        CounterStream stream;
        QVERIFY(stream.listen(QHostAddress::LocalHost, 0));
        stream.setRate(20000);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto previous = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved;
        limit.rlim_cur = 2000;
        setrlimit(RLIMIT_FSIZE, &limit);
        const CliResult r =
            runCli(module, {"-t", QString::number(stream.port()), "monitor", examplePath("scaler.vxt3"),
                            "--csv-dir", logs.path(), "--until-count", "0:5000"});
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains("File too large; logging stopped after "), qPrintable(r.err));
        const QRegularExpressionMatch logged =
            QRegularExpression("^logged 0 RATE_1 (\\d+) (\\S+)$", QRegularExpression::MultilineOption)
                .match(r.out);
        QVERIFY2(logged.hasMatch(), qPrintable(r.out));
        QFile file(logged.captured(2));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY(content.endsWith('\n'));
        QCOMPARE(content.count('\n') - 1, logged.captured(1).toInt());
        QVERIFY(r.out.contains("total 0 RATE_1 5000 "));
    }

private:
    QString writeFile(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly))
            file.write(content);
        return path;
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
