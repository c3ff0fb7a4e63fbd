#include "sim/counterStream.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <cmath>

bool CounterStream::RateProfile::parse(const QString& text, RateProfile& profile)
{
    const QString name = text.section(QLatin1Char(':'), 0, 0);
    const bool hasPeriod = text.contains(QLatin1Char(':'));
    bool ok = true;
    const int period = hasPeriod ? text.section(QLatin1Char(':'), 1).toInt(&ok) : 0;
    if (!ok || (hasPeriod && period <= 0))
        return false;
    if (name == QLatin1String("constant") && !hasPeriod)
        profile = {Constant, 0};
    else if (name == QLatin1String("poisson") && !hasPeriod)
        profile = {Poisson, 0};
    else if (name == QLatin1String("ramp"))
        profile = {Ramp, hasPeriod ? period : 60};
    else if (name == QLatin1String("bursts"))
        profile = {Bursts, hasPeriod ? period : 10};
    else
        return false;
    return true;
}

double CounterStream::RateProfile::rateAt(double t, double rate) const
{
    const double phase = periodSeconds > 0 ? std::fmod(t, double(periodSeconds)) : 0.0;
    switch (kind) {
    case Ramp:
        return rate * phase / periodSeconds;
    case Bursts:
        return phase < 1.0 ? rate : 0.0;
    default:
        return rate;
    }
}

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
        // The module's data port takes no input: whatever comes is read and dropped.
        client->setReadBufferSize(64 * 1024);
        connect(client, &QTcpSocket::readyRead, client, [client] { client->skip(client->bytesAvailable()); });
        connect(client, &QTcpSocket::bytesWritten, this, [this] {
            if (m_rate <= 0)
                pump();
        });
        restartPattern();
        m_credit = 0;
        m_sinceTick.start();
        m_sinceConnect.start();
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
    m_profileRandom = (quint64(m_seed) << 8 | 0xFF) * 0x9E3779B97F4A7C15ULL | 1;
}

qint64 CounterStream::queuedBytes() const
{
    return m_pClient ? m_pClient->bytesToWrite() : 0;
}

void CounterStream::sendRecord(int counter, quint64 value)
{
    if (!m_pClient || m_pClient->state() != QAbstractSocket::ConnectedState ||
        m_pClient->bytesToWrite() >= MAX_QUEUED)
        return;
    uchar word[8];
    qToBigEndian(recordWord(counter, value), word);
    m_pClient->write(reinterpret_cast<const char*>(word), 8);
    ++m_nSent;
}

void CounterStream::pump()
{
    if (m_bExternal || !m_pClient || m_pClient->state() != QAbstractSocket::ConnectedState)
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
    // Room for records: a client that does not read holds the stream back.
    const qint64 room = qMax<qint64>(0, (MAX_QUEUED - m_pClient->bytesToWrite()) / 8);
    qint64 count;
    if (m_rate > 0) {
        // Records that are due by now; a stalled loop catches up by at most one second.
        const double rate = m_profile.rateAt(m_sinceConnect.elapsed() / 1000.0, m_rate);
        if (m_profile.kind == RateProfile::Poisson) {
            count = poisson(seconds * rate);
        } else {
            m_credit = qMin(m_credit + seconds * rate, double(m_rate));
            count = qint64(m_credit);
            m_credit -= double(count);
        }
        count = qMin(count, room);
    } else {
        count = room;
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
    const quint64 random = nextRandom(m_random[counter]);
    const bool events = m_registers && (m_registers(REG_GATE_MODE + quint32(counter)) & 8) != 0;
    const quint64 base = quint64(counter + 1) * (events ? 1000 : 100000);
    return base + random % (events ? 100 : 10000);
}

// xorshift64*, 53 bits.
quint64 CounterStream::nextRandom(quint64& state)
{
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return (state * 0x2545F4914F6CDD1DULL) >> 11;
}

// Arrivals in one tick: Knuth's method for small means, the normal approximation for large ones.
qint64 CounterStream::poisson(double mean)
{
    const auto uniform = [this] { return (double(nextRandom(m_profileRandom)) + 0.5) / double(1ULL << 53); };
    if (mean <= 0)
        return 0;
    if (mean > 30) {
        const double normal = std::sqrt(-2 * std::log(uniform())) * std::cos(2 * M_PI * uniform());
        return qMax<qint64>(0, qint64(std::llround(mean + std::sqrt(mean) * normal)));
    }
    const double limit = std::exp(-mean);
    qint64 k = 0;
    for (double p = uniform(); p > limit; p *= uniform())
        ++k;
    return k;
}
