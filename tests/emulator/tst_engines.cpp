#include "emulator/vcdWriter.h"
#include "operations/previewSetup.h"
#include "tests/emulator/handImage.h"
#include "tests/support/randomDocument.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <QtTest>

namespace {
// Random registers, pulses and software actions for one case. Times stay short against the run,
// so that timers end, lines deliver and pulses overlap within it.
class RandomCase
{
public:
    explicit RandomCase(quint32 seed)
        : m_random(seed)
        , m_seed(seed)
    {}

    int below(int n) { return int(m_random.bounded(quint32(n))); }
    bool chance(int percent) { return below(100) < percent; }

    // One in twenty from a random document (when its expressions compile), the others written
    // register by register: any mode, count, select word and table a module may hold.
    ModuleImage image()
    {
        if (chance(5)) {
            Document doc;
            RandomDocument(doc, m_seed).build();
            PreviewSetup setup;
            QString error;
            if (PreviewSetup::fromDiagram(*doc.diagram(), setup, error))
                return setup.image;
        }
        HandImage h;
        table(ModuleImage::REG_FRONTEND, ModuleImage::FRONTEND_ENTRIES, 10, 2, h);
        for (quint32 lut :
             {ModuleImage::REG_OUTPUT_LUT, ModuleImage::REG_FEEDBACK_LUT, ModuleImage::REG_MSR_LUT})
            table(lut, ModuleImage::BACKEND_ENTRIES, 11, 1, h);
        h.image.setByte(ModuleImage::REG_DELAY_FEEDBACK, quint8(below(256)));
        h.image.setByte(ModuleImage::REG_COUNTER_FEEDBACK, quint8(below(256)));
        h.word16(ModuleImage::REG_BACKEND_SELECT, quint16(below(1 << 16)));
        for (quint32 u = 0; u < ModuleImage::UNITS; ++u) {
            const int mode = chance(3) ? below(256) : below(11);
            h.image.setByte(ModuleImage::REG_COUNTER_MODE + u, quint8(mode));
            h.word32(ModuleImage::REG_MAIN_COUNT + 8 * u, count(mode));
            h.word32(ModuleImage::REG_SUB_COUNT + 8 * u, count(mode));
            h.word16(ModuleImage::REG_DELAY + 2 * u, quint16(chance(20) ? 0 : below(300)));
        }
        for (quint32 m = 0; m < ModuleImage::COUNTERS; ++m)
            h.image.setByte(ModuleImage::REG_MSR_MODE + m, quint8(below(256)));
        h.word16(ModuleImage::REG_USER_ENABLE, quint16(chance(50) ? below(1 << 10) : 0));
        h.word32(ModuleImage::REG_OSC_MAIN, quint32(chance(50) ? below(200) : 0));
        h.word32(ModuleImage::REG_OSC_SUB, quint32(below(200)));
        liveRegisters(h.image);
        return h.image;
    }
    // The registers software writes while the module runs.
    void liveRegisters(ModuleImage& image)
    {
        for (quint32 m = 0; m < ModuleImage::COUNTERS; ++m)
            image.setByte(ModuleImage::REG_MSR_START + m, chance(50) ? ModuleImage::MSR_STARTED : 0);
        image.setByte(ModuleImage::REG_USER_LEVELS, quint8(below(4)));
        image.setByte(ModuleImage::REG_USER_LEVELS + 1, quint8(below(256)));
    }

