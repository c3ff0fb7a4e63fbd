#include "dialogs/msrCntWidget.h"

#include "device/counterValueFormat.h"
#include "device/qOstrumThread.h"
#include "dialogs/ratePanel.h"
#include "operations/moduleOperations.h"

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

using GateQueue = QList<QPair<int, bool>>;

// Runs start and stop writes one after another on their own, once `after` (if any) has finished.
void runDetached(const InfoOstrum& target, const GateQueue& queue, CounterGateOperation* after)
{
    if (queue.isEmpty())
        return;
    const auto startFirst = [target, queue] {
        GateQueue rest = queue;
        const QPair<int, bool> next = rest.takeFirst();
        auto* gate = new CounterGateOperation(target, next.first, next.second);
        QObject::connect(gate, &DeviceOperation::finished, gate, &QObject::deleteLater);
        QObject::connect(gate, &DeviceOperation::finished,
                         [target, rest] { runDetached(target, rest, nullptr); });
        gate->start();
    };
    if (after)
        QObject::connect(after, &DeviceOperation::finished, startFirst);
    else
        startFirst();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

MsrCntWidget::MsrCntWidget(Property* info, QWidget* parent)
    : QDialog(parent)
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
        stopRunningCounters();
    });
    connectParent(parent);

    m_presetTimer.setSingleShot(true);
    connect(&m_presetTimer, &QTimer::timeout, this,
            [this] { finishPreset(tr("%1 s have passed").arg(m_presetSeconds)); });
    m_frameTimer.setInterval(FRAME_MS);
    connect(&m_frameTimer, &QTimer::timeout, this, &MsrCntWidget::frame);
    m_frameTimer.start();

    for (int row = 0; row < COUNTERS; ++row)
        setVerticalHeader(row);
    closeConnection();
    if (info)
        setProperty(*info);
}

MsrCntWidget::~MsrCntWidget()
{
    stopReader();
    // Writes still waiting go out without the window, in order, after the one under way.
    runDetached(gateTarget(), m_gateQueue, m_gate);
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
    resize(1000, 680);
}

// ---------------------------------------------------------------------------------------------
// Configuration

