#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QMap>
#include <QVector>

class ModuleMemory;

// The module's non-volatile memories and their control registers: 16 register-image slots, the
// ROM copy of the user area, a page store of 2048 pages of 4096 bytes reached through a page
// window, and the status block of the running ROM command.
//
// A command (0xFF written to its address) keeps the module busy for a configurable time and
// takes effect when that time is over; the status block counts the bytes done meanwhile. An
// abort ends a command at once: a program or a slot command is then dropped as a whole, a page
// read leaves only the bytes done so far in the window. Commands that store are refused while
// bit 1 of the protect register is clear; a command arriving while another runs is ignored.
// Pages never programmed read as erased (0xFF); the store keeps only the others. The current-slot
// number shows bit 7 while the live registers differ from the image last loaded or stored.
class RomStore
{
public:
    static constexpr quint32 ADDR_ROM_ABORT = 0x8000;
    static constexpr quint32 ADDR_ROM_STAT = 0x8001;
    static constexpr int STAT_SIZE = 7;
    static constexpr quint32 ADDR_ROM_NUMBER = 0x8008;
    static constexpr quint32 ADDR_USER_ROM_WRITE = 0x8040;
    static constexpr quint32 ADDR_ROM_WRITE = 0x8050;
    static constexpr quint32 ADDR_USER_ROM_READ = 0x8060;
    static constexpr quint32 ADDR_ROM_READ = 0x8070;
    static constexpr quint32 ADDR_ROM2_NUM = 0x8100;
    static constexpr quint32 ADDR_ROM2_WRITE = 0x8104;
    static constexpr quint32 ADDR_ROM2_READ = 0x8105;
    static constexpr quint32 WINDOW_BEGIN = 0xC000;
    static constexpr quint32 WINDOW_END = 0xCFFF;
    static constexpr quint32 ADDR_BOOT_SLOT = 0xFFFFFC3E;

    static constexpr quint8 ROM_CMD = 0xFF;
    static constexpr quint8 MODIFIED = 0x80; // ADDR_ROM_NUMBER: registers changed since the load
    static constexpr int SLOTS = 16;
    static constexpr int PAGE_SIZE = 4096;
    static constexpr int PAGES = 2048;
    static constexpr int PAGE_FAT = 2047;
    static constexpr int FIRST_DATA_PAGE = SLOTS;
    static constexpr quint32 SLOT_SIZE = 0x4000; // bytes counted by a slot command
    static constexpr quint32 USER_SIZE = 0x700;
    static constexpr quint16 FAT_FREE_ENTRY = 0xFFFF;
    static constexpr quint16 FAT_RESERVED_ENTRY = 0xFEFE;
    static constexpr int DEFAULT_BUSY_MS = 30;

    explicit RomStore(ModuleMemory& memory);

    // How long each command keeps the module busy; 0 completes commands as they arrive.
    void setBusyMs(int ms) { m_busyMs = qMax(0, ms); }
    int busyMs() const { return m_busyMs; }
    // Makes the page store smaller: only the first n data pages (from page 16) can ever be free.
    // The others are kept reserved in the FAT, also after the FAT page is programmed anew.
    // Negative: the whole store.
    void setDataPages(int n);

    // Back to a fresh module's ROM (nothing stored, fresh FAT); the settings stay.
    void reset();
    // Power-on: the slot named by the boot byte of the EEPROM is loaded into the registers when it
    // holds an image. (The user area is kept by the simulator as it is.)
    void boot();

    // Direct access for tests and tools (no command, no busy time).
    QByteArray page(int n) const;
    void setPage(int n, const QByteArray& bytes);
    quint16 fatEntry(int n) const;
    void setFatEntry(int n, quint16 entry);
    bool hasImage(int slot) const { return !m_slots.value(slot).isEmpty(); }
    QByteArray image(int slot) const { return m_slots.value(slot); }
    // Stores an image (the registers followed by the tables, as the live image) in a slot.
    void setImage(int slot, const QByteArray& image);
    // The live registers count as loaded from a slot, and the current-slot register reads number
    // (any value, as a module in a bad state may show).
    void setLoaded(quint8 number);
    QByteArray userRom() const { return m_userRom; }
    bool isBusy();
    int aborts() const { return m_aborts; }
    // Commands that have taken effect (a state file is saved at once after each).
    quint64 finishedCommands() const { return m_finished; }
    int refusedCommands() const { return m_refused; }

    // A fresh FAT: all free but the slot pages and the FAT page itself, which are reserved.
    static QByteArray freshFat();

    QByteArray saveState();
    bool loadState(const QByteArray& state);

private:
    enum class Kind { None, StoreSlot, LoadSlot, StoreUser, LoadUser, ProgramPage, ReadPage };
    struct Command
    {
        Kind kind = Kind::None;
        int arg = 0;     // slot or page
        QByteArray data; // what a storing command stores, taken when it starts
        quint32 total = 0;
        qint64 startMs = 0;
    };

    void addRegions();
    quint8 readStatus(quint32 addr);
    quint8 readNumber();
    bool writeCommand(quint32 addr, quint8 value);
    bool start(Kind kind, int arg);
    // Completes the running command when its time is over.
    void settle();
    void finish();
    void abort();
    quint32 doneBytes() const;
    bool romWritable() const;
    QByteArray liveImage() const;
    void loadImage(const QByteArray& image);
    quint32 pageNumber() const;
    void applyPageLimit();

    ModuleMemory& m_memory;
    QVector<QByteArray> m_slots;
    QByteArray m_userRom;
    QMap<int, QByteArray> m_pages; // programmed pages only
    QByteArray m_window;
    QByteArray m_pageNumber;
    quint8 m_romNumber = 0;
    QByteArray m_loadedImage; // the image of the last load (or store), for the modified bit
    Command m_cmd;
    quint32 m_lastDone = 0;
    QByteArray m_status;
    QElapsedTimer m_clock;
    int m_busyMs = DEFAULT_BUSY_MS;
    int m_dataPages = -1;
    int m_aborts = 0;
    quint64 m_finished = 0;
    int m_refused = 0;
};
