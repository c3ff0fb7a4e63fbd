#include "emulator/previewRun.h"

PreviewRun::PreviewRun(const ModuleImage& image, const Stimulus& stimulus, const SignalNames& names,
                       qint64 durationNs, int traceLimit, Emulator::Engine engine)
    : m_pEmulator(Emulator::create(image, stimulus, engine))
    , m_names(names)
    , m_durationNs(durationNs)
    , m_end(Timing::cyclesOf(durationNs))
{
    m_pEmulator->setTraceLimit(traceLimit);
    for (int m = 0; m < Emulator::COUNTERS; ++m)
        m_pEmulator->setCounterRunning(m, !names.counters.value(m).isEmpty());
}

qint64 PreviewRun::durationFor(const Stimulus& stimulus, qint64 requestedNs)
{
    if (requestedNs > 0)
        return requestedNs;
    return stimulus.durationNs() > 0 ? stimulus.durationNs() : DEFAULT_DURATION_NS;
}

bool PreviewRun::advance(qint64 cycles)
{
    if (m_bFinished)
        return false;
    m_pEmulator->runUntil(qMin(m_end, m_pEmulator->now() + cycles));
    if (m_pEmulator->now() < m_end)
        return true;
    m_pEmulator->setAllCountersRunning(false);
    m_bFinished = true;
    return false;
}

void PreviewRun::runToEnd()
{
    while (advance(m_end)) {
    }
}

double PreviewRun::progress() const
{
    return m_end > 0 ? double(m_pEmulator->now()) / double(m_end) : 1.0;
}

QString PreviewRun::formatTime(qint64 ns)
{
    static const struct
    {
        qint64 factor;
        const char* unit;
    } units[] = {{1'000'000'000, "s"}, {1'000'000, "ms"}, {1'000, "us"}, {1, "ns"}};
    for (const auto& u : units) {
        if (ns >= u.factor || u.factor == 1)
            return QStringLiteral("%1 %2").arg(QString::number(double(ns) / double(u.factor), 'g', 6),
                                               QLatin1String(u.unit));
    }
    return QString();
}

QString PreviewRun::formatRate(double hz)
{
    if (hz >= 1e6)
        return QString::number(hz / 1e6, 'g', 4) + QStringLiteral(" MHz");
    if (hz >= 1e3)
        return QString::number(hz / 1e3, 'g', 4) + QStringLiteral(" kHz");
    return QString::number(hz, 'g', 4) + QStringLiteral(" Hz");
}

PreviewRun::Summary PreviewRun::summary() const
{
    const Emulator& e = *m_pEmulator;
    Summary summary;
    summary.cycles = e.now();
    summary.emulatedNs = Timing::nsOf(e.now());
    const double seconds = double(summary.emulatedNs) / 1e9;
    for (int ch = 0; ch < Emulator::OUTPUTS; ++ch) {
        if (m_names.outputs.value(ch).isEmpty())
            continue;
        const quint64 pulses = e.outputPulses(ch);
        summary.outputs.append(
            {ch, m_names.outputs.at(ch), pulses, seconds > 0 ? double(pulses) / seconds : 0.0});
    }
    for (int m = 0; m < Emulator::COUNTERS; ++m) {
        if (m_names.counters.value(m).isEmpty())
            continue;
        const Emulator::CounterTotal& t = e.counterTotal(m);
        summary.counters.append({m, m_names.counters.at(m), t.records, t.sum, t.last,
                                 e.measureCounter(m).isTimeType() ? QStringLiteral("ns") : QString()});
    }
    if (e.isTraceTruncated())
        summary.traceEndNs = Timing::nsOf(e.trace().isEmpty() ? 0 : e.trace().last().cycle);
    return summary;
}

QString PreviewRun::report() const
{
    const Summary s = summary();
    QString text =
        QStringLiteral("Emulated %1 (%2 cycles of 5 ns)\n").arg(formatTime(s.emulatedNs)).arg(s.cycles);
    text += QStringLiteral("Outputs:\n");
    for (const OutputSummary& o : s.outputs) {
        text += QStringLiteral("  %1: pulses %2, rate %3\n")
                    .arg(SignalNames::label(SignalNames::outputName(o.channel), o.name))
                    .arg(o.pulses)
                    .arg(formatRate(o.rateHz));
    }
    if (s.outputs.isEmpty())
        text += QStringLiteral("  (none used)\n");
    text += QStringLiteral("Measure counters:\n");
    for (const CounterSummary& c : s.counters) {
        const QString unit = c.unit.isEmpty() ? QString() : QLatin1Char(' ') + c.unit;
        text += QStringLiteral("  %1: records %2, sum %3%4, last %5%4\n")
                    .arg(SignalNames::label(SignalNames::counterName(c.counter), c.name))
                    .arg(c.records)
                    .arg(c.sum)
                    .arg(unit)
                    .arg(c.last);
    }
    if (s.counters.isEmpty())
        text += QStringLiteral("  (none used)\n");
    if (s.traceEndNs >= 0)
        text +=
            QStringLiteral("The waveforms stop at %1: the trace is full.\n").arg(formatTime(s.traceEndNs));
    return text;
}
