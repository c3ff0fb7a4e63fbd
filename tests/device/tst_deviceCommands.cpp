#include "blockDiagram.h"
#include "deviceCommands.h"
#include "document.h"
#include "workerHarness.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace DeviceCommands;

namespace {
// A command run against the in-process module, with its output captured. The document
// "doc.vxt3" is an empty one held here; the design rule check gives what the test asks.
struct Cli
{
    InProcessModule module;
    std::shared_ptr<Document> document = std::make_shared<Document>();
    int drcResult = 0;
    QString outText;
    QString errText;
    QTextStream out{&outText};
    QTextStream err{&errText};
    Context context;

    Cli()
    {
        context.options.values.strAddr = QStringLiteral("127.0.0.1");
        context.options.values.udpPort = module.server.port();
        context.options.values.timeout = 1;
        context.options.bHost = context.options.bUdpPort = context.options.bTimeout = true;
        context.out = &out;
        context.err = &err;
        context.loadDocument = [this](const QString& name) -> std::shared_ptr<Document> {
            if (name == QLatin1String("doc.vxt3"))
                return document;
            err << name << ": No such file or directory.\n";
            return nullptr;
        };
        context.designRuleCheck = [this](BlockDiagram&, QString& report) {
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
    void downloadThenVerify();
    void refusals_data();
    void refusals();
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

void TestDeviceCommands::downloadThenVerify()
{
    Cli cli;
    QCOMPARE(cli.run(&download, {"doc.vxt3"}), int(ExitOk));
    QVERIFY(cli.errText.contains("Download - TAMP Access: "));
    QCOMPARE(cli.module.writes().size(), 68);
    QCOMPARE(cli.run(&verify, {"doc.vxt3"}), int(ExitOk));
    QCOMPARE(cli.outText, QString("Verify: The Register data is matched.\n"));
    cli.module.memory.poke(0x3001, 0x11);
    QCOMPARE(cli.run(&verify, {"doc.vxt3"}), int(ExitFindings));
    QVERIFY2(cli.outText.startsWith("Verify: The Register data don't match.\n\nfirst mismatch at "),
             qPrintable(cli.outText));
    QVERIFY(cli.outText.contains("address 0x00003001\n"));
}

void TestDeviceCommands::refusals_data()
{
    QTest::addColumn<bool>("bVerify");
    QTest::addColumn<int>("drc");
    QTest::addColumn<int>("protect");
    QTest::addColumn<int>("rc");
    QTest::addColumn<QString>("text"); // what the error output starts with
    QTest::newRow("design rule errors") << false << 2 << 0x03 << int(ExitFindings) << "DRC report\n";
    QTest::newRow("warnings go on") << false << -1 << 0x03 << int(ExitOk) << "DRC report\n";
    QTest::newRow("download, write-protected")
        << false << 0 << 0x02 << int(ExitFindings) << "The Register is write-protected.\n";
    QTest::newRow("verify, write-protected")
        << true << 0 << 0x02 << int(ExitFindings) << "The Register is write-protected.\n";
}

// Refused downloads and verifies write nothing; design rule errors never contact the module.
void TestDeviceCommands::refusals()
{
    QFETCH(bool, bVerify);
    QFETCH(int, rc);
    QFETCH(QString, text);
    Cli cli;
    QFETCH(int, drc);
    cli.drcResult = drc;
    QFETCH(int, protect);
    cli.module.memory.poke(ModuleMemory::PROTECT_ADDR, quint8(protect));
    QCOMPARE(cli.run(bVerify ? &verify : &download, {"doc.vxt3"}), rc);
    QVERIFY2(cli.errText.startsWith(text), qPrintable(cli.errText));
    if (rc != ExitOk)
        QVERIFY(cli.module.writes().isEmpty());
    if (drc > 0)
        QVERIFY(cli.module.requests.isEmpty());
}

void TestDeviceCommands::statusShowsRomInformation()
{
    Cli cli;
    cli.module.memory.poke(0xFFFFFC3E, 4);
    const QByteArray comment("first run");
    for (int i = 0; i < comment.size(); ++i)
        cli.module.memory.poke(0x100 + 2 * 112 + quint32(i), quint8(comment.at(i)));
    QCOMPARE(cli.run(&status, {}), int(ExitOk));
    const QStringList lines = cli.outText.split('\n');
    QCOMPARE(lines.value(0), QString("Version: 3.01 (33 2e 30 31)"));
    QCOMPARE(lines.value(1), QString("Protect: 0x03 (registers writable, ROM writing enabled)"));
    QCOMPARE(lines.value(2), QString("Boot slot: 4"));
    QCOMPARE(lines.value(3 + 2), QString("Slot 2: first run"));

    cli.module.memory.poke(ModuleMemory::PROTECT_ADDR, 0x00);
    QCOMPARE(cli.run(&status, {}), int(ExitOk));
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
    QCOMPARE(cli.run(&protect, args), int(ExitOk));
    QCOMPARE(cli.module.writes().size(), writes);
    QTEST(int(cli.module.memory.peek(ModuleMemory::PROTECT_ADDR)), "current");
    QTEST(int(cli.module.memory.peek(0xFFFFFC3C)), "boot");
}

void TestDeviceCommands::userControlSetAndRead()
{
    Cli cli;
    QCOMPARE(cli.run(&userControl, {"--set", "0x0205"}), int(ExitOk));
    QCOMPARE(cli.module.memory.peek(0x6E), quint8(0x02));
    QCOMPARE(cli.module.memory.peek(0x6F), quint8(0x05));
    QCOMPARE(cli.outText, QString("User control: 0x0205\n"));
    QCOMPARE(cli.run(&userControl, {}), int(ExitOk));
    QCOMPARE(cli.outText, QString("User control: 0x0205\n"));
}

void TestDeviceCommands::eepromCommands()
{
    Cli cli;
    QCOMPARE(cli.run(&eepromWrite, {"--ip", "10.0.0.5", "--tcp", "25", "--udp", "4661"}), int(ExitOk));
    QCOMPARE(cli.outText, QString("Succeeded in Updating the Ostrum module.\nPlease reboot the Vextor.\n"));
    QCOMPARE(cli.run(&eepromRead, {}), int(ExitOk));
    QVERIFY2(cli.outText.contains("\nIP Address : 10.0.0.5\nTCP Data Port : 25\n"), qPrintable(cli.outText));
    QVERIFY(cli.outText.contains("\nUDP Port : 4661\n"));
}

void TestDeviceCommands::usageErrors_data()
{
    QTest::addColumn<int>("which");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("rc");
    QTest::newRow("download without document") << 0 << QStringList{} << int(ExitUsage);
    QTest::newRow("download of a missing file") << 0 << QStringList{"nothing.vxt3"} << int(ExitInput);
    QTest::newRow("protect maybe") << 2 << QStringList{"--current", "maybe"} << int(ExitUsage);
    QTest::newRow("user-control beyond 16 bits") << 3 << QStringList{"--set", "10000"} << int(ExitUsage);
    QTest::newRow("eeprom-write without --ip") << 4 << QStringList{"--tcp", "24"} << int(ExitUsage);
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
    QCOMPARE(cli.run(&status, {}), int(ExitInput));
    QCOMPARE(cli.errText,
             QString("read address: 0x00000000\nlength: 1\n\nQTamp: Socket operation timed out\n"));
    QCOMPARE(cli.module.requests.size(), 3); // every attempt of the version read
}

void TestDeviceCommands::documentFileGivesDiagramAndTarget()
{
    // The tool's own context: its document reader, the real design rule check, and the module
    // reached through the document's settings since no option names it.
    InProcessModule module;
    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    CliContext cli(GlobalOptions(), out, err);
    const Context context = Context::fromCli(cli);

    Document document;
    QVERIFY(document.addNIM_IN(0, "IN-CH0"));
    document.info().strAddr = "127.0.0.1";
    document.info().udpPort = module.server.port();
    document.info().timeout = 1;
    QTemporaryDir dir;
    const QString fileName = dir.filePath("one input.vxt3");
    QFile file(fileName);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(document.toXml()) > 0);
    file.close();

    QCOMPARE(download(context, {fileName}), int(ExitOk));
    // IN-CH0 is placed: its threshold register holds the default code 1720.
    QCOMPARE(module.memory.peek(0x70), quint8(1720 >> 8));
    QCOMPARE(module.memory.peek(0x71), quint8(1720 & 0xFF));
    QCOMPARE(verify(context, {fileName}), int(ExitOk));
    QCOMPARE(verify(context, {dir.filePath("missing.vxt3")}), int(ExitInput));
}

QTEST_GUILESS_MAIN(TestDeviceCommands)
#include "tst_deviceCommands.moc"
