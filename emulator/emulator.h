#pragma once

#include "emulator/functionUnits.h"
#include "emulator/moduleImage.h"
#include "emulator/stimulus.h"

#include <QVector>

#include <array>
#include <functional>
#include <memory>
#include <vector>

// Runs a register image on test pulses on the module's 5 ns clock: the input channels (stimulus,
// user-control levels, the IN-USER oscillator), the frontend table, the eight function units
// (counter or delay, their source from the frontend or a feedback path), the pass-through paths,
// the backend tables, the feedback paths, the output pins and the four measure counters. The rules
// at edges are those of emulator/timing.h.
//
// Two engines give the same run, cycle for cycle: the event-driven one (emulator/eventEmulator.h),
// which the preview and the simulator use, jumps from one event to the next and evaluates only the
// stages whose inputs changed; the cycle engine (emulator/cycleEmulator.h) evaluates the whole
// pipeline in every cycle in which anything may change, and stays as the plain reference the
// other is tested against. This class holds what both share: the configuration read from the
// image, the state of the parts and the results.
class Emulator
{
public:
    static constexpr int INPUTS = ModuleImage::INPUTS;
    static constexpr int UNITS = ModuleImage::UNITS;
    static constexpr int SLOTS = ModuleImage::SLOTS;
    static constexpr int OUTPUTS = ModuleImage::OUTPUTS;
    static constexpr int COUNTERS = ModuleImage::COUNTERS;

    enum Engine { EventDriven, CycleByCycle };

    // The signals a trace follows, as bit fields of one word.
    enum TraceField {
        INPUT_BITS = 0,     // 10: input channels
        PASS_BITS = 10,     // 6: frontend bits 0..5, the pass-through paths
        TRIGGER_BITS = 16,  // 8: frontend bits 8..15, the units' triggers
        SLOT_BITS = 24,     // 11: backend slots (function-unit and pass-through outputs)
        FEEDBACK_BITS = 35, // 8: feedback table
        MSR_BITS = 43,      // 8: measure-counter table (GATE, SRC per counter)
        OUTPUT_BITS = 51,   // 8: output pins
        TRACE_BITS = 59
    };
    // The trace word from one cycle on.
    struct Change
    {
        qint64 cycle;
        quint64 word;
    };
    struct CounterTotal
    {
        quint64 records = 0;
        quint64 sum = 0;
        quint64 last = 0;
    };

    static std::unique_ptr<Emulator> create(const ModuleImage& image, const Stimulus& stimulus,
                                            Engine engine = EventDriven);
    virtual ~Emulator() = default;

    // A new configuration from the current cycle on (the units start afresh); the software
    // registers (counter start, user levels) are taken as well.
    void setImage(const ModuleImage& image);
    // Only the software registers of an image: counters started or stopped, user-control levels.
    void setLiveRegisters(const ModuleImage& image);
    // Starts or stops the software-gated counters, now.
    void setCounterRunning(int counter, bool bRunning);
    void setAllCountersRunning(bool bRunning);

    // Keep the trace (at most this many changes, and as many counter records); 0 keeps none.
    void setTraceLimit(int changes);
    // Called with every counter record as it is made.
    void setRecordSink(std::function<void(const CounterRecord&)> sink) { m_sink = std::move(sink); }

    // Runs every cycle before `cycle`; afterwards now() is `cycle`.
    virtual void runUntil(qint64 cycle) = 0;
    qint64 now() const { return m_now; }

    // Results so far.
    quint64 outputPulses(int ch) const { return m_pulses[size_t(ch)]; }
    const CounterTotal& counterTotal(int m) const { return m_totals[size_t(m)]; }
    const MeasureCounter& measureCounter(int m) const { return m_msr[size_t(m)]; }
    const QVector<Change>& trace() const { return m_trace; }
    const QVector<CounterRecord>& tracedRecords() const { return m_tracedRecords; }
    // The trace stopped at its limit before now().
    bool isTraceTruncated() const { return m_bTruncated; }

    // The lookup stages every step uses.
    quint16 frontendStage(int inputs) const { return m_frontend[size_t(inputs)]; }
    quint8 outputStage(int slots) const { return m_outputLut[size_t(slots)]; }
    quint8 feedbackStage(int slots) const { return m_feedbackLut[size_t(slots)]; }
    quint8 msrStage(int slots) const { return m_msrLut[size_t(slots)]; }

protected:
    Emulator(const ModuleImage& image, const Stimulus& stimulus);

    static bool bit(quint32 word, int i) { return (word >> i) & 1u; }
    static quint64 traceWord(quint16 inputs, quint16 frontend, quint16 slots, quint8 feedbackIn, quint8 msr,
                             quint8 pins);
    // The inputs that follow the user-control levels: under user control and not driven by the
    // stimulus (the oscillator's input is never under user control while it runs).
    quint16 userInputs() const { return m_image.userControlled() & ~m_driven; }
    // Counts the rising output pins and keeps them for the next call.
    void takePins(quint8 pins);
    // Hands the records the parts made to the totals, the trace and the sink.
    void takeRecords();
    void recordTrace(qint64 k, quint64 word);
    bool isTracing() const { return m_traceLimit > 0; }

    ModuleImage m_image;
    std::array<quint16, ModuleImage::FRONTEND_ENTRIES> m_frontend;
    std::array<quint8, ModuleImage::BACKEND_ENTRIES> m_outputLut;
    std::array<quint8, ModuleImage::BACKEND_ENTRIES> m_feedbackLut;
    std::array<quint8, ModuleImage::BACKEND_ENTRIES> m_msrLut;

    std::array<ChannelWave, INPUTS> m_waves;
    quint16 m_driven = 0;       // inputs the stimulus drives
    quint16 m_userLevels = 0;   // user-control register
    bool m_bOscillator = false; // IN-USER is the oscillator
    CounterUnit m_oscillator;

    std::array<CounterUnit, UNITS> m_counters;
    std::array<DelayedSignal, UNITS> m_delays;
    quint8 m_counterUsed = 0; // units whose counter output reaches a slot
    quint8 m_delayUsed = 0;   // units whose delay output reaches a slot
    quint8 m_counterFromFeedback = 0;
    quint8 m_delayFromFeedback = 0;
    quint16 m_select = 0;
    DelayedSignal m_feedback;
    DelayedSignal m_pins;
    std::array<MeasureCounter, COUNTERS> m_msr;
    std::vector<CounterRecord> m_newRecords;

    qint64 m_now = 0; // every cycle before this one is done
    // Everything is to be evaluated in cycle m_now before anything else: the configuration, the
    // user levels or what is traced changed.
    bool m_bAfresh = true;

private:
    void configure();

    quint8 m_lastPins = 0;
    std::array<quint64, OUTPUTS> m_pulses = {};
    std::array<CounterTotal, COUNTERS> m_totals = {};
    std::function<void(const CounterRecord&)> m_sink;

    int m_traceLimit = 0;
    QVector<Change> m_trace;
    QVector<CounterRecord> m_tracedRecords;
    bool m_bTruncated = false;
};
