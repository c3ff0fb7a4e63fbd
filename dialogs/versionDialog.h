#pragma once

#include <QDialog>

#include <memory>

class DeviceDialogHost;
class DeviceOperation;
class QLabel;
class QLineEdit;
class QPushButton;

// "Version Information": the software version (from version.txt next to the program) and the
// FPGA version that "&Load" reads from the module, which is also kept in the connection settings.
class VersionDialog : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* BUILT_IN_VERSION = "Software Version 2.0.19";

    explicit VersionDialog(DeviceDialogHost& host, QWidget* parent = nullptr);
    ~VersionDialog() override;

    // The first line of the file that begins with "v", that "v" replaced by "Software Version ";
    // the built-in text when there is none.
    static QString softwareVersion(const QString& fileName);

    QLabel* versionLabel() const { return m_version; }
    QLineEdit* fpgaEdit() const { return m_fpga; }
    QPushButton* loadButton() const { return m_load; }

public slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void setVersion(QByteArray* data);
    void onError(QString* text);
    void end(bool ok);

private:
    DeviceDialogHost& m_host;
    std::unique_ptr<DeviceOperation> m_operation;
    QString m_estr;
    QLabel* m_version;
    QLineEdit* m_fpga;
    QPushButton* m_load;
};
