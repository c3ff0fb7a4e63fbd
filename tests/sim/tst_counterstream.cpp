#include "sim/counterStream.h"

#include <QTcpSocket>
#include <QtTest>

using Registers = QMap<quint32, quint8>;

class TestCounterStream : public QObject
{
    Q_OBJECT
private slots:
    // A counter whose gate software controls streams once started (0x80 at 0x64 + counter); one
    // with a hardware gate (bits 0-1 of its mode at 0x60 + counter) streams at once.
    void gateRegisters_data()
    {
        QTest::addColumn<Registers>("registers");
        QTest::addColumn<QSet<int>>("streaming");
        QTest::newRow("software gates, none started") << Registers() << QSet<int>();
        QTest::newRow("software gate started") << Registers{{0x64 + 1, 0x80}} << QSet<int>{1};
        QTest::newRow("hardware gates stream unstarted")
            << Registers{{0x60 + 2, 0x01}, {0x60 + 3, 0x02}} << QSet<int>{2, 3};
    }
    void gateRegisters()
    {
        QFETCH(Registers, registers);
        CounterStream stream;
        QVERIFY(stream.listen(QHostAddress::LocalHost, 0));
        stream.setRate(4000);
        stream.setRegisterReader([registers](quint32 address) { return registers.value(address); });
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, stream.port());
        QTest::qWait(400);
        const QByteArray bytes = client.readAll();
        QSet<int> counters;
        for (int i = 0; i + 8 <= bytes.size(); i += 8) {
            QCOMPARE(quint8(bytes.at(i)) & 0xF0, 0x10); // the record tag
            counters.insert(bytes.at(i) & 0x0F);
        }
        QTEST(counters, "streaming");
    }
};

QTEST_GUILESS_MAIN(TestCounterStream)
#include "tst_counterstream.moc"
