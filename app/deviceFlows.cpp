#include "app/deviceFlows.h"

#include "app/mainwindow.h"
#include "dialogs/drcDialog.h"
#include "dialogs/romDialog.h"
#include "dialogs/writeProtectDialog.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "model/blockDiagram.h"
#include "operations/downloadOperation.h"
#include "operations/moduleOperations.h"
#include "operations/operationTexts.h"
#include "operations/romOperations.h"

#include <QAction>
#include <QProgressDialog>
#include <QStatusBar>
#include <QTextEdit>

namespace {
// The commands that start a chain.
const char* const CHAIN_COMMANDS[] = {"action_Download",
                                      "action_Verify",
                                      "actionSync",
                                      "action_Write_Protect",
                                      "action_Save",
                                      "action_Restore",
                                      "action_Change_Boot_ROM_Page",
                                      "action_Clear_ROM"};

const QString OTHER_TARGET =
    QStringLiteral("The last download went to the module at %1, but the target is now %2.");
} // namespace

DeviceFlows::DeviceFlows(MainWindow& window)
    : m_window(window)
    , m_windows(std::make_unique<DeviceWindows>(window, *this))
    , m_statusBar(window.statusBar())
{}

DeviceFlows::~DeviceFlows()
{
    // A running worker stops and is waited for before the snapshot it reads goes.
    m_operation.reset();
    delete m_bar;
}

QProgressDialog* DeviceFlows::progressDialog() const
{
    return m_bar;
}

// ---------------------------------------------------------------------------------------------
// Running an operation

void DeviceFlows::run(std::unique_ptr<DeviceOperation> operation, Completion completion)
{
    m_operation = std::move(operation);
    m_operation->setRomPollInterval(m_romPollMs);
    m_completion = std::move(completion);
    setCommandsEnabled(false);
    connect(m_operation.get(), &DeviceOperation::progress, this, &DeviceFlows::setProgress);
    connect(m_operation.get(), &DeviceOperation::finished, this, &DeviceFlows::operationFinished);
    m_operation->start();
}

void DeviceFlows::operationFinished()
{
    closeProgress();
    // The operation (and the snapshot it worked on) are still on the call stack that delivered
    // its end.
    DeviceOperation* done = m_operation.release();
    done->deleteLater();
    const OperationOutcome outcome = done->outcome();
    if (!outcome.status.version().isEmpty())
        m_statusBar.setHardware(infoOstrum(), outcome.status.version());
    const Completion completion = std::move(m_completion);
    setCommandsEnabled(true);
    completion(outcome);
    if (!outcome.notice.isEmpty())
        prompts().warning(&m_window, OperationText::TITLE, outcome.notice);
    if (!outcome.confirmation.isEmpty())
        prompts().message(&m_window, QMessageBox::Information, OperationText::TITLE, outcome.confirmation,
                          QMessageBox::Ok, QMessageBox::Ok);
    if (m_snapshot)
        m_snapshot.release()->deleteLater();
    refreshStatus();
    emit finished();
}

void DeviceFlows::setCommandsEnabled(bool bEnabled)
{
    for (const char* name : CHAIN_COMMANDS)
        m_window.action(QLatin1String(name))->setEnabled(bEnabled);
}

void DeviceFlows::setProgress(const QString& label, int maximum, int value)
{
    if (!m_bar) {
        m_bar = new QProgressDialog(label, tr("Cancel"), 0, maximum);
        m_bar->setWindowFlags(m_bar->windowFlags() & ~Qt::WindowContextHelpButtonHint);
        m_bar->setWindowModality(Qt::ApplicationModal);
        m_bar->setAutoClose(false);
        m_bar->setAutoReset(false);
        m_bar->setMinimumDuration(0);
        connect(m_bar, &QProgressDialog::canceled, m_operation.get(), &DeviceOperation::cancel);
        m_bar->show();
    }
    m_bar->setLabelText(label);
    m_bar->setMaximum(maximum);
    m_bar->setValue(value);
}

