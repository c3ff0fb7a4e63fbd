#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QString>
#include <QVector>

#include <functional>
#include <memory>

class RomStore;

// The module's 32-bit register space as the simulator holds it. Memory lives in named stores
// (byte arrays saved and restored as a whole); regions map address ranges onto stores or onto
// handlers, so that further blocks (ROM control, page window, slots) are added as regions and
// stores of their own. An access that touches an unmapped byte is a bus error.
class ModuleMemory
{
public:
    static constexpr quint32 VERSION_BEGIN = 0x0000;
    static constexpr quint32 VERSION_END = 0x0003;
    static constexpr quint32 REG_BEGIN = 0x0004;
    static constexpr quint32 REG_END = 0x008F;
    static constexpr quint32 REG_COUNTER_START = 0x0064; // + row, 0x80 start, 0x00 stop
    static constexpr quint32 REG_USER_CONTROL = 0x006E;  // 16 bits
    static constexpr quint32 USER_BEGIN = 0x0100;
    static constexpr quint32 USER_END = 0x07FF;
    static constexpr quint32 TABLES_BEGIN = 0x2000;
    static constexpr quint32 TABLES_END = 0x3FFF;
    static constexpr quint32 PROTECT_ADDR = 0xFFFFFF3C;
    static constexpr quint32 EEPROM_BEGIN = 0xFFFFFC00;
    static constexpr quint32 EEPROM_END = 0xFFFFFCFE;
    static constexpr quint32 EEPROM_ENABLE_ADDR = 0xFFFFFCFF;

    static constexpr quint8 PROTECT_WRITABLE = 0x01;
    static constexpr quint8 PROTECT_ROM_WRITE = 0x02;

    // Store names.
    static const char* const STORE_VERSION;
    static const char* const STORE_REGISTERS;
    static const char* const STORE_USER;
    static const char* const STORE_TABLES;
    static const char* const STORE_PROTECT;
    static const char* const STORE_EEPROM;

    struct Region
    {
        quint32 begin;
        quint32 end; // inclusive
        std::function<quint8(quint32 addr)> read;
        // Returns true when the byte changed (the change is to be saved).
        std::function<bool(quint32 addr, quint8 value)> write;
    };

    ModuleMemory();
    ~ModuleMemory();
    // Regions refer to this object: it is neither copied nor moved.
    ModuleMemory(const ModuleMemory&) = delete;
    ModuleMemory& operator=(const ModuleMemory&) = delete;

    // Four version bytes; shorter text is padded with '0'.
    void setVersion(const QByteArray& text);
    // Factory network settings in the EEPROM.
    void setNetwork(const QHostAddress& ip, quint16 udpPort, quint16 tcpPort);
    // What a module that loaded no slot may hold after power-on: every register and lookup-table
    // byte drawn from a generator seeded with seed, so that a run can be repeated.
    void fillRandom(quint32 seed);

    // Protocol access: false when any byte of the range is unmapped (nothing is then written).
    bool read(quint32 addr, int length, QByteArray& out) const;
    bool write(quint32 addr, const QByteArray& data);

    // Direct access that ignores protection (tests, the counter stream); 0 for unmapped bytes.
    quint8 peek(quint32 addr) const;
    void poke(quint32 addr, quint8 value);
    bool isMapped(quint32 addr) const;

    // Counts every effective change; a saver compares it with the count it saved last.
    quint64 changeCount() const { return m_changes; }
    // For blocks that change memory on their own (a ROM command finishing).
    void markChanged() { ++m_changes; }

    // The non-volatile memories and their control registers.
    RomStore& rom() { return *m_pRom; }

    QByteArray saveState() const;
    bool loadState(const QByteArray& state);

    void addRegion(const Region& region);
    QByteArray& store(const QString& name) { return m_stores[name]; }
    const QByteArray store(const QString& name) const { return m_stores.value(name); }

private:
    const Region* regionOf(quint32 addr) const;
    bool isRangeMapped(quint32 addr, int length) const;
    // A region backed by bytes of a store; writes pass through the guard.
    void addStoreRegion(quint32 begin, quint32 end, const QString& store,
                        std::function<bool(quint32)> writable);
    bool registersWritable() const;
    bool eepromWritable() const;

    QMap<QString, QByteArray> m_stores;
    QByteArray* m_pProtect = nullptr;
    QByteArray* m_pEeprom = nullptr;
    QVector<Region> m_regions;
    quint64 m_changes = 0;
    std::unique_ptr<RomStore> m_pRom;
};
