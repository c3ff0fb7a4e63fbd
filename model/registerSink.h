#pragma once

#include <QtGlobal>

// Receiver of the register image: each call queues one big-endian value at an address and
// returns its width in bytes; the call without arguments sends what is queued and returns the
// number of bytes written. The device worker implements it; tests and the command-line tool
// capture the image with their own sinks.
class RegisterSink
{
public:
    virtual ~RegisterSink() = default;
    virtual int writeTAMP(quint8 data, quint32 addr) = 0;
    virtual int writeTAMP(quint16 data, quint32 addr) = 0;
    virtual int writeTAMP(quint32 data, quint32 addr) = 0;
    virtual int writeTAMP() = 0;
};