void DeviceFlows::closeProgress()
{
    if (!m_bar)
        return;
    // setValue() of a modal progress dialog runs the event loop: the dialog may be on the stack.
    m_bar->disconnect();
    m_bar->hide();
    m_bar->deleteLater();
    m_bar = nullptr;
}

void DeviceFlows::takeSnapshot()
{
    m_snapshot = std::make_unique<Document>();
    m_snapshot->parseFile(m_window.document()->toXml());
}

QString DeviceFlows::targetKey() const
{
    const InfoOstrum& info = m_window.document()->info();
    return QStringLiteral("%1:%2").arg(info.strAddr).arg(info.udpPort);
}

bool DeviceFlows::confirmTarget()
{
    const QString last = m_lastDownloadTarget;
    if (last.isEmpty() || last == targetKey())
        return true;
    Prompts::Box question;
    question.icon = QMessageBox::Warning;
    question.title = OperationText::TITLE;
    question.text = OTHER_TARGET.arg(last, targetKey());
    question.informative = OperationText::CONTINUE;
    question.buttons = QMessageBox::Yes | QMessageBox::No;
    question.defaultButton = QMessageBox::No;
    if (prompts().ask(&m_window, question) != QMessageBox::Yes)
        return false;
    m_lastDownloadTarget.clear();
    return true;
}

void DeviceFlows::showMessage(const OperationOutcome& outcome)
{
    if (!outcome.message.isEmpty())
        prompts().warning(&m_window, OperationText::TITLE, outcome.message);
}

// ---------------------------------------------------------------------------------------------
// Download and verify

void DeviceFlows::download()
{
    m_window.keys().clearCtrl();
    if (isRunning() || !confirmTarget())
        return;
    takeSnapshot();
    run(std::make_unique<DownloadOperation>(infoOstrum(), *m_snapshot->diagram(), asker()),
        [this](const OperationOutcome& outcome) { downloadStopped(outcome); });
}

void DeviceFlows::downloadStopped(const OperationOutcome& outcome)
{
    if (outcome.verdict == Verdict::DrcErrors)
        return m_windows->showDrcReport(outcome.report);
    showMessage(outcome);
    m_lastDownloadTarget.clear();
    if (outcome.bPartlyWritten)
        m_statusBar.holdsPartly(infoOstrum());
    if (!outcome.isDone())
        return;
    m_lastDownloadTarget = targetKey();
    m_statusBar.holds(infoOstrum(), outcome.moduleImage);
    m_windows->showDialog(outcome.counters, outcome.userControl);
}

void DeviceFlows::verify()
{
    if (isRunning())
        return;
    takeSnapshot();
    run(std::make_unique<VerifyOperation>(infoOstrum(), *m_snapshot->diagram(), asker()),
        [this](const OperationOutcome& outcome) { verifyStopped(outcome); });
}

// A mismatch whose read-back failed: the module holds anything but the snapshot's image.
void DeviceFlows::moduleDiffers()
{
    try {
        m_statusBar.differsFrom(infoOstrum(), RegisterImage::of(*m_snapshot->diagram()));
    } catch (const QString&) {
        m_statusBar.forget(); // a diagram that does not compile matches no module anyway
    }
}

void DeviceFlows::verifyStopped(const OperationOutcome& outcome)
{
    m_lastDownloadTarget.clear();
    if (outcome.verdict == Verdict::Done) {
        m_statusBar.holds(infoOstrum(), outcome.moduleImage);
        prompts().message(&m_window, QMessageBox::Information, OperationText::TITLE, outcome.message,
                          QMessageBox::Ok, QMessageBox::Ok);
        return;
    }
    if (outcome.verdict != Verdict::Mismatch)
        return showMessage(outcome);
    if (outcome.moduleImage.isComplete())
        m_statusBar.holds(infoOstrum(), outcome.moduleImage);
    else
        moduleDiffers();
    QStringList details;
    for (const ImageDifference& difference : outcome.differences)
        details.append(difference.text());
    if (!outcome.detail.isEmpty())
        details.append(outcome.detail);
    Prompts::Box box;
    box.icon = QMessageBox::Warning;
    box.title = OperationText::TITLE;
    box.text = outcome.message;
    box.details = details.join(QLatin1Char('\n'));
    box.defaultButton = QMessageBox::Ok;
    prompts().ask(&m_window, box);
}

