#pragma once

#include "emulator/timing.h"

#include <utility>
#include <vector>

// The timing parts of the module, each stepped by the emulator only in the cycles where its
// input changes or its own next event is due (nothing changes in between). The rules they follow
// are written down once, in emulator/timing.h.

// A counter unit in one of the eleven counter modes.
class CounterUnit
{
public:
    enum Mode {
        OneShot = 0,
        OneShotRetrig = 1,
        DelayedOneShot = 2,
        DelayedOneShotRetrig = 3,
        Chattering = 4,
        ChatteringRetrig = 5,
        Delay = 6,
        DelayRetrig = 7,
        OscillatorEnable = 8,
        Oscillator = 9,
        Divider = 10
    };

    // The registers as the module holds them (times in ns, the divider's counts as counts; the
    // sub count less one in modes 0, 1, 8, 9 and 10). Resets the unit.
    void configure(int mode, quint32 mainCount, quint32 subCount);

    // Cycle k with the source's level in it; returns the output in that cycle.
    bool step(qint64 k, bool source);
    bool output() const { return m_out; }
    // The cycle of the unit's next own change (a timer ending), or Timing::NEVER.
    qint64 nextEvent() const { return m_end; }

private:
    void expirePhases(qint64 k);
    void stepPhased(qint64 k, bool rising);
    void stepChattering(qint64 k, bool source, bool changed);
    void stepDelay(qint64 k, bool source, bool changed);
    void stepOscillator(qint64 k, bool enable, bool rising);
    void stepDivider(bool rising);

    int m_mode = -1;
    qint64 m_main = 0; // cycles, or true count
    qint64 m_sub = 0;  // cycles, or false count
    bool m_source = false;
    bool m_out = false;
    int m_phase = 0; // 0 idle, 1 first timing phase, 2 second
    qint64 m_end = Timing::NEVER;
    bool m_target = false; // delay modes: the level a pending change leads to
    qint64 m_left = 1;     // divider: edges until the output changes
};

// A signal word repeated a fixed number of cycles later: a delay unit (one bit), the feedback
// paths and the output pins (eight bits each).
class DelayedSignal
{
public:
    explicit DelayedSignal(qint64 latency = 0) { setLatency(latency); }

    // Resets the line to all false with a new latency.
    void setLatency(qint64 cycles);
    // The input in cycle k (called in increasing cycles, at most once each).
    void feed(qint64 k, quint8 value);
    // The output in cycle k: what came in latency cycles earlier.
    quint8 at(qint64 k);
    // The cycle in which the output changes next, or Timing::NEVER.
    qint64 nextEvent() const { return m_count ? m_ring[m_head].first : Timing::NEVER; }

private:
    qint64 m_latency = 0;
    quint8 m_input = 0;
    quint8 m_output = 0;
    // Pending changes (cycle due, value); at most one per cycle of the latency.
    std::vector<std::pair<qint64, quint8>> m_ring;
    size_t m_head = 0;
    size_t m_count = 0;
};

// One result of a measure counter.
struct CounterRecord
{
    qint64 cycle; // the cycle that closed the measurement
    int counter;
    quint64 value; // events, or nanoseconds
};

// A measure counter: its GATE and SRC modes over its two lookup-table bits, and the software
// start of the software-gated modes.
class MeasureCounter
{
public:
    enum Gate { BothEdges = 0, RisingEdges = 1, WhileTrue = 2, UserControl = 3 };
    enum Source { Changes = 0, Rises = 1, TrueTime = 2, GateTime = 3 };

    void configure(int counter, quint8 mode);

    Gate gate() const { return m_gateMode; }
    Source source() const { return m_srcMode; }
    bool isSoftwareGated() const { return m_gateMode == BothEdges || m_gateMode == UserControl; }
    // Values in nanoseconds rather than counts.
    bool isTimeType() const { return m_srcMode >= TrueTime; }

    // Cycle k with the two bits in it; a closed measurement is appended to records.
    void step(qint64 k, bool gate, bool src, std::vector<CounterRecord>& records);
    // Software start or stop at the beginning of cycle k (software-gated modes only).
    void setRunning(qint64 k, bool bRunning, std::vector<CounterRecord>& records);
    // Accounts the time up to cycle k (exclusive).
    void advance(qint64 k);

private:
    void open(qint64 k);
    void close(qint64 k, std::vector<CounterRecord>& records);

    int m_counter = 0;
    Gate m_gateMode = BothEdges;
    Source m_srcMode = Changes;
    bool m_gate = false;
    bool m_src = false;
    bool m_bRunning = false;
    bool m_bOpen = false;
    qint64 m_last = 0; // time accounted up to here
    quint64 m_value = 0;
};
