#include "dialogs/msrCntWidget.h"
#include "dialogs/ratePanel.h"
#include "sim/counterStream.h"
#include "tests/support/counterRecords.h"
#include "tests/support/scriptedPrompts.h"
#include "tests/support/workerHarness.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

namespace {
// The window over the simulated module's registers, fed by a data port the test serves itself
// (`server`) or by the simulator's stream (`stream`). Counter 0 is software-gated ("usec"), 1
// hardware-gated, 2 not in the diagram, 3 software-gated counting events.
struct Harness
{
    InProcessModule module;
    QTcpServer server;
    std::unique_ptr<CounterStream> stream;
    QTemporaryDir logs;
    QPointer<MsrCntWidget> window;
    std::unique_ptr<ScriptedPrompts> prompts = std::make_unique<ScriptedPrompts>();
    QTcpSocket* peer = nullptr;

    explicit Harness(bool bSimulatedStream = false)
    {
        if (bSimulatedStream) {
            stream = std::make_unique<CounterStream>();
            stream->listen(QHostAddress::LocalHost, 0);
            stream->setRate(2000);
            stream->setRegisterReader([this](quint32 address) { return module.memory.peek(address); });
            module.memory.poke(0x61, 0x02); // counter 1 measures during True
            module.memory.poke(0x63, 0x08);
        } else {
            server.listen(QHostAddress::LocalHost, 0);
        }
        MsrCntWidget::Property info = property();
        window = new MsrCntWidget(&info);
        window->setPrompts(*prompts);
    }
    ~Harness() { delete window.data(); }

    MsrCntWidget::Property property(const QString& folder = QString()) const
    {
        MsrCntWidget::Property info;
        info.strAddr = QStringLiteral("127.0.0.1");
        info.tcpPort = stream ? stream->port() : server.serverPort();
        info.udpPort = module.server.port();
        info.timeout = 1;
        const int modes[4] = {4, 6, -1, 8};
        const char* names[4] = {"SINGLES", "COINC", "", "EVENTS"};
        for (int c = 0; c < 4; ++c) {
            info.mode[c] = modes[c];
            info.name[c] = QLatin1String(names[c]);
            info.path[c] = modes[c] >= 0 ? (folder.isEmpty() ? logs.path() : folder) : QString();
        }
        info.unit[0] = QStringLiteral("usec");
        info.unit[1] = QStringLiteral("nsec");
        return info;
    }

    // Connect, and with a test-served port accept the connection.
    bool connect()
    {
        QTest::mouseClick(window->connectButton(), Qt::LeftButton);
        if (!stream) {
            if (!server.waitForNewConnection(5000))
                return false;
            peer = server.nextPendingConnection();
        }
        return QTest::qWaitFor(
            [this] { return window->isConnected() && window->statusLabel()->text() != "Connecting ..."; });
    }
    void send(const QByteArray& bytes)
    {
        peer->write(bytes);
        peer->waitForBytesWritten(1000);
    }
    // One-byte writes to the counter start registers, "register=byte".
    QStringList gateWrites() const
    {
        QStringList writes;
        for (const QByteArray& r : module.requests) {
            const quint32 address = InProcessModule::addressOf(r);
            if (quint8(r.at(1)) == 0x80 && address >= 0x64 && address < 0x68)
                writes << QString("%1=%2").arg(address, 0, 16).arg(quint8(r.at(8)), 2, 16, QLatin1Char('0'));
        }
        return writes;
    }
};
} // namespace

