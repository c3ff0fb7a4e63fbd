#include "sim/moduleMemory.h"

#include "sim/romStore.h"

#include <QDataStream>
#include <QIODevice>
#include <QRandomGenerator>

const char* const ModuleMemory::STORE_VERSION = "version";
const char* const ModuleMemory::STORE_REGISTERS = "registers";
const char* const ModuleMemory::STORE_USER = "user";
const char* const ModuleMemory::STORE_TABLES = "tables";
const char* const ModuleMemory::STORE_PROTECT = "protect";
const char* const ModuleMemory::STORE_EEPROM = "eeprom";

namespace {
// Version 1 held the stores only; version 2 adds the ROM block's state.
const char STATE_MAGIC_V1[] = "VXSIM1";
const char STATE_MAGIC[] = "VXSIM2";
constexpr quint8 EEPROM_ENABLED = 0x00;
constexpr quint8 EEPROM_DISABLED = 0xFF;

// EEPROM offsets of the network block.
constexpr int EE_MAC = 0x12;
constexpr int EE_IP = 0x18;
constexpr int EE_TCP_DATA = 0x1C;
constexpr int EE_TCP_COMMAND = 0x1E;
constexpr int EE_TCP_MSS = 0x20;
constexpr int EE_UDP = 0x22;
constexpr int EE_KEEP_ALIVE_BUSY = 0x24;
constexpr int EE_KEEP_ALIVE_IDLE = 0x26;
constexpr int EE_CONNECT_TIMEOUT = 0x28;
constexpr int EE_DISCONNECT_TIMEOUT = 0x2A; // units of 256 ms
constexpr int EE_RECONNECT = 0x2C;
constexpr int EE_RETRANSMIT = 0x2E;
constexpr int EE_BOOT_PROTECT = 0x3C;
constexpr int EE_BOOT_SLOT = 0x3E;

void putWord(QByteArray& bytes, int offset, quint16 value)
{
    bytes[offset] = char(value >> 8);
    bytes[offset + 1] = char(value);
}
} // namespace

ModuleMemory::ModuleMemory()
{
    m_stores[STORE_VERSION] = QByteArray("3.01");
    m_stores[STORE_REGISTERS] = QByteArray(int(REG_END + 1), '\0');
    m_stores[STORE_USER] = QByteArray(int(USER_END - USER_BEGIN + 1), '\0');
    m_stores[STORE_TABLES] = QByteArray(int(TABLES_END - TABLES_BEGIN + 1), '\0');
    // ROM writing is off at rest: a storing job switches it on for itself and off again.
    m_stores[STORE_PROTECT] = QByteArray(1, char(PROTECT_WRITABLE));
    m_stores[STORE_EEPROM] = QByteArray(256, '\0');
    m_stores[STORE_EEPROM][int(EEPROM_ENABLE_ADDR - EEPROM_BEGIN)] = char(EEPROM_DISABLED);
    // The guards consult these on every byte written.
    m_pProtect = &m_stores[STORE_PROTECT];
    m_pEeprom = &m_stores[STORE_EEPROM];
    setNetwork(QHostAddress(QHostAddress::LocalHost), 4660, 24);

    // The version bytes answer reads; writes to them are acknowledged and ignored.
    addRegion({VERSION_BEGIN, VERSION_END,
               [this](quint32 a) { return quint8(m_stores[STORE_VERSION].at(int(a - VERSION_BEGIN))); },
               [](quint32, quint8) { return false; }});
    auto guarded = [this](quint32) { return registersWritable(); };
    addStoreRegion(REG_BEGIN, REG_END, STORE_REGISTERS, guarded);
    addStoreRegion(USER_BEGIN, USER_END, STORE_USER, guarded);
    addStoreRegion(TABLES_BEGIN, TABLES_END, STORE_TABLES, guarded);
    addStoreRegion(PROTECT_ADDR, PROTECT_ADDR, STORE_PROTECT, [](quint32) { return true; });
    addStoreRegion(EEPROM_BEGIN, EEPROM_END, STORE_EEPROM, [this](quint32) { return eepromWritable(); });
    // The enable byte: 0x00 opens the EEPROM for writing, anything else closes it.
    addRegion({EEPROM_ENABLE_ADDR, EEPROM_ENABLE_ADDR,
               [this](quint32) {
                   return quint8(m_stores[STORE_EEPROM].at(int(EEPROM_ENABLE_ADDR - EEPROM_BEGIN)));
               },
               [this](quint32, quint8 value) {
                   m_stores[STORE_EEPROM][int(EEPROM_ENABLE_ADDR - EEPROM_BEGIN)] =
                       char(value == EEPROM_ENABLED ? EEPROM_ENABLED : EEPROM_DISABLED);
                   return false;
               }});
    m_pRom = std::make_unique<RomStore>(*this);
}

