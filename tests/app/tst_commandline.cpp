#include "commandLine.h"

#include <QtTest>

#include <vector>

namespace {
// A fresh, writable argv for one call: getopt reorders the pointer array, so no array is reused.
class Argv
{
public:
    explicit Argv(const QStringList& words)
    {
        for (const QString& word : words)
            m_storage.push_back(word.toLocal8Bit());
        for (QByteArray& word : m_storage)
            m_pointers.push_back(word.data());
        m_pointers.push_back(nullptr);
    }
    int argc() const { return int(m_pointers.size()) - 1; }
    char** argv() { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_storage;
    std::vector<char*> m_pointers;
};

const char PROGRAM[] = "vextor";
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void options_data();
    void options();
    void usageProgramName_data();
    void usageProgramName();
    void usageUsesFirstWord();
    void repeatedCallsStartAfresh();
};

void TestCommandLine::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("tcpPort");
    QTest::addColumn<int>("udpPort");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<QString>("addr");
    QTest::addColumn<bool>("bStart");
    QTest::addColumn<bool>("supplied");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<bool>("usage");
    QTest::addColumn<int>("nonOptions");

    const QString addr = QStringLiteral("192.168.10.16");
    const QString none;

    QTest::newRow("no arguments") << QStringList() << 24 << 4660 << 1 << addr << true << false << none
                                  << false << 0;

    // -t and -u: unsigned 16-bit decimal.
    QTest::newRow("-t 80") << QStringList{"-t", "80"} << 80 << 4660 << 1 << addr << true << true << none
                           << false << 0;
    QTest::newRow("-t80 attached") << QStringList{"-t80"} << 80 << 4660 << 1 << addr << true << true << none
                                   << false << 0;
    QTest::newRow("-t 0 accepted") << QStringList{"-t", "0"} << 0 << 4660 << 1 << addr << true << true << none
                                   << false << 0;
    QTest::newRow("-t 65535") << QStringList{"-t", "65535"} << 65535 << 4660 << 1 << addr << true << true
                              << none << false << 0;
    QTest::newRow("-t 70000 refused")
        << QStringList{"-t", "70000"} << 24 << 4660 << 1 << addr << true << false << none << true << 0;
    QTest::newRow("-t 65536 refused")
        << QStringList{"-t", "65536"} << 24 << 4660 << 1 << addr << true << false << none << true << 0;
    QTest::newRow("-t -1 refused") << QStringList{"-t", "-1"} << 24 << 4660 << 1 << addr << true << false
                                   << none << true << 0;
    QTest::newRow("-t hex refused") << QStringList{"-t", "0x10"} << 24 << 4660 << 1 << addr << true << false
                                    << none << true << 0;
    QTest::newRow("-t text refused") << QStringList{"-t", "http"} << 24 << 4660 << 1 << addr << true << false
                                     << none << true << 0;
    QTest::newRow("-u 5000") << QStringList{"-u", "5000"} << 24 << 5000 << 1 << addr << true << true << none
                             << false << 0;
    QTest::newRow("-u 65536 refused")
        << QStringList{"-u", "65536"} << 24 << 4660 << 1 << addr << true << false << none << true << 0;

    // -o: unsigned 32-bit decimal stored into an int.
    QTest::newRow("-o 5") << QStringList{"-o", "5"} << 24 << 4660 << 5 << addr << true << true << none
                          << false << 0;
    QTest::newRow("-o 0 accepted") << QStringList{"-o", "0"} << 24 << 4660 << 0 << addr << true << true
                                   << none << false << 0;
    QTest::newRow("-o max uint into int")
        << QStringList{"-o", "4294967295"} << 24 << 4660 << -1 << addr << true << true << none << false << 0;
    QTest::newRow("-o 2^32 refused") << QStringList{"-o", "4294967296"} << 24 << 4660 << 1 << addr << true
                                     << false << none << true << 0;
    QTest::newRow("-o -1 refused") << QStringList{"-o", "-1"} << 24 << 4660 << 1 << addr << true << false
                                   << none << true << 0;
    QTest::newRow("-o 1.5 refused") << QStringList{"-o", "1.5"} << 24 << 4660 << 1 << addr << true << false
                                    << none << true << 0;