class TestMsrCntWidget : public QObject
{
    Q_OBJECT
private slots:
    // Values and totals shown are those of the records sent; rows follow the gate modes.
    void showsAndLogsTheStream()
    {
        Harness h;
        QCOMPARE(h.window->statusLabel()->text(), QString("Ready"));
        QCOMPARE(h.window->numberField(2)->text(), QString("-----"));
        QVERIFY(h.connect());
        QVERIFY(h.window->startButton(0)->isEnabled() && h.window->startButton(3)->isEnabled());
        QVERIFY(!h.window->startButton(1)->isEnabled() && !h.window->startButton(2)->isEnabled());

        h.send(counterRecord(0, 500) + counterRecord(0, 500) + counterRecord(0, 500));
        QTRY_COMPARE(h.window->numberField(0)->text(), QString("3"));
        h.send(counterRecord(0, 125) + counterRecord(0, 125));
        QByteArray events;
        for (int i = 0; i < 20000; ++i)
            events += counterRecord(3, quint64(i));
        h.send(events);
        QTRY_COMPARE(h.window->numberField(3)->text(), QString("20000"));
        QTRY_COMPARE(h.window->numberField(0)->text(), QString("5"));
        QCOMPARE(h.window->integrationField(0)->text(), QString("1.750 usec"));
        QCOMPARE(h.window->valueField(0)->text(), QString("0.125 usec"));
        QCOMPARE(h.window->valueField(3)->text(), QString("19999 "));
        QCOMPARE(h.window->statusLabel()->text(), QString("Received"));

        QTest::mouseClick(h.window->stopButton(), Qt::LeftButton);
        QCOMPARE(h.window->statusLabel()->text(), QString("Connection closed"));
        QVERIFY(h.window->connectButton()->isEnabled() && !h.window->startButton(0)->isEnabled());
        QCOMPARE(h.window->loggedField(3)->text(), QString("20000"));
    }

