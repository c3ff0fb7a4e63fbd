#include "dialogs/counterFields.h"

#include "dialogs/editDialog.h"
#include "model/timeUnits.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <cmath>

namespace {
const char* const INVALID_SETTING = "Invalid Setting";

QString plain(QString label)
{
    return label.remove(QLatin1Char('&'));
}

double fieldValue(const QLineEdit* field)
{
    bool ok = false;
    const double value = field->text().toDouble(&ok);
    return ok ? value : std::nan("");
}
} // namespace

CounterFields::CounterFields(EditDialog* owner)
    : QWidget(owner)
    , labelMain(new QLabel(this))
    , labelSub(new QLabel(this))
    , mainLineEdit(new QLineEdit(this))
    , subLineEdit(new QLineEdit(this))
    , mainComboBox(new QComboBox(this))
    , subComboBox(new QComboBox(this))
    , m_comboBoxHz(new QComboBox(this))
    , m_comboBox(new QComboBox(this))
    , m_percentLabel(new QLabel(QStringLiteral("%"), this))
    , radioButtonPulseWidth(new QRadioButton(tr("&Pulse Width"), this))
    , radioButtonFrequency(new QRadioButton(tr("&Frequency"), this))
    , m_owner(owner)
{
    mainLineEdit->setObjectName(QStringLiteral("mainLineEdit"));
    subLineEdit->setObjectName(QStringLiteral("subLineEdit"));
    mainComboBox->setObjectName(QStringLiteral("mainComboBox"));
    subComboBox->setObjectName(QStringLiteral("subComboBox"));
    radioButtonPulseWidth->setObjectName(QStringLiteral("radioButtonPulseWidth"));
    radioButtonFrequency->setObjectName(QStringLiteral("radioButtonFrequency"));
    EditDialog::fillTimeUnits(mainComboBox);
    EditDialog::fillTimeUnits(subComboBox);
    for (const EditDialog::Unit& u : EditDialog::frequencyUnits())
        m_comboBoxHz->addItem(QLatin1String(u.text), QLatin1String(u.text));
    m_comboBox->addItems({m_strHighWidth, m_strDuty});
    m_comboBox->setMaximumWidth(92);
    labelMain->setBuddy(mainLineEdit);
    labelSub->setBuddy(subLineEdit);
    radioButtonPulseWidth->setChecked(true);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->addWidget(labelMain, 0, 0);
    grid->addWidget(mainLineEdit, 0, 1);
    grid->addWidget(mainComboBox, 0, 2);
    grid->addWidget(m_comboBoxHz, 0, 2);
    grid->addWidget(labelSub, 1, 0);
    grid->addWidget(m_comboBox, 1, 0);
    grid->addWidget(subLineEdit, 1, 1);
    grid->addWidget(subComboBox, 1, 2);
    grid->addWidget(m_percentLabel, 1, 2);
    grid->addWidget(radioButtonPulseWidth, 2, 0);
    grid->addWidget(radioButtonFrequency, 2, 1);

    connect(mainComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { changeMainUnit(); });
    connect(subComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { changeSubUnit(); });
    connect(m_comboBoxHz, qOverload<int>(&QComboBox::currentIndexChanged), this,
            [this] { changeFrequencyUnit(); });
    connect(m_comboBox, qOverload<int>(&QComboBox::currentIndexChanged), this, [this] { changeType(); });
    connect(radioButtonFrequency, &QRadioButton::toggled, this, [this](bool on) { showFrequency(on); });
    updateWidgets();
}

void CounterFields::setLabels(const QString& main, const QString& sub)
{
    m_mainLabel = main;
    m_subLabel = sub;
    updateWidgets();
}

void CounterFields::setFrequencyChoice(bool offered)
{
    if (!offered)
        radioButtonPulseWidth->setChecked(true);
    radioButtonPulseWidth->setVisible(offered);
    radioButtonFrequency->setVisible(offered);
}

void CounterFields::setCountMode(bool counts)
{
    if (counts == m_bCounts)
        return;
    // A count is the number of nanoseconds the time it replaces stood for.
    double main = 0, sub = 0;
    widths(main, sub);
    m_bCounts = counts;
    if (counts) {
        mainLineEdit->setText(std::isnan(main) ? mainLineEdit->text() : EditDialog::toText(main));
        subLineEdit->setText(std::isnan(sub) ? subLineEdit->text() : EditDialog::toText(sub));
    } else {
        showWidths(main, sub);
    }
    updateWidgets();
}

