// ROM operations of the device worker: the slot commands, the page store with its FAT, the
// documents kept for each slot, re-protection and the synchronisation steps of a status job.
//
// A command that keeps the module busy for more than ROM_BUSY_LIMIT_POLLS status polls is aborted
// and the job fails: the caller's cancel is not the only way out of a module that never finishes.
//
// Cancellation: cancel() only sets m_bCanceled. The wait in progress then aborts the module's
// command (0xFF to ADDR_ROM_ABORT) and every later wait returns at once. An aborted page read
// leaves a partial page in the window, and an aborted program leaves the page as it was, so once
// a job is cancelled it no longer reads or writes the page store: the FAT is not loaded, no XML
// is read or written, no FAT image is programmed (nor the remaining slot commands and entries of
// an initialisation run). What the job has done stays done, and a storing job still re-protects
// the ROM. The stored documents of all slots therefore keep the state of the FAT last programmed.
// Such a job still ends with closed(true): stoppedByCancel() tells that it stopped short, and a
// cancel that comes after its last check leaves it complete.

#include "device/qUdpThread.h"

#include "device/moduleStatus.h"
#include "device/workerTexts.h"
#include "model/blockDiagram.h"

namespace {
constexpr quint8 ROM_NUMBER_MODIFIED = 0x80;
constexpr quint8 ROM_BUSY_BYTE = 0;
constexpr int ROM_DONE_OFFSET = 3; // bytes done, 4 bytes big-endian
constexpr quint16 FAT_FREE_ENTRY = 0xFFFF;
constexpr quint16 FAT_RESERVED_ENTRY = 0xFEFE;
constexpr quint16 FAT_COUNT_MASK = 0x7FFF;
constexpr quint32 LAST_STORING_COMMAND = 0x805F;
constexpr quint32 USER_AREA_WAIT = 0x7FF;

quint8 highByte(quint16 entry)
{
    return quint8(entry >> 8);
}
} // namespace

QString QUdpThread::romDocumentName(int slot, const QByteArray& comment)
{
    const QString name = RomComment::text(comment);
    if (name.isEmpty())
        return QStringLiteral("ROM%1").arg(slot);
    const QString prefix = QStringLiteral("ROM%1-").arg(slot);
    return name.startsWith(prefix) ? name : prefix + name;
}

// ---------------------------------------------------------------------------------------------
// Register access

bool QUdpThread::cancelSeen()
{
    if (m_bCanceled)
        m_bStoppedByCancel = true;
    return m_bCanceled;
}

void QUdpThread::sendBytes(quint32 addr, const QByteArray& bytes)
{
    if (Write(addr, bytes.constData(), quint32(bytes.size())) == 0)
        throw WorkerText::SEND_FAILED;
}

void QUdpThread::sendCommand(quint32 addr)
{
    if (Write(addr, char(ROM_CMD)) < 1)
        throw WorkerText::SEND_FAILED;
}

void QUdpThread::waitForROM(quint32 size, bool bProgress)
{
    m_buffer.resize(ROM_STAT_SIZE);
    for (int polls = 0;; ++polls) {
        if (cancelSeen()) {
            sendCommand(ADDR_ROM_ABORT);
            return;
        }
        if (polls == ROM_BUSY_LIMIT_POLLS) {
            sendCommand(ADDR_ROM_ABORT);
            throw WorkerText::ROM_BUSY.arg(ROM_BUSY_LIMIT_POLLS * ROM_POLL_MS / 1000);
        }
        if (m_romPollMs > 0)
            QThread::msleep(ulong(m_romPollMs));
        if (Read(ADDR_ROM_STAT, m_buffer.data(), ROM_STAT_SIZE) == 0)
            throw WorkerText::READ_FAILED;
        const bool bBusy = m_buffer.at(ROM_BUSY_BYTE) != 0;
        quint32 done = size;
        if (bBusy) {
            done = 0;
            for (int i = 0; i < 4; ++i)
                done = (done << 8) | quint8(m_buffer.at(ROM_DONE_OFFSET + i));
            done = qMin(done, size); // the count is the module's: never past the command's size
        }
        if (bProgress)
            emit setProgress(int(done));
        if (!bBusy)
            return;
    }
}

