#include "emulator/signalNames.h"

#include "emulator/emulator.h"

namespace {
const int PASS_SLOTS[6] = {0, 1, 2, 8, 9, 10};

QStringList numbered(const QString& prefix, int count)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list.append(prefix + QString::number(i));
    return list;
}
} // namespace

SignalNames SignalNames::hardware()
{
    SignalNames names;
    names.inputs = Stimulus::channelNames();
    names.functions = numbered(QStringLiteral("slot"), Emulator::SLOTS);
    names.feedbacks = numbered(QStringLiteral("feedback"), Emulator::UNITS);
    names.outputs = numbered(QStringLiteral("OUT-CH"), Emulator::OUTPUTS);
    names.counters = numbered(QStringLiteral("MsrCnt"), Emulator::COUNTERS);
    return names;
}

SignalNames SignalNames::unused()
{
    SignalNames names;
    for (int i = 0; i < Emulator::INPUTS; ++i)
        names.inputs.append(QString());
    for (int j = 0; j < Emulator::SLOTS; ++j)
        names.functions.append(QString());
    for (int u = 0; u < Emulator::UNITS; ++u)
        names.feedbacks.append(QString());
    for (int ch = 0; ch < Emulator::OUTPUTS; ++ch)
        names.outputs.append(QString());
    for (int m = 0; m < Emulator::COUNTERS; ++m)
        names.counters.append(QString());
    return names;
}

QString SignalNames::inputName(int i)
{
    return Stimulus::channelNames().at(i);
}

QString SignalNames::outputName(int ch)
{
    return QStringLiteral("OUT-CH%1").arg(ch);
}

QString SignalNames::counterName(int m)
{
    return QStringLiteral("MsrCnt%1").arg(m);
}

QString SignalNames::label(const QString& hardwareName, const QString& userName)
{
    if (userName.isEmpty() || userName == hardwareName)
        return hardwareName;
    return hardwareName + QLatin1Char(' ') + userName;
}

QVector<TraceSignal> traceSignals(const SignalNames& names)
{
    QVector<TraceSignal> list;
    const auto add = [&list](int bit, const char* group, const QString& hw, const QString& user) {
        list.append({bit, QLatin1String(group), SignalNames::label(hw, user), !user.isEmpty()});
    };
    for (int i = 0; i < Emulator::INPUTS; ++i)
        add(Emulator::INPUT_BITS + i, "inputs", SignalNames::inputName(i), names.inputs.value(i));
    for (int m = 0; m < 6; ++m) {
        const int slot = PASS_SLOTS[m];
        add(Emulator::PASS_BITS + m, "frontend", QStringLiteral("pass%1").arg(slot),
            names.functions.value(slot));
    }
    for (int u = 0; u < Emulator::UNITS; ++u) {
        // The unit's block sits in slot 3 + u, or for a delay of units 5..7 in slot u - 5.
        QString user = names.functions.value(3 + u);
        if (user.isEmpty() && u >= 5)
            user = names.functions.value(u - 5);
        add(Emulator::TRIGGER_BITS + u, "frontend", QStringLiteral("trigger%1").arg(u), user);
    }
    for (int j = 0; j < Emulator::SLOTS; ++j)
        add(Emulator::SLOT_BITS + j, "slots", QStringLiteral("slot%1").arg(j), names.functions.value(j));
    for (int u = 0; u < Emulator::UNITS; ++u)
        add(Emulator::FEEDBACK_BITS + u, "feedback", QStringLiteral("feedback%1").arg(u),
            names.feedbacks.value(u));
    for (int m = 0; m < Emulator::COUNTERS; ++m) {
        const QString user = names.counters.value(m);
        add(Emulator::MSR_BITS + 2 * m, "msrcnt", SignalNames::counterName(m) + QStringLiteral("-GATE"),
            user);
        add(Emulator::MSR_BITS + 2 * m + 1, "msrcnt", SignalNames::counterName(m) + QStringLiteral("-SRC"),
            user);
    }
    for (int ch = 0; ch < Emulator::OUTPUTS; ++ch)
        add(Emulator::OUTPUT_BITS + ch, "outputs", SignalNames::outputName(ch), names.outputs.value(ch));
    return list;
}
