#include "dialogs/msrCntWidget.h"

#include "device/counterValueFormat.h"
#include "dialogs/ratePanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleValidator>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTime>
#include <QVBoxLayout>

namespace {
const QString UNUSED = QStringLiteral("-----");
constexpr int EVENT_LINES = 1000;
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

MsrCntWidget::MsrCntWidget(Property* info, QWidget* parent)
    : QDialog(parent)
    , m_session(std::make_unique<CounterMonitorSession>())
    , m_defaultPrompts(std::make_unique<Prompts>())
    , m_prompts(m_defaultPrompts.get())
{
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(tr("Measure Counter"));
    buildForm();
    m_clock.start();
    m_history.clear(0);

    connect(m_startButton[0], &QPushButton::clicked, this, &MsrCntWidget::msr0Clicked);
    connect(m_startButton[1], &QPushButton::clicked, this, &MsrCntWidget::msr1Clicked);
    connect(m_startButton[2], &QPushButton::clicked, this, &MsrCntWidget::msr2Clicked);
    connect(m_startButton[3], &QPushButton::clicked, this, &MsrCntWidget::msr3Clicked);
    connect(m_connectButton, &QPushButton::clicked, this, &MsrCntWidget::connectToServer);
    connect(m_stopButton, &QPushButton::clicked, this, &MsrCntWidget::stopUpdate);
    connect(m_quitButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, [this] {
        stopUpdate();
        m_session->stopRunningCounters();
    });
    connectParent(parent);
    connectSession();

    m_frameTimer.setInterval(FRAME_MS);
    connect(&m_frameTimer, &QTimer::timeout, this, &MsrCntWidget::frame);
    m_frameTimer.start();

    for (int row = 0; row < COUNTERS; ++row)
        setVerticalHeader(row);
    closeConnection();
    if (info)
        setProperty(*info);
}

// The session ends the stream; start and stop writes still waiting go out without the window.
MsrCntWidget::~MsrCntWidget() = default;

void MsrCntWidget::connectSession()
{
    CounterMonitorSession* session = m_session.get();
    session->setReportInterval(REPORT_MS);
    connect(session, &CounterMonitorSession::connected, this, &MsrCntWidget::connected);
    connect(session, &CounterMonitorSession::reported, this, [this](const CounterReport& report) {
        updateData(report.counter, report.lastText, report.count, report.sum);
    });
    connect(session, &CounterMonitorSession::closedByServer, this, &MsrCntWidget::connectionClosedByServer);
    connect(session, &CounterMonitorSession::logStopped, this, &MsrCntWidget::logStopped);
    connect(session, &CounterMonitorSession::ended, this, &MsrCntWidget::sessionEnded);
    connect(session, &CounterMonitorSession::counterRunningChanged, this, [this](int row, bool bRunning) {
        m_startButton[row]->setText(bRunning ? tr("Stop") : tr("Start"));
    });
    connect(session, &CounterMonitorSession::gateFinished, this,
            [this](int, bool, const OperationOutcome& outcome) { gateFinished(outcome); });
}

// The main window's stop request and close notice, when the parent has them.
void MsrCntWidget::connectParent(QWidget* parent)
{
    if (!parent)
        return;
    const QMetaObject* meta = parent->metaObject();
    if (meta->indexOfSignal("closeOstrum()") >= 0)
        connect(parent, SIGNAL(closeOstrum()), this, SLOT(stopUpdate()));
    if (meta->indexOfSlot("closedOstrum()") >= 0)
        connect(this, SIGNAL(rejected()), parent, SLOT(closedOstrum()));
}

void MsrCntWidget::buildForm()
{
    auto* grid = new QGridLayout;
    const QStringList headings{QString(),         tr("Counter"), tr("Update "),   tr("Number"),
                               tr("Integration"), tr("Logged"),  tr("Alarm low"), tr("Alarm high")};
    for (int column = 0; column < headings.size(); ++column)
        grid->addWidget(new QLabel(headings.at(column), this), 0, column, Qt::AlignCenter);
    const auto field = [this](const QString& name) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        return edit;
    };
    for (int row = 0; row < COUNTERS; ++row) {
        m_msrCntLabel[row] = new QLabel(QStringLiteral("MsrCnt%1").arg(row), this);
        m_msrCntLabel[row]->setObjectName(QStringLiteral("msrCnt%1Label").arg(row));
        m_msrCnt[row] = field(QStringLiteral("msrCnt%1LineEdit").arg(row));
        m_update[row] = field(QStringLiteral("updateLineEdit%1").arg(row));
        m_number[row] = field(QStringLiteral("number%1").arg(row));
        m_integration[row] = field(QStringLiteral("integration%1").arg(row));
        m_logged[row] = field(QStringLiteral("logged%1").arg(row));
        for (QLineEdit* wide : {m_msrCnt[row], m_integration[row]})
            wide->setMinimumWidth(150);
        m_low[row] = new QLineEdit(this);
        m_high[row] = new QLineEdit(this);
        m_startButton[row] = new QPushButton(tr("Start"), this);
        m_startButton[row]->setObjectName(QStringLiteral("startButton%1").arg(row));
        QWidget* cells[] = {m_msrCntLabel[row], m_msrCnt[row],      m_update[row],
                            m_number[row],      m_integration[row], m_logged[row],
                            m_low[row],         m_high[row],        m_startButton[row]};
        for (int column = 0; column < 9; ++column)
            grid->addWidget(cells[column], row + 1, column);
        for (QLineEdit* limit : {m_low[row], m_high[row]}) {
            limit->setValidator(new QDoubleValidator(0, 1e12, 3, limit));
            limit->setPlaceholderText(tr("none"));
            limit->setMaximumWidth(90);
            connect(limit, &QLineEdit::editingFinished, this, [this, row] {
                const auto value = [](QLineEdit* edit) {
                    bool ok = false;
                    const double v = edit->text().toDouble(&ok);
                    return ok ? v : RateAlarm::UNSET;
                };
                m_alarm[row].setLimits(value(m_low[row]), value(m_high[row]));
                setAlarmColour(row, false);
            });
        }
    }