// ---------------------------------------------------------------------------------------------
// ROM, protection and synchronisation

void DeviceFlows::romCommand(RomCommand command)
{
    if (isRunning() || !confirmTarget())
        return;
    m_typeRomExec = command;
    Document* document = nullptr;
    if (command == RomCommand::Save) {
        takeSnapshot();
        document = m_snapshot.get();
    }
    m_lastDownloadTarget.clear();
    run(std::make_unique<RomOperation>(infoOstrum(), command, asker(), document),
        [this](const OperationOutcome& outcome) { end(outcome); });
}

void DeviceFlows::end(const OperationOutcome& outcome)
{
    const bool bRestore = m_typeRomExec == RomCommand::Restore;
    if (outcome.verdict == Verdict::Done && bRestore)
        return setXml(outcome.document, outcome.documentName, outcome.bDocumentDiffers);
    // The slot's registers are loaded, but no document tells what they are.
    if (bRestore && (outcome.verdict == Verdict::NoData || outcome.verdict == Verdict::DamagedSlot))
        m_statusBar.forget();
    showMessage(outcome);
    if (outcome.verdict == Verdict::NoData)
        m_window.newDiagram();
}

void DeviceFlows::writeProtect()
{
    if (isRunning() || !confirmTarget())
        return;
    m_lastDownloadTarget.clear();
    run(std::make_unique<ProtectOperation>(infoOstrum(), asker()),
        [this](const OperationOutcome& outcome) { showMessage(outcome); });
}

void DeviceFlows::initializeRom()
{
    if (isRunning() || !confirmTarget())
        return;
    m_lastDownloadTarget.clear();
    run(std::make_unique<RomInitOperation>(infoOstrum(), asker()),
        [this](const OperationOutcome& outcome) { endInitialize(outcome); });
}

void DeviceFlows::endInitialize(const OperationOutcome& outcome)
{
    if (ProgramWidget* sheet = m_window.programWidget(m_window.currentTab()))
        sheet->update();
    // Every slot was stored from the registers of an empty diagram, which the module now holds.
    if (outcome.isDone()) {
        BlockDiagram empty;
        m_statusBar.holds(infoOstrum(), RegisterImage::of(empty));
    }
    showMessage(outcome);
}

void DeviceFlows::sync()
{
    if (isRunning() || m_window.checkModified() == QMessageBox::Cancel)
        return;
    m_typeRomExec = RomCommand::Restore;
    m_lastDownloadTarget.clear();
    run(std::make_unique<SyncOperation>(infoOstrum()),
        [this](const OperationOutcome& outcome) { execSync(outcome); });
}

void DeviceFlows::execSync(const OperationOutcome& outcome)
{
    if (outcome.isDone() || outcome.verdict == Verdict::RegistersDiffer)
        setXml(outcome.document, outcome.documentName, outcome.bDocumentDiffers);
    if (outcome.isDone())
        return;
    showMessage(outcome);
    if (outcome.verdict == Verdict::NoData)
        m_window.newDiagram();
}

void DeviceFlows::setXml(const QByteArray& data, const QString& name, bool bModuleDiffers)
{
    QByteArray first = data;
    m_window.display(first, name, false);
    // The document is bound to no file: a later Save asks for a name.
    m_window.session().setFileName(QString());
    BlockDiagram& diagram = *m_window.blockDiagram();
    try {
        const RegisterImage image = RegisterImage::of(diagram);
        if (bModuleDiffers)
            m_statusBar.differsFrom(infoOstrum(), image);
        else
            m_statusBar.holds(infoOstrum(), image);
    } catch (const QString&) {
        m_statusBar.forget();
    }
    m_windows->showDialog(CounterMonitorSetup::fromDiagram(diagram, infoOstrum()),
                          UserControlSetup::fromDiagram(diagram, infoOstrum()));
}

