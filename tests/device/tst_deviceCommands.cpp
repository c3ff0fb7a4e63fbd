#include "cli/deviceCommands.h"
#include "cli/romCommands.h"
#include "device/netSetup.h"
#include "io/document.h"
#include "model/blockDiagram.h"
#include "tests/device/romHarness.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using namespace DeviceCommands;
using CommandFn = int (*)(const Context&, const QStringList&);
Q_DECLARE_METATYPE(CommandFn)

namespace {
// A command run against the in-process module, with its output captured. "doc.vxt3" is an empty
// document held here, other names are read from files; the design rule check gives drcResult.
struct Cli
{
    InProcessModule module;
    std::shared_ptr<Document> document = std::make_shared<Document>();
    QTemporaryDir dir;
    int drcResult = 0;
    QString outText;
    QString errText;
    QTextStream out{&outText};
    QTextStream err{&errText};
    Context context;

    Cli()
    {
        module.memory.rom().setBusyMs(0);
        context.options.values.strAddr = QStringLiteral("127.0.0.1");
        context.options.values.udpPort = module.server.port();
        context.options.values.timeout = 1;
        context.options.bHost = context.options.bUdpPort = context.options.bTimeout = true;
        context.out = &out;
        context.err = &err;
        context.loadDocument = [this](const QString& name) -> std::shared_ptr<Document> {
            if (name == QLatin1String("doc.vxt3"))
                return document;
            QFile file(name);
            auto doc = std::make_shared<Document>();
            if (file.open(QIODevice::ReadOnly) && doc->parseFile(file.readAll()))
                return doc;
            err << name << ": No such file or directory.\n";
            return nullptr;
        };
        context.designRuleCheck = [this](BlockDiagram&, QString& report) {
            report = QStringLiteral("DRC report");
            return drcResult;
        };
    }

    int run(CommandFn command, const QStringList& args)
    {
        outText.clear();
        errText.clear();
        const int rc = command(context, args);
        out.flush();
        err.flush();
        return rc;
    }

    // A document of extra sheets (their entries make it larger), written to a file.
    QString writeDocument(const QString& name, int sheets, QByteArray* xml = nullptr)
    {
        Document doc;
        doc.info() = InfoOstrum::defaults(false);
        for (int i = 0; i < sheets; ++i)
            doc.newSheet();
        const QString path = dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(doc.toXml()) <= 0)
            return QString();
        if (xml)
            *xml = doc.toXml();
        return path;
    }
};
} // namespace

class TestDeviceCommands : public QObject
{
    Q_OBJECT
private slots:

    void refusals_data()
    {
        QTest::addColumn<int>("drc");
        QTest::addColumn<int>("protect");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("text"); // what the error output starts with
        QTest::newRow("design rule errors") << 2 << 0x03 << int(ExitFindings) << "DRC report\n";
        QTest::newRow("warnings go on") << -1 << 0x03 << int(ExitOk) << "DRC report\n";
        QTest::newRow("download, write-protected")
            << 0 << 0x02 << int(ExitFindings) << "The Register is write-protected.\n";
    }

    // Refused downloads write nothing; design rule errors never contact the module.
    void refusals()
    {
        QFETCH(int, drc);
        QFETCH(int, protect);
        QFETCH(int, rc);
        QFETCH(QString, text);
        Cli cli;
        cli.drcResult = drc;
        cli.module.memory.poke(ModuleMemory::PROTECT_ADDR, quint8(protect));
        QCOMPARE(cli.run(&download, {"doc.vxt3"}), rc);
        QVERIFY2(cli.errText.startsWith(text), qPrintable(cli.errText));
        if (rc != ExitOk)
            QVERIFY(cli.module.writes().isEmpty());
        if (drc > 0)
            QVERIFY(cli.module.requests.isEmpty());
    }

    void statusShowsRomInformation()
    {
        Cli cli;
        cli.module.memory.poke(0xFFFFFC3E, 4);
        cli.module.memory.write(0x100 + 2 * 112, "first run");
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

    void protectWritesOnlyChanges_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("writes");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("boot");
        QTest::newRow("unchanged writes nothing")
            << QStringList{"--current", "off", "--boot", "off"} << 0 << 0x03 << 0x03;
        // The EEPROM byte is written between enabling and disabling EEPROM writes.
        QTest::newRow("protect at boot") << QStringList{"--boot", "on"} << 3 << 0x03 << 0x02;
    }
    void protectWritesOnlyChanges()
    {
        QFETCH(QStringList, args);
        QFETCH(int, writes);
        Cli cli;
        QCOMPARE(cli.run(&protect, args), int(ExitOk));
        QCOMPARE(cli.module.writes().size(), writes);
        QTEST(int(cli.module.memory.peek(ModuleMemory::PROTECT_ADDR)), "current");
        QTEST(int(cli.module.memory.peek(0xFFFFFC3C)), "boot");
    }

