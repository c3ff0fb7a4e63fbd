#pragma once

#include "tests/support/workerHarness.h"

#include <QProcess>
#include <QRegularExpression>
#include <QUdpSocket>

inline const QString SIM = QStringLiteral(VEXTOR_BINARY_DIR "/sim/vextor-sim");

// vextor-sim started on ephemeral ports, read from its first line "vextor-sim udp=N tcp=M".
struct SimProcess
{
    QProcess process;
    quint16 udpPort = 0;
    quint16 tcpPort = 0;

    bool start(const QStringList& args)
    {
        process.start(SIM, args + QStringList{"--udp", "0", "--tcp", "0"});
        if (!process.waitForStarted(5000) || !process.waitForReadyRead(5000))
            return false;
        const QRegularExpressionMatch m = QRegularExpression("^vextor-sim udp=(\\d+) tcp=(\\d+)")
                                              .match(QString::fromLatin1(process.readLine()));
        udpPort = quint16(m.captured(1).toUInt());
        tcpPort = quint16(m.captured(2).toUInt());
        return udpPort != 0;
    }
    void target(QTamp& worker) const
    {
        worker.SetTimeout(1);
        worker.SetIpAddress(QHostAddress(QHostAddress::LocalHost), udpPort, 0);
    }
    // One TAMP write of a byte, answered; false when no reply came.
    bool writeByte(quint32 address, quint8 value)
    {
        QUdpSocket socket;
        socket.connectToHost(QHostAddress(QHostAddress::LocalHost), udpPort);
        QByteArray command = QByteArray::fromHex("ff800101") + QByteArray(4, '\0') + char(value);
        for (int i = 0; i < 4; ++i)
            command[4 + i] = char(address >> (24 - 8 * i));
        socket.write(command);
        return socket.waitForReadyRead(2000);
    }
    bool kill() // SIGKILL: nothing is saved on the way out
    {
        process.kill();
        return process.waitForFinished(5000);
    }
    // One byte of the module's register space, read over UDP.
    int memoryByte(quint32 address) const
    {
        QUdpThread reader;
        target(reader);
        reader.setReadReq(address, 1);
        const WorkerOutcome outcome = runWorker(reader);
        return outcome.bOk && !outcome.data.isEmpty() && !outcome.data.first().isEmpty()
                   ? quint8(outcome.data.first().at(0))
                   : -1;
    }
    bool stop() // SIGTERM: a clean exit that saves the state
    {
        process.terminate();
        return process.waitForFinished(5000) && process.exitStatus() == QProcess::NormalExit &&
               process.exitCode() == 0;
    }
    ~SimProcess()
    {
        process.kill();
        process.waitForFinished(2000);
    }
};
