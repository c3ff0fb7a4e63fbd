#include "sim/counterStream.h"

#include <QTcpSocket>
#include <QtEndian>
#include <QtTest>

#include <memory>

namespace {

using Registers = QMap<quint32, quint8>;

// Connects a client and collects the words the stream sends for the given time (or until count
// words have arrived).
QVector<quint64> receive(CounterStream& stream, int milliseconds, int count = -1)
{
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, stream.port());
    QByteArray bytes;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < milliseconds && (count < 0 || bytes.size() < count * 8)) {
        QTest::qWait(10);
        bytes += client.readAll();
    }
    QVector<quint64> words;
    const int n = count < 0 ? bytes.size() / 8 : qMin(count, bytes.size() / 8);
    for (int i = 0; i < n; ++i)
        words.append(qFromBigEndian<quint64>(bytes.constData() + i * 8));
    return words;
}

QSet<int> countersOf(const QVector<quint64>& words)
{
    QSet<int> counters;
    for (quint64 word : words)
        counters.insert(int(word >> 56) - 0x10);
    return counters;
}

} // namespace

class TestCounterStream : public QObject
{
    Q_OBJECT

private slots:
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
        QFETCH(QSet<int>, streaming);

        CounterStream stream;
        QVERIFY(stream.listen(QHostAddress::LocalHost, 0));
        stream.setRate(4000);
        stream.setRegisterReader([registers](quint32 address) { return registers.value(address); });
        const QVector<quint64> words = receive(stream, 400);
        QCOMPARE(countersOf(words), streaming);
    }

    // The same seed gives the same values on every connection; time-type counters send gate lengths
    // around (counter + 1) * 100 us, event counters counts around (counter + 1) * 1000.
    void seededValues()
    {
        Registers registers{{0x60 + 0, 0x01}, {0x60 + 1, 0x01}, {0x60 + 2, 0x09}, {0x60 + 3, 0x0A}};
        CounterStream stream;
        QVERIFY(stream.listen(QHostAddress::LocalHost, 0));
        stream.setRegisterReader([&registers](quint32 address) { return registers.value(address); });
        stream.setSeed(7);
        const QVector<quint64> first = receive(stream, 3000, 1000);
        QCOMPARE(first.size(), 1000);
        QCOMPARE(receive(stream, 3000, 1000), first);

        for (int i = 0; i < first.size(); ++i) {
            const int counter = int(first[i] >> 56) - 0x10;
            QCOMPARE(counter, i % 4);
            const quint64 value = first[i] & ((1ULL << 56) - 1);
            const quint64 base = quint64(counter + 1) * (counter >= 2 ? 1000 : 100000);
            QVERIFY2(value >= base && value < base + base / 10, qPrintable(QString::number(value)));
        }
    }
};

QTEST_GUILESS_MAIN(TestCounterStream)
#include "tst_counterstream.moc"
