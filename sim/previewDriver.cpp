#include "sim/previewDriver.h"

#include "emulator/previewRun.h"
#include "sim/moduleMemory.h"

namespace {
// Cycles emulated between looks at the clock.
constexpr qint64 SLICE = 20'000;
} // namespace

PreviewDriver::PreviewDriver(ModuleMemory* memory, const Stimulus& stimulus, QObject* parent)
    : QObject(parent)
    , m_pMemory(memory)
    , m_pEmulator(Emulator::create(ModuleImage(), stimulus))
{
    m_pEmulator->setRecordSink([this](const CounterRecord& r) { emit record(r.counter, r.value); });
    m_timer.setInterval(TICK_MS);
    connect(&m_timer, &QTimer::timeout, this, &PreviewDriver::tick);
}

PreviewDriver::~PreviewDriver() = default;

void PreviewDriver::start()
{
    followMemory();
    m_clock.start();
    m_timer.start();
}

void PreviewDriver::stop()
{
    m_timer.stop();
    m_clock.invalidate();
}

qint64 PreviewDriver::lagNs() const
{
    return m_clock.isValid() ? qMax<qint64>(0, m_clock.nsecsElapsed() - emulatedNs()) : 0;
}

void PreviewDriver::followMemory()
{
    if (m_pMemory->changeCount() == m_seenChanges)
        return;
    m_seenChanges = m_pMemory->changeCount();
    const ModuleImage image = ModuleImage::fromReader([this](quint32 addr) { return m_pMemory->peek(addr); });
    if (image.sameConfiguration(m_loaded))
        m_pEmulator->setLiveRegisters(image);
    else
        m_pEmulator->setImage(image);
    m_loaded = image;
}

void PreviewDriver::tick()
{
    followMemory();
    const qint64 target = Timing::cycleAt(m_clock.nsecsElapsed());
    QElapsedTimer spent;
    spent.start();
    while (m_pEmulator->now() < target && spent.elapsed() < BUDGET_MS)
        m_pEmulator->runUntil(qMin(target, m_pEmulator->now() + SLICE));
    // Behind: go on as soon as the sockets have been served, and say so once it is far.
    const bool behind = m_pEmulator->now() < target;
    m_timer.setInterval(behind ? 0 : TICK_MS);
    if (behind && !m_bReported && lagNs() >= LAG_TO_REPORT_NS) {
        m_bReported = true;
        emit fellBehind(lagNs());
    }
}

QString PreviewDriver::summary() const
{
    QString text =
        QStringLiteral("vextor-sim preview: %1 emulated").arg(PreviewRun::formatTime(emulatedNs()));
    if (lagNs() >= LAG_TO_REPORT_NS)
        text += QStringLiteral(", %1 behind the wall clock").arg(PreviewRun::formatTime(lagNs()));
    for (int ch = 0; ch < Emulator::OUTPUTS; ++ch) {
        if (m_pEmulator->outputPulses(ch) > 0)
            text += QStringLiteral("; OUT-CH%1 %2 pulses").arg(ch).arg(m_pEmulator->outputPulses(ch));
    }
    return text;
}
