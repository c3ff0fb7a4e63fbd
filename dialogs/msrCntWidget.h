#pragma once

#include "kit/prompts.h"
#include "operations/counterMonitorSession.h"
#include "operations/monitorSetup.h"
#include "operations/rateHistory.h"

#include <QAbstractSocket>
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QCheckBox;
class RatePanel;

// The modeless "Measure Counter" window: the live results of the module's four measure counters.
// It is a view of one CounterMonitorSession, which receives the records, writes the CSV logs and
// starts and stops the counters whose gate software controls; the window shows per counter the
// last value, the time of the last update, the accumulated number of events and integration and
// how many records its log holds. Beside that: rate strip charts (RatePanel over a RateHistory),
// a ratio of two counters, low/high rate alarms, preset runs (the session's limited runs, for N
// seconds or until a counter has N events) and a list of events.
//
// The session gathers its reports over REPORT_MS and the window redraws its plots every FRAME_MS,
// so that it stays responsive whatever the stream's rate.
//
// Entry points for the main window: the constructor with the record built after a download or
// a synchronisation, setProperty() with a new record, the main window's signal closeOstrum()
// (connected to stopUpdate() when the parent has it) and its slot closedOstrum() (called when
// the window closes, when the parent has it). The window deletes itself when closed.
class MsrCntWidget : public QDialog
{
    Q_OBJECT

public:
    using Property = CounterMonitorSetup;

    static constexpr int COUNTERS = CounterMonitorSetup::COUNTERS;
    static constexpr int UNIT = 1;
    static constexpr int DATA_SIZE = 8;
    static constexpr int REPORT_MS = 40;
    static constexpr int FRAME_MS = 40;
    // The background of a row whose alarm has tripped and of a log that stopped.
    static constexpr const char* ALARM_STYLE = "background-color: #f4b6b6;";

    explicit MsrCntWidget(Property* info, QWidget* parent = nullptr);
    ~MsrCntWidget() override;

    // The window's questions and messages go through the editor's prompts (the toolkit's boxes
    // until the main window hands over its own); they must outlive the window.
    void setPrompts(Prompts& prompts) { m_prompts = &prompts; }

    void setProperty(Property& info);
    void msrClicked(int row);
    void setVerticalHeader(int row);
    void closeConnection();

    // Preset runs: connect, start the software-gated counters, and end (stopping them again) after
    // the given seconds or once the counter has delivered the given number of events.
    void runForSeconds(int seconds);
    void runUntilCount(int counter, quint64 events);

    bool isConnected() const { return m_bConnected; }
    bool isRunning(int row) const { return m_session->isCounterRunning(row); }
    const RateHistory& history() const { return m_history; }
    RatePanel* ratePanel() const { return m_ratePanel; }
    QPlainTextEdit* eventLog() const { return m_eventLog; }
    QLabel* statusLabel() const { return m_statusLabel; }
    QPushButton* connectButton() const { return m_connectButton; }
    QPushButton* stopButton() const { return m_stopButton; }
    QPushButton* quitButton() const { return m_quitButton; }
    QPushButton* startButton(int row) const { return m_startButton[row]; }
    QLabel* rowLabel(int row) const { return m_msrCntLabel[row]; }
    QLineEdit* valueField(int row) const { return m_msrCnt[row]; }
    QLineEdit* updateField(int row) const { return m_update[row]; }
    QLineEdit* numberField(int row) const { return m_number[row]; }
    QLineEdit* integrationField(int row) const { return m_integration[row]; }
    QLineEdit* loggedField(int row) const { return m_logged[row]; }
    QLineEdit* lowField(int row) const { return m_low[row]; }
    QLineEdit* highField(int row) const { return m_high[row]; }
    QCheckBox* ratioBox() const { return m_ratioBox; }
    QComboBox* ratioCounter(int i) const { return m_ratioCounter[i]; }
    QLineEdit* ratioField() const { return m_ratioField; }
    CounterMonitorSession& session() const { return *m_session; }

public slots:
    void connectToServer();
    void connected();
    void updateData(int id, QString text, quint64 count, double sum);
    void stopUpdate();
    void connectionClosedByServer();
    void error(QAbstractSocket::SocketError e);
    void error(QString text);
    void accept() override;
    void end(bool ok);
    void onError(QString* text);
    void msr0Clicked() { msrClicked(0); }
    void msr1Clicked() { msrClicked(1); }
    void msr2Clicked() { msrClicked(2); }
    void msr3Clicked() { msrClicked(3); }

private:
    enum class Preset { None, Seconds, Count };

    void buildForm();
    void connectParent(QWidget* parent);
    void connectSession();
    void showLogged();
    void sessionEnded(const MonitorEnding& ending);
    void logStopped(int counter, const QString& text);
    void gateFinished(const OperationOutcome& outcome);
    // A log file cannot be created (text): connect without the failing logs?
    bool continueWithoutLog(const QString& text);
    void startPreset(Preset preset, int seconds, int counter, quint64 events);
    void finishPreset(const QString& why);
    void frame();
    void everySecond();
    void showRatio();
    void setAlarmColour(int row, bool bTripped);
    void logEvent(const QString& text);
    void exportPng();
    void exportCsv();
    bool isUsed(int row) const { return m_session->setup().mode[row] >= 0; }
    QString unit(int row) const { return m_session->setup().unit[row]; }

    // Form widgets
    QLabel* m_msrCntLabel[COUNTERS];
    QLineEdit* m_msrCnt[COUNTERS];
    QLineEdit* m_update[COUNTERS];
    QLineEdit* m_number[COUNTERS];
    QLineEdit* m_integration[COUNTERS];
    QLineEdit* m_logged[COUNTERS];
    QLineEdit* m_low[COUNTERS];
    QLineEdit* m_high[COUNTERS];
    QPushButton* m_startButton[COUNTERS];
    QLabel* m_statusLabel;
    QPushButton* m_connectButton;
    QPushButton* m_stopButton;
    QPushButton* m_quitButton;
    QComboBox* m_presetBox;
    QLineEdit* m_presetAmount;
    QComboBox* m_presetCounter;
    QPushButton* m_presetButton;
    QCheckBox* m_ratioBox;
    QComboBox* m_ratioCounter[2];
    QLineEdit* m_ratioField;
    RatePanel* m_ratePanel;
    QPlainTextEdit* m_eventLog;

    std::unique_ptr<CounterMonitorSession> m_session;
    QString m_estr;
    bool m_bConnected = false;

    std::unique_ptr<Prompts> m_defaultPrompts;
    Prompts* m_prompts;

    Preset m_preset = Preset::None;
    int m_presetSeconds = 0;
    int m_presetCounterIndex = -1;
    quint64 m_presetEvents = 0;

    RateHistory m_history;
    RateAlarm m_alarm[COUNTERS];
    QElapsedTimer m_clock;
    QTimer m_frameTimer;
    qint64 m_lastSecond = 0;
};
