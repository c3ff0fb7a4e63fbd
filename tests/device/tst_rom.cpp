#include "model/blockDiagram.h"
#include "tests/device/romHarness.h"

#include <QRandomGenerator>
#include <QtTest>

using Entry = QPair<int, int>; // FAT page, entry value
Q_DECLARE_METATYPE(QList<Entry>)

namespace {
constexpr int SLOT = 3;

// Writes (address, first data byte) of the write commands received, in order.
QList<QPair<quint32, quint8>> writeBytes(const InProcessModule& module)
{
    QList<QPair<quint32, quint8>> list;
    for (const QByteArray& r : module.requests) {
        if (r.size() > 8 && quint8(r.at(1)) == TampServer::TAMP_WR)
            list << qMakePair(InProcessModule::addressOf(r), quint8(r.at(8)));
    }
    return list;
}

int indexOfWrite(const InProcessModule& module, quint32 address, int from = 0)
{
    const auto writes = writeBytes(module);
    for (int i = from; i < writes.size(); ++i) {
        if (writes.at(i).first == address)
            return i;
    }
    return -1;
}

quint8 protectByte(InProcessModule& module)
{
    return module.memory.peek(QUdpThread::ADDR_ROM_PROTECT);
}

constexpr int DATA_PAGES = 16; // a small store, so that it fills up now and then

enum class Fault { None, Silence, Cancel };

struct Expectation
{
    bool bKnown = true; // false after a save that failed half-way: anything consistent will do
    QByteArray xml;     // empty: no document
};

// Random content; half the sizes small, some around page boundaries, the rest large.
QByteArray randomDocument(QRandomGenerator& rng)
{
    const int kind = rng.bounded(10);
    const int size = kind < 5   ? rng.bounded(1, 6000)
                     : kind < 7 ? 4096 * rng.bounded(1, 4) + rng.bounded(-1, 2)
                                : rng.bounded(6000, 40000);
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char(rng.bounded(256));
    return bytes;
}

// Every slot holds what is expected of it, no page is in two chains, no page leaks.
void checkStore(RomStore& rom, const QVector<Expectation>& expected, int step)
{
    QSet<int> used;
    for (int slot = 0; slot < RomStore::SLOTS; ++slot) {
        QByteArray xml;
        QList<int> chain;
        const QByteArray where = QString("step %1 slot %2").arg(step).arg(slot).toLatin1();
        QVERIFY2(decodeSlot(rom, slot, xml, &chain), where);
        QVERIFY2(!expected.at(slot).bKnown || xml == expected.at(slot).xml, where);
        for (int page : qAsConst(chain)) {
            if (page < RomStore::FIRST_DATA_PAGE)
                continue;
            QVERIFY2(!used.contains(page), where + " shares a page");
            used.insert(page);
        }
    }
    for (int page = RomStore::FIRST_DATA_PAGE; page < RomStore::PAGE_FAT; ++page) {
        const quint16 entry = rom.fatEntry(page);
        const QByteArray where = QString("step %1 page %2").arg(step).arg(page).toLatin1();
        if (used.contains(page))
            QVERIFY2(entry != RomStore::FAT_FREE_ENTRY, where);
        else if (page < RomStore::FIRST_DATA_PAGE + DATA_PAGES)
            QVERIFY2(entry == RomStore::FAT_FREE_ENTRY, where + " leaked");
        else
            QCOMPARE(entry, RomStore::FAT_RESERVED_ENTRY);
    }
}
} // namespace