// ---------------------------------------------------------------------------------------------
// Page store

void QUdpThread::selectPage(int page)
{
    QByteArray number;
    addValue(number, quint32(page));
    sendBytes(ADDR_ROM2_NUM, number);
}

void QUdpThread::readPage(int page, quint32 size)
{
    selectPage(page);
    sendCommand(ADDR_ROM2_READ);
    waitForROM(size, false);
    readRom(ADDR_USER2_BEGIN, PAGE_SIZE);
}

void QUdpThread::programPage(int page, const QByteArray& bytes)
{
    sendBytes(ADDR_USER2_BEGIN, bytes);
    selectPage(page);
    sendCommand(ADDR_ROM2_WRITE);
    waitForROM(PAGE_SIZE, false);
}

void QUdpThread::loadFAT()
{
    selectPage(PAGE_FAT);
    sendCommand(ADDR_ROM2_READ);
    waitForROM(PAGE_SIZE, false);
    m_fat.resize(PAGE_SIZE);
    ReadAll(ADDR_USER2_BEGIN, m_fat.data(), PAGE_SIZE);
}

quint16 QUdpThread::fatEntry(int page) const
{
    return quint16((quint8(m_fat.at(2 * page)) << 8) | quint8(m_fat.at(2 * page + 1)));
}

void QUdpThread::setFatEntry(int page, quint16 entry)
{
    m_fat[2 * page] = char(entry >> 8);
    m_fat[2 * page + 1] = char(entry);
}

bool QUdpThread::checkLoop(int page)
{
    if (page < 0) {
        m_indexRom.clear();
        m_indexRom.insert(PAGE_FAT);
        for (int slot = 0; slot < ROM_SLOTS; ++slot)
            m_indexRom.insert(slot);
        return false;
    }
    if (m_indexRom.contains(page))
        return true;
    m_indexRom.insert(page);
    return false;
}

void QUdpThread::loadXml(QString fname)
{
    if (highByte(fatEntry(m_nRom)) != FAT_RESERVE) {
        checkLoop(-1);
        int page = m_nRom;
        while (page < MAX_PAGE) {
            const quint16 entry = fatEntry(page);
            const bool bLast = entry & FLG_END;
            int n = PAGE_SIZE;
            if (bLast) {
                n = (entry & FAT_COUNT_MASK) + 1;
                if (n > PAGE_SIZE)
                    throw WorkerText::FAT_LOAD_TOO_LONG;
            } else if (checkLoop(entry)) {
                throw WorkerText::FAT_LOAD_LOOP;
            }
            readPage(page, quint32(n));
            if (cancelSeen())
                return; // the page may be partial: deliver nothing
            m_pXml->append(m_buffer.constData(), n);
            if (bLast)
                break;
            page = entry;
        }
        if (page >= MAX_PAGE)
            throw WorkerText::FAT_RUNS_OFF;
    }
    emit setXml(m_pXml, fname);
}

void QUdpThread::freeChain()
{
    checkLoop(-1);
    int page = m_nRom;
    quint16 entry = fatEntry(page);
    if (entry & FLG_END) {
        setFatEntry(page, FAT_FREE_ENTRY);
        return;
    }
    for (;;) {
        setFatEntry(page, FAT_FREE_ENTRY);
        if (entry >= MAX_PAGE || checkLoop(entry)) {
            protectRom();
            throw WorkerText::FAT_FREE_BAD_LINK;
        }
        page = entry;
        entry = fatEntry(page);
        if (entry & FLG_END) {
            if ((entry & FAT_COUNT_MASK) < PAGE_SIZE) {
                setFatEntry(page, FAT_FREE_ENTRY);
                return;
            }
            protectRom();
            throw WorkerText::FAT_FREE_TOO_LONG;
        }
    }
}

int QUdpThread::nextFreePage(int from) const
{
    for (int page = from; page < MAX_PAGE; ++page) {
        if (highByte(fatEntry(page)) == FAT_FREE)
            return page;
    }
    return -1;
}

