#include "blockDiagram.h"
#include "deviceCommands.h"
#include "document.h"
#include "workerHarness.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace DeviceCommands;

namespace {
// A command run against the in-process module, with its output captured.
struct Cli
{
    InProcessModule module;
    BlockDiagram diagram;
    int drcResult = 0;
    int drcCalls = 0;
    QString outText;
    QString errText;
    QTextStream out{&outText};
    QTextStream err{&errText};
    Context context;

    Cli()
    {
        context.host = QStringLiteral("127.0.0.1");
        context.udpPort = module.server.port();
        context.timeout = 1;
        context.out = &out;
        context.err = &err;
        context.loadDocument = [this](const QString& name, LoadedDocument& doc, QString& error) {
            if (name != QLatin1String("doc.vxt3")) {
                error = name + QStringLiteral(": no such file");
                return false;
            }
            doc.diagram = &diagram;
            doc.info = InfoOstrum::defaults(false);
            return true;
        };
        context.designRuleCheck = [this](BlockDiagram&, QString& report) {
            ++drcCalls;
            report = QStringLiteral("DRC report");
            return drcResult;
        };
    }

    int run(int (*command)(const Context&, const QStringList&), const QStringList& args)
    {
        outText.clear();
        errText.clear();
        const int rc = command(context, args);
        out.flush();
        err.flush();
        return rc;
    }
};
} // namespace

class TestDeviceCommands : public QObject
{
    Q_OBJECT
private slots:
    void targetResolution_data();
    void targetResolution();
    void downloadThenVerify();
    void downloadStopsOnDrcErrors_data();
    void downloadStopsOnDrcErrors();
    void writeProtectedRefused_data();
    void writeProtectedRefused();
    void verifyMismatchIsNegative();
    void statusShowsRomInformation();
    void protectWritesOnlyChanges_data();
    void protectWritesOnlyChanges();
    void userControlSetAndRead();
    void eepromCommands();
    void usageErrors_data();
    void usageErrors();
    void unreachableModuleFails();
    void documentFileGivesDiagramAndTarget();
};

void TestDeviceCommands::targetResolution_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("udp");
    QTest::addColumn<bool>("bDocument");
    QTest::addColumn<QString>("addr");
    QTest::addColumn<int>("port");
    QTest::newRow("defaults") << "" << -1 << false << "192.168.10.16" << 4660;
    QTest::newRow("document") << "" << -1 << true << "10.0.0.9" << 5000;
    QTest::newRow("options win") << "127.0.0.1" << 7000 << true << "127.0.0.1" << 7000;
    QTest::newRow("partly given") << "" << 7000 << true << "10.0.0.9" << 7000;
}

void TestDeviceCommands::targetResolution()
{
    QFETCH(QString, host);
    QFETCH(int, udp);
    QFETCH(bool, bDocument);
    Context context;
    context.host = host;
    context.udpPort = udp;
    InfoOstrum doc = InfoOstrum::defaults(true);
    doc.strAddr = QStringLiteral("10.0.0.9");
    doc.udpPort = 5000;
    const InfoOstrum target = resolveTarget(context, bDocument ? &doc : nullptr);
    QTEST(target.strAddr, "addr");
    QTEST(int(target.udpPort), "port");
}

void TestDeviceCommands::downloadThenVerify()
{
    Cli cli;
    QCOMPARE(cli.run(&download, {"doc.vxt3"}), int(Success));
    QVERIFY(cli.errText.contains("Download - TAMP Access: "));
    QCOMPARE(cli.module.writes().size(), 68);
    QCOMPARE(cli.run(&verify, {"doc.vxt3"}), int(Success));
    QCOMPARE(cli.outText, QString("Verify: The Register data is matched.\n"));
}

void TestDeviceCommands::downloadStopsOnDrcErrors_data()
{
    QTest::addColumn<int>("drc");
    QTest::addColumn<int>("rc");
    QTest::newRow("errors") << 2 << int(Negative);
    QTest::newRow("warnings go on") << -1 << int(Success);
}

void TestDeviceCommands::downloadStopsOnDrcErrors()
{
    QFETCH(int, drc);
    QFETCH(int, rc);
    Cli cli;
    cli.drcResult = drc;
    QCOMPARE(cli.run(&download, {"doc.vxt3"}), rc);
    QVERIFY(cli.errText.startsWith("DRC report\n"));
    QCOMPARE(cli.module.requests.isEmpty(), rc == Negative); // errors never contact the module
}

