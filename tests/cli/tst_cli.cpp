#include "cli/cliApp.h"
#include "io/document.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

namespace {
struct Argv
{
    explicit Argv(const QStringList& args)
    {
        for (const QString& a : args)
            storage.push_back(a.toLocal8Bit());
        for (QByteArray& s : storage)
            pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return int(pointers.size()) - 1; }
    char** argv() { return pointers.data(); }

    std::vector<QByteArray> storage;
    std::vector<char*> pointers;
};

QString example(const char* name)
{
    return QStringLiteral(VEXTOR_SOURCE_DIR "/examples/") + QLatin1String(name);
}

QByteArray document(const QByteArray& entries)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Vextor3 addr=\"192.168.10.16\" tcpPort=\"24\" "
           "udpPort=\"4660\" Timeout=\"1\" autoConnect=\"true\">\n<tab id=\"0\" name=\"Sheet1\">\n" +
           entries + "</tab>\n</Vextor3>\n";
}

QByteArray entry(const QByteArray& term, const QByteArray& name, const QByteArray& extra = QByteArray())
{
    return "<entry term=\"" + term + "\"><id>0</id><name>" + name + "</name>" + extra + "</entry>\n";
}
} // namespace

// vextor-cli: its global options and the module they pick, then the built tool run as a process
// (exit codes, messages and the printed register image).
class TestCli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QFileInfo(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli")).isExecutable());
        QVERIFY(m_dir.isValid());
    }

    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("next");
        QTest::addColumn<bool>("withDocument"); // settings 10.1.1.1, UDP 5001, time-out 4
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("udpPort");
        QTest::addColumn<int>("tcpPort");
        QTest::addColumn<int>("timeout");

        auto row = [](const char* tag, const QStringList& args, bool ok, int next, bool withDocument = false,
                      const QString& host = "192.168.10.16", int udp = 4660, int tcp = 24, int timeout = 1) {
            QTest::newRow(tag) << QStringList{"vextor-cli"} + args << ok << next << withDocument << host
                               << udp << tcp << timeout;
        };
        row("command only", {"drc", "a.vxt3"}, true, 1);
        row("all options", {"-h", "10.0.0.7", "-u", "5000", "-t", "2424", "-o", "3", "image", "a.vxt3"}, true,
            9, false, "10.0.0.7", 5000, 2424, 3);
        row("unknown option", {"-x", "drc"}, false, 2);
        row("document settings", {"status"}, true, 1, true, "10.1.1.1", 5001, 24, 4);
        row("options win over the document", {"-h", "10.2.2.2", "-o", "9", "status"}, true, 5, true,
            "10.2.2.2", 5001, 24, 9);
    }
    void options()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, withDocument);
        Document doc;
        doc.info().strAddr = QStringLiteral("10.1.1.1");
        doc.info().udpPort = 5001;
        doc.info().timeout = 4;

        Argv argv(args);
        GlobalOptions options;
        int index = -1;
        QString messages;
        QTextStream err(&messages);
        QTEST(CliApp::parseGlobalOptions(argv.argc(), argv.argv(), options, index, err), "ok");
        QTEST(index, "next");
        const InfoOstrum t = options.target(withDocument ? &doc : nullptr);
        QTEST(t.strAddr, "host");
        QTEST(int(t.udpPort), "udpPort");
        QTEST(int(t.tcpPort), "tcpPort");
        QTEST(t.timeout, "timeout");
    }

    void exitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");     // exact standard output
        QTest::addColumn<QString>("errPart"); // contained in standard error; empty: no message

        const QString usage = QStringLiteral("Usage: vextor-cli [-h host]");
        const QString missing = m_dir.filePath(QStringLiteral("missing.vxt3"));
        // An output without a source; a PreLogic with an unused input (warnings only); a PreLogic
        // feeding a counter with an expression that cannot be evaluated.
        const QString lonely = writeFile("lonely.vxt3", document(entry("OUT-CH0", "OUT-CH0")));
        const QByteArray input = entry("Input", "IN-CH0");
        const QString warning = writeFile(
            "warning.vxt3", document(input + entry("PreLogic", "PreLgc0",
                                                   "<net port=\"0\">IN-CH0</net><property>true</property>")));
        const QString bad = writeFile(
            "bad.vxt3",
            document(input +
                     entry("PreLogic", "PreLgc0", "<net port=\"0\">IN-CH0</net><property>_A or</property>") +
                     entry("CntFnc", "CntFnc0", "<net port=\"0\">PreLgc0</net>")));
        const QString foreign =
            writeFile(QStringLiteral("foreign.xml"), "<?xml version=\"1.0\"?>\n<html/>\n");
        const QString empty = writeFile(QStringLiteral("empty.vxt3"), QByteArray());

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
        prints("drc clean example", {"drc", example("coincidence.vxt3")}, 0, "No error detected.\n");
        prints("drc errors", {"drc", lonely}, 1, "error: OUT-CH0: InputPort is not connected.\n");
        prints("drc warnings pass", {"drc", warning}, 0,
               "warning: PreLgc0: Outport is not connected.\nwarning: PreLgc0: _A is connected, but not "
               "used.\n");
        fails("drc missing file", {"drc", missing}, 2, missing + ": No such file or directory.");
        fails("image of a foreign XML file", {"image", foreign}, 2,
              "File specified in " + foreign + " is not a valid XML file for Vextor3.");
        fails("image of an empty file", {"image", empty}, 2,
              "Parse error at line 1, column 1:\nunexpected end of file.");
        fails("image expression error", {"image", bad}, 1, "PreLgc0: invalid at EOF\n");
    }

    void exitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, errPart);

        const Result r = run(args);
        QCOMPARE(r.exitCode, exitCode);
        QCOMPARE(r.out, out);
        if (errPart.isEmpty())
            QCOMPARE(r.err, QString());
        else
            QVERIFY2(r.err.count(errPart) == 1, qPrintable(r.err)); // reported once
    }

    void imageMatchesTheReviewedImage()
    {
        // One line per byte in write order, as the reviewed image of the example.
        const Result r = run({QStringLiteral("image"), example("coincidence.vxt3")});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.err, QString());
        QFile golden(QStringLiteral(VEXTOR_SOURCE_DIR "/tests/io/golden/coincidence.image"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        QCOMPARE(r.out, QString::fromLatin1(golden.readAll()));
    }

private:
    struct Result
    {
        int exitCode = -1;
        QString out;
        QString err;
    };
    Result run(const QStringList& args);
    QString writeFile(const QString& name, const QByteArray& content);

    QTemporaryDir m_dir;
};

TestCli::Result TestCli::run(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"), args);
    Result r;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return r;
    r.exitCode = process.exitCode();
    r.out = QString::fromUtf8(process.readAllStandardOutput());
    r.err = QString::fromUtf8(process.readAllStandardError());
    return r;
}

QString TestCli::writeFile(const QString& name, const QByteArray& content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(content);
    return path;
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
