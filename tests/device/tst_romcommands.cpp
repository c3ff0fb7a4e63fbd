#include "document.h"
#include "romCommands.h"
#include "romHarness.h"

#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

using DeviceCommands::Context;

using CommandFn = int (*)(const Context&, const QStringList&);
Q_DECLARE_METATYPE(CommandFn)

namespace {

// A ROM command run against the in-process module, with its output captured, and a document
// file whose connection settings name that module.
struct RomCli
{
    InProcessModule module;
    QTemporaryDir dir;
    QString outText;
    QString errText;
    QTextStream out{&outText};
    QTextStream err{&errText};
    Context context;

    RomCli()
    {
        module.memory.rom().setBusyMs(0);
        context.options.values.strAddr = QStringLiteral("127.0.0.1");
        context.options.values.udpPort = module.server.port();
        context.options.values.timeout = 1;
        context.options.bHost = context.options.bUdpPort = context.options.bTimeout = true;
        context.out = &out;
        context.err = &err;
        context.loadDocument = [this](const QString& fileName) -> std::shared_ptr<Document> {
            QFile file(fileName);
            auto doc = std::make_shared<Document>();
            if (file.open(QIODevice::ReadOnly) && doc->parseFile(file.readAll()))
                return doc;
            err << fileName << ": cannot be read\n";
            return nullptr;
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
        if (!file.open(QIODevice::WriteOnly))
            return QString();
        file.write(doc.toXml());
        if (xml)
            *xml = doc.toXml();
        return path;
    }

    // The module then holds the document's registers, as after the editor's download.
    bool download(const QString& path)
    {
        QFile file(path);
        Document doc;
        if (!file.open(QIODevice::ReadOnly) || !doc.parseFile(file.readAll()))
            return false;
        QUdpThread worker;
        module.target(worker);
        worker.setData(doc.diagram(), nullptr);
        return runWorker(worker).bOk;
    }
};
} // namespace

class TestRomCommands : public QObject
{
    Q_OBJECT
private slots:
    void saveRestoreAndSync();
    void saveOfUndownloadedDocument_data();
    void saveOfUndownloadedDocument();
    void memoryFull();
    void refusedBeforeContact_data();
    void refusedBeforeContact();
    void negativeResults();
    void bootAndInitialise();
};

void TestRomCommands::saveRestoreAndSync()
{
    RomCli cli;
    QByteArray xml;
    const QString doc = cli.writeDocument("run 12.vxt3", 2, &xml);
    QVERIFY(cli.download(doc));
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

void TestRomCommands::saveOfUndownloadedDocument_data()
{
    QTest::addColumn<bool>("bForce");
    QTest::newRow("refused") << false;
    QTest::newRow("forced") << true;
}

void TestRomCommands::saveOfUndownloadedDocument()
{
    QFETCH(bool, bForce);
    RomCli cli;
    const QString doc = cli.writeDocument("a.vxt3", 0);
    QVERIFY(cli.download(doc));
    cli.module.memory.write(0x2000, QByteArray(16, '\xAA')); // the module now differs
    QStringList args{doc, "2", "--comment", "first"};
    if (bForce)
        args << "--force";
    QCOMPARE(cli.run(&RomCommands::romSave, args), bForce ? 0 : 1);
    QCOMPARE(cli.errText.contains("The displayed data have not been yet downloaded."), !bForce);
    QCOMPARE(cli.module.memory.rom().fatEntry(2) != 0xFEFE, bForce);
}

void TestRomCommands::memoryFull()
{
    RomCli cli;
    cli.module.memory.rom().setDataPages(0);
    QByteArray xml;
    const QString doc = cli.writeDocument("big.vxt3", 200, &xml);
    QVERIFY(xml.size() >= 4096);
    QCOMPARE(cli.run(&RomCommands::romSave, {doc, "1", "--force"}), 1);
    QVERIFY(cli.errText.contains("Memory Full: The GUI information could not be saved."));
    QCOMPARE(cli.module.memory.rom().fatEntry(1), quint16(0xFEFE));
}

void TestRomCommands::refusedBeforeContact_data()
{
    QTest::addColumn<CommandFn>("command");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("text");
    QTest::newRow("comment too long in UTF-8")
        << CommandFn(&RomCommands::romSave)
        << QStringList{"x.vxt3", "1", "--comment", QString(57, QChar(0xE9))}
        << "The length of the user comment should be at most 112 bytes.";
    QTest::newRow("empty comment") << CommandFn(&RomCommands::romSave)
                                   << QStringList{"x.vxt3", "1", "--comment", ""}
                                   << "Please give it a user comment.";
    QTest::newRow("slot 16") << CommandFn(&RomCommands::romSave) << QStringList{"x.vxt3", "16"} << "slot";
    QTest::newRow("restore without slot") << CommandFn(&RomCommands::romRestore) << QStringList{} << "slot";
    QTest::newRow("boot slot word") << CommandFn(&RomCommands::romBoot) << QStringList{"two"} << "slot";
    QTest::newRow("sync with slot") << CommandFn(&RomCommands::sync) << QStringList{"3"} << "no slot";
}

void TestRomCommands::refusedBeforeContact()
{
    QFETCH(CommandFn, command);
    QFETCH(QStringList, args);
    QFETCH(QString, text);
    RomCli cli;
    QCOMPARE(cli.run(command, args), 64);
    QVERIFY2(cli.errText.contains(text), qPrintable(cli.errText));
    QVERIFY(cli.module.requests.isEmpty());
}

void TestRomCommands::negativeResults()
{
    RomCli cli;
    QCOMPARE(cli.run(&RomCommands::romRestore, {"7"}), 1);
    QVERIFY(cli.errText.contains("ROM7: There is no data to be displayed."));

    cli.module.memory.write(0x0040, QByteArray(1, '\x33')); // registers changed since the load
    QCOMPARE(cli.run(&RomCommands::sync, {}), 1);
    QVERIFY(cli.errText.contains("Register settings are already modified."));

    cli.module.memory.poke(QUdpThread::ADDR_ROM_PROTECT, 0x00);
    QCOMPARE(cli.run(&RomCommands::romRestore, {"7"}), 1);
    QVERIFY(cli.errText.contains("The Register is write-protected."));
}

void TestRomCommands::bootAndInitialise()
{
    RomCli cli;
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

QTEST_GUILESS_MAIN(TestRomCommands)
#include "tst_romcommands.moc"
