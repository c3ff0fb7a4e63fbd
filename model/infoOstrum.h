#pragma once

#include <QString>

// Connection settings of one module: where it is, which ports it serves, how long a register
// access may wait and whether the monitors open by themselves after a download.
struct InfoOstrum
{
    static constexpr const char* DEFAULT_ADDR = "192.168.10.16";
    static constexpr quint16 DEFAULT_TCP_PORT = 24;
    static constexpr quint16 DEFAULT_UDP_PORT = 4660;
    static constexpr int DEFAULT_TIMEOUT = 1;

    QString strFPGA;
    QString strAddr;
    quint16 tcpPort = 0;
    quint16 udpPort = 0;
    int timeout = 0;
    bool bStart = false;

    // The built-in defaults with the given Auto Start flag.
    static InfoOstrum defaults(bool autoStart)
    {
        InfoOstrum info;
        info.strAddr = QString::fromLatin1(DEFAULT_ADDR);
        info.tcpPort = DEFAULT_TCP_PORT;
        info.udpPort = DEFAULT_UDP_PORT;
        info.timeout = DEFAULT_TIMEOUT;
        info.bStart = autoStart;
        return info;
    }

    // Whether address, ports, time-out or Auto Start differ (the FPGA text is not a setting).
    bool differsFrom(const InfoOstrum& other) const
    {
        return strAddr != other.strAddr || tcpPort != other.tcpPort || udpPort != other.udpPort ||
               timeout != other.timeout || bStart != other.bStart;
    }
};
