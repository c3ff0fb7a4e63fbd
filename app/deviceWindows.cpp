#include "app/deviceWindows.h"

#include "app/mainwindow.h"
#include "dialogs/deviceDialogHost.h"
#include "dialogs/drcDialog.h"
#include "dialogs/msrCntWidget.h"
#include "dialogs/netSetupDialog.h"
#include "dialogs/propertyDialog.h"
#include "dialogs/userControlDialog.h"
#include "dialogs/versionDialog.h"
#include "io/document.h"
#include "operations/operationTexts.h"

#include <QTextEdit>

DeviceWindows::DeviceWindows(MainWindow& window, DeviceDialogHost& host)
    : m_window(window)
    , m_host(host)
{}

DeviceWindows::~DeviceWindows()
{
    // The kept-open windows call back into the flows; they go first.
    delete m_pMsrCntWidget;
    delete m_pUserControlDialog;
    delete m_pDrcDialog;
}

bool DeviceWindows::isCounterMonitorOpen() const
{
    return m_pMsrCntWidget != nullptr;
}

MsrCntWidget* DeviceWindows::counterMonitor() const
{
    return m_pMsrCntWidget;
}

UserControlDialog* DeviceWindows::userControlDialog() const
{
    return m_pUserControlDialog;
}

DrcDialog* DeviceWindows::drcDialog() const
{
    return m_pDrcDialog;
}

// ---------------------------------------------------------------------------------------------
// The last download's records

void DeviceWindows::showDialog(const CounterMonitorSetup& counters, const UserControlSetup& inputs)
{
    const bool bStart = m_host.infoOstrum().bStart;
    m_pInfo = std::make_unique<CounterMonitorSetup>(counters);
    if (m_pInfo->hasCounters()) {
        if (isCounterMonitorOpen())
            configureCounterMonitor(*m_pInfo);
        else if (bStart)
            openCounterMonitor(*m_pInfo);
    } else {
        closeCounterMonitor();
        m_pInfo.reset();
    }
    // The current state of the history is what the module holds.
    m_window.session().markSent();

    m_pInputInfo = std::make_unique<UserControlSetup>(inputs);
    if (m_pInputInfo->count >= 1) {
        if (m_pUserControlDialog)
            m_pUserControlDialog->setProperty(*m_pInputInfo);
        else if (bStart)
            openUserControl();
    } else {
        if (m_pUserControlDialog)
            m_pUserControlDialog->close();
        m_pInputInfo.reset();
    }
    setDialogEnabled(true);
}

void DeviceWindows::setDialogEnabled(bool bEnabled)
{
    m_window.actions().setDialogEnabled(bEnabled && m_pInfo, bEnabled && m_pInputInfo);
}

void DeviceWindows::clearBuffer()
{
    m_pInfo.reset();
    m_pInputInfo.reset();
    setDialogEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// Counters and User Control

void DeviceWindows::counters()
{
    const CounterMonitorSetup record =
        CounterMonitorSetup::fromDiagram(*m_window.blockDiagram(), m_host.infoOstrum());
    if (!m_pInfo || !m_pInfo->sameModes(record)) {
        if (!record.hasCounters()) {
            m_host.prompts().warning(&m_window, OperationText::TITLE, OperationText::NO_MSRCNT);
            return;
        }
        Prompts::Box question;
        question.icon = QMessageBox::Warning;
        question.text = OperationText::COUNTERS_DIFFER;
        question.informative = OperationText::CONTINUE;
        question.buttons = QMessageBox::Yes | QMessageBox::Cancel;
        question.defaultButton = QMessageBox::Yes;
        if (m_host.prompts().ask(&m_window, question) != QMessageBox::Yes)
            return;
    }
    if (isCounterMonitorOpen())
        m_pMsrCntWidget->raise();
    else
        openCounterMonitor(record);
}

// The monitor stops its stream on the window's closeOstrum() and reports its closing to the
// window's closedOstrum(); it deletes itself when closed.
void DeviceWindows::openCounterMonitor(const CounterMonitorSetup& record)
{
    CounterMonitorSetup setup = record;
    m_pMsrCntWidget = new MsrCntWidget(&setup, &m_window);
    m_pMsrCntWidget->setPrompts(m_host.prompts());
    m_pMsrCntWidget->show();
}

void DeviceWindows::configureCounterMonitor(const CounterMonitorSetup& record)
{
    CounterMonitorSetup setup = record;
    m_pMsrCntWidget->setProperty(setup);
}

void DeviceWindows::closeCounterMonitor()
{
    if (m_pMsrCntWidget)
        m_pMsrCntWidget->close();
}

void DeviceWindows::closedOstrum()
{
    m_pMsrCntWidget = nullptr;
}

void DeviceWindows::userControl()
{
    if (!m_pInputInfo) {
        m_host.prompts().warning(&m_window, QString(), OperationText::NOT_DOWNLOADED);
        return;
    }
    if (m_pInputInfo->count <= 0)
        return;
    if (m_pUserControlDialog)
        m_pUserControlDialog->raise();
    else
        openUserControl();
}

void DeviceWindows::openUserControl()
{
    m_pUserControlDialog = new UserControlDialog(*m_pInputInfo, m_host, &m_window);
    m_pUserControlDialog->setAttribute(Qt::WA_DeleteOnClose);
    m_pUserControlDialog->show();
}

void DeviceWindows::closedUserControl()
{
    m_pUserControlDialog = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Design rule check

DrcDialog* DeviceWindows::plainDrcDialog()
{
    if (!m_pDrcDialog) {
        m_pDrcDialog = new DrcDialog(false, &m_window);
        m_pDrcDialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_pDrcDialog, &QDialog::finished, this, &DeviceWindows::closedDrcDialog);
        connect(m_pDrcDialog, &DrcDialog::lineChosen, &m_window, &MainWindow::showDrcLine);
    }
    return m_pDrcDialog;
}

void DeviceWindows::drc()
{
    DrcDialog* dialog = plainDrcDialog();
    m_window.blockDiagram()->drc(dialog->getEdit()->document());
    dialog->show();
    dialog->raise();
}

void DeviceWindows::showDrcReport(const QString& report)
{
    DrcDialog* dialog = plainDrcDialog();
    dialog->getEdit()->setPlainText(report);
    dialog->show();
    dialog->raise();
}

void DeviceWindows::closeDrcDialog()
{
    if (m_pDrcDialog)
        m_pDrcDialog->close();
    m_pDrcDialog = nullptr;
}

void DeviceWindows::closedDrcDialog()
{
    m_pDrcDialog = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Modal dialogs

void DeviceWindows::ethernetSetting()
{
    PropertyDialog dialog(m_host, &m_window);
    m_host.prompts().exec(dialog);
}

void DeviceWindows::hardwareSetup()
{
    NetSetupDialog dialog(m_host, &m_window);
    m_host.prompts().exec(dialog);
}

void DeviceWindows::about()
{
    VersionDialog dialog(m_host, &m_window);
    m_host.prompts().exec(dialog);
}
