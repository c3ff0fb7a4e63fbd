#include "dialogs/nameField.h"

#include "dialogs/editDialog.h"
#include "model/blockDiagram.h"

#include <QFormLayout>
#include <QLabel>

NameField::NameField(BlockItem* block, EditDialog* dialog)
    : QLineEdit(block->getUserName(), dialog)
    , m_pBlock(block)
    , m_pDialog(dialog)
    , m_shown(block->getUserName())
{
    setObjectName(QStringLiteral("nameEdit"));
}

void NameField::addTo(QFormLayout* form)
{
    auto* label = new QLabel(tr("&Name:"), m_pDialog);
    label->setBuddy(this);
    form->insertRow(0, label, this);
}

QString NameField::typed() const
{
    return text().trimmed();
}

bool NameField::edited() const
{
    return typed() != m_shown;
}

bool NameField::acceptable()
{
    if (!edited())
        return true;
    const QString refused = m_pDialog->host()->diagram()->userNameRefusal(m_pBlock, typed());
    if (refused.isEmpty())
        return true;
    m_pDialog->warn(m_pBlock->getUserName(), refused);
    return false;
}

bool NameField::store()
{
    if (!edited() || typed() == m_pBlock->getUserName())
        return false;
    m_pBlock->setUserName(typed());
    return true;
}
