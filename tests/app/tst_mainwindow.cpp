#include "commandLine.h"
#include "mainwindow.h"

#include <QtTest>

#include <vector>

namespace {
MainWindow::InfoOstrum record(const QString& fpga, const QString& addr, int tcp, int udp, int timeout,
                              bool start)
{
    MainWindow::InfoOstrum info;
    info.strFPGA = fpga;
    info.strAddr = addr;
    info.tcpPort = quint16(tcp);
    info.udpPort = quint16(udp);
    info.timeout = timeout;
    info.bStart = start;
    return info;
}

void compareSettings(const MainWindow::InfoOstrum& actual, const MainWindow::InfoOstrum& expected)
{
    QCOMPARE(actual.strFPGA, expected.strFPGA);
    QCOMPARE(actual.strAddr, expected.strAddr);
    QCOMPARE(actual.tcpPort, expected.tcpPort);
    QCOMPARE(actual.udpPort, expected.udpPort);
    QCOMPARE(actual.timeout, expected.timeout);
    QCOMPARE(actual.bStart, expected.bStart);
}
} // namespace

Q_DECLARE_METATYPE(MainWindow::InfoOstrum)

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void title();
    void withRecord_data();
    void withRecord();
    void fromCommandLine_data();
    void fromCommandLine();
};

void TestMainWindow::title()
{
    QString fileName;
    MainWindow window(fileName, nullptr);
    QCOMPARE(window.windowTitle(), QString::fromUtf8("NewFile[*] - Vextor \xE2\x85\xA2"));
    QVERIFY(!window.isWindowModified());
    // The window's pictures are compiled into the core library and available once it exists.
    QVERIFY(QFile::exists(QStringLiteral(":/Vextor_icon/Vextor_Cut.png")));
    QVERIFY(QFile::exists(QStringLiteral(":/images/PreLgc.png")));
}

void TestMainWindow::withRecord_data()
{
    QTest::addColumn<MainWindow::InfoOstrum>("given");

    QTest::newRow("auto start off") << record(QString(), "10.0.0.7", 2000, 5000, 3, false);
    QTest::newRow("auto start on, zero values") << record(QString(), "::1", 0, 0, 0, true);
    QTest::newRow("FPGA text is not taken") << record("v1.23", "192.168.10.16", 24, 4660, 1, true);
}

void TestMainWindow::withRecord()
{
    QFETCH(MainWindow::InfoOstrum, given);
    MainWindow::InfoOstrum copy = given;
    QString fileName;
    MainWindow window(fileName, &copy);

    MainWindow::InfoOstrum expected = given;
    expected.strFPGA.clear();
    compareSettings(*window.infoOstrum(), expected);
    compareSettings(window.commandLineSettings(), expected);
    // The window keeps its own copies.
    window.infoOstrum()->tcpPort = 1;
    QCOMPARE(window.commandLineSettings().tcpPort, expected.tcpPort);
}

void TestMainWindow::fromCommandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<MainWindow::InfoOstrum>("inForce");
    QTest::addColumn<bool>("commandLineSettings");

    const auto defaults = record(QString(), "192.168.10.16", 24, 4660, 1, true);
    QTest::newRow("none: defaults, no command-line settings") << QStringList() << defaults << false;
    QTest::newRow("-a on alone") << QStringList{"-a", "on"} << defaults << false;
    QTest::newRow("-t 70000 refused") << QStringList{"-t", "70000"} << defaults << false;
    QTest::newRow("-a off") << QStringList{"-a", "off"}
                            << record(QString(), "192.168.10.16", 24, 4660, 1, false) << true;
    QTest::newRow("-h -o") << QStringList{"-h", "10.2.3.4", "-o", "9"}
                           << record(QString(), "10.2.3.4", 24, 4660, 9, true) << true;
}

void TestMainWindow::fromCommandLine()
{
    // As the process entry does: a record is passed only when the command line supplied one.
    QFETCH(QStringList, args);
    QFETCH(MainWindow::InfoOstrum, inForce);
    QFETCH(bool, commandLineSettings);

    std::vector<QByteArray> words{QByteArray("vextor")};
    for (const QString& arg : args)
        words.push_back(arg.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    CommandLine cl = parseCommandLine(int(words.size()), argv.data());

    MainWindow window(cl.fileName, cl.supplied ? &cl.info : nullptr);
    compareSettings(*window.infoOstrum(), inForce);
    QCOMPARE(!window.commandLineSettings().strAddr.isEmpty(), commandLineSettings);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
