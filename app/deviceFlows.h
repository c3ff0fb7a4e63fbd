#pragma once

#include "app/deviceWindows.h"
#include "app/moduleStatusBar.h"
#include "device/qUdpThread.h"
#include "dialogs/deviceDialogHost.h"
#include "operations/operationPrompts.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <optional>

class DeviceOperation;
class Document;
class MainWindow;
class QProgressDialog;

// The device commands of the main window, each a chain over the operations layer: the window
// asks (the flows answer the operations' questions with message boxes and the ROM, write-protect
// and design-rule dialogs), shows progress (a modal progress dialog whose Cancel stops the
// operation) and shows the outcome. Each operation works on a snapshot of the document, so that
// nothing the user does meanwhile reaches a worker. One chain runs at a time; the commands that
// start one are disabled meanwhile.
class DeviceFlows : public QObject, private OperationPrompts, public DeviceDialogHost
{
    Q_OBJECT
public:
    explicit DeviceFlows(MainWindow& window);
    ~DeviceFlows() override;

    DeviceWindows& windows() { return *m_windows; }
    const ModuleStatusBar& statusBar() const { return m_statusBar; }
    QProgressDialog* progressDialog() const;
    bool isRunning() const { return m_operation != nullptr; }
    // Pause between two polls of a running ROM command (short in tests).
    void setRomPollInterval(int ms) { m_romPollMs = ms; }

    void download();
    void verify();
    void romCommand(RomCommand command);
    void writeProtect();
    void initializeRom();
    void sync();
    // The version dialog; an FPGA version it reads shows in the status bar.
    void about();

    // Another document is shown: nothing of the last download applies to it.
    void clearBuffer();
    // The status bar for the document and its connection settings as they are now.
    void refreshStatus();

    // DeviceDialogHost
    Prompts& prompts() override;
    InfoOstrum& infoOstrum() override;
    void setModified() override;
    bool isModified() const override;
    bool save() override;
    void setROMinfo(QByteArray& comment, char bootPage, quint32 page) override;
    void setProtect(bool current, bool boot) override;
    void setDialogEnabled(bool bEnabled) override;
    void closedUserControl() override;

signals:
    // A chain has ended and its outcome has been shown.
    void finished();

private:
    using Completion = std::function<void(const OperationOutcome&)>;

    // OperationPrompts
    bool continueAfterWarnings(const QString& report) override;
    bool confirm(Question question) override;
    bool chooseRomSlot(RomCommand command, const ModuleStatus& status, RomChoice& choice) override;
    bool chooseProtection(const Protection& now, Protection& wanted) override;
    bool releaseModule() override;

    // The flows as the operations see them.
    OperationPrompts& asker() { return *this; }
    void run(std::unique_ptr<DeviceOperation> operation, Completion completion);
    void operationFinished();
    void setCommandsEnabled(bool bEnabled);
    void setProgress(const QString& label, int maximum, int value);
    void closeProgress();
    // Asks before writing to another module than the one the last download went to.
    bool confirmTarget();
    void takeSnapshot();
    QString targetKey() const;

    // Completions.
    void downloadStopped(const OperationOutcome& outcome);
    void verifyStopped(const OperationOutcome& outcome);
    void moduleDiffers();
    void end(const OperationOutcome& outcome);
    void endInitialize(const OperationOutcome& outcome);
    void execSync(const OperationOutcome& outcome);
    // A document read back from the module (ROM restore, sync) becomes the one shown; the module
    // runs its registers unless bModuleDiffers.
    void setXml(const QByteArray& data, const QString& name, bool bModuleDiffers);
    // The outcome's text, if any, in a warning box.
    void showMessage(const OperationOutcome& outcome);

    MainWindow& m_window;
    std::unique_ptr<DeviceWindows> m_windows;
    ModuleStatusBar m_statusBar;
    std::unique_ptr<DeviceOperation> m_operation;
    std::unique_ptr<Document> m_snapshot;
    Completion m_completion;
    QPointer<QProgressDialog> m_bar;
    RomCommand m_typeRomExec = RomCommand::Save;
    std::optional<RomChoice> m_romChoice;
    std::optional<Protection> m_protection;
    bool m_bContinue = false;
    QString m_lastDownloadTarget; // while a download is the last thing done: where it went
    int m_romPollMs = QUdpThread::ROM_POLL_MS;
};
