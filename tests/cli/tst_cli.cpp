#include "io/document.h"
#include "sim/counterStream.h"
#include "tests/support/cliRun.h"
#include "tests/support/counterRecords.h"
#include "tests/support/documents.h"
#include "tests/support/romHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using Setup = std::function<void(InProcessModule&)>;
Q_DECLARE_METATYPE(Setup)

namespace {
// The JSON object on one line of output; an empty object when the line holds none.
QJsonObject parseObject(const QString& line)
{
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8(), &error);
    return error.error == QJsonParseError::NoError ? doc.object() : QJsonObject();
}

// Whether actual holds what expected does (an object may have more keys).
bool holds(const QJsonValue& actual, const QJsonValue& expected)
{
    if (!expected.isObject())
        return actual == expected;
    const QJsonObject a = actual.toObject();
    const QJsonObject e = expected.toObject();
    for (auto it = e.begin(); it != e.end(); ++it)
        if (!a.contains(it.key()) || !holds(a.value(it.key()), it.value()))
            return false;
    return actual.isObject();
}

// The keys and types of every command's result.
bool isResult(const QJsonObject& o)
{
    return o.keys() == QStringList{"command", "data", "exit_code", "message", "notice", "text", "verdict"} &&
           o["command"].isString() && o["verdict"].isString() && o["exit_code"].isDouble() &&
           o["text"].isString() && o["message"].isString() && o["notice"].isString() && o["data"].isObject();
}
} // namespace