    // A few pulse trains of every pattern, on any input; some far wider than the run.
    QString stimulus(qint64 runNs)
    {
        QString text;
        for (int n = below(8); n > 0; --n) {
            const QString channel = Stimulus::channelNames().at(below(Stimulus::CHANNELS));
            const int width = chance(5) ? 1'000'000 : 5 + below(chance(50) ? 30 : 300);
            const int start = below(int(runNs / 4));
            switch (below(4)) {
            case 0:
                text += QStringLiteral("%1 periodic period=%2 width=%3 start=%4\n")
                            .arg(channel)
                            .arg(width + 1 + below(400))
                            .arg(qMin(width, 400))
                            .arg(start);
                break;
            case 1:
                text += QStringLiteral("%1 list width=%2 at=%3,%4,%5\n")
                            .arg(channel)
                            .arg(width)
                            .arg(start)
                            .arg(below(int(runNs)))
                            .arg(below(int(runNs)));
                break;
            case 2:
                text += QStringLiteral("%1 poisson rate=%2kHz width=%3 start=%4 seed=%5\n")
                            .arg(channel)
                            .arg(100 + below(40000))
                            .arg(width)
                            .arg(start)
                            .arg(below(1000));
                break;
            default:
                text += QStringLiteral("%1 bursts period=2us pulses=%2 spacing=50 width=%3 start=%4\n")
                            .arg(channel)
                            .arg(1 + below(8))
                            .arg(5 + below(45))
                            .arg(start);
            }
        }
        return text;
    }

private:
    // Tables of random functions of a few bits of the index (the pulses then pass through), or
    // random noise.
    void table(quint32 base, int entries, int indexBits, int bytes, HandImage& h)
    {
        const bool noise = chance(20);
        for (int b = 0; b < 8 * bytes; ++b) {
            const int a = below(indexBits);
            const int c = below(indexBits);
            const int truth = below(16);
            for (int i = 0; i < entries; ++i) {
                const bool on = noise ? chance(50) : (truth >> ((i >> a & 1) << 1 | (i >> c & 1))) & 1;
                const quint32 addr = base + quint32(bytes * i + (bytes - 1 - b / 8));
                h.image.setByte(addr, quint8(h.image.byte(addr) | (on ? 1u << (b % 8) : 0u)));
            }
        }
    }
    quint32 count(int mode)
    {
        if (mode == CounterUnit::Divider)
            return quint32(below(5));
        return quint32(chance(10) ? 0 : chance(5) ? 100'000 : below(200));
    }

    QRandomGenerator m_random;
    quint32 m_seed;
};

// What a run gives that anyone sees: its VCD, every record and the totals.
QString resultOf(Emulator& e, qint64 endCycle, const QStringList& records)
{
    QBuffer vcd;
    vcd.open(QIODevice::WriteOnly);
    VcdWriter::write(vcd, e, SignalNames::hardware(), endCycle, "equivalence");
    QString text = QString::fromUtf8(vcd.data()) + records.join(' ');
    for (int ch = 0; ch < Emulator::OUTPUTS; ++ch)
        text += QStringLiteral(" pulses%1=%2").arg(ch).arg(e.outputPulses(ch));
    for (int m = 0; m < Emulator::COUNTERS; ++m) {
        const Emulator::CounterTotal& t = e.counterTotal(m);
        text += QStringLiteral(" msr%1=%2/%3/%4").arg(m).arg(t.records).arg(t.sum).arg(t.last);
    }
    return text + QStringLiteral(" now=%1 truncated=%2").arg(e.now()).arg(e.isTraceTruncated());
}

// The first line in which two results differ, for the failure message.
QString firstDifference(const QString& a, const QString& b)
{
    const QStringList x = a.split('\n');
    const QStringList y = b.split('\n');
    for (int i = 0; i < qMin(x.size(), y.size()); ++i) {
        if (x.at(i) != y.at(i))
            return QStringLiteral("line %1: event \"%2\", cycle \"%3\"").arg(i + 1).arg(x.at(i), y.at(i));
    }
    return QStringLiteral("lengths %1 and %2").arg(x.size()).arg(y.size());
}
} // namespace

// The event-driven engine against the cycle engine on random registers, pulses and software
// actions mid-run (downloads, counter starts, user levels): the same VCD bytes, records and totals.
// VEXTOR_ENGINE_CASES sets the number of cases (default 1000), VEXTOR_ENGINE_SEED the first seed.
class TestEngines : public QObject
{
    Q_OBJECT

private slots:
    // Blocks of a hundred seeds.
    void sameRuns_data()
    {
        QTest::addColumn<quint32>("first");
        QTest::addColumn<quint32>("count");
        const int cases = qEnvironmentVariableIsSet("VEXTOR_ENGINE_CASES")
                              ? qEnvironmentVariableIntValue("VEXTOR_ENGINE_CASES")
                              : 1000;
        const quint32 seed = quint32(qEnvironmentVariableIntValue("VEXTOR_ENGINE_SEED"));
        for (int done = 0; done < cases; done += 100) {
            const quint32 count = quint32(qMin(100, cases - done));
            QTest::addRow("seeds %u-%u", seed + quint32(done), seed + quint32(done) + count - 1)
                << seed + quint32(done) << count;
        }
    }
    void sameRuns()
    {
        QFETCH(quint32, first);
        QFETCH(quint32, count);
        for (quint32 seed = first; seed < first + count; ++seed) {
            RandomCase random(seed);
            const ModuleImage image = random.image();
            const qint64 end = Timing::cyclesOf(1000 + random.below(20'000));
            const Stimulus stimulus = stimulusOf(random.stimulus(Timing::nsOf(end)));
            const int traceLimit = random.chance(10) ? 0 : random.chance(10) ? random.below(50) : 1 << 20;
            QStringList records[2];
            std::unique_ptr<Emulator> engines[2];
            for (int e = 0; e < 2; ++e) {
                engines[e] = Emulator::create(image, stimulus,
                                              e == 0 ? Emulator::EventDriven : Emulator::CycleByCycle);
                engines[e]->setTraceLimit(traceLimit);
                engines[e]->setRecordSink([&records, e](const CounterRecord& r) {
                    records[e] << QStringLiteral("%1:%2:%3").arg(r.cycle).arg(r.counter).arg(r.value);
                });
            }
            // The same actions at the same cycles for both.
            while (engines[0]->now() < end) {
                const qint64 next = qMin(end, engines[0]->now() + random.below(int(end / 3) + 1));
                ModuleImage changed = image;
                const int action = random.below(10);
                if (action <= 2)
                    random.liveRegisters(changed);
                else if (action == 3)
                    changed = random.image();
                for (const auto& engine : engines) {
                    engine->runUntil(next);
                    if (action <= 2)
                        engine->setLiveRegisters(changed);
                    else if (action == 3)
                        engine->setImage(changed);
                }
            }
            for (const auto& engine : engines)
                engine->setAllCountersRunning(false);
            const QString event = resultOf(*engines[0], end, records[0]);
            const QString cycle = resultOf(*engines[1], end, records[1]);
            QVERIFY2(event == cycle,
                     qPrintable(QStringLiteral("seed %1: %2").arg(seed).arg(firstDifference(event, cycle))));
        }
    }
};

QTEST_GUILESS_MAIN(TestEngines)
#include "tst_engines.moc"
