#include "sim/counterStream.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

CounterStream::CounterStream(QObject* parent)
    : QObject(parent)
    , m_pServer(new QTcpServer(this))
    , m_pTimer(new QTimer(this))
{
    connect(m_pServer, &QTcpServer::newConnection, this, &CounterStream::acceptClient);
    m_pTimer->setInterval(TICK_MS);
    connect(m_pTimer, &QTimer::timeout, this, &CounterStream::pump);
    restartPattern();
}

bool CounterStream::listen(const QHostAddress& address, quint16 port)
{
    return m_pServer->listen(address, port);
}

quint16 CounterStream::port() const
{
    return m_pServer->serverPort();
}

QString CounterStream::errorString() const
{
    return m_pServer->errorString();
}

void CounterStream::setRegisterReader(std::function<quint8(quint32)> reader)
{
    m_registers = std::move(reader);
}

void CounterStream::setRate(int recordsPerSecond)
{
    m_rate = recordsPerSecond;
}

void CounterStream::setInvalidEvery(int k)
{
    m_invalidEvery = k;
}

void CounterStream::setSeed(quint32 seed)
{
    m_seed = seed;
    restartPattern();
}

bool CounterStream::isStreaming(int counter) const
{
    if (!m_registers)
        return true;
    const quint8 mode = m_registers(REG_GATE_MODE + quint32(counter));
    return (mode & 3) != 0 || (m_registers(REG_START + quint32(counter)) & START) != 0;
}

quint64 CounterStream::recordWord(int counter, quint64 value)
{
    return (quint64(0x10 + counter) << 56) | (value & ((1ULL << 56) - 1));
}

// One client at a time, as the module serves its data port: a new connection replaces the old
// one, and every connection starts the pattern afresh so that a run is reproducible.
void CounterStream::acceptClient()
{
    while (QTcpSocket* client = m_pServer->nextPendingConnection()) {
        dropClient();
        m_pClient = client;
        connect(client, &QTcpSocket::disconnected, this, &CounterStream::dropClient);
        connect(client, &QTcpSocket::bytesWritten, this, [this] {
            if (m_rate <= 0)
                pump();
        });
        restartPattern();
        m_credit = 0;
        m_sinceTick.start();
        m_pTimer->start();
        pump();
    }
}

void CounterStream::dropClient()
{
    if (!m_pClient)
        return;
    m_pTimer->stop();
    m_pClient->disconnect(this);
    m_pClient->abort();
    m_pClient->deleteLater();
    m_pClient = nullptr;
}

void CounterStream::restartPattern()
{
    for (int c = 0; c < COUNTERS; ++c)
        m_random[c] = (quint64(m_seed) << 8 | quint64(c + 1)) * 0x9E3779B97F4A7C15ULL | 1;
    m_nextCounter = 0;
    m_sinceInvalid = 0;
}

void CounterStream::pump()
{
    if (!m_pClient || m_pClient->state() != QAbstractSocket::ConnectedState)
        return;
    QVector<int> counters;
    for (int c = 0; c < COUNTERS; ++c) {
        if (isStreaming(c))
            counters.append(c);
    }
    const double seconds = m_sinceTick.restart() / 1000.0;
    if (counters.isEmpty()) {
        m_credit = 0;
        return;
    }
    qint64 count;
    if (m_rate > 0) {
        // Records that are due by now; a stalled loop catches up by at most one second.
        m_credit = qMin(m_credit + seconds * m_rate, double(m_rate));
        count = qint64(m_credit);
        m_credit -= double(count);
    } else {
        count = (MAX_QUEUED - m_pClient->bytesToWrite()) / 8;
    }
    if (count > 0)
        m_pClient->write(makeRecords(count, counters));
}

QByteArray CounterStream::makeRecords(qint64 count, const QVector<int>& counters)
{
    QByteArray bytes;
    bytes.reserve(int(count + count / qMax(1, m_invalidEvery) + 1) * 8);
    uchar word[8];
    for (qint64 i = 0; i < count; ++i) {
        const int c = counters[int(m_nextCounter++ % quint64(counters.size()))];
        qToBigEndian(recordWord(c, nextValue(c)), word);
        bytes.append(reinterpret_cast<const char*>(word), 8);
        ++m_nSent;
        if (m_invalidEvery > 0 && ++m_sinceInvalid >= m_invalidEvery) {
            m_sinceInvalid = 0;
            qToBigEndian(INVALID_WORD, word);
            bytes.append(reinterpret_cast<const char*>(word), 8);
        }
    }
    return bytes;
}

// Gate lengths of about (counter + 1) * 100 us with a jitter of up to 10 us for time-type
// counters, about (counter + 1) * 1000 events with a jitter of up to 100 for event counters.
quint64 CounterStream::nextValue(int counter)
{
    quint64& state = m_random[counter];
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    const quint64 random = (state * 0x2545F4914F6CDD1DULL) >> 11;
    const bool events = m_registers && (m_registers(REG_GATE_MODE + quint32(counter)) & 8) != 0;
    const quint64 base = quint64(counter + 1) * (events ? 1000 : 100000);
    return base + random % (events ? 100 : 10000);
}
