#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <limits>

// The record rates of the four measure counters over the last hour, from which the monitor's
// plots take their points. Records are added with the time they arrived (milliseconds on the
// caller's clock) and counted in intervals of BIN_MS; a window of 1, 10 or 60 minutes is shown
// as POINTS points, each the mean rate (records per second) of its interval. Points are aligned
// to fixed multiples of their width, so that they do not shift as time goes on, and only
// complete points are shown. A pause holds the view at the moment of the pause while records
// go on being counted, so that resuming loses nothing.
class RateHistory
{
public:
    static constexpr int COUNTERS = 4;
    static constexpr qint64 BIN_MS = 200;
    static constexpr qint64 SPAN_MS = 60 * 60 * 1000;
    static constexpr int POINTS = 300;
    static constexpr qint64 CURRENT_MS = 1000; // the current rate is that of the last whole second

    // The points of one counter in a window, oldest first; the last one ends at endMs.
    struct Series
    {
        QVector<double> rates;
        qint64 pointMs = 0;
        qint64 endMs = 0;
        double mean = 0; // over the points shown
        double peak = 0;
    };

    RateHistory();

    // Starts afresh at startMs (on the caller's clock), which is wall-clock time `wall`.
    void clear(qint64 startMs, const QDateTime& wall = QDateTime::currentDateTime());
    // count records of the counter arrived at atMs (not before the last time given).
    void add(int counter, quint64 count, qint64 atMs);
    // Time passes: intervals without records count as rate 0.
    void advanceTo(qint64 nowMs);
    qint64 nowMs() const { return m_nowMs; }

    void setPaused(bool bPaused);
    bool isPaused() const { return m_bPaused; }
    // The right edge of the view: now, or the moment of the pause.
    qint64 viewEndMs() const { return m_bPaused ? m_pausedAtMs : m_nowMs; }

    // Records per second over the last whole second before the view's end (0 before there is
    // one); whether there is one yet.
    double currentRate(int counter) const;
    bool hasCurrentRate() const;
    Series series(int counter, qint64 windowMs) const;

    // The visible points of a window as CSV: a header "Time" and "<name>[1/s]" per counter whose
    // name is not empty, then one line per point: its start as wall-clock time and the rates.
    QString csv(qint64 windowMs, const QString* names) const;

private:
    qint64 binOf(qint64 ms) const { return (ms - m_startMs) / BIN_MS; }
    // Records of bins [first, last) of the counter; false when part of it is no longer kept.
    bool sum(int counter, qint64 first, qint64 last, quint64& total) const;
    qint64 completeBinsEnd() const; // first bin not yet complete at the view's end

    static constexpr int BINS = int(SPAN_MS / BIN_MS) + 1; // the hour and the bin filling now

    QVector<quint64> m_bins[COUNTERS];
    qint64 m_startMs = 0;
    QDateTime m_startWall;
    qint64 m_nowMs = 0;
    qint64 m_lastBin = 0; // the bin of m_nowMs
    bool m_bPaused = false;
    qint64 m_pausedAtMs = 0;
};

// A counter's low and high rate limits (either may be unset). It trips once when the rate leaves
// the range and clears when it comes back, so that a trip is reported once.
class RateAlarm
{
public:
    enum Change { NoChange, Tripped, Cleared };

    static constexpr double UNSET = std::numeric_limits<double>::quiet_NaN();

    void setLimits(double low, double high);
    double low() const { return m_low; }
    double high() const { return m_high; }
    bool isSet() const;
    bool isTripped() const { return m_bTripped; }

    // The rate of the last whole second.
    Change update(double rate);
    // The line for the log: "<name>: rate <rate>/s below the low limit <low>/s" or above the
    // high limit.
    QString describe(const QString& name, double rate) const;

private:
    bool outside(double rate) const;

    double m_low = UNSET;
    double m_high = UNSET;
    bool m_bTripped = false;
};