void DeviceFlows::about()
{
    const QString before = infoOstrum().strFPGA;
    m_windows->about();
    if (infoOstrum().strFPGA != before) {
        m_statusBar.setHardware(infoOstrum(), QByteArray::fromHex(infoOstrum().strFPGA.toLatin1()));
        refreshStatus();
    }
}

// ---------------------------------------------------------------------------------------------
// The operations' questions

bool DeviceFlows::continueAfterWarnings(const QString& report)
{
    m_windows->closeDrcDialog();
    DrcDialog dialog(true, &m_window);
    dialog.getEdit()->setPlainText(report);
    m_bContinue = false;
    connect(&dialog, &DrcDialog::drcClosed, this, [this](bool bContinue) { m_bContinue = bContinue; });
    connect(&dialog, &DrcDialog::lineChosen, &m_window, &MainWindow::showDrcLine);
    prompts().exec(dialog);
    return m_bContinue;
}

bool DeviceFlows::confirm(Question question)
{
    const QuestionBox form = QuestionBox::of(question);
    Prompts::Box box;
    box.icon = form.bWarning ? QMessageBox::Warning : QMessageBox::NoIcon;
    box.title = form.title;
    box.text = form.text;
    box.informative = form.informative;
    const QMessageBox::StandardButton no = form.bYesNo ? QMessageBox::No : QMessageBox::Cancel;
    box.buttons = QMessageBox::Yes | no;
    box.defaultButton = form.bDefaultYes ? QMessageBox::Yes : no;
    return prompts().ask(&m_window, box) == QMessageBox::Yes;
}

bool DeviceFlows::chooseRomSlot(RomCommand command, const ModuleStatus& status, RomChoice& choice)
{
    m_romChoice.reset();
    RomDialog dialog(m_window.fileName(), status.romInformation(), command, *this, &m_window);
    prompts().exec(dialog);
    if (!m_romChoice)
        return false;
    choice = *m_romChoice;
    return true;
}

void DeviceFlows::setROMinfo(QByteArray& comment, char bootPage, quint32 page)
{
    m_romChoice = RomChoice{int(page), comment, int(static_cast<signed char>(bootPage))};
}

bool DeviceFlows::chooseProtection(const Protection& now, Protection& wanted)
{
    m_protection.reset();
    WriteProtectDialog dialog(now.current, now.boot, *this, &m_window);
    prompts().exec(dialog);
    if (!m_protection)
        return false;
    wanted = *m_protection;
    return true;
}

void DeviceFlows::setProtect(bool current, bool boot)
{
    m_protection = Protection{current, boot};
}

bool DeviceFlows::releaseModule()
{
    setDialogEnabled(false);
    if (!m_windows->isCounterMonitorOpen())
        return false;
    emit m_window.closeOstrum();
    return true;
}

// ---------------------------------------------------------------------------------------------
// The window's state

void DeviceFlows::clearBuffer()
{
    m_windows->clearBuffer();
    m_statusBar.forget();
}

void DeviceFlows::refreshStatus()
{
    m_statusBar.show(infoOstrum(), *m_window.blockDiagram());
}

Prompts& DeviceFlows::prompts()
{
    return m_window.prompts();
}

InfoOstrum& DeviceFlows::infoOstrum()
{
    return m_window.document()->info();
}

// A dialog has changed the connection settings: the scope records the change as one step.
void DeviceFlows::setModified()
{
    const DocumentSession::Edit step = m_window.session().edit();
}

bool DeviceFlows::isModified() const
{
    return m_window.session().isModified();
}

bool DeviceFlows::save()
{
    return m_window.save();
}

void DeviceFlows::setDialogEnabled(bool bEnabled)
{
    m_windows->setDialogEnabled(bEnabled);
}

void DeviceFlows::closedUserControl()
{
    m_windows->closedUserControl();
}
