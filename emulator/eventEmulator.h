#pragma once

#include "emulator/emulator.h"
#include "emulator/eventQueue.h"

// The engine the preview and the simulator run. Every part that changes on its own (an input
// channel's next edge, the oscillator, a unit's timer, a delay line's next output, the feedback
// paths, the output pins) keeps its next event in a queue; the engine jumps from one event to the
// next and carries a change only as far as it reaches: a table is looked up only when its input
// word changed, a unit is stepped only when its source changed or its own event is due. Inputs
// the frontend table ignores (for every used bit) are not followed at all unless the run is
// traced. The results are those of the cycle engine, cycle for cycle.
class EventEmulator : public Emulator
{
public:
    EventEmulator(const ModuleImage& image, const Stimulus& stimulus);

    void runUntil(qint64 cycle) override;

private:
    // The queue's sources.
    enum Source {
        INPUT = 0,       // + channel, 10
        OSCILLATOR = 10, // IN-USER
        COUNTER = 11,    // + unit, 8
        DELAY = 19,      // + unit, 8
        FEEDBACK = 27,
        PINS = 28,
        AFRESH = 29 // everything is evaluated: the configuration or the user levels changed
    };
    static_assert(AFRESH < EventQueue::SOURCES, "one leaf per source");

    void step(qint64 k, quint32 due);
    void restart(qint64 k);
    void takeInputs(qint64 k, quint32 due, bool afresh);
    void takeSlots(qint64 k, quint16 slots, bool afresh);
    quint16 followedInputs() const;
    quint16 slotWord() const;
    void stepCounters(qint64 k, quint8 units, quint8 sources);
    void stepDelays(qint64 k, quint8 units, quint8 sources);
    void schedule(int source, qint64 next, qint64 k) { m_queue.set(source, qMax(next, k + 1)); }

    EventQueue m_queue;
    quint16 m_followed = 0; // the input channels whose edges are events

    // The pipeline's words as of the last event.
    quint16 m_inputs = 0;
    quint16 m_frontendWord = 0;
    quint8 m_feedbackIn = 0; // what the feedback paths deliver to the units
    quint8 m_counterSources = 0;
    quint8 m_delaySources = 0;
    quint8 m_counterOut = 0;
    quint8 m_delayOut = 0;
    quint16 m_slots = 0;
    quint8 m_feedbackOut = 0; // the feedback table's bits, before the paths' latency
    quint8 m_msrBits = 0;
    quint8 m_pinsWord = 0;
};