    // The start button writes 0x80 to register 0x64 + row, and the stop 0x00; Enter in an alarm
    // field writes nothing.
    void startAndStopWriteTheRegisters()
    {
        Harness h;
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window));
        QVERIFY(h.connect());
        h.window->lowField(0)->setFocus();
        QTest::keyClicks(h.window->lowField(0), "5");
        QTest::keyClick(h.window->lowField(0), Qt::Key_Return);
        QVERIFY(!h.window->isRunning(0) && h.window->isVisible());
        QTest::mouseClick(h.window->startButton(3), Qt::LeftButton);
        QCOMPARE(h.window->startButton(3)->text(), QString("Stop"));
        QTRY_COMPARE(h.gateWrites(), QStringList{"67=80"});
        QTest::mouseClick(h.window->startButton(3), Qt::LeftButton);
        QCOMPARE(h.window->startButton(3)->text(), QString("Start"));
        QTRY_COMPARE(h.gateWrites(), (QStringList{"67=80", "67=00"}));
        QVERIFY(h.prompts->shown.isEmpty());
    }

    // The simulator going away mid-stream shows the socket's text; the window then reconnects.
    // A rate alarm trips once and colours its row.
    void simulatorKilledThenReconnect()
    {
        Harness h(true);
        QVERIFY(h.connect());
        h.window->lowField(1)->setText("1000000");
        QMetaObject::invokeMethod(h.window->lowField(1), "editingFinished");
        QTRY_COMPARE(h.window->statusLabel()->text(), QString("Received"));
        QTRY_VERIFY_WITH_TIMEOUT(h.window->numberField(1)->styleSheet().contains("background"), 5000);
        QCOMPARE(h.window->eventLog()->toPlainText().count("COINC: rate "), 1);
        const quint16 port = h.stream->port();
        h.stream.reset();
        QTRY_COMPARE_WITH_TIMEOUT(
            h.window->statusLabel()->text(),
            QString("The remote host closed the connection (counter stream of 127.0.0.1:%1)").arg(port),
            5000);
        QVERIFY(h.window->connectButton()->isEnabled() && !h.window->isConnected());
        h.stream = std::make_unique<CounterStream>();
        QVERIFY(h.stream->listen(QHostAddress::LocalHost, port));
        h.stream->setRate(2000);
        QVERIFY(h.connect());
        QTRY_COMPARE(h.window->statusLabel()->text(), QString("Received"));
    }

    // A log folder that cannot be written is asked about; Yes connects without logs.
    void unwritableLogFolder()
    {
        Harness h;
        const QString missing = h.logs.filePath("missing");
        MsrCntWidget::Property info = h.property(missing);
        h.window->setProperty(info);
        h.prompts->answers = {QMessageBox::Cancel, QMessageBox::Yes};
        QTest::mouseClick(h.window->connectButton(), Qt::LeftButton);
        QCOMPARE(h.prompts->shownTexts(), missing + ":\nNo such directory.");
        QCOMPARE(h.prompts->shown.first().informative, QString("The MsrCnt data cannot be saved, continue?"));
        QVERIFY(!h.window->isConnected() && h.window->connectButton()->isEnabled());
        QVERIFY(h.connect());
        QCOMPARE(h.window->loggedField(0)->text(), QString("no log"));
        h.send(counterRecord(0, 1000) + counterRecord(0, 2000));
        QTRY_COMPARE(h.window->numberField(0)->text(), QString("2"));
        QVERIFY(!QFileInfo::exists(missing));
    }

    // A new configuration while connected closes the old logs whole and opens new ones under the
    // new names.
    void reconfigurationKeepsTheLogsConsistent()
    {
        Harness h;
        QVERIFY(h.connect());
        QByteArray bytes;
        for (int i = 0; i < 5000; ++i)
            bytes += counterRecord(3, quint64(i));
        h.send(bytes);
        QTRY_COMPARE(h.window->numberField(3)->text(), QString("5000"));
        const QString oldLog = h.window->session().logFile(3);
        MsrCntWidget::Property info = h.property();
        info.name[3] = QStringLiteral("RENAMED");
        h.window->setProperty(info);
        QVERIFY(h.server.waitForNewConnection(5000));
        h.peer = h.server.nextPendingConnection();
        QTRY_COMPARE(h.window->statusLabel()->text(), QString("Waiting for data ..."));
        QCOMPARE(h.window->rowLabel(3)->text(), QString("RENAMED"));
        QCOMPARE(fileLines(oldLog).size(), 5002); // the header, every record, the final newline
        QCOMPARE(fileLines(h.window->session().logFile(3)).first(), QString("Time[HH:MM:SS],RENAMED"));
    }

    // A failed log write shows in the row and in the events; the display goes on.
    void failedLogWriteIsVisible()
    {
        Harness h;
        QVERIFY(h.connect());
        {
            const FileSizeLimit limit(1000);
            QByteArray bytes;
            for (int i = 0; i < 50000; ++i)
                bytes += counterRecord(3, quint64(i));
            h.send(bytes);
            QTRY_COMPARE(h.window->numberField(3)->text(), QString("50000"));
            QTRY_VERIFY(h.window->loggedField(3)->text().endsWith("(stopped)"));
        }
        QVERIFY(h.window->loggedField(3)->styleSheet().contains("background"));
        QVERIFY(h.window->eventLog()->toPlainText().contains("logging stopped after"));
    }

    // A preset count, started from the live view, starts the software-gated counters, ends at
    // exactly N events and stops them; Run waits meanwhile.
    void presetCountRun()
    {
        Harness h(true);
        auto* run = h.window->findChild<QPushButton*>("presetButton");
        QVERIFY(h.connect());
        QVERIFY(run->isEnabled());
        h.window->runUntilCount(0, 50);
        QVERIFY(!run->isEnabled());
        QTRY_COMPARE_WITH_TIMEOUT(h.window->statusLabel()->text(), QString("Preset run finished"), 10000);
        QCOMPARE(h.window->numberField(0)->text(), QString("50"));
        QTRY_COMPARE(h.gateWrites(), (QStringList{"64=80", "67=80", "64=00", "67=00"}));
        QVERIFY(!h.window->isRunning(0) && !h.window->isConnected());
        QVERIFY(h.window->eventLog()->toPlainText().contains("SINGLES 50"));
    }

    // The visible plots go to PNG and CSV files; a name typed without a suffix gets the type's.
    void exports()
    {
        Harness h;
        h.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(h.window));
        const QString png = h.logs.filePath("rates.png");
        const QString csv = h.logs.filePath("rates.csv");
        h.prompts->saveNames << png << h.logs.filePath("rates");
        emit h.window->ratePanel()->exportPng();
        QImage picture(png);
        QVERIFY(!picture.isNull() && picture.width() > 100);
        emit h.window->ratePanel()->exportCsv();
        QCOMPARE(fileLines(csv).first(), QString("Time,SINGLES[1/s],COINC[1/s],EVENTS[1/s]"));
        QCOMPARE(h.window->ratePanel()->plots().size(), 3);
        h.window->ratePanel()->layoutBox()->setCurrentIndex(1);
        QCOMPARE(h.window->ratePanel()->plots().size(), 1);
        QCOMPARE(h.window->ratePanel()->plots().first()->traces().size(), 3);
    }
};

QTEST_MAIN(TestMsrCntWidget)
#include "tst_msrcntwidget.moc"
