#pragma once

#include <QString>
#include <QVector>
#include <QWidget>

class RateHistory;

// A strip chart of counter rates over a time window, drawn with QPainter from a RateHistory:
// one trace per counter, a linear or logarithmic rate axis, the time axis ending at the
// history's view end, and beside the chart each trace's current rate, mean and peak. It only
// reads the history; the owner calls update() at its frame rate.
class RatePlot : public QWidget
{
    Q_OBJECT

public:
    struct Trace
    {
        int counter;
        QString name;
    };

    explicit RatePlot(const RateHistory* history, QWidget* parent = nullptr);

    void setTraces(const QVector<Trace>& traces);
    const QVector<Trace>& traces() const { return m_traces; }
    void setWindowMs(qint64 ms);
    void setLogScale(bool bLog);

    static QColor traceColor(int counter);
    // The upper end of the rate axis for a peak: 1, 2 or 5 times a power of ten (at least 1).
    static double axisTop(double peak);

    QSize sizeHint() const override { return QSize(560, 40 + 36 * int(m_traces.size())); }
    QSize minimumSizeHint() const override { return QSize(320, 30 + 34 * int(m_traces.size())); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double toY(double rate, double top, const QRectF& area) const;
    void drawAxes(QPainter& painter, const QRectF& area, double top) const;
    void drawLegend(QPainter& painter, const QRectF& area) const;

    const RateHistory* m_pHistory;
    QVector<Trace> m_traces;
    qint64 m_windowMs = 60000;
    bool m_bLog = false;
};
