#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QThread>

#include <atomic>

class QUdpSocket;

// Client of the module's TAMP register-access protocol over UDP: one command datagram at a time
// (stop-and-wait), matched to its reply by packet id, retried on silence, long transfers split
// into packets of at most 128 data bytes. Failures are thrown as ErrSts values; the diagnostic
// lines (address, length) accumulate in m_estr. The class is a thread so that the device worker
// inherits the protocol and the thread together; it has no job of its own.
class QTamp : public QThread
{
    Q_OBJECT
public:
    enum ErrSts {
        Timeout = -5,
        BusErr = -4,
        SockErr = -3,
        ReadErr = -2,
        WriteErr = -1,
        Aborted = 0,
        Unknown = 1
    };

    static constexpr quint8 TAMP_VER = 0xFF;
    static constexpr quint8 TAMP_WR = 0x80;
    static constexpr quint8 TAMP_WR_ACK = 0x88;
    static constexpr quint8 TAMP_RD = 0xC0;
    static constexpr quint8 TAMP_RD_ACK = 0xC8;
    static constexpr quint8 TAMP_MAX_LENGTH = 0x80;
    static constexpr int TAMP_HEADER_SIZE = 8;

    // Offsets of the network block's registers (EEPROM and live copy).
    static constexpr quint8 MAC_ADDR_REG = 0x12;
    static constexpr quint8 IP_ADDR_REG = 0x18;
    static constexpr quint8 TCP_PORT_REG = 0x1C;
    static constexpr quint8 UDP_PORT_REG = 0x22;
    static constexpr quint8 TCP_KEEP_ALIVE = 0x24;
    static constexpr quint8 TCP_CONNECT_WAIT = 0x2C;
    static constexpr quint32 REGISTER_BASE_ADDR = 0xFFFFFF00;
    static constexpr quint32 EEPROM_BASE_ADDR = 0xFFFFFC00;
    static constexpr quint32 EEPROM_WRITE_ENABLE_ADDR = 0xFFFFFCFF;

    static constexpr int DEFAULT_TIMEOUT = 40; // 100 ms waits
    static constexpr int DEFAULT_RETRY = 3;    // attempts per packet
    static constexpr int WAIT_MS = 100;

    explicit QTamp(QObject* parent = nullptr);
    ~QTamp() override;

    virtual void SetIpAddress(QHostAddress ipAddress, quint16 udp, quint16 tcp);
    virtual void Abort();
    virtual void SetTimeout(int seconds);
    virtual void SetRetry(int retries);
    virtual int Read(quint32 address, char* byte);
    virtual quint32 Read(quint32 address, char* buffer, quint32 nbytes);
    virtual void ReadAll(quint32 address, char* buffer, quint32 nbytes);
    virtual int Write(quint32 address, char value);
    virtual quint32 Write(quint32 address, const char* buffer, quint32 nbytes);
    virtual void WriteAll(quint32 address, const char* buffer, quint32 nbytes);
    virtual bool EnableWriteEEPROM(bool bEnable);

    // Budget and attempts in force (for callers that report them).
    int timeoutTicks() const { return m_timeout; }
    // Write commands sent since the socket was opened (each attempt counts: a command whose reply
    // was lost may still have been carried out).
    int writeCommandsSent() const { return m_writeCommands; }
    int retries() const { return m_retry; }
    const QString& errorText() const { return m_estr; }
    // The last job failed because the module did not answer (every attempt timed out).
    bool timedOut() const { return m_bTimedOut; }

signals:
    void closed(bool success);
    void error(QString* text);

protected:
    virtual int setReadCmd(quint32 address, quint8 length);
    virtual int read(quint32 address, char* data, quint8 length);
    virtual int setWriteCmd(quint32 address, const char* data, quint8 length);
    virtual int write(quint32 address, const char* data, quint8 length);
    virtual bool startUDP();
    virtual void closeSocket();
    virtual int commTAMP(int id);
    virtual qint8 getId();
    void strError(ErrSts e);

    // Waits for the thread to end, asking a running exchange to stop first.
    void stopAndWait();

    qint8 m_id = 0;
    quint16 m_nPort = 0;
    quint16 m_tcpPort = 0;
    QHostAddress m_ipAddress;
    QUdpSocket* m_socket = nullptr;
    QString m_estr;
    std::atomic<bool> m_bAbort{false};
    bool m_bFinished = false;
    quint32 m_maxLength = TAMP_MAX_LENGTH;
    int m_timeout = DEFAULT_TIMEOUT;
    int m_retry = DEFAULT_RETRY;
    QByteArray m_buf;
    int m_writeCommands = 0;
    bool m_bTimedOut = false;

private:
    void setHeader(quint8 command, int id, quint8 length, quint32 address);
    void appendPacketDiagnostic(const char* direction, quint32 address, quint8 length);
    // Reads one pending datagram into m_buf; false when none was pending.
    bool takeDatagram();
    // Waits up to one tick for a datagram; true when one is pending.
    bool waitTick();
};
