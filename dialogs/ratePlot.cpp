#include "dialogs/ratePlot.h"

#include "operations/rateHistory.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {
constexpr int LEFT = 56;
constexpr int RIGHT = 235;
constexpr int TOP = 6;
constexpr int BOTTOM = 18;
constexpr double LOG_FLOOR = 0.1; // the bottom of a logarithmic axis, in records per second

QString rateText(double rate)
{
    return QString::number(rate, 'f', rate < 100 ? 1 : 0) + QStringLiteral("/s");
}

// Axis labels stay short: 500, 2k, 1.5M.
QString axisText(double rate)
{
    if (rate >= 1e6)
        return QString::number(rate / 1e6, 'g', 3) + QLatin1Char('M');
    if (rate >= 1e3)
        return QString::number(rate / 1e3, 'g', 3) + QLatin1Char('k');
    return QString::number(rate, 'g', 3);
}
} // namespace

RatePlot::RatePlot(const RateHistory* history, QWidget* parent)
    : QWidget(parent)
    , m_pHistory(history)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void RatePlot::setTraces(const QVector<Trace>& traces)
{
    m_traces = traces;
    updateGeometry();
    update();
}

void RatePlot::setWindowMs(qint64 ms)
{
    m_windowMs = ms;
    update();
}

void RatePlot::setLogScale(bool bLog)
{
    m_bLog = bLog;
    update();
}

QColor RatePlot::traceColor(int counter)
{
    static const QColor colors[] = {QColor(0x1f, 0x77, 0xb4), QColor(0xd6, 0x27, 0x28),
                                    QColor(0x2c, 0xa0, 0x2c), QColor(0x94, 0x67, 0xbd)};
    return colors[qBound(0, counter, 3)];
}

double RatePlot::axisTop(double peak)
{
    if (peak <= 1)
        return 1;
    const double decade = std::pow(10.0, std::floor(std::log10(peak)));
    for (double step : {1.0, 2.0, 5.0, 10.0}) {
        if (peak <= step * decade)
            return step * decade;
    }
    return 10 * decade;
}

double RatePlot::toY(double rate, double top, const QRectF& area) const
{
    double fraction;
    if (m_bLog) {
        const double low = std::log10(LOG_FLOOR);
        fraction = (std::log10(qMax(rate, LOG_FLOOR)) - low) / (std::log10(qMax(top, 1.0)) - low);
    } else {
        fraction = rate / top;
    }
    return area.bottom() - qBound(0.0, fraction, 1.0) * area.height();
}

void RatePlot::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    const QRectF area(LEFT, TOP, qMax(10, width() - LEFT - RIGHT), qMax(10, height() - TOP - BOTTOM));

    QVector<RateHistory::Series> series;
    double peak = 0;
    for (const Trace& trace : m_traces) {
        series.append(m_pHistory->series(trace.counter, m_windowMs));
        peak = qMax(peak, series.last().peak);
    }
    const double top = axisTop(peak);
    drawAxes(painter, area, top);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setClipRect(area);
    for (int t = 0; t < m_traces.size(); ++t) {
        const RateHistory::Series& s = series.at(t);
        if (s.rates.isEmpty())
            continue;
        // Points are placed by time: the last one ends at the right edge of the window.
        const double msPerPixel = double(m_windowMs) / area.width();
        QPainterPath path;
        for (int i = 0; i < s.rates.size(); ++i) {
            const double ageMs = (s.rates.size() - i - 0.5) * s.pointMs;
            const QPointF point(area.right() - ageMs / msPerPixel, toY(s.rates.at(i), top, area));
            if (i == 0)
                path.moveTo(point);
            else
                path.lineTo(point);
        }
        painter.setPen(QPen(traceColor(m_traces.at(t).counter), 1.5));
        painter.drawPath(path);
    }
    painter.setClipping(false);
    drawLegend(painter, area);
}

void RatePlot::drawAxes(QPainter& painter, const QRectF& area, double top) const
{
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(area);
    painter.setPen(palette().color(QPalette::Text));
    const QFontMetrics metrics(font());
    const auto label = [&](double rate) {
        const QString text = axisText(rate);
        const double y = toY(rate, top, area);
        painter.drawText(QRectF(0, y - metrics.height() / 2.0, LEFT - 4, metrics.height()),
                         Qt::AlignRight | Qt::AlignVCenter, text);
    };
    label(m_bLog ? LOG_FLOOR : 0);
    label(top);
    if (!m_bLog)
        label(top / 2);
    const int minutes = int(m_windowMs / 60000);
    painter.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), BOTTOM - 2), Qt::AlignLeft,
                     QStringLiteral("-%1 min").arg(minutes));
    painter.drawText(QRectF(area.left(), area.bottom() + 2, area.width(), BOTTOM - 2), Qt::AlignRight,
                     tr("now"));
    painter.drawText(QRectF(area.left() + 4, area.top() + 2, area.width(), metrics.height()), Qt::AlignLeft,
                     m_pHistory->isPaused() ? tr("records/s (paused)") : tr("records/s"));
}

void RatePlot::drawLegend(QPainter& painter, const QRectF& area) const
{
    const QFontMetrics metrics(font());
    double y = area.top();
    for (const Trace& trace : m_traces) {
        const RateHistory::Series s = m_pHistory->series(trace.counter, m_windowMs);
        const double x = area.right() + 10;
        painter.fillRect(QRectF(x, y + 3, 10, 10), traceColor(trace.counter));
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QPointF(x + 14, y + metrics.ascent()),
                         trace.name + QStringLiteral("  ") +
                             rateText(m_pHistory->currentRate(trace.counter)));
        y += metrics.height();
        painter.drawText(QPointF(x, y + metrics.ascent()),
                         tr("mean %1  peak %2").arg(rateText(s.mean), rateText(s.peak)));
        y += metrics.height() + 3;
    }
}