ModuleMemory::~ModuleMemory() = default;

void ModuleMemory::setVersion(const QByteArray& text)
{
    QByteArray version = text.left(4);
    while (version.size() < 4)
        version.append('0');
    m_stores[STORE_VERSION] = version;
}

void ModuleMemory::setNetwork(const QHostAddress& ip, quint16 udpPort, quint16 tcpPort)
{
    QByteArray& ee = m_stores[STORE_EEPROM];
    const quint8 mac[6] = {0x02, 0x00, 0x5E, 0x10, 0x00, 0x01};
    for (int i = 0; i < 6; ++i)
        ee[EE_MAC + i] = char(mac[i]);
    const quint32 ipv4 = ip.toIPv4Address();
    for (int i = 0; i < 4; ++i)
        ee[EE_IP + i] = char(ipv4 >> (24 - 8 * i));
    putWord(ee, EE_TCP_DATA, tcpPort);
    putWord(ee, EE_TCP_COMMAND, 8000);
    putWord(ee, EE_TCP_MSS, 1460);
    putWord(ee, EE_UDP, udpPort);
    putWord(ee, EE_KEEP_ALIVE_BUSY, 1000);
    putWord(ee, EE_KEEP_ALIVE_IDLE, 5000);
    putWord(ee, EE_CONNECT_TIMEOUT, 3000);
    putWord(ee, EE_DISCONNECT_TIMEOUT, 0x0010);
    putWord(ee, EE_RECONNECT, 1000);
    putWord(ee, EE_RETRANSMIT, 500);
    ee[EE_BOOT_PROTECT] = char(PROTECT_WRITABLE);
    ee[EE_BOOT_SLOT] = 0;
}

void ModuleMemory::fillRandom(quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray& registers = m_stores[STORE_REGISTERS];
    for (quint32 addr = REG_BEGIN; addr <= REG_END; ++addr)
        registers[int(addr)] = char(random.bounded(256));
    for (char& byte : m_stores[STORE_TABLES])
        byte = char(random.bounded(256));
    markChanged();
}

void ModuleMemory::addRegion(const Region& region)
{
    m_regions.append(region);
}

void ModuleMemory::addStoreRegion(quint32 begin, quint32 end, const QString& name,
                                  std::function<bool(quint32)> writable)
{
    // Stores of a block start at its first address, except the registers, which share the
    // address numbering of the register space. QMap values keep their address while the map
    // lives, so the region holds the store directly.
    const quint32 base = (name == QLatin1String(STORE_REGISTERS)) ? 0 : begin;
    QByteArray* bytes = &m_stores[name];
    addRegion({begin, end, [bytes, base](quint32 a) { return quint8(bytes->at(int(a - base))); },
               [bytes, base, writable](quint32 a, quint8 value) {
                   const int index = int(a - base);
                   if (!writable(a) || bytes->at(index) == char(value))
                       return false;
                   (*bytes)[index] = char(value);
                   return true;
               }});
}

const ModuleMemory::Region* ModuleMemory::regionOf(quint32 addr) const
{
    for (const Region& region : m_regions) {
        if (addr >= region.begin && addr <= region.end)
            return &region;
    }
    return nullptr;
}

