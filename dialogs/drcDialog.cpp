#include "dialogs/drcDialog.h"

#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTextBlock>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
const QSize REPORT_SIZE(350, 200);
} // namespace

DrcDialog::DrcDialog(bool bContinue, QWidget* parent)
    : QDialog(parent)
    , m_textEdit(new QTextEdit)
    , m_bContinue(bContinue)
{
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(tr("DRC"));
    m_textEdit->setObjectName(QStringLiteral("textEdit"));
    m_textEdit->setReadOnly(true);
    // A layout gives the view only its small default size; a report line such as "warning:
    // MsrCnt0: SRC is connected, but not used." then wraps. Both forms start at least as large as
    // the report-only form places its view.
    m_textEdit->setMinimumSize(REPORT_SIZE);
    m_textEdit->setToolTip(tr("Click a line to show its block."));
    m_textEdit->viewport()->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    if (!bContinue) {
        auto* splitter = new QSplitter(Qt::Vertical);
        m_textEdit->setGeometry(QRect(QPoint(10, 10), REPORT_SIZE));
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

bool DrcDialog::eventFilter(QObject* watched, QEvent* event)
{
    // A click, not the end of a drag that selected text to copy.
    if (watched == m_textEdit->viewport() && event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
        !m_textEdit->textCursor().hasSelection())
        chooseLineAt(static_cast<QMouseEvent*>(event)->pos());
    return QDialog::eventFilter(watched, event);
}

void DrcDialog::chooseLineAt(const QPoint& pos)
{
    const QTextCursor at = m_textEdit->cursorForPosition(pos);
    QTextEdit::ExtraSelection mark;
    mark.cursor = at;
    mark.format.setBackground(palette().color(QPalette::AlternateBase));
    mark.format.setProperty(QTextFormat::FullWidthSelection, true);
    m_textEdit->setExtraSelections({mark});
    emit lineChosen(at.block().text());
}

void DrcDialog::on_downloadButton_clicked()
{
    emit drcClosed(true);
    accept();
}
