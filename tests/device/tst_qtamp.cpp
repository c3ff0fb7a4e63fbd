#include "device/qtamp.h"
#include "tests/support/scriptedPeer.h"

#include <QtTest>

namespace {
// The client driven from the test thread: two attempts of two 100 ms waits, or the default.
class TampProbe : public QTamp
{
public:
    using QTamp::strError;

    explicit TampProbe(quint16 port, bool bDefaultAttempts = false)
    {
        SetIpAddress(QHostAddress(QHostAddress::LocalHost), port, 0);
        if (!bDefaultAttempts)
            SetRetry(1);
        m_timeout = bDefaultAttempts ? 1 : 2;
        startUDP();
    }
    ~TampProbe() override { closeSocket(); }
};

// Answers reads with bytes equal to the low byte of their address, acknowledges writes.
QList<QByteArray> echoModule(const QByteArray& request, int)
{
    QByteArray data;
    for (int i = 0; quint8(request.at(1)) == 0xC0 && i < quint8(request.at(3)); ++i)
        data.append(char(quint8(request.at(7)) + i));
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
    void packets_data()
    {
        QTest::addColumn<bool>("bWrite");
        QTest::addColumn<int>("length");
        QTest::addColumn<QByteArray>("headers"); // version, command, id, length, address of each packet
        QTest::newRow("write 300") << true << 300
                                   << QByteArray::fromHex(
                                          "ff80018000002000 ff80028000002080 ff80032c00002100");
        QTest::newRow("read 129") << false << 129 << QByteArray::fromHex("ffc0018000002000 ffc0020100002080");
        QTest::newRow("write 0") << true << 0 << QByteArray();
    }
    void packets()
    {
        QFETCH(bool, bWrite);
        QFETCH(int, length);
        QFETCH(QByteArray, headers);
        ScriptedPeer peer(echoModule);
        TampProbe tamp(peer.port());
        QByteArray data(length, 'd');
        QCOMPARE(bWrite ? tamp.Write(0x2000, data.constData(), quint32(length))
                        : tamp.Read(0x2000, data.data(), quint32(length)),
                 quint32(length));
        QByteArray sent;
        for (const QByteArray& r : peer.requests()) {
            sent += r.left(8);
            QCOMPARE(r.mid(8), bWrite ? QByteArray(quint8(r.at(3)), 'd') : QByteArray());
        }
        QCOMPARE(sent, headers);
        if (!bWrite) // the bytes of the second packet land after those of the first
            QCOMPARE(data.mid(127, 2), QByteArray("\x7f\x80"));
    }

    void failures_data()
    {
        // 0: bus error reply, 1: 7-byte reply, 2: silent, 3: silent once, 4: silent twice (the
        // client's default of three attempts, without SetRetry)
        QTest::addColumn<int>("peer");
        QTest::addColumn<bool>("bWrite");
        QTest::addColumn<bool>("bAbort");
        QTest::addColumn<int>("error"); // Unknown: none
        QTest::addColumn<int>("requests");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* tag, int peer, bool bWrite, bool bAbort, QTamp::ErrSts error,
                            int requests, const char* text) {
            QTest::newRow(tag) << peer << bWrite << bAbort << int(error) << requests << QString(text);
        };
        row("bus error on read is not retried", 0, false, false, QTamp::BusErr, 1,
            "read address: 0x00001234\nlength: 4\n\nQTamp: Bus Error");
        row("short datagram", 1, false, false, QTamp::SockErr, 1, "");
        row("silence, every attempt", 2, true, false, QTamp::Timeout, 2,
            "write address: 0x00001234\nlength: 4\n\nQTamp: Socket operation timed out");
        row("silence, then an answer", 3, false, false, QTamp::Unknown, 2, "");
        row("abort before sending", 3, false, true, QTamp::Aborted, 0, "QTamp: Aborted");
        row("default attempts: silence twice, then an answer", 4, false, false, QTamp::Unknown, 3, "");
    }
    void failures()
    {
        QFETCH(int, peer);
        QFETCH(bool, bWrite);
        QFETCH(QString, text);
        ScriptedPeer module([peer](const QByteArray& request, int index) -> QList<QByteArray> {
            if (peer == 0)
                return {ScriptedPeer::reply(request, {}, true)};
            if (peer == 1)
                return {request.left(7)};
            const bool answers = (peer == 3 && index > 0) || (peer == 4 && index > 1);
            return answers ? echoModule(request, index) : QList<QByteArray>();
        });
        TampProbe tamp(module.port(), peer == 4);
        QFETCH(bool, bAbort);
        if (bAbort)
            tamp.Abort();
        QByteArray buffer(4, 'b');
        const QTamp::ErrSts e = thrownBy([&] {
            bWrite ? tamp.Write(0x1234, buffer.constData(), 4) : tamp.Read(0x1234, buffer.data(), 4);
        });
        QTEST(int(e), "error");
        const QList<QByteArray> requests = module.requests();
        QTEST(int(requests.size()), "requests");
        if (e == QTamp::Unknown)
            QCOMPARE(buffer, QByteArray("\x34\x35\x36\x37"));
        if (e == QTamp::Timeout) // each attempt a fresh command
            QVERIFY(requests.at(0).at(2) != requests.at(1).at(2));
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
        for (int i = 0; i < 129; ++i)
            QCOMPARE(tamp.Read(quint32(i), &byte), 1);
        const QList<QByteArray> requests = peer.requests();
        QCOMPARE(QByteArray() + requests.at(0).at(2) + requests.at(126).at(2) + requests.at(127).at(2) +
                     requests.at(128).at(2),
                 QByteArray::fromHex("017f0001"));
    }

    // The reply budget in 100 ms waits: 1 to 60 s, else the default (0, negative) or the longest.
    void timeoutBudget_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("ticks");
        QTest::newRow("0 keeps 4 s") << 0 << 40;
        QTest::newRow("2 s") << 2 << 20;
        QTest::newRow("60 s") << 60 << 600;
        QTest::newRow("61 s") << 61 << 600;
        QTest::newRow("largest int") << 2147483647 << 600;
        QTest::newRow("negative") << -1 << 40;
    }
    void timeoutBudget()
    {
        QFETCH(int, seconds);
        QTamp tamp;
        tamp.SetTimeout(seconds);
        QTEST(tamp.timeoutTicks(), "ticks");
    }

    void shortReadStopsTransfer()
    {
        // The second packet of each transfer carries 100 of its 128 bytes.
        ScriptedPeer peer([](const QByteArray& request, int index) {
            return QList<QByteArray>{ScriptedPeer::reply(request, QByteArray(index % 2 ? 100 : 128, 'r'))};
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
