#include "dialogs/drcDialog.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>
#include <QVBoxLayout>

DrcDialog::DrcDialog(bool bContinue, QWidget* parent)
    : QDialog(parent)
    , m_textEdit(new QTextEdit)
    , m_bContinue(bContinue)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("DRC"));
    m_textEdit->setObjectName(QStringLiteral("textEdit"));
    m_textEdit->setReadOnly(true);
    auto* layout = new QVBoxLayout(this);
    if (!bContinue) {
        auto* splitter = new QSplitter(Qt::Vertical);
        m_textEdit->setGeometry(10, 10, 350, 200);
        splitter->addWidget(m_textEdit);
        layout->addWidget(splitter);
        return;
    }
    layout->addWidget(m_textEdit);
    auto* buttons = new QHBoxLayout;
    auto* download = new QPushButton(tr("&Download"));
    download->setObjectName(QStringLiteral("downloadButton"));
    auto* cancel = new QPushButton(tr("&Cancel"));
    cancel->setObjectName(QStringLiteral("cancelButton"));
    buttons->addStretch();
    buttons->addWidget(download);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(download, &QPushButton::clicked, this, &DrcDialog::on_downloadButton_clicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void DrcDialog::on_downloadButton_clicked()
{
    emit drcClosed(true);
    accept();
}
