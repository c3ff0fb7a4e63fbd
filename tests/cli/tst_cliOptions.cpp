#include "cliApp.h"
#include "document.h"

#include <QtTest>

#include <vector>

// The global options of vextor-cli and how they pick the module to talk to.
class TestCliOptions : public QObject
{
    Q_OBJECT

private slots:
    void parse_data();
    void parse();
    void target_data();
    void target();
};

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
} // namespace

void TestCliOptions::parse_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<int>("next");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("udpPort");
    QTest::addColumn<int>("tcpPort");
    QTest::addColumn<int>("timeout");

    auto row = [](const char* tag, const QStringList& args, bool ok, int next,
                  const QString& host = "192.168.10.16", int udp = 4660, int tcp = 24, int timeout = 1) {
        QTest::newRow(tag) << QStringList{"vextor-cli"} + args << ok << next << host << udp << tcp << timeout;
    };
    row("command only", {"drc", "a.vxt3"}, true, 1);
    row("all options", {"-h", "10.0.0.7", "-u", "5000", "-t", "2424", "-o", "3", "image", "a.vxt3"}, true, 9,
        "10.0.0.7", 5000, 2424, 3);
    row("options stop at the command word", {"drc", "-h", "10.0.0.7"}, true, 1);
    row("address in canonical form", {"-h", "0:0::1", "drc"}, true, 3, "::1");
    row("port beyond 16 bits", {"-t", "70000", "drc"}, false, 3);
    row("host that is no address", {"-h", "module.lab", "drc"}, false, 3);
    row("unknown option", {"-x", "drc"}, false, 2);
    row("option without its argument", {"-h"}, false, 2);
}

void TestCliOptions::parse()
{
    QFETCH(QStringList, args);
    QFETCH(bool, ok);
    QFETCH(int, next);
    QFETCH(QString, host);
    QFETCH(int, udpPort);
    QFETCH(int, tcpPort);
    QFETCH(int, timeout);

    Argv argv(args);
    GlobalOptions options;
    int index = -1;
    QString messages;
    QTextStream err(&messages);
    QCOMPARE(CliApp::parseGlobalOptions(argv.argc(), argv.argv(), options, index, err), ok);
    QCOMPARE(index, next);
    const InfoOstrum t = options.target();
    QCOMPARE(t.strAddr, host);
    QCOMPARE(int(t.udpPort), udpPort);
    QCOMPARE(int(t.tcpPort), tcpPort);
    QCOMPARE(t.timeout, timeout);
}

void TestCliOptions::target_data()
{
    QTest::addColumn<bool>("withDocument");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("udpPort");
    QTest::addColumn<int>("timeout");

    QTest::newRow("built-in defaults") << false << QStringList() << "192.168.10.16" << 4660 << 1;
    QTest::newRow("document settings") << true << QStringList() << "10.1.1.1" << 5001 << 4;
    QTest::newRow("options win over the document")
        << true << QStringList{"-h", "10.2.2.2", "-o", "9"} << "10.2.2.2" << 5001 << 9;
    QTest::newRow("options without a document")
        << false << QStringList{"-u", "7000"} << "192.168.10.16" << 7000 << 1;
}

void TestCliOptions::target()
{
    QFETCH(bool, withDocument);
    QFETCH(QStringList, options);
    QFETCH(QString, host);
    QFETCH(int, udpPort);
    QFETCH(int, timeout);

    Document doc;
    doc.info().strAddr = QStringLiteral("10.1.1.1");
    doc.info().udpPort = 5001;
    doc.info().timeout = 4;

    Argv argv(QStringList{"vextor-cli"} + options + QStringList{"status"});
    GlobalOptions global;
    int next = 0;
    QString messages;
    QTextStream err(&messages);
    QVERIFY(CliApp::parseGlobalOptions(argv.argc(), argv.argv(), global, next, err));
    const InfoOstrum t = global.target(withDocument ? &doc : nullptr);
    QCOMPARE(t.strAddr, host);
    QCOMPARE(int(t.udpPort), udpPort);
    QCOMPARE(t.timeout, timeout);
}

QTEST_GUILESS_MAIN(TestCliOptions)
#include "tst_cliOptions.moc"