    // -h: stored in canonical text form.
    QTest::newRow("-h dotted") << QStringList{"-h", "10.0.0.1"} << 24 << 4660 << 1
                               << QStringLiteral("10.0.0.1") << true << true << none << false << 0;
    QTest::newRow("-h short form") << QStringList{"-h", "127.1"} << 24 << 4660 << 1
                                   << QStringLiteral("127.0.0.1") << true << true << none << false << 0;
    QTest::newRow("-h IPv6 canonical") << QStringList{"-h", "FE80:0:0:0:0:0:0:1"} << 24 << 4660 << 1
                                       << QStringLiteral("fe80::1") << true << true << none << false << 0;
    QTest::newRow("-h octet too big")
        << QStringList{"-h", "10.0.0.256"} << 24 << 4660 << 1 << addr << true << false << none << true << 0;
    QTest::newRow("-h host name refused")
        << QStringList{"-h", "localhost"} << 24 << 4660 << 1 << addr << true << false << none << true << 0;
    QTest::newRow("-h empty refused")
        << QStringList{"-h", ""} << 24 << 4660 << 1 << addr << true << false << none << true << 0;

    // -a: "off" switches Auto Start off; "on" is accepted but stores nothing.
    QTest::newRow("-a off") << QStringList{"-a", "off"} << 24 << 4660 << 1 << addr << false << true << none
                            << false << 0;
    QTest::newRow("-a on alone is not supplied")
        << QStringList{"-a", "on"} << 24 << 4660 << 1 << addr << true << false << none << false << 0;
    QTest::newRow("-a OFF refused") << QStringList{"-a", "OFF"} << 24 << 4660 << 1 << addr << true << false
                                    << none << true << 0;
    QTest::newRow("-a Off refused") << QStringList{"-a", "Off"} << 24 << 4660 << 1 << addr << true << false
                                    << none << true << 0;
    QTest::newRow("-a onoff contains off")
        << QStringList{"-a", "onoff"} << 24 << 4660 << 1 << addr << false << true << none << false << 0;
    QTest::newRow("-a contains on") << QStringList{"-a", "monitor"} << 24 << 4660 << 1 << addr << true
                                    << false << none << false << 0;
    QTest::newRow("-a yes refused") << QStringList{"-a", "yes"} << 24 << 4660 << 1 << addr << true << false
                                    << none << true << 0;

    // Combinations: every accepted option counts, a refused one still produces the usage.
    QTest::newRow("-a on with refused -t") << QStringList{"-a", "on", "-t", "70000"} << 24 << 4660 << 1
                                           << addr << true << false << none << true << 0;
    QTest::newRow("refused -t, accepted -u") << QStringList{"-t", "70000", "-u", "100"} << 24 << 100 << 1
                                             << addr << true << true << none << true << 0;
    QTest::newRow("accepted then refused -t")
        << QStringList{"-t", "80", "-t", "x"} << 80 << 4660 << 1 << addr << true << true << none << true << 0;
    QTest::newRow("last -t wins") << QStringList{"-t", "80", "-t", "90"} << 90 << 4660 << 1 << addr << true
                                  << true << none << false << 0;
    QTest::newRow("all options") << QStringList{"-t", "1", "-u", "2", "-o", "3", "-h", "::1", "-a", "off"}
                                 << 1 << 2 << 3 << QStringLiteral("::1") << false << true << none << false
                                 << 0;

    // Options getopt itself reports are otherwise ignored.
    QTest::newRow("unknown option") << QStringList{"-x"} << 24 << 4660 << 1 << addr << true << false << none
                                    << false << 0;
    QTest::newRow("missing argument")
        << QStringList{"-t"} << 24 << 4660 << 1 << addr << true << false << none << false << 0;
    QTest::newRow("unknown option with -u")
        << QStringList{"-z", "-u", "7"} << 24 << 7 << 1 << addr << true << true << none << false << 0;

    // File names.
    QTest::newRow("one file") << QStringList{"doc.vxt3"} << 24 << 4660 << 1 << addr << true << false
                              << QStringLiteral("doc.vxt3") << false << 1;
    QTest::newRow("file before options") << QStringList{"doc.vxt3", "-t", "80"} << 80 << 4660 << 1 << addr
                                         << true << true << QStringLiteral("doc.vxt3") << false << 1;
    QTest::newRow("-h with file") << QStringList{"-h", "10.1.1.1", "my doc.vxt3"} << 24 << 4660 << 1
                                  << QStringLiteral("10.1.1.1") << true << true
                                  << QStringLiteral("my doc.vxt3") << false << 1;
    QTest::newRow("two files") << QStringList{"a.vxt3", "b.vxt3"} << 24 << 4660 << 1 << addr << true << false
                               << none << true << 2;
    QTest::newRow("two files around option") << QStringList{"a.vxt3", "-u", "9", "b.vxt3"} << 24 << 9 << 1
                                             << addr << true << true << none << true << 2;
    QTest::newRow("dash-dash file") << QStringList{"--", "-t"} << 24 << 4660 << 1 << addr << true << false
                                    << QStringLiteral("-t") << false << 1;
}