void CounterFields::updateWidgets()
{
    const bool duty = dutyShown();
    labelMain->setText(m_bFrequency ? tr("Frequency") : m_mainLabel);
    labelSub->setText(m_subLabel);
    labelSub->setVisible(!m_bFrequency);
    m_comboBox->setVisible(m_bFrequency);
    mainComboBox->setVisible(!m_bCounts && !m_bFrequency);
    m_comboBoxHz->setVisible(m_bFrequency);
    subComboBox->setVisible(!m_bCounts && !duty);
    m_percentLabel->setVisible(duty);
}

bool CounterFields::dutyShown() const
{
    return m_bFrequency && m_comboBox->currentText() == m_strDuty;
}

void CounterFields::changeMainUnit()
{
    const int scale = EditDialog::timeScale(mainComboBox->currentData().toString());
    EditDialog::convertUnit(mainLineEdit, m_mainScale, scale);
}

void CounterFields::changeSubUnit()
{
    const int scale = EditDialog::timeScale(subComboBox->currentData().toString());
    EditDialog::convertUnit(subLineEdit, m_subScale, scale);
}

void CounterFields::changeFrequencyUnit()
{
    const int scale =
        EditDialog::scaleOf(EditDialog::frequencyUnits(), m_comboBoxHz->currentData().toString());
    EditDialog::convertUnit(mainLineEdit, m_scale, scale);
}

void CounterFields::changeType()
{
    // The second quantity switches between true width and duty over the same period; a number
    // the user just typed is meant as the quantity chosen next, as with a unit.
    const double frequency = fieldValue(mainLineEdit) * m_scale / 1000.0;
    const double second = fieldValue(subLineEdit);
    if (frequency > 0 && second >= 0 && !subLineEdit->isModified()) {
        const double period = 1e9 / frequency;
        const bool duty = dutyShown();
        const double main = duty ? second * m_subScale : period * second / 100.0;
        if (duty)
            subLineEdit->setText(EditDialog::toText(100.0 * main / period));
        else
            subLineEdit->setText(EditDialog::toText(main / m_subScale));
    }
    updateWidgets();
}

void CounterFields::showFrequency(bool bFrequency)
{
    if (bFrequency == m_bFrequency)
        return;
    double main = 0, sub = 0;
    const bool ok = widths(main, sub);
    m_bFrequency = bFrequency;
    {
        // The true width of the frequency view, and the false width when going back, take the
        // main field's unit.
        const QSignalBlocker blocker(subComboBox);
        subComboBox->setCurrentIndex(mainComboBox->currentIndex());
        m_subScale = m_mainScale;
    }
    if (bFrequency && ok && main + sub > 0)
        setFrequencyUnitFor(1e9 / (main + sub));
    if (ok)
        showWidths(main, sub);
    updateWidgets();
}

void CounterFields::setFrequencyUnitFor(double hertz)
{
    const int index = hertz >= 1e6 ? 2 : hertz >= 1e3 ? 1 : 0;
    const QSignalBlocker blocker(m_comboBoxHz);
    m_comboBoxHz->setCurrentIndex(index);
    m_scale = EditDialog::frequencyUnits().at(index).scale;
}

bool CounterFields::widths(double& main, double& sub) const
{
    if (m_bCounts) {
        main = fieldValue(mainLineEdit);
        sub = fieldValue(subLineEdit);
    } else if (!m_bFrequency) {
        main = fieldValue(mainLineEdit) * m_mainScale;
        sub = fieldValue(subLineEdit) * m_subScale;
    } else {
        const double frequency = fieldValue(mainLineEdit) * m_scale / 1000.0;
        const double second = fieldValue(subLineEdit);
        if (!(frequency > 0) || std::isnan(second)) {
            main = sub = std::nan("");
            return false;
        }
        const double period = 1e9 / frequency;
        main = dutyShown() ? period * second / 100.0 : second * m_subScale;
        sub = period - main;
    }
    return !std::isnan(main) && !std::isnan(sub);
}

