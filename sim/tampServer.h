#pragma once

#include <QHostAddress>
#include <QObject>
#include <QRandomGenerator>

class ModuleMemory;
class QUdpSocket;

// The module's TAMP endpoint: answers each command datagram from the memory, echoing version,
// id, length and address, with the reply command 0x88 (write) or 0xC8 (read) and bit 0 set on a
// bus error. Faults can be injected to exercise the client: lost requests, duplicated replies,
// a stray reply with another id before the real one, and delayed replies.
class TampServer : public QObject
{
    Q_OBJECT
public:
    static constexpr quint8 TAMP_VER = 0xFF;
    static constexpr quint8 TAMP_WR = 0x80;
    static constexpr quint8 TAMP_RD = 0xC0;
    static constexpr quint8 ACK = 0x08;
    static constexpr quint8 BUS_ERROR = 0x01;
    static constexpr int HEADER_SIZE = 8;

    struct Faults
    {
        double loss = 0.0;  // fraction of requests dropped unanswered
        bool dup = false;   // each reply sent twice
        bool stray = false; // a reply with another id before the real one
        int delayMs = 0;
    };

    struct Stats
    {
        quint64 requests = 0; // datagrams received
        quint64 reads = 0;
        quint64 writes = 0;
        quint64 dropped = 0; // lost on purpose
        quint64 replies = 0; // datagrams sent (stray and duplicates included)
        quint64 bytesIn = 0;
        quint64 bytesOut = 0;
    };

    explicit TampServer(ModuleMemory* memory, QObject* parent = nullptr);

    bool listen(const QHostAddress& address, quint16 port);
    quint16 port() const;
    QString errorString() const;

    void setFaults(const Faults& faults) { m_faults = faults; }
    void setSeed(quint32 seed) { m_random.seed(seed); }
    const Stats& stats() const { return m_stats; }
    void resetStats() { m_stats = Stats(); }

    // The reply to one command datagram; empty when the datagram is not a command to answer.
    // Sets *changed when the memory changed (a read too: one of the ROM status completes the
    // command that was running).
    static QByteArray answer(ModuleMemory& memory, const QByteArray& request, bool* changed = nullptr);

signals:
    // Every datagram received, before faults are applied.
    void requestReceived(const QByteArray& request);
    // Emitted after each datagram that changed the memory, before its reply is sent.
    void memoryChanged();

private slots:
    void readPending();

private:
    void deliver(const QByteArray& reply, const QHostAddress& peer, quint16 peerPort);
    void sendNow(const QByteArray& reply, const QHostAddress& peer, quint16 peerPort);

    ModuleMemory* m_pMemory;
    QUdpSocket* m_socket;
    Faults m_faults;
    QRandomGenerator m_random;
    Stats m_stats;
};