void TestCommandLine::options()
{
    QFETCH(QStringList, args);
    QFETCH(int, tcpPort);
    QFETCH(int, udpPort);
    QFETCH(int, timeout);
    QFETCH(QString, addr);
    QFETCH(bool, bStart);
    QFETCH(bool, supplied);
    QFETCH(QString, fileName);
    QFETCH(bool, usage);
    QFETCH(int, nonOptions);

    Argv argv(QStringList{QString::fromLatin1(PROGRAM)} + args);
    const int argc = argv.argc();
    const CommandLine cl = parseCommandLine(argc, argv.argv());

    QCOMPARE(int(cl.info.tcpPort), tcpPort);
    QCOMPARE(int(cl.info.udpPort), udpPort);
    QCOMPARE(cl.info.timeout, timeout);
    QCOMPARE(cl.info.strAddr, addr);
    QCOMPARE(cl.info.bStart, bStart);
    QVERIFY(cl.info.strFPGA.isEmpty());
    QCOMPARE(cl.supplied, supplied);
    QCOMPARE(cl.fileName, fileName);
    QCOMPARE(cl.error, usage ? usageText(PROGRAM) : QString());

    // Whenever a non-option argument is present the toolkit sees one argument less.
    QCOMPARE(cl.applicationArgc, nonOptions > 0 ? argc - 1 : argc);
}

void TestCommandLine::usageProgramName_data()
{
    QTest::addColumn<QString>("argv0");
    QTest::addColumn<QString>("shown");

    QTest::newRow("bare") << "vextor"
                          << "vextor";
    QTest::newRow("forward slashes stay") << "/usr/local/bin/vextor"
                                          << "/usr/local/bin/vextor";
    QTest::newRow("backslash path") << "C:\\Program Files\\Vextor\\vextor.exe"
                                    << "vextor.exe";
    QTest::newRow("last backslash wins") << "a\\b/c\\d/prog"
                                         << "d/prog";
    QTest::newRow("slash after backslash") << "dir\\sub/prog"
                                           << "sub/prog";
    QTest::newRow("trailing backslash") << "dir\\"
                                        << "";
}

void TestCommandLine::usageProgramName()
{
    QFETCH(QString, argv0);
    QFETCH(QString, shown);
    const QByteArray word = argv0.toLocal8Bit();
    QCOMPARE(usageText(word.constData()),
             QStringLiteral("Usage: ") + shown +
                 QStringLiteral(" [-t <TCP port>] [-u <UDP port>] [-h <host address>] [-a <on/off>] "
                                "[-o <timeout>] [fileName]"));
}

void TestCommandLine::usageUsesFirstWord()
{
    Argv argv(QStringList{"C:\\bin\\vextor.exe", "-t", "99999"});
    const CommandLine cl = parseCommandLine(argv.argc(), argv.argv());
    QVERIFY(cl.error.startsWith(QStringLiteral("Usage: vextor.exe [-t <TCP port>]")));
}

void TestCommandLine::repeatedCallsStartAfresh()
{
    // getopt keeps state between calls; a refused cluster in the middle must not leak into the
    // next reading.
    {
        Argv argv(QStringList{PROGRAM, "-xt", "70000", "a", "b"});
        const CommandLine cl = parseCommandLine(argv.argc(), argv.argv());
        QVERIFY(!cl.error.isEmpty());
    }
    Argv argv(QStringList{PROGRAM, "-u", "77", "file.vxt3"});
    const CommandLine cl = parseCommandLine(argv.argc(), argv.argv());
    QCOMPARE(int(cl.info.udpPort), 77);
    QCOMPARE(cl.fileName, QStringLiteral("file.vxt3"));
    QVERIFY(cl.error.isEmpty());
    QCOMPARE(cl.applicationArgc, 3);
}

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
