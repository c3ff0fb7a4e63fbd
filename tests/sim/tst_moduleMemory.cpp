#include "tests/device/romHarness.h"

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
        QTest::newRow("after the tables") << quint32(0x4000) << 1 << false;
        QTest::newRow("network EEPROM") << quint32(0xFFFFFC00) << 256 << true;
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
        QTest::newRow("write shorter than its length")
            << command(0x80, 9, 0x10, 2, "x") << command(0x89, 9, 0x10, 2);
        QTest::newRow("unknown command ignored") << command(0x42, 1, 0, 1) << QByteArray();
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

    // A FAT written anew keeps the simulated page limit: pages beyond it stay reserved.
    void pageLimitSurvivesANewFat()
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
    }

    void storingNeedsRomWriting_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<bool>("bStoring");
        QTest::newRow("slot store") << quint32(0x8053) << true;
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
