#pragma once

#include "model/registerSink.h"

#include <QPair>
#include <QStringList>
#include <QVector>

// A register sink that keeps the image instead of sending it: every written byte in write order
// as (address, byte), multi-byte values most significant byte first, and the number of sends.
class ImageCapture : public RegisterSink
{
public:
    using Byte = QPair<quint32, quint8>;

    int writeTAMP(quint8 data, quint32 addr) override;
    int writeTAMP(quint16 data, quint32 addr) override;
    int writeTAMP(quint32 data, quint32 addr) override;
    // Counts a send; returns the number of bytes written since the previous one.
    int writeTAMP() override;

    const QVector<Byte>& bytes() const { return m_bytes; }
    int flushes() const { return m_flushes; }
    void clear();
    // The byte at an address (the last one written there), or -1 when none was written.
    int byteAt(quint32 addr) const;
    // What the module holds at base .. base + size - 1 after these writes (0 where nothing was
    // written).
    QByteArray range(quint32 base, int size) const;

    // One line "%08x %02x" (lower-case hexadecimal) per byte, in write order.
    QStringList lines() const;
    // The same lines, each ended by a line break.
    QString text() const;

private:
    int append(quint64 value, int width, quint32 addr);

    QVector<Byte> m_bytes;
    int m_flushes = 0;
    int m_pending = 0;
};
