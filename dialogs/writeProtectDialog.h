#pragma once

#include <QDialog>

class DeviceDialogHost;
class QCheckBox;
class QDialogButtonBox;

// Sets the write protection of the module's current register settings and of the settings it
// applies at boot. OK is enabled only when a box differs from the state the dialog was opened
// with, and hands both states to the host.
class WriteProtectDialog : public QDialog
{
    Q_OBJECT
public:
    WriteProtectDialog(bool currentProtected, bool bootProtected, DeviceDialogHost& host,
                       QWidget* parent = nullptr);

    QCheckBox* currentCheckBox() const { return m_current; }
    QCheckBox* bootCheckBox() const { return m_boot; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }

public slots:
    void on_buttonBox_accepted();

private:
    void updateOk();

    DeviceDialogHost& m_host;
    bool m_bCurrent;
    bool m_bBoot;
    QCheckBox* m_current;
    QCheckBox* m_boot;
    QDialogButtonBox* m_buttonBox;
};