void CounterFields::frequencyOf(double main, double sub, double& frequency, double& second) const
{
    const double period = main + sub;
    frequency = 1e9 / period * 1000.0 / m_scale;
    second = dutyShown() ? 100.0 * main / period : main / m_subScale;
}

void CounterFields::showWidths(double main, double sub)
{
    if (m_bCounts) {
        mainLineEdit->setText(EditDialog::toText(main));
        subLineEdit->setText(EditDialog::toText(sub));
    } else if (!m_bFrequency) {
        if (!std::isnan(main))
            mainLineEdit->setText(EditDialog::toText(main / m_mainScale));
        if (!std::isnan(sub))
            subLineEdit->setText(EditDialog::toText(sub / m_subScale));
    } else if (main + sub > 0) {
        double frequency = 0, second = 0;
        frequencyOf(main, sub, frequency, second);
        mainLineEdit->setText(EditDialog::toText(frequency));
        subLineEdit->setText(EditDialog::toText(second));
    }
}

void CounterFields::showStored(const QString& main, const QString& sub, const QString& disp)
{
    radioButtonPulseWidth->setChecked(true);
    m_owner->setValue(mainLineEdit, mainComboBox, m_mainScale, main);
    m_owner->setValue(subLineEdit, subComboBox, m_subScale, sub);
    if (disp.isEmpty())
        return;
    {
        const QSignalBlocker blocker(m_comboBox);
        m_comboBox->setCurrentText(disp.contains(m_strDuty) ? m_strDuty : m_strHighWidth);
    }
    radioButtonFrequency->setChecked(true);
    const int index = disp.contains(QLatin1String("MHz")) ? 2 : disp.contains(QLatin1String("KHz")) ? 1 : 0;
    if (index != m_comboBoxHz->currentIndex())
        m_comboBoxHz->setCurrentIndex(index);
}

QString CounterFields::state() const
{
    return QStringList{mainLineEdit->text(),          subLineEdit->text(),
                       mainComboBox->currentText(),   subComboBox->currentText(),
                       m_comboBoxHz->currentText(),   m_comboBox->currentText(),
                       QString::number(m_bFrequency), QString::number(m_bCounts)}
        .join(QLatin1Char('|'));
}

void CounterFields::raiseTo(const Limits& limits)
{
    double main = 0, sub = 0;
    widths(main, sub);
    const bool raiseMain = main < limits.mainMin;
    const bool raiseSub = sub < limits.subMin;
    if (m_bFrequency) {
        if (raiseMain || raiseSub)
            showWidths(qMax(main, limits.mainMin), qMax(sub, limits.subMin));
        return;
    }
    const auto raise = [&](QLineEdit* field, QComboBox* box, int& scale, double min) {
        if (m_bCounts)
            field->setText(EditDialog::toText(min));
        else
            m_owner->setValue(field, box, scale, QString::number(min) + TimeUnits::nanoseconds().text);
    };
    if (raiseMain)
        raise(mainLineEdit, mainComboBox, m_mainScale, limits.mainMin);
    if (raiseSub)
        raise(subLineEdit, subComboBox, m_subScale, limits.subMin);
}

bool CounterFields::accept(const Limits& limits, Counters& out)
{
    if (m_bCounts)
        return acceptCounts(out);
    if (m_bFrequency && !checkFrequencyEntry())
        return false;
    double main = 0, sub = 0;
    widths(main, sub);
    if (m_bFrequency) {
        // Widths derived from a frequency are only ever stored whole; the rounding check below
        // tells the user when that changes the frequency or the second quantity.
        main = main > 0 ? EditDialog::round(main) : main;
        sub = sub > 0 ? EditDialog::round(sub) : sub;
    }
    if (!checkRanges(limits, main, sub) || !checkRounding(main, sub))
        return false;
    if (m_bFrequency) {
        out.main = EditDialog::timeText(EditDialog::round(main));
        out.sub = EditDialog::timeText(EditDialog::round(sub));
        out.disp = (dutyShown() ? m_strDuty : QString()) + m_comboBoxHz->currentText();
    } else {
        out.main = EditDialog::toText(fieldValue(mainLineEdit)) + mainComboBox->currentText();
        out.sub = EditDialog::toText(fieldValue(subLineEdit)) + subComboBox->currentText();
        out.disp.clear();
    }
    return true;
}

