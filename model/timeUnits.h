#pragma once

#include "model/channelNames.h"

#include <QVector>

// A unit of time as settings strings write it, with its length in nanoseconds and the number of
// decimals that still name whole nanoseconds in it ("usec": 1000 and 3).
struct TimeUnit
{
    QLatin1String text;
    quint32 nanoseconds;
    int decimals;
};

// The units of time values. Counter values (a function's main and sub counts, the oscillator,
// the measure counters' display and logs) use "nsec", "usec", "msec" and "sec"; delays use "ns"
// and "us". Every conversion between a time text and nanoseconds goes through here.
namespace TimeUnits {

// "nsec", "usec", "msec", "sec": smallest first, the order a counter text is searched in ("sec"
// last, as it ends the others).
const QVector<TimeUnit>& counterUnits();
// "ns", "us".
const QVector<TimeUnit>& delayUnits();
// The unit of a counter value that names none: "nsec".
const TimeUnit& nanoseconds();
// The counter unit spelt exactly so, or null.
const TimeUnit* counterUnit(const QString& text);
// The first counter unit, in search order, that stands after the first character of text, or
// null ("5usec": usec; "sec" alone: none).
const TimeUnit* counterUnitIn(const QString& text);

// The delay unit spelt exactly so, or null.
const TimeUnit* delayUnit(const QString& text);
// The delay unit a delay value is written in: the larger unit first, found (last occurrence) after
// the first character; null for a bare number. Its position in value goes to at when given.
const TimeUnit* delayUnitIn(const QString& value, int* at = nullptr);

// A counter text (a number, a fraction allowed, with an optional unit) in nanoseconds, rounded
// half up and truncated to 32 bits; 0 when the rest is no number. The unit is removed from text.
quint32 counterTextToNanoseconds(QString& text);
// A delay value in nanoseconds: a decimal number before "us", an integer before "ns" or alone;
// 0 when it is no such number.
int delayTextToNanoseconds(QString value);

} // namespace TimeUnits
