#include "device/qOstrumThread.h"
#include "tests/support/counterRecords.h"

#include <QDate>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <memory>

// Stands in for the monitor window: has the slots the reader connects to by name.
class MonitorStub : public QObject
{
    Q_OBJECT
public:
    QStringList reports;
    QStringList errors;
    int connections = 0;
    int closedByServer = 0;

public slots:
    void updateData(int counter, QString text, quint64 count, double sum)
    {
        reports << QString("%1 %2 %3 %4").arg(counter).arg(text).arg(count).arg(sum);
    }
    void error(QString text) { errors << text; }
    void connected() { ++connections; }
    void connectionClosedByServer() { ++closedByServer; }
};

// A reader with the given units and log paths, connected to a local server.
struct Reader
{
    QTcpServer server;
    MonitorStub monitor;
    std::unique_ptr<QOstrumThread> thread;
    QTcpSocket* peer = nullptr;
    QStringList logStops;

    bool start(const QStringList& units, const QStringList& paths = {}, int roundMs = QOstrumThread::WAIT_MS,
               const std::function<void(QOstrumThread&)>& prepare = {})
    {
        QString path[4], name[4], unit[4];
        for (int c = 0; c < 4; ++c) {
            path[c] = paths.value(c);
            name[c] = QString("MsrCnt%1").arg(c);
            unit[c] = units.value(c);
        }
        server.listen(QHostAddress::LocalHost, 0);
        thread = std::make_unique<QOstrumThread>(path, name, unit, "127.0.0.1", server.serverPort(), 4660,
                                                 &monitor, false);
        thread->setRoundMs(roundMs);
        QObject::connect(thread.get(), &QOstrumThread::logStopped, &monitor,
                         [this](int c, QString text) { logStops << QString("%1 %2").arg(c).arg(text); });
        if (prepare)
            prepare(*thread);
        thread->start();
        peer = server.waitForNewConnection(5000) ? server.nextPendingConnection() : nullptr;
        return peer && QTest::qWaitFor([this] { return monitor.connections == 1; });
    }
};

class TestOstrumThread : public QObject
{
    Q_OBJECT
private slots:
    void batches_data()
    {
        QTest::addColumn<QList<QByteArray>>("writes");
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<QStringList>("reports");
        QTest::newRow("reports in counter order")
            << QList<QByteArray>{counterRecord(3, 1) + counterRecord(0, 2) + counterRecord(1, 3) +
                                 counterRecord(3, 4)}
            << QStringList{"msec", "sec", "", "nsec"}
            << QStringList{"0 0.000002 1 2e-06", "1 0.000000003 1 3e-09", "3 4 2 5"};
        QTest::newRow("all 56 bits of a value")
            << QList<QByteArray>{counterRecord(2, (1ULL << 55) + 1000)} << QStringList()
            << QStringList{"2 36028797018964968 1 3.60288e+16"};
        QTest::newRow("invalid word drops its batch")
            << QList<QByteArray>{counterRecord(0, 1) + QByteArray::fromHex("2000000000000001") +
                                     counterRecord(0, 2),
                                 counterRecord(3, 4)}
            << QStringList() << QStringList{"3 4 1 4"};
        QTest::newRow("server closes mid-record")
            << QList<QByteArray>{counterRecord(2, 8) + counterRecord(2, 9) + counterRecord(2, 10).left(3)}
            << QStringList() << QStringList{"2 9 2 17"};
    }
    // Each write is one batch; then the server closes, which ends the reader with the socket's text.
    void batches()
    {
        QFETCH(QList<QByteArray>, writes);
        QFETCH(QStringList, units);
        if (QTest::currentDataTag() == QLatin1String("invalid word drops its batch"))
            QTest::ignoreMessage(QtDebugMsg, "Ostrum error: invalid data=0x2000000000000001");
        QTemporaryDir dir;
        Reader reader;
        QVERIFY(reader.start(units, {dir.path(), dir.path(), dir.path(), dir.path()}));
        quint64 written = 0;
        for (const QByteArray& bytes : writes) {
            reader.peer->write(bytes);
            QVERIFY(reader.peer->waitForBytesWritten(1000));
            // The whole records of this write are read before the next one comes.
            written += quint64(bytes.size());
            QTRY_COMPARE(reader.thread->bytesRead(), written - written % QOstrumThread::DATA_SIZE);
        }
        reader.peer->close();
        QTRY_VERIFY_WITH_TIMEOUT(reader.thread->isFinished(), 5000);
        QTRY_COMPARE(reader.monitor.errors, QStringList{"The remote host closed the connection"});
        QTEST(reader.monitor.reports, "reports");
        QCOMPARE(reader.monitor.closedByServer, 1);
        // What is counted is what is logged.
        for (int c = 0; c < 4; ++c) {
            quint64 reported = 0;
            for (const QString& report : reader.monitor.reports)
                reported +=
                    report.startsWith(QString::number(c)) ? report.section(' ', 2, 2).toULongLong() : 0;
            QCOMPARE(quint64(fileLines(reader.thread->fileName(c)).size() - 2), reported);
            QCOMPARE(reader.thread->loggedRecords(c), reported);
        }
    }

