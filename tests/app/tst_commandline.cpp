#include "app/commandLine.h"
#include "tests/support/cliRun.h"

#include <QtTest>

namespace {
// What a reading changed from the defaults, e.g. "tcp=80 supplied file=a.vxt3 argc-1 usage".
QString outcome(const QStringList& args)
{
    Argv argv(QStringList{"vextor"} + args);
    const int argc = argv.argc();
    const CommandLine cl = parseCommandLine(argc, argv.argv());
    const InfoOstrum d = InfoOstrum::defaults(true);
    QStringList out;
    auto note = [&out](bool changed, const QString& text) {
        if (changed)
            out << text;
    };
    note(cl.info.tcpPort != d.tcpPort, QString("tcp=%1").arg(cl.info.tcpPort));
    note(cl.info.udpPort != d.udpPort, QString("udp=%1").arg(cl.info.udpPort));
    note(cl.info.timeout != d.timeout, QString("timeout=%1").arg(cl.info.timeout));
    note(cl.info.strAddr != d.strAddr, "addr=" + cl.info.strAddr);
    note(!cl.info.bStart, "off");
    note(cl.supplied, "supplied");
    note(!cl.fileName.isEmpty(), "file=" + cl.fileName);
    note(cl.applicationArgc != argc, QString("argc%1").arg(cl.applicationArgc - argc));
    // The usage text, then the reason when one is given.
    const QString usage = usageText("vextor");
    note(!cl.error.isEmpty(), cl.error.startsWith(usage) ? "usage" + cl.error.mid(usage.size()) : cl.error);
    return out.join(' ');
}
} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void options_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("no arguments") << QStringList{} << "";
        QTest::newRow("-t 80") << QStringList{"-t", "80"} << "tcp=80 supplied";
        QTest::newRow("-t 65536 refused") << QStringList{"-t", "65536"} << "usage";
        QTest::newRow("-o 60") << QStringList{"-o", "60"} << "timeout=60 supplied";
        QTest::newRow("-o 0 keeps the default wait") << QStringList{"-o", "0"} << "timeout=0 supplied";
        QTest::newRow("-o 61 refused")
            << QStringList{"-o", "61"}
            << "usage\nThe time-out 61 is out of range: it must be 0 to 60 seconds.";
        QTest::newRow("-o max uint refused")
            << QStringList{"-o", "4294967295"}
            << "usage\nThe time-out 4294967295 is out of range: it must be 0 to 60 seconds.";
        QTest::newRow("-h canonical") << QStringList{"-h", "FE80:0:0:0:0:0:0:1"} << "addr=fe80::1 supplied";
        QTest::newRow("-h host name refused") << QStringList{"-h", "localhost"} << "usage";
        QTest::newRow("-a on alone is not supplied") << QStringList{"-a", "on"} << "";
        QTest::newRow("-a Off refused") << QStringList{"-a", "Off"} << "usage";
        QTest::newRow("-a onoff contains off") << QStringList{"-a", "onoff"} << "off supplied";
        QTest::newRow("refused -t, accepted -u")
            << QStringList{"-t", "70000", "-u", "100"} << "udp=100 supplied usage";
        QTest::newRow("unknown option ignored") << QStringList{"-x"} << "";
        QTest::newRow("one file") << QStringList{"doc.vxt3"} << "file=doc.vxt3 argc-1";
        QTest::newRow("two files") << QStringList{"a.vxt3", "b.vxt3"} << "argc-1 usage";
    }
    void options()
    {
        QFETCH(QStringList, args);
        outcome({"-xt", "70000", "a", "b"}); // getopt keeps state: each reading must start afresh
        QTEST(outcome(args), "outcome");
    }

    // The program is named by the command line's first word from its last backslash on.
    void usageText()
    {
        QCOMPARE(::usageText("a\\b/c\\d/prog"),
                 QStringLiteral("Usage: d/prog [-t <TCP port>] [-u <UDP port>] [-h <host address>] "
                                "[-a <on/off>] [-o <timeout>] [fileName]\n       d/prog --version"));
        QVERIFY(::usageText("/usr/bin/vextor").startsWith(QStringLiteral("Usage: /usr/bin/vextor [")));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
