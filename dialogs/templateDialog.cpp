#include "dialogs/templateDialog.h"

#include "templates/templateCatalog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

TemplateDialog::TemplateDialog(QWidget* parent)
    : QDialog(parent)
    , m_list(new QListWidget(this))
    , m_buttonBox(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("New from Template"));
    for (const TemplateCatalog::Template& t : TemplateCatalog::all()) {
        auto* item = new QListWidgetItem(QStringLiteral("%1\n    %2").arg(t.name, t.description), m_list);
        item->setData(Qt::UserRole, t.name);
    }
    m_list->setCurrentRow(0);
    m_list->setMinimumWidth(m_list->sizeHintForColumn(0) + 2 * m_list->frameWidth() + 20);
    auto* label = new QLabel(tr("&Templates (each comes with a stimulus for the preview):"), this);
    label->setBuddy(m_list);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(m_buttonBox);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(m_buttonBox, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(m_buttonBox, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString TemplateDialog::chosen() const
{
    const QListWidgetItem* item = m_list->currentItem();
    return item ? item->data(Qt::UserRole).toString() : QString();
}