void MsrCntWidget::setProperty(Property& info)
{
    // A new configuration: logs and running counters belong to the old one.
    const bool bWasConnected = m_bConnected;
    stopRunningCounters();
    if (m_bConnected) {
        stopReader();
        closeConnection();
    }
    m_preset = Preset::None;
    m_presetTimer.stop();
    QString plotted[COUNTERS];
    m_presetCounter->clear();
    for (int c = 0; c < 2; ++c)
        m_ratioCounter[c]->clear();
    for (int row = 0; row < COUNTERS; ++row) {
        m_gateMode[row] = info.mode[row];
        m_bStart[row] = false;
        m_startButton[row]->setText(tr("Start"));
        setVerticalHeader(row);
        m_strPath[row] = info.path[row];
        m_strUnit[row] = info.unit[row];
        m_strName[row] = info.name[row];
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
    m_strAddr = info.strAddr;
    m_tcpPort = info.tcpPort;
    m_udpPort = info.udpPort;
    m_timeout = info.timeout;
    if (!m_bConnected && (info.bStart || bWasConnected))
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
    stopReader();
    QString path[COUNTERS], name[COUNTERS], unit[COUNTERS];
    for (int c = 0; c < COUNTERS; ++c) {
        path[c] = m_strPath[c];
        name[c] = m_strName[c];
        unit[c] = m_strUnit[c];
    }
    QOstrumThread* reader = nullptr;
    try {
        reader = new QOstrumThread(path, name, unit, m_strAddr, m_tcpPort, m_udpPort, this, false);
    } catch (const QString& text) {
        if (!continueWithoutLog(text)) {
            m_preset = Preset::None;
            return;
        }
        reader = new QOstrumThread(path, name, unit, m_strAddr, m_tcpPort, m_udpPort, this, true);
        logEvent(text);
    }
    for (const QString& notice : reader->notices())
        logEvent(notice);
    reader->setReportInterval(REPORT_MS);
    if (m_preset == Preset::Count)
        reader->setCountLimit(m_presetCounterIndex, m_presetEvents);
    connect(reader, &QOstrumThread::logStopped, this, &MsrCntWidget::logStopped);
    connect(reader, &QThread::finished, this, [this, reader] { readerFinished(reader); });
    connect(reader, &QThread::finished, reader, &QObject::deleteLater);
    thread = reader;
    for (int c = 0; c < COUNTERS; ++c) {
        m_bLogStopped[c] = false;
        m_logged[c]->setStyleSheet(QString());
        m_logged[c]->setToolTip(reader->fileName(c));
        if (isUsed(c))
            m_logged[c]->setText(reader->fileName(c).isEmpty() ? tr("no log") : QStringLiteral("0"));
    }
    reader->start();
    m_connectButton->setEnabled(false);
    m_stopButton->setEnabled(true);
    // A preset run reconnects afresh, so it may start from a live view; only one runs at a time.
    m_presetButton->setEnabled(m_preset == Preset::None);
    m_statusLabel->setText(tr("Connecting ..."));
    m_bConnected = true;
}

void MsrCntWidget::connected()
{
    for (int row = 0; row < COUNTERS; ++row) {
        for (QLineEdit* field : {m_msrCnt[row], m_update[row], m_number[row], m_integration[row]}) {
            field->setEnabled(true);
            if (isUsed(row))
                field->clear();
        }
        if (isUsed(row) && (m_gateMode[row] & 3) == 0)
            m_startButton[row]->setEnabled(true);
        m_nNumber[row] = 0;
        m_nIntegration[row] = 0;
        m_nEvents[row] = 0;
    }
    m_statusLabel->setText(tr("Waiting for data ..."));
    if (m_preset == Preset::None)
        return;
    for (int row = 0; row < COUNTERS; ++row) {
        if (m_startButton[row]->isEnabled() && !m_bStart[row])
            msrClicked(row);
    }
    if (m_preset == Preset::Seconds)
        m_presetTimer.start(m_presetSeconds * 1000);
}

void MsrCntWidget::updateData(int id, QString text, quint64 count, double sum)
{
    if (id < 0 || id >= COUNTERS)
        return;
    m_statusLabel->setText(tr("Received"));
    m_nNumber[id] += double(count);
    m_nEvents[id] += count;
    m_number[id]->setText(CounterValueFormat::numberText(m_nNumber[id]));
    m_nIntegration[id] += sum;
    m_integration[id]->setText(CounterValueFormat::integrationText(m_nIntegration[id], m_strUnit[id]));
    m_msrCnt[id]->setText(text + QLatin1Char(' ') + m_strUnit[id]);
    m_update[id]->setText(QTime::currentTime().toString(QStringLiteral(" hh:mm:ss ")));
    m_history.add(id, count, m_clock.elapsed());
}

// Stops the reader and waits for it; what it reported on the way out is still shown.
void MsrCntWidget::stopReader()
{
    if (!thread)
        return;
    thread->stop();
    thread->wait();
    showLogged();
    thread = nullptr;
}

void MsrCntWidget::showLogged()
{
    if (!thread)
        return;
    for (int row = 0; row < COUNTERS; ++row) {
        if (isUsed(row) && !thread->fileName(row).isEmpty()) {
            const QString count = QString::number(thread->loggedRecords(row));
            m_logged[row]->setText(m_bLogStopped[row] ? tr("%1 (stopped)").arg(count) : count);
        }
    }
}

void MsrCntWidget::stopUpdate()
{
    if (m_preset != Preset::None)
        return finishPreset(tr("stopped"));
    stopReader();
    m_statusLabel->setText(tr("Connection closed"));
    closeConnection();
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
    if (thread) {
        thread->stop();
        thread->wait();
        thread = nullptr;
    }
    m_statusLabel->setText(QStringLiteral("QAbstractSocket::SocketError %1").arg(int(e)));
    closeConnection();
}

void MsrCntWidget::error(QString text)
{
    m_statusLabel->setText(text);
    logEvent(text);
    if (thread) {
        thread->wait();
        showLogged();
        thread = nullptr;
    }
    if (m_preset != Preset::None) {
        m_preset = Preset::None;
        m_presetTimer.stop();
        stopRunningCounters();
    }
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

void MsrCntWidget::readerFinished(QOstrumThread* reader)
{
    if (reader == thread && reader->countLimitReached())
        finishPreset(tr("%1 has delivered %2 events")
                         .arg(m_msrCntLabel[m_presetCounterIndex]->text())
                         .arg(m_presetEvents));
}

void MsrCntWidget::logStopped(int counter, const QString& text)
{
    m_bLogStopped[counter] = true;
    m_logged[counter]->setStyleSheet(QLatin1String(ALARM_STYLE));
    m_logged[counter]->setToolTip(text);
    logEvent(text);
}

// ---------------------------------------------------------------------------------------------
// Start and stop of the software-gated counters

void MsrCntWidget::msrClicked(int row)
{
    m_bStart[row] = !m_bStart[row];
    m_startButton[row]->setText(m_bStart[row] ? tr("Stop") : tr("Start"));
    queueGate(row, m_bStart[row]);
}

// Writes go out one after another, in the order they were asked for.
void MsrCntWidget::queueGate(int row, bool bStart)
{
    m_gateQueue.append(qMakePair(row, bStart));
    runNextGate();
}

void MsrCntWidget::runNextGate()
{
    if (m_gate || m_gateQueue.isEmpty())
        return;
    const QPair<int, bool> next = m_gateQueue.takeFirst();
    // The operation lives on its own, so that a stop asked for as the window closes still goes out.
    auto* gate = new CounterGateOperation(gateTarget(), next.first, next.second);
    connect(gate, &DeviceOperation::finished, gate, &QObject::deleteLater);
    connect(gate, &DeviceOperation::finished, this, [this, gate] {
        QString text = gate->outcome().message;
        if (!gate->outcome().isDone() && !text.isEmpty())
            onError(&text);
        end(gate->outcome().isDone());
    });
    m_gate = gate;
    gate->start();
}

InfoOstrum MsrCntWidget::gateTarget() const
{
    InfoOstrum target = InfoOstrum::defaults(false);
    target.strAddr = m_strAddr;
    target.tcpPort = m_tcpPort;
    target.udpPort = m_udpPort;
    target.timeout = m_timeout;
    return target;
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

void MsrCntWidget::onError(QString* text)
{
    m_estr = *text;
}

void MsrCntWidget::end(bool ok)
{
    m_gate = nullptr;
    if (!ok && !m_estr.isEmpty()) {
        m_prompts->warning(this, tr("Vextor"), m_estr);
        m_estr.clear();
    }
    runNextGate();
}

void MsrCntWidget::stopRunningCounters()
{
    for (int row = 0; row < COUNTERS; ++row) {
        if (m_bStart[row])
            msrClicked(row);
    }
}
