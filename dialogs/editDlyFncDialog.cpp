#include "dialogs/editDlyFncDialog.h"

#include "model/blockItem.h"
#include "model/timeUnits.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

EditDlyFncDialog::EditDlyFncDialog(BlockItem* fnc, EditHost* host, QWidget* parent)
    : EditDialog(host, parent)
    , m_nameField(new NameField(fnc, this))
    , m_delayEdit(new QLineEdit(this))
    , m_unitComboBox(new QComboBox(this))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
    , m_pFnc(fnc)
{
    setWindowTitle(fnc->getUserName());
    m_delayEdit->setObjectName(QStringLiteral("delayEdit"));
    m_unitComboBox->setObjectName(QStringLiteral("unitComboBox"));
    for (const TimeUnit& unit : TimeUnits::delayUnits())
        m_unitComboBox->addItem(unit.text);
    auto* row = new QHBoxLayout;
    row->addWidget(m_delayEdit);
    row->addWidget(m_unitComboBox);
    auto* form = new QFormLayout;
    auto* delayLabel = new QLabel(tr("&Delay:"), this);
    delayLabel->setBuddy(m_delayEdit);
    form->addRow(delayLabel, row);
    m_nameField->addTo(form);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Please enter a delay time\nbetween 0 and 32.767us (step: 1ns)"), this));
    layout->addLayout(form);
    layout->addWidget(m_buttonBox);

    const QString property = fnc->getProperty();
    QString value;
    if (property.startsWith(QLatin1String("Delay=")))
        value = property.mid(property.indexOf(QLatin1Char('=')) + 1);
    int at = 0;
    if (const TimeUnit* unit = TimeUnits::delayUnitIn(value, &at)) {
        m_delayEdit->setText(value.remove(at, unit->text.size()));
        m_scale = int(unit->nanoseconds);
        m_unitComboBox->setCurrentText(unit->text);
    } else {
        m_delayEdit->setText(toText(value.toInt()));
    }
    connect(m_unitComboBox, &QComboBox::currentTextChanged, this, &EditDlyFncDialog::changeUnit);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &EditDlyFncDialog::okClicked);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_strOpened = state();
}

QString EditDlyFncDialog::state() const
{
    return m_delayEdit->text() + QLatin1Char('|') + m_unitComboBox->currentText();
}

void EditDlyFncDialog::changeUnit(const QString& unit)
{
    if (const TimeUnit* known = TimeUnits::delayUnit(unit))
        convertUnit(m_delayEdit, m_scale, int(known->nanoseconds));
}

void EditDlyFncDialog::okClicked()
{
    if (!m_nameField->acceptable())
        return;
    if (state() == m_strOpened) {
        // The stored setting stays as it is.
        if (m_nameField->store())
            reportChanged(m_pFnc);
        accept();
        return;
    }
    bool ok = false;
    const QString typed = m_delayEdit->text();
    const double v = typed.toDouble(&ok);
    const double ns = v * m_scale;
    // A value in "us" is a binary fraction: allow for its last digit.
    if (!ok || v < 0 || ns - ns * 1e-12 > MAX_VALUE) {
        warn(tr("Invalid Setting"), tr("Please set a delay time between 0 and 32.767us (step: 1ns)"));
        m_delayEdit->setText(ok && ns > MAX_VALUE ? toText(double(MAX_VALUE) / m_scale)
                                                  : QStringLiteral("0"));
        return;
    }
    const double rounded = round(ns) / m_scale;
    if (v != 0 && toText(rounded) != toText(v)) {
        warn(tr("Invalid Setting"),
             tr("Because it is necessary to set Delay time by a unit for %1ns,\n").arg(1) +
                 tr(" \"%1\" is rounded off and becomes \"%2\"").arg(typed, QString::number(rounded)));
        m_delayEdit->setText(toText(rounded));
        return;
    }
    const QString property = QStringLiteral("Delay=%1").arg(toText(v) + m_unitComboBox->currentText());
    const bool bChanged = property != m_pFnc->getProperty();
    m_pFnc->setPropertyString(property);
    if (m_nameField->store() || bChanged)
        reportChanged(m_pFnc);
    accept();
}
