// The Measure Counter window beyond the counter rows: preset runs, the frame tick that moves the
// plots and checks the alarms and the ratio, and the export of the plots.

#include "dialogs/msrCntWidget.h"

#include "dialogs/ratePanel.h"
#include "model/outputFile.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTime>

// ---------------------------------------------------------------------------------------------
// Preset runs

void MsrCntWidget::runForSeconds(int seconds)
{
    startPreset(Preset::Seconds, seconds, -1, 0);
}

void MsrCntWidget::runUntilCount(int counter, quint64 events)
{
    startPreset(Preset::Count, 0, counter, events);
}

void MsrCntWidget::startPreset(Preset preset, int seconds, int counter, quint64 events)
{
    if (m_bConnected) {
        m_session->stop();
        closeConnection();
    }
    m_preset = preset;
    m_presetSeconds = seconds;
    m_presetCounterIndex = counter;
    m_presetEvents = events;
    logEvent(preset == Preset::Seconds ? tr("Preset run for %1 s").arg(seconds)
                                       : tr("Preset run until %1 has delivered %2 events")
                                             .arg(m_msrCntLabel[counter]->text())
                                             .arg(events));
    connectToServer();
}

// The session has delivered the run's last reports and stops the counters it started.
void MsrCntWidget::finishPreset(const QString& why)
{
    m_preset = Preset::None;
    m_session->stop();
    QStringList totals;
    for (int row = 0; row < COUNTERS; ++row) {
        if (isUsed(row))
            totals << QStringLiteral("%1 %2")
                          .arg(m_msrCntLabel[row]->text())
                          .arg(m_session->totals(row).records);
    }
    m_statusLabel->setText(tr("Preset run finished"));
    logEvent(tr("Preset run finished (%1): %2").arg(why, totals.join(QStringLiteral(", "))));
    closeConnection();
}

// ---------------------------------------------------------------------------------------------
// Frames: plots, logged counts, alarms and the ratio

void MsrCntWidget::frame()
{
    const qint64 now = m_clock.elapsed();
    m_history.advanceTo(now);
    showLogged();
    m_ratePanel->refresh();
    if (now / 1000 != m_lastSecond) {
        m_lastSecond = now / 1000;
        everySecond();
    }
}

void MsrCntWidget::everySecond()
{
    showRatio();
    if (!m_bConnected || !m_history.hasCurrentRate())
        return;
    for (int row = 0; row < COUNTERS; ++row) {
        if (!isUsed(row) || !m_alarm[row].isSet())
            continue;
        const double rate = m_history.currentRate(row);
        switch (m_alarm[row].update(rate)) {
        case RateAlarm::Tripped:
            setAlarmColour(row, true);
            logEvent(m_alarm[row].describe(m_msrCntLabel[row]->text(), rate));
            break;
        case RateAlarm::Cleared:
            setAlarmColour(row, false);
            break;
        case RateAlarm::NoChange:
            break;
        }
    }
}

void MsrCntWidget::showRatio()
{
    if (!m_ratioBox->isChecked() || m_ratioCounter[0]->count() == 0) {
        m_ratioField->clear();
        return;
    }
    const int a = m_ratioCounter[0]->currentData().toInt();
    const int b = m_ratioCounter[1]->currentData().toInt();
    const auto ratio = [](double x, double y) {
        return y > 0 ? QString::number(x / y, 'g', 6) : QStringLiteral("-");
    };
    m_ratioField->setText(
        tr("rate %1   total %2")
            .arg(ratio(m_history.currentRate(a), m_history.currentRate(b)),
                 ratio(double(m_session->totals(a).records), double(m_session->totals(b).records))));
}

void MsrCntWidget::setAlarmColour(int row, bool bTripped)
{
    for (QWidget* cell : {static_cast<QWidget*>(m_msrCnt[row]), static_cast<QWidget*>(m_update[row]),
                          static_cast<QWidget*>(m_number[row]), static_cast<QWidget*>(m_integration[row])})
        cell->setStyleSheet(bTripped ? QLatin1String(ALARM_STYLE) : QString());
}

void MsrCntWidget::logEvent(const QString& text)
{
    m_eventLog->appendPlainText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss ")) + text);
}

// ---------------------------------------------------------------------------------------------
// Export of the visible plots

namespace {
// A name typed without a suffix gets the one of the file type asked for, so that the file opens
// with the right program; a name with any suffix is kept as typed.
QString withSuffix(const QString& name, const char* suffix)
{
    if (name.isEmpty() || !QFileInfo(name).suffix().isEmpty())
        return name;
    return name + QLatin1Char('.') + QLatin1String(suffix);
}
} // namespace

void MsrCntWidget::exportPng()
{
    const QString name = withSuffix(
        m_prompts->saveFileName(this, tr("Export PNG"), QString(), tr("PNG images (*.png)")), "png");
    if (!name.isEmpty() && !m_ratePanel->picture().save(name, "PNG"))
        m_prompts->warning(this, tr("Vextor"), tr("%1: cannot write the picture.").arg(name));
}

void MsrCntWidget::exportCsv()
{
    const QString name = withSuffix(
        m_prompts->saveFileName(this, tr("Export CSV"), QString(), tr("CSV files (*.csv)")), "csv");
    if (name.isEmpty())
        return;
    QString names[COUNTERS];
    for (int row = 0; row < COUNTERS; ++row)
        names[row] = isUsed(row) ? m_msrCntLabel[row]->text() : QString();
    QString error;
    if (!OutputFile::write(name, m_history.csv(m_ratePanel->windowMs(), names).toUtf8(), &error))
        m_prompts->warning(this, tr("Vextor"), tr("%1: %2").arg(name, error));
}
