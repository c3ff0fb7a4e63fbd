#pragma once

#include "model/infoOstrum.h"

#include <QString>

// How one connection option's argument was taken.
enum class OptionResult { Refused, Accepted, Stored };

// Applies one of the options -t, -u, -o, -h, -a to the record by the acceptance rules: Stored when
// the record took the value, Accepted when nothing changes ("-a" without "off" but with "on"),
// Refused when the argument does not convert, a time-out is out of range (then *reason, when
// given, says so), or the option is none of these.
OptionResult applyConnectionOption(int option, const QString& arg, InfoOstrum& info,
                                   QString* reason = nullptr);

// A module address as the settings dialogs take it: four dotted parts that QHostAddress accepts
// as an IPv4 address.
bool isModuleAddress(const QString& text);
// The warning for an address that is refused: "<text> is invalid address."
QString invalidAddressText(const QString& text);
