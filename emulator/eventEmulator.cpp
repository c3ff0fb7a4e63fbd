#include "emulator/eventEmulator.h"

namespace {
constexpr quint32 ALL = ~0u;

// The sources of `units` (bit u) as the units see them: the trigger bits of the frontend word, or
// the feedback paths where the select register says so.
quint8 unitSources(quint16 frontend, quint8 feedback, quint8 fromFeedback)
{
    return quint8(((frontend >> 8) & ~fromFeedback) | (feedback & fromFeedback));
}
} // namespace

EventEmulator::EventEmulator(const ModuleImage& image, const Stimulus& stimulus)
    : Emulator(image, stimulus)
{}

void EventEmulator::runUntil(qint64 cycle)
{
    if (m_bAfresh) {
        m_bAfresh = false;
        m_queue.set(AFRESH, m_now);
    }
    while (m_queue.earliest() < cycle) {
        const qint64 k = m_queue.earliest();
        quint32 due = 0;
        while (m_queue.earliest() == k) {
            const int source = m_queue.earliestSource();
            due |= 1u << source;
            m_queue.set(source, Timing::NEVER);
        }
        step(k, due);
    }
    for (MeasureCounter& msr : m_msr)
        msr.advance(cycle);
    m_now = qMax(m_now, cycle);
}

// The inputs whose edges can change anything: those on which a frontend bit in use depends, or
// every driven one while the trace shows them. The others are read when they come into use.
quint16 EventEmulator::followedInputs() const
{
    const quint16 fromWaves = m_driven & ~quint16(m_bOscillator ? 1u << ModuleImage::USER_INPUT : 0u);
    if (isTracing())
        return fromWaves;
    // Pass-through bits 0..2 feed slots 0..2 when not selected, bits 3..5 slots 8..10 when selected;
    // trigger bit 8 + u feeds the units that take their source from the frontend.
    const quint16 sel = m_select;
    const quint16 triggers =
        quint16((m_counterUsed & ~m_counterFromFeedback) | (m_delayUsed & ~m_delayFromFeedback));
    const quint16 used = quint16((~sel & 0x7) | ((sel >> 5) & 0x38) | (triggers << 8));
    quint16 followed = 0;
    for (int ch = 0; ch < INPUTS; ++ch) {
        const int b = 1 << ch;
        for (int c = 0; c < ModuleImage::FRONTEND_ENTRIES && !bit(followed, ch); ++c) {
            if (!(c & b) && ((m_frontend[size_t(c)] ^ m_frontend[size_t(c | b)]) & used))
                followed |= quint16(b);
        }
    }
    return followed & fromWaves;
}

// Slots 0..2: pass-through or delay units 5..7; 3..7: counter or delay units 0..4; 8..10:
// counter units 5..7 or pass-through.
quint16 EventEmulator::slotWord() const
{
    const quint16 delays = quint16(((m_delayOut >> 5) & 0x7) | ((m_delayOut & 0x1F) << 3));
    const quint16 counters = quint16(m_counterOut << 3);
    const quint16 passes = quint16((m_frontendWord & 0x7) | ((m_frontendWord & 0x38) << 5));
    const quint16 selected = (delays & 0x0FF) | (passes & 0x700);
    const quint16 otherwise = (passes & 0x007) | (counters & 0x7F8);
    return quint16(((m_select & selected) | (~m_select & otherwise)) & 0x7FF);
}

void EventEmulator::stepCounters(qint64 k, quint8 units, quint8 sources)
{
    for (; units; units &= quint8(units - 1)) {
        const int u = qCountTrailingZeroBits(units);
        CounterUnit& unit = m_counters[size_t(u)];
        const quint8 mask = quint8(1u << u);
        m_counterOut = unit.step(k, sources & mask) ? m_counterOut | mask : m_counterOut & ~mask;
        schedule(COUNTER + u, unit.nextEvent(), k);
    }
}

void EventEmulator::stepDelays(qint64 k, quint8 units, quint8 sources)
{
    for (; units; units &= quint8(units - 1)) {
        const int u = qCountTrailingZeroBits(units);
        DelayedSignal& line = m_delays[size_t(u)];
        const quint8 mask = quint8(1u << u);
        line.feed(k, (sources & mask) ? 1 : 0);
        m_delayOut = line.at(k) ? m_delayOut | mask : m_delayOut & ~mask;
        schedule(DELAY + u, line.nextEvent(), k);
    }
}

