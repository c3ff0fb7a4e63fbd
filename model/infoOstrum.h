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
    // The reply time-out a record may hold, in seconds: each attempt of a register access waits
    // that long (0: the link's own default of 4 seconds). A longer wait would let a silent module
    // hang a command for hours; the link counts the wait in tenths of a second.
    static constexpr int MIN_TIMEOUT = 0;
    static constexpr int MAX_TIMEOUT = 60;

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

    // Whether seconds is a time-out a record may hold; when it is not and message is given, *message
    // says so: "The time-out <seconds> is out of range: it must be 0 to 60 seconds."
    static bool isTimeoutInRange(qint64 seconds, QString* message = nullptr)
    {
        if (seconds >= MIN_TIMEOUT && seconds <= MAX_TIMEOUT)
            return true;
        if (message)
            *message = QStringLiteral("The time-out %1 is out of range: it must be %2 to %3 seconds.")
                           .arg(seconds)
                           .arg(MIN_TIMEOUT)
                           .arg(MAX_TIMEOUT);
        return false;
    }
    // The time-out in range nearest to seconds.
    static int clampTimeout(qint64 seconds) { return int(qBound<qint64>(MIN_TIMEOUT, seconds, MAX_TIMEOUT)); }

    // Whether address, ports, time-out or Auto Start differ (the FPGA text is not a setting).
    bool differsFrom(const InfoOstrum& other) const
    {
        return strAddr != other.strAddr || tcpPort != other.tcpPort || udpPort != other.udpPort ||
               timeout != other.timeout || bStart != other.bStart;
    }
};
