#include "emulator/moduleImage.h"

ModuleImage::ModuleImage()
    : m_bytes(int(SIZE), '\0')
{}

ModuleImage ModuleImage::fromBytes(const QVector<QPair<quint32, quint8>>& bytes)
{
    ModuleImage image;
    for (const QPair<quint32, quint8>& b : bytes) {
        if (b.first < SIZE)
            image.setByte(b.first, b.second);
    }
    return image;
}

ModuleImage ModuleImage::fromReader(const std::function<quint8(quint32)>& read)
{
    ModuleImage image;
    for (quint32 addr = 0; addr < SIZE; ++addr)
        image.setByte(addr, read(addr));
    return image;
}

bool ModuleImage::sameConfiguration(const ModuleImage& other) const
{
    for (quint32 addr = 0; addr < SIZE; ++addr) {
        const bool live = (addr >= REG_MSR_START && addr < REG_MSR_START + COUNTERS) ||
                          addr == REG_USER_LEVELS || addr == REG_USER_LEVELS + 1;
        if (!live && byte(addr) != other.byte(addr))
            return false;
    }
    return true;
}
