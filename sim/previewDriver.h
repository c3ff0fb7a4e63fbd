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
// to emulate in real time, the emulated clock falls behind the wall clock rather than skipping.
class PreviewDriver : public QObject
{
    Q_OBJECT

public:
    static constexpr int TICK_MS = 5;
    // Wall-clock time spent emulating per tick at most, so that the protocols stay served.
    static constexpr int BUDGET_MS = 3;

    PreviewDriver(ModuleMemory* memory, const Stimulus& stimulus, QObject* parent = nullptr);
    ~PreviewDriver() override;

    void start();
    qint64 emulatedNs() const { return Timing::nsOf(m_pEmulator->now()); }
    const Emulator& emulator() const { return *m_pEmulator; }
    // "vextor-sim preview: 1.5 s emulated; OUT-CH0 <n> pulses; ..." (the outputs that pulsed).
    QString summary() const;

signals:
    void record(int counter, quint64 value);

private:
    void tick();
    void followMemory();

    ModuleMemory* m_pMemory;
    std::unique_ptr<Emulator> m_pEmulator;
    ModuleImage m_loaded;
    quint64 m_seenChanges = ~0ULL;
    QTimer m_timer;
    QElapsedTimer m_clock;
};
