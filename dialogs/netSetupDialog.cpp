#include "dialogs/netSetupDialog.h"

#include "device/netSetup.h"
#include "dialogs/deviceDialogHost.h"
#include "kit/prompts.h"
#include "kit/textViewWidth.h"
#include "operations/moduleOperations.h"
#include "operations/operationTexts.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

NetSetupDialog::NetSetupDialog(DeviceDialogHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
    , m_addr(QLatin1String(FACTORY_ADDRESS))
    , m_udp(QLatin1String(FACTORY_UDP_PORT))
    , m_targetAddr(new QLineEdit)
    , m_targetPort(new QLineEdit)
    , m_newAddr(new QLineEdit)
    , m_newTcp(new QLineEdit)
    , m_newUdp(new QLineEdit)
    , m_information(new QPlainTextEdit)
    , m_default(new QPushButton(tr("&Default")))
    , m_read(new QPushButton(tr("&Read EEPROM")))
    , m_write(new QPushButton(tr("&Write Settings")))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("Hardware Setup"));
    m_default->setObjectName(QStringLiteral("pushButtonDefault"));
    m_read->setObjectName(QStringLiteral("pushButtonRead"));
    m_write->setObjectName(QStringLiteral("pushButtonRenewal"));
    m_information->setReadOnly(true);
    // The twelve lines of the EEPROM's fields, none of them wrapped even with the largest values.
    m_information->setMinimumHeight(13 * m_information->fontMetrics().lineSpacing());
    const QString largest = NetSetup::formatEepromInfo(QByteArray(NetSetup::EEPROM_LEN, char(0xFF)));
    m_information->setMinimumWidth(unwrappedWidth(*m_information, largest));

    const InfoOstrum& info = host.infoOstrum();
    m_targetAddr->setText(info.strAddr);
    m_targetPort->setText(QString::number(info.udpPort));
    m_newAddr->setText(info.strAddr);
    m_newTcp->setText(QString::number(info.tcpPort));
    m_newUdp->setText(QString::number(info.udpPort));

    auto* target = new QGroupBox(tr("Target"));
    auto* targetForm = new QFormLayout(target);
    targetForm->addRow(tr("IP &Address"), m_targetAddr);
    targetForm->addRow(tr("UDP &Port"), m_targetPort);
    targetForm->addRow(m_default);
    auto* settings = new QFormLayout;
    settings->addRow(tr("IP &Address"), m_newAddr);
    settings->addRow(tr("&TCP Port"), m_newTcp);
    settings->addRow(tr("UDP &Port"), m_newUdp);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_read);
    buttons->addWidget(m_write);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(target);
    layout->addLayout(settings);
    layout->addLayout(buttons);
    layout->addWidget(new QLabel(tr("EEPROM Information")));
    layout->addWidget(m_information);
    layout->addWidget(close);

    connect(m_default, &QPushButton::clicked, this, &NetSetupDialog::on_pushButtonDefault_clicked);
    connect(m_read, &QPushButton::clicked, this, &NetSetupDialog::on_pushButtonRead_clicked);
    connect(m_write, &QPushButton::clicked, this, &NetSetupDialog::on_pushButtonRenewal_clicked);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::rejected, this, &NetSetupDialog::closeDialog);
}

NetSetupDialog::~NetSetupDialog() = default;

void NetSetupDialog::on_pushButtonDefault_clicked()
{
    m_targetAddr->setText(m_addr);
    m_targetPort->setText(m_udp);
}

void NetSetupDialog::on_pushButtonRead_clicked()
{
    InfoOstrum target = m_host.infoOstrum();
    target.strAddr = m_targetAddr->text();
    target.udpPort = quint16(m_targetPort->text().toUInt());
    run(std::make_unique<EepromReadOperation>(target), false);
}

void NetSetupDialog::on_pushButtonRenewal_clicked()
{
    NetSetup settings;
    const QString invalid = settings.setNewSettings(m_newAddr->text(), m_newTcp->text(), m_newUdp->text());
    if (!invalid.isEmpty()) {
        m_host.prompts().warning(this, QString(), invalid);
        return;
    }
    m_newAddress = settings.newAddress();
    m_newTcpPort = settings.newTcpPort();
    m_newUdpPort = settings.newUdpPort();
    InfoOstrum target = m_host.infoOstrum();
    target.strAddr = m_targetAddr->text();
    target.udpPort = quint16(m_targetPort->text().toUInt());
    run(std::make_unique<EepromWriteOperation>(target, settings), true);
}

void NetSetupDialog::run(std::unique_ptr<DeviceOperation> operation, bool bWrite)
{
    setEnabled(false);
    m_operation = std::move(operation);
    connect(m_operation.get(), &DeviceOperation::finished, this, [this, bWrite] { finished(bWrite); });
    m_operation->start();
}

// Read: the EEPROM's text, or the access failure. Write: the success or the failure, each in a
// box of its own; success means the new settings are to be taken over on closing.
void NetSetupDialog::finished(bool bWrite)
{
    // The operation is still on the call stack that delivered its end.
    DeviceOperation* done = m_operation.release();
    done->deleteLater();
    const OperationOutcome outcome = done->outcome();
    if (!bWrite && outcome.isDone())
        m_information->setPlainText(outcome.message);
    else
        m_host.prompts().warning(this, OperationText::TITLE, outcome.message);
    if (bWrite && outcome.isDone())
        m_bChange = true;
    setEnabled(true);
}

void NetSetupDialog::setEnabled(bool bEnabled)
{
    for (QWidget* input : std::initializer_list<QWidget*>{m_targetAddr, m_targetPort, m_newAddr, m_newTcp,
                                                          m_newUdp, m_default, m_read, m_write})
        input->setEnabled(bEnabled);
}

void NetSetupDialog::closeDialog()
{
    if (!m_bChange)
        return;
    InfoOstrum& info = m_host.infoOstrum();
    const bool changed =
        info.strAddr != m_newAddress || info.tcpPort != m_newTcpPort || info.udpPort != m_newUdpPort;
    info.strAddr = m_newAddress;
    info.tcpPort = m_newTcpPort;
    info.udpPort = m_newUdpPort;
    m_bChange = false;
    if (changed)
        m_host.setModified();
}
