#include "tests/support/cliRun.h"
#include "tests/support/documents.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString GOLDEN = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/cli/golden/");

// Asks GTKWave for the end of the dump and the counters' values there.
const QByteArray GTKWAVE_SCRIPT = R"(set end [gtkwave::getMaxTime]
puts "end $end"
gtkwave::setMarker $end
for {set i 0} {$i < [gtkwave::getNumFacs]} {incr i} {
    set name [gtkwave::getFacName $i]
    if {[string match module.counters.* $name]} {
        gtkwave::addSignalsFromList [list $name]
        puts "[string range $name 16 end] [gtkwave::getTraceValueAtMarkerFromName $name]"
    }
}
gtkwave::/File/Quit
)";

// Runs a program to a clean end, keeping its output.
bool run(const QString& program, const QStringList& args, QByteArray* output = nullptr)
{
    QProcess process;
    process.start(program, args);
    const bool ok = process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit &&
                    process.exitCode() == 0;
    if (output)
        *output = process.readAllStandardOutput();
    return ok;
}

// A dump read back: "end T" and "name value" of its last values of the counter variables, sorted.
QStringList lastValues(const QByteArray& vcd)
{
    QMap<QString, QString> names; // code -> name
    QMap<QString, QString> last;  // name -> value
    QString end;
    for (const QByteArray& raw : vcd.split('\n')) {
        const QStringList words = QString::fromUtf8(raw).simplified().split(' ');
        if (words.size() == 6 && words.at(0) == "$var" && words.at(1) == "real")
            names[words.at(3)] = words.at(4);
        else if (words.first().startsWith('#'))
            end = words.first().mid(1);
        else if (words.size() == 2 && words.first().startsWith('r') && names.contains(words.at(1)))
            last[names[words.at(1)]] = words.first().mid(1);
    }
    QStringList lines{"end " + end};
    for (auto it = last.cbegin(); it != last.cend(); ++it)
        lines << it.key() + ' ' + it.value();
    return lines;
}
} // namespace

// vextor-cli preview: goldens of the examples, the VCD it writes, and what it refuses.
class TestPreviewCommand : public QObject
{
    Q_OBJECT

private slots:
    // VEXTOR_UPDATE_GOLDEN=1 rewrites the golden files (review the difference before committing).
    void examples_data()
    {
        QTest::addColumn<QString>("name");
        for (const char* name : {"coincidence", "delayed-veto", "multi-sheet", "pulser", "scaler"})
            QTest::newRow(name) << QString(name);
    }
    void examples()
    {
        QFETCH(QString, name);
        const QString base = examplePath("") + name;
        const CliResult r = runCli({"preview", base + ".vxt3", base + ".stim"});
        QCOMPARE(r.err, QString());
        QCOMPARE(r.exitCode, 0);
        const QString golden = GOLDEN + name + QStringLiteral(".preview");
        if (qEnvironmentVariableIntValue("VEXTOR_UPDATE_GOLDEN") == 1) {
            QFile file(golden);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(r.out.toUtf8());
        }
        QCOMPARE(r.out, QString::fromUtf8(readFile(golden)));
    }