bool CounterFields::acceptCounts(Counters& out)
{
    for (QLineEdit* field : {mainLineEdit, subLineEdit}) {
        bool ok = false;
        const qulonglong count = field->text().trimmed().toULongLong(&ok);
        if (ok && count >= 2 && count <= qulonglong(MAX_COUNT))
            continue;
        const QString label = plain(field == mainLineEdit ? m_mainLabel : m_subLabel);
        m_owner->warn(tr(INVALID_SETTING), QStringLiteral("\"%1\" must be").arg(label) +
                                               QStringLiteral(" an integer number from %1 to ").arg(2) +
                                               QStringLiteral("4294967295"));
        field->setText(QStringLiteral("2"));
        return false;
    }
    out.main = QString::number(mainLineEdit->text().trimmed().toULongLong());
    out.sub = QString::number(subLineEdit->text().trimmed().toULongLong());
    out.disp.clear();
    return true;
}

bool CounterFields::checkFrequencyEntry()
{
    if (!(fieldValue(mainLineEdit) > 0)) {
        m_owner->warn(tr(INVALID_SETTING), tr("Frequency must be larger than 0."));
        return false;
    }
    const double second = fieldValue(subLineEdit);
    if (!(second > 0)) {
        m_owner->warn(tr(INVALID_SETTING), tr("%1 must be larger than 0.").arg(m_comboBox->currentText()));
        return false;
    }
    if (dutyShown() && second >= 100) {
        m_owner->warn(tr(INVALID_SETTING), tr("Duty must be less than 100%."));
        return false;
    }
    return true;
}

bool CounterFields::checkRanges(const Limits& limits, double& main, double& sub)
{
    const auto refused = [&](bool isMain, double& value, double min) {
        // A field in a larger unit is a binary fraction: allow for its last digit.
        const double slack = std::abs(value) * 1e-12;
        if (!std::isnan(value) && value + slack >= min && value - slack <= MAX_COUNT)
            return false;
        m_owner->warn(QString(), QStringLiteral("\"%1\" must be %2ns - 4.29sec")
                                     .arg(plain(isMain ? m_mainLabel : m_subLabel))
                                     .arg(min));
        value = value > MAX_COUNT ? MAX_COUNT : min;
        correct(isMain, main, sub);
        return true;
    };
    return !refused(false, sub, limits.subMin) && !refused(true, main, limits.mainMin);
}

void CounterFields::correct(bool isMain, double main, double sub)
{
    if (m_bFrequency)
        showWidths(main, sub);
    else if (isMain)
        mainLineEdit->setText(EditDialog::toText(main / m_mainScale));
    else
        subLineEdit->setText(EditDialog::toText(sub / m_subScale));
}

bool CounterFields::checkRounding(double main, double sub)
{
    const double mainRounded = EditDialog::round(main);
    const double subRounded = EditDialog::round(sub);
    double mainShown = 0, subShown = 0; // the rounded values in the fields' units
    if (m_bFrequency) {
        frequencyOf(mainRounded, subRounded, mainShown, subShown);
    } else {
        mainShown = mainRounded / m_mainScale;
        subShown = subRounded / m_subScale;
    }
    const QString mainText = EditDialog::toText(mainShown);
    const QString subText = EditDialog::toText(subShown);
    const bool mainChanged = mainText != EditDialog::toText(fieldValue(mainLineEdit));
    const bool subChanged = subText != EditDialog::toText(fieldValue(subLineEdit));
    if (!mainChanged && !subChanged)
        return true;
    QString text = tr("Because it is necessary to set Counter by a unit for %1ns,\n").arg(1);
    if (mainChanged)
        text += mainLineEdit->text() + tr(" is rounded off and becomes ") + mainText;
    if (mainChanged && subChanged)
        text += tr(",\nand ");
    if (subChanged)
        text += subLineEdit->text() + tr(" is rounded off and becomes ") + subText;
    m_owner->warn(tr(INVALID_SETTING), text);
    mainLineEdit->setText(mainText);
    subLineEdit->setText(subText);
    return false;
}
