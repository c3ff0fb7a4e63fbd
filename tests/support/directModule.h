#pragma once

#include "device/qUdpThread.h"
#include "sim/moduleMemory.h"
#include "sim/romStore.h"
#include "sim/tampServer.h"

// A device worker whose jobs run in the calling thread against a simulated module, each command
// datagram answered by the simulator's own code without a socket: the whole worker (protocol,
// jobs, ROM and FAT handling) at the speed a fuzzer or a randomized test needs. Signals reach
// connections in this thread directly.
class DirectWorker : public QUdpThread
{
public:
    explicit DirectWorker(ModuleMemory& memory)
        : m_memory(memory)
    {
        setRomPollInterval(0);
        SetIpAddress(QHostAddress(QHostAddress::LocalHost), 1, 0);
    }

    // Runs the stored job to its end; closed() has been emitted on return.
    void runHere() { run(); }

protected:
    bool startUDP() override
    {
        m_bFinished = false;
        m_writeCommands = 0;
        return true;
    }
    void closeSocket() override
    {
        m_bAbort = false;
        emit closed(m_bFinished);
    }
    int commTAMP(int id) override
    {
        if (m_bAbort)
            throw Aborted;
        const QByteArray reply = TampServer::answer(m_memory, m_buf);
        if (reply.size() < TAMP_HEADER_SIZE)
            return Timeout;
        m_buf = reply;
        if (id >= 0 && qint8(m_buf.at(2)) != id)
            return Timeout;
        return (m_buf.at(1) & 0x01) ? int(BusErr) : m_buf.size();
    }

private:
    ModuleMemory& m_memory;
};
