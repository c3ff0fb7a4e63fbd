#include "emulator/cycleEmulator.h"

CycleEmulator::CycleEmulator(const ModuleImage& image, const Stimulus& stimulus)
    : Emulator(image, stimulus)
{}

void CycleEmulator::runUntil(qint64 cycle)
{
    if (m_bAfresh) {
        m_next = m_now;
        m_bAfresh = false;
    }
    while (m_next < cycle)
        step(m_next);
    for (MeasureCounter& msr : m_msr)
        msr.advance(cycle);
    m_now = qMax(m_now, cycle);
}

quint16 CycleEmulator::inputWord(qint64 k)
{
    quint16 word = 0;
    for (int ch = 0; ch < INPUTS; ++ch) {
        ChannelWave& wave = m_waves[size_t(ch)];
        while (wave.nextChange() <= k)
            wave.change();
        bool level;
        if (ch == ModuleImage::USER_INPUT && m_bOscillator)
            level = m_oscillator.step(k, true);
        else if (bit(m_image.userControlled(), ch) && !bit(m_driven, ch))
            level = bit(m_userLevels, ch);
        else
            level = wave.level();
        word |= quint16(level ? 1u << ch : 0u);
    }
    return word;
}

// Slots 0..2: pass-through or delay units 5..7; 3..7: counter or delay units 0..4; 8..10:
// counter units 5..7 or pass-through.
quint16 CycleEmulator::slotWord(qint64 k, quint16 frontend, quint8 feedback)
{
    bool counterOut[UNITS] = {};
    bool delayOut[UNITS] = {};
    for (int u = 0; u < UNITS; ++u) {
        const bool trigger = bit(frontend, 8 + u);
        if (bit(m_counterUsed, u)) {
            const bool src = bit(m_counterFromFeedback, u) ? bit(feedback, u) : trigger;
            counterOut[u] = m_counters[size_t(u)].step(k, src);
        }
        if (bit(m_delayUsed, u)) {
            const bool src = bit(m_delayFromFeedback, u) ? bit(feedback, u) : trigger;
            m_delays[size_t(u)].feed(k, src);
            delayOut[u] = m_delays[size_t(u)].at(k);
        }
    }
    quint16 word = 0;
    for (int j = 0; j < SLOTS; ++j) {
        const bool selected = bit(m_select, j);
        bool level;
        if (j < 3)
            level = selected ? delayOut[5 + j] : bit(frontend, j);
        else if (j < 8)
            level = selected ? delayOut[j - 3] : counterOut[j - 3];
        else
            level = selected ? bit(frontend, j - 5) : counterOut[j - 3];
        word |= quint16(level ? 1u << j : 0u);
    }
    return word;
}

void CycleEmulator::step(qint64 k)
{
    // Everything before k is done: measure counters account the time up to here first.
    m_now = k;
    const quint16 inputs = inputWord(k);
    const quint16 frontend = frontendStage(inputs);
    const quint8 feedback = m_feedback.at(k);
    const quint16 slots = slotWord(k, frontend, feedback);

    const quint8 outputs = outputStage(slots);
    m_pins.feed(k, outputs);
    const quint8 pins = m_pins.at(k);
    takePins(pins);

    const quint8 feedbackOut = feedbackStage(slots);
    m_feedback.feed(k, feedbackOut);

    const quint8 msr = msrStage(slots);
    for (int m = 0; m < COUNTERS; ++m)
        m_msr[size_t(m)].step(k, bit(msr, 2 * m), bit(msr, 2 * m + 1), m_newRecords);
    takeRecords();

    if (isTracing())
        recordTrace(k, traceWord(inputs, frontend, slots, feedbackOut, msr, pins));
    m_next = nextEvent(k);
}

qint64 CycleEmulator::nextEvent(qint64 k) const
{
    qint64 next = Timing::NEVER;
    for (int ch = 0; ch < INPUTS; ++ch) {
        if (bit(m_driven, ch))
            next = qMin(next, m_waves[size_t(ch)].nextChange());
    }
    if (m_bOscillator)
        next = qMin(next, m_oscillator.nextEvent());
    for (int u = 0; u < UNITS; ++u) {
        if (bit(m_counterUsed, u))
            next = qMin(next, m_counters[size_t(u)].nextEvent());
        if (bit(m_delayUsed, u))
            next = qMin(next, m_delays[size_t(u)].nextEvent());
    }
    next = qMin(next, m_feedback.nextEvent());
    next = qMin(next, m_pins.nextEvent());
    // Every part schedules its changes after the cycle it is in; this only guards the loop.
    return qMax(next, k + 1);
}
