#pragma once

#include "emulator/emulator.h"

// The reference engine: in every cycle in which any part may change it evaluates the whole
// pipeline, stage after stage, as the module's clock would (the cycles in between change
// nothing). Plain and slow; the event-driven engine is proven against it.
class CycleEmulator : public Emulator
{
public:
    CycleEmulator(const ModuleImage& image, const Stimulus& stimulus);

    void runUntil(qint64 cycle) override;

private:
    void step(qint64 k);
    quint16 inputWord(qint64 k);
    quint16 slotWord(qint64 k, quint16 frontend, quint8 feedback);
    qint64 nextEvent(qint64 k) const;

    qint64 m_next = 0; // the next cycle in which something may change
};