class TestRom : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_module = std::make_unique<InProcessModule>();
        m_module->memory.rom().setBusyMs(0);
    }

    void saveLayout_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("lastEntry");
        QTest::newRow("one full page") << 4096 << 1 << 0x8FFF;
        QTest::newRow("one byte more") << 4097 << 2 << 0x8000;
    }
    void saveLayout()
    {
        QFETCH(int, size);
        QFETCH(int, pages);
        QFETCH(int, lastEntry);
        InProcessModule& module = *m_module;
        const QByteArray xml = patternBytes(size, 1);
        const WorkerOutcome saved = saveToSlot(module, SLOT, xml);
        QVERIFY2(saved.bOk, qPrintable(saved.errors.join('|')));
        QList<int> chain;
        QByteArray stored;
        QVERIFY(decodeSlot(module.memory.rom(), SLOT, stored, &chain));
        QCOMPARE(stored, xml);
        QCOMPARE(chain.size(), pages);
        QCOMPARE(chain.first(), SLOT);
        for (int i = 1; i < chain.size(); ++i) {
            QVERIFY(chain.at(i) >= 16);
            QVERIFY(chain.at(i) > chain.at(i - 1)); // the first free pages, in order
            QCOMPARE(int(module.memory.rom().fatEntry(chain.at(i - 1))), chain.at(i));
        }
        QCOMPARE(int(module.memory.rom().fatEntry(chain.last())), lastEntry);
        QVERIFY(module.memory.rom().hasImage(SLOT));
        QVERIFY(!(protectByte(module) & 0x02));

        QCOMPARE(restoreSlot(module, SLOT).xml, xml);
    }

    void saveJobSequence()
    {
        InProcessModule& module = *m_module;
        module.memory.poke(QUdpThread::ADDR_ROM_PROTECT, 0x01); // ROM writing off
        module.memory.poke(QUdpThread::ADDR_EEPROM_PROTECT, 0x03);
        module.memory.poke(0x0010, 0x5A); // a live register
        const WorkerOutcome saved = saveToSlot(module, 5, "<xml/>", "run 5", 5);
        QVERIFY2(saved.bOk, qPrintable(saved.errors.join('|')));

        // Protect on, comment, its store and wait, the EEPROM entry, then the slot command.
        const int protectOn = indexOfWrite(module, QUdpThread::ADDR_ROM_PROTECT);
        const int comment = indexOfWrite(module, 0x100 + 5 * 112);
        const int userStore = indexOfWrite(module, QUdpThread::ADDR_USER_ROM_WRITE);
        const int enable = indexOfWrite(module, QTamp::EEPROM_WRITE_ENABLE_ADDR);
        const int boot = indexOfWrite(module, QUdpThread::ADDR_ROM_DEFAULT);
        const int disable = indexOfWrite(module, QTamp::EEPROM_WRITE_ENABLE_ADDR, enable + 1);
        const int slotCommand = indexOfWrite(module, QUdpThread::ADDR_ROM_WRITE + 5);
        QVERIFY(protectOn >= 0);
        QCOMPARE(writeBytes(module).at(protectOn).second, quint8(0x03));
        QVERIFY(protectOn < comment && comment < userStore && userStore < enable && enable < boot &&
                boot < disable && disable < slotCommand);
        QCOMPARE(writeBytes(module).at(enable).second, quint8(0x00));
        QCOMPARE(writeBytes(module).at(disable).second, quint8(0xFF));

        RomStore& rom = module.memory.rom();
        QCOMPARE(rom.userRom().mid(5 * 112, 6), QByteArray("run 5\0", 6));
        QCOMPARE(quint8(rom.image(5).at(0x10)), quint8(0x5A));
        QCOMPARE(module.memory.peek(QUdpThread::ADDR_ROM_DEFAULT), quint8(5));
        // Re-protected: ROM writing off now and at boot.
        QCOMPARE(protectByte(module), quint8(0x01));
        QCOMPARE(module.memory.peek(QUdpThread::ADDR_EEPROM_PROTECT), quint8(0x01));
        // The slot just stored is the module's current one, unmodified.
        QCOMPARE(module.memory.peek(QUdpThread::ADDR_ROM_NUMBER), quint8(5));
        // Progress of the slot command in bytes, ending at the slot size.
        QCOMPARE(saved.progress.last(), int(QUdpThread::ROM_ACCESS_SIZE));
    }

    void corruptedFat_data()
    {
        QTest::addColumn<bool>("bSave");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QString>("text");
        const QString runsOff = "FATAL Error: FAT is corrupted.";
        const QString tooLong = "FATAL Error! FAT is corrupted.";
        const QString loop = "FATAL Error!! FAT is corrupted.";
        const QString freeTooLong = "FATAL Error. FAT is corrupted.";
        const QString freeBadLink = "FATAL Error!!! FAT is corrupted.";
        QTest::newRow("load 3 -> 20 -> 3") << false << QList<Entry>{{3, 20}, {20, 3}} << loop;
        QTest::newRow("load end entry too long") << false << QList<Entry>{{3, 20}, {20, 0x9000}} << tooLong;
        QTest::newRow("load runs off the end") << false << QList<Entry>{{3, 20}, {20, 0x0900}} << runsOff;
        QTest::newRow("save 3 -> 20 -> 3") << true << QList<Entry>{{3, 20}, {20, 3}} << freeBadLink;
        QTest::newRow("save end entry too long")
            << true << QList<Entry>{{3, 20}, {20, 0x9000}} << freeTooLong;
    }
    void corruptedFat()
    {
        QFETCH(bool, bSave);
        QFETCH(QList<Entry>, entries);
        QFETCH(QString, text);
        InProcessModule& module = *m_module;
        RomStore& rom = module.memory.rom();
        QVERIFY(saveToSlot(module, 7, patternBytes(6000, 7)).bOk);
        for (const Entry& e : entries)
            rom.setFatEntry(e.first, quint16(e.second));
        const QByteArray fatBefore = rom.page(RomStore::PAGE_FAT);

        const WorkerOutcome outcome = bSave ? saveToSlot(module, SLOT, "<doc/>") : restoreSlot(module, SLOT);
        QVERIFY(!outcome.bOk);
        QCOMPARE(outcome.errors, QStringList{text});
        QVERIFY(!outcome.bXml);
        QCOMPARE(rom.page(RomStore::PAGE_FAT), fatBefore); // never programmed
        if (bSave)
            QVERIFY(!(protectByte(module) & 0x02));
        QByteArray seven;
        QVERIFY(decodeSlot(rom, 7, seven));
        QCOMPARE(seven, patternBytes(6000, 7));
    }

    void syncNaming_data()
    {
        QTest::addColumn<QByteArray>("comment");
        QTest::addColumn<QString>("name");
        QTest::newRow("prefix kept") << QByteArray("ROM2-x") << "ROM2-x";
        QTest::newRow("other prefix") << QByteArray("ROM3-x") << "ROM2-ROM3-x";
        QTest::newRow("112 bytes, no NUL") << QByteArray(112, 'c') << "ROM2-" + QString(112, 'c');
    }
    void syncNaming()
    {
        QFETCH(QByteArray, comment);
        QFETCH(QString, name);
        InProcessModule& module = *m_module;
        const QByteArray xml = patternBytes(4500, 2);
        QVERIFY(saveToSlot(module, 2, xml).bOk);
        QVERIFY(saveToSlot(module, 6, patternBytes(10, 6)).bOk);
        QVERIFY(restoreSlot(module, 2).bOk); // slot 2 is current again
        QByteArray record = comment;
        record.append(QByteArray(112 - record.size(), '\0'));
        module.memory.write(0x100 + 2 * 112, record);

        RomWorker worker;
        module.target(worker);
        worker.setStatusReq(QUdpThread::Sync);
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY2(outcome.bOk, qPrintable(outcome.errors.join('|')));
        QCOMPARE(outcome.name, name);
        QCOMPARE(outcome.xml, xml);
    }

    void cancelledSave_data()
    {
        QTest::addColumn<quint32>("trigger");
        QTest::addColumn<int>("occurrence");
        QTest::addColumn<bool>("bOldDocumentKept");
        QTest::newRow("during the slot command") << quint32(0x8050 + SLOT) << 1 << true;
        QTest::newRow("during the FAT program") << quint32(0x8104) << 4 << false;
    }
    void cancelledSave()
    {
        QFETCH(quint32, trigger);
        QFETCH(int, occurrence);
        QFETCH(bool, bOldDocumentKept);
        InProcessModule& module = *m_module;
        RomStore& rom = module.memory.rom();
        const QByteArray oldXml = patternBytes(5000, 1);
        QVERIFY(saveToSlot(module, SLOT, oldXml).bOk);
        QVERIFY(saveToSlot(module, 9, patternBytes(7000, 9)).bOk);
        const QByteArray fatBefore = rom.page(RomStore::PAGE_FAT);
        const QByteArray imageBefore = rom.image(SLOT);
        module.requests.clear();

        // Commands now run long enough for the cancel to catch them.
        rom.setBusyMs(100);
        RomWorker* pWorker = nullptr;
        int seen = 0;
        QObject context;
        QObject::connect(&module.server, &TampServer::requestReceived, &context, [&](const QByteArray& r) {
            if (r.size() > 8 && quint8(r.at(1)) == TampServer::TAMP_WR &&
                InProcessModule::addressOf(r) == trigger && ++seen == occurrence)
                pWorker->cancel();
        });
        module.memory.write(0x0030, QByteArray(1, '\x77')); // registers differ from the stored image
        const WorkerOutcome outcome = saveToSlot(module, SLOT, patternBytes(10000, 2), QByteArray(), -1,
                                                 [&](RomWorker& worker) { pWorker = &worker; });
        QVERIFY(outcome.bOk);
        QCOMPARE(seen, occurrence);

        const int abort = indexOfWrite(module, QUdpThread::ADDR_ROM_ABORT);
        QVERIFY(abort >= 0);
        QCOMPARE(writeBytes(module).at(abort).second, quint8(0xFF));
        QCOMPARE(rom.aborts(), 1);
        // No page store access after the abort; ROM writing is off again.
        QCOMPARE(indexOfWrite(module, QUdpThread::ADDR_ROM2_NUM, abort), -1);
        QVERIFY(!(protectByte(module) & 0x02));
        QCOMPARE(rom.page(RomStore::PAGE_FAT), fatBefore);
        if (trigger == 0x8050 + SLOT)
            QCOMPARE(rom.image(SLOT), imageBefore); // an aborted slot command stores nothing
        rom.setBusyMs(0);
        QByteArray other;
        QVERIFY(decodeSlot(rom, 9, other));
        QCOMPARE(other, patternBytes(7000, 9));
        if (bOldDocumentKept)
            QCOMPARE(restoreSlot(module, SLOT).xml, oldXml);
    }

    void cancelledRestoreDeliversNothing()
    {
        InProcessModule& module = *m_module;
        RomStore& rom = module.memory.rom();
        QVERIFY(saveToSlot(module, SLOT, patternBytes(9000, 1)).bOk);
        rom.setBusyMs(300);
        module.requests.clear();
        RomWorker worker;
        module.target(worker);
        QByteArray target;
        worker.setXmlReq(SLOT, &target);
        worker.setRomAccess(QUdpThread::ADDR_ROM_READ + SLOT, QUdpThread::ROM_ACCESS_SIZE);
        int pageReads = 0;
        QObject context;
        QObject::connect(&module.server, &TampServer::requestReceived, &context, [&](const QByteArray& r) {
            if (r.size() > 8 && quint8(r.at(1)) == TampServer::TAMP_WR &&
                InProcessModule::addressOf(r) == QUdpThread::ADDR_ROM2_READ && ++pageReads == 2)
                worker.cancel(); // during the first page of the document
        });
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY(outcome.bOk);
        QVERIFY(!outcome.bXml);
        QCOMPARE(pageReads, 2);
        QCOMPARE(rom.aborts(), 1);
        // A loading job leaves the protection alone.
        QCOMPARE(indexOfWrite(module, QUdpThread::ADDR_ROM_PROTECT), -1);
    }

    // Long sequences of saves of random documents into random slots, some of them broken off by a
    // module that falls silent or by a cancel. After every step each slot must hold exactly what was
    // last saved to it (or nothing), the slot of a broken save excepted, and every page outside the
    // chains must be free.
    void savesWithFailures_data()
    {
        QTest::addColumn<quint32>("seed");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("busyMs");
        QTest::newRow("seed 1") << 1u << 60 << 0;
        QTest::newRow("seed 2024") << 2024u << 60 << 0;
        // Commands that take time: a cancel then aborts them half-way, page reads included.
        QTest::newRow("seed 5, busy module") << 5u << 40 << 3;
    }
    void savesWithFailures()
    {
        QFETCH(quint32, seed);
        QFETCH(int, steps);
        QFETCH(int, busyMs);
        QRandomGenerator rng(seed);
        InProcessModule module;
        RomStore& rom = module.memory.rom();
        rom.setBusyMs(busyMs);
        rom.setDataPages(DATA_PAGES);
        QVector<Expectation> expected(RomStore::SLOTS);
        int memoryFull = 0;
        int broken = 0;

        for (int step = 0; step < steps; ++step) {
            const int slot = rng.bounded(RomStore::SLOTS);
            const QByteArray xml = randomDocument(rng);
            const int roll = rng.bounded(100);
            const Fault fault = roll < 65 ? Fault::None : roll < 82 ? Fault::Silence : Fault::Cancel;
            const int strikeAt = rng.bounded(1, 60 + xml.size() / 128);

            RomWorker* pWorker = nullptr;
            int requests = 0;
            bool bStruck = false;
            QObject context;
            QObject::connect(&module.server, &TampServer::requestReceived, &context, [&](const QByteArray&) {
                if (fault == Fault::None || bStruck || ++requests < strikeAt)
                    return;
                bStruck = true;
                if (fault == Fault::Silence) {
                    TampServer::Faults silent;
                    silent.loss = 1.0;
                    module.server.setFaults(silent);
                } else {
                    pWorker->cancel();
                }
            });
            const WorkerOutcome outcome =
                saveToSlot(module, slot, xml, QByteArray(), -1, [&](RomWorker& worker) {
                    pWorker = &worker;
                    if (fault == Fault::Silence)
                        worker.setQuickFailure();
                });
            module.server.setFaults(TampServer::Faults());
            module.requests.clear();
            QVERIFY(outcome.bClosed);
            // A command the module took before it fell silent ends on its own.
            QTest::qWait(busyMs);
            QTRY_VERIFY(!rom.isBusy());

            if (bStruck) {
                ++broken;
                expected[slot].bKnown = false;
                if (fault == Fault::Silence)
                    QVERIFY(!outcome.bOk);
            } else {
                QVERIFY2(outcome.bOk, qPrintable(outcome.errors.join('|')));
                expected[slot].bKnown = true;
                expected[slot].xml = outcome.bXml ? QByteArray() : xml;
                memoryFull += outcome.bXml ? 1 : 0;
            }
            checkStore(rom, expected, step);
            if (QTest::currentTestFailed())
                return;

            // Now and then the whole way back through the worker.
            if (step % 10 == 9) {
                for (int s = 0; s < RomStore::SLOTS; s += 5) {
                    if (!expected.at(s).bKnown)
                        continue;
                    const WorkerOutcome restored = restoreSlot(module, s);
                    QVERIFY2(restored.bOk, qPrintable(restored.errors.join('|')));
                    QVERIFY(restored.bXml);
                    QCOMPARE(restored.xml, expected.at(s).xml);
                }
            }
        }
        // The sequence did meet the situations it is about.
        QVERIFY(memoryFull > 0);
        QVERIFY(broken > 0);
    }

private:
    std::unique_ptr<InProcessModule> m_module;
};

QTEST_GUILESS_MAIN(TestRom)
#include "tst_rom.moc"
