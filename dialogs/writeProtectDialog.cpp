#include "dialogs/writeProtectDialog.h"

#include "dialogs/deviceDialogHost.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QVBoxLayout>

WriteProtectDialog::WriteProtectDialog(bool currentProtected, bool bootProtected, DeviceDialogHost& host,
                                       QWidget* parent)
    : QDialog(parent)
    , m_host(host)
    , m_bCurrent(currentProtected)
    , m_bBoot(bootProtected)
    , m_current(new QCheckBox(tr("Write Protect (&Current setting)")))
    , m_boot(new QCheckBox(tr("Write Protect (&Boot setting)")))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("Write Protect"));
    m_current->setObjectName(QStringLiteral("currentCheckBox"));
    m_boot->setObjectName(QStringLiteral("bootCheckBox"));
    m_buttonBox->setObjectName(QStringLiteral("buttonBox"));
    m_current->setChecked(currentProtected);
    m_boot->setChecked(bootProtected);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_current);
    layout->addWidget(m_boot);
    layout->addWidget(m_buttonBox);
    connect(m_current, &QCheckBox::toggled, this, &WriteProtectDialog::updateOk);
    connect(m_boot, &QCheckBox::toggled, this, &WriteProtectDialog::updateOk);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &WriteProtectDialog::on_buttonBox_accepted);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
    updateOk();
}

void WriteProtectDialog::updateOk()
{
    const bool changed = m_current->isChecked() != m_bCurrent || m_boot->isChecked() != m_bBoot;
    m_buttonBox->button(QDialogButtonBox::Ok)->setEnabled(changed);
}

void WriteProtectDialog::on_buttonBox_accepted()
{
    m_host.setProtect(m_current->isChecked(), m_boot->isChecked());
    accept();
}