bool ModuleMemory::isMapped(quint32 addr) const
{
    return regionOf(addr) != nullptr;
}

bool ModuleMemory::registersWritable() const
{
    return quint8(m_pProtect->at(0)) & PROTECT_WRITABLE;
}

bool ModuleMemory::eepromWritable() const
{
    return quint8(m_pEeprom->at(int(EEPROM_ENABLE_ADDR - EEPROM_BEGIN))) == EEPROM_ENABLED;
}

bool ModuleMemory::isRangeMapped(quint32 addr, int length) const
{
    for (qint64 i = 0; i < length;) {
        const Region* region = regionOf(addr + quint32(i));
        if (!region)
            return false;
        i += qint64(region->end) - qint64(addr + quint32(i)) + 1; // the rest of this region
    }
    return true;
}

bool ModuleMemory::read(quint32 addr, int length, QByteArray& out) const
{
    if (!isRangeMapped(addr, length))
        return false;
    out.resize(length);
    const Region* region = nullptr;
    for (int i = 0; i < length; ++i) {
        const quint32 a = addr + quint32(i);
        if (!region || a < region->begin || a > region->end)
            region = regionOf(a);
        out[i] = char(region->read(a));
    }
    return true;
}

bool ModuleMemory::write(quint32 addr, const QByteArray& data)
{
    if (!isRangeMapped(addr, data.size()))
        return false;
    const Region* region = nullptr;
    for (int i = 0; i < data.size(); ++i) {
        const quint32 a = addr + quint32(i);
        if (!region || a < region->begin || a > region->end)
            region = regionOf(a);
        if (region->write(a, quint8(data.at(i))))
            ++m_changes;
    }
    return true;
}

quint8 ModuleMemory::peek(quint32 addr) const
{
    const Region* region = regionOf(addr);
    return region ? region->read(addr) : 0;
}

void ModuleMemory::poke(quint32 addr, quint8 value)
{
    // Lift the guards for one byte: open protection and EEPROM, write, restore both.
    QByteArray& protect = m_stores[STORE_PROTECT];
    QByteArray& ee = m_stores[STORE_EEPROM];
    const int enableOfs = int(EEPROM_ENABLE_ADDR - EEPROM_BEGIN);
    const char savedProtect = protect.at(0);
    const char savedEnable = ee.at(enableOfs);
    protect[0] = char(savedProtect | PROTECT_WRITABLE);
    ee[enableOfs] = char(EEPROM_ENABLED);
    write(addr, QByteArray(1, char(value)));
    if (addr != PROTECT_ADDR)
        protect[0] = savedProtect;
    if (addr != EEPROM_ENABLE_ADDR)
        ee[enableOfs] = savedEnable;
}

QByteArray ModuleMemory::saveState() const
{
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    out << QByteArray(STATE_MAGIC) << m_stores << m_pRom->saveState();
    return state;
}

bool ModuleMemory::loadState(const QByteArray& state)
{
    QDataStream in(state);
    in.setVersion(QDataStream::Qt_5_15);
    QByteArray magic;
    QMap<QString, QByteArray> stores;
    QByteArray romState;
    in >> magic >> stores;
    if (magic == STATE_MAGIC)
        in >> romState;
    if (in.status() != QDataStream::Ok || (magic != STATE_MAGIC && magic != STATE_MAGIC_V1))
        return false;
    // Only stores this build knows, of the size it expects: a state from another layout
    // loses the stores that changed and keeps the rest.
    for (auto it = stores.cbegin(); it != stores.cend(); ++it) {
        if (m_stores.contains(it.key()) && m_stores[it.key()].size() == it.value().size())
            m_stores[it.key()] = it.value();
    }
    // A state without ROM (or from another ROM layout) keeps a fresh ROM. Then power-on.
    if (romState.isEmpty() || !m_pRom->loadState(romState))
        m_pRom->reset();
    m_pRom->boot();
    return true;
}
