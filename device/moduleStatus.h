#pragma once

#include "device/qUdpThread.h"

#include <QByteArray>
#include <QString>

// The bytes a status job delivers, decoded. Their layout follows the status request
// (QUdpThread::StatusIndex): the version at 0-3, the protect register at CurrentProtect, then
// either the boot protect value at BootProtect (a BootProtect request) or, with ROM information,
// the boot slot at BootProtect and the slot comments from RomStatus on. A byte that is not
// present counts as not protected.
class ModuleStatus
{
public:
    // Bits of the protect register and of its boot value in the EEPROM.
    static constexpr quint8 PROTECT_WRITABLE = 0x01;  // registers writable
    static constexpr quint8 PROTECT_ROM_WRITE = 0x02; // ROM writing enabled

    ModuleStatus() = default;
    explicit ModuleStatus(const QByteArray& bytes)
        : m_bytes(bytes)
    {}

    const QByteArray& bytes() const { return m_bytes; }
    QByteArray version() const { return m_bytes.left(QUdpThread::VERSION_SIZE); }

    quint8 protectRegister() const { return byteAt(QUdpThread::CurrentProtect); }
    // The registers may not be written: the protect register is there and its bit 0 is clear.
    bool registersProtected() const { return isProtected(QUdpThread::CurrentProtect); }
    bool romWritingEnabled() const { return protectRegister() & PROTECT_ROM_WRITE; }

    // A BootProtect request: the protect value the module applies at boot.
    quint8 bootProtectRegister() const { return byteAt(QUdpThread::BootProtect); }
    bool bootProtected() const { return isProtected(QUdpThread::BootProtect); }

    // A request with ROM information (delivered only while the registers are writable).
    bool hasRomInformation() const { return m_bytes.size() >= ROM_STATUS_SIZE; }
    int bootSlot() const { return byteAt(QUdpThread::BootProtect); }
    // Whether the boot byte names one of the slots (the EEPROM byte may hold any value).
    bool bootSlotExists() const { return bootSlot() < QUdpThread::ROM_SLOTS; }
    // The boot slot followed by the 16 comment records, as the ROM dialog shows them.
    QByteArray romInformation() const { return m_bytes.mid(QUdpThread::BootProtect); }
    QByteArray commentRecord(int slot) const;
    QString comment(int slot) const;

    // The same status with ROM writing switched off.
    ModuleStatus withRomWritingOff() const;

    // A protect register value with bit 0 cleared (protected) or set.
    static quint8 withProtection(quint8 value, bool bProtected);

private:
    static constexpr int ROM_STATUS_SIZE = QUdpThread::RomStatus + QUdpThread::USER_AREA_SIZE;

    quint8 byteAt(int index) const { return index < m_bytes.size() ? quint8(m_bytes.at(index)) : 0; }
    bool isProtected(int index) const
    {
        return index < m_bytes.size() && !(quint8(m_bytes.at(index)) & PROTECT_WRITABLE);
    }

    QByteArray m_bytes;
};

// The user comment kept for each ROM slot: a record of COMMENT_SIZE bytes holding UTF-8 text,
// ended by a NUL byte unless the text fills the record.
namespace RomComment {
QString text(const QByteArray& record);
// The record for a comment (at most COMMENT_SIZE bytes of UTF-8), padded with NUL bytes.
QByteArray record(const QString& comment);
} // namespace RomComment
