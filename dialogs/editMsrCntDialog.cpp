#include "dialogs/editMsrCntDialog.h"

#include "model/blockDiagram.h"
#include "model/timeUnits.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// The unit buttons, largest first.
QString unitText(int i)
{
    const QVector<TimeUnit>& units = TimeUnits::counterUnits();
    return units.at(units.size() - 1 - i).text;
}
} // namespace

EditMsrCntDialog::EditMsrCntDialog(BlockItem* msr, EditHost* host, QWidget* parent)
    : EditDialog(host, parent)
    , m_pMsr(msr)
    , m_nameField(new NameField(msr, this))
    , m_counterComboBox(new QComboBox(this))
    , m_areaComboBox(new QComboBox(this))
    , m_enbComboBox(new QComboBox(this))
    , m_unitButtons(new QButtonGroup(this))
    , m_groupBox(new QGroupBox(tr("&File Save"), this))
    , m_lineEdit(new QLineEdit(m_groupBox))
    , m_toolButton(new QToolButton(m_groupBox))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowTitle(msr->getType());
    m_areaComboBox->addItems({tr("Measure During Edge to Edge (Both Edge)"),
                              tr("Measure During Edge to Edge (only False to True)"),
                              tr("Measure During True"), tr("User Control")});
    m_enbComboBox->addItems({tr("Number of times that State change"), tr("Number of times that True appears"),
                             tr("True Time"), tr("Gate Time")});
    auto* units = new QHBoxLayout;
    for (int i = 0; i < TimeUnits::counterUnits().size(); ++i) {
        auto* button = new QRadioButton(QLatin1Char('&') + unitText(i), this);
        button->setObjectName(unitText(i) + QStringLiteral("RadioButton"));
        m_unitButtons->addButton(button, i);
        units->addWidget(button);
    }
    m_toolButton->setText(QStringLiteral("..."));
    m_groupBox->setCheckable(true);
    auto* path = new QFormLayout(m_groupBox);
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(m_lineEdit);
    pathRow->addWidget(m_toolButton);
    auto* pathLabel = new QLabel(tr("&PATH:"), m_groupBox);
    pathLabel->setBuddy(m_lineEdit);
    path->addRow(pathLabel, pathRow);
    auto* form = new QFormLayout;
    form->addRow(tr("&Counter:"), m_counterComboBox);
    form->addRow(tr("&GATE:"), m_areaComboBox);
    form->addRow(tr("&SRC:"), m_enbComboBox);
    m_nameField->addTo(form);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(units);
    layout->addWidget(m_groupBox);
    layout->addWidget(m_buttonBox);

    QStringList counters{msr->getName()};
    m_pHost->diagram()->getFreeList(channelFamily(msr->getType()), counters, m_pHost->sheetId());
    m_counterComboBox->addItems(counters);

    QString value;
    msr->getStr(value, QStringLiteral("Mode"));
    const int mode = value.toInt();
    m_enbComboBox->setCurrentIndex((mode & 0xC) >> 2);
    m_areaComboBox->setCurrentIndex(mode & 3);
    bool fileSave = false;
    QString unit, folder;
    if (!msr->getProperty().isEmpty()) {
        msr->getStr(value, QStringLiteral("FileSave"));
        fileSave = value != QLatin1String("0") && value != QLatin1String("false");
        if (fileSave && value != QLatin1String("1") && value != QLatin1String("true"))
            unit = value;
        if (unit.isEmpty())
            msr->getStr(unit, QStringLiteral("Unit"));
        msr->getStr(folder, QStringLiteral("PATH"));
    }
    if (folder.isEmpty())
        folder = defaultFolder();
    m_groupBox->setChecked(fileSave);
    m_lineEdit->setText(QDir::toNativeSeparators(folder));
    for (int i = 0; i < TimeUnits::counterUnits().size(); ++i)
        m_unitButtons->button(i)->setChecked(unit == unitText(i));
    on_m_enbComboBox_currentIndexChanged(m_enbComboBox->currentIndex());

    connect(m_enbComboBox, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &EditMsrCntDialog::on_m_enbComboBox_currentIndexChanged);
    connect(m_toolButton, &QToolButton::clicked, this, &EditMsrCntDialog::on_toolButton_clicked);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &EditMsrCntDialog::okClicked);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_strOpened = composeProperty();
}

