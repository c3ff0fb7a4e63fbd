#include "tests/support/cliRun.h"
#include "tests/support/documents.h"
#include "tests/support/simProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <csignal>

namespace {
const QString CLI = QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli");

QList<QJsonObject> jsonLines(const QString& out)
{
    QList<QJsonObject> objects;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts))
        objects << QJsonDocument::fromJson(line.toUtf8()).object();
    return objects;
}

// A UDP port on loopback that nobody serves.
quint16 deadPort()
{
    QUdpSocket socket;
    socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
    return socket.localPort();
}
} // namespace

// vextor-cli fleet: one command on every module of a list, against simulated modules.
class TestFleet : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // Download to three modules, one then changed by another document: verify names it, the
    // JSON carries each module's own result, and the exit code is the worst.
    void downloadThenVerify()
    {
        InProcessModule a, b, c;
        const QString doc = examplePath("coincidence.vxt3");
        const QString list =
            writeList("crate.list", QString("# crate 1\nalpha %1 %2\nbeta %3 %2\ngamma %4 %2\n")
                                        .arg(addressOf(a), doc, addressOf(b), addressOf(c)));
        CliResult r = runCli({"-o", "1", "fleet", list, "download"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.count(QRegularExpression("  done\n")), 3);
        QVERIFY2(r.out.endsWith("3 modules: 3 done\n"), qPrintable(r.out));

        QCOMPARE(runCli(b, {"download", examplePath("scaler.vxt3")}).exitCode, 0);
        r = runCli({"-o", "1", "--json", "fleet", list, "verify", "--jobs", "2"});
        QCOMPARE(r.exitCode, 1);
        const QList<QJsonObject> objects = jsonLines(r.out);
        QCOMPARE(objects.size(), 4);
        QStringList modules;
        for (int i = 0; i < 3; ++i) {
            const QJsonObject& o = objects.at(i);
            QCOMPARE(o["command"].toString(), QString("verify"));
            QVERIFY(o.contains("data") && o.contains("text") && o.contains("notice"));
            modules << QString("%1 %2 %3 %4")
                           .arg(o["module"].toString(), o["address"].toString(), o["verdict"].toString())
                           .arg(o["data"]["matched"].toBool() ? "true" : "false");
        }
        QCOMPARE(modules, QStringList({QString("alpha %1:24 done true").arg(addressOf(a)),
                                       QString("beta %1:24 mismatch false").arg(addressOf(b)),
                                       QString("gamma %1:24 done true").arg(addressOf(c))}));
        const QJsonObject summary = objects.last();
        QCOMPARE(summary["command"].toString(), QString("fleet"));
        QCOMPARE(summary["verdict"].toString(), QString("mismatch"));
        QCOMPARE(summary["data"]["verdicts"].toObject(), QJsonObject({{"done", 2}, {"mismatch", 1}}));
        QCOMPARE(summary["data"]["not_done"].toArray(), QJsonArray({"beta"}));

        r = runCli({"-o", "1", "fleet", list, "verify", "--report"});
        QVERIFY2(
            r.out.contains(QRegularExpression("beta +\\S+ +mismatch +Verify: The Register data don't match.\n"
                                              "    first mismatch at address")),
            qPrintable(r.out));
        QVERIFY(r.out.endsWith("3 modules: 2 done, 1 mismatch (beta)\n"));
    }

    // A module not reached, one without its document and a design rule check that needs no
    // module: each is named on its line, the others finish.
    void modulesThatFail()
    {
        InProcessModule a;
        const QString doc = examplePath("coincidence.vxt3");
        const QString list = writeList(
            "mixed.list",
            QString("up %1 %2\ndown 127.0.0.1:%3 %2\nbare %1\n").arg(addressOf(a), doc).arg(deadPort()));
        CliResult r = runCli({"-o", "1", "fleet", list, "status"});
        QCOMPARE(r.exitCode, 2);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QVERIFY2(lines.at(0).contains(QRegularExpression(
                     "^up +\\S+ +done +Version: 3.01 \\(33 2e 30 31\\); Protect: 0x01 .*; Boot slot: 0$")),
                 qPrintable(lines.at(0)));
        QVERIFY(lines.at(1).contains(QRegularExpression("^down +\\S+ +communication_failure +\\S")));
        QCOMPARE(lines.at(3), QString("3 modules: 2 done, 1 communication_failure (down)"));
        QVERIFY(r.err.contains("1 of 3 modules not done: down"));
        QVERIFY(r.err.contains("down: QTamp: Socket operation timed out\n")); // its own standard error

        r = runCli({"fleet", list, "drc"});
        QCOMPARE(r.exitCode, 2);
        QVERIFY(r.out.contains(QRegularExpression("up +\\S+ +done +No error detected.\n")));
        QVERIFY(r.out.contains(QRegularExpression("bare +\\S+ +file_failure +The module list gives bare no "
                                                  "document.\n")));
    }

    // What is refused before any module is contacted.
    void refused_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("err");
        const QString list = writeList("one.list", "m 127.0.0.1:9\n");
        const QString bad = writeList("bad.list", "m 127.0.0.1\nm 127.0.0.2\n");
        QTest::newRow("address option")
            << QStringList{"-h", "10.0.0.1", "fleet", list, "status"} << 64 << "-h, -u and -t do not apply";
        QTest::newRow("unknown command")
            << QStringList{"fleet", list, "eeprom-write"} << 64 << "fleet runs one of: status, download";
        QTest::newRow("jobs 0") << QStringList{"fleet", list, "status", "--jobs", "0"} << 64
                                << "--jobs needs a number from 1 to 256";
        QTest::newRow("the command's own usage")
            << QStringList{"fleet", list, "rom-save", "16"} << 64 << "rom-save needs a slot from 0 to 15";
        QTest::newRow("a document on the command line")
            << QStringList{"fleet", list, "verify", "x.vxt3"} << 64 << "unexpected argument: x.vxt3";
        const QString gates =
            writeList("gates.list", "m 127.0.0.1:9 " + examplePath("coincidence.vxt3") + "\n");
        QTest::newRow("monitor with jobs") << QStringList{"fleet", list, "monitor", "--jobs", "2"} << 64
                                           << "--jobs does not apply to monitor";
        QTest::newRow("monitor of a counter a document lacks")
            << QStringList{"fleet", gates, "monitor", "--until-count", "1:5"} << 64
            << "--until-count 1:5: the document of m has no measure counter 1";
        QTest::newRow("bad line") << QStringList{"fleet", bad, "status"} << 2
                                  << bad + ":2: the name m is already used on line 1";
        QTest::newRow("empty list") << QStringList{"fleet", writeList("empty.list", "# nobody\n"), "status"}
                                    << 2 << "the list names no module";
    }
    void refused()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, err);
        const CliResult r = runCli(args);
        QTEST(r.exitCode, "exitCode");
        QVERIFY2(r.err.contains(err), qPrintable(r.err));
    }

    // Eight simulators as processes, one losing 30% of its requests and one killed: a verify of
    // all of them ends with the six others done and the two named; nothing waits longer than the
    // lossy module's own retries.
    void faults()
    {
        const QString doc = examplePath("coincidence.vxt3");
        std::vector<std::unique_ptr<SimProcess>> sims;
        QString text;
        for (int i = 0; i < 8; ++i) {
            sims.push_back(std::make_unique<SimProcess>());
            QStringList options;
            if (i == 2)
                options = QStringList{"--loss", "0.3", "--seed", "7"};
            QVERIFY(sims.back()->start(options));
            text += QString("m%1 127.0.0.1:%2 %3\n").arg(i).arg(sims.back()->udpPort).arg(doc);
        }
        const QString list = writeList("faults.list", text);
        QProcess download; // the lossy module may or may not take it whole
        download.start(CLI, {"-o", "1", "--json", "fleet", list, "download"});
        QVERIFY(download.waitForFinished(120000));
        const QJsonObject downloaded =
            jsonLines(QString::fromUtf8(download.readAllStandardOutput())).value(8);
        QVERIFY(downloaded["data"]["verdicts"]["done"].toInt() >= 7);
        QVERIFY(sims.at(5)->kill());

        QProcess verify;
        verify.start(CLI, {"-o", "1", "--json", "fleet", list, "verify"});
        QVERIFY(verify.waitForFinished(120000));
        const QList<QJsonObject> objects = jsonLines(QString::fromUtf8(verify.readAllStandardOutput()));
        QCOMPARE(objects.size(), 9);
        QStringList verdicts;
        for (int i = 0; i < 8; ++i)
            verdicts << objects.at(i)["verdict"].toString();
        QCOMPARE(verdicts, QStringList({"done", "done", "communication_failure", "done", "done",
                                        "communication_failure", "done", "done"}));
        QCOMPARE(objects.last()["data"]["not_done"].toArray(), QJsonArray({"m2", "m5"}));
        QCOMPARE(verify.exitCode(), 2);
    }

    // SIGINT during a run: the module waited for is cancelled at once, those not begun are
    // reported cancelled, and the exit code is a cancel's.
    void interrupted()
    {
        QUdpSocket silent; // takes the requests and answers none
        QVERIFY(silent.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const QString doc = examplePath("coincidence.vxt3");
        const QString list =
            writeList("silent.list", QString("first 127.0.0.1:%1 %2\nsecond 127.0.0.1:%1 %2\nthird "
                                             "127.0.0.1:%1 %2\n")
                                         .arg(silent.localPort())
                                         .arg(doc));
        QProcess fleet;
        fleet.start(CLI, {"-o", "10", "fleet", list, "verify", "--jobs", "1"});
        QVERIFY(silent.waitForReadyRead(10000)); // the first module's verify has begun
        QVERIFY(::kill(pid_t(fleet.processId()), SIGINT) == 0);
        QVERIFY(fleet.waitForFinished(10000)); // the module alone would take 30 s
        QCOMPARE(fleet.exitStatus(), QProcess::NormalExit);
        QCOMPARE(fleet.exitCode(), 2);
        const QString out = QString::fromUtf8(fleet.readAllStandardOutput());
        QVERIFY2(out.contains(QRegularExpression("^first +\\S+ +cancelled +QTamp: Aborted\n"
                                                 "second +\\S+ +cancelled\n"
                                                 "third +\\S+ +cancelled\n"
                                                 "3 modules: 3 cancelled \\(first, second, third\\)\n$")),
                 qPrintable(out));
    }

private:
    QString writeList(const QString& name, const QString& text)
    {
        const QString path = m_dir.filePath(name);
        writeFile(path, text.toUtf8());
        return path;
    }
    static QString addressOf(const InProcessModule& m)
    {
        return QString("127.0.0.1:%1").arg(m.server.port());
    }

    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestFleet)
#include "tst_fleet.moc"