    // --duration overrides the stimulus's duration; --vcd writes the waveforms.
    void durationAndVcd()
    {
        QTemporaryDir dir;
        const QString vcd = dir.filePath("run.vcd");
        const CliResult r = runCli({"preview", examplePath("coincidence.vxt3"),
                                    examplePath("coincidence.stim"), "--duration", "10us", "--vcd", vcd});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.contains("Emulated 10 us (2000 cycles of 5 ns)"), qPrintable(r.out));
        QVERIFY(r.out.contains("GATE_NIM: pulses 5,"));
        const QByteArray text = readFile(vcd);
        QVERIFY(text.startsWith("$version"));
        QVERIFY(text.contains("$var wire 1 ! IN_CH0_PMT_A $end"));
        QVERIFY(text.endsWith("#10000\n"));
    }

    // Three viewers read the whole dump: sigrok-cli (PulseView's reader), GTKWave and vcd2fst.
    void vcdViewers()
    {
        QTemporaryDir dir;
        const QString vcd = dir.filePath("scaler.vcd");
        const CliResult r = runCli(
            {"--json", "preview", examplePath("scaler.vxt3"), examplePath("scaler.stim"), "--vcd", vcd});
        QCOMPARE(r.exitCode, 0);
        QStringList expected{"end 200000"};
        for (const QJsonValue c : QJsonDocument::fromJson(r.out.toUtf8())["data"]["counters"].toArray()) {
            const QString name =
                QStringLiteral("MsrCnt%1_%2_").arg(c["counter"].toInt()).arg(c["name"].toString());
            expected << name + "records " + QString::number(c["records"].toInt())
                     << name + "sum " + QString::number(c["sum"].toInt());
        }
        QCOMPARE(lastValues(readFile(vcd)), expected);

        // sigrok-cli keeps the logic channels only: it must still reach the end.
        const QString sigrok = dir.filePath("sigrok.vcd");
        QVERIFY(run("sigrok-cli", {"-I", "vcd", "-i", vcd, "-O", "vcd", "-o", sigrok}));
        QCOMPARE(lastValues(readFile(sigrok)), QStringList{"end 200000"});

        QByteArray output;
        QVERIFY(run("vcd2fst", {vcd, dir.filePath("scaler.fst")}));
        QVERIFY(run("fst2vcd", {dir.filePath("scaler.fst")}, &output));
        QCOMPARE(lastValues(output), expected);

        QVERIFY(writeFile(dir.filePath("probe.tcl"), GTKWAVE_SCRIPT));
        QVERIFY(run("xvfb-run", {"-a", "gtkwave", "-S", dir.filePath("probe.tcl"), vcd}, &output));
        QStringList gtkwave;
        for (const QString& line : QString::fromUtf8(output).split('\n')) {
            if (line.startsWith("end ") || line.startsWith("MsrCnt"))
                gtkwave << line;
        }
        QCOMPARE(gtkwave, expected);
    }

    // --json: the same findings as data.
    void json()
    {
        const CliResult r =
            runCli({"--json", "preview", examplePath("scaler.vxt3"), examplePath("scaler.stim")});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(o.value("verdict").toString(), QString("done"));
        const QJsonObject data = o.value("data").toObject();
        QCOMPARE(data.value("emulated_ns").toInt(), 200000);
        QCOMPARE(data.value("outputs").toArray().at(0).toObject().value("name").toString(),
                 QString("TRIPLE_OUT"));
        const QJsonObject liveTime = data.value("counters").toArray().at(3).toObject();
        QCOMPARE(liveTime.value("sum").toInt(), 100000);
        QCOMPARE(liveTime.value("unit").toString(), QString("ns"));
        QVERIFY(data.value("vcd").isNull());
    }

    // Pulses far wider than the run: the work follows the time emulated, not the widths (the
    // program, not this process, so that a hang is a failure).
    void widePulses_data()
    {
        QTest::addColumn<QByteArray>("stimulus");
        QTest::addColumn<QString>("emulated");
        const QByteArray wide = "IN-CH0 poisson rate=100MHz width=10s seed=";
        QByteArray many = "duration 1us\n";
        for (int seed = 1; seed <= 1000; ++seed)
            many += wide + QByteArray::number(seed) + '\n';
        QTest::newRow("one train, 5 ns") << "duration 5ns\n" + wide + "1\n"
                                         << "Emulated 5 ns (1 cycles";
        QTest::newRow("1000 trains, 1 us") << many << "Emulated 1 us (200 cycles";
    }
    void widePulses()
    {
        QFETCH(QByteArray, stimulus);
        QFETCH(QString, emulated);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("wide.stim"), stimulus));
        QProcess cli;
        cli.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"),
                  {"preview", examplePath("coincidence.vxt3"), dir.filePath("wide.stim")});
        QVERIFY(cli.waitForFinished(20000));
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(QString::fromUtf8(cli.readAllStandardOutput()).contains(emulated));
    }

    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("stimulus"); // written to the temporary stimulus file
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");
        const QString doc = examplePath("coincidence.vxt3");
        const auto row = [](const char* tag, const QStringList& args, const QByteArray& stim, int rc,
                            const char* message) {
            QTest::newRow(tag) << args << stim << rc << QString(message);
        };
        row("bad line", {doc, "%stim"}, "duration 5us\nPMT_C list width=5 at=1", 2,
            "stim: line 2: unknown input channel \"PMT_C\"\n");
        row("NUL byte", {doc, "%stim"}, QByteArray("duration 5us\nIN-CH0 list width=5 at=1") + '\0' + '\n', 2,
            "stim: line 2: a NUL byte: a stimulus is text\n");
        row("no stimulus file", {doc, "%dir/none.stim"}, "", 2, "none.stim: No such file or directory\n");
        row("duration", {doc, "%stim", "--duration", "0"}, "", 64,
            "--duration needs a time from 5ns to 10s: 0\n");
        row("one argument", {doc}, "", 64, "Usage: vextor-cli preview DOC STIMULUS");
        row("expression", {"%bad", "%stim"}, "", 1, "PreLgc0: invalid at EOF\n");
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, stimulus);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("stim"), stimulus) &&
                writeFile(dir.filePath("bad.vxt3"), badExpressionXml()));
        for (QString& a : args)
            a.replace("%stim", dir.filePath("stim"))
                .replace("%bad", dir.filePath("bad.vxt3"))
                .replace("%dir", dir.path());
        const CliResult r = runCli(QStringList{"preview"} + args);
        QCOMPARE(r.exitCode, exitCode);
        QVERIFY2(r.err.contains(message), qPrintable(r.err));
        QCOMPARE(r.out, QString());
    }
};

QTEST_GUILESS_MAIN(TestPreviewCommand)
#include "tst_preview.moc"
