#include "device/qtamp.h"
#include "tests/device/scriptedPeer.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {
// The client driven directly from the test thread; the peer answers from its own thread.
class TampProbe : public QTamp
{
public:
    using QTamp::closeSocket;
    using QTamp::startUDP;
    using QTamp::strError;

    explicit TampProbe(quint16 port)
    {
        SetIpAddress(QHostAddress(QHostAddress::LocalHost), port, 0);
        SetTimeout(1);
        SetRetry(1);
        startUDP();
    }
    ~TampProbe() override { closeSocket(); }
};

// Answers reads with bytes equal to the low byte of their address, acknowledges writes.
QList<QByteArray> echoModule(const QByteArray& request, int)
{
    QByteArray data;
    if (quint8(request.at(1)) == QTamp::TAMP_RD) {
        for (int i = 0; i < ScriptedPeer::lengthOf(request); ++i)
            data.append(char(ScriptedPeer::addressOf(request) + quint32(i)));
    }
    return {ScriptedPeer::reply(request, data)};
}

QTamp::ErrSts thrownBy(const std::function<void()>& call)
{
    try {
        call();
    } catch (QTamp::ErrSts e) {
        return e;
    }
    return QTamp::Unknown;
}
} // namespace

class TestQTamp : public QObject
{
    Q_OBJECT
private slots:
    void chunking_data()
    {
        QTest::addColumn<bool>("bWrite");
        QTest::addColumn<int>("length");
        QTest::addColumn<QList<int>>("packets");
        QTest::newRow("write 300") << true << 300 << QList<int>{128, 128, 44};
        QTest::newRow("read 129") << false << 129 << QList<int>{128, 1};
        QTest::newRow("write 0") << true << 0 << QList<int>{};
    }
    void chunking()
    {
        QFETCH(bool, bWrite);
        QFETCH(int, length);
        QFETCH(QList<int>, packets);
        ScriptedPeer peer(echoModule);
        TampProbe tamp(peer.port());
        const quint32 base = 0x2000;
        QByteArray data(length, 'd');
        const quint32 n = bWrite ? tamp.Write(base, data.constData(), quint32(length))
                                 : tamp.Read(base, data.data(), quint32(length));
        QCOMPARE(n, quint32(length));
        const QList<QByteArray> requests = peer.requests();
        QCOMPARE(requests.size(), packets.size());
        quint32 offset = 0;
        for (int i = 0; i < packets.size(); ++i) {
            const QByteArray& r = requests.at(i);
            QCOMPARE(quint8(r.at(0)), QTamp::TAMP_VER);
            QCOMPARE(quint8(r.at(1)), bWrite ? QTamp::TAMP_WR : QTamp::TAMP_RD);
            QCOMPARE(ScriptedPeer::lengthOf(r), packets.at(i));
            QCOMPARE(ScriptedPeer::addressOf(r), base + offset);
            if (bWrite)
                QCOMPARE(r.mid(8), data.mid(int(offset), packets.at(i)));
            else
                QCOMPARE(r.size(), 8);
            offset += quint32(packets.at(i));
        }
    }

    void failures_data()
    {
        QTest::addColumn<int>("peer"); // 0: bus error reply, 1: 7-byte reply, 2: silent, 3: silent once
        QTest::addColumn<bool>("bWrite");
        QTest::addColumn<bool>("bAbort");
        QTest::addColumn<int>("error"); // Unknown: none
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("text");
        QTest::newRow("bus error on read is not retried")
            << 0 << false << false << int(QTamp::BusErr) << 1
            << "read address: 0x00001234\nlength: 4\n\nQTamp: Bus Error";
        QTest::newRow("short datagram") << 1 << false << false << int(QTamp::SockErr) << 1 << QString();
        QTest::newRow("silence, every attempt")
            << 2 << true << false << int(QTamp::Timeout) << 2
            << "write address: 0x00001234\nlength: 4\n\nQTamp: Socket operation timed out";
        QTest::newRow("silence, then an answer")
            << 3 << false << false << int(QTamp::Unknown) << 2 << QString();
        QTest::newRow("abort before sending") << 3 << false << true << int(QTamp::Aborted) << 0 << QString();
    }
    void failures()
    {
        QFETCH(int, peer);
        QFETCH(bool, bWrite);
        QFETCH(bool, bAbort);
        QFETCH(QString, text);
        ScriptedPeer module([peer](const QByteArray& request, int index) -> QList<QByteArray> {
            if (peer == 0)
                return {ScriptedPeer::reply(request, {}, true)};
            if (peer == 1)
                return {request.left(7)};
            if (peer == 3 && index > 0)
                return echoModule(request, index);
            return {};
        });
        TampProbe tamp(module.port()); // 1 s budget, 2 attempts
        if (bAbort)
            tamp.Abort();
        QByteArray buffer(4, 'b');
        QElapsedTimer timer;
        timer.start();
        const QTamp::ErrSts e = thrownBy([&] {
            if (bWrite)
                tamp.Write(0x1234, buffer.constData(), 4);
            else
                QCOMPARE(tamp.Read(0x1234, buffer.data(), 4), quint32(4));
        });
        const qint64 elapsed = timer.elapsed();
        QTEST(int(e), "error");
        const QList<QByteArray> requests = module.requests();
        QTEST(int(requests.size()), "requests");
        if (e == QTamp::Unknown)
            QCOMPARE(buffer, QByteArray("\x34\x35\x36\x37"));
        if (e == QTamp::Timeout) {
            QVERIFY2(elapsed >= 1900 && elapsed < 3000, qPrintable(QString::number(elapsed)));
            QVERIFY(requests.at(0).at(2) != requests.at(1).at(2)); // every attempt is a fresh command
        }
        if (!text.isEmpty()) {
            tamp.strError(e);
            QCOMPARE(tamp.errorText(), text);
        }
    }

    void idsWrapAfter127()
    {
        ScriptedPeer peer(echoModule);
        TampProbe tamp(peer.port());
        char byte = 0;
        for (int i = 0; i < 130; ++i)
            QCOMPARE(tamp.Read(quint32(i), &byte), 1);
        const QList<QByteArray> requests = peer.requests();
        QCOMPARE(int(requests.at(0).at(2)), 1);
        QCOMPARE(int(requests.at(126).at(2)), 127);
        QCOMPARE(int(requests.at(127).at(2)), 0);
        QCOMPARE(int(requests.at(128).at(2)), 1);
    }

    void shortReadStopsTransfer()
    {
        // The second packet of each transfer carries 100 of its 128 bytes.
        ScriptedPeer peer([](const QByteArray& request, int index) {
            const int n = index % 2 == 1 ? 100 : ScriptedPeer::lengthOf(request);
            return QList<QByteArray>{ScriptedPeer::reply(request, QByteArray(n, 'r'))};
        });
        TampProbe tamp(peer.port());
        QByteArray buffer(300, '\0');
        QCOMPARE(tamp.Read(0x3000, buffer.data(), 300), quint32(128));
        QCOMPARE(peer.requests().size(), 2);

        const QTamp::ErrSts e = thrownBy([&] { tamp.ReadAll(0x3000, buffer.data(), 300); });
        QCOMPARE(e, QTamp::ReadErr);
        tamp.strError(e);
        QCOMPARE(
            tamp.errorText(),
            QString("address: 0x00003000\nrequest length: 300\nread length: 128\n\nQTamp: Unable to read"));
    }
};

QTEST_GUILESS_MAIN(TestQTamp)
#include "tst_qtamp.moc"
