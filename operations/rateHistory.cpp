#include "operations/rateHistory.h"

#include <QTextStream>

#include <algorithm>
#include <cmath>

RateHistory::RateHistory()
{
    for (QVector<quint64>& bins : m_bins)
        bins.fill(0, BINS);
    clear(0);
}

void RateHistory::clear(qint64 startMs, const QDateTime& wall)
{
    for (QVector<quint64>& bins : m_bins)
        std::fill(bins.begin(), bins.end(), 0);
    m_startMs = startMs;
    m_startWall = wall;
    m_nowMs = startMs;
    m_lastBin = 0;
    m_bPaused = false;
    m_pausedAtMs = startMs;
}

void RateHistory::advanceTo(qint64 nowMs)
{
    if (nowMs <= m_nowMs)
        return;
    const qint64 bin = binOf(nowMs);
    // Bins that come into use again start from zero; a whole span of silence clears them all.
    for (qint64 b = m_lastBin + 1; b <= bin && b <= m_lastBin + BINS; ++b) {
        for (QVector<quint64>& bins : m_bins)
            bins[int(b % BINS)] = 0;
    }
    m_lastBin = bin;
    m_nowMs = nowMs;
}

void RateHistory::add(int counter, quint64 count, qint64 atMs)
{
    if (counter < 0 || counter >= COUNTERS)
        return;
    advanceTo(atMs);
    m_bins[counter][int(m_lastBin % BINS)] += count;
}

void RateHistory::setPaused(bool bPaused)
{
    if (bPaused && !m_bPaused)
        m_pausedAtMs = m_nowMs;
    m_bPaused = bPaused;
}

qint64 RateHistory::completeBinsEnd() const
{
    return binOf(viewEndMs());
}

bool RateHistory::sum(int counter, qint64 first, qint64 last, quint64& total) const
{
    total = 0;
    if (first < 0 || first <= m_lastBin - BINS || last > m_lastBin + 1)
        return false;
    for (qint64 b = first; b < last; ++b)
        total += m_bins[counter][int(b % BINS)];
    return true;
}

bool RateHistory::hasCurrentRate() const
{
    return completeBinsEnd() >= CURRENT_MS / BIN_MS;
}

double RateHistory::currentRate(int counter) const
{
    const qint64 end = completeBinsEnd();
    quint64 total = 0;
    if (!hasCurrentRate() || !sum(counter, end - CURRENT_MS / BIN_MS, end, total))
        return 0;
    return double(total) * 1000.0 / CURRENT_MS;
}

RateHistory::Series RateHistory::series(int counter, qint64 windowMs) const
{
    Series s;
    const qint64 binsPerPoint = qMax<qint64>(1, windowMs / POINTS / BIN_MS);
    s.pointMs = binsPerPoint * BIN_MS;
    const qint64 lastEnd = completeBinsEnd() / binsPerPoint * binsPerPoint; // whole points only
    s.endMs = m_startMs + lastEnd * BIN_MS;
    const qint64 points = qMin<qint64>(windowMs / s.pointMs, lastEnd / binsPerPoint);
    quint64 records = 0;
    for (qint64 p = points; p >= 1; --p) {
        const qint64 first = lastEnd - p * binsPerPoint;
        quint64 total = 0;
        if (!sum(counter, first, first + binsPerPoint, total))
            continue; // older than what is kept
        const double rate = double(total) * 1000.0 / double(s.pointMs);
        s.rates.append(rate);
        s.peak = std::max(s.peak, rate);
        records += total;
    }
    if (!s.rates.isEmpty())
        s.mean = double(records) * 1000.0 / double(s.pointMs * s.rates.size());
    return s;
}

QString RateHistory::csv(qint64 windowMs, const QString* names) const
{
    QString text;
    QTextStream out(&text);
    out << "Time";
    QVector<Series> columns;
    for (int c = 0; c < COUNTERS; ++c) {
        if (names[c].isEmpty())
            continue;
        out << ',' << names[c] << "[1/s]";
        columns.append(series(c, windowMs));
    }
    out << '\n';
    const Series& first = columns.isEmpty() ? Series() : columns.first();
    for (int i = 0; i < first.rates.size(); ++i) {
        const qint64 startMs = first.endMs - (first.rates.size() - i) * first.pointMs;
        out << m_startWall.addMSecs(startMs - m_startMs).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss.zzz"));
        for (const Series& column : columns)
            out << ',' << QString::number(column.rates.value(i), 'g', 10);
        out << '\n';
    }
    out.flush();
    return text;
}

void RateAlarm::setLimits(double low, double high)
{
    m_low = low;
    m_high = high;
    m_bTripped = false;
}

bool RateAlarm::isSet() const
{
    return !std::isnan(m_low) || !std::isnan(m_high);
}

bool RateAlarm::outside(double rate) const
{
    return (!std::isnan(m_low) && rate < m_low) || (!std::isnan(m_high) && rate > m_high);
}

RateAlarm::Change RateAlarm::update(double rate)
{
    const bool bOutside = outside(rate);
    if (bOutside == m_bTripped)
        return NoChange;
    m_bTripped = bOutside;
    return bOutside ? Tripped : Cleared;
}

QString RateAlarm::describe(const QString& name, double rate) const
{
    const bool bLow = !std::isnan(m_low) && rate < m_low;
    return QStringLiteral("%1: rate %2/s %3 %4/s")
        .arg(name, QString::number(rate, 'g', 6),
             bLow ? QStringLiteral("below the low limit") : QStringLiteral("above the high limit"),
             QString::number(bLow ? m_low : m_high, 'g', 6));
}
