#include "dialogs/userControlDialog.h"

#include "dialogs/deviceDialogHost.h"
#include "kit/prompts.h"
#include "operations/moduleOperations.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

UserControlDialog::UserControlDialog(const Property& property, DeviceDialogHost& host, QWidget* parent)
    : QDialog(parent)
    , m_host(host)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("User Control"));
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < NUM_INFO; ++i) {
        auto* box = new QGroupBox;
        box->setObjectName(QStringLiteral("in%1").arg(i));
        auto* label = new QLabel;
        label->setObjectName(QStringLiteral("label%1").arg(i));
        auto* on = new QRadioButton(tr("O&N"));
        on->setObjectName(QStringLiteral("on%1").arg(i));
        auto* off = new QRadioButton(tr("O&FF"));
        off->setObjectName(QStringLiteral("off%1").arg(i));
        auto* row = new QHBoxLayout(box);
        row->addWidget(label, 1);
        row->addWidget(on);
        row->addWidget(off);
        layout->addWidget(box);
        m_lstInfo.append(box);
        m_lstLabel.append(label);
        m_lstON.append(on);
        m_lstOFF.append(off);
        connect(on, &QRadioButton::toggled, this, [this, i](bool checked) { setFlg(i, checked); });
    }
    connect(this, &QDialog::rejected, this, [this] { m_host.closedUserControl(); });
    setProperty(property);
}

UserControlDialog::~UserControlDialog() = default;

void UserControlDialog::setProperty(const Property& property)
{
    for (int i = 0; i < NUM_INFO; ++i) {
        m_lstInfo.at(i)->setVisible(!property.name[i].isEmpty());
        m_lstLabel.at(i)->setText(property.name[i]);
    }
    setButtonsEnabled(false);
    setMaximumHeight(property.count * ROW_HEIGHT);
    m_strAddr = property.strAddr;
    m_udpPort = property.udpPort;
    m_timeout = property.timeout;
    m_bModified = false;
    run(std::make_unique<UserControlOperation>(target(), std::nullopt));
}

InfoOstrum UserControlDialog::target() const
{
    InfoOstrum info;
    info.strAddr = m_strAddr;
    info.udpPort = m_udpPort;
    info.timeout = m_timeout;
    return info;
}

void UserControlDialog::setCurrent(QByteArray* data)
{
    if (data->size() < 2)
        return;
    m_bModified = false;
    m_flgs = quint16((quint8(data->at(0)) << 8) | quint8(data->at(1)));
    for (int i = 0; i < NUM_INFO; ++i) {
        const bool on = (m_flgs >> i) & 1;
        m_lstON.at(i)->setChecked(on);
        m_lstOFF.at(i)->setChecked(!on);
        m_lstON.at(i)->setEnabled(true);
        m_lstOFF.at(i)->setEnabled(true);
    }
    m_bModified = true;
}

void UserControlDialog::setFlg(int i, bool on)
{
    if (!m_bModified)
        return;
    setButtonsEnabled(false);
    if (on)
        m_flgs = quint16(m_flgs | (1u << i));
    else
        m_flgs = quint16(m_flgs & ~(1u << i));
    run(std::make_unique<UserControlOperation>(target(), m_flgs, false));
}

void UserControlDialog::run(std::unique_ptr<DeviceOperation> operation)
{
    // A reconfiguration while a toggle is written waits for nothing: the running exchange is
    // stopped and its outcome dropped.
    m_operation = std::move(operation);
    connect(m_operation.get(), &DeviceOperation::finished, this, &UserControlDialog::finished);
    m_operation->start();
}

void UserControlDialog::finished()
{
    // The operation is still on the call stack that delivered its end.
    DeviceOperation* done = m_operation.release();
    done->deleteLater();
    OperationOutcome outcome = done->outcome();
    if (outcome.isDone() && !outcome.data.isEmpty())
        setCurrent(&outcome.data);
    if (!outcome.isDone())
        onError(&outcome.message);
    end(outcome.isDone());
}

void UserControlDialog::onError(QString* text)
{
    m_estr = *text;
}

void UserControlDialog::end(bool ok)
{
    setButtonsEnabled(true);
    if (ok)
        return;
    if (!m_estr.isEmpty()) {
        m_host.prompts().warning(this, QString(), m_estr);
        m_estr.clear();
    }
    m_host.setDialogEnabled(false);
    close();
}

void UserControlDialog::setButtonsEnabled(bool bEnabled)
{
    for (int i = 0; i < NUM_INFO; ++i) {
        m_lstON.at(i)->setEnabled(bEnabled);
        m_lstOFF.at(i)->setEnabled(bEnabled);
    }
}
