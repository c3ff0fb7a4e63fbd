#pragma once

#include "device/counterRecordQueue.h"
#include "device/counterValueFormat.h"

#include <QElapsedTimer>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QThread>

#include <atomic>
#include <memory>

class QTcpSocket;
class CounterLogWriter;

// One report of the stream: what a counter delivered since its previous report.
struct CounterReport
{
    int counter = 0;
    quint64 count = 0;   // records
    double sum = 0;      // of their values in the counter's unit
    quint64 lastRaw = 0; // the last record's raw value
    QString lastText;    // and its text in the counter's unit
};
Q_DECLARE_METATYPE(CounterReport)

// Reader of the module's measure-counter stream. Connects to the module's TCP data port, decodes
// the 8-byte big-endian records (tag 0x1, counter 0..3, 56-bit value), converts each value with
// its counter's unit, appends every value to the counter's CSV log and reports once per batch
// and counter through queued signals. Runs until stop() or until the connection fails.
//
// With a parent that has the monitor's slots updateData(int, QString, quint64, double),
// error(QString), connected() and connectionClosedByServer(), run() connects the signals to
// them; any other parent (or none) leaves the connections to the caller.
//
// What is counted and what is logged are the same records: a batch dropped for an invalid word
// reaches neither the reports nor the logs (nor the record queue). A log whose write fails stops
// (logStopped) while the stream goes on. The log files are created with their headers by the
// constructor, so that a problem can be asked about before connecting, and are removed again when
// no connection is made: a connection that fails leaves no file behind.
class QOstrumThread : public QThread
{
    Q_OBJECT

public:
    static constexpr int DATA_SIZE = 8;
    static constexpr int COUNTERS = 4;
    static constexpr int BUFFER_SIZE = 4096;
    static constexpr int WAIT_MS = 1000;
    static constexpr long MAX_CONNECT_ROUNDS = 10000001;
    static constexpr int SILENT_ROUNDS = 10;
    // Limit of the socket's own read buffer: bounded pieces are reused by the allocator instead
    // of fresh multi-megabyte blocks per read at full link speed.
    static constexpr qint64 SOCKET_BUFFER = 256 * 1024;

    // paths, names and units are arrays of four. Creates every log file with its header; throws
    // path + ":\n" + reason when one cannot be created, unless ignoreFileErrors is set, in
    // which case that counter has no log.
    QOstrumThread(QString* paths, QString* names, QString* units, QString address, quint16 tcpPort,
                  quint16 udpPort, QObject* parent, bool ignoreFileErrors);
    ~QOstrumThread() override;

    // The part of a log file name made from a counter's name: folder separators, control
    // characters and ".." become "_", so that the log stays inside its folder.
    static QString fileNamePart(const QString& name);

    void run() override;
    // Asks the loop to end; it notices within one round. Callable from any thread.
    void stop();
    // Length of one wait round (connection and data), WAIT_MS unless set before start().
    void setRoundMs(int ms) { m_roundMs = ms; }
    // Gathers the reports of the batches that arrive within ms into one per counter (0: one
    // report per batch). A monitor that redraws a few times a second needs no more. Set before
    // start().
    void setReportInterval(int ms) { m_reportMs = ms; }
    // Ends the stream once the counter has delivered n records (counted, logged and reported);
    // the rest of that batch is dropped. Set before start().
    void setCountLimit(int counter, quint64 n);
    bool countLimitReached() const { return m_bLimitReached; }
    // Every counted record also goes to the queue (for consumers of single records). Set before
    // start().
    void setRecordQueue(std::shared_ptr<CounterRecordQueue> queue) { m_records = std::move(queue); }
    // Decodes what is waiting on the socket as one batch; the argument is not used.
    void readOstrum(int);

    QString fileName(int counter) const { return m_fname[counter]; }
    QString unit(int counter) const { return m_unit[counter]; }
    double scale(int counter) const { return m_format[counter].scale(); }
    int precision(int counter) const { return m_format[counter].decimals(); }
    // What the constructor changed about the log files, one line each for the user (a name that
    // could not be part of a file name as it stood).
    QStringList notices() const { return m_notices; }
    // Records of the counter that are in its log file; readable from any thread at any time.
    quint64 loggedRecords(int counter) const { return m_logged[counter]; }
    // Bytes taken from the connection since start(); readable from any thread at any time.
    quint64 bytesRead() const { return m_bytesRead; }

signals:
    void recived(int counter, QString lastValue, quint64 count, double sum);
    // The same report with the last raw value.
    void reported(CounterReport report);
    void error(QString text);
    void connectedOstrum();
    // The module closed the connection (the thread ends at its next silent check).
    void closedByServer();
    // The counter's log failed to open or to write and takes no more records; text says which
    // file, why, and how many records it holds.
    void logStopped(int counter, QString text);

private:
    static QString chooseSuffix(const QString* paths, const QString* names);
    void createLog(int counter, const QString& path, const QString& name, bool ignoreFileErrors);
    void connectToParent();
    bool waitForConnection();
    bool readDirectly();
    void endBatch(bool bKept, const quint64* count, const double* sum, const quint64* last);
    void emitReports();
    void openLogs();
    void flushLogs(bool bDueOnly);
    void checkLog(int counter, bool ok);
    void closeLogs();
    void removeLogs();

    QTcpSocket* m_pTcp = nullptr;
    QObject* m_parent;
    QString m_strAddr;
    quint16 m_port;
    quint16 m_portUdp;
    CounterValueFormat m_format[COUNTERS];
    QString m_unit[COUNTERS];
    QString m_fname[COUNTERS];
    CounterLogWriter* m_out[COUNTERS] = {};
    std::atomic<quint64> m_logged[COUNTERS] = {};
    std::shared_ptr<CounterRecordQueue> m_records;
    CounterRecordBatch m_staged; // the records of the batch being decoded, for m_records
    std::atomic<quint64> m_bytesRead{0};
    QStringList m_notices;
    char* m_buffer = nullptr;
    int m_bufferSize = BUFFER_SIZE;
    int m_spoolSize = 0;
    int m_roundMs = WAIT_MS;
    int m_reportMs = 0;
    // Reports not yet sent: per counter the records, their sum and the last raw value.
    quint64 m_pendingCount[COUNTERS] = {};
    double m_pendingSum[COUNTERS] = {};
    quint64 m_pendingLast[COUNTERS] = {};
    QElapsedTimer m_sinceReport;
    int m_limitCounter = -1;
    quint64 m_limit = 0;
    quint64 m_counted = 0; // records of the limited counter so far
    bool m_bLimitReached = false;
    std::atomic<bool> stopped{false};
};
