#include "device/counterValueFormat.h"

#include "model/timeUnits.h"

#include <cstring>

namespace {

const quint64 POW10[] = {1ULL,       10ULL,       100ULL,       1000ULL,       10000ULL,      100000ULL,
                         1000000ULL, 10000000ULL, 100000000ULL, 1000000000ULL, 10000000000ULL};

const char DIGIT_PAIRS[] = "00010203040506070809"
                           "10111213141516171819"
                           "20212223242526272829"
                           "30313233343536373839"
                           "40414243444546474849"
                           "50515253545556575859"
                           "60616263646566676869"
                           "70717273747576777879"
                           "80818283848586878889"
                           "90919293949596979899";

// Writes the decimal digits of n, at least minDigits of them (zero-padded), right-aligned so that
// the last digit lands at end[-1]; returns the first written position.
char* writeDigitsBackwards(quint64 n, int minDigits, char* end)
{
    char* p = end;
    while (n >= 100) {
        const unsigned pair = unsigned(n % 100) * 2;
        n /= 100;
        *--p = DIGIT_PAIRS[pair + 1];
        *--p = DIGIT_PAIRS[pair];
    }
    if (n >= 10) {
        const unsigned pair = unsigned(n) * 2;
        *--p = DIGIT_PAIRS[pair + 1];
        *--p = DIGIT_PAIRS[pair];
    } else {
        *--p = char('0' + n);
    }
    while (end - p < minDigits)
        *--p = '0';
    return p;
}

// round(v * 10^decimals), halves rounded up, computed exactly from the double's binary value.
quint64 scaledAndRounded(double v, int decimals)
{
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    const int biased = int((bits >> 52) & 0x7FF);
    if (biased == 0)
        return 0; // zero (subnormals are far below any printable digit)
    const quint64 mantissa = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
    const int exponent = biased - 1075; // v = mantissa * 2^exponent
    using u128 = unsigned __int128;
    const u128 product = u128(mantissa) * POW10[decimals];
    if (exponent >= 0)
        return quint64(product << exponent);
    const int shift = -exponent;
    if (shift >= 120)
        return 0; // product < 2^87, far below one half
    const u128 quotient = product >> shift;
    const u128 remainder = product - (quotient << shift);
    const u128 half = u128(1) << (shift - 1);
    return quint64(quotient) + (remainder >= half ? 1 : 0);
}

} // namespace

CounterValueFormat::CounterValueFormat(const QString& unit)
    : m_scale(scaleForUnit(unit))
    , m_decimals(decimalsForUnit(unit))
{}

double CounterValueFormat::scaleForUnit(const QString& unit)
{
    const TimeUnit* known = TimeUnits::counterUnit(unit);
    return known ? 1.0 / known->nanoseconds : 1.0;
}

int CounterValueFormat::decimalsForUnit(const QString& unit)
{
    const TimeUnit* known = TimeUnits::counterUnit(unit);
    return known ? known->decimals : 0;
}

int CounterValueFormat::write(quint64 raw, char* out) const
{
    if (m_decimals == 0 && m_scale == 1.0) {
        // An integer-valued double: its digits are those of the integer it holds.
        char digits[MAX_TEXT];
        char* end = digits + MAX_TEXT;
        const char* begin = writeDigitsBackwards(quint64(double(raw)), 1, end);
        const int length = int(end - begin);
        std::memcpy(out, begin, size_t(length));
        return length;
    }
    return writeFixed(value(raw), m_decimals, out);
}

QString CounterValueFormat::text(quint64 raw) const
{
    char buffer[MAX_TEXT];
    return QString::fromLatin1(buffer, write(raw, buffer));
}

int CounterValueFormat::writeFixed(double v, int decimals, char* out)
{
    const quint64 scaled = scaledAndRounded(v, decimals);
    char digits[MAX_TEXT];
    char* end = digits + MAX_TEXT;
    char* begin;
    if (decimals == 0) {
        begin = writeDigitsBackwards(scaled, 1, end);
    } else {
        const quint64 unit = POW10[decimals];
        char* point = writeDigitsBackwards(scaled % unit, decimals, end);
        *--point = '.';
        begin = writeDigitsBackwards(scaled / unit, 1, point);
    }
    const int length = int(end - begin);
    std::memcpy(out, begin, size_t(length));
    return length;
}

QString CounterValueFormat::numberText(quint64 number)
{
    return QString::number(number);
}

QString CounterValueFormat::integrationText(double integration, const QString& unit)
{
    return QString::number(integration, 'f', decimalsForUnit(unit)) + QLatin1Char(' ') + unit;
}
