#include "sim/romStore.h"

#include "sim/moduleMemory.h"

#include <QDataStream>
#include <QIODevice>

namespace {
constexpr quint32 STATE_VERSION = 1;
constexpr int EEPROM_BOOT_SLOT = 0x3E; // offset in the EEPROM store

quint32 bigEndian(const QByteArray& bytes)
{
    quint32 value = 0;
    for (char byte : bytes)
        value = (value << 8) | quint8(byte);
    return value;
}
} // namespace

RomStore::RomStore(ModuleMemory& memory)
    : m_memory(memory)
    , m_status(STAT_SIZE, '\0')
{
    m_clock.start();
    reset();
    addRegions();
}

void RomStore::reset()
{
    m_slots = QVector<QByteArray>(SLOTS);
    m_userRom = QByteArray(int(USER_SIZE), '\0');
    m_pages.clear();
    m_pages[PAGE_FAT] = freshFat();
    m_window = QByteArray(PAGE_SIZE, char(0xFF));
    m_pageNumber = QByteArray(4, '\0');
    m_romNumber = 0;
    m_cmd = Command();
    m_lastDone = 0;
    m_loadedImage = liveImage();
    applyPageLimit();
}

QByteArray RomStore::freshFat()
{
    QByteArray fat(PAGE_SIZE, char(0xFF));
    for (int i = 0; i < 2 * SLOTS; ++i)
        fat[i] = char(0xFE);
    fat[PAGE_SIZE - 2] = char(0xFE);
    fat[PAGE_SIZE - 1] = char(0xFE);
    return fat;
}

void RomStore::addRegions()
{
    const auto noWrite = [](quint32, quint8) { return false; };
    const auto readsZero = [](quint32) { return quint8(0); };
    m_memory.addRegion({ADDR_ROM_ABORT, ADDR_ROM_ABORT, readsZero, [this](quint32, quint8 value) {
                            if (value == ROM_CMD)
                                abort();
                            return false;
                        }});
    m_memory.addRegion(
        {ADDR_ROM_STAT, ADDR_ROM_STAT + STAT_SIZE - 1, [this](quint32 a) { return readStatus(a); }, noWrite});
    m_memory.addRegion({ADDR_ROM_NUMBER, ADDR_ROM_NUMBER, [this](quint32) { return readNumber(); }, noWrite});
    const auto command = [this](quint32 a, quint8 value) { return writeCommand(a, value); };
    m_memory.addRegion({ADDR_USER_ROM_WRITE, ADDR_USER_ROM_WRITE, readsZero, command});
    m_memory.addRegion({ADDR_ROM_WRITE, ADDR_ROM_WRITE + SLOTS - 1, readsZero, command});
    m_memory.addRegion({ADDR_USER_ROM_READ, ADDR_USER_ROM_READ, readsZero, command});
    m_memory.addRegion({ADDR_ROM_READ, ADDR_ROM_READ + SLOTS - 1, readsZero, command});
    m_memory.addRegion({ADDR_ROM2_NUM, ADDR_ROM2_NUM + 3,
                        [this](quint32 a) { return quint8(m_pageNumber.at(int(a - ADDR_ROM2_NUM))); },
                        [this](quint32 a, quint8 value) {
                            m_pageNumber[int(a - ADDR_ROM2_NUM)] = char(value);
                            return false;
                        }});
    m_memory.addRegion({ADDR_ROM2_WRITE, ADDR_ROM2_READ, readsZero, command});
    m_memory.addRegion({WINDOW_BEGIN, WINDOW_END,
                        [this](quint32 a) {
                            settle();
                            return quint8(m_window.at(int(a - WINDOW_BEGIN)));
                        },
                        [this](quint32 a, quint8 value) {
                            settle();
                            m_window[int(a - WINDOW_BEGIN)] = char(value);
                            return false;
                        }});
}

// ---------------------------------------------------------------------------------------------
// Commands

bool RomStore::romWritable() const
{
    return quint8(m_memory.store(ModuleMemory::STORE_PROTECT).at(0)) & ModuleMemory::PROTECT_ROM_WRITE;
}

quint32 RomStore::pageNumber() const
{
    return bigEndian(m_pageNumber);
}

bool RomStore::writeCommand(quint32 addr, quint8 value)
{
    if (value != ROM_CMD)
        return false;
    settle();
    // A command counts as a change, so that a state file is saved after it.
    if (addr == ADDR_USER_ROM_WRITE)
        return start(Kind::StoreUser, 0);
    if (addr >= ADDR_ROM_WRITE && addr < ADDR_ROM_WRITE + SLOTS)
        return start(Kind::StoreSlot, int(addr - ADDR_ROM_WRITE));
    if (addr == ADDR_USER_ROM_READ)
        return start(Kind::LoadUser, 0);
    if (addr >= ADDR_ROM_READ && addr < ADDR_ROM_READ + SLOTS)
        return start(Kind::LoadSlot, int(addr - ADDR_ROM_READ));
    if (addr == ADDR_ROM2_WRITE)
        return start(Kind::ProgramPage, int(pageNumber()));
    if (addr == ADDR_ROM2_READ)
        return start(Kind::ReadPage, int(pageNumber()));
    return false;
}

