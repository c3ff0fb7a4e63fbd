#pragma once

#include "dialogs/ratePlot.h"

#include <QWidget>

class QComboBox;
class QPushButton;
class QVBoxLayout;
class RateHistory;

// The monitor's rate strip charts and their controls: the window (1, 10 or 60 minutes), the scale
// (linear or logarithmic), one plot per used counter or all counters in one plot, pause and
// resume, and the export of what is visible to PNG or CSV (the owner chooses the file).
class RatePanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int COUNTERS = 4;

    RatePanel(RateHistory* history, QWidget* parent = nullptr);

    // The counters to plot: those with a name.
    void setCounters(const QString* names);
    // Redraws the plots when there is something new to show (the owner's frame tick).
    void refresh();

    qint64 windowMs() const;
    QVector<RatePlot*> plots() const { return m_plots; }
    // The visible plots as one picture.
    QImage picture();

    QComboBox* windowBox() const { return m_windowBox; }
    QComboBox* scaleBox() const { return m_scaleBox; }
    QComboBox* layoutBox() const { return m_layoutBox; }
    QPushButton* pauseButton() const { return m_pauseButton; }

signals:
    void exportPng();
    void exportCsv();

private:
    void rebuildPlots();
    void applySettings();

    RateHistory* m_pHistory;
    QString m_names[COUNTERS];
    QComboBox* m_windowBox;
    QComboBox* m_scaleBox;
    QComboBox* m_layoutBox;
    QPushButton* m_pauseButton;
    QWidget* m_plotArea;
    QVBoxLayout* m_plotLayout;
    QVector<RatePlot*> m_plots;
    qint64 m_shownInterval = -1;
};
