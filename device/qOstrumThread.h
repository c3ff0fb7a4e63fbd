#pragma once

#include "device/counterValueFormat.h"

#include <QString>
#include <QThread>

#include <atomic>

class QFile;
class QTcpSocket;
class CounterLogWriter;

// Reader of the module's measure-counter stream. Connects to the module's TCP data port, decodes
// the 8-byte big-endian records (tag 0x1, counter 0..3, 56-bit value), converts each value with
// its counter's unit, appends every value to the counter's CSV log and reports once per batch
// and counter through queued signals. Runs until stop() or until the connection fails.
//
// With a parent that has the monitor's slots updateData(int, QString, quint64, double),
// error(QString), connected() and connectionClosedByServer(), run() connects the signals to
// them; any other parent (or none) leaves the connections to the caller.
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

    void run() override;
    // Asks the loop to end; it notices within one round. Callable from any thread.
    void stop();
    // Length of one wait round (connection and data), WAIT_MS unless set before start().
    void setRoundMs(int ms) { m_roundMs = ms; }
    // Decodes what is waiting on the socket as one batch; the argument is not used.
    void readOstrum(int);

    QString fileName(int counter) const { return m_fname[counter]; }
    QString unit(int counter) const { return m_unit[counter]; }
    double scale(int counter) const { return m_format[counter].scale(); }
    int precision(int counter) const { return m_format[counter].decimals(); }

signals:
    void recived(int counter, QString lastValue, quint64 count, double sum);
    void error(QString text);
    void connectedOstrum();

private:
    static QString chooseSuffix(const QString* paths, const QString* names);
    void createLog(int counter, const QString& path, const QString& name, bool ignoreFileErrors);
    void connectToParent();
    bool waitForConnection();
    bool readDirectly();
    void openLogs();
    void flushLogs();
    void closeLogs();

    QTcpSocket* m_pTcp = nullptr;
    QObject* m_parent;
    QString m_strAddr;
    quint16 m_port;
    quint16 m_portUdp;
    CounterValueFormat m_format[COUNTERS];
    QString m_unit[COUNTERS];
    QString m_fname[COUNTERS];
    QFile* m_pFile[COUNTERS] = {};
    CounterLogWriter* m_out[COUNTERS] = {};
    char* m_buffer = nullptr;
    int m_bufferSize = BUFFER_SIZE;
    int m_spoolSize = 0;
    int m_roundMs = WAIT_MS;
    std::atomic<bool> stopped{false};
};
