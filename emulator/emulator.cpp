#include "emulator/emulator.h"

#include "emulator/cycleEmulator.h"
#include "emulator/eventEmulator.h"

std::unique_ptr<Emulator> Emulator::create(const ModuleImage& image, const Stimulus& stimulus, Engine engine)
{
    if (engine == CycleByCycle)
        return std::make_unique<CycleEmulator>(image, stimulus);
    return std::make_unique<EventEmulator>(image, stimulus);
}

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
    m_bAfresh = true;
}

void Emulator::setLiveRegisters(const ModuleImage& image)
{
    if (image.userLevels() != m_userLevels) {
        m_userLevels = image.userLevels();
        m_bAfresh = true;
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
    m_bAfresh = true;
}

quint64 Emulator::traceWord(quint16 inputs, quint16 frontend, quint16 slots, quint8 feedbackIn, quint8 msr,
                            quint8 pins)
{
    return quint64(inputs) << INPUT_BITS | quint64(frontend & 0x3F) << PASS_BITS |
           quint64(frontend >> 8) << TRIGGER_BITS | quint64(slots) << SLOT_BITS |
           quint64(feedbackIn) << FEEDBACK_BITS | quint64(msr) << MSR_BITS | quint64(pins) << OUTPUT_BITS;
}

void Emulator::takePins(quint8 pins)
{
    const quint8 rising = pins & ~m_lastPins;
    for (int ch = 0; ch < OUTPUTS; ++ch) {
        if (bit(rising, ch))
            ++m_pulses[size_t(ch)];
    }
    m_lastPins = pins;
}

void Emulator::takeRecords()
{
    if (m_newRecords.empty())
        return;
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
