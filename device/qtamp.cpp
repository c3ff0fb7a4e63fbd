#include "device/qtamp.h"

#include "model/infoOstrum.h"

#include <QElapsedTimer>
#include <QUdpSocket>

#include <cstring>

QTamp::QTamp(QObject* parent)
    : QThread(parent)
{}

QTamp::~QTamp()
{
    stopAndWait();
    delete m_socket;
}

void QTamp::stopAndWait()
{
    m_bAbort = true;
    while (isRunning())
        wait(WAIT_MS);
}

void QTamp::SetIpAddress(QHostAddress ipAddress, quint16 udp, quint16 tcp)
{
    m_ipAddress = ipAddress;
    m_nPort = udp;
    m_tcpPort = tcp;
}

void QTamp::Abort()
{
    m_bAbort = true;
}

void QTamp::SetTimeout(int seconds)
{
    // Beyond the longest time-out a record may hold the budget stays at that longest one.
    if (seconds > 0)
        m_timeout = qMin(seconds, InfoOstrum::MAX_TIMEOUT) * 10;
}

void QTamp::SetRetry(int retries)
{
    if (retries > 0)
        m_retry = retries + 1;
}

int QTamp::Read(quint32 address, char* byte)
{
    return read(address, byte, 1);
}

quint32 QTamp::Read(quint32 address, char* buffer, quint32 nbytes)
{
    quint32 done = 0;
    while (done < nbytes) {
        const quint8 chunk = quint8(qMin(nbytes - done, m_maxLength));
        const int n = read(address + done, buffer ? buffer + done : nullptr, chunk);
        if (n < int(chunk))
            return done;
        done += chunk;
    }
    return nbytes;
}

void QTamp::ReadAll(quint32 address, char* buffer, quint32 nbytes)
{
    const quint32 n = Read(address, buffer, nbytes);
    if (n == nbytes)
        return;
    m_estr += QStringLiteral("address: 0x%1\n").arg(address, 8, 16, QLatin1Char('0'));
    m_estr += QStringLiteral("request length: %1\n").arg(nbytes);
    m_estr += QStringLiteral("read length: %1\n\n").arg(n);
    throw ReadErr;
}

int QTamp::Write(quint32 address, char value)
{
    return write(address, &value, 1);
}

quint32 QTamp::Write(quint32 address, const char* buffer, quint32 nbytes)
{
    quint32 done = 0;
    while (done < nbytes) {
        const quint8 chunk = quint8(qMin(nbytes - done, m_maxLength));
        const int n = write(address + done, buffer + done, chunk);
        if (n < int(chunk))
            return done;
        done += chunk;
    }
    return nbytes;
}

void QTamp::WriteAll(quint32 address, const char* buffer, quint32 nbytes)
{
    if (Write(address, buffer, nbytes) != nbytes)
        throw WriteErr;
}

bool QTamp::EnableWriteEEPROM(bool bEnable)
{
    return Write(EEPROM_WRITE_ENABLE_ADDR, char(bEnable ? 0x00 : 0xFF)) > 0;
}

void QTamp::setHeader(quint8 command, int id, quint8 length, quint32 address)
{
    m_buf[0] = char(TAMP_VER);
    m_buf[1] = char(command);
    m_buf[2] = char(id);
    m_buf[3] = char(length);
    for (int i = 0; i < 4; ++i)
        m_buf[4 + i] = char(address >> (24 - 8 * i));
}

int QTamp::setReadCmd(quint32 address, quint8 length)
{
    const int id = getId();
    m_buf.resize(TAMP_HEADER_SIZE);
    setHeader(TAMP_RD, id, length, address);
    return id;
}

int QTamp::setWriteCmd(quint32 address, const char* data, quint8 length)
{
    const int id = getId();
    m_buf.resize(TAMP_HEADER_SIZE + length);
    setHeader(TAMP_WR, id, length, address);
    if (length > 0)
        std::memcpy(m_buf.data() + TAMP_HEADER_SIZE, data, length);
    return id;
}

void QTamp::appendPacketDiagnostic(const char* direction, quint32 address, quint8 length)
{
    m_estr += QStringLiteral("%1 address: 0x%2\n")
                  .arg(QLatin1String(direction))
                  .arg(address, 8, 16, QLatin1Char('0'));
    m_estr += QStringLiteral("length: %1\n\n").arg(length);
}