    void userControlSetAndRead()
    {
        Cli cli;
        QCOMPARE(cli.run(&userControl, {"--set", "0x0205"}), int(ExitOk));
        QCOMPARE(cli.module.memory.peek(0x6E), quint8(0x02));
        QCOMPARE(cli.module.memory.peek(0x6F), quint8(0x05));
        QCOMPARE(cli.outText, QString("User control: 0x0205\n"));
        QCOMPARE(cli.run(&userControl, {}), int(ExitOk));
        QCOMPARE(cli.outText, QString("User control: 0x0205\n"));
    }

    // The settings go through the worker's EEPROM job, which closes EEPROM writing again.
    void eepromCommands()
    {
        Cli cli;
        QCOMPARE(cli.run(&eepromWrite, {"--ip", "10.0.0.5", "--tcp", "25", "--udp", "4661"}), int(ExitOk));
        QCOMPARE(cli.outText,
                 QString("Succeeded in Updating the Ostrum module.\nPlease reboot the Vextor.\n"));
        QCOMPARE(cli.module.memory.peek(QTamp::EEPROM_WRITE_ENABLE_ADDR), quint8(0xFF));
        QCOMPARE(cli.run(&eepromRead, {}), int(ExitOk));
        QVERIFY2(cli.outText.contains("\nIP Address : 10.0.0.5\nTCP Data Port : 25\n"),
                 qPrintable(cli.outText));
        QVERIFY(cli.outText.contains("\nUDP Port : 4661\n"));
    }

    void eepromFormat()
    {
        const QByteArray data = QByteArray::fromHex("02005e1000ab"     // MAC
                                                    "c0a80a10"         // 192.168.10.16
                                                    "00181f4005b41234" // ports and MSS
                                                    "03e813880bb8"
                                                    "0010" // the disconnect timer counts 256 ms steps
                                                    "006401f4");
        QCOMPARE(data.size(), NetSetup::EEPROM_LEN);
        QCOMPARE(NetSetup::formatEepromInfo(data), QString("MAC Address : 02:00:5e:10:00:ab"
                                                           "\nIP Address : 192.168.10.16"
                                                           "\nTCP Data Port : 24"
                                                           "\nTCP Command Port : 8000"
                                                           "\nTCP Max Segment Size : 1460"
                                                           "\nUDP Port : 4660"
                                                           "\nTCP Keep Alive(buffer not empty) : 1000msec"
                                                           "\nTCP Keep Alive(buffer empty) : 5000msec"
                                                           "\nTCP Timeout (Connecting) : 3000msec"
                                                           "\nTCP Timeout (Disconnect) : 4096msec"
                                                           "\nTCP Re-Connect Interval : 100msec"
                                                           "\nTCP Re-transmition Timer : 500msec"));
    }

    void eepromInputChecks_data()
    {
        QTest::addColumn<QStringList>("input"); // address, TCP port, UDP port
        QTest::addColumn<QString>("warning");
        QTest::newRow("valid") << QStringList{"192.168.10.17", "24", "65535"} << QString();
        QTest::newRow("three parts") << QStringList{"192.168.10", "24", "4660"}
                                     << "192.168.10 is invalid address.";
        QTest::newRow("address first") << QStringList{"1.2.3", "x", "y"} << "1.2.3 is invalid address.";
    }
    void eepromInputChecks()
    {
        QFETCH(QStringList, input);
        NetSetup setup;
        QTEST(setup.setNewSettings(input.at(0), input.at(1), input.at(2)), "warning");
    }

    // The version byte is answered; from the first write on the module is silent.
    void silentModuleCannotBeAccessed()
    {
        InProcessModule module;
        NetSetup setup;
        setup.setTarget("127.0.0.1", "4660");
        QCOMPARE(setup.setNewSettings("10.1.2.3", "24", "4660"), QString());
        QUdpThread worker;
        module.target(worker);
        worker.SetRetry(1);
        worker.setData(&setup);
        QObject::connect(&module.server, &TampServer::requestReceived, &module.server,
                         [&module](const QByteArray& r) {
                             if (quint8(r.at(1)) == TampServer::TAMP_WR)
                                 module.server.setFaults({1.0, false, false, 0});
                         });
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY(!outcome.bOk);
        QCOMPARE(
            outcome.errors,
            QStringList{"Can't access Ostrum Module(127.0.0.1:4660).\nPlease check network connectivity."});
    }

    void refusedBeforeContact_data()
    {
        QTest::addColumn<CommandFn>("command");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("rc");
        QTest::addColumn<QString>("text"); // part of the error output
        const auto row = [](const char* tag, CommandFn command, const QStringList& args, const QString& text,
                            int rc = ExitUsage) { QTest::newRow(tag) << command << args << rc << text; };
        row("download of a missing file", &download, {"nothing.vxt3"}, "nothing.vxt3: No such file",
            ExitInput);
        row("comment too long in UTF-8", &RomCommands::romSave,
            {"x.vxt3", "1", "--comment", QString(57, QChar(0xE9))},
            "The length of the user comment should be at most 112 bytes.");
        row("empty comment", &RomCommands::romSave, {"x.vxt3", "1", "--comment", ""},
            "Please give it a user comment.");
        row("slot 16", &RomCommands::romSave, {"x.vxt3", "16"}, "slot");
        row("sync with slot", &RomCommands::sync, {"3"}, "no slot");
    }
    void refusedBeforeContact()
    {
        QFETCH(CommandFn, command);
        QFETCH(QStringList, args);
        QFETCH(QString, text);
        Cli cli;
        QTEST(cli.run(command, args), "rc");
        QVERIFY(!cli.errText.isEmpty());
        QVERIFY2(cli.errText.contains(text), qPrintable(cli.errText));
        QVERIFY(cli.module.requests.isEmpty());
    }

