#include "sim/tampServer.h"

#include "sim/moduleMemory.h"

#include <QNetworkDatagram>
#include <QTimer>
#include <QUdpSocket>

TampServer::TampServer(ModuleMemory* memory, QObject* parent)
    : QObject(parent)
    , m_pMemory(memory)
    , m_socket(new QUdpSocket(this))
    , m_random(QRandomGenerator::securelySeeded())
{
    connect(m_socket, &QUdpSocket::readyRead, this, &TampServer::readPending);
}

bool TampServer::listen(const QHostAddress& address, quint16 port)
{
    return m_socket->bind(address, port);
}

quint16 TampServer::port() const
{
    return m_socket->localPort();
}

QString TampServer::errorString() const
{
    return m_socket->errorString();
}

QByteArray TampServer::answer(ModuleMemory& memory, const QByteArray& request, bool* changed)
{
    if (request.size() < HEADER_SIZE)
        return QByteArray();
    const quint8 command = quint8(request.at(1));
    const int length = quint8(request.at(3));
    quint32 address = 0;
    for (int i = 4; i < HEADER_SIZE; ++i)
        address = (address << 8) | quint8(request.at(i));

    QByteArray reply = request.left(HEADER_SIZE);
    reply[0] = char(TAMP_VER);
    const quint64 before = memory.changeCount();
    if (command == TAMP_RD) {
        QByteArray data;
        if (memory.read(address, length, data)) {
            reply[1] = char(TAMP_RD | ACK);
            reply += data;
        } else {
            reply[1] = char(TAMP_RD | ACK | BUS_ERROR);
        }
    } else if (command == TAMP_WR) {
        const QByteArray data = request.mid(HEADER_SIZE);
        const bool ok = data.size() == length && memory.write(address, data);
        reply[1] = char(TAMP_WR | ACK | (ok ? 0 : BUS_ERROR));
    } else {
        return QByteArray();
    }
    if (changed)
        *changed = memory.changeCount() != before;
    return reply;
}

void TampServer::readPending()
{
    while (m_socket->hasPendingDatagrams()) {
        const QNetworkDatagram datagram = m_socket->receiveDatagram();
        const QByteArray request = datagram.data();
        ++m_stats.requests;
        emit requestReceived(request);
        m_stats.bytesIn += quint64(request.size());
        if (request.size() >= HEADER_SIZE) {
            if (quint8(request.at(1)) == TAMP_RD)
                ++m_stats.reads;
            else if (quint8(request.at(1)) == TAMP_WR)
                ++m_stats.writes;
        }
        if (m_faults.loss > 0.0 && m_random.generateDouble() < m_faults.loss) {
            ++m_stats.dropped;
            continue;
        }
        bool changed = false;
        const QByteArray reply = answer(*m_pMemory, request, &changed);
        if (changed)
            emit memoryChanged();
        if (!reply.isEmpty())
            deliver(reply, datagram.senderAddress(), quint16(datagram.senderPort()));
    }
}

void TampServer::deliver(const QByteArray& reply, const QHostAddress& peer, quint16 peerPort)
{
    auto sendAll = [this, reply, peer, peerPort]() {
        if (m_faults.stray) {
            QByteArray stray = reply;
            stray[2] = char((quint8(reply.at(2)) + 64) & 0x7F);
            sendNow(stray, peer, peerPort);
        }
        sendNow(reply, peer, peerPort);
        if (m_faults.dup)
            sendNow(reply, peer, peerPort);
    };
    if (m_faults.delayMs > 0)
        QTimer::singleShot(m_faults.delayMs, this, sendAll);
    else
        sendAll();
}

void TampServer::sendNow(const QByteArray& reply, const QHostAddress& peer, quint16 peerPort)
{
    if (m_socket->writeDatagram(reply, peer, peerPort) > 0) {
        ++m_stats.replies;
        m_stats.bytesOut += quint64(reply.size());
    }
}