int QTamp::read(quint32 address, char* data, quint8 length)
{
    for (int attempt = 0; attempt < m_retry; ++attempt) {
        const int r = commTAMP(setReadCmd(address, length));
        if (r == BusErr) {
            appendPacketDiagnostic("read", address, length);
            throw BusErr;
        }
        if (r == Timeout)
            continue;
        const int n = qMin(r - TAMP_HEADER_SIZE, int(length));
        if (data && n > 0)
            std::memcpy(data, m_buf.constData() + TAMP_HEADER_SIZE, size_t(n));
        return n;
    }
    appendPacketDiagnostic("read", address, length);
    throw Timeout;
}

int QTamp::write(quint32 address, const char* data, quint8 length)
{
    for (int attempt = 0; attempt < m_retry; ++attempt) {
        ++m_writeCommands;
        const int r = commTAMP(setWriteCmd(address, data, length));
        if (r == BusErr) {
            appendPacketDiagnostic("write", address, length);
            throw BusErr;
        }
        if (r == Timeout)
            continue;
        return length;
    }
    appendPacketDiagnostic("write", address, length);
    throw Timeout;
}

bool QTamp::startUDP()
{
    if (m_socket)
        return true;
    // m_bAbort is not reset here: a cancel that comes before the job has started stops it.
    m_bFinished = false;
    m_bTimedOut = false;
    m_writeCommands = 0;
    if (m_ipAddress.isNull())
        return false;
    m_socket = new QUdpSocket;
    m_socket->connectToHost(m_ipAddress, m_nPort, QIODevice::ReadWrite);
    return true;
}

void QTamp::closeSocket()
{
    if (m_socket) {
        m_socket->close();
        delete m_socket;
        m_socket = nullptr;
    }
    m_bAbort = false; // the job is over; a reused worker starts its next one afresh
    emit closed(m_bFinished);
}

bool QTamp::takeDatagram()
{
    if (!m_socket->hasPendingDatagrams())
        return false;
    const qint64 size = m_socket->pendingDatagramSize();
    m_buf.resize(int(qMax<qint64>(size, 0)));
    const qint64 n = m_socket->readDatagram(m_buf.data(), m_buf.size());
    if (n < TAMP_HEADER_SIZE)
        throw SockErr;
    m_buf.resize(int(n));
    return true;
}

bool QTamp::waitTick()
{
    // waitForReadyRead can return early (for instance on an ICMP error after a datagram to a closed
    // port); the tick still lasts its full 100 ms so that the budget means time.
    QElapsedTimer timer;
    timer.start();
    for (;;) {
        if (m_socket->hasPendingDatagrams())
            return true;
        const qint64 left = WAIT_MS - timer.elapsed();
        if (left <= 0)
            return false;
        if (!m_socket->waitForReadyRead(int(left)) && !m_socket->hasPendingDatagrams()) {
            const qint64 rest = WAIT_MS - timer.elapsed();
            if (rest > 0 && m_socket->error() != QAbstractSocket::SocketTimeoutError)
                QThread::msleep(quint64(qMin<qint64>(rest, 10)));
        }
    }
}

int QTamp::commTAMP(int id)
{
    if (m_bAbort)
        throw Aborted;
    if (m_socket->write(m_buf) <= 0)
        throw SockErr;
    for (int tick = 0;;) {
        if (waitTick() && takeDatagram()) {
            if (id < 0)
                return m_buf.size();
            if (qint8(m_buf.at(2)) == id)
                return (m_buf.at(1) & 0x01) ? int(BusErr) : m_buf.size();
            // a reply to another command: dropped, and the wait goes on
        }
        if (++tick >= m_timeout)
            return Timeout;
        if (m_bAbort)
            throw Aborted;
    }
}

qint8 QTamp::getId()
{
    qint8 next = qint8(quint8(m_id) + 1);
    if (next < 0)
        next = 0;
    m_id = next;
    return m_id;
}

void QTamp::strError(ErrSts e)
{
    m_bTimedOut = e == Timeout;
    switch (e) {
    case Timeout:
        m_estr += QStringLiteral("QTamp: Socket operation timed out");
        break;
    case BusErr:
        m_estr += QStringLiteral("QTamp: Bus Error");
        break;
    case ReadErr:
        m_estr += QStringLiteral("QTamp: Unable to read");
        break;
    case WriteErr:
        m_estr += QStringLiteral("QTamp: Unable to write");
        break;
    case Aborted:
        m_estr += QStringLiteral("QTamp: Aborted");
        break;
    case SockErr:
    case Unknown:
    default:
        m_estr += m_socket ? m_socket->errorString() : QStringLiteral("QTamp: Socket closed");
        break;
    }
}