    void romSaveRestoreAndSync()
    {
        Cli cli;
        QByteArray xml;
        const QString doc = cli.writeDocument("run 12.vxt3", 2, &xml);
        QCOMPARE(cli.run(&download, {doc}), int(ExitOk));
        QCOMPARE(cli.run(&RomCommands::romSave, {doc, "4"}), 0);
        // The comment defaults to the file name.
        QCOMPARE(cli.module.memory.rom().userRom().mid(4 * 112, 12), QByteArray("run 12.vxt3\0", 12));

        const QString restored = cli.dir.filePath("restored.vxt3");
        QCOMPARE(cli.run(&RomCommands::romRestore, {"4", "--out", restored}), 0);
        QVERIFY(cli.errText.contains("ROM4-run 12.vxt3"));
        QFile file(restored);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), xml);

        QCOMPARE(cli.run(&RomCommands::sync, {}), 0);
        QCOMPARE(cli.outText.toUtf8(), xml);
        QCOMPARE(cli.errText.trimmed(), QString("ROM4-run 12.vxt3"));

        // Saving again with the same comment leaves the user area alone.
        cli.module.requests.clear();
        QCOMPARE(cli.run(&RomCommands::romSave, {doc, "4", "--comment", "run 12.vxt3"}), 0);
        QVERIFY(!cli.module.writes().contains(qMakePair(quint32(0x100 + 4 * 112), 112)));
    }

    void romSaveOfUndownloadedDocument()
    {
        Cli cli;
        const QString doc = cli.writeDocument("a.vxt3", 0);
        QCOMPARE(cli.run(&download, {doc}), int(ExitOk));
        cli.module.memory.write(0x2000, QByteArray(16, '\xAA')); // the module now differs
        QCOMPARE(cli.run(&RomCommands::romSave, {doc, "2", "--comment", "first"}), 1);
        QVERIFY(cli.errText.contains("The displayed data have not been yet downloaded."));
        QCOMPARE(cli.module.memory.rom().fatEntry(2), quint16(0xFEFE));
    }

    void romMemoryFull()
    {
        Cli cli;
        cli.module.memory.rom().setDataPages(0);
        QByteArray xml;
        const QString doc = cli.writeDocument("big.vxt3", 200, &xml);
        QVERIFY(xml.size() >= 4096);
        QCOMPARE(cli.run(&RomCommands::romSave, {doc, "1", "--force"}), 1);
        QVERIFY(cli.errText.contains("Memory Full: The GUI information could not be saved."));
        QCOMPARE(cli.module.memory.rom().fatEntry(1), quint16(0xFEFE));
    }

    void romNegativeResults()
    {
        Cli cli;
        QCOMPARE(cli.run(&RomCommands::romRestore, {"7"}), 1);
        QVERIFY(cli.errText.contains("ROM7: There is no data to be displayed."));

        cli.module.memory.write(0x0040, QByteArray(1, '\x33')); // registers changed since the load
        QCOMPARE(cli.run(&RomCommands::sync, {}), 1);
        QVERIFY(cli.errText.contains("Register settings are already modified."));

        cli.module.memory.poke(QUdpThread::ADDR_ROM_PROTECT, 0x00);
        QCOMPARE(cli.run(&RomCommands::romRestore, {"7"}), 1);
        QVERIFY(cli.errText.contains("The Register is write-protected."));
    }

    void romBootAndInitialise()
    {
        Cli cli;
        RomStore& rom = cli.module.memory.rom();
        QCOMPARE(cli.run(&RomCommands::romBoot, {"3"}), 0);
        QCOMPARE(cli.module.memory.peek(QUdpThread::ADDR_ROM_DEFAULT), quint8(3));
        const QString doc = cli.writeDocument("b.vxt3", 0);
        QCOMPARE(cli.run(&RomCommands::romSave, {doc, "5", "--force"}), 0);
        QVERIFY(rom.fatEntry(5) != 0xFEFE);

        QCOMPARE(cli.run(&RomCommands::romInit, {}), 0);
        QCOMPARE(cli.module.memory.peek(QUdpThread::ADDR_ROM_DEFAULT), quint8(0));
        QCOMPARE(rom.page(RomStore::PAGE_FAT), RomStore::freshFat());
        QCOMPARE(rom.userRom(), QByteArray(0x700, '\0'));
        for (int slot = 0; slot < 16; ++slot)
            QVERIFY(rom.hasImage(slot));
        QVERIFY(!(cli.module.memory.peek(QUdpThread::ADDR_ROM_PROTECT) & 0x02));
    }
};

QTEST_GUILESS_MAIN(TestDeviceCommands)
#include "tst_deviceCommands.moc"