void QUdpThread::saveXml()
{
    const bool bHadDocument = highByte(fatEntry(m_nRom)) != FAT_RESERVE;
    QSet<int> oldPages;
    if (bHadDocument) {
        freeChain();
        oldPages = m_indexRom; // the pages it visited
    }

    // As many free pages as whole pages of XML (one more than needed when the size is a
    // multiple of a page: the count the stored format has always used).
    int need = m_pXml->size() / PAGE_SIZE;
    for (int page = ROM_SLOTS; page < MAX_PAGE && need > 0; ++page) {
        if (highByte(fatEntry(page)) == FAT_FREE)
            --need;
    }

    if (need != 0) {
        setFatEntry(m_nRom, FAT_RESERVED_ENTRY);
        emit setXml(m_pXml, QString());
    } else if (!storeChain(bHadDocument, oldPages)) {
        return; // cancelled: the FAT in the module still describes what it holds
    }
    if (!cancelSeen())
        programPage(PAGE_FAT, m_fat);
}

QVector<int> QUdpThread::chainPages(int chunks)
{
    QVector<int> pages{m_nRom};
    while (pages.size() < chunks) {
        const int page = pages.last();
        const int next = nextFreePage(page < ROM_SLOTS ? ROM_SLOTS : page + 1);
        if (next < 0) {
            protectRom();
            throw WorkerText::FAT_FREE_BAD_LINK;
        }
        setFatEntry(page, quint16(next));
        pages.append(next);
    }
    const int last = m_pXml->size() - (chunks - 1) * PAGE_SIZE;
    setFatEntry(pages.last(), quint16(FLG_END + (last - 1)));
    return pages;
}

// The module reads a slot's document through the FAT, starting at the slot's own page, and the
// new chain may reuse pages of the old one. So first the continuation pages the old document does
// not use; then, when the slot held a document, a FAT without it (the slot reads as holding none);
// then the remaining pages and the slot's own page. A job cut off at any point leaves the slot
// with its old document, none, or, once the caller programs the final FAT, the new one: never a
// mix of both.
bool QUdpThread::storeChain(bool bHadDocument, const QSet<int>& oldPages)
{
    const int chunks = qMax(1, (m_pXml->size() + PAGE_SIZE - 1) / PAGE_SIZE);
    QByteArray interimFat = m_fat; // the old chain freed
    interimFat[2 * m_nRom] = interimFat[2 * m_nRom + 1] = char(FAT_RESERVE);
    const QVector<int> pages = chainPages(chunks);
    const auto programChunks = [&](bool bOldPages) {
        for (int i = 1; i < chunks && !cancelSeen(); ++i) {
            if (oldPages.contains(pages.at(i)) == bOldPages)
                programPage(pages.at(i), m_pXml->mid(i * PAGE_SIZE, PAGE_SIZE));
        }
        return !cancelSeen();
    };
    if (!programChunks(false))
        return false;
    if (bHadDocument) {
        programPage(PAGE_FAT, interimFat);
        if (cancelSeen())
            return false;
    }
    if (!programChunks(true))
        return false;
    programPage(m_nRom, m_pXml->left(PAGE_SIZE));
    if (cancelSeen())
        return false;
    m_pXml->clear();
    return true;
}

void QUdpThread::protectRom()
{
    m_regProtect = char(m_regProtect & ~ModuleStatus::PROTECT_ROM_WRITE);
    if (Write(ADDR_ROM_PROTECT, m_regProtect) < 1)
        throw WorkerText::SEND_FAILED;
    if (Read(ADDR_EEPROM_PROTECT, &m_regProtect) < 1)
        throw WorkerText::READ_FAILED;
    if ((quint8(m_regProtect) & ModuleStatus::PROTECT_ROM_WRITE) && EnableWriteEEPROM(true)) {
        m_regProtect = char(m_regProtect & ~ModuleStatus::PROTECT_ROM_WRITE);
        if (Write(ADDR_EEPROM_PROTECT, m_regProtect) < 1 || !EnableWriteEEPROM(false))
            throw WorkerText::SEND_FAILED;
    }
}

// ---------------------------------------------------------------------------------------------
// Jobs

