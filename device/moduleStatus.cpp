#include "device/moduleStatus.h"

QByteArray ModuleStatus::commentRecord(int slot) const
{
    return m_bytes.mid(QUdpThread::RomStatus + slot * QUdpThread::COMMENT_SIZE, QUdpThread::COMMENT_SIZE);
}

QString ModuleStatus::comment(int slot) const
{
    return RomComment::text(commentRecord(slot));
}

ModuleStatus ModuleStatus::withRomWritingOff() const
{
    QByteArray bytes = m_bytes;
    if (bytes.size() > QUdpThread::CurrentProtect)
        bytes[QUdpThread::CurrentProtect] = char(protectRegister() & ~PROTECT_ROM_WRITE);
    return ModuleStatus(bytes);
}

quint8 ModuleStatus::withProtection(quint8 value, bool bProtected)
{
    return bProtected ? quint8(value & ~PROTECT_WRITABLE) : quint8(value | PROTECT_WRITABLE);
}

QString RomComment::text(const QByteArray& record)
{
    const QByteArray bytes = record.left(QUdpThread::COMMENT_SIZE);
    const int end = bytes.indexOf('\0');
    return QString::fromUtf8(end < 0 ? bytes : bytes.left(end));
}

QByteArray RomComment::record(const QString& comment)
{
    QByteArray bytes = comment.toUtf8().left(QUdpThread::COMMENT_SIZE);
    bytes.append(QByteArray(QUdpThread::COMMENT_SIZE - bytes.size(), '\0'));
    return bytes;
}
