#include "dialogs/editCntFncDialog.h"

#include "model/blockItem.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

const EditCntFncDialog::ModeInfo& EditCntFncDialog::mode(int m)
{
    static const ModeInfo modes[MODES] = {
        {"0: One-Shot Function(Non-Retriggerable)", 5, 5, "&Pulse Width", "Minimum Idle &Time"},
        {"1: One-Shot Function(Retriggerable)", 5, 5, "&Pulse Width", "Minimum Idle &Time"},
        {"2: Delayed One-Shot(Non-Retriggerable)", 5, 5, "&Delay Time", "&Pulse Width"},
        {"3: Delayed One-Shot(Retriggerable)", 5, 5, "&Delay Time", "&Pulse Width"},
        {"4: Chattering Elimination(Non-Retriggerable)", 5, 5, "Guard Time (turn &True)",
         "Guard Time (turn &False)"},
        {"5: Chattering Elimination(Retriggerable)", 5, 5, "Guard Time (turn &True)",
         "Guard Time (turn &False)"},
        {"6: Delay Function(Non-Retriggerable)", 5, 5, "Delay time (turn &True)", "Delay time (turn &False)"},
        {"7: Delay Function(Retriggerable)", 5, 5, "Delay time (turn &True)", "Delay time (turn &False)"},
        {"8: Oscillator Function with enable", 5, 6, "&True Width", "&False Width"},
        {"9: Oscillator Function", 5, 6, "&True Width", "&False Width"},
        {"10: Divider Function", 2, 2, "&True Count", "&False Count"},
    };
    return modes[qBound(0, m, MODES - 1)];
}

EditCntFncDialog::EditCntFncDialog(BlockItem* fnc, EditHost* host, QWidget* parent)
    : EditDialog(host, parent)
    , m_nameField(new NameField(fnc, this))
    , m_modeComboBox(new QComboBox(this))
    , m_fields(new CounterFields(this))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
    , m_pFnc(fnc)
{
    setWindowTitle(fnc->getUserName());
    m_modeComboBox->setObjectName(QStringLiteral("modeComboBox"));
    for (int m = 0; m < MODES; ++m)
        m_modeComboBox->addItem(QLatin1String(mode(m).text));
    auto* form = new QFormLayout;
    form->addRow(tr("&Mode"), m_modeComboBox);
    m_nameField->addTo(form);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_fields);
    layout->addWidget(m_buttonBox);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &EditCntFncDialog::okClicked);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_fields->setLabels(QLatin1String(mode(0).mainLabel), QLatin1String(mode(0).subLabel));
    m_fields->setFrequencyChoice(false);
    QString main, sub, disp;
    fnc->getMainCntStr(main);
    fnc->getSubCntStr(sub);
    fnc->getDisp(disp);
    const bool empty = fnc->getProperty().isEmpty();
    // Without settings the block counts with the smallest values of mode 0.
    m_fields->showStored(empty ? QStringLiteral("5nsec") : main, empty ? QStringLiteral("5nsec") : sub, disp);
    const int stored = qBound(0, NIMCntFnc::getMode(fnc), MODES - 1);
    changeMode(stored);
    {
        const QSignalBlocker blocker(m_modeComboBox);
        m_modeComboBox->setCurrentIndex(stored);
    }
    connect(m_modeComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &EditCntFncDialog::changeMode);
    m_strOpened = openState();
}

void EditCntFncDialog::changeMode(int newMode)
{
    const ModeInfo& from = mode(m_mode);
    const ModeInfo& to = mode(newMode);
    if (m_mode == DIVIDER_MODE && newMode != DIVIDER_MODE)
        m_fields->setCountMode(false);
    if (from.mainMin != to.mainMin || from.subMin != to.subMin)
        m_fields->raiseTo({double(to.mainMin), double(to.subMin)});
    m_fields->setFrequencyChoice(isOscillatorMode(newMode));
    m_fields->setLabels(QLatin1String(to.mainLabel), QLatin1String(to.subLabel));
    if (newMode == DIVIDER_MODE)
        m_fields->setCountMode(true);
    m_mode = newMode;
}

QString EditCntFncDialog::openState() const
{
    return QString::number(m_mode) + QLatin1Char('|') + m_fields->state();
}

QString EditCntFncDialog::composeProperty(const CounterFields::Counters& counters) const
{
    QString property =
        QStringLiteral("Mode=%1 MainCnt=%2 SubCnt=%3").arg(m_mode).arg(counters.main, counters.sub);
    if (!counters.disp.isEmpty())
        property += QStringLiteral(" Disp=%1").arg(counters.disp);
    return property;
}

void EditCntFncDialog::okClicked()
{
    if (!m_nameField->acceptable())
        return;
    bool bChanged = false;
    // Untouched settings stay as they are stored.
    if (openState() != m_strOpened) {
        CounterFields::Counters counters;
        if (!m_fields->accept({double(mode(m_mode).mainMin), double(mode(m_mode).subMin)}, counters))
            return;
        const QString property = composeProperty(counters);
        bChanged = property != m_pFnc->getProperty();
        m_pFnc->setPropertyString(property);
    }
    if (m_nameField->store() || bChanged)
        reportChanged(m_pFnc);
    accept();
}