void QUdpThread::writeEepromEntry(const QPair<quint32, QByteArray>& entry)
{
    if (!EnableWriteEEPROM(true))
        throw WorkerText::SEND_FAILED;
    sendBytes(entry.first, entry.second);
    if (!EnableWriteEEPROM(false))
        throw WorkerText::SEND_FAILED;
}

// The user-area entry (stored in ROM at once) and the EEPROM entry; returns the index of the
// first entry left for later.
int QUdpThread::writeQueuedRomEntries()
{
    if (m_data.isEmpty())
        return 0;
    if (m_data.size() == 1 && m_bEnableROM) {
        writeEepromEntry(m_data.first());
        return 1;
    }
    sendBytes(m_data.first().first, m_data.first().second);
    sendCommand(ADDR_USER_ROM_WRITE);
    waitForROM(USER_AREA_WAIT, m_size != 0);
    if (!m_bEnableROM)
        return 1;
    if (m_data.size() > 1)
        writeEepromEntry(m_data.at(1));
    return 2;
}

void QUdpThread::initialiseSlots(int firstRemaining)
{
    m_buffer.clear();
    if (m_pDiagram)
        m_pDiagram->download(this);
    emit setProgress(1);
    for (int slot = 0; slot < ROM_SLOTS && !cancelSeen(); ++slot) {
        sendCommand(ADDR_ROM_WRITE + quint32(slot));
        waitForROM(ROM_ACCESS_SIZE, false);
        emit setProgress(slot + 2);
    }
    // The rest programs a fresh FAT: not after a cancel, which left slot images unchanged.
    if (!cancelSeen()) {
        for (int i = firstRemaining; i < m_data.size(); ++i)
            sendBytes(m_data.at(i).first, m_data.at(i).second);
        waitForROM(ROM_ACCESS_SIZE, false);
    }
    emit setProgress(ROM_INIT_STEPS);
}

void QUdpThread::romJob()
{
    m_bCanceled = false;
    if (m_addrROM <= LAST_STORING_COMMAND) {
        if (Read(ADDR_ROM_PROTECT, &m_regProtect) < 1)
            throw WorkerText::READ_FAILED;
        if (!(quint8(m_regProtect) & ModuleStatus::PROTECT_ROM_WRITE)) {
            m_regProtect = char(m_regProtect | ModuleStatus::PROTECT_ROM_WRITE);
            if (Write(ADDR_ROM_PROTECT, m_regProtect) < 1)
                throw WorkerText::SEND_FAILED;
        }
    }
    const int firstRemaining = writeQueuedRomEntries();

    if (m_size == 0) {
        initialiseSlots(firstRemaining);
    } else {
        sendCommand(m_addrROM);
        waitForROM(m_size, true);
        if (m_nRom >= 0 && m_nRom < ROM_SLOTS && !cancelSeen()) {
            if (!m_pXml)
                m_pXml = &m_datXml;
            const bool bSave = !m_pXml->isEmpty();
            loadFAT();
            if (!cancelSeen()) {
                if (bSave)
                    saveXml();
                else
                    loadXml(QString());
            }
        }
    }
    if (m_addrROM < ADDR_ROM_READ)
        protectRom();
}

void QUdpThread::romWritingOffJob()
{
    if (Read(ADDR_ROM_PROTECT, &m_regProtect) < 1)
        throw WorkerText::READ_FAILED;
    protectRom();
}

void QUdpThread::syncSteps()
{
    m_bCanceled = false;
    const quint8 number = quint8(readStatusByte(ADDR_ROM_NUMBER));
    if (number & ROM_NUMBER_MODIFIED) {
        m_bRegistersModified = true;
        throw WorkerText::MODIFIED;
    }
    const int slot = number;
    if (slot >= ROM_SLOTS)
        throw WorkerText::NO_SUCH_SLOT.arg(slot);
    QByteArray comment(COMMENT_SIZE, '\0');
    if (Read(ADDR_USER_BEGIN + quint32(slot * COMMENT_SIZE), comment.data(), COMMENT_SIZE) == 0)
        throw WorkerText::READ_FAILED;
    const QString name = romDocumentName(slot, comment);
    loadFAT();
    m_nRom = slot;
    m_datXml.clear();
    m_pXml = &m_datXml;
    loadXml(name);
}
