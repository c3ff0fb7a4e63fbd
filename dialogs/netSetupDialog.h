#pragma once

#include <QDialog>

#include <memory>

class DeviceDialogHost;
class DeviceOperation;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

// "Hardware Setup": reads the network settings kept in the module's EEPROM and writes a new IP
// address, TCP data port and UDP port into it (they take effect when the module reboots). The
// module is reached at the "Target" address and port; written settings become the document's
// connection settings when the dialog closes.
class NetSetupDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* FACTORY_ADDRESS = "192.168.10.16";
    static constexpr const char* FACTORY_UDP_PORT = "4660";

    explicit NetSetupDialog(DeviceDialogHost& host, QWidget* parent = nullptr);
    ~NetSetupDialog() override;

    QLineEdit* targetAddressEdit() const { return m_targetAddr; }
    QLineEdit* targetPortEdit() const { return m_targetPort; }
    QLineEdit* addressEdit() const { return m_newAddr; }
    QLineEdit* tcpPortEdit() const { return m_newTcp; }
    QLineEdit* udpPortEdit() const { return m_newUdp; }
    QPlainTextEdit* informationEdit() const { return m_information; }
    QPushButton* defaultButton() const { return m_default; }
    QPushButton* readButton() const { return m_read; }
    QPushButton* writeButton() const { return m_write; }
    bool isExchanging() const { return m_operation != nullptr; }

public slots:
    void on_pushButtonDefault_clicked();
    void on_pushButtonRead_clicked();
    void on_pushButtonRenewal_clicked();
    void closeDialog();
    void setEnabled(bool bEnabled);

private:
    void run(std::unique_ptr<DeviceOperation> operation, bool bWrite);
    void finished(bool bWrite);

    DeviceDialogHost& m_host;
    std::unique_ptr<DeviceOperation> m_operation;
    QString m_addr;
    QString m_udp;
    bool m_bChange = false;
    QString m_newAddress; // as written
    quint16 m_newTcpPort = 0;
    quint16 m_newUdpPort = 0;

    QLineEdit* m_targetAddr;
    QLineEdit* m_targetPort;
    QLineEdit* m_newAddr;
    QLineEdit* m_newTcp;
    QLineEdit* m_newUdp;
    QPlainTextEdit* m_information;
    QPushButton* m_default;
    QPushButton* m_read;
    QPushButton* m_write;
};
