#pragma once

#include "emulator/emulator.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

class ModuleMemory;

// Runs the simulator's own register memory in the emulator on a stimulus, in step with the wall
// clock from start() on, and hands every measure-counter record over as it is made: the counter
// stream then carries what the downloaded design would count. A download (any change of the
// configuration) restarts the function units at the emulated time it arrives; the counter start
// registers and the user-control levels act at once. When the design and the pulses are too busy
// to emulate in real time, the emulated clock falls behind the wall clock rather than skipping,
// and the driver says so once, when it is first LAG_TO_REPORT_NS behind.
class PreviewDriver : public QObject
{
    Q_OBJECT

public:
    static constexpr int TICK_MS = 5;
    // Wall-clock time spent emulating at a stretch at most, so that the protocols stay served.
    static constexpr int BUDGET_MS = 3;
    static constexpr qint64 LAG_TO_REPORT_NS = 1'000'000'000;

    PreviewDriver(ModuleMemory* memory, const Stimulus& stimulus, QObject* parent = nullptr);
    ~PreviewDriver() override;

    void start();
    // Holds the emulated clock where it is.
    void stop();
    qint64 emulatedNs() const { return Timing::nsOf(m_pEmulator->now()); }
    // How far the emulated clock is behind the wall clock.
    qint64 lagNs() const;
    const Emulator& emulator() const { return *m_pEmulator; }
    // "vextor-sim preview: 1.5 s emulated; OUT-CH0 <n> pulses; ..." (the outputs that pulsed),
    // with how far behind the wall clock it is when it could not keep up.
    QString summary() const;

signals:
    void record(int counter, quint64 value);
    // Emitted once: the emulation is this far behind the wall clock.
    void fellBehind(qint64 lagNs);

private:
    void tick();
    void followMemory();

    ModuleMemory* m_pMemory;
    std::unique_ptr<Emulator> m_pEmulator;
    ModuleImage m_loaded;
    quint64 m_seenChanges = ~0ULL;
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_bReported = false;
};