void TestDeviceCommands::writeProtectedRefused_data()
{
    QTest::addColumn<bool>("bVerify");
    QTest::newRow("download") << false;
    QTest::newRow("verify") << true;
}

void TestDeviceCommands::writeProtectedRefused()
{
    QFETCH(bool, bVerify);
    Cli cli;
    cli.module.memory.poke(ModuleMemory::PROTECT_ADDR, 0x02);
    QCOMPARE(cli.run(bVerify ? &verify : &download, {"doc.vxt3"}), int(Negative));
    QCOMPARE(cli.errText, QString("The Register is write-protected.\n"));
    QVERIFY(cli.module.writes().isEmpty());
}

void TestDeviceCommands::verifyMismatchIsNegative()
{
    Cli cli;
    QCOMPARE(cli.run(&download, {"doc.vxt3"}), int(Success));
    cli.module.memory.poke(0x3001, 0x11);
    QCOMPARE(cli.run(&verify, {"doc.vxt3"}), int(Negative));
    QVERIFY2(cli.outText.startsWith("Verify: The Register data don't match.\n\nfirst mismatch at "),
             qPrintable(cli.outText));
    QVERIFY(cli.outText.contains("address 0x00003001\n"));
}

void TestDeviceCommands::statusShowsRomInformation()
{
    Cli cli;
    cli.module.memory.poke(0xFFFFFC3E, 4);
    const QByteArray comment("first run");
    for (int i = 0; i < comment.size(); ++i)
        cli.module.memory.poke(0x100 + 2 * 112 + quint32(i), quint8(comment.at(i)));
    QCOMPARE(cli.run(&status, {}), int(Success));
    const QStringList lines = cli.outText.split('\n');
    QCOMPARE(lines.value(0), QString("Version: 3.01 (33 2e 30 31)"));
    QCOMPARE(lines.value(1), QString("Protect: 0x03 (registers writable, ROM writing enabled)"));
    QCOMPARE(lines.value(2), QString("Boot slot: 4"));
    QCOMPARE(lines.value(3 + 2), QString("Slot 2: first run"));
    QCOMPARE(lines.value(3 + 15), QString("Slot 15: "));

    cli.module.memory.poke(ModuleMemory::PROTECT_ADDR, 0x00);
    QCOMPARE(cli.run(&status, {}), int(Success));
    QVERIFY(cli.outText.contains("registers write-protected, ROM writing disabled"));
    QVERIFY(!cli.outText.contains("Slot"));
}

void TestDeviceCommands::protectWritesOnlyChanges_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("writes");
    QTest::addColumn<int>("current");
    QTest::addColumn<int>("boot");
    QTest::newRow("show only") << QStringList{} << 0 << 0x03 << 0x03;
    QTest::newRow("unchanged writes nothing")
        << QStringList{"--current", "off", "--boot", "off"} << 0 << 0x03 << 0x03;
    QTest::newRow("protect now") << QStringList{"--current", "on"} << 1 << 0x02 << 0x03;
    // The EEPROM byte is written between enabling and disabling EEPROM writes.
    QTest::newRow("protect at boot") << QStringList{"--boot", "on"} << 3 << 0x03 << 0x02;
}

void TestDeviceCommands::protectWritesOnlyChanges()
{
    QFETCH(QStringList, args);
    QFETCH(int, writes);
    Cli cli;
    QCOMPARE(cli.run(&protect, args), int(Success));
    QCOMPARE(cli.module.writes().size(), writes);
    QTEST(int(cli.module.memory.peek(ModuleMemory::PROTECT_ADDR)), "current");
    QTEST(int(cli.module.memory.peek(0xFFFFFC3C)), "boot");
}

void TestDeviceCommands::userControlSetAndRead()
{
    Cli cli;
    QCOMPARE(cli.run(&userControl, {"--set", "0x0205"}), int(Success));
    QCOMPARE(cli.module.memory.peek(0x6E), quint8(0x02));
    QCOMPARE(cli.module.memory.peek(0x6F), quint8(0x05));
    QCOMPARE(cli.outText, QString("User control: 0x0205\n"));
    QCOMPARE(cli.run(&userControl, {}), int(Success));
    QCOMPARE(cli.outText, QString("User control: 0x0205\n"));
}

