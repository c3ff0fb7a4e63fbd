#include "sim/moduleMemory.h"
#include "sim/romStore.h"
#include "sim/tampServer.h"

#include <QtTest>

namespace {
// A TAMP datagram: version, command, id, length, address (big-endian), data.
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
    void replies_data()
    {
        QTest::addColumn<QByteArray>("request");
        QTest::addColumn<QByteArray>("reply");
        QTest::newRow("version read") << command(0xC0, 5, 0, 4) << command(0xC8, 5, 0, 4, "3.01");
        QTest::newRow("write acknowledged")
            << command(0x80, 6, 0x10, 2, "\x12\x34") << command(0x88, 6, 0x10, 2);
        QTest::newRow("read after the tables") << command(0xC0, 7, 0x4000, 1) << command(0xC9, 7, 0x4000, 1);
        QTest::newRow("write shorter than its length")
            << command(0x80, 9, 0x10, 2, "x") << command(0x89, 9, 0x10, 2);
        QTest::newRow("unknown command ignored") << command(0x42, 1, 0, 1) << QByteArray();
    }
    void replies()
    {
        QFETCH(QByteArray, request);
        ModuleMemory memory;
        QTEST(TampServer::answer(memory, request), "reply");
        QCOMPARE(memory.peek(0x11),
                 quint8(request.size() == 10 ? 0x34 : 0x00)); // a refused write writes nothing
    }

    // Registers are guarded by bit 0 of the protect register, commands that store by its bit 1.
    void protection_data()
    {
        QTest::addColumn<quint32>("address");
        QTest::addColumn<int>("protect");
        QTest::addColumn<bool>("bTaken");
        QTest::newRow("function register, protected") << quint32(0x0010) << 0x02 << false;
        QTest::newRow("table, writable") << quint32(0x3800) << 0x01 << true;
        QTest::newRow("slot store, ROM writing off") << quint32(0x8053) << 0x01 << false;
        QTest::newRow("page read, ROM writing off") << quint32(0x8105) << 0x01 << true;
    }
    void protection()
    {
        QFETCH(quint32, address);
        QFETCH(int, protect);
        QFETCH(bool, bTaken);
        ModuleMemory memory;
        memory.rom().setBusyMs(0);
        QVERIFY(memory.write(0xFFFFFF3C, QByteArray(1, char(protect))));
        QVERIFY(memory.write(0x8100, QByteArray::fromHex("00000014"))); // page 20
        QVERIFY(memory.write(address, QByteArray(1, '\xFF')));
        QCOMPARE(address < 0x8000 ? memory.peek(address) == 0xFF : memory.rom().refusedCommands() == 0,
                 bTaken);
        QVERIFY(!memory.rom().hasImage(3));
        QVERIFY(memory.write(0, QByteArray("9999"))); // version bytes never change through the protocol
        QCOMPARE(memory.peek(0), quint8('3'));
    }
};

QTEST_GUILESS_MAIN(TestModuleMemory)
#include "tst_moduleMemory.moc"
