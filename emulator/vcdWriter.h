#pragma once

#include "emulator/signalNames.h"

#include <QString>

class Emulator;
class QIODevice;

// Writes a run's trace as a Value Change Dump (IEEE 1364), the file waveform viewers such as
// GTKWave open: a 1 ns timescale, one scope per stage with a 1-bit wire per signal, and per
// measure counter two variables that follow its records (their number and their sum).
class VcdWriter
{
public:
    // Writes the trace up to endCycle; false when the device fails (errorString then tells why).
    static bool write(QIODevice& device, const Emulator& emulator, const SignalNames& names, qint64 endCycle,
                      const QString& title);
    // A signal name as a VCD identifier: letters, digits and '_' only.
    static QString identifier(const QString& name);
    // The short code of the n-th variable (printable characters '!' to '~').
    static QByteArray code(int n);
};
