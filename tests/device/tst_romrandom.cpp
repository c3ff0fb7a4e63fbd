#include "romHarness.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {
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
} // namespace

// Long sequences of saves of random documents into random slots, some of them broken off by a
// module that falls silent or by a cancel. After every step each slot must hold exactly what was
// last saved to it (or nothing), the slot of a broken save excepted, and every page outside the
// chains must be free.
class TestRomRandom : public QObject
{
    Q_OBJECT
private slots:
    void savesWithFailures_data();
    void savesWithFailures();

private:
    void checkStore(RomStore& rom, const QVector<Expectation>& expected, int step);
};

void TestRomRandom::savesWithFailures_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("busyMs");
    QTest::newRow("seed 1") << 1u << 60 << 0;
    QTest::newRow("seed 2024") << 2024u << 60 << 0;
    // Commands that take time: a cancel then aborts them half-way, page reads included.
    QTest::newRow("seed 5, busy module") << 5u << 40 << 3;
}

void TestRomRandom::checkStore(RomStore& rom, const QVector<Expectation>& expected, int step)
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

void TestRomRandom::savesWithFailures()
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
        const WorkerOutcome outcome = saveToSlot(module, slot, xml, QByteArray(), -1, [&](RomWorker& worker) {
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

QTEST_GUILESS_MAIN(TestRomRandom)
#include "tst_romrandom.moc"
