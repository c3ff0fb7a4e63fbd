#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMutex>
#include <QSemaphore>
#include <QThread>
#include <QUdpSocket>

#include <atomic>
#include <functional>

// A UDP peer on loopback that answers each datagram with whatever its script returns (possibly
// nothing), in its own thread, and records every datagram it received.
class ScriptedPeer : public QThread
{
public:
    using Script = std::function<QList<QByteArray>(const QByteArray& request, int index)>;

    explicit ScriptedPeer(Script script)
        : m_script(std::move(script))
    {
        start();
        m_ready.acquire();
    }
    ~ScriptedPeer() override
    {
        m_stop = true;
        wait();
    }

    quint16 port() const { return m_port; }
    QList<QByteArray> requests() const
    {
        QMutexLocker lock(&m_mutex);
        return m_requests;
    }

    // A module's reply: the header with the reply command (bit 3, bit 0 on a bus error), then data.
    static QByteArray reply(const QByteArray& request, const QByteArray& data = QByteArray(),
                            bool busError = false)
    {
        QByteArray r = request.left(8);
        r[1] = char(quint8(request.at(1)) | 0x08 | (busError ? 0x01 : 0x00));
        return r + data;
    }

protected:
    void run() override
    {
        QUdpSocket socket;
        socket.bind(QHostAddress(QHostAddress::LocalHost), 0);
        m_port = socket.localPort();
        m_ready.release();
        for (int index = 0; !m_stop;) {
            if (!socket.hasPendingDatagrams() && !socket.waitForReadyRead(20))
                continue;
            QByteArray request(int(socket.pendingDatagramSize()), '\0');
            QHostAddress sender;
            quint16 senderPort = 0;
            socket.readDatagram(request.data(), request.size(), &sender, &senderPort);
            {
                QMutexLocker lock(&m_mutex);
                m_requests.append(request);
            }
            for (const QByteArray& r : m_script(request, index++))
                socket.writeDatagram(r, sender, senderPort);
        }
    }

private:
    Script m_script;
    QSemaphore m_ready;
    std::atomic<bool> m_stop{false};
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QList<QByteArray> m_requests;
};
