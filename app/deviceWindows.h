#pragma once

#include "operations/monitorSetup.h"

#include <QObject>
#include <QPointer>

#include <memory>

class DeviceDialogHost;
class DrcDialog;
class MainWindow;
class MsrCntWidget;
class UserControlDialog;

// The windows of the device menus: the design-rule-check report, the counter monitor and the
// user-control dialog (kept open, at most one of each), the records of the last download that
// these two show with the enabling of Counters and User Control, and the modal Ethernet Setting,
// Hardware Setup and About dialogs.
class DeviceWindows : public QObject
{
    Q_OBJECT
public:
    DeviceWindows(MainWindow& window, DeviceDialogHost& host);
    ~DeviceWindows() override;

    // After a download or a synchronisation: the counters and user-controlled inputs of what the
    // module now holds go to the counter monitor and the user-control dialog (opened when Auto
    // Start is on); Counters and User Control are enabled for what there is.
    void showDialog(const CounterMonitorSetup& counters, const UserControlSetup& inputs);
    // false disables Counters and User Control; true enables each that has a record.
    void setDialogEnabled(bool bEnabled);
    // Forgets the last download's records and disables both commands.
    void clearBuffer();

    // The menu commands.
    void counters();
    void userControl();
    void drc();
    void ethernetSetting();
    void hardwareSetup();
    void about();

    // The report of a design rule check that refused a download, in the plain report window.
    void showDrcReport(const QString& report);
    void closeDrcDialog();
    bool isCounterMonitorOpen() const;

    void closedOstrum();
    void closedUserControl();
    void closedDrcDialog();

    const CounterMonitorSetup* counterRecord() const { return m_pInfo.get(); }
    const UserControlSetup* userControlRecord() const { return m_pInputInfo.get(); }
    MsrCntWidget* counterMonitor() const;
    UserControlDialog* userControlDialog() const;
    DrcDialog* drcDialog() const;

private:
    DrcDialog* plainDrcDialog();
    void openUserControl();
    // The counter monitor window: opened with the record, or given it when open.
    void openCounterMonitor(const CounterMonitorSetup& record);
    void configureCounterMonitor(const CounterMonitorSetup& record);
    void closeCounterMonitor();

    MainWindow& m_window;
    DeviceDialogHost& m_host;
    std::unique_ptr<CounterMonitorSetup> m_pInfo;
    std::unique_ptr<UserControlSetup> m_pInputInfo;
    QPointer<MsrCntWidget> m_pMsrCntWidget;
    QPointer<UserControlDialog> m_pUserControlDialog;
    QPointer<DrcDialog> m_pDrcDialog;
};
