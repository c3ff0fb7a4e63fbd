#include "emulator/functionUnits.h"

void CounterUnit::configure(int mode, quint32 mainCount, quint32 subCount)
{
    m_mode = mode;
    // These modes hold the sub count less one.
    const bool subLessOne = mode <= OneShotRetrig || mode >= OscillatorEnable;
    const qint64 sub = qint64(subCount) + (subLessOne ? 1 : 0);
    if (mode == Divider) {
        m_main = qMax<qint64>(1, mainCount);
        m_sub = qMax<qint64>(1, sub);
    } else {
        m_main = Timing::cyclesOf(mainCount);
        m_sub = Timing::cyclesOf(sub);
    }
    m_source = false;
    m_out = false;
    m_phase = 0;
    m_end = Timing::NEVER;
    m_target = false;
    m_left = 1;
}

bool CounterUnit::step(qint64 k, bool source)
{
    if (m_mode == Oscillator)
        source = true; // runs without a source from the cycle it is configured in
    const bool rising = source && !m_source;
    const bool changed = source != m_source;
    m_source = source;
    switch (m_mode) {
    case OneShot:
    case OneShotRetrig:
    case DelayedOneShot:
    case DelayedOneShotRetrig:
        stepPhased(k, rising);
        break;
    case Chattering:
    case ChatteringRetrig:
        stepChattering(k, source, changed);
        break;
    case Delay:
    case DelayRetrig:
        stepDelay(k, source, changed);
        break;
    case OscillatorEnable:
    case Oscillator:
        stepOscillator(k, source, rising);
        break;
    case Divider:
        stepDivider(rising);
        break;
    default:
        break; // an unknown mode drives nothing
    }
    return m_out;
}

void CounterUnit::expirePhases(qint64 k)
{
    while (m_phase != 0 && m_end <= k) {
        if (m_phase == 1) {
            m_phase = 2;
            m_end += m_sub;
        } else {
            m_phase = 0;
            m_end = Timing::NEVER;
        }
    }
}

// One-shots: the pulse is the first phase, the idle guard the second. Delayed one-shots: the
// delay is the first phase, the pulse the second.
void CounterUnit::stepPhased(qint64 k, bool rising)
{
    expirePhases(k);
    const bool retrig = m_mode == OneShotRetrig || m_mode == DelayedOneShotRetrig;
    if (rising && (m_phase == 0 || (retrig && m_phase == 1))) {
        m_phase = 1;
        m_end = k + m_main;
        expirePhases(k);
    }
    const bool delayed = m_mode == DelayedOneShot || m_mode == DelayedOneShotRetrig;
    m_out = m_phase == (delayed ? 2 : 1);
}

// The end of a guard is m_end; the output follows the source whenever no guard runs.
void CounterUnit::stepChattering(qint64 k, bool source, bool changed)
{
    if (m_end <= k)
        m_end = Timing::NEVER;
    if (m_mode == ChatteringRetrig && changed && m_end != Timing::NEVER)
        m_end = k + (m_out ? m_main : m_sub);
    if (m_end == Timing::NEVER && source != m_out) {
        m_out = source;
        const qint64 guard = m_out ? m_main : m_sub;
        m_end = guard > 0 ? k + guard : Timing::NEVER;
    }
}

// A pending change to m_target is due at m_end.
void CounterUnit::stepDelay(qint64 k, bool source, bool changed)
{
    if (m_end <= k) {
        m_out = m_target;
        m_end = Timing::NEVER;
    }
    if (m_mode == DelayRetrig && changed && m_end != Timing::NEVER)
        m_end = source == m_out ? Timing::NEVER : k + (source ? m_main : m_sub);
    if (m_end == Timing::NEVER && source != m_out) {
        m_target = source;
        const qint64 wait = source ? m_main : m_sub;
        if (wait > 0)
            m_end = k + wait;
        else
            m_out = source;
    }
}

void CounterUnit::stepOscillator(qint64 k, bool enable, bool rising)
{
    if (!enable || m_main == 0) {
        m_phase = 0;
        m_end = Timing::NEVER;
        m_out = false;
        return;
    }
    if (rising) {
        m_phase = 1;
        m_end = k + m_main;
    }
    // m_sub is at least one cycle, so this ends.
    while (m_end <= k) {
        m_phase = m_phase == 1 ? 2 : 1;
        m_end += m_phase == 1 ? m_main : m_sub;
    }
    m_out = m_phase == 1;
}

void CounterUnit::stepDivider(bool rising)
{
    if (rising && --m_left == 0) {
        m_out = !m_out;
        m_left = m_out ? m_main : m_sub;
    }
}

// ---------------------------------------------------------------------------------------------

void DelayedSignal::setLatency(qint64 cycles)
{
    m_latency = cycles;
    m_input = 0;
    m_output = 0;
    m_ring.assign(size_t(cycles) + 1, {0, 0});
    m_head = 0;
    m_count = 0;
}

void DelayedSignal::feed(qint64 k, quint8 value)
{
    if (value == m_input)
        return;
    m_input = value;
    if (m_latency == 0) {
        m_output = value;
        return;
    }
    m_ring[(m_head + m_count) % m_ring.size()] = {k + m_latency, value};
    ++m_count;
}

quint8 DelayedSignal::at(qint64 k)
{
    while (m_count && m_ring[m_head].first <= k) {
        m_output = m_ring[m_head].second;
        m_head = (m_head + 1) % m_ring.size();
        --m_count;
    }
    return m_output;
}

// ---------------------------------------------------------------------------------------------

void MeasureCounter::configure(int counter, quint8 mode)
{
    m_counter = counter;
    m_gateMode = Gate(mode & 3);
    m_srcMode = Source((mode >> 2) & 3);
    m_gate = false;
    m_src = false;
    m_bRunning = false;
    m_bOpen = false;
    m_value = 0;
}

void MeasureCounter::advance(qint64 k)
{
    if (m_bOpen && k > m_last) {
        if (m_srcMode == GateTime || (m_srcMode == TrueTime && m_src))
            m_value += quint64(Timing::nsOf(k - m_last));
    }
    m_last = qMax(m_last, k);
}

void MeasureCounter::open(qint64 k)
{
    m_bOpen = true;
    m_value = 0;
    m_last = k;
}

void MeasureCounter::close(qint64 k, std::vector<CounterRecord>& records)
{
    records.push_back({k, m_counter, m_value});
    m_bOpen = false;
}

void MeasureCounter::step(qint64 k, bool gate, bool src, std::vector<CounterRecord>& records)
{
    advance(k);
    const bool gateRise = gate && !m_gate;
    const bool gateChange = gate != m_gate;
    switch (m_gateMode) {
    case BothEdges:
        if (m_bRunning && gateChange) {
            close(k, records);
            open(k);
        }
        break;
    case RisingEdges:
        if (gateRise) {
            if (m_bOpen)
                close(k, records);
            open(k);
        }
        break;
    case WhileTrue:
        if (gateRise)
            open(k);
        else if (gateChange && m_bOpen)
            close(k, records);
        break;
    case UserControl:
        break;
    }
    if (m_bOpen && ((m_srcMode == Changes && src != m_src) || (m_srcMode == Rises && src && !m_src)))
        ++m_value;
    m_gate = gate;
    m_src = src;
}

void MeasureCounter::setRunning(qint64 k, bool bRunning, std::vector<CounterRecord>& records)
{
    if (!isSoftwareGated() || bRunning == m_bRunning)
        return;
    advance(k);
    m_bRunning = bRunning;
    if (bRunning)
        open(k);
    else if (m_bOpen)
        close(k, records);
}
