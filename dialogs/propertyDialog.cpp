#include "dialogs/propertyDialog.h"

#include "device/connectionOptions.h"
#include "dialogs/deviceDialogHost.h"
#include "kit/prompts.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>

PropertyDialog::PropertyDialog(DeviceDialogHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
    , m_address(new QLineEdit)
    , m_tcpPort(new QLineEdit)
    , m_udpPort(new QLineEdit)
    , m_timeout(new QLineEdit)
    , m_autoStart(new QCheckBox(tr("Auto &Start")))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("Ethernet Setting"));
    const InfoOstrum& info = host.infoOstrum();
    m_address->setText(info.strAddr);
    m_tcpPort->setText(QString::number(info.tcpPort));
    m_udpPort->setText(QString::number(info.udpPort));
    m_timeout->setText(QString::number(info.timeout));
    m_autoStart->setChecked(info.bStart);

    auto* timeout = new QHBoxLayout;
    timeout->addWidget(m_timeout);
    timeout->addWidget(new QLabel(tr("sec")));
    auto* form = new QFormLayout(this);
    form->addRow(tr("&IP Address"), m_address);
    form->addRow(tr("TCP &Port"), m_tcpPort);
    form->addRow(tr("&UDP Port"), m_udpPort);
    // A row given as a layout gets no buddy from the form: without one the label shows its "&".
    auto* timeoutLabel = new QLabel(tr("&Timeout"));
    timeoutLabel->setBuddy(m_timeout);
    form->addRow(timeoutLabel, timeout);
    form->addRow(m_autoStart);
    form->addRow(m_buttonBox);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &PropertyDialog::on_buttonBox_accepted);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void PropertyDialog::on_buttonBox_accepted()
{
    const QString address = m_address->text();
    if (!isModuleAddress(address)) {
        m_host.prompts().warning(this, QString(), invalidAddressText(address));
        return;
    }
    // A time-out the link cannot wait for is refused like a bad address. It is checked as a wide
    // number, so that one too long for an int is not taken for text that is no number.
    QString outOfRange;
    if (!InfoOstrum::isTimeoutInRange(m_timeout->text().toLongLong(), &outOfRange)) {
        m_host.prompts().warning(this, QString(), outOfRange);
        return;
    }
    // Numbers as typed; text that is no number counts as 0, ports keep their low 16 bits.
    InfoOstrum wanted = m_host.infoOstrum();
    wanted.strAddr = address;
    wanted.tcpPort = quint16(m_tcpPort->text().toInt());
    wanted.udpPort = quint16(m_udpPort->text().toInt());
    wanted.timeout = m_timeout->text().toInt();
    wanted.bStart = m_autoStart->isChecked();
    if (wanted.differsFrom(m_host.infoOstrum())) {
        m_host.infoOstrum() = wanted;
        m_host.setModified();
    }
    accept();
}
