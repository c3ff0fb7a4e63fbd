#pragma once

#include <QAbstractScrollArea>
#include <QString>
#include <QVector>

// Digital waveforms over time, drawn with QPainter: one row per signal with its name on the left
// and a time ruler on top. The horizontal scroll bar moves in time, the vertical one through the
// rows; Ctrl+wheel (or zoomIn/zoomOut) zooms around the cursor, zoomToFit shows the whole run.
// Where several changes fall into one pixel it draws a bar, so a zoomed-out view of millions of
// changes costs a few lookups per pixel.
class WaveformView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    struct Wave
    {
        QString name;
        bool initial = false;    // the level at time 0
        QVector<qint64> toggles; // times (ns) at which the level changes, ascending
    };

    // The name column: as wide as the longest name, within these bounds.
    static constexpr int MIN_NAME_WIDTH = 120;
    static constexpr int MAX_NAME_WIDTH = 320;
    static constexpr int ROW_HEIGHT = 24;
    static constexpr int RULER_HEIGHT = 26;
    // The closest zoom: pixels per nanosecond.
    static constexpr double MAX_PIXELS_PER_NS = 8.0;

    explicit WaveformView(QWidget* parent = nullptr);

    // Shows waves of a run of endNs; the view fits the run unless it is as long as the one shown.
    void setWaves(const QVector<Wave>& waves, qint64 endNs);
    const QVector<Wave>& waves() const { return m_waves; }
    qint64 endNs() const { return m_endNs; }

    // The time at the left edge of the plot and the nanoseconds one pixel spans.
    double startNs() const;
    double nsPerPixel() const { return m_nsPerPixel; }
    // The level of a wave at a time.
    static bool levelAt(const Wave& wave, double ns);

public slots:
    void zoomIn();
    void zoomOut();
    void zoomToFit();
    // Shows the time ns at the left edge of the plot.
    void scrollToNs(double ns);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    int plotWidth() const;
    // Zooms by a factor, keeping the time under plot column x where it is.
    void zoomAround(double factor, int x);
    void updateScrollBars();
    void drawRuler(QPainter& painter) const;
    void drawWave(QPainter& painter, const Wave& wave, int top) const;

    QVector<Wave> m_waves;
    qint64 m_endNs = 0;
    double m_nsPerPixel = 1.0;
    int m_nameWidth = MIN_NAME_WIDTH;
};
