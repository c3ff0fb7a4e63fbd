#pragma once

#include "operations/monitorSetup.h"

#include <QDialog>
#include <QList>

#include <memory>

class DeviceDialogHost;
class DeviceOperation;
class QGroupBox;
class QLabel;
class QRadioButton;

// Switches the module's user-controlled inputs on and off while it runs: one row per input of the
// last download, ON and OFF, each row a bit of the module's user-control word. The word is read
// when the dialog is (re)configured, and written at every toggle; the buttons are disabled while
// an exchange runs.
class UserControlDialog : public QDialog
{
    Q_OBJECT
public:
    using Property = UserControlSetup;
    static constexpr int NUM_INFO = UserControlSetup::INPUTS;
    static constexpr int ROW_HEIGHT = 40;

    UserControlDialog(const Property& property, DeviceDialogHost& host, QWidget* parent = nullptr);
    ~UserControlDialog() override;

    // Shows the rows of the record and reads the module's word.
    void setProperty(const Property& property);

    QGroupBox* row(int i) const { return m_lstInfo.at(i); }
    QRadioButton* onButton(int i) const { return m_lstON.at(i); }
    QRadioButton* offButton(int i) const { return m_lstOFF.at(i); }
    bool isExchanging() const { return m_operation != nullptr; }

public slots:
    void setCurrent(QByteArray* data);
    void onError(QString* text);
    void end(bool ok);

private:
    InfoOstrum target() const;
    void setFlg(int i, bool on);
    void run(std::unique_ptr<DeviceOperation> operation);
    void finished();
    void setButtonsEnabled(bool bEnabled);

    DeviceDialogHost& m_host;
    std::unique_ptr<DeviceOperation> m_operation;
    QString m_estr;
    QString m_strAddr;
    quint16 m_udpPort = 0;
    int m_timeout = 0;
    bool m_bModified = false; // ready: the buttons show the module's word
    quint16 m_flgs = 0;
    QList<QGroupBox*> m_lstInfo;
    QList<QLabel*> m_lstLabel;
    QList<QRadioButton*> m_lstON;
    QList<QRadioButton*> m_lstOFF;
};