    // Silent rounds lead to a direct read: a quiet connection goes on and its half record is
    // completed. Batches within the report interval make one report; stopping sends what is gathered.
    void quietConnectionGathersReports()
    {
        Reader reader;
        QVERIFY(reader.start({"usec"}, {}, 20, [](QOstrumThread& t) { t.setReportInterval(60000); }));
        reader.peer->write(counterRecord(0, 1234).left(4));
        // The half record waits on the socket until the silent rounds end in a direct read.
        QTRY_COMPARE(reader.thread->bytesRead(), quint64(4));
        QVERIFY(reader.monitor.errors.isEmpty() && reader.thread->isRunning());
        reader.peer->write(counterRecord(0, 1234).mid(4));
        QTRY_COMPARE(reader.thread->bytesRead(), quint64(8));
        reader.peer->write(counterRecord(2, 5));
        QTRY_COMPARE(reader.thread->bytesRead(), quint64(16));
        reader.peer->write(counterRecord(2, 7));
        QTRY_COMPARE(reader.thread->bytesRead(), quint64(24));
        QVERIFY(reader.monitor.reports.isEmpty());
        reader.thread->stop();
        QVERIFY(reader.thread->wait(2000));
        QTRY_COMPARE(reader.monitor.reports, (QStringList{"0 1.234 1 1.234", "2 7 2 12"}));
        QVERIFY(reader.monitor.errors.isEmpty() && reader.monitor.closedByServer == 0);
    }

