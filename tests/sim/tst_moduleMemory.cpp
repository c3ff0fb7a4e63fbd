#include "../device/romHarness.h"

#include <QDataStream>
#include <QIODevice>

#include <QtTest>

namespace {
QByteArray command(quint8 cmd, quint8 id, quint32 addr, quint8 length, const QByteArray& data = QByteArray())
{
    QByteArray r;
    r.append(char(0xFF)).append(char(cmd)).append(char(id)).append(char(length));
    for (int shift = 24; shift >= 0; shift -= 8)
        r.append(char(addr >> shift));
    return r + data;
}

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

class TestModuleMemory : public QObject
{
    Q_OBJECT
private slots:
    void mapping_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("length");
        QTest::addColumn<bool>("bMapped");
        QTest::newRow("version and registers") << quint32(0x0000) << 0x90 << true;
        QTest::newRow("past the registers") << quint32(0x008F) << 2 << false;
        QTest::newRow("user area") << quint32(0x0100) << 0x700 << true;
        QTest::newRow("tables") << quint32(0x2000) << 0x2000 << true;
        QTest::newRow("after the tables") << quint32(0x4000) << 1 << false;
        QTest::newRow("next to protect") << quint32(0xFFFFFF3D) << 1 << false;
        QTest::newRow("network EEPROM") << quint32(0xFFFFFC00) << 256 << true;
        QTest::newRow("gap after the ROM number") << quint32(0x8009) << 1 << false;
    }
    void mapping()
    {
        QFETCH(quint32, address);
        QFETCH(int, length);
        QFETCH(bool, bMapped);
        ModuleMemory memory;
        QByteArray out;
        QCOMPARE(memory.read(address, length, out), bMapped);
        const quint64 before = memory.changeCount();
        QCOMPARE(memory.write(address, QByteArray(length, '\x01')), bMapped);
        if (!bMapped)
            QCOMPARE(memory.changeCount(), before); // a bus error writes nothing
    }

    void replies_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("version read") << command(0xC0, 5, 0, 4) << command(0xC8, 5, 0, 4, "3.01");
        QTest::newRow("write acknowledged")
            << command(0x80, 6, 0x10, 2, "\x12\x34") << command(0x88, 6, 0x10, 2);
        QTest::newRow("read bus error") << command(0xC0, 7, 0x90, 1) << command(0xC9, 7, 0x90, 1);
        QTest::newRow("write bus error") << command(0x80, 8, 0x4000, 1, "x") << command(0x89, 8, 0x4000, 1);
        QTest::newRow("write shorter than its length")
            << command(0x80, 9, 0x10, 2, "x") << command(0x89, 9, 0x10, 2);
        QTest::newRow("unknown command ignored") << command(0x42, 1, 0, 1) << QByteArray();
        QTest::newRow("short datagram ignored") << command(0xC0, 1, 0, 1).left(7) << QByteArray();
    }
    void replies()
    {
        QFETCH(QByteArray, request);
        ModuleMemory memory;
        QTEST(TampServer::answer(memory, request), "reply");
    }

    void protectionGuardsRegisters_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<bool>("bGuarded");
        QTest::newRow("function register") << quint32(0x0010) << true;
        QTest::newRow("table") << quint32(0x3800) << true;
        QTest::newRow("protect register itself") << quint32(0xFFFFFF3C) << false;
    }
    void protectionGuardsRegisters()
    {
        QFETCH(quint32, address);
        QFETCH(bool, bGuarded);
        ModuleMemory memory;
        QVERIFY(memory.write(ModuleMemory::PROTECT_ADDR, QByteArray(1, '\x02')));
        QVERIFY(memory.write(address, QByteArray(1, '\x02' | '\x40')));
        QCOMPARE(memory.peek(address), quint8(bGuarded ? 0x00 : 0x42));
        // Version bytes never change through the protocol.
        QVERIFY(memory.write(0, QByteArray("9999")));
        QCOMPARE(memory.peek(0), quint8('3'));
    }

    void freshFat_data()
    {
        QTest::addColumn<int>("dataPages"); // -1: the whole store
        QTest::addColumn<QList<int>>("reserved");
        QTest::addColumn<QList<int>>("free");
        QTest::newRow("fresh module") << -1 << QList<int>{0, 15, 2047} << QList<int>{16, 2046};
        QTest::newRow("page limit survives a new FAT") << 4 << QList<int>{20, 2046} << QList<int>{19};
    }

    // Slot pages and the FAT page are reserved, data pages free; a FAT written anew keeps the limit.
    void freshFat()
    {
        QFETCH(int, dataPages);
        QFETCH(QList<int>, reserved);
        QFETCH(QList<int>, free);
        ModuleMemory memory;
        RomStore& rom = memory.rom();
        QCOMPARE(rom.page(RomStore::PAGE_FAT), RomStore::freshFat());
        if (dataPages >= 0) {
            rom.setBusyMs(0);
            rom.setDataPages(dataPages);
            QVERIFY(memory.write(RomStore::WINDOW_BEGIN, RomStore::freshFat()));
            selectPage(memory, 2047);
            command(memory, RomStore::ADDR_ROM2_WRITE);
        }
        for (int page : reserved)
            QCOMPARE(rom.fatEntry(page), quint16(0xFEFE));
        for (int page : free)
            QCOMPARE(rom.fatEntry(page), quint16(0xFFFF));
    }

    void storingNeedsRomWriting_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<bool>("bStoring");
        QTest::newRow("slot store") << quint32(0x8053) << true;
        QTest::newRow("user area store") << quint32(0x8040) << true;
        QTest::newRow("page program") << quint32(0x8104) << true;
        QTest::newRow("slot load") << quint32(0x8073) << false;
        QTest::newRow("page read") << quint32(0x8105) << false;
    }
    void storingNeedsRomWriting()
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

    void busyTimeAndProgress()
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

    void abort_data()
    {
        QTest::addColumn<bool>("bRead");
        QTest::newRow("program dropped") << false;
        QTest::newRow("read partial") << true;
    }
    void abort()
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

    void stateRoundTrip()
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

    void olderStateLoadsWithFreshRom()
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
};

QTEST_GUILESS_MAIN(TestModuleMemory)
#include "tst_moduleMemory.moc"
