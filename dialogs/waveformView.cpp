#include "dialogs/waveformView.h"

#include "emulator/previewRun.h"

#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

namespace {
// The scroll bar counts pixels; a run is never wider than this at any zoom.
constexpr double MAX_PIXELS = 1e9;

// A tick spacing of 1, 2 or 5 times a power of ten, at least `least`.
double niceStep(double least)
{
    const double power = std::pow(10.0, std::floor(std::log10(least)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= least)
            return m * power;
    }
    return 10.0 * power;
}
} // namespace

WaveformView::WaveformView(QWidget* parent)
    : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setMinimumSize(MAX_NAME_WIDTH + 200, RULER_HEIGHT + 3 * ROW_HEIGHT);
}

void WaveformView::setWaves(const QVector<Wave>& waves, qint64 endNs)
{
    m_waves = waves;
    m_nameWidth = MIN_NAME_WIDTH;
    for (const Wave& w : waves)
        m_nameWidth = qMax(m_nameWidth, fontMetrics().horizontalAdvance(w.name) + 12);
    m_nameWidth = qMin(m_nameWidth, int(MAX_NAME_WIDTH));
    const double start = startNs();
    const bool sameRun = qMax<qint64>(endNs, 1) == m_endNs;
    m_endNs = qMax<qint64>(endNs, 1);
    if (!sameRun)
        return zoomToFit();
    updateScrollBars();
    scrollToNs(start);
}

int WaveformView::plotWidth() const
{
    return qMax(1, viewport()->width() - m_nameWidth);
}

double WaveformView::startNs() const
{
    return horizontalScrollBar()->value() * m_nsPerPixel;
}

bool WaveformView::levelAt(const Wave& wave, double ns)
{
    const auto it = std::upper_bound(wave.toggles.begin(), wave.toggles.end(), ns,
                                     [](double t, qint64 toggle) { return t < double(toggle); });
    return wave.initial ^ (((it - wave.toggles.begin()) & 1) != 0);
}

void WaveformView::zoomToFit()
{
    m_nsPerPixel = double(m_endNs) / plotWidth();
    updateScrollBars();
    horizontalScrollBar()->setValue(0);
    viewport()->update();
}

void WaveformView::zoomIn()
{
    zoomAround(0.5, plotWidth() / 2);
}

void WaveformView::zoomOut()
{
    zoomAround(2.0, plotWidth() / 2);
}

void WaveformView::zoomAround(double factor, int x)
{
    const double anchor = startNs() + x * m_nsPerPixel;
    const double closest = qMax(1.0 / MAX_PIXELS_PER_NS, double(m_endNs) / MAX_PIXELS);
    const double widest = qMax(closest, double(m_endNs) / plotWidth());
    m_nsPerPixel = qBound(closest, m_nsPerPixel * factor, widest);
    updateScrollBars();
    scrollToNs(anchor - x * m_nsPerPixel);
}

void WaveformView::scrollToNs(double ns)
{
    horizontalScrollBar()->setValue(int(std::lround(ns / m_nsPerPixel)));
    viewport()->update();
}

void WaveformView::updateScrollBars()
{
    const int total = int(std::ceil(m_endNs / m_nsPerPixel));
    horizontalScrollBar()->setRange(0, qMax(0, total - plotWidth()));
    horizontalScrollBar()->setPageStep(plotWidth());
    horizontalScrollBar()->setSingleStep(qMax(1, plotWidth() / 20));
    const int rows = RULER_HEIGHT + int(m_waves.size()) * ROW_HEIGHT;
    verticalScrollBar()->setRange(0, qMax(0, rows - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(ROW_HEIGHT);
}

void WaveformView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    // Keep the same span in view when the window is resized before any zoom.
    const double start = startNs();
    updateScrollBars();
    scrollToNs(start);
}

void WaveformView::wheelEvent(QWheelEvent* event)
{
    if (!(event->modifiers() & Qt::ControlModifier)) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int x = qBound(0, int(event->position().x()) - m_nameWidth, plotWidth());
    zoomAround(event->angleDelta().y() > 0 ? 0.5 : 2.0, x);
    event->accept();
}

void WaveformView::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int scrollY = verticalScrollBar()->value();
    for (int i = 0; i < m_waves.size(); ++i) {
        const int top = RULER_HEIGHT + i * ROW_HEIGHT - scrollY;
        if (top + ROW_HEIGHT < RULER_HEIGHT || top > viewport()->height())
            continue;
        if (i % 2)
            painter.fillRect(0, top, viewport()->width(), ROW_HEIGHT, palette().alternateBase());
        drawWave(painter, m_waves.at(i), top);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(QRect(4, top, m_nameWidth - 8, ROW_HEIGHT), Qt::AlignVCenter | Qt::AlignLeft,
                         m_waves.at(i).name);
    }
    drawRuler(painter);
}

void WaveformView::drawRuler(QPainter& painter) const
{
    painter.fillRect(0, 0, viewport()->width(), RULER_HEIGHT, palette().window());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawLine(m_nameWidth, RULER_HEIGHT - 1, viewport()->width(), RULER_HEIGHT - 1);
    const double step = niceStep(90 * m_nsPerPixel);
    const double start = startNs();
    for (double t = std::ceil(start / step) * step; t <= start + plotWidth() * m_nsPerPixel; t += step) {
        const int x = m_nameWidth + int(std::lround((t - start) / m_nsPerPixel));
        painter.drawLine(x, RULER_HEIGHT - 6, x, RULER_HEIGHT - 1);
        painter.drawText(x + 3, RULER_HEIGHT - 8, PreviewRun::formatTime(qint64(std::llround(t))));
    }
}

void WaveformView::drawWave(QPainter& painter, const Wave& wave, int top) const
{
    const int high = top + 5;
    const int low = top + ROW_HEIGHT - 5;
    const double start = startNs();
    const int width = qMin(plotWidth(), int(std::ceil((m_endNs - start) / m_nsPerPixel)));
    QVector<QLine> lines;
    const auto firstAfter = [&wave](double t) {
        return std::upper_bound(wave.toggles.begin(), wave.toggles.end(), t,
                                [](double x, qint64 toggle) { return x < double(toggle); }) -
               wave.toggles.begin();
    };
    // Per pixel column: the level at its end, and a bar where it holds a change.
    auto index = firstAfter(start);
    bool level = wave.initial ^ ((index & 1) != 0);
    for (int x = 0; x < width; ++x) {
        const double end = start + (x + 1) * m_nsPerPixel;
        const auto next = firstAfter(end);
        const int px = m_nameWidth + x;
        if (next != index) {
            lines.append(QLine(px, high, px, low));
            index = next;
            level = wave.initial ^ ((index & 1) != 0);
        }
        const int y = level ? high : low;
        lines.append(QLine(px, y, px + 1, y));
    }
    painter.setPen(QPen(QColor(0, 110, 40), 1));
    painter.drawLines(lines);
}