    // One suffix for all logs: the first that no log file of this date has taken. A name from the
    // document never leads the log out of its folder, and the user is told.
    void logFileNames()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath("a/b"));
        const QString stem = dir.path() + "/%1_" + QDate::currentDate().toString("yyyyMMdd") + "%2.csv";
        QFile taken(stem.arg("Gamma").arg(0));
        QVERIFY(taken.open(QIODevice::WriteOnly) && taken.write("kept\n") == 5);
        taken.close();
        QString path[4] = {dir.path(), "", dir.path(), dir.filePath("a/b")};
        QString name[4] = {"Alpha", "Beta", "Gamma", "../../escaped"};
        QString unit[4] = {"usec", "", "", ""};
        QOstrumThread thread(path, name, unit, "127.0.0.1", 24, 4660, nullptr, false);
        QCOMPARE(thread.fileName(0), stem.arg("Alpha").arg(1));
        QCOMPARE(thread.fileName(1), QString());
        QCOMPARE(thread.fileName(2), stem.arg("Gamma").arg(1));
        QCOMPARE(fileLines(thread.fileName(0)), (QStringList{"Time[HH:MM:SS],Alpha[usec]", ""}));
        QCOMPARE(fileLines(thread.fileName(2)), (QStringList{"Time[HH:MM:SS],Gamma", ""}));
        QCOMPARE(fileLines(taken.fileName()), (QStringList{"kept", ""}));
        QCOMPARE(QFileInfo(thread.fileName(3)).absolutePath(), dir.filePath("a/b"));
        QVERIFY(QFileInfo(thread.fileName(3)).fileName().startsWith("______escaped_"));
        QVERIFY(QFileInfo::exists(thread.fileName(3)));
        QCOMPARE(thread.notices().size(), 1);
    }

    // Sequence values over all four counters: every record must be in its counter's log, in order.
    void everyRecordReachesTheLog()
    {
        QTemporaryDir dir;
        Reader reader;
        QVERIFY(reader.start({"usec", "", "sec", ""}, {dir.path(), dir.path(), dir.path(), dir.path()}));
        constexpr int RECORDS = 200000;
        QByteArray bytes;
        for (int i = 0; i < RECORDS; ++i)
            bytes += counterRecord(i % 4, quint64(i));
        for (int offset = 0; offset < bytes.size(); offset += 77777) // records straddle the batches
            reader.peer->write(bytes.mid(offset, 77777));
        reader.peer->disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(reader.thread->isFinished(), 20000);
        // Reports are queued to this thread: some may still be on their way when the reader ends.
        const auto reported = [&reader] {
            quint64 n = 0;
            for (const QString& report : reader.monitor.reports)
                n += report.section(' ', 2, 2).toULongLong();
            return n;
        };
        QTRY_COMPARE(reported(), quint64(RECORDS));
        const CounterValueFormat formats[4] = {CounterValueFormat("usec"), CounterValueFormat(),
                                               CounterValueFormat("sec"), CounterValueFormat()};
        for (int c = 0; c < 4; ++c) {
            const QStringList lines = fileLines(reader.thread->fileName(c));
            QCOMPARE(lines.size(), RECORDS / 4 + 2);
            for (int i = 0; i < RECORDS / 4; ++i) {
                if (lines[i + 1].mid(9) != formats[c].text(quint64(i * 4 + c)))
                    QFAIL(qPrintable(QString("counter %1 line %2: %3").arg(c).arg(i + 1).arg(lines[i + 1])));
            }
        }
    }

    // A failed write (the file size limit standing in for a full disk) stops that log at its last
    // whole line, once; the stream and the reports go on.
    void failedWriteStopsTheLog()
    {
        QTemporaryDir dir;
        Reader reader;
        QVERIFY(reader.start({}, {dir.path()}, 20));
        QByteArray first;
        for (int i = 0; i < 100; ++i)
            first += counterRecord(0, quint64(i));
        reader.peer->write(first);
        QTRY_COMPARE(reader.thread->loggedRecords(0), quint64(100));

        {
            const FileSizeLimit limit(QFileInfo(reader.thread->fileName(0)).size() + 1000);
            QByteArray more;
            for (int i = 0; i < 100000; ++i)
                more += counterRecord(0, quint64(i));
            reader.peer->write(more);
            QTRY_COMPARE(reader.logStops.size(), 1);
        }

        reader.peer->write(counterRecord(0, 7));
        reader.peer->disconnectFromHost();
        QTRY_VERIFY_WITH_TIMEOUT(reader.thread->isFinished(), 10000);
        QCOMPARE(reader.logStops, QStringList{"0 " + reader.thread->fileName(0) +
                                              ": File too large; logging stopped after 100 records"});
        const QStringList lines = fileLines(reader.thread->fileName(0));
        QCOMPARE(lines.size(), 102); // header, 100 records, and the empty text after the last newline
        QCOMPARE(lines.at(100).mid(9), QString("99"));
        QTRY_VERIFY(reader.monitor.reports.last().startsWith("0 7 "));
    }
};

QTEST_GUILESS_MAIN(TestOstrumThread)
#include "tst_ostrumthread.moc"
