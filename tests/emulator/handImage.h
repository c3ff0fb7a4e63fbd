#pragma once

#include "emulator/emulator.h"

#include <QStringList>

#include <memory>

// Register images written by hand, as the module's map lays them out.
struct HandImage
{
    ModuleImage image;

    void word16(quint32 addr, quint16 v)
    {
        image.setByte(addr, quint8(v >> 8));
        image.setByte(addr + 1, quint8(v));
    }
    void word32(quint32 addr, quint32 v)
    {
        word16(addr, quint16(v >> 16));
        word16(addr + 2, quint16(v));
    }
    // Frontend: IN-CH0 triggers unit 0; IN-CH0/IN-CH1 feed the pass-through paths of slots 0 and 1.
    void channelsToFrontend()
    {
        for (int c = 0; c < ModuleImage::FRONTEND_ENTRIES; ++c)
            word16(ModuleImage::REG_FRONTEND + 2 * quint32(c), quint16((c & 1) << 8 | (c & 3)));
    }
    // Unit 0 as a counter in slot 3 (the backend select leaves bit 3 clear).
    static HandImage counter(int mode, quint32 main, quint32 sub)
    {
        HandImage h;
        h.channelsToFrontend();
        h.image.setByte(ModuleImage::REG_COUNTER_MODE, quint8(mode));
        h.word32(ModuleImage::REG_MAIN_COUNT, main);
        h.word32(ModuleImage::REG_SUB_COUNT, sub);
        return h;
    }
    // Unit 0 as a delay in slot 3.
    static HandImage delay(quint16 ns)
    {
        HandImage h;
        h.channelsToFrontend();
        h.word16(ModuleImage::REG_BACKEND_SELECT, 1u << 3);
        h.word16(ModuleImage::REG_DELAY, ns);
        return h;
    }
    // Measure counter 0 with slot 0 (IN-CH0) as GATE and slot 1 (IN-CH1) as SRC.
    static HandImage msrCnt(quint8 mode)
    {
        HandImage h;
        h.channelsToFrontend();
        for (int w = 0; w < ModuleImage::BACKEND_ENTRIES; ++w)
            h.image.setByte(ModuleImage::REG_MSR_LUT + quint32(w), quint8(w & 3));
        h.image.setByte(ModuleImage::REG_MSR_MODE, mode);
        return h;
    }
};

inline Stimulus stimulusOf(const QString& text)
{
    Stimulus stimulus;
    QString error;
    if (!Stimulus::parse(text, stimulus, error))
        qFatal("bad test stimulus: %s", qPrintable(error));
    return stimulus;
}

// The pulses of one trace bit as "start-end" in ns ("start-" when still high at the end).
inline QString pulsesOf(const Emulator& emulator, int bit)
{
    QStringList pulses;
    bool level = false;
    qint64 start = 0;
    for (const Emulator::Change& c : emulator.trace()) {
        const bool now = (c.word >> bit) & 1;
        if (now && !level)
            start = Timing::nsOf(c.cycle);
        else if (!now && level)
            pulses << QStringLiteral("%1-%2").arg(start).arg(Timing::nsOf(c.cycle));
        level = now;
    }
    if (level)
        pulses << QStringLiteral("%1-").arg(start);
    return pulses.join(QLatin1Char(' '));
}

// Runs an image on a stimulus text for a time, with the trace kept.
inline std::unique_ptr<Emulator> runImage(const ModuleImage& image, const QString& stimulus, qint64 ns)
{
    auto emulator = Emulator::create(image, stimulusOf(stimulus));
    emulator->setTraceLimit(1 << 20);
    emulator->runUntil(Timing::cyclesOf(ns));
    return emulator;
}
