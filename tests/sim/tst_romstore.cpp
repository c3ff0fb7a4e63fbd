#include "../device/romHarness.h"

#include <QDataStream>
#include <QIODevice>
#include <QtTest>

namespace {
constexpr quint8 CMD = 0xFF;

void command(ModuleMemory& memory, quint32 address)
{
    QVERIFY(memory.write(address, QByteArray(1, char(CMD))));
}

void selectPage(ModuleMemory& memory, int page)
{
    QByteArray number;
    QUdpThread::addValue(number, quint32(page));
    QVERIFY(memory.write(RomStore::ADDR_ROM2_NUM, number));
}

QByteArray readBytes(ModuleMemory& memory, quint32 address, int length)
{
    QByteArray out;
    memory.read(address, length, out);
    return out;
}

// Status block: (busy, bytes done).
QPair<bool, quint32> status(ModuleMemory& memory)
{
    const QByteArray s = readBytes(memory, RomStore::ADDR_ROM_STAT, RomStore::STAT_SIZE);
    quint32 done = 0;
    for (int i = 3; i < 7; ++i)
        done = (done << 8) | quint8(s.at(i));
    return qMakePair(s.at(0) != 0, done);
}

} // namespace

class TestRomStore : public QObject
{
    Q_OBJECT
private slots:
    void freshModule();
    void storingNeedsRomWriting_data();
    void storingNeedsRomWriting();
    void busyTimeAndProgress();
    void abort_data();
    void abort();
    void pageLimitSurvivesANewFat();
    void stateRoundTrip();
    void olderStateLoadsWithFreshRom();
};

void TestRomStore::freshModule()
{
    ModuleMemory memory;
    RomStore& rom = memory.rom();
    QCOMPARE(rom.page(RomStore::PAGE_FAT), RomStore::freshFat());
    for (int page = 0; page < 16; ++page)
        QCOMPARE(rom.fatEntry(page), quint16(0xFEFE));
    QCOMPARE(rom.fatEntry(16), quint16(0xFFFF));
    QCOMPARE(rom.fatEntry(2046), quint16(0xFFFF));
    QCOMPARE(rom.fatEntry(2047), quint16(0xFEFE));
}

void TestRomStore::storingNeedsRomWriting_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<bool>("bStoring");
    QTest::newRow("slot store") << quint32(0x8053) << true;
    QTest::newRow("user area store") << quint32(0x8040) << true;
    QTest::newRow("page program") << quint32(0x8104) << true;
    QTest::newRow("slot load") << quint32(0x8073) << false;
    QTest::newRow("page read") << quint32(0x8105) << false;
}

void TestRomStore::storingNeedsRomWriting()
{
    QFETCH(quint32, address);
    QFETCH(bool, bStoring);
    ModuleMemory memory;
    RomStore& rom = memory.rom();
    rom.setBusyMs(0);
    QVERIFY(memory.write(0xFFFFFF3C, QByteArray(1, '\x01'))); // bit 1 clear
    QVERIFY(memory.write(RomStore::WINDOW_BEGIN, QByteArray("page")));
    selectPage(memory, 20);
    command(memory, address);
    QCOMPARE(rom.refusedCommands(), bStoring ? 1 : 0);
    QVERIFY(!rom.hasImage(3));
    QCOMPARE(rom.page(20), QByteArray(4096, char(0xFF)));
}

void TestRomStore::busyTimeAndProgress()
{
    ModuleMemory memory;
    RomStore& rom = memory.rom();
    rom.setBusyMs(200);
    QVERIFY(memory.write(RomStore::WINDOW_BEGIN, QByteArray("first")));
    selectPage(memory, 30);
    command(memory, RomStore::ADDR_ROM2_WRITE);
    QTest::qWait(50);
    const auto early = status(memory);
    QVERIFY(early.first);
    QVERIFY(early.second > 0 && early.second < 4096);
    QCOMPARE(rom.page(30), QByteArray(4096, char(0xFF))); // not yet programmed

    // A second command while busy is ignored.
    selectPage(memory, 31);
    command(memory, RomStore::ADDR_ROM2_WRITE);
    QCOMPARE(rom.refusedCommands(), 1);
    QTest::qWait(50);
    QVERIFY(status(memory).second >= early.second);

    QTRY_VERIFY_WITH_TIMEOUT(!status(memory).first, 2000);
    QCOMPARE(status(memory).second, quint32(4096));
    QCOMPARE(rom.page(30).left(5), QByteArray("first"));
}

