#pragma once

#include "emulator/emulator.h"
#include "emulator/signalNames.h"

#include <memory>

// One preview: an image run on a stimulus for a given time from cycle 0, in slices so that a
// caller can show progress or stop it. The software-gated measure counters that the names mark
// as used are started at 0 and stopped at the end, as if the user pressed Start before the
// first pulse and Stop after the last. The same run and report serve vextor-cli, the editor's
// Preview window and the benchmark.
class PreviewRun
{
public:
    static constexpr qint64 DEFAULT_DURATION_NS = 100'000;
    // Changes kept for waveforms: 16 bytes each.
    static constexpr int DEFAULT_TRACE_LIMIT = 2'000'000;

    PreviewRun(const ModuleImage& image, const Stimulus& stimulus, const SignalNames& names,
               qint64 durationNs, int traceLimit = 0, Emulator::Engine engine = Emulator::EventDriven);

    // The run length: the one asked for (> 0), else the stimulus's, else the default.
    static qint64 durationFor(const Stimulus& stimulus, qint64 requestedNs = 0);

    // Runs up to `cycles` more cycles; false once the end is reached (the counters then stopped).
    bool advance(qint64 cycles);
    void runToEnd();
    bool isFinished() const { return m_bFinished; }
    // Fraction done, 0..1.
    double progress() const;

    qint64 durationNs() const { return m_durationNs; }
    qint64 endCycle() const { return m_end; }
    const Emulator& emulator() const { return *m_pEmulator; }
    const SignalNames& names() const { return m_names; }

    struct OutputSummary
    {
        int channel;
        QString name;
        quint64 pulses;
        double rateHz;
    };
    struct CounterSummary
    {
        int counter;
        QString name;
        quint64 records;
        quint64 sum;
        quint64 last;
        QString unit; // "ns" for the time-type counters, else empty
    };
    // What the run found, for the outputs and measure counters the names mark as used.
    struct Summary
    {
        qint64 cycles = 0;
        qint64 emulatedNs = 0;
        QVector<OutputSummary> outputs;
        QVector<CounterSummary> counters;
        qint64 traceEndNs = -1; // where a full trace stopped; -1 when it holds the whole run
    };
    Summary summary() const;
    // The summary as text: the time run, per output its pulses and their rate, per measure
    // counter its records, their sum and the last value.
    QString report() const;

    // "100 us", "1.5 ms", "20 ns": a time in the largest unit that keeps it at 1 or more.
    static QString formatTime(qint64 ns);
    // "120 kHz", "1.5 MHz", "0 Hz".
    static QString formatRate(double hz);

private:
    std::unique_ptr<Emulator> m_pEmulator;
    SignalNames m_names;
    qint64 m_durationNs;
    qint64 m_end;
    bool m_bFinished = false;
};