void TestDeviceCommands::eepromCommands()
{
    Cli cli;
    QCOMPARE(cli.run(&eepromWrite, {"--ip", "192.168.10"}), int(Usage));
    QCOMPARE(cli.errText, QString("192.168.10 is invalid address.\n"));
    QCOMPARE(cli.run(&eepromWrite, {"--ip", "10.0.0.5", "--udp", "65536"}), int(Usage));
    QCOMPARE(cli.errText, QString("65536 is invalid port.\n"));
    QVERIFY(cli.module.requests.isEmpty());

    QCOMPARE(cli.run(&eepromWrite, {"--ip", "10.0.0.5", "--tcp", "25", "--udp", "4661"}), int(Success));
    QCOMPARE(cli.outText, QString("Succeeded in Updating the Ostrum module.\nPlease reboot the Vextor.\n"));
    QCOMPARE(cli.run(&eepromRead, {}), int(Success));
    QVERIFY2(cli.outText.contains("\nIP Address : 10.0.0.5\nTCP Data Port : 25\n"), qPrintable(cli.outText));
    QVERIFY(cli.outText.contains("\nUDP Port : 4661\n"));
}

void TestDeviceCommands::usageErrors_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("rc");
    QTest::newRow("download without document") << 0 << QStringList{} << int(Usage);
    QTest::newRow("download of a missing file") << 0 << QStringList{"nothing.vxt3"} << int(Failure);
    QTest::newRow("status with an argument") << 1 << QStringList{"x"} << int(Usage);
    QTest::newRow("protect maybe") << 2 << QStringList{"--current", "maybe"} << int(Usage);
    QTest::newRow("user-control beyond 16 bits") << 3 << QStringList{"--set", "10000"} << int(Usage);
    QTest::newRow("eeprom-write without --ip") << 4 << QStringList{"--tcp", "24"} << int(Usage);
}

void TestDeviceCommands::usageErrors()
{
    QFETCH(int, which);
    QFETCH(QStringList, args);
    int (*const table[])(const Context&, const QStringList&) = {&download, &status, &protect, &userControl,
                                                                &eepromWrite};
    Cli cli;
    QTEST(cli.run(table[which], args), "rc");
    QVERIFY(!cli.errText.isEmpty());
    QVERIFY(cli.module.writes().isEmpty());
}

void TestDeviceCommands::unreachableModuleFails()
{
    Cli cli;
    cli.module.server.setFaults({1.0, false, false, 0});
    QCOMPARE(cli.run(&status, {}), int(Failure));
    QCOMPARE(cli.errText,
             QString("read address: 0x00000000\nlength: 1\n\nQTamp: Socket operation timed out\n"));
    QCOMPARE(cli.module.requests.size(), 3); // every attempt of the version read
}

void TestDeviceCommands::documentFileGivesDiagramAndTarget()
{
    Cli cli;
    // The module is reached through the document's own settings: no global options.
    cli.context.host.clear();
    cli.context.udpPort = -1;
    cli.context.loadDocument = &loadDocumentFile;
    Document document;
    QVERIFY(document.addNIM_IN(0, "IN-CH0"));
    document.info().strAddr = "127.0.0.1";
    document.info().udpPort = cli.module.server.port();
    QTemporaryDir dir;
    const QString fileName = dir.filePath("one input.vxt3");
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(document.toXml());
    file.close();

    QCOMPARE(cli.run(&download, {fileName}), int(Success));
    QCOMPARE(cli.drcCalls, 1);
    // IN-CH0 is placed: its threshold register holds the default code 1720.
    QCOMPARE(cli.module.memory.peek(0x70), quint8(1720 >> 8));
    QCOMPARE(cli.module.memory.peek(0x71), quint8(1720 & 0xFF));
    QCOMPARE(cli.run(&verify, {fileName}), int(Success));

    QCOMPARE(cli.run(&verify, {dir.filePath("missing.vxt3")}), int(Failure));
    QVERIFY(cli.errText.startsWith(dir.filePath("missing.vxt3") + ": "));
}

QTEST_GUILESS_MAIN(TestDeviceCommands)
#include "tst_deviceCommands.moc"