// Every part as the cycle engine's step sees it, and every source's next event anew.
void EventEmulator::restart(qint64 k)
{
    m_followed = followedInputs();
    for (int ch = 0; ch < INPUTS; ++ch) {
        ChannelWave& wave = m_waves[size_t(ch)];
        const bool followed = bit(m_followed, ch);
        if (followed) {
            while (wave.nextChange() <= k)
                wave.change();
        }
        schedule(INPUT + ch, followed ? wave.nextChange() : Timing::NEVER, k);
    }
    m_queue.set(OSCILLATOR, Timing::NEVER);
    for (int u = 0; u < UNITS; ++u) {
        m_queue.set(COUNTER + u, Timing::NEVER);
        m_queue.set(DELAY + u, Timing::NEVER);
    }
}

void EventEmulator::step(qint64 k, quint32 due)
{
    m_now = k;
    const bool afresh = due & (1u << AFRESH);
    if (afresh) {
        restart(k);
        due = ALL;
    }
    takeInputs(k, due, afresh);

    if (bit(due, FEEDBACK)) {
        m_feedbackIn = m_feedback.at(k);
        schedule(FEEDBACK, m_feedback.nextEvent(), k);
    }
    const quint8 counterSources = unitSources(m_frontendWord, m_feedbackIn, m_counterFromFeedback);
    const quint8 delaySources = unitSources(m_frontendWord, m_feedbackIn, m_delayFromFeedback);
    stepCounters(k, quint8(((counterSources ^ m_counterSources) | (due >> COUNTER)) & m_counterUsed),
                 counterSources);
    stepDelays(k, quint8(((delaySources ^ m_delaySources) | (due >> DELAY)) & m_delayUsed), delaySources);
    m_counterSources = counterSources;
    m_delaySources = delaySources;

    const quint16 slots = slotWord();
    if (slots != m_slots || afresh)
        takeSlots(k, slots, afresh);
    if (bit(due, PINS)) {
        m_pinsWord = m_pins.at(k);
        takePins(m_pinsWord);
        schedule(PINS, m_pins.nextEvent(), k);
    }
    if (isTracing())
        recordTrace(k, traceWord(m_inputs, m_frontendWord, m_slots, m_feedbackOut, m_msrBits, m_pinsWord));
}

// The input channels that are due, the oscillator, and the frontend table when the word changed.
// Afresh, the word is built anew: the inputs not followed then read false, which changes nothing
// (no bit in use depends on them).
void EventEmulator::takeInputs(qint64 k, quint32 due, bool afresh)
{
    quint16 inputs = afresh ? quint16(m_userLevels & userInputs()) : m_inputs;
    for (quint32 changed = due & m_followed; changed; changed &= changed - 1) {
        const int ch = qCountTrailingZeroBits(changed);
        ChannelWave& wave = m_waves[size_t(ch)];
        while (wave.nextChange() <= k)
            wave.change();
        inputs = wave.level() ? inputs | quint16(1u << ch) : inputs & ~quint16(1u << ch);
        schedule(INPUT + ch, wave.nextChange(), k);
    }
    if (m_bOscillator && bit(due, OSCILLATOR)) {
        const quint16 b = 1u << ModuleImage::USER_INPUT;
        inputs = m_oscillator.step(k, true) ? inputs | b : inputs & ~b;
        schedule(OSCILLATOR, m_oscillator.nextEvent(), k);
    }
    if (inputs != m_inputs || afresh) {
        m_inputs = inputs;
        m_frontendWord = frontendStage(inputs);
    }
}

// A new slot word: the backend tables, what the output pins and the feedback paths will deliver,
// and the measure counters whose bits changed.
void EventEmulator::takeSlots(qint64 k, quint16 slots, bool afresh)
{
    m_slots = slots;
    m_pins.feed(k, outputStage(slots));
    schedule(PINS, m_pins.nextEvent(), k);
    m_feedbackOut = feedbackStage(slots);
    m_feedback.feed(k, m_feedbackOut);
    schedule(FEEDBACK, m_feedback.nextEvent(), k);
    const quint8 msr = msrStage(slots);
    const quint8 changed = afresh ? 0xFF : msr ^ m_msrBits;
    m_msrBits = msr;
    for (int m = 0; m < COUNTERS; ++m) {
        if (changed & (3u << 2 * m))
            m_msr[size_t(m)].step(k, bit(msr, 2 * m), bit(msr, 2 * m + 1), m_newRecords);
    }
    takeRecords();
}
