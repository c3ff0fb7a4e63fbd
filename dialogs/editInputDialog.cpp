#include "dialogs/editInputDialog.h"

#include "dialogs/counterFields.h"
#include "model/blockCaption.h"
#include "model/blockDiagram.h"
#include "model/blockKinds.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>

namespace {
// The smallest true and false widths of the oscillator, as for the counter oscillator modes.
const CounterFields::Limits OSCILLATOR_LIMITS{5, 6};

QString flag(bool on)
{
    return on ? QStringLiteral("true ") : QStringLiteral("false ");
}
} // namespace

quint16 EditInputDialog::vth(double volts)
{
    return quint16((volts + 2.5) / 5.0 * 4095.0 + 0.5);
}

QString EditInputDialog::vthText(quint16 value)
{
    return QString::number(thresholdVolts(value), 'g', 6);
}

EditInputDialog::EditInputDialog(BlockItem* item, EditHost* host, QWidget* parent)
    : EditDialog(host, parent)
    , m_pItem(item)
{
    buildForm();
    setWindowTitle(item->getUserName());
    m_strName = item->getName();
    m_userName = item->getUserName();
    QStringList ports{m_strName};
    m_pHost->diagram()->getFreeList(channelFamily(item->getType()), ports, m_pHost->sheetId());
    m_comboBox->addItems(ports);
    m_lineEdit->setText(m_userName);
    if (isOutput())
        openOutput();
    else
        openInput();
    connect(m_comboBox, &QComboBox::currentTextChanged, this,
            &EditInputDialog::on_comboBox_currentIndexChanged);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &EditInputDialog::on_buttonBox_accepted);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void EditInputDialog::buildForm()
{
    m_comboBox = new QComboBox(this);
    m_lineEdit = new QLineEdit(this);
    m_userControl = new QCheckBox(tr("&User Control"), this);
    m_input = new QGroupBox(this);
    m_nim = new QRadioButton(tr("&NIM"), m_input);
    m_ttl = new QRadioButton(tr("&LVTTL"), m_input);
    m_user = new QRadioButton(tr("&User\nspecified"), m_input);
    m_property = new QGroupBox(m_input);
    m_high = new QRadioButton(tr("Active &High"), m_property);
    m_low = new QRadioButton(tr("Active &Low"), m_property);
    m_vthEdit = new QLineEdit(QStringLiteral("-0.4"), m_property);
    m_output = new QGroupBox(this);
    m_nimOut = new QCheckBox(tr("NIM"), m_output);
    m_ttlOut = new QCheckBox(tr("TTL"), m_output);
    m_oscillator = new QGroupBox(this);
    m_fields = new CounterFields(this);
    m_buttonBox = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

    auto* form = new QFormLayout;
    form->addRow(tr("&Port:"), m_comboBox);
    form->addRow(tr("&Name:"), m_lineEdit);
    auto* vthRow = new QHBoxLayout;
    auto* vthLabel = new QLabel(tr("&Vth:"), m_property);
    vthLabel->setBuddy(m_vthEdit);
    vthRow->addWidget(vthLabel);
    vthRow->addWidget(m_vthEdit);
    vthRow->addWidget(new QLabel(QStringLiteral("V"), m_property));
    auto* property = new QVBoxLayout(m_property);
    property->addWidget(m_high);
    property->addWidget(m_low);
    property->addLayout(vthRow);
    auto* input = new QHBoxLayout(m_input);
    auto* standards = new QVBoxLayout;
    standards->addWidget(m_nim);
    standards->addWidget(m_ttl);
    standards->addWidget(m_user);
    input->addLayout(standards);
    input->addWidget(m_property);
    auto* output = new QHBoxLayout(m_output);
    output->addWidget(m_nimOut);
    output->addWidget(m_ttlOut);
    auto* oscillator = new QVBoxLayout(m_oscillator);
    oscillator->addWidget(m_fields);
    m_fields->setLabels(tr("&True Width"), tr("&False Width"));
    m_fields->radioButtonPulseWidth->setObjectName(QStringLiteral("pulseWidth"));
    m_fields->radioButtonFrequency->setObjectName(QStringLiteral("frequency"));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_userControl);
    layout->addWidget(m_input);
    layout->addWidget(m_output);
    layout->addWidget(m_oscillator);
    layout->addWidget(m_buttonBox);

    m_oscillator->hide();
    m_property->setEnabled(false);
    connect(m_nim, &QRadioButton::toggled, this, &EditInputDialog::on_nim_toggled);
    connect(m_ttl, &QRadioButton::toggled, this, &EditInputDialog::on_ttl_toggled);
    connect(m_user, &QRadioButton::toggled, this, &EditInputDialog::on_user_toggled);
    connect(m_userControl, &QCheckBox::toggled, this, &EditInputDialog::on_userControl_toggled);
    m_nim->setChecked(true);
}

