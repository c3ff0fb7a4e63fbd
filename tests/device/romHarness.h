#pragma once

#include "sim/romStore.h"
#include "tests/device/workerHarness.h"

#include <QSet>
#include <functional>

// A worker for ROM tests: short status polls, and an optional short reply budget so that a
// silent module fails a job quickly.
class RomWorker : public QUdpThread
{
public:
    explicit RomWorker(int pollMs = 1) { m_romPollMs = pollMs; }
    void setQuickFailure()
    {
        m_timeout = 1;
        m_retry = 1;
    }
};

// Saves bytes as the document of a slot, as the editor's Save to ROM does.
inline WorkerOutcome saveToSlot(InProcessModule& module, int slot, const QByteArray& xml,
                                const QByteArray& comment = QByteArray(), int bootSlot = -1,
                                const std::function<void(RomWorker&)>& prepare = {})
{
    RomWorker worker;
    module.target(worker);
    if (!comment.isEmpty()) {
        QByteArray record = comment.left(QUdpThread::COMMENT_SIZE);
        record.append(QByteArray(QUdpThread::COMMENT_SIZE - record.size(), '\0'));
        worker.setData(QUdpThread::ADDR_USER_BEGIN + quint32(slot * QUdpThread::COMMENT_SIZE), record, false);
    }
    if (bootSlot >= 0)
        worker.setData(QUdpThread::ADDR_ROM_DEFAULT, QByteArray(1, char(bootSlot)), true);
    *worker.setXmlReq(slot) = xml;
    worker.setRomAccess(QUdpThread::ADDR_ROM_WRITE + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    if (prepare)
        prepare(worker);
    return runWorker(worker);
}

inline WorkerOutcome restoreSlot(InProcessModule& module, int slot)
{
    RomWorker worker;
    module.target(worker);
    QByteArray target;
    worker.setXmlReq(slot, &target);
    worker.setRomAccess(QUdpThread::ADDR_ROM_READ + quint32(slot), QUdpThread::ROM_ACCESS_SIZE);
    return runWorker(worker);
}

// Test data that tells its own position: a byte pattern depending on a seed.
inline QByteArray patternBytes(int size, int seed)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char('A' + (i * 7 + seed * 13 + i / 4096) % 26);
    return bytes;
}

// Reads a slot's document straight from the simulated page store, independently of the worker:
// false when the chain is not well formed.
inline bool decodeSlot(const RomStore& rom, int slot, QByteArray& out, QList<int>* chain = nullptr)
{
    out.clear();
    quint16 entry = rom.fatEntry(slot);
    if (entry == RomStore::FAT_RESERVED_ENTRY)
        return true;
    int page = slot;
    QSet<int> seen;
    for (;;) {
        if (seen.contains(page))
            return false;
        seen.insert(page);
        if (chain)
            chain->append(page);
        entry = rom.fatEntry(page);
        if (entry & 0x8000) {
            const int n = (entry & 0x7FFF) + 1;
            if (n > RomStore::PAGE_SIZE)
                return false;
            out += rom.page(page).left(n);
            return true;
        }
        if (entry < RomStore::FIRST_DATA_PAGE || entry >= RomStore::PAGE_FAT)
            return false;
        out += rom.page(page);
        page = entry;
    }
}
