#pragma once

#include <QLatin1String>
#include <QString>
#include <QStringList>

// A string literal as a QLatin1String that is a constant expression (usable in constexpr tables).
template<int N> constexpr QLatin1String latin1(const char (&text)[N])
{
    return QLatin1String(text, N - 1);
}

// The names of the module's fixed channels, exactly as documents and the module's panel write
// them: the ten input channels and the two numbered families of the output side.
namespace ChannelNames {

// A numbered family of channels: the prefix and one digit 0..count-1.
struct Family
{
    QLatin1String prefix;
    int count;
};

// Inputs 0..7: "IN-CH" + digit, each with a threshold and a polarity.
inline constexpr Family THRESHOLD_INPUT{latin1("IN-CH"), 8};
inline constexpr QLatin1String OPTION_INPUT = latin1("IN-OPT");
// The input that the user controls, and that drives the oscillator.
inline constexpr QLatin1String USER_INPUT = latin1("IN-USER");
// The start every input channel name shares.
inline constexpr QLatin1String INPUT_PREFIX = latin1("IN-");
inline constexpr Family OUTPUT{latin1("OUT-CH"), 8};
inline constexpr Family MSR_CNT{latin1("MsrCnt"), 4};

// "IN-CH0".."IN-CH7", "IN-OPT", "IN-USER": the input channels in register bit order.
const QStringList& inputs();

QString name(const Family& family, int k);
// True for the names of the family's channels ("OUT-CH0".."OUT-CH7"); false for the bare prefix,
// another digit or any further text.
bool isChannelName(const QString& name, const Family& family);
// The output-side family whose prefix is exactly this text ("OUT-CH", "MsrCnt"), or null.
const Family* familyOf(const QString& prefix);
// Names that no user name may take: those beginning "OUT-CH", "IN-CH" or "MsrCnt".
bool isReservedName(const QString& name);

} // namespace ChannelNames