bool EditInputDialog::isOutput() const
{
    return ::isOutput(m_pItem);
}

void EditInputDialog::openOutput()
{
    m_input->hide();
    m_userControl->hide();
    auto* out = static_cast<NIMOut*>(m_pItem);
    out->getOutputProperty(m_bNIM, m_bTTL);
    m_nimOut->setChecked(m_bNIM);
    m_ttlOut->setChecked(m_bTTL);
}

void EditInputDialog::openInput()
{
    auto* input = static_cast<NIM_IN*>(m_pItem);
    m_output->hide();
    m_bUserControl = input->bUserControl();
    if (m_strName == ChannelNames::USER_INPUT && !m_bUserControl) {
        QString main, sub, disp;
        input->getMainCntStr(main);
        input->getSubCntStr(sub);
        input->getDisp(disp);
        m_fields->showStored(main, sub, disp);
        m_userControl->setChecked(false);
    } else {
        m_fields->mainLineEdit->setText(QStringLiteral("0"));
        m_fields->subLineEdit->setText(QStringLiteral("1"));
        input->getInputProperty(m_bUser, m_bHigh, m_vth);
        if (m_bUserControl) {
            m_userControl->setChecked(true);
        } else if (m_bUser) {
            m_user->setChecked(true);
            (m_bHigh ? m_high : m_low)->setChecked(true);
            setVth(m_vth);
        } else if (m_bHigh) {
            m_ttl->setChecked(true);
        }
    }
    showPortGroups(m_strName);
    m_strOscillatorOpened = m_fields->state();
    m_strVthOpened = m_vthEdit->text();
}

void EditInputDialog::setVth(quint16 value)
{
    m_vthEdit->setText(vthText(value));
}

void EditInputDialog::on_nim_toggled(bool on)
{
    if (!on)
        return;
    m_property->setEnabled(false);
    m_low->setChecked(true);
    m_vthEdit->setText(QStringLiteral("-0.4"));
}

void EditInputDialog::on_ttl_toggled(bool on)
{
    if (!on)
        return;
    m_property->setEnabled(false);
    m_high->setChecked(true);
    m_vthEdit->setText(QStringLiteral("1.4"));
}

void EditInputDialog::on_user_toggled(bool on)
{
    if (on)
        m_property->setEnabled(true);
}

void EditInputDialog::on_userControl_toggled(bool on)
{
    m_input->setEnabled(!on);
    m_oscillator->setEnabled(!on);
}

void EditInputDialog::showPortGroups(const QString& port)
{
    const bool option = port == ChannelNames::OPTION_INPUT;
    const bool user = port == ChannelNames::USER_INPUT;
    // IN-OPT is always under user control.
    if (option)
        m_userControl->setChecked(true);
    m_userControl->setEnabled(!option);
    m_oscillator->setVisible(user);
    m_input->setVisible(!user);
}

void EditInputDialog::on_comboBox_currentIndexChanged(const QString& port)
{
    if (isOutput()) {
        if (m_lineEdit->text().startsWith(ChannelNames::OUTPUT.prefix)) {
            m_userName = port;
            m_lineEdit->setText(port);
        }
        return;
    }
    if (port != m_strName) {
        m_strName = m_userName = port;
        if (const NIM_IN* other = m_pHost->diagram()->searchNIM_IN(port, -1))
            m_userName = other->getUserName();
        m_lineEdit->setText(m_userName);
    }
    showPortGroups(port);
}

