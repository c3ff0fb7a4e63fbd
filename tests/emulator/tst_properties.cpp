#include "operations/previewSetup.h"
#include "tests/emulator/handImage.h"
#include "tests/support/diagramBuilder.h"

#include <QtTest>

namespace {
constexpr qint64 RUN_NS = 200'000;
constexpr qint64 LATENCY = Timing::OUTPUT_LATENCY_NS;

ModuleImage imageOf(BlockDiagram& d)
{
    PreviewSetup setup;
    QString error;
    if (!PreviewSetup::fromDiagram(d, setup, error))
        qFatal("%s", qPrintable(error));
    return setup.image;
}

// Random pulses on IN-CH0 and IN-CH1: busy enough that they often overlap.
QString randomPulses(int seed)
{
    return QStringLiteral("IN-CH0 poisson rate=4MHz width=%1ns seed=%2\n"
                          "IN-CH1 poisson rate=3MHz width=%3ns seed=%4\n")
        .arg(5 + 5 * (seed % 7))
        .arg(seed)
        .arg(40 - 5 * (seed % 5))
        .arg(seed + 1000);
}

QVector<qint64> toggles(const Emulator& e, int bit)
{
    QVector<qint64> times;
    quint64 last = 0;
    for (const Emulator::Change& c : e.trace()) {
        if (((c.word ^ last) >> bit) & 1)
            times.append(Timing::nsOf(c.cycle));
        last = c.word;
    }
    return times;
}

bool levelAt(const Emulator& e, int bit, qint64 ns)
{
    const QVector<Emulator::Change>& trace = e.trace();
    const auto after =
        std::upper_bound(trace.begin(), trace.end(), Timing::cycleAt(ns),
                         [](qint64 cycle, const Emulator::Change& c) { return cycle < c.cycle; });
    return after != trace.begin() && ((after - 1)->word >> bit) & 1;
}

void seeds()
{
    QTest::addColumn<int>("seed");
    for (int seed = 1; seed <= 6; ++seed)
        QTest::newRow(qPrintable(QString::number(seed))) << seed;
}
} // namespace

// Properties that hold for any pulses: run on random ones with several seeds.
class TestProperties : public QObject
{
    Q_OBJECT

private slots:
    // Input through pass-throughs to an output: the output is the input, later by the latency.
    void passThroughReproducesItsInput_data() { seeds(); }
    void passThroughReproducesItsInput()
    {
        QFETCH(int, seed);
        BlockDiagram d;
        DiagramBuilder b(d);
        b.out(b.post("_A", {b.non(b.pre("_A", {"IN-CH0"}))}));
        const auto e = runImage(imageOf(d), randomPulses(seed), RUN_NS);
        QVector<qint64> expected;
        for (qint64 t : toggles(*e, Emulator::INPUT_BITS))
            if (t + LATENCY < RUN_NS)
                expected.append(t + LATENCY);
        QVERIFY(expected.size() > 100);
        QCOMPARE(toggles(*e, Emulator::OUTPUT_BITS), expected);
    }

    // A coincidence fires, and only when both inputs were true a latency earlier.
    void coincidenceNeedsBoth_data() { seeds(); }
    void coincidenceNeedsBoth()
    {
        QFETCH(int, seed);
        BlockDiagram d;
        DiagramBuilder b(d);
        b.out(b.post("_A", {b.non(b.pre("_A and _B", {"IN-CH0", "IN-CH1"}))}));
        const auto e = runImage(imageOf(d), randomPulses(seed), RUN_NS);
        const QVector<qint64> out = toggles(*e, Emulator::OUTPUT_BITS);
        QVERIFY(out.size() > 10);
        for (int i = 0; i + 1 < out.size(); i += 2) {
            for (qint64 t = out.at(i); t < out.at(i + 1); t += Timing::CLOCK_NS) {
                QVERIFY2(levelAt(*e, Emulator::INPUT_BITS, t - LATENCY) &&
                             levelAt(*e, Emulator::INPUT_BITS + 1, t - LATENCY),
                         qPrintable(QString::number(t)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestProperties)
#include "tst_properties.moc"
