#include "model/imageCapture.h"

int ImageCapture::writeTAMP(quint8 data, quint32 addr)
{
    return append(data, 1, addr);
}

int ImageCapture::writeTAMP(quint16 data, quint32 addr)
{
    return append(data, 2, addr);
}

int ImageCapture::writeTAMP(quint32 data, quint32 addr)
{
    return append(data, 4, addr);
}

int ImageCapture::writeTAMP()
{
    ++m_flushes;
    const int sent = m_pending;
    m_pending = 0;
    return sent;
}

int ImageCapture::append(quint64 value, int width, quint32 addr)
{
    for (int b = 0; b < width; ++b)
        m_bytes.append(Byte(addr + quint32(b), quint8(value >> (8 * (width - 1 - b)))));
    m_pending += width;
    return width;
}

void ImageCapture::clear()
{
    m_bytes.clear();
    m_flushes = 0;
    m_pending = 0;
}

int ImageCapture::byteAt(quint32 addr) const
{
    for (int i = m_bytes.size() - 1; i >= 0; --i) {
        if (m_bytes.at(i).first == addr)
            return m_bytes.at(i).second;
    }
    return -1;
}

QByteArray ImageCapture::range(quint32 base, int size) const
{
    QByteArray data(size, '\0');
    for (const Byte& b : m_bytes) {
        if (b.first >= base && b.first - base < quint32(size))
            data[int(b.first - base)] = char(b.second);
    }
    return data;
}

QStringList ImageCapture::lines() const
{
    QStringList out;
    out.reserve(m_bytes.size());
    for (const Byte& b : m_bytes) {
        out.append(QStringLiteral("%1 %2")
                       .arg(b.first, 8, 16, QLatin1Char('0'))
                       .arg(uint(b.second), 2, 16, QLatin1Char('0')));
    }
    return out;
}

QString ImageCapture::text() const
{
    QString out;
    for (const QString& line : lines())
        out += line + QLatin1Char('\n');
    return out;
}