bool EditInputDialog::oscillatorActive() const
{
    return !m_oscillator->isHidden() && m_oscillator->isEnabled();
}

bool EditInputDialog::setName(const QString& name)
{
    const QString refused = m_pHost->diagram()->userNameRefusal(m_pItem, name);
    if (!refused.isEmpty()) {
        m_pHost->message(this, QMessageBox::Warning, m_pItem->getUserName(), refused);
        return false;
    }
    m_pItem->setUserName(name);
    return true;
}

bool EditInputDialog::checkProperty(double volts)
{
    const QString before = m_pItem->getProperty();
    if (isOutput()) {
        if (m_nimOut->isChecked() == m_bNIM && m_ttlOut->isChecked() == m_bTTL)
            return false;
        m_pItem->setPropertyString(QStringLiteral("bNIM=") + flag(m_nimOut->isChecked()) +
                                   QStringLiteral("bTTL=") + flag(m_ttlOut->isChecked()));
        return m_pItem->getProperty() != before;
    }
    auto* input = static_cast<NIM_IN*>(m_pItem);
    if (oscillatorActive()) {
        if (!m_bModified)
            return false;
        input->setCnt(m_strMainCnt, m_strSubCnt, m_strDisp);
        return input->getProperty() != before;
    }
    if (m_userControl->isChecked()) {
        if (m_bUserControl)
            return false;
        input->setUserControl();
        return true;
    }
    const bool user = m_user->isChecked();
    const bool high = m_high->isChecked();
    // The field shows hundredths of a volt, coarser than the stored steps: a threshold left as it was
    // shown keeps its stored value rather than the nearest step to the rounded volts.
    const bool vthAsOpened = !m_bUserControl && m_vthEdit->text() == m_strVthOpened;
    const quint16 value = vthAsOpened ? m_vth : vth(volts);
    if (!m_bUserControl && user == m_bUser && high == m_bHigh && value == m_vth)
        return false;
    input->setPropertyString(QStringLiteral("bUser=") + flag(user) + QStringLiteral("bHigh=") + flag(high) +
                             QStringLiteral("Vth=%1").arg(value));
    return input->getProperty() != before;
}

void EditInputDialog::on_buttonBox_accepted()
{
    double volts = 0;
    if (!isOutput() && !m_userControl->isChecked()) {
        if (oscillatorActive()) {
            // Untouched settings stay as stored; anything else is checked before it is stored.
            const bool touched = m_bUserControl || m_strName != m_pItem->getName() ||
                                 m_fields->state() != m_strOscillatorOpened;
            CounterFields::Counters counters;
            if (touched && !m_fields->accept(OSCILLATOR_LIMITS, counters))
                return;
            m_bModified = touched;
            m_strMainCnt = counters.main;
            m_strSubCnt = counters.sub;
            m_strDisp = counters.disp;
        } else {
            bool ok = false;
            volts = m_vthEdit->text().toDouble(&ok);
            if (!ok || volts < -2.5 || volts > 2.5) {
                m_pHost->message(this, QMessageBox::Warning, m_pItem->getUserName(),
                                 tr("Please set Vth between -2.5V and 2.5V"));
                return;
            }
        }
    }
    const QString port = m_comboBox->currentText();
    const QString name = m_lineEdit->text();
    if (m_comboBox->currentIndex() == 0) {
        if (name == m_pItem->getUserName()) {
            if (checkProperty(volts))
                reportChanged(m_pItem);
            accept();
            return;
        }
        if (!setName(name))
            return;
    } else if (name == m_userName) {
        m_pItem->setUserName(name);
    } else if (!setName(name)) {
        return;
    }
    if (port != m_pItem->getName()) {
        if (isOutput()) {
            m_pItem->setType(port);
            m_pItem->setName(port);
        } else {
            m_pHost->inputMoved(m_pItem, port);
        }
    }
    checkProperty(volts);
    reportChanged(m_pItem);
    accept();
}
