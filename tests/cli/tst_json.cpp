#include "sim/counterStream.h"
#include "tests/support/cliRun.h"
#include "tests/support/documents.h"
#include "tests/support/romHarness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
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

// Whether actual holds what expected does: an object key by key (it may have more keys), anything
// else equal in type and value.
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

QString json(const QJsonObject& o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

} // namespace

// vextor-cli --json: one object per command with the same text as without it, the verdict, the
// exit code and the data with numbers as numbers, against a simulated module; the monitor's
// report lines; the option read from a real command line.
class TestJson : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void commands_data()
    {
        QTest::addColumn<Setup>("setup");               // before each of the two runs
        QTest::addColumn<QList<QStringList>>("before"); // commands run once first, each must succeed
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("data");    // what the data holds, as JSON
        QTest::addColumn<QString>("message"); // contained in the message; empty: no message
        QTest::addColumn<QString>("notice");
        const QString doc = examplePath("coincidence.vxt3");
        const QString lonely = writeFile("lonely.vxt3", lonelyOutputXml());
        const QString bad = writeFile("bad.vxt3", badExpressionXml());
        const QString out = m_dir.filePath("restored.vxt3");
        const QList<QStringList> stored = {{"download", doc}, {"rom-save", doc, "4"}};
        const auto row = [](const char* tag, const QStringList& args, const char* verdict, int exitCode,
                            const char* data, const QString& message = QString(),
                            const QList<QStringList>& before = {}, Setup setup = {},
                            const QString& notice = QString()) {
            QTest::newRow(tag) << setup << before << args << QString(verdict) << exitCode << QString(data)
                               << message << notice;
        };
        const auto protect = [](quint8 value) {
            return [value](InProcessModule& m) { m.memory.poke(0xFFFFFF3C, value); };
        };

        row("drc", {"drc", lonely}, "drc_errors", 1,
            R"({"lines": ["error: OUT-CH0: InputPort is not connected."],
                "errors": ["OUT-CH0: InputPort is not connected."], "warnings": []})");
        row("truth-table", {"truth-table", doc, "COINC"}, "done", 0,
            R"({"block": "PreLgc0", "expression": "_A and _B", "all_rows": true, "true_rows": 1,
                "operands": [{"operand": "_A", "net": "PMT_A"}, {"operand": "_B", "net": "PMT_B"}],
                "rows": [{"inputs": [0, 0], "output": 0}, {"inputs": [0, 1], "output": 0},
                         {"inputs": [1, 0], "output": 0}, {"inputs": [1, 1], "output": 1}],
                "minimal_form": "_A and _B"})");
        row("truth-table, no such block", {"truth-table", doc, "CntFnc0"}, "no_such_block", 2, "{}",
            "CntFnc0: no PreLogic or PostLogic block of that name.");
        row("image, expression error", {"image", bad}, "expression_error", 1, "{}",
            "PreLgc0: invalid at EOF");
        row("unreadable document", {"drc", m_dir.filePath("missing.vxt3")}, "file_failure", 2, "{}",
            "missing.vxt3: No such file or directory.");
        row("download, warnings pass", {"download", writeFile("unused.vxt3", unusedInputXml())}, "done", 0,
            R"({"errors": [], "partly_written": false,
                "warnings": ["PreLgc0: Outport is not connected.", "PreLgc0: _A is connected, but not used."]})");
        row("download, write-protected", {"download", doc}, "write_protected", 1, "{}",
            "The Register is write-protected.", {}, protect(0x00));
        row("verify, matched", {"verify", doc}, "done", 0,
            R"({"matched": true, "first_mismatch": null, "differences": []})", QString(),
            {{"download", doc}});
        row("verify, mismatch", {"verify", doc}, "mismatch", 1,
            R"({"matched": false, "first_mismatch": {"address": 6, "document": 1792, "module": 0}})");
        row("verify, every difference", {"verify", doc, "--report"}, "mismatch", 1,
            R"({"matched": false, "first_mismatch": {"address": 104, "document": 1, "module": 0},
                "differences": [{"address": 104, "bit": 0, "setting": "GATE_NIM (OUT-CH0) NIM output",
                                 "module": 0, "document": 1}]})",
            QString(), {{"download", doc}}, [](InProcessModule& m) { m.memory.poke(0x68, 0x00); });
        row("status", {"status"}, "done", 0,
            R"({"version": "3.01", "version_bytes": [51, 46, 48, 49], "protect": 1,
                "registers_protected": false, "rom_writing_enabled": false, "rom_information": true,
                "boot_slot": 0, "comments": ["", "", "", "", "coincidence.vxt3", "", "", "", "", "", "",
                                             "", "", "", "", ""]})",
            QString(), stored);
        row("status, write-protected", {"status"}, "done", 0,
            R"({"protect": 0, "registers_protected": true, "rom_information": false, "boot_slot": null,
                "comments": []})",
            QString(), {}, protect(0x00));
        row("status, ROM writing left enabled", {"status"}, "done", 0, R"({"rom_writing_enabled": false})",
            QString(), {}, protect(0x03),
            "ROM writing was still enabled (a ROM job did not finish); it has been switched off.");
        row("protect", {"protect", "--boot", "on"}, "done", 0, R"({"current": false, "boot": true})");
        row("user-control", {"user-control", "--set", "0x0205"}, "done", 0, R"({"word": 517})");
        row("eeprom-read", {"eeprom-read"}, "done", 0,
            R"({"mac_address": "02:00:5e:10:00:ab", "ip_address": "192.168.10.16", "tcp_data_port": 24,
                "udp_port": 4660, "tcp_timeout_disconnect_msec": 4096,
                "tcp_retransmission_timer_msec": 500})",
            QString(), {}, [](InProcessModule& m) {
                const QByteArray eeprom =
                    QByteArray::fromHex("02005e1000abc0a80a1000181f4005b4123403e813880bb80010006401f4");
                for (int i = 0; i < eeprom.size(); ++i)
                    m.memory.poke(0xFFFFFC12 + quint32(i), quint8(eeprom.at(i)));
            });
        row("eeprom-write", {"eeprom-write", "--ip", "10.0.0.5", "--udp", "65535"}, "done", 0,
            R"({"ip": "10.0.0.5", "tcp_port": 24, "udp_port": 65535})");
        row("rom-save", {"rom-save", doc, "2", "--comment", "run 7", "--boot"}, "done", 0,
            R"({"slot": 2, "comment": "run 7", "boot": true})", QString(), {{"download", doc}});
        row("rom-save, not downloaded", {"rom-save", doc, "2"}, "not_downloaded", 1, "{}",
            "The displayed data have not been yet downloaded.\nThe GUI information cannot be saved.");
        row("rom-restore", {"rom-restore", "4"}, "done", 0,
            R"({"slot": 4, "name": "ROM4-coincidence.vxt3", "file": null})", QString(), stored);
        row("rom-restore to a file", {"rom-restore", "4", "--out", out}, "done", 0,
            qPrintable(
                QStringLiteral(R"({"slot": 4, "name": "ROM4-coincidence.vxt3", "file": "%1"})").arg(out)),
            QString(), stored);
        row("rom-restore, empty slot", {"rom-restore", "7"}, "no_data", 1, R"({"slot": 7, "name": "ROM7"})",
            "ROM7: There is no data to be displayed.");
        row("rom-boot", {"rom-boot", "3"}, "done", 0, R"({"boot_slot": 3})");
        row("rom-init", {"rom-init"}, "done", 0, "{}");
        row("sync", {"sync"}, "done", 0, R"({"name": "ROM4-coincidence.vxt3", "file": null})", QString(),
            stored);
        row("sync, registers changed", {"sync"}, "registers_modified", 1, "{}",
            "Register settings are already modified.", {{"user-control", "--set", "1"}});
        row("usage error: no JSON", {"rom-boot", "16"}, "", 64, "");
    }
    void commands()
    {
        QFETCH(Setup, setup);
        QFETCH(QList<QStringList>, before);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        InProcessModule module;
        module.memory.rom().setBusyMs(0);
        for (const QStringList& command : before)
            QCOMPARE(runCli(module, command).exitCode, 0);
        const auto run = [&](const QStringList& words) {
            if (setup)
                setup(module);
            return runCli(module, words);
        };
        const CliResult r = run(QStringList{"--json"} + args);
        const CliResult plain = run(args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(plain.exitCode, exitCode);
        if (exitCode == ExitUsage) {
            QVERIFY2(r.out.isEmpty(), qPrintable(r.out));
            QCOMPARE(r.err, plain.err);
            return;
        }

        QVERIFY2(r.out.endsWith('\n') && r.out.count('\n') == 1, qPrintable(r.out)); // one line
        const QJsonObject o = parseObject(r.out);
        QVERIFY2(isResult(o), qPrintable(r.out));
        QCOMPARE(o["command"].toString(), args.first());
        QTEST(o["verdict"].toString(), "verdict");
        QCOMPARE(o["exit_code"].toInt(), exitCode);
        QCOMPARE(o["text"].toString(), plain.out); // what the text output prints
        QFETCH(QString, message);
        QVERIFY2(message.isEmpty() ? o["message"].toString().isEmpty()
                                   : o["message"].toString().contains(message),
                 qPrintable(o["message"].toString()));
        QTEST(o["notice"].toString(), "notice");
        QFETCH(QString, data);
        const QJsonObject expected = parseObject(data);
        QVERIFY2(!expected.isEmpty() || data == "{}", qPrintable("not JSON: " + data));
        QVERIFY2(holds(o["data"], expected), qPrintable(json(o["data"].toObject())));
        const QJsonObject d = o["data"].toObject();
        if (d.contains("bytes") && d["file"].isNull()) // the document printed is the one measured
            QCOMPARE(d["bytes"].toInt(), o["text"].toString().toUtf8().size());
    }

    // Each register byte of the image, as the text lists it.
    void imageWrites()
    {
        InProcessModule module;
        const CliResult r = runCli(module, {"--json", "image", examplePath("coincidence.vxt3")});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = parseObject(r.out);
        const QStringList lines = o["text"].toString().split('\n', Qt::SkipEmptyParts);
        const QJsonArray writes = o["data"]["writes"].toArray();
        QVERIFY(lines.size() > 100);
        QCOMPARE(writes.size(), lines.size());
        for (int i = 0; i < lines.size(); ++i) {
            const QJsonObject w = writes.at(i).toObject();
            QCOMPARE(QString("%1 %2")
                         .arg(w["address"].toInt(), 8, 16, QChar('0'))
                         .arg(w["byte"].toInt(), 2, 16, QChar('0')),
                     lines.at(i));
        }
    }

    // One object per report with numbers, then the result, whose totals count what the reports
    // delivered.
    void monitorLines()
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
        QVERIFY(isResult(result));
        QCOMPARE(result["verdict"].toString(), QString("done"));
        QVERIFY(!lines.isEmpty());
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
            const QJsonObject total = value.toObject();
            QCOMPARE(total["number"].toInt(), counted[total["counter"].toInt()]);
            QVERIFY(total["integration"].isDouble() && total["name"].isString() && total["unit"].isString());
        }
        QCOMPARE(totals.at(1)["number"].toInt(), 40);
        const QJsonArray logged = result["data"]["logs"].toArray();
        QCOMPARE(logged.size(), 4);
        QVERIFY(QFileInfo(logged.at(1)["file"].toString()).isFile());
        QVERIFY(logged.at(1)["records"].isDouble());
    }

    // The built tool, with the document's own address: --json is read before the command, not
    // after it.
    void process_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("verdict"); // empty: no JSON, a usage text on standard error
        const QString lonely = writeFile("lonely.vxt3", lonelyOutputXml());
        const QString nowhere =
            writeFile("nowhere.vxt3", documentXml(QByteArray()).replace("192.168.10.16", "nowhere"));
        QTest::newRow("before the command") << QStringList{"--json", "drc", lonely} << 1 << "drc_errors";
        QTest::newRow("no module at the document's address")
            << QStringList{"--json", "download", nowhere} << 2 << "communication_failure";
        QTest::newRow("after the command") << QStringList{"drc", lonely, "--json"} << 64 << "";
    }
    void process()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, verdict);
        QProcess process;
        process.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"), args);
        QVERIFY(process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit);
        QTEST(process.exitCode(), "exitCode");
        const QString out = QString::fromUtf8(process.readAllStandardOutput());
        if (verdict.isEmpty()) {
            QCOMPARE(out, QString());
            QVERIFY(process.readAllStandardError().startsWith("Usage: vextor-cli drc"));
        } else {
            QCOMPARE(parseObject(out)["verdict"].toString(), verdict);
        }
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

QTEST_GUILESS_MAIN(TestJson)
#include "tst_json.moc"