bool RomStore::start(Kind kind, int arg)
{
    const bool storing = kind == Kind::StoreSlot || kind == Kind::StoreUser || kind == Kind::ProgramPage;
    const bool badPage = (kind == Kind::ProgramPage || kind == Kind::ReadPage) && (arg < 0 || arg >= PAGES);
    if (m_cmd.kind != Kind::None || (storing && !romWritable()) || badPage) {
        ++m_refused;
        return false;
    }
    m_cmd.kind = kind;
    m_cmd.arg = arg;
    m_cmd.startMs = m_clock.elapsed();
    switch (kind) {
    case Kind::StoreSlot:
        m_cmd.data = liveImage();
        m_cmd.total = SLOT_SIZE;
        break;
    case Kind::StoreUser:
        m_cmd.data = m_memory.store(ModuleMemory::STORE_USER);
        m_cmd.total = USER_SIZE;
        break;
    case Kind::ProgramPage:
        m_cmd.data = m_window;
        m_cmd.total = PAGE_SIZE;
        break;
    case Kind::LoadSlot:
        m_cmd.total = SLOT_SIZE;
        break;
    case Kind::LoadUser:
        m_cmd.total = USER_SIZE;
        break;
    case Kind::ReadPage:
        m_cmd.total = PAGE_SIZE;
        break;
    case Kind::None:
        break;
    }
    settle();
    return true;
}

quint32 RomStore::doneBytes() const
{
    if (m_cmd.kind == Kind::None)
        return m_lastDone;
    if (m_busyMs <= 0)
        return m_cmd.total;
    const qint64 elapsed = m_clock.elapsed() - m_cmd.startMs;
    return quint32(qMin<qint64>(m_cmd.total, m_cmd.total * elapsed / m_busyMs));
}

void RomStore::settle()
{
    if (m_cmd.kind != Kind::None && m_clock.elapsed() - m_cmd.startMs >= m_busyMs)
        finish();
}

bool RomStore::isBusy()
{
    settle();
    return m_cmd.kind != Kind::None;
}

void RomStore::finish()
{
    switch (m_cmd.kind) {
    case Kind::StoreSlot:
        m_slots[m_cmd.arg] = m_cmd.data;
        // The registers now match the slot just stored: it becomes the current one.
        m_romNumber = quint8(m_cmd.arg);
        m_loadedImage = m_cmd.data;
        break;
    case Kind::LoadSlot:
        loadImage(m_slots.at(m_cmd.arg).isEmpty() ? QByteArray(liveImage().size(), '\0')
                                                  : m_slots.at(m_cmd.arg));
        m_romNumber = quint8(m_cmd.arg);
        break;
    case Kind::StoreUser:
        m_userRom = m_cmd.data;
        break;
    case Kind::LoadUser:
        m_memory.store(ModuleMemory::STORE_USER) = m_userRom;
        break;
    case Kind::ProgramPage:
        if (m_cmd.data == QByteArray(PAGE_SIZE, char(0xFF)))
            m_pages.remove(m_cmd.arg);
        else
            m_pages[m_cmd.arg] = m_cmd.data;
        if (m_cmd.arg == PAGE_FAT)
            applyPageLimit();
        break;
    case Kind::ReadPage:
        m_window = page(m_cmd.arg);
        break;
    case Kind::None:
        return;
    }
    m_lastDone = m_cmd.total;
    m_cmd = Command();
    ++m_finished;
    m_memory.markChanged();
}

void RomStore::abort()
{
    settle();
    if (m_cmd.kind == Kind::None)
        return;
    const quint32 done = doneBytes();
    // A read leaves what it has moved so far; everything else is dropped as a whole.
    if (m_cmd.kind == Kind::ReadPage)
        m_window.replace(0, int(done), page(m_cmd.arg).left(int(done)));
    m_lastDone = done;
    m_cmd = Command();
    ++m_aborts;
}

quint8 RomStore::readStatus(quint32 addr)
{
    // Byte 0 takes the snapshot the other bytes of the same read come from.
    if (addr == ADDR_ROM_STAT) {
        settle();
        const quint32 done = doneBytes();
        m_status.fill('\0');
        m_status[0] = char(m_cmd.kind != Kind::None ? 1 : 0);
        for (int i = 0; i < 4; ++i)
            m_status[3 + i] = char(done >> (24 - 8 * i));
    }
    return quint8(m_status.at(int(addr - ADDR_ROM_STAT)));
}

