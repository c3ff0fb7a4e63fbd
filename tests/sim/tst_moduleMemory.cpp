#include "moduleMemory.h"
#include "tampServer.h"

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
} // namespace

class TestModuleMemory : public QObject
{
    Q_OBJECT
private slots:
    void mapping_data();
    void mapping();
    void replies_data();
    void replies();
    void protectionGuardsRegisters_data();
    void protectionGuardsRegisters();
};

void TestModuleMemory::mapping_data()
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

void TestModuleMemory::mapping()
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

void TestModuleMemory::replies_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("version read") << command(0xC0, 5, 0, 4) << command(0xC8, 5, 0, 4, "3.01");
    QTest::newRow("write acknowledged") << command(0x80, 6, 0x10, 2, "\x12\x34") << command(0x88, 6, 0x10, 2);
    QTest::newRow("read bus error") << command(0xC0, 7, 0x90, 1) << command(0xC9, 7, 0x90, 1);
    QTest::newRow("write bus error") << command(0x80, 8, 0x4000, 1, "x") << command(0x89, 8, 0x4000, 1);
    QTest::newRow("write shorter than its length")
        << command(0x80, 9, 0x10, 2, "x") << command(0x89, 9, 0x10, 2);
    QTest::newRow("unknown command ignored") << command(0x42, 1, 0, 1) << QByteArray();
    QTest::newRow("short datagram ignored") << command(0xC0, 1, 0, 1).left(7) << QByteArray();
}

void TestModuleMemory::replies()
{
    QFETCH(QByteArray, request);
    ModuleMemory memory;
    QTEST(TampServer::answer(memory, request), "reply");
}

void TestModuleMemory::protectionGuardsRegisters_data()
{
    QTest::addColumn<quint32>("address");
    QTest::addColumn<bool>("bGuarded");
    QTest::newRow("function register") << quint32(0x0010) << true;
    QTest::newRow("table") << quint32(0x3800) << true;
    QTest::newRow("protect register itself") << quint32(0xFFFFFF3C) << false;
}

void TestModuleMemory::protectionGuardsRegisters()
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

QTEST_GUILESS_MAIN(TestModuleMemory)
#include "tst_moduleMemory.moc"