void TestRomStore::abort_data()
{
    QTest::addColumn<bool>("bRead");
    QTest::newRow("program dropped") << false;
    QTest::newRow("read partial") << true;
}

void TestRomStore::abort()
{
    QFETCH(bool, bRead);
    ModuleMemory memory;
    RomStore& rom = memory.rom();
    rom.setPage(40, QByteArray(4096, 'p'));
    rom.setBusyMs(400);
    QVERIFY(memory.write(RomStore::WINDOW_BEGIN, QByteArray(4096, 'w')));
    selectPage(memory, 40);
    command(memory, bRead ? RomStore::ADDR_ROM2_READ : RomStore::ADDR_ROM2_WRITE);
    QTest::qWait(100);
    command(memory, RomStore::ADDR_ROM_ABORT);
    const auto after = status(memory);
    QVERIFY(!after.first);
    QVERIFY(after.second > 0 && after.second < 4096);
    QCOMPARE(rom.aborts(), 1);
    QCOMPARE(rom.page(40), QByteArray(4096, 'p'));
    const QByteArray window = readBytes(memory, RomStore::WINDOW_BEGIN, 4096);
    if (bRead) {
        const int done = int(after.second);
        QCOMPARE(window, QByteArray(done, 'p') + QByteArray(4096 - done, 'w'));
    } else {
        QCOMPARE(window, QByteArray(4096, 'w'));
    }
}

void TestRomStore::pageLimitSurvivesANewFat()
{
    ModuleMemory memory;
    RomStore& rom = memory.rom();
    rom.setBusyMs(0);
    rom.setDataPages(4);
    QVERIFY(memory.write(RomStore::WINDOW_BEGIN, RomStore::freshFat()));
    selectPage(memory, 2047);
    command(memory, RomStore::ADDR_ROM2_WRITE);
    QCOMPARE(rom.fatEntry(19), quint16(0xFFFF));
    QCOMPARE(rom.fatEntry(20), quint16(0xFEFE));
    QCOMPARE(rom.fatEntry(2046), quint16(0xFEFE));
}

void TestRomStore::stateRoundTrip()
{
    ModuleMemory a;
    a.rom().setBusyMs(0);
    QVERIFY(a.write(0x0010, QByteArray("\x77", 1)));
    command(a, RomStore::ADDR_ROM_WRITE + 2);
    QVERIFY(a.write(0x0010, QByteArray("\x99", 1)));
    a.poke(RomStore::ADDR_BOOT_SLOT, 2);
    QVERIFY(a.write(RomStore::WINDOW_BEGIN, QByteArray("page data")));
    selectPage(a, 100);
    command(a, RomStore::ADDR_ROM2_WRITE);
    a.rom().setFatEntry(2, 0x8008);

    ModuleMemory b;
    QVERIFY(b.loadState(a.saveState()));
    QCOMPARE(b.rom().image(2), a.rom().image(2));
    QCOMPARE(b.rom().page(100).left(9), QByteArray("page data"));
    QCOMPARE(b.rom().fatEntry(2), quint16(0x8008));
    // Power-on loads the boot slot.
    QCOMPARE(b.peek(0x0010), quint8(0x77));
    QCOMPARE(b.peek(RomStore::ADDR_ROM_NUMBER), quint8(2));
}

void TestRomStore::olderStateLoadsWithFreshRom()
{
    ModuleMemory a;
    QVERIFY(a.write(0x0100, QByteArray("kept")));
    // A state as the first format wrote it: the stores only.
    QMap<QString, QByteArray> stores;
    for (const char* name :
         {ModuleMemory::STORE_VERSION, ModuleMemory::STORE_REGISTERS, ModuleMemory::STORE_USER,
          ModuleMemory::STORE_TABLES, ModuleMemory::STORE_PROTECT, ModuleMemory::STORE_EEPROM})
        stores[name] = a.store(QString::fromLatin1(name));
    QByteArray old;
    QDataStream out(&old, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << QByteArray("VXSIM1") << stores;

    ModuleMemory b;
    b.rom().setPage(50, "stale");
    QVERIFY(b.loadState(old));
    QCOMPARE(readBytes(b, 0x0100, 4), QByteArray("kept"));
    QCOMPARE(b.rom().page(RomStore::PAGE_FAT), RomStore::freshFat());
    QCOMPARE(b.rom().page(50), QByteArray(4096, char(0xFF)));
    QVERIFY(!b.loadState(QByteArray("VXSIM9")));
}

QTEST_GUILESS_MAIN(TestRomStore)
#include "tst_romstore.moc"