    m_ratioBox = new QCheckBox(tr("Ratio"), this);
    m_ratioField = new QLineEdit(this);
    m_ratioField->setReadOnly(true);
    auto* ratio = new QHBoxLayout;
    ratio->addWidget(m_ratioBox);
    for (int i = 0; i < 2; ++i) {
        m_ratioCounter[i] = new QComboBox(this);
        ratio->addWidget(m_ratioCounter[i]);
        if (i == 0)
            ratio->addWidget(new QLabel(QStringLiteral("/"), this));
        connect(m_ratioCounter[i], QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &MsrCntWidget::showRatio);
    }
    ratio->addWidget(m_ratioField, 1);
    connect(m_ratioBox, &QCheckBox::toggled, this, &MsrCntWidget::showRatio);

    m_presetBox = new QComboBox(this);
    m_presetBox->addItems({tr("Run for seconds"), tr("Run until events of")});
    m_presetAmount = new QLineEdit(this);
    m_presetAmount->setObjectName(QStringLiteral("presetAmount"));
    m_presetAmount->setPlaceholderText(tr("N"));
    m_presetCounter = new QComboBox(this);
    m_presetButton = new QPushButton(tr("&Run"), this);
    m_presetButton->setObjectName(QStringLiteral("presetButton"));
    auto* preset = new QHBoxLayout;
    preset->addWidget(new QLabel(tr("Preset:"), this));
    preset->addWidget(m_presetBox);
    preset->addWidget(m_presetAmount);
    preset->addWidget(m_presetCounter);
    preset->addWidget(m_presetButton);
    preset->addStretch();
    connect(m_presetBox, QOverload<int>::of(&QComboBox::currentIndexChanged), m_presetCounter,
            [this](int index) { m_presetCounter->setEnabled(index == 1); });
    m_presetCounter->setEnabled(false);
    connect(m_presetButton, &QPushButton::clicked, this, [this] {
        bool ok = false;
        const quint64 amount = m_presetAmount->text().toULongLong(&ok);
        if (!ok || amount == 0 || (m_presetBox->currentIndex() == 0 && amount > 24 * 3600 * 365)) {
            m_prompts->warning(this, tr("Vextor"), tr("Please enter a positive whole number."));
            return;
        }
        if (m_presetBox->currentIndex() == 0)
            runForSeconds(int(amount));
        else
            runUntilCount(m_presetCounter->currentData().toInt(), amount);
    });

