#include "netSetup.h"
#include "qUdpThread.h"
#include "workerHarness.h"

#include <QtTest>

class TestNetSetup : public QObject
{
    Q_OBJECT
private slots:
    void formatsEeprom();
    void inputChecks_data();
    void inputChecks();
    void writesThroughTheWorker();
    void silentModuleCannotBeAccessed();
};

void TestNetSetup::formatsEeprom()
{
    const QByteArray data = QByteArray::fromHex("02005e1000ab"     // MAC
                                                "c0a80a10"         // 192.168.10.16
                                                "00181f4005b41234" // ports and MSS
                                                "03e813880bb8"
                                                "0010" // the disconnect timer counts 256 ms steps
                                                "006401f4");
    QCOMPARE(data.size(), NetSetup::EEPROM_LEN);
    QCOMPARE(NetSetup::formatEepromInfo(data), QString("MAC Address : 02:00:5e:10:00:ab"
                                                       "\nIP Address : 192.168.10.16"
                                                       "\nTCP Data Port : 24"
                                                       "\nTCP Command Port : 8000"
                                                       "\nTCP Max Segment Size : 1460"
                                                       "\nUDP Port : 4660"
                                                       "\nTCP Keep Alive(buffer not empty) : 1000msec"
                                                       "\nTCP Keep Alive(buffer empty) : 5000msec"
                                                       "\nTCP Timeout (Connecting) : 3000msec"
                                                       "\nTCP Timeout (Disconnect) : 4096msec"
                                                       "\nTCP Re-Connect Interval : 100msec"
                                                       "\nTCP Re-transmition Timer : 500msec"));
    // A short read-out is shown with zeros rather than read past its end.
    QVERIFY(NetSetup::formatEepromInfo(QByteArray(3, '\x01')).endsWith("Re-transmition Timer : 0msec"));
}

void TestNetSetup::inputChecks_data()
{
    QTest::addColumn<QStringList>("input"); // address, TCP port, UDP port
    QTest::addColumn<QString>("warning");
    QTest::newRow("valid") << QStringList{"192.168.10.17", "24", "65535"} << QString();
    QTest::newRow("three parts") << QStringList{"192.168.10", "24", "4660"}
                                 << "192.168.10 is invalid address.";
    QTest::newRow("part out of range")
        << QStringList{"192.168.10.300", "24", "4660"} << "192.168.10.300 is invalid address.";
    QTest::newRow("tcp not a number") << QStringList{"10.0.0.1", "x24", "4660"} << "x24 is invalid port.";
    QTest::newRow("udp 65536") << QStringList{"10.0.0.1", "24", "65536"} << "65536 is invalid port.";
    QTest::newRow("negative port") << QStringList{"10.0.0.1", "-1", "4660"} << "-1 is invalid port.";
    QTest::newRow("address is checked first")
        << QStringList{"1.2.3", "x", "y"} << "1.2.3 is invalid address.";
}

void TestNetSetup::inputChecks()
{
    QFETCH(QStringList, input);
    NetSetup setup;
    QTEST(setup.setNewSettings(input.at(0), input.at(1), input.at(2)), "warning");
}

void TestNetSetup::writesThroughTheWorker()
{
    InProcessModule module;
    NetSetup setup;
    setup.setTarget("127.0.0.1", QString::number(module.server.port()));
    QCOMPARE(setup.setNewSettings("10.1.2.3", "2424", "4661"), QString());
    QUdpThread worker;
    module.target(worker);
    worker.setData(&setup);
    const WorkerOutcome outcome = runWorker(worker);
    QVERIFY2(outcome.bOk, qPrintable(outcome.errors.join('|')));

    QUdpThread reader;
    module.target(reader);
    reader.setReadReq(NetSetup::EEPROM_INFO, NetSetup::EEPROM_LEN);
    const WorkerOutcome read = runWorker(reader);
    QVERIFY(read.bOk);
    const QString text = NetSetup::formatEepromInfo(read.data.value(0));
    QVERIFY2(text.contains("\nIP Address : 10.1.2.3\nTCP Data Port : 2424\n"), qPrintable(text));
    QVERIFY(text.contains("\nUDP Port : 4661\n"));
    QCOMPARE(module.memory.peek(0xFFFFFCFF), quint8(0xFF)); // writing disabled again
}

void TestNetSetup::silentModuleCannotBeAccessed()
{
    InProcessModule module;
    NetSetup setup;
    setup.setTarget("127.0.0.1", "4660");
    QCOMPARE(setup.setNewSettings("10.1.2.3", "24", "4660"), QString());
    QUdpThread worker;
    module.target(worker);
    worker.SetRetry(1);
    worker.setData(&setup);
    // The version byte is answered; from the first write on the module is silent.
    QObject::connect(&module.server, &TampServer::requestReceived, &module.server,
                     [&module](const QByteArray& r) {
                         if (quint8(r.at(1)) == TampServer::TAMP_WR)
                             module.server.setFaults({1.0, false, false, 0});
                     });
    const WorkerOutcome outcome = runWorker(worker);
    QVERIFY(!outcome.bOk);
    QCOMPARE(outcome.errors,
             QStringList{"Can't access Ostrum Module(127.0.0.1:4660).\nPlease check network connectivity."});
}

QTEST_GUILESS_MAIN(TestNetSetup)
#include "tst_netsetup.moc"
