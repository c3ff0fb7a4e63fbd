#pragma once

#include <QDialog>

class DeviceDialogHost;
class QCheckBox;
class QDialogButtonBox;
class QLineEdit;

// "Ethernet Setting": the connection settings of the open document. OK refuses an address that is
// not four dotted parts of an IPv4 address and a time-out out of the record's range; otherwise it
// stores every field that differs and marks the document modified when one did.
class PropertyDialog : public QDialog
{
    Q_OBJECT
public:
    explicit PropertyDialog(DeviceDialogHost& host, QWidget* parent = nullptr);

    QLineEdit* addressEdit() const { return m_address; }
    QLineEdit* tcpPortEdit() const { return m_tcpPort; }
    QLineEdit* udpPortEdit() const { return m_udpPort; }
    QLineEdit* timeoutEdit() const { return m_timeout; }
    QCheckBox* autoStartBox() const { return m_autoStart; }
    QDialogButtonBox* buttonBox() const { return m_buttonBox; }

public slots:
    void on_buttonBox_accepted();

private:
    DeviceDialogHost& m_host;
    QLineEdit* m_address;
    QLineEdit* m_tcpPort;
    QLineEdit* m_udpPort;
    QLineEdit* m_timeout;
    QCheckBox* m_autoStart;
    QDialogButtonBox* m_buttonBox;
};