void RomStore::setImage(int slot, const QByteArray& image)
{
    if (slot >= 0 && slot < SLOTS)
        m_slots[slot] = image.left(liveImage().size()).leftJustified(liveImage().size(), '\0');
}

void RomStore::setLoaded(quint8 number)
{
    m_romNumber = number;
    m_loadedImage = liveImage();
}

quint8 RomStore::readNumber()
{
    settle();
    return quint8(m_romNumber | (liveImage() != m_loadedImage ? MODIFIED : 0));
}

// ---------------------------------------------------------------------------------------------
// Images and pages

QByteArray RomStore::liveImage() const
{
    return m_memory.store(ModuleMemory::STORE_REGISTERS) + m_memory.store(ModuleMemory::STORE_TABLES);
}

void RomStore::loadImage(const QByteArray& image)
{
    const int registers = m_memory.store(ModuleMemory::STORE_REGISTERS).size();
    m_memory.store(ModuleMemory::STORE_REGISTERS) = image.left(registers);
    m_memory.store(ModuleMemory::STORE_TABLES) = image.mid(registers);
    m_loadedImage = image;
}

QByteArray RomStore::page(int n) const
{
    return m_pages.value(n, QByteArray(PAGE_SIZE, char(0xFF)));
}

void RomStore::setPage(int n, const QByteArray& bytes)
{
    QByteArray full = bytes.left(PAGE_SIZE);
    full.append(QByteArray(PAGE_SIZE - full.size(), char(0xFF)));
    m_pages[n] = full;
}

quint16 RomStore::fatEntry(int n) const
{
    const QByteArray fat = page(PAGE_FAT);
    return quint16((quint8(fat.at(2 * n)) << 8) | quint8(fat.at(2 * n + 1)));
}

void RomStore::setFatEntry(int n, quint16 entry)
{
    QByteArray fat = page(PAGE_FAT);
    fat[2 * n] = char(entry >> 8);
    fat[2 * n + 1] = char(entry);
    m_pages[PAGE_FAT] = fat;
}

void RomStore::setDataPages(int n)
{
    m_dataPages = n;
    applyPageLimit();
}

void RomStore::applyPageLimit()
{
    if (m_dataPages < 0)
        return;
    for (int p = FIRST_DATA_PAGE + m_dataPages; p < PAGE_FAT; ++p) {
        if (fatEntry(p) == FAT_FREE_ENTRY)
            setFatEntry(p, FAT_RESERVED_ENTRY);
    }
}

void RomStore::boot()
{
    const int slot = quint8(m_memory.store(ModuleMemory::STORE_EEPROM).at(EEPROM_BOOT_SLOT));
    m_cmd = Command();
    if (slot < SLOTS && hasImage(slot)) {
        loadImage(m_slots.at(slot));
        m_romNumber = quint8(slot);
    } else {
        m_loadedImage = liveImage();
    }
}

// ---------------------------------------------------------------------------------------------
// State

QByteArray RomStore::saveState()
{
    settle();
    QByteArray state;
    QDataStream out(&state, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    QMap<qint32, QByteArray> pages;
    for (auto it = m_pages.cbegin(); it != m_pages.cend(); ++it)
        pages.insert(it.key(), it.value());
    out << STATE_VERSION << m_slots << m_userRom << pages << m_window << m_pageNumber << m_romNumber;
    return state;
}

bool RomStore::loadState(const QByteArray& state)
{
    QDataStream in(state);
    in.setVersion(QDataStream::Qt_5_15);
    quint32 version = 0;
    QVector<QByteArray> images;
    QByteArray userRom;
    QMap<qint32, QByteArray> pages;
    QByteArray window;
    QByteArray pageNumber;
    quint8 romNumber = 0;
    in >> version;
    if (in.status() != QDataStream::Ok || version != STATE_VERSION)
        return false;
    in >> images >> userRom >> pages >> window >> pageNumber >> romNumber;
    if (in.status() != QDataStream::Ok || images.size() != SLOTS || userRom.size() != int(USER_SIZE) ||
        window.size() != PAGE_SIZE || pageNumber.size() != 4)
        return false;
    QMap<int, QByteArray> checked;
    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        if (it.key() < 0 || it.key() >= PAGES || it.value().size() != PAGE_SIZE)
            return false;
        checked.insert(it.key(), it.value());
    }
    m_slots = images;
    m_userRom = userRom;
    m_pages = checked;
    m_window = window;
    m_pageNumber = pageNumber;
    m_romNumber = romNumber;
    m_cmd = Command();
    applyPageLimit();
    return true;
}