// vextor-cli run in-process against a simulated module, and the built tool as a process.
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

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

    // Each command's text and --json object (same text, verdict, exit code, data); usage errors print
    // no JSON and never contact the module.
    void commands_data()
    {
        QTest::addColumn<Setup>("setup");               // before each of the two runs
        QTest::addColumn<QList<QStringList>>("before"); // commands run once first, each must succeed
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");     // the start of standard output; empty: nothing there
        QTest::addColumn<QString>("err");     // contained in standard error
        QTest::addColumn<QString>("verdict"); // of the JSON result
        QTest::addColumn<QString>("data");    // what its data holds, as JSON; empty: not looked at
        const QString doc = examplePath("coincidence.vxt3");
        Document large; // more than a page of XML
        for (int i = 0; i < 200; ++i)
            large.newSheet();
        const QString big = file("big.vxt3", large.toXml());
        const QString bad = file("bad.vxt3", badExpressionXml());
        const QString lonely = file("lonely.vxt3", lonelyOutputXml());
        const QString huge = m_dir.filePath("huge.vxt3"); // sparse: no room on the disk, none in memory
        QFile hugeFile(huge);
        QVERIFY(hugeFile.open(QIODevice::WriteOnly) && hugeFile.resize(3LL << 30));
        hugeFile.close();
        const auto row = [](const char* tag, const QStringList& args, int rc, const QString& out,
                            const QString& err, const char* verdict, const char* data,
                            const QList<QStringList>& before = {}, Setup setup = {}) {
            QTest::newRow(tag) << setup << before << args << rc << out << err << QString(verdict)
                               << QString(data);
        };
        const auto usage = [&row](const char* tag, const QStringList& args, const QString& err) {
            row(tag, args, 64, "", err, "", "");
        };
        const auto protect = [](quint8 value) {
            return [value](InProcessModule& m) { m.memory.poke(0xFFFFFF3C, value); };
        };
        const QList<QStringList> downloaded = {{"download", doc}};
        const QList<QStringList> stored = {{"download", doc}, {"rom-save", doc, "4"}};
        const QString version = "Version: 3.01 (33 2e 30 31)\n";

        row("status", {"status"}, 0,
            version + "Protect: 0x01 (registers writable, ROM writing disabled)\nBoot slot: 0\nSlot 0: \n",
            "", "done",
            R"({"version": "3.01", "version_bytes": [51, 46, 48, 49], "protect": 1,
                "registers_protected": false, "rom_writing_enabled": false, "rom_information": true,
                "boot_slot": 0, "comments": ["", "", "", "", "coincidence.vxt3", "", "", "", "", "", "",
                                             "", "", "", "", ""]})",
            stored);
        row("status, write-protected", {"status"}, 0,
            version + "Protect: 0x00 (registers write-protected, ROM writing disabled)\n"
                      "ROM information: not available while the registers are write-protected\n",
            "", "done",
            R"({"protect": 0, "registers_protected": true, "rom_information": false, "boot_slot": null,
                "comments": []})",
            {}, protect(0x00));
        // Values no module should hold, as a module in a bad state may: named, never used.
        row("status, impossible boot slot and version", {"status"}, 0,
            "Version: 3??? (33 00 0a ff)\nProtect: 0x01 (registers writable, ROM writing disabled)\n"
            "Boot slot: 200 (no such slot)\n",
            "", "done", R"({"version": "3???", "boot_slot": 200})", {}, [](InProcessModule& m) {
                m.memory.setVersion(QByteArray("3\0\n\xff", 4));
                m.memory.poke(0xFFFFFC3E, 200);
            });
        row("status, ROM writing left enabled", {"status"}, 0,
            version + "Protect: 0x01 (registers writable, ROM writing disabled)\n",
            "ROM writing was still enabled (a ROM job did not finish); it has been switched off.\n", "done",
            R"({"rom_writing_enabled": false})", {}, protect(0x03));
        row("drc errors", {"drc", lonely}, 1, "error: OUT-CH0: InputPort is not connected.\n", "",
            "drc_errors",
            R"({"lines": ["error: OUT-CH0: InputPort is not connected."],
                "errors": ["OUT-CH0: InputPort is not connected."], "warnings": []})");
        row("drc of a missing file", {"drc", m_dir.filePath("missing.vxt3")}, 2, "",
            m_dir.filePath("missing.vxt3") + ": No such file or directory.", "file_failure", "{}");
        row("image of the example", {"image", doc}, 0,
            QString::fromLatin1(readFile(VEXTOR_SOURCE_DIR "/tests/io/golden/coincidence.image")), "", "done",
            "");
        row("image, expression error", {"image", bad}, 1, "", "PreLgc0: invalid at EOF\n", "expression_error",
            "{}");
        row("image of a 3 GB file", {"image", huge}, 2, "",
            huge + ": The file is 3221225472 bytes long; a Vextor document is at most 16777216 bytes. It is "
                   "not read.\n",
            "file_failure", "");
        row("image of an endless file", {"image", "/dev/zero"}, 2, "",
            "/dev/zero: The file is more than 16777216 bytes long; a Vextor document is at most 16777216 "
            "bytes. It is not read.\n",
            "file_failure", "");
        row("truth-table by user name", {"truth-table", doc, "COINC"}, 0,
            "PreLgc0: OUT = _A and _B\n_A = PMT_A\n_B = PMT_B\n_A _B | OUT\n 0  0 |   0\n 0  1 |   0\n"
            " 1  0 |   0\n 1  1 |   1\nminimal form (hint, not stored): OUT = _A and _B\n",
            "", "done",
            R"({"block": "PreLgc0", "expression": "_A and _B", "all_rows": true, "true_rows": 1,
                "operands": [{"operand": "_A", "net": "PMT_A"}, {"operand": "_B", "net": "PMT_B"}],
                "rows": [{"inputs": [0, 0], "output": 0}, {"inputs": [0, 1], "output": 0},
                         {"inputs": [1, 0], "output": 0}, {"inputs": [1, 1], "output": 1}],
                "minimal_form": "_A and _B"})");
        row("truth-table by resource name", {"truth-table", doc, "PstLgc0"}, 0,
            "PstLgc0: OUT = _A\n_A = GATE_GEN\n", "", "done", "");
        row("truth-table, no such block", {"truth-table", doc, "CntFnc0"}, 2, "",
            "CntFnc0: no PreLogic or PostLogic block of that name.", "no_such_block", "{}");
        row("download, design rule errors", {"download", lonely}, 1, "",
            "error: OUT-CH0: InputPort is not connected.\n", "drc_errors", "");
        row("download, warnings pass", {"download", file("unused.vxt3", unusedInputXml())}, 0, "",
            "warning: PreLgc0: Outport is not connected.\n", "done",
            R"({"errors": [], "partly_written": false,
                "warnings": ["PreLgc0: Outport is not connected.", "PreLgc0: _A is connected, but not used."]})");
        row("download, write-protected", {"download", doc}, 1, "", "The Register is write-protected.\n",
            "write_protected", "{}", {}, protect(0x02));
        row("verify, matched", {"verify", doc}, 0, "Verify: The Register data is matched.\n", "", "done",
            R"({"matched": true, "first_mismatch": null, "differences": []})", downloaded);
        row("verify, mismatch", {"verify", doc}, 1,
            "Verify: The Register data don't match.\n\nfirst mismatch at address 0x00000006\ncurrent:0700  "
            "register:0000\n\n",
            "", "mismatch",
            R"({"matched": false, "first_mismatch": {"address": 6, "document": 1792, "module": 0}})");
        row("verify, report", {"verify", doc, "--report"}, 1,
            "Verify: The Register data don't match.\n\nfirst mismatch at address 0x00000068\ncurrent:01  "
            "register:00\n\nGATE_NIM (OUT-CH0) NIM output (0x0068 bit 0): module 0, document 1\n",
            "", "mismatch",
            R"({"differences": [{"address": 104, "bit": 0, "setting": "GATE_NIM (OUT-CH0) NIM output",
                                 "module": 0, "document": 1}]})",
            downloaded, [](InProcessModule& m) { m.memory.poke(0x68, 0x00); });
        row("verify of a document that does not compile", {"verify", bad, "--report"}, 1, "",
            "PreLgc0: invalid at EOF\n", "expression_error", "{}", downloaded);
        row("drc of a document that does not compile", {"drc", bad}, 1,
            "error: PreLgc0: invalid at EOF\nwarning: ", "", "expression_error",
            R"({"errors": ["PreLgc0: invalid at EOF"]})");
        row("protect", {"protect", "--boot", "on"}, 0, "Current protection: off\nBoot protection: on\n", "",
            "done", R"({"current": false, "boot": true})");
        row("user-control", {"user-control", "--set", "0x0205"}, 0, "User control: 0x0205\n", "", "done",
            R"({"word": 517})");
        row("eeprom-write", {"eeprom-write", "--ip", "10.0.0.5", "--udp", "65535"}, 0,
            "Succeeded in Updating the Ostrum module.\nPlease reboot the Vextor.\n", "", "done",
            R"({"ip": "10.0.0.5", "tcp_port": 24, "udp_port": 65535})");
        row("eeprom-read", {"eeprom-read"}, 0,
            "MAC Address : 02:00:5e:10:00:ab\nIP Address : 192.168.10.16\nTCP Data Port : 24\nTCP Command "
            "Port : 8000\nTCP Max Segment Size : 1460\nUDP Port : 4660\nTCP Keep Alive(buffer not empty) : "
            "1000msec\nTCP Keep Alive(buffer empty) : 5000msec\nTCP Timeout (Connecting) : 3000msec\nTCP "
            "Timeout (Disconnect) : 4096msec\nTCP Re-Connect Interval : 100msec\nTCP Re-transmition Timer : "
            "500msec\n",
            "", "done",
            R"({"mac_address": "02:00:5e:10:00:ab", "tcp_data_port": 24, "tcp_timeout_disconnect_msec": 4096,
                "tcp_retransmission_timer_msec": 500})",
            {}, [](InProcessModule& m) {
                // The disconnect timer (0x0010) counts steps of 256 ms.
                const QByteArray eeprom =
                    QByteArray::fromHex("02005e1000abc0a80a1000181f4005b4123403e813880bb80010006401f4");
                for (int i = 0; i < eeprom.size(); ++i)
                    m.memory.poke(0xFFFFFC12 + quint32(i), quint8(eeprom.at(i)));
            });
        row("rom-save", {"rom-save", doc, "2", "--comment", "run 7", "--boot"}, 0,
            "Saved to ROM slot 2\nBoot slot: 2\n", "", "done",
            R"({"slot": 2, "comment": "run 7", "boot": true})", downloaded);
        row("rom-save, not downloaded", {"rom-save", doc, "2"}, 1, "",
            "The displayed data have not been yet downloaded.\nThe GUI information cannot be saved.\n",
            "not_downloaded", "{}");
        row("rom-save, memory full", {"rom-save", big, "2", "--force"}, 1, "",
            "Memory Full: The GUI information could not be saved.\n", "memory_full", "", {},
            [](InProcessModule& m) { m.memory.rom().setDataPages(0); });
        row("rom-restore", {"rom-restore", "4"}, 0, "<?xml", "ROM4-coincidence.vxt3\n", "done",
            R"({"slot": 4, "name": "ROM4-coincidence.vxt3", "file": null})", stored);
        row("rom-restore to a file", {"rom-restore", "4", "--out", m_dir.filePath("restored.vxt3")}, 0, "",
            "", "done", qPrintable(QStringLiteral(R"({"file": "%1"})").arg(m_dir.filePath("restored.vxt3"))),
            stored);
        row("rom-restore, empty slot", {"rom-restore", "7"}, 1, "",
            "ROM7: There is no data to be displayed.\n", "no_data", R"({"slot": 7, "name": "ROM7"})");
        row("rom-restore, damaged document", {"rom-restore", "4"}, 2, "",
            "ROM4-coincidence.vxt3: The document stored in ROM is damaged and cannot be read.\nParse error "
            "at "
            "line 1",
            "damaged_slot", "", stored,
            [](InProcessModule& m) { m.memory.rom().setPage(4, "<Vextor3><tab"); });
        // A slot saved with --force: what was stored is handed over, with a word.
        const QList<QStringList> forced = {{"rom-save", doc, "4", "--force"}};
        row("rom-restore, document of other registers", {"rom-restore", "4"}, 0, "<?xml",
            "ROM4-coincidence.vxt3: The document stored in ROM does not describe the registers stored with "
            "it.\nfirst difference: function slot 8 source",
            "done", R"({"first_mismatch": {"address": 6, "document": 1792, "module": 0}})", forced);
        row("sync, document of other registers", {"sync"}, 1, "<?xml",
            "ROM4-coincidence.vxt3: The module runs other registers than this document describes.\nfirst "
            "difference: function slot 8 source",
            "registers_differ", R"({"name": "ROM4-coincidence.vxt3", "file": null})", forced);
        row("sync, current slot beyond the slots", {"sync"}, 2, "",
            "The module reports ROM slot 20 as loaded; there are only the slots 0 to 15.\n",
            "communication_failure", "{}", {}, [](InProcessModule& m) { m.memory.rom().setLoaded(20); });
        row("rom-boot", {"rom-boot", "4"}, 0, "Boot slot: 4\n", "", "done", R"({"boot_slot": 4})", stored);
        row("rom-boot, empty slot", {"rom-boot", "3"}, 0, "Boot slot: 3\n",
            "ROM slot 3 holds no saved configuration", "done", R"({"boot_slot": 3})");
        row("rom-init", {"rom-init"}, 0,
            "ROM area initialised; the module's registers hold an empty design\n", "", "done", "{}");
        row("monitor without its log folder",
            {"monitor", examplePath("scaler.vxt3"), "--csv-dir", m_dir.filePath("none")}, 2, "",
            m_dir.filePath("none") + ":\nNo such directory.", "file_failure", "{}");
        row("sync", {"sync"}, 0, "<?xml", "ROM4-coincidence.vxt3\n", "done",
            R"({"name": "ROM4-coincidence.vxt3", "file": null})", stored);
        row("sync, registers changed", {"sync"}, 1, "", "Register settings are already modified.\n",
            "registers_modified", "{}", {{"user-control", "--set", "1"}});
        usage("unknown command", {"frobnicate"}, "vextor-cli: unknown command: frobnicate");
        usage("drc with two documents", {"drc", lonely, lonely}, "Usage: vextor-cli drc DOC");
        usage("refused option value", {"-t", "70000", "drc", lonely},
              "vextor-cli: invalid value for -t: 70000");
        // The comment and the ports are checked as the editor checks them (the texts are tested there).
        usage("comment too long in UTF-8", {"rom-save", doc, "1", "--comment", QString(57, QChar(0xE9))}, "");
        usage("slot 16", {"rom-save", doc, "16"}, "a slot from 0 to 15");
        usage("sync with a slot", {"sync", "3"}, "sync takes no slot");
        usage("protect maybe", {"protect", "--current", "maybe"}, "--current and --boot take on or off");
        usage("UDP port 65536", {"eeprom-write", "--ip", "10.0.0.5", "--udp", "65536"}, "");
    }
    void commands()
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
        const auto run = [&](const QStringList& words) {
            if (setup)
                setup(module);
            module.requests.clear();
            return runCli(module, words);
        };
        const CliResult plain = run(args);
        QCOMPARE(plain.exitCode, exitCode);
        QVERIFY2(out.isEmpty() ? plain.out.isEmpty() : plain.out.startsWith(out), qPrintable(plain.out));
        QVERIFY2(plain.err.contains(err), qPrintable(plain.err));

        const CliResult r = run(QStringList{"--json"} + args);
        QCOMPARE(r.exitCode, exitCode);
        if (exitCode == 64) {
            QVERIFY(module.requests.isEmpty());
            QCOMPARE(r.out, QString());
            QCOMPARE(r.err, plain.err);
            return;
        }
        QVERIFY2(r.out.endsWith('\n') && r.out.count('\n') == 1, qPrintable(r.out)); // one line
        const QJsonObject o = parseObject(r.out);
        QVERIFY2(isResult(o), qPrintable(r.out));
        QCOMPARE(o["command"].toString(), args.first());
        QTEST(o["verdict"].toString(), "verdict");
        QCOMPARE(o["exit_code"].toInt(), exitCode);
        QCOMPARE(o["text"].toString(), plain.out);
        QFETCH(QString, data);
        const QJsonObject expected = parseObject(data);
        QVERIFY2(!expected.isEmpty() || data == "{}" || data.isEmpty(), qPrintable("not JSON: " + data));
        QVERIFY2(data.isEmpty() || holds(o["data"], expected),
                 qPrintable(QJsonDocument(o["data"].toObject()).toJson()));
        const QJsonObject d = o["data"].toObject();
        if (d.contains("bytes") && d["file"].isNull()) // the document printed is the one measured
            QCOMPARE(d["bytes"].toInt(), plain.out.toUtf8().size());
        const QJsonArray writes = d["writes"].toArray(); // the image: each byte as the text lists it
        const QStringList lines = plain.out.split('\n', Qt::SkipEmptyParts);
        for (int i = 0; i < writes.size(); ++i)
            QCOMPARE(QString("%1 %2")
                         .arg(writes.at(i)["address"].toInt(), 8, 16, QChar('0'))
                         .arg(writes.at(i)["byte"].toInt(), 2, 16, QChar('0')),
                     lines.at(i));
        QCOMPARE(writes.size(), args.first() == "image" && exitCode == 0 ? lines.size() : 0);
    }

    // The monitor after the scaler's download (counters 0, 1, 3 software-gated, 2 by hardware).
    void monitor_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("bCloseStream"); // the module closes its data port after 300 ms
        QTest::addColumn<int>("fileLimit");     // bytes a file may grow to; 0: no limit
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("outPart");
        QTest::addColumn<QString>("errPart");
        QTest::addColumn<QString>("gateWrites"); // start and stop writes, "register=byte"
        const auto row = [](const char* tag, const QStringList& args, bool bClose, int limit, int rc,
                            const char* out, const char* err, bool bGates) {
            QTest::newRow(tag) << args << bClose << limit << rc << QString(out) << QString(err)
                               << QString(bGates ? "64=80 65=80 67=80 64=00 65=00 67=00" : "");
        };
        row("preset count with started counters", {"--start", "--until-count", "1:40"}, false, 0, 0,
            "total 1 RATE_2 40 ", "", true);
        row("unstarted software gates count nothing", {"--until-count", "2:30"}, false, 0, 0,
            "total 0 RATE_1 0 0.000 usec\n", "", false);
        row("lost connection", {"--start"}, true, 0, 2, "total 2 ", "The remote host closed the connection",
            true);
        row("log that cannot be written", {"--until-count", "2:5000"}, false, 2000, 2,
            "total 2 TRIPLE_CNT 5000 ", "File too large; logging stopped after ", false);
        row("count of a counter not in the document", {"--until-count", "3:0"}, false, 0, 64, "",
            "--until-count", false);
    }
    void monitor()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, bCloseStream);
        QFETCH(int, fileLimit);
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
        const auto monitorRun = [&] {
            std::unique_ptr<FileSizeLimit> limit(fileLimit ? new FileSizeLimit(fileLimit) : nullptr);
            return runCli(module, QStringList{"-t", QString::number(stream->port()), "monitor", scaler,
                                              "--csv-dir", logs.path()} +
                                      args);
        };
        const CliResult r = monitorRun();
        QTEST(r.exitCode, "exitCode");
        QFETCH(QString, outPart);
        QFETCH(QString, errPart);
        QVERIFY2(r.out.contains(outPart), qPrintable(r.out));
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

    // --json: one object per report, then the result, whose totals count what the reports delivered.
    void monitorJson()
    {
        QTemporaryDir logs;
        InProcessModule module;
        CounterStream stream;
        QVERIFY(stream.listen(QHostAddress::LocalHost, 0));
        stream.setRate(20000);
        stream.setRegisterReader([&module](quint32 address) { return module.memory.peek(address); });
        const QString scaler = examplePath("scaler.vxt3");
        QCOMPARE(runCli(module, {"download", scaler}).exitCode, 0);
        const CliResult r = runCli(module, {"--json", "-t", QString::number(stream.port()), "monitor", scaler,
                                            "--csv-dir", logs.path(), "--start", "--until-count", "1:40"});
        QCOMPARE(r.exitCode, 0);
        QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        const QJsonObject result = parseObject(lines.takeLast());
        QVERIFY(isResult(result) && !lines.isEmpty());
        qint64 counted[4] = {};
        for (const QString& line : lines) {
            const QJsonObject report = parseObject(line);
            QCOMPARE(report.keys(), QStringList({"count", "counter", "sum", "value"}));
            for (const QJsonValue& value : report)
                QVERIFY2(value.isDouble(), qPrintable(line));
            counted[report["counter"].toInt()] += report["count"].toInt();
        }
        const QJsonArray totals = result["data"]["totals"].toArray();
        QCOMPARE(totals.size(), 4);
        for (const QJsonValue& value : totals) {
            QCOMPARE(value.toObject().keys(),
                     QStringList({"counter", "integration", "name", "number", "unit"}));
            QCOMPARE(value["number"].toInt(), counted[value["counter"].toInt()]);
        }
        QCOMPARE(totals.at(1)["number"].toInt(), 40);
        QVERIFY(QFileInfo(result["data"]["logs"][1]["file"].toString()).isFile());
    }

    // The built tool: --json only before the command; without -h the document's address is used.
    void process_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");     // exact standard output, or the verdict of its JSON
        QTest::addColumn<QString>("errPart"); // contained once in standard error; empty: no message
        const QString lonely = file("lonely.vxt3", lonelyOutputXml());
        const QString nowhere =
            file("nowhere.vxt3", documentXml(QByteArray()).replace("192.168.10.16", "nowhere"));
        const auto row = [](const char* tag, const QStringList& args, int rc, const QString& out,
                            const QString& err) { QTest::newRow(tag) << args << rc << out << err; };
        row("no command", {}, 64, "", "Usage: vextor-cli [-h host]");
        row("--help", {"--help"}, 0, CliApp::usageText(), "");
        row("unknown option", {"-x", "drc"}, 64, "", "invalid option -- 'x'");
        row("drc clean example", {"drc", examplePath("coincidence.vxt3")}, 0, "No error detected.\n", "");
        row("--json before the command", {"--json", "drc", lonely}, 1, "drc_errors", "");
        row("--json after the command", {"drc", lonely, "--json"}, 64, "", "Usage: vextor-cli drc DOC");
        row("no module at the document's address", {"--json", "download", nowhere}, 2,
            "communication_failure", "nowhere is invalid address.");
    }
    void process()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, out);
        QFETCH(QString, errPart);
        QProcess process;
        process.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"), args);
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        QTEST(process.exitCode(), "exitCode");
        const QString printed = QString::fromUtf8(process.readAllStandardOutput());
        QCOMPARE(args.value(0) == "--json" ? parseObject(printed)["verdict"].toString() : printed, out);
        const QString err = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(errPart.isEmpty() ? err.isEmpty() : err.count(errPart) == 1, qPrintable(err)); // once
    }

private:
    QString file(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        writeFile(path, content);
        return path;
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