    m_statusLabel = new QLabel(tr("Ready"), this);
    m_statusLabel->setObjectName(QStringLiteral("statusLabel"));
    m_connectButton = new QPushButton(tr("&Connect"), this);
    m_connectButton->setObjectName(QStringLiteral("connectButton"));
    m_stopButton = new QPushButton(tr("&Disconnect"), this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_quitButton = new QPushButton(tr("&Quit"), this);
    m_quitButton->setObjectName(QStringLiteral("quitButton"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_statusLabel, 1);
    buttons->addWidget(m_connectButton);
    buttons->addWidget(m_stopButton);
    buttons->addWidget(m_quitButton);

    m_ratePanel = new RatePanel(&m_history, this);
    connect(m_ratePanel, &RatePanel::exportPng, this, &MsrCntWidget::exportPng);
    connect(m_ratePanel, &RatePanel::exportCsv, this, &MsrCntWidget::exportCsv);
    m_eventLog = new QPlainTextEdit(this);
    m_eventLog->setObjectName(QStringLiteral("eventLog"));
    m_eventLog->setReadOnly(true);
    m_eventLog->setMaximumBlockCount(EVENT_LINES);
    m_eventLog->setPlaceholderText(tr("Events"));
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(m_ratePanel);
    splitter->addWidget(m_eventLog);
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({400, 80});

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(ratio);
    layout->addLayout(preset);
    layout->addWidget(splitter, 1);
    layout->addLayout(buttons);
    // No button is the default: Enter in a field (an alarm limit) must not start a counter or
    // connect.
    for (QPushButton* button : findChildren<QPushButton*>())
        button->setAutoDefault(false);
    resize(1000, 680);
}

// ---------------------------------------------------------------------------------------------
// Configuration

void MsrCntWidget::setProperty(Property& info)
{
    // A new configuration: logs and running counters belong to the old one.
    const bool bWasConnected = m_bConnected;
    m_preset = Preset::None;
    m_session->setSetup(info);
    closeConnection();
    QString plotted[COUNTERS];
    m_presetCounter->clear();
    for (int c = 0; c < 2; ++c)
        m_ratioCounter[c]->clear();
    for (int row = 0; row < COUNTERS; ++row) {
        m_startButton[row]->setText(tr("Start"));
        setVerticalHeader(row);
        m_msrCntLabel[row]->setText(info.name[row].isEmpty() ? QStringLiteral("MsrCnt%1").arg(row)
                                                             : info.name[row]);
        m_alarm[row].setLimits(RateAlarm::UNSET, RateAlarm::UNSET);
        m_low[row]->clear();
        m_high[row]->clear();
        setAlarmColour(row, false);
        m_low[row]->setEnabled(isUsed(row));
        m_high[row]->setEnabled(isUsed(row));
        if (!isUsed(row))
            continue;
        plotted[row] = m_msrCntLabel[row]->text();
        m_presetCounter->addItem(plotted[row], row);
        for (int c = 0; c < 2; ++c)
            m_ratioCounter[c]->addItem(plotted[row], row);
    }
    m_ratioCounter[1]->setCurrentIndex(qMin(1, m_ratioCounter[1]->count() - 1));
    m_history.clear(m_clock.elapsed());
    m_ratePanel->setCounters(plotted);
    if (info.bStart || bWasConnected)
        connectToServer();
}

void MsrCntWidget::setVerticalHeader(int row)
{
    m_startButton[row]->setEnabled(false);
    for (QLineEdit* field : {m_msrCnt[row], m_update[row], m_number[row], m_integration[row]}) {
        field->setEnabled(false);
        if (!isUsed(row))
            field->setText(UNUSED);
    }
    m_logged[row]->setText(isUsed(row) ? QString() : UNUSED);
}

// ---------------------------------------------------------------------------------------------
// The connection

void MsrCntWidget::connectToServer()
{
    MonitorRun run;
    run.bStartCounters = m_preset != Preset::None;
    run.seconds = m_preset == Preset::Seconds ? m_presetSeconds : 0;
    if (m_preset == Preset::Count) {
        run.limitCounter = m_presetCounterIndex;
        run.limitRecords = m_presetEvents;
    }
    QString problem;
    if (!m_session->start(run, &problem)) {
        if (!continueWithoutLog(problem)) {
            m_preset = Preset::None;
            return;
        }
        run.bIgnoreLogErrors = true;
        m_session->start(run);
        logEvent(problem);
    }
    for (const QString& notice : m_session->notices())
        logEvent(notice);
    for (int c = 0; c < COUNTERS; ++c) {
        m_logged[c]->setStyleSheet(QString());
        m_logged[c]->setToolTip(m_session->logFile(c));
        if (isUsed(c))
            m_logged[c]->setText(m_session->logFile(c).isEmpty() ? tr("no log") : QStringLiteral("0"));
    }
    m_connectButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    // A preset run reconnects afresh, so it may start from a live view; only one runs at a time.
    m_presetButton->setEnabled(m_preset == Preset::None);
    m_statusLabel->setText(tr("Connecting ..."));
    m_bConnected = true;
}

// The session has started the counters of a preset run itself.
void MsrCntWidget::connected()
{
    for (int row = 0; row < COUNTERS; ++row) {
        for (QLineEdit* field : {m_msrCnt[row], m_update[row], m_number[row], m_integration[row]}) {
            field->setEnabled(true);
            if (isUsed(row))
                field->clear();
        }
        if (m_session->setup().isSoftwareGated(row))
            m_startButton[row]->setEnabled(true);
    }
    m_statusLabel->setText(tr("Waiting for data ..."));
}

// The number and integration shown are the session's totals of the connection.
void MsrCntWidget::updateData(int id, QString text, quint64 count, double)
{
    if (id < 0 || id >= COUNTERS)
        return;
    const CounterTotals& totals = m_session->totals(id);
    m_statusLabel->setText(tr("Received"));
    m_number[id]->setText(CounterValueFormat::numberText(totals.records));
    m_integration[id]->setText(CounterValueFormat::integrationText(totals.integration, unit(id)));
    m_msrCnt[id]->setText(text + QLatin1Char(' ') + unit(id));
    m_update[id]->setText(QTime::currentTime().toString(QStringLiteral(" hh:mm:ss ")));
    m_history.add(id, count, m_clock.elapsed());
}

void MsrCntWidget::showLogged()
{
    for (int row = 0; row < COUNTERS; ++row) {
        if (isUsed(row) && !m_session->logFile(row).isEmpty()) {
            const QString count = QString::number(m_session->loggedRecords(row));
            m_logged[row]->setText(m_session->isLogStopped(row) ? tr("%1 (stopped)").arg(count) : count);
        }
    }
}

void MsrCntWidget::stopUpdate()
{
    if (m_preset != Preset::None)
        return finishPreset(tr("stopped"));
    m_session->stop();
    m_statusLabel->setText(tr("Connection closed"));
    closeConnection();
}

// Ends the window did not ask for: a preset run's limit, a failed start, or the stream's failure.
void MsrCntWidget::sessionEnded(const MonitorEnding& ending)
{
    showLogged();
    switch (ending.reason) {
    case MonitorEnd::Stopped:
        break;
    case MonitorEnd::TimeElapsed:
        finishPreset(tr("%1 s have passed").arg(m_presetSeconds));
        break;
    case MonitorEnd::CountReached:
        finishPreset(tr("%1 has delivered %2 events")
                         .arg(m_msrCntLabel[m_presetCounterIndex]->text())
                         .arg(m_presetEvents));
        break;
    case MonitorEnd::StartFailed:
        finishPreset(tr("%1 could not be started").arg(m_msrCntLabel[ending.counter]->text()));
        break;
    case MonitorEnd::ConnectionFailed:
    case MonitorEnd::ConnectionLost:
        error(ending.text);
        break;
    }
}

void MsrCntWidget::connectionClosedByServer()
{
    if (!m_bConnected)
        return;
    m_statusLabel->setText(tr("Connection closed by server"));
    closeConnection();
}

void MsrCntWidget::error(QAbstractSocket::SocketError e)
{
    m_session->stop();
    m_statusLabel->setText(QStringLiteral("QAbstractSocket::SocketError %1").arg(int(e)));
    closeConnection();
}

// The stream failed; the session has stopped what a preset run started.
void MsrCntWidget::error(QString text)
{
    m_session->stop();
    m_statusLabel->setText(text);
    logEvent(text);
    m_preset = Preset::None;
    closeConnection();
}

void MsrCntWidget::accept()
{
    stopUpdate();
    QDialog::accept();
}

void MsrCntWidget::closeConnection()
{
    m_bConnected = false;
    m_connectButton->setEnabled(true);
    m_stopButton->setEnabled(false);
    m_presetButton->setEnabled(true);
    for (int row = 0; row < COUNTERS; ++row) {
        m_startButton[row]->setEnabled(false);
        for (QLineEdit* field : {m_msrCnt[row], m_update[row], m_number[row], m_integration[row]})
            field->setEnabled(false);
    }
}

void MsrCntWidget::logStopped(int counter, const QString& text)
{
    m_logged[counter]->setStyleSheet(QLatin1String(ALARM_STYLE));
    m_logged[counter]->setToolTip(text);
    logEvent(text);
}

// ---------------------------------------------------------------------------------------------
// Start and stop of the software-gated counters

void MsrCntWidget::msrClicked(int row)
{
    m_session->setCounterRunning(row, !m_session->isCounterRunning(row));
}

bool MsrCntWidget::continueWithoutLog(const QString& text)
{
    Prompts::Box question;
    question.icon = QMessageBox::Warning;
    question.text = text;
    question.informative = tr("The MsrCnt data cannot be saved, continue?");
    question.buttons = QMessageBox::Yes | QMessageBox::Cancel;
    question.defaultButton = QMessageBox::Yes;
    return m_prompts->ask(this, question) == QMessageBox::Yes;
}

void MsrCntWidget::gateFinished(const OperationOutcome& outcome)
{
    QString text = outcome.message;
    if (!outcome.isDone() && !text.isEmpty())
        onError(&text);
    end(outcome.isDone());
}

void MsrCntWidget::onError(QString* text)
{
    m_estr = *text;
}

void MsrCntWidget::end(bool ok)
{
    if (!ok && !m_estr.isEmpty()) {
        m_prompts->warning(this, tr("Vextor"), m_estr);
        m_estr.clear();
    }
}
