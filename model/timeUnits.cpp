#include "model/timeUnits.h"

namespace TimeUnits {

const QVector<TimeUnit>& counterUnits()
{
    static const QVector<TimeUnit> units{{latin1("nsec"), 1, 0},
                                         {latin1("usec"), 1000, 3},
                                         {latin1("msec"), 1000000, 6},
                                         {latin1("sec"), 1000000000, 9}};
    return units;
}

const QVector<TimeUnit>& delayUnits()
{
    static const QVector<TimeUnit> units{{latin1("ns"), 1, 0}, {latin1("us"), 1000, 3}};
    return units;
}

const TimeUnit& nanoseconds()
{
    return counterUnits().first();
}

const TimeUnit* counterUnit(const QString& text)
{
    for (const TimeUnit& unit : counterUnits()) {
        if (text == unit.text)
            return &unit;
    }
    return nullptr;
}

const TimeUnit* counterUnitIn(const QString& text)
{
    for (const TimeUnit& unit : counterUnits()) {
        if (text.indexOf(unit.text) > 0)
            return &unit;
    }
    return nullptr;
}

const TimeUnit* delayUnit(const QString& text)
{
    for (const TimeUnit& unit : delayUnits()) {
        if (text == unit.text)
            return &unit;
    }
    return nullptr;
}

const TimeUnit* delayUnitIn(const QString& value, int* at)
{
    const QVector<TimeUnit>& units = delayUnits();
    for (auto unit = units.crbegin(); unit != units.crend(); ++unit) {
        const int pos = value.lastIndexOf(unit->text);
        if (pos < 1)
            continue;
        if (at)
            *at = pos;
        return &*unit;
    }
    return nullptr;
}

quint32 counterTextToNanoseconds(QString& text)
{
    const TimeUnit* unit = counterUnitIn(text);
    if (unit)
        text.remove(text.indexOf(unit->text), unit->text.size());
    bool ok = false;
    const double number = text.toDouble(&ok);
    if (!ok)
        return 0;
    const double ns = (unit ? unit->nanoseconds : 1) * number + 0.5;
    // Truncation to 32 bits as an unsigned conversion would do; out-of-range values saturate
    // instead of invoking undefined behaviour.
    if (!(ns > 0.0))
        return 0;
    if (ns >= 4294967296.0)
        return quint32(quint64(ns) & 0xFFFFFFFFu);
    return quint32(ns);
}

int delayTextToNanoseconds(QString value)
{
    // Only a unit with decimals takes a fraction.
    int pos = 0;
    if (const TimeUnit* unit = delayUnitIn(value, &pos)) {
        value.remove(pos, unit->text.size());
        if (unit->decimals > 0) {
            bool ok = false;
            const double number = value.toDouble(&ok);
            return ok ? int(number * unit->nanoseconds) : 0;
        }
    }
    bool ok = false;
    const int number = value.toInt(&ok, 10);
    return ok ? number : 0;
}

} // namespace TimeUnits