QString EditMsrCntDialog::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Vextor_log");
}

QRadioButton* EditMsrCntDialog::unitButton(int i) const
{
    return qobject_cast<QRadioButton*>(m_unitButtons->button(i));
}

void EditMsrCntDialog::on_m_enbComboBox_currentIndexChanged(int index)
{
    // Time counts (SRC 2 and 3) have no unit to choose.
    for (QAbstractButton* button : m_unitButtons->buttons())
        button->setEnabled(index < 2);
}

void EditMsrCntDialog::on_toolButton_clicked()
{
    const QString start = m_lineEdit->text().isEmpty() ? defaultFolder() : m_lineEdit->text();
    const QString folder = m_pHost->existingDirectory(this, tr("Open Directory"), start);
    if (!folder.isEmpty())
        m_lineEdit->setText(QDir::toNativeSeparators(folder));
}

QString EditMsrCntDialog::composeProperty() const
{
    const int mode = m_enbComboBox->currentIndex() * 4 + m_areaComboBox->currentIndex();
    const QString fileSave = m_groupBox->isChecked() ? QStringLiteral("true") : QStringLiteral("false");
    const int unit = m_unitButtons->checkedId();
    if (unit < 0)
        return QStringLiteral("Mode=%1 FileSave=%2 PATH=%3").arg(mode).arg(fileSave, m_lineEdit->text());
    return QStringLiteral("Mode=%1 Unit=%2 FileSave=%3 PATH=%4")
        .arg(mode)
        .arg(unitText(unit), fileSave, m_lineEdit->text());
}

bool EditMsrCntDialog::folderReady()
{
    if (!m_groupBox->isChecked())
        return true;
    const QString folder = m_lineEdit->text();
    if (folder.isEmpty()) {
        m_pHost->message(this, QMessageBox::Warning, QString(), tr("Please set PATH."));
        return false;
    }
    QDir dir(folder);
    if (dir.exists())
        return true;
    if (m_pHost->message(nullptr, QMessageBox::Warning, QString(),
                         tr("%1: The named directory does not exist, create it?").arg(folder),
                         QMessageBox::Yes | QMessageBox::Cancel, QMessageBox::Cancel) != QMessageBox::Yes)
        return false;
    if (QDir().mkpath(dir.absolutePath()))
        return true;
    m_pHost->message(this, QMessageBox::Warning, QStringLiteral("QDir::mkdir()"),
                     tr("%1: cannot create").arg(dir.absolutePath()));
    return false;
}

void EditMsrCntDialog::okClicked()
{
    const QString property = composeProperty();
    const bool sameCounter = m_counterComboBox->currentIndex() <= 0;
    if (sameCounter && property == m_strOpened && !m_nameField->edited()) {
        accept(); // nothing was touched: the stored settings stay as they are
        return;
    }
    if (!m_nameField->acceptable() || !folderReady())
        return;
    const bool propertyChanged = property != m_pMsr->getProperty();
    m_pMsr->setPropertyString(property);
    if (!sameCounter) {
        const QString counter = m_counterComboBox->currentText();
        const bool nameShown = m_pMsr->getUserName() == m_pMsr->getName();
        const bool userNameStored = !m_pMsr->storedUserName().isEmpty();
        m_pMsr->setType(counter);
        m_pMsr->setName(counter);
        if (nameShown && !m_nameField->edited())
            m_pMsr->setUserName(userNameStored ? counter : QString());
    }
    const bool renamed = m_nameField->store();
    if (!sameCounter || propertyChanged || renamed)
        reportChanged(m_pMsr);
    accept();
}
