#pragma once

#include <QString>
#include <QtGlobal>

// Conversion of a measure counter's raw 56-bit value into the text that the monitor shows and
// the CSV logs hold. The text is the double raw * scale printed in fixed notation, exactly as
// QString::number(raw * scale, 'f', decimals) prints it, but written straight into a byte
// buffer so that a 1 Gbit/s record stream can be logged without a QString per record.
class CounterValueFormat
{
public:
    // Longest text: 17 integer digits (2^56 with no decimals) or 14 + "." + 3 and so on.
    static constexpr int MAX_TEXT = 32;

    CounterValueFormat() = default;
    explicit CounterValueFormat(const QString& unit);

    // Scale and decimals by unit: "usec" 1/1000 and 3, "msec" 1/1000000 and 6, "sec"
    // 1/1000000000 and 9; "nsec", empty or anything else 1 and 0 (compared case-sensitively).
    static double scaleForUnit(const QString& unit);
    static int decimalsForUnit(const QString& unit);

    // The monitor's totals: the number of events in full; the integration in fixed notation with
    // the unit's decimals, then " " and the unit.
    static QString numberText(quint64 number);
    static QString integrationText(double integration, const QString& unit);

    double scale() const { return m_scale; }
    int decimals() const { return m_decimals; }

    // The value raw * scale as a double (the figure that is summed up).
    double value(quint64 raw) const { return double(raw) * m_scale; }

    // Writes the fixed-notation text of value(raw) to out (at least MAX_TEXT bytes, no
    // terminator) and returns its length.
    int write(quint64 raw, char* out) const;
    QString text(quint64 raw) const;

    // The fixed-notation text of any non-negative finite double below 2^64 / 10^decimals,
    // rounded half up like QString::number(v, 'f', decimals).
    static int writeFixed(double v, int decimals, char* out);

private:
    double m_scale = 1.0;
    int m_decimals = 0;
};
