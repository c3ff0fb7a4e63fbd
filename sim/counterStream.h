#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>

#include <functional>

class QTcpServer;
class QTcpSocket;
class QTimer;

// The module's measure-counter stream as the simulator serves it: while a client is connected it
// sends 8-byte big-endian records (top byte 0x10 + counter, 56-bit value) for every counter that
// is streaming. A counter whose gate mode (register 0x60 + m, bits 0-1) is 0 streams only while
// started by software (0x80 in register 0x64 + m); the others stream always. Without a register
// reader every counter streams. Values follow a seeded pattern: time-type counters (mode bit 3
// clear) send gate lengths in nanoseconds, event counters (bit 3 set) event counts.
//
// What a client sends is read and thrown away, and no more than MAX_QUEUED bytes wait for a
// client that does not read: records that come due meanwhile are not produced, as a real link
// pushes back.
class CounterStream : public QObject
{
    Q_OBJECT

public:
    static constexpr int COUNTERS = 4;
    static constexpr quint32 REG_GATE_MODE = 0x60;
    static constexpr quint32 REG_START = 0x64;
    static constexpr quint8 START = 0x80;
    static constexpr quint64 INVALID_WORD = 0x2000000000000001ULL;
    static constexpr int TICK_MS = 5;
    // Bytes kept queued on the socket at full speed.
    static constexpr qint64 MAX_QUEUED = 4 << 20;

    // How the record rate moves over time, counted from the client's connection.
    struct RateProfile
    {
        enum Kind { Constant, Poisson, Ramp, Bursts };
        Kind kind = Constant;
        int periodSeconds = 0; // ramp: the time to reach the rate; bursts: from one burst to the next

        // "constant", "poisson", "ramp[:S]" (default 60 s) or "bursts[:S]" (default 10 s); false
        // for anything else.
        static bool parse(const QString& text, RateProfile& profile);
        // The rate at time t (seconds) for a nominal rate: constant and Poisson keep it; a ramp
        // rises from 0 to it over a period and starts again; bursts hold it for the first second
        // of every period and are silent for the rest.
        double rateAt(double t, double rate) const;
    };

    explicit CounterStream(QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    QString errorString() const;

    void setRegisterReader(std::function<quint8(quint32 address)> reader);
    // Records per second over all counters; 0 or negative: as fast as the socket takes them.
    void setRate(int recordsPerSecond);
    // An invalid word after every k records; 0 or negative: none.
    void setRateProfile(const RateProfile& profile) { m_profile = profile; }
    void setInvalidEvery(int k);
    void setSeed(quint32 seed);
    // Records come from sendRecord() only (the emulator's), not from the pattern.
    void setExternalRecords(bool bExternal) { m_bExternal = bExternal; }
    // Sends one record to the connected client; dropped without a client or while the queue is
    // full.
    void sendRecord(int counter, quint64 value);

    bool isStreaming(int counter) const;
    quint64 recordsSent() const { return m_nSent; }
    // Bytes waiting to go to the client.
    qint64 queuedBytes() const;

    // The record word of one counter value.
    static quint64 recordWord(int counter, quint64 value);

private:
    void acceptClient();
    void dropClient();
    void restartPattern();
    void pump();
    QByteArray makeRecords(qint64 count, const QVector<int>& counters);
    quint64 nextValue(int counter);
    static quint64 nextRandom(quint64& state);
    qint64 poisson(double mean);

    QTcpServer* m_pServer;
    QTcpSocket* m_pClient = nullptr;
    QTimer* m_pTimer;
    std::function<quint8(quint32)> m_registers;
    int m_rate = 0;
    RateProfile m_profile;
    quint64 m_profileRandom = 1;
    QElapsedTimer m_sinceConnect;
    int m_invalidEvery = 0;
    quint32 m_seed = 1;
    quint64 m_random[COUNTERS] = {};
    quint64 m_nextCounter = 0;
    int m_sinceInvalid = 0;
    double m_credit = 0;
    QElapsedTimer m_sinceTick;
    quint64 m_nSent = 0;
    bool m_bExternal = false;
};
