#pragma once

#include <QString>

class BlockItem;

// What a block's settings do, in the few words its picture has room for: a counter's mode and
// times ("one-shot 100 ns / 20 ns", "divider 3:2"), a delay's time, an input's standard or
// threshold and polarity, a measure counter's gate and source. Empty for blocks without settings
// of their own (logic stages show their expression only in their tooltip).
QString settingsCaption(const BlockItem* block);

// The same in full words, for the block's tooltip and the settings table of an export; for a logic
// stage its expression.
QString settingsDescription(const BlockItem* block);

// A time in nanoseconds in the largest unit that keeps it short: "20 ns", "1.5 us", "2 ms", "1 s".
QString shortTime(double nanoseconds);

// The threshold in volts that a comparator register value stands for, to the hundredth.
double thresholdVolts(quint16 value);
