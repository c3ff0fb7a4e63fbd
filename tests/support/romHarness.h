#pragma once

#include "sim/romStore.h"
#include "tests/support/workerHarness.h"

#include <QSet>
#include <functional>

// A worker for ROM tests: short status polls, and on request a short reply budget (one 100 ms
// wait, no retry) so that a silent module fails a job quickly.
class RomWorker : public QUdpThread
{
public:
    RomWorker() { setRomPollInterval(1); }
    void setQuickFailure()
    {
        m_timeout = 1;
        m_retry = 1;
    }
};

// The job of the editor's Save to ROM (comment and boot slot left alone).
inline WorkerOutcome saveToSlot(InProcessModule& module, int slot, const QByteArray& xml,
                                const std::function<void(RomWorker&)>& prepare = {})
{
    RomWorker worker;
    module.target(worker);
    *worker.setXmlReq(slot) = xml;
    worker.setRomAccess(0x8050 + quint32(slot), 0x4000);
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
    worker.setRomAccess(0x8070 + quint32(slot), 0x4000);
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
    if (rom.fatEntry(slot) == 0xFEFE)
        return true;
    QSet<int> seen;
    for (int page = slot;;) {
        if (seen.contains(page))
            return false;
        seen.insert(page);
        if (chain)
            chain->append(page);
        const quint16 entry = rom.fatEntry(page);
        if (entry & 0x8000) {
            const int n = (entry & 0x7FFF) + 1;
            out += rom.page(page).left(n);
            return n <= 4096;
        }
        if (entry < 16 || entry >= 2047)
            return false;
        out += rom.page(page);
        page = entry;
    }
}
