#include "tests/emulator/handImage.h"

#include <QtTest>

// The function units and measure counters on hand-worked pulse cases, in ns on the 5 ns clock.
class TestFunctionUnits : public QObject
{
    Q_OBJECT

private slots:
    // Counter unit 0 in slot 3; sub holds the module's value (less one in modes 0, 1, 8, 9, 10).
    // Mode -1: the unit as a delay of `main` ns.
    void counterModes_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<uint>("main");
        QTest::addColumn<uint>("sub");
        QTest::addColumn<QString>("input");
        QTest::addColumn<int>("runNs");
        QTest::addColumn<QString>("output");

        // Pulses on IN-CH0 as "width at=times".
        const auto row = [](const char* tag, int mode, uint main, uint sub, const QString& pulses,
                            const char* output, int runNs = 400) {
            const QString in = pulses.isEmpty() ? QString() : "IN-CH0 list width=" + pulses;
            QTest::newRow(tag) << mode << main << sub << in << runNs << QString(output);
        };
        row("0 one-shot", 0, 50, 19, "20 at=100", "100-150");
        row("0 ignores edges in pulse and idle time", 0, 50, 19, "10 at=100,130,160,175", "100-150 175-225");
        row("1 retriggers in the pulse, not in the idle time", 1, 50, 19, "10 at=100,130,185,205",
            "100-180 205-255");
        row("1 edge as the pulse ends meets the idle time", 1, 50, 19, "10 at=100,150", "100-150");
        row("2 delayed one-shot", 2, 30, 40, "10 at=100,120", "130-170");
        row("2 edge as the pulse ends starts anew", 2, 30, 40, "10 at=100,170", "130-170 200-240");
        row("3 retriggers the delay, not the pulse", 3, 30, 40, "10 at=100,120,160", "150-190");
        row("4 guard holds the level", 4, 30, 20, "10 at=100\nIN-CH0 list width=85 at=115", "100-200");
        row("4 takes the level at the guard's end", 4, 30, 20, "10 at=100,115,135", "100-130");
        row("5 edges restart the guard", 5, 30, 20, "10 at=100,115,135", "100-175");
        row("6 delays both edges", 6, 30, 20, "50 at=100", "130-170");
        row("6 short pulse still passes", 6, 30, 20, "10 at=100", "130-150");
        row("7 undone change never appears", 7, 30, 20, "10 at=100", "");
        row("7 long pulse passes", 7, 30, 20, "50 at=100", "130-170");
        row("8 oscillates while enabled", 8, 20, 9, "70 at=100", "100-120 130-150 160-170");
        row("9 oscillates from cycle 0", 9, 20, 29, "", "0-20 50-70 100-120", 130);
        row("10 divides by true and false counts", 10, 2, 0, "10 at=100,200,300,400,500", "100-300 400-",
            600);
        row("times round up to the clock", 0, 7, 4, "10 at=100", "100-110");
        row("unknown mode drives nothing", 11, 50, 19, "10 at=100", "");
        row("delay 30 ns", -1, 30, 0, "20 at=100", "130-150");
        row("no delay", -1, 0, 0, "20 at=100", "100-120");
        row("delay of 7 ns acts as 10", -1, 7, 0, "20 at=100", "110-130");
    }
    void counterModes()
    {
        QFETCH(int, mode);
        QFETCH(uint, main);
        QFETCH(uint, sub);
        QFETCH(QString, input);
        QFETCH(int, runNs);
        QFETCH(QString, output);
        const HandImage h = mode < 0 ? HandImage::delay(quint16(main)) : HandImage::counter(mode, main, sub);
        const auto e = runImage(h.image, input, runNs);
        QCOMPARE(pulsesOf(*e, Emulator::SLOT_BITS + 3), output);
    }

    // Measure counter 0: GATE is IN-CH0, SRC is IN-CH1; records "closing time:value".
    void measureCounters_data()
    {
        QTest::addColumn<int>("gate");
        QTest::addColumn<int>("src");
        QTest::addColumn<bool>("started");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("records");

        const auto row = [](const char* tag, int gate, int src, bool started, const char* in,
                            const char* out) {
            QTest::newRow(tag) << gate << src << started << QString(in).replace('|', '\n') << QString(out);
        };
        // Lines of the stimulus separated by '|'.
        row("during true, rises", 2, 1, false,
            "IN-CH0 list width=100 at=100|IN-CH1 list width=5 at=50,120,150,195,210", "200:3");
        row("during true, true time", 2, 2, false,
            "IN-CH0 list width=200 at=100|IN-CH1 list width=50 at=80|IN-CH1 list width=100 at=250", "300:80");
        row("rising edges, gate time", 1, 3, false, "IN-CH0 list width=10 at=100,300,350", "300:200 350:50");
        row("an SRC edge with the opening GATE edge counts in the new measurement", 1, 1, false,
            "IN-CH0 list width=10 at=100,200,300|IN-CH1 list width=10 at=200", "200:0 300:1");
        row("both edges once started, changes", 0, 0, true,
            "IN-CH0 list width=100 at=100|IN-CH1 list width=10 at=50,150,250", "100:2 200:2 400:2");
        row("both edges not started", 0, 0, false, "IN-CH0 list width=100 at=100", "");
        row("user control ignores GATE", 3, 2, true,
            "IN-CH0 list width=10 at=200|IN-CH1 list width=50 at=100|IN-CH1 list width=25 at=300", "400:75");
    }
    void measureCounters()
    {
        QFETCH(int, gate);
        QFETCH(int, src);
        QFETCH(bool, started);
        QFETCH(QString, input);
        QFETCH(QString, records);
        const auto e = Emulator::create(HandImage::msrCnt(quint8(src << 2 | gate)).image, stimulusOf(input));
        e->setTraceLimit(100);
        e->setCounterRunning(0, started);
        e->runUntil(Timing::cyclesOf(400));
        e->setCounterRunning(0, false);
        QStringList made;
        for (const CounterRecord& r : e->tracedRecords())
            made << QStringLiteral("%1:%2").arg(Timing::nsOf(r.cycle)).arg(r.value);
        QCOMPARE(made.join(' '), records);
        QCOMPARE(e->counterTotal(0).records, quint64(made.size()));
    }

    // A feedback reaches its unit 24 ns after its table bit; the output pin follows 60 ns later.
    void feedbackAndOutputLatency()
    {
        HandImage h = HandImage::counter(0, 10, 0);
        h.image.setByte(ModuleImage::REG_COUNTER_FEEDBACK, 1); // unit 0 takes feedback 0
        for (int w = 0; w < ModuleImage::BACKEND_ENTRIES; ++w) {
            h.image.setByte(ModuleImage::REG_FEEDBACK_LUT + quint32(w), quint8(w & 1));    // slot 0
            h.image.setByte(ModuleImage::REG_OUTPUT_LUT + quint32(w), quint8(w >> 3 & 1)); // slot 3
        }
        const auto e = runImage(h.image, "IN-CH0 list width=20 at=100", 300);
        QCOMPARE(pulsesOf(*e, Emulator::FEEDBACK_BITS), QString("100-120"));
        QCOMPARE(pulsesOf(*e, Emulator::SLOT_BITS + 3), QString("125-135"));
        QCOMPARE(pulsesOf(*e, Emulator::OUTPUT_BITS), QString("185-195"));
        QCOMPARE(e->outputPulses(0), quint64(1));
    }

    // User-controlled inputs follow the word unless the stimulus drives them; the oscillator ignores it.
    void inputSources()
    {
        HandImage h;
        h.word16(ModuleImage::REG_USER_ENABLE, 0x0003);
        h.word16(ModuleImage::REG_USER_LEVELS, 0x0001);
        h.word32(ModuleImage::REG_OSC_MAIN, 20);
        h.word32(ModuleImage::REG_OSC_SUB, 29);
        const auto e = runImage(h.image, "IN-CH1 list width=10 at=50\nIN-USER list width=300 at=0", 130);
        QCOMPARE(pulsesOf(*e, Emulator::INPUT_BITS + 0), QString("0-"));
        QCOMPARE(pulsesOf(*e, Emulator::INPUT_BITS + 1), QString("50-60"));
        QCOMPARE(pulsesOf(*e, Emulator::INPUT_BITS + 9), QString("0-20 50-70 100-120"));
    }
};

QTEST_GUILESS_MAIN(TestFunctionUnits)
#include "tst_functionunits.moc"
