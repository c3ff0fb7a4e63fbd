#include "model/blockCaption.h"

#include "model/blockItem.h"
#include "model/blockKinds.h"

#include <QStringList>

#include <cmath>

namespace {
// One counter mode: its word on the picture and in full.
struct CounterMode
{
    const char* caption;
    const char* description;
};
const CounterMode COUNTER_MODES[] = {
    {"one-shot", "one-shot, non-retriggerable: pulse width / minimum idle time"},
    {"one-shot", "one-shot, retriggerable: pulse width / minimum idle time"},
    {"delayed pulse", "delayed one-shot, non-retriggerable: delay / pulse width"},
    {"delayed pulse", "delayed one-shot, retriggerable: delay / pulse width"},
    {"debounce", "chattering elimination, non-retriggerable: guard time true / false"},
    {"debounce", "chattering elimination, retriggerable: guard time true / false"},
    {"delay", "delay, non-retriggerable: delay to true / to false"},
    {"delay", "delay, retriggerable: delay to true / to false"},
    {"oscillator", "oscillator with enable: true width / false width"},
    {"oscillator", "free-running oscillator: true width / false width"},
    {"divider", "divider: true count : false count"},
};
constexpr int DIVIDER = 10;
constexpr int COUNTER_MODE_COUNT = int(sizeof(COUNTER_MODES) / sizeof(COUNTER_MODES[0]));

const char* const GATES[] = {"edge to edge", "rising edge to rising edge", "while true", "user control"};
const char* const SOURCES[] = {"state changes", "true count", "true time", "gate time"};

QString counterTimes(const BlockItem* block, int mode)
{
    QString main, sub;
    block->getStr(main, QStringLiteral("MainCnt"));
    block->getStr(sub, QStringLiteral("SubCnt"));
    if (block->getProperty().isEmpty()) {
        main = QString::number(NIMCntFnc::DEFAULT_MAIN_CNT);
        sub = QString::number(NIMCntFnc::DEFAULT_SUB_CNT + 1);
    }
    if (mode == DIVIDER)
        return QStringLiteral("%1:%2").arg(main.toULongLong(), 0, 10).arg(sub.toULongLong(), 0, 10);
    const double mainNs = block->cntStrToULong(main);
    const double subNs = block->cntStrToULong(sub);
    return QStringLiteral("%1 / %2").arg(shortTime(mainNs), shortTime(subNs));
}

QString counterText(const BlockItem* block, bool full)
{
    const int mode = NIMCntFnc::getMode(block);
    if (mode < 0 || mode >= COUNTER_MODE_COUNT)
        return QStringLiteral("mode %1").arg(mode);
    const CounterMode& row = COUNTER_MODES[mode];
    return QStringLiteral("%1 %2").arg(QLatin1String(full ? row.description : row.caption),
                                       counterTimes(block, mode));
}

QString oscillatorText(const BlockItem* input)
{
    QString main, sub;
    input->getMainCntStr(main);
    input->getSubCntStr(sub);
    return QStringLiteral("oscillator %1 / %2")
        .arg(shortTime(input->cntStrToULong(main)), shortTime(input->cntStrToULong(sub)));
}

QString inputText(const BlockItem* block, bool full)
{
    const auto* input = dynamic_cast<const NIM_IN*>(block);
    if (!input)
        return QString();
    if (input->bUserControl())
        return QStringLiteral("user control");
    if (!input->getProperty().isEmpty() && input->getProperty().contains(QLatin1String("MainCnt=")))
        return oscillatorText(input);
    bool user = false, high = false;
    quint16 vth = NIM_IN::DEFAULT_VTH;
    input->getInputProperty(user, high, vth);
    const QString level = high ? QStringLiteral("active high") : QStringLiteral("active low");
    if (!user)
        return high ? QStringLiteral("LVTTL") : QStringLiteral("NIM");
    const QString volts = QString::number(thresholdVolts(vth), 'f', 2);
    return full ? QStringLiteral("threshold %1 V, %2").arg(volts, level)
                : QStringLiteral("%1 V %2").arg(volts, high ? QStringLiteral("high") : QStringLiteral("low"));
}

QString measureText(const BlockItem* block, bool full)
{
    const quint8 mode = NIMMsrCnt::getMode(block);
    const QString gate = QLatin1String(GATES[mode & 3]);
    const QString source = QLatin1String(SOURCES[(mode >> 2) & 3]);
    return full ? QStringLiteral("gate %1, source %2").arg(gate, source)
                : QStringLiteral("%1 / %2").arg(gate, source);
}

QString describe(const BlockItem* block, bool full)
{
    if (isCntFnc(block))
        return counterText(block, full);
    if (isDlyFnc(block))
        return QStringLiteral("delay %1").arg(shortTime(NIMDlyFnc::getDly(block)));
    if (isInput(block))
        return inputText(block, full);
    if (isMsrCnt(block))
        return measureText(block, full);
    if (full && isLogicBlock(block))
        return block->getProperty();
    return QString();
}
} // namespace

QString settingsCaption(const BlockItem* block)
{
    return describe(block, false);
}

QString settingsDescription(const BlockItem* block)
{
    return describe(block, true);
}

QString shortTime(double nanoseconds)
{
    static const struct
    {
        double size;
        const char* unit;
    } units[] = {{1e9, "s"}, {1e6, "ms"}, {1e3, "us"}};
    for (const auto& unit : units) {
        if (nanoseconds >= unit.size)
            return QStringLiteral("%1 %2").arg(QString::number(nanoseconds / unit.size, 'g', 6),
                                               QLatin1String(unit.unit));
    }
    return QStringLiteral("%1 ns").arg(QString::number(nanoseconds, 'g', 10));
}

double thresholdVolts(quint16 value)
{
    return std::round(value * 500.0 / 4095.0 - 250.0) / 100.0;
}
