#include "app/commandLine.h"

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

// What a reading changed from the defaults, in a short form: "tcp=80 udp=… timeout=… addr=… off
// supplied file=… usage argc-1".
QString outcome(const CommandLine& cl, int argc)
{
    const InfoOstrum defaults = InfoOstrum::defaults(true);
    QStringList out;
    if (cl.info.tcpPort != defaults.tcpPort)
        out << QString("tcp=%1").arg(cl.info.tcpPort);
    if (cl.info.udpPort != defaults.udpPort)
        out << QString("udp=%1").arg(cl.info.udpPort);
    if (cl.info.timeout != defaults.timeout)
        out << QString("timeout=%1").arg(cl.info.timeout);
    if (cl.info.strAddr != defaults.strAddr)
        out << "addr=" + cl.info.strAddr;
    if (!cl.info.bStart)
        out << "off";
    if (!cl.info.strFPGA.isEmpty())
        out << "fpga=" + cl.info.strFPGA;
    if (cl.supplied)
        out << "supplied";
    if (!cl.fileName.isEmpty())
        out << "file=" + cl.fileName;
    if (!cl.error.isEmpty())
        out << (cl.error == usageText(PROGRAM) ? "usage" : cl.error);
    // Whenever a non-option argument is present the toolkit sees one argument less.
    if (cl.applicationArgc != argc)
        out << QString("argc%1").arg(cl.applicationArgc - argc);
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
        auto row = [](const char* tag, const QStringList& args, const QString& outcome) {
            QTest::newRow(tag) << args << outcome;
        };
        row("no arguments", {}, "");
        // -t and -u: unsigned 16-bit decimal.
        row("-t 80", {"-t", "80"}, "tcp=80 supplied");
        row("-t 65536 refused", {"-t", "65536"}, "usage");
        row("-t text refused", {"-t", "http"}, "usage");
        // -o: unsigned 32-bit decimal stored into an int.
        row("-o max uint into int", {"-o", "4294967295"}, "timeout=-1 supplied");
        row("-o 2^32 refused", {"-o", "4294967296"}, "usage");
        // -h: stored in canonical text form.
        row("-h IPv6 canonical", {"-h", "FE80:0:0:0:0:0:0:1"}, "addr=fe80::1 supplied");
        row("-h host name refused", {"-h", "localhost"}, "usage");
        // -a: "off" switches Auto Start off; "on" is accepted but stores nothing.
        row("-a off", {"-a", "off"}, "off supplied");
        row("-a on alone is not supplied", {"-a", "on"}, "");
        row("-a Off refused", {"-a", "Off"}, "usage");
        row("-a onoff contains off", {"-a", "onoff"}, "off supplied");
        // Combinations: every accepted option counts, a refused one still produces the usage.
        row("refused -t, accepted -u", {"-t", "70000", "-u", "100"}, "udp=100 supplied usage");
        row("all options", {"-t", "1", "-u", "2", "-o", "3", "-h", "::1", "-a", "off"},
            "tcp=1 udp=2 timeout=3 addr=::1 off supplied");
        // Options getopt itself reports are otherwise ignored.
        row("unknown option", {"-x"}, "");
        // File names.
        row("one file", {"doc.vxt3"}, "file=doc.vxt3 argc-1");
        row("two files", {"a.vxt3", "b.vxt3"}, "usage argc-1");
        row("dash-dash file", {"--", "-t"}, "file=-t argc-1");
    }

    void options()
    {
        QFETCH(QStringList, args);
        Argv argv(QStringList{QString::fromLatin1(PROGRAM)} + args);
        const int argc = argv.argc();
        QTEST(outcome(parseCommandLine(argc, argv.argv()), argc), "outcome");
    }

    void usageProgramName_data()
    {
        QTest::addColumn<QString>("argv0");
        QTest::addColumn<QString>("shown");

        auto row = [](const char* tag, const QString& argv0, const QString& shown) {
            QTest::newRow(tag) << argv0 << shown;
        };
        row("forward slashes stay", "/usr/local/bin/vextor", "/usr/local/bin/vextor");
        row("last backslash wins", "a\\b/c\\d/prog", "d/prog");
    }

    // The usage names the program by the first word of the command line.
    void usageProgramName()
    {
        QFETCH(QString, argv0);
        QFETCH(QString, shown);
        Argv argv(QStringList{argv0, "-t", "99999"});
        QCOMPARE(parseCommandLine(argv.argc(), argv.argv()).error,
                 QStringLiteral("Usage: ") + shown +
                     QStringLiteral(" [-t <TCP port>] [-u <UDP port>] [-h <host address>] [-a <on/off>] "
                                    "[-o <timeout>] [fileName]"));
    }

    void repeatedCallsStartAfresh()
    {
        // getopt keeps state between calls; a refused cluster must not leak into the next reading.
        {
            Argv argv(QStringList{PROGRAM, "-xt", "70000", "a", "b"});
            const CommandLine cl = parseCommandLine(argv.argc(), argv.argv());
            QVERIFY(!cl.error.isEmpty());
        }
        Argv argv(QStringList{PROGRAM, "-u", "77", "file.vxt3"});
        const CommandLine cl = parseCommandLine(argv.argc(), argv.argv());
        QCOMPARE(outcome(cl, argv.argc()), QString("udp=77 supplied file=file.vxt3 argc-1"));
    }
};

QTEST_GUILESS_MAIN(TestCommandLine)
#include "tst_commandline.moc"
