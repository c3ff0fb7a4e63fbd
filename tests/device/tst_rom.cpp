#include "tests/support/romHarness.h"

#include <QRandomGenerator>
#include <QtTest>

#include <optional>

using Entry = QPair<int, int>; // FAT page, entry value
Q_DECLARE_METATYPE(QList<Entry>)

namespace {
// The write commands received as (address, first data byte), in order.
using Writes = QList<QPair<quint32, quint8>>;
Writes writesOf(const InProcessModule& module)
{
    Writes list;
    for (const QByteArray& r : module.requests) {
        if (r.size() > 8 && quint8(r.at(1)) == 0x80)
            list << qMakePair(InProcessModule::addressOf(r), quint8(r.at(8)));
    }
    return list;
}

// The first write to address after index from, -1 when there is none.
int find(const Writes& writes, quint32 address, int from = 0)
{
    for (int i = from; i < writes.size(); ++i) {
        if (writes.at(i).first == address)
            return i;
    }
    return -1;
}

// Random content; half the sizes small, some around page boundaries, the rest large.
QByteArray randomDocument(QRandomGenerator& rng)
{
    const int kind = rng.bounded(10);
    QByteArray bytes(kind < 5   ? rng.bounded(1, 6000)
                     : kind < 7 ? 4096 * rng.bounded(1, 4) + rng.bounded(-1, 2)
                                : rng.bounded(6000, 40000),
                     '\0');
    for (char& byte : bytes)
        byte = char(rng.bounded(256));
    return bytes;
}

constexpr int DATA_PAGES = 16; // a small store, so that it fills up now and then

// Every slot holds what is expected (nullopt: anything well formed); no page leaks or is shared.
void checkStore(RomStore& rom, const QVector<std::optional<QByteArray>>& expected, int step)
{
    QSet<int> used;
    for (int slot = 0; slot < 16; ++slot) {
        QByteArray xml;
        QList<int> chain;
        const QByteArray where = QString("step %1 slot %2").arg(step).arg(slot).toLatin1();
        QVERIFY2(decodeSlot(rom, slot, xml, &chain) && (!expected.at(slot) || xml == *expected.at(slot)),
                 where);
        for (int page : qAsConst(chain)) {
            QVERIFY2(page < 16 || !used.contains(page), where + " shares a page");
            used.insert(page);
        }
    }
    for (int page = 16; page < 2047; ++page) {
        const quint16 entry = rom.fatEntry(page);
        const quint16 unused = page < 16 + DATA_PAGES ? 0xFFFF : 0xFEFE;
        QVERIFY2(used.contains(page) ? entry != 0xFFFF : entry == unused,
                 qPrintable(QString("step %1 page %2").arg(step).arg(page)));
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

    // A save's requests in order: protect on, comment, EEPROM entry, slot command, pages, re-protect.
    void save_data()
    {
        QTest::addColumn<int>("size");
        QTest::addColumn<QList<Entry>>("chain"); // the document's pages and their FAT entries
        QTest::newRow("one full page") << 4096 << QList<Entry>{{5, 0x8FFF}};
        QTest::newRow("one byte more") << 4097 << QList<Entry>{{5, 16}, {16, 0x8000}};
    }
    void save()
    {
        QFETCH(int, size);
        QFETCH(QList<Entry>, chain);
        InProcessModule& module = *m_module;
        module.memory.poke(0xFFFFFF3C, 0x01); // ROM writing off
        module.memory.poke(0xFFFFFC3C, 0x03);
        module.memory.poke(0x0010, 0x5A); // a live register
        const QByteArray xml = patternBytes(size, 1);
        const WorkerOutcome saved = saveToSlot(module, 5, xml, [](RomWorker& worker) {
            worker.setData(0x100 + 5 * 112, QByteArray("run 5").leftJustified(112, '\0'), false);
            worker.setData(0xFFFFFC3E, QByteArray(1, 5), true);
        });
        QVERIFY2(saved.bOk, qPrintable(saved.errors.join('|')));
        const Writes w = writesOf(module);
        const int enable = find(w, 0xFFFFFCFF);
        const QList<int> order = {
            find(w, 0xFFFFFF3C), find(w, 0x100 + 5 * 112),        find(w, 0x8040), enable,
            find(w, 0xFFFFFC3E), find(w, 0xFFFFFCFF, enable + 1), find(w, 0x8055)};
        QVERIFY(order.first() >= 0 && std::is_sorted(order.begin(), order.end()));
        QCOMPARE(w.at(order.at(0)).second, quint8(0x03)); // ROM writing on
        QCOMPARE(w.at(order.at(3)).second, quint8(0x00)); // EEPROM writing on
        QCOMPARE(w.at(order.at(5)).second, quint8(0xFF)); // and off
        QCOMPARE(saved.progress.last(), 0x4000);          // the slot command's progress in bytes

        RomStore& rom = module.memory.rom();
        for (const Entry& e : chain)
            QCOMPARE(int(rom.fatEntry(e.first)), e.second);
        QCOMPARE(rom.userRom().mid(5 * 112, 6), QByteArray("run 5\0", 6));
        QCOMPARE(quint8(rom.image(5).at(0x10)), quint8(0x5A));
        QCOMPARE(module.memory.peek(0xFFFFFC3E), quint8(5));
        // Re-protected now and at boot.
        QCOMPARE(module.memory.peek(0xFFFFFF3C), quint8(0x01));
        QCOMPARE(module.memory.peek(0xFFFFFC3C), quint8(0x01));
        QCOMPARE(restoreSlot(module, 5).xml, xml);
    }

    void corruptedFat_data()
    {
        QTest::addColumn<bool>("bSave");
        QTest::addColumn<QList<Entry>>("entries");
        QTest::addColumn<QString>("text");
        const auto row = [](const char* tag, bool bSave, int next, const char* text) {
            QTest::newRow(tag) << bSave << QList<Entry>{{3, 20}, {20, next}} << QString(text);
        };
        row("load 3 -> 20 -> 3", false, 3, "FATAL Error!! FAT is corrupted.");
        row("load end entry too long", false, 0x9000, "FATAL Error! FAT is corrupted.");
        row("load runs off the end", false, 0x0900, "FATAL Error: FAT is corrupted.");
        row("save 3 -> 20 -> 3", true, 3, "FATAL Error!!! FAT is corrupted.");
        row("save end entry too long", true, 0x9000, "FATAL Error. FAT is corrupted.");
    }
    // The job fails with the text, never programs the FAT, leaves ROM writing off and other slots whole.
    void corruptedFat()
    {
        QFETCH(bool, bSave);
        QFETCH(QList<Entry>, entries);
        RomStore& rom = m_module->memory.rom();
        QVERIFY(saveToSlot(*m_module, 7, patternBytes(6000, 7)).bOk);
        for (const Entry& e : entries)
            rom.setFatEntry(e.first, quint16(e.second));
        const QByteArray fatBefore = rom.page(2047);
        const WorkerOutcome outcome = bSave ? saveToSlot(*m_module, 3, "<doc/>") : restoreSlot(*m_module, 3);
        QVERIFY(!outcome.bOk && !outcome.bXml);
        QTEST(outcome.errors.value(0), "text");
        QCOMPARE(rom.page(2047), fatBefore);
        QVERIFY(!(m_module->memory.peek(0xFFFFFF3C) & 0x02));
        QByteArray seven;
        QVERIFY(decodeSlot(rom, 7, seven) && seven == patternBytes(6000, 7));
    }

    // A save cut off after any request leaves the old document, none or the new one, never a mix.
    void interruptedSaveLeavesNoMixedDocument()
    {
        InProcessModule& module = *m_module;
        const QByteArray before = patternBytes(9000, 1);
        const QByteArray after = patternBytes(10000, 2);
        QVERIFY(saveToSlot(module, 3, before).bOk);
        const QByteArray state = module.memory.saveState();
        module.requests.clear();
        QVERIFY(saveToSlot(module, 3, after).bOk);

        ModuleMemory cut;
        QVERIFY(cut.loadState(state));
        cut.rom().setBusyMs(0);
        QSet<QByteArray> seen;
        for (int i = 0; i < module.requests.size(); ++i) {
            TampServer::answer(cut, module.requests.at(i));
            QByteArray xml;
            QVERIFY(decodeSlot(cut.rom(), 3, xml));
            QVERIFY2(xml == before || xml.isEmpty() || xml == after,
                     qPrintable(QString("request %1").arg(i)));
            seen.insert(xml.left(1));
        }
        QCOMPARE(seen.size(), 3);
        // The pages freed by the old chain are taken again, in order.
        QByteArray xml;
        QList<int> chain;
        QVERIFY(decodeSlot(cut.rom(), 3, xml, &chain) && xml == after);
        QCOMPARE(chain, QList<int>({3, 16, 17}));
        QCOMPARE(cut.rom().fatEntry(17), quint16(0x8000 + 1807));
    }

    // A ROM that stays busy: the job gives up with a clear message and has the module abort.
    void romBusyHasALimit()
    {
        RomStore& rom = m_module->memory.rom();
        rom.setBusyMs(600000);
        RomWorker worker;
        m_module->target(worker);
        QByteArray xml;
        worker.setXmlReq(2, &xml);
        worker.setRomAccess(0x8072, 0x4000);
        QTimer guard; // the job before the limit: it would wait for ever
        guard.setSingleShot(true);
        connect(&guard, &QTimer::timeout, &worker, [&worker] { worker.cancel(); });
        guard.start(15000);
        const WorkerOutcome outcome = runWorker(worker);
        QVERIFY(!outcome.bOk);
        QCOMPARE(
            outcome.errors.value(0),
            QString("The module's ROM stayed busy for more than 60 seconds; the ROM command was given up."));
        QCOMPARE(rom.aborts(), 1);
        QVERIFY(!rom.isBusy());
    }

    void documentNames_data()
    {
        QTest::addColumn<QByteArray>("comment");
        QTest::addColumn<QString>("name");
        QTest::newRow("prefix kept") << QByteArray("ROM2-x\0tail", 11) << "ROM2-x";
        QTest::newRow("other prefix") << QByteArray("ROM3-x") << "ROM2-ROM3-x";
        QTest::newRow("112 bytes, no NUL") << QByteArray(112, 'c') + "more"
                                           << "ROM2-" + QString(112, 'c');
        QTest::newRow("UTF-8") << QByteArray("r\xc3\xa9sum\xc3\xa9")
                               << QString::fromUtf8("ROM2-r\xc3\xa9sum\xc3\xa9");
    }
    void documentNames()
    {
        QFETCH(QByteArray, comment);
        QTEST(QUdpThread::romDocumentName(2, comment), "name");
    }

    // Random saves, some broken off by silence or a cancel: every slot holds what was last saved to it
    // (a broken save's slot excepted), and no page leaks.
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
        InProcessModule& module = *m_module;
        RomStore& rom = module.memory.rom();
        rom.setBusyMs(busyMs);
        rom.setDataPages(DATA_PAGES);
        QVector<std::optional<QByteArray>> expected(16, QByteArray());
        int memoryFull = 0;
        int broken = 0;
        for (int step = 0; step < steps; ++step) {
            const int slot = rng.bounded(16);
            const QByteArray xml = randomDocument(rng);
            const int roll = rng.bounded(100);
            const bool bSilence = roll >= 65 && roll < 82;
            const bool bCancel = roll >= 82;
            const int strikeAt = rng.bounded(1, 60 + xml.size() / 128);
            RomWorker* pWorker = nullptr;
            int requests = 0;
            bool bStruck = false;
            QObject context;
            QObject::connect(&module.server, &TampServer::requestReceived, &context, [&](const QByteArray&) {
                if ((bSilence || bCancel) && !bStruck && ++requests >= strikeAt) {
                    bStruck = true;
                    if (bSilence)
                        module.server.setFaults({1.0, false, false, 0});
                    else
                        pWorker->cancel();
                }
            });
            const WorkerOutcome outcome = saveToSlot(module, slot, xml, [&](RomWorker& worker) {
                pWorker = &worker;
                if (bSilence)
                    worker.setQuickFailure();
            });
            module.server.setFaults(TampServer::Faults());
            module.requests.clear();
            QCoreApplication::processEvents(); // requests the worker sent before it ended reach the module
            QTRY_VERIFY(!rom.isBusy()); // a command the module took before it fell silent ends on its own
            if (bStruck) {
                ++broken;
                expected[slot].reset();
                QVERIFY(!bSilence || !outcome.bOk);
            } else {
                QVERIFY2(outcome.bOk, qPrintable(outcome.errors.join('|')));
                expected[slot] = outcome.bXml ? QByteArray() : xml; // handed back: memory full
                memoryFull += outcome.bXml ? 1 : 0;
            }
            checkStore(rom, expected, step);
            if (QTest::currentTestFailed())
                return;
            for (int s = 0; step % 10 == 9 && s < 16;
                 s += 5) { // now and then the way back through the worker
                if (expected.at(s))
                    QCOMPARE(restoreSlot(module, s).xml, *expected.at(s));
            }
        }
        QVERIFY(memoryFull > 0 && broken > 0); // the sequence met the situations it is about
    }

private:
    std::unique_ptr<InProcessModule> m_module;
};

QTEST_GUILESS_MAIN(TestRom)
#include "tst_rom.moc"
