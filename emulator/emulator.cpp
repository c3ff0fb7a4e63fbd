#include "emulator/emulator.h"

namespace {
bool bit(quint32 word, int i)
{
    return (word >> i) & 1u;
}
} // namespace

Emulator::Emulator(const ModuleImage& image, const Stimulus& stimulus)
    : m_image(image)
{
    for (int ch = 0; ch < INPUTS; ++ch) {
        m_waves[size_t(ch)] = ChannelWave(stimulus.trainsOf(ch));
        if (stimulus.drives(ch))
            m_driven |= quint16(1u << ch);
    }
    configure();
}

void Emulator::setImage(const ModuleImage& image)
{
    m_image = image;
    configure();
}

void Emulator::configure()
{
    const ModuleImage& im = m_image;
    for (int c = 0; c < ModuleImage::FRONTEND_ENTRIES; ++c)
        m_frontend[size_t(c)] = im.frontend(c);
    for (int i = 0; i < ModuleImage::BACKEND_ENTRIES; ++i) {
        m_outputLut[size_t(i)] = im.outputLut(i);
        m_feedbackLut[size_t(i)] = im.feedbackLut(i);
        m_msrLut[size_t(i)] = im.msrLut(i);
    }
    m_select = im.backendSelect();
    m_counterFromFeedback = im.counterFeedbackSelect();
    m_delayFromFeedback = im.delayFeedbackSelect();
    // Counter unit u drives slot 3 + u; delay unit u drives slot 3 + u (u < 5) or slot u - 5.
    m_counterUsed = 0;
    m_delayUsed = 0;
    for (int u = 0; u < UNITS; ++u) {
        const int delaySlot = u < 5 ? 3 + u : u - 5;
        if (!im.slotSelected(3 + u))
            m_counterUsed |= quint8(1u << u);
        if (im.slotSelected(delaySlot))
            m_delayUsed |= quint8(1u << u);
        m_counters[size_t(u)].configure(im.counterMode(u), im.mainCount(u), im.subCount(u));
        m_delays[size_t(u)].setLatency(Timing::cyclesOf(im.delayNs(u)));
    }
    m_bOscillator = !bit(im.userControlled(), ModuleImage::USER_INPUT) && im.oscillatorMain() > 0;
    m_oscillator.configure(CounterUnit::Oscillator, im.oscillatorMain(), im.oscillatorSub());
    m_feedback.setLatency(Timing::FEEDBACK_LATENCY);
    m_pins.setLatency(Timing::OUTPUT_LATENCY);
    m_lastPins = 0;
    for (int m = 0; m < COUNTERS; ++m)
        m_msr[size_t(m)].configure(m, im.msrMode(m));
    setLiveRegisters(im);
    // Everything is evaluated afresh in the current cycle.
    m_next = m_now;
}

void Emulator::setLiveRegisters(const ModuleImage& image)
{
    if (image.userLevels() != m_userLevels) {
        m_userLevels = image.userLevels();
        m_next = m_now;
    }
    for (int m = 0; m < COUNTERS; ++m)
        setCounterRunning(m, image.msrStarted(m));
}

void Emulator::setCounterRunning(int counter, bool bRunning)
{
    m_msr[size_t(counter)].setRunning(m_now, bRunning, m_newRecords);
    takeRecords();
}

void Emulator::setAllCountersRunning(bool bRunning)
{
    for (int m = 0; m < COUNTERS; ++m)
        setCounterRunning(m, bRunning);
}

void Emulator::setTraceLimit(int changes)
{
    m_traceLimit = changes;
}

void Emulator::runUntil(qint64 cycle)
{
    while (m_next < cycle)
        step(m_next);
    for (MeasureCounter& msr : m_msr)
        msr.advance(cycle);
    m_now = qMax(m_now, cycle);
}

quint16 Emulator::inputWord(qint64 k)
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
quint16 Emulator::slotWord(qint64 k, quint16 frontend, quint8 feedback)
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

void Emulator::step(qint64 k)
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
    for (int ch = 0; ch < OUTPUTS; ++ch) {
        if (bit(pins, ch) && !bit(m_lastPins, ch))
            ++m_pulses[size_t(ch)];
    }
    m_lastPins = pins;

    const quint8 feedbackOut = feedbackStage(slots);
    m_feedback.feed(k, feedbackOut);

    const quint8 msr = msrStage(slots);
    for (int m = 0; m < COUNTERS; ++m)
        m_msr[size_t(m)].step(k, bit(msr, 2 * m), bit(msr, 2 * m + 1), m_newRecords);
    takeRecords();

    if (m_traceLimit > 0) {
        const quint64 word = quint64(inputs) << INPUT_BITS | quint64(frontend & 0x3F) << PASS_BITS |
                             quint64(frontend >> 8) << TRIGGER_BITS | quint64(slots) << SLOT_BITS |
                             quint64(feedbackOut) << FEEDBACK_BITS | quint64(msr) << MSR_BITS |
                             quint64(pins) << OUTPUT_BITS;
        recordTrace(k, word);
    }
    m_next = nextEvent(k);
}

qint64 Emulator::nextEvent(qint64 k) const
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

void Emulator::takeRecords()
{
    for (const CounterRecord& r : m_newRecords) {
        CounterTotal& total = m_totals[size_t(r.counter)];
        ++total.records;
        total.sum += r.value;
        total.last = r.value;
        if (m_traceLimit > 0) {
            if (m_tracedRecords.size() < m_traceLimit)
                m_tracedRecords.append(r);
            else
                m_bTruncated = true;
        }
        if (m_sink)
            m_sink(r);
    }
    m_newRecords.clear();
}

void Emulator::recordTrace(qint64 k, quint64 word)
{
    if (!m_trace.isEmpty() && m_trace.last().word == word)
        return;
    if (m_trace.size() >= m_traceLimit) {
        m_bTruncated = true;
        return;
    }
    m_trace.append({k, word});
}
