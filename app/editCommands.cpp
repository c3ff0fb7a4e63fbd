// The main window's edit commands: cut, copy and paste through the system clipboard, delete and
// select all on the sheet in view, undo and redo through the document's history, and the block
// settings dialogs the sheets ask for.

#include "app/mainwindow.h"

#include "app/sheetEditHost.h"
#include "app/sheetTabs.h"
#include "dialogs/editBlock.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "io/pasteRules.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>

void MainWindow::connectEditActions()
{
    connect(action("actionCut"), &QAction::triggered, this, &MainWindow::on_actionCut_triggered);
    connect(action("actionCopy"), &QAction::triggered, this, &MainWindow::on_actionCopy_triggered);
    connect(action("actionPaste"), &QAction::triggered, this, &MainWindow::on_actionPaste_triggered);
    connect(action("action_Delete"), &QAction::triggered, this, &MainWindow::on_action_Delete_triggered);
    connect(action("actionSelect_All"), &QAction::triggered, this,
            &MainWindow::on_actionSelect_All_triggered);
    connect(action("action_Undo"), &QAction::triggered, this, &MainWindow::on_action_Undo_triggered);
    connect(action("actionRe_do"), &QAction::triggered, this, &MainWindow::on_actionRe_do_triggered);
    // The clipboard is the system's: blocks copied in another editor can be pasted here.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &MainWindow::isCopyText);
    isCopyText();
}

void MainWindow::isCopyText()
{
    action(QStringLiteral("actionPaste"))
        ->setEnabled(Clipboard::isCopyText(QApplication::clipboard()->text()));
}

void MainWindow::on_actionCut_triggered()
{
    m_keys.clearCtrl();
    if (ProgramWidget* sheet = programWidget(currentTab()))
        sheet->actionCopy(true);
}

void MainWindow::on_actionCopy_triggered()
{
    m_keys.clearCtrl();
    if (ProgramWidget* sheet = programWidget(currentTab()))
        sheet->actionCopy(false);
}

void MainWindow::on_actionPaste_triggered()
{
    m_keys.clearCtrl();
    ProgramWidget* sheet = programWidget(currentTab());
    if (!sheet)
        return;
    {
        // One step for the whole paste; nothing pasted, no step.
        const DocumentSession::Edit step = m_session.edit();
        PasteRules::paste(document(), currentTab(), QApplication::clipboard()->text().toUtf8());
    }
    sheet->update();
}

void MainWindow::on_action_Delete_triggered()
{
    if (ProgramWidget* sheet = programWidget(currentTab()))
        sheet->actionDelete();
}

void MainWindow::on_actionSelect_All_triggered()
{
    if (ProgramWidget* sheet = programWidget(currentTab()))
        sheet->actionSelectAll();
}

void MainWindow::moveInHistory(bool bUndo)
{
    m_keys.clearCtrl();
    if (!(bUndo ? m_session.canUndo() : m_session.canRedo()))
        return;
    // Only the sheets that differ are read again; the others keep their blocks as they are.
    const SheetTabs::View view = m_tabWidget->view();
    if (bUndo)
        m_session.undo();
    else
        m_session.redo();
    m_tabWidget->restore(view);
    setDialogEnabled(m_session.matchesModule());
}

void MainWindow::on_action_Undo_triggered()
{
    moveInHistory(true);
}

void MainWindow::on_actionRe_do_triggered()
{
    moveInHistory(false);
}

void MainWindow::editBlock(ProgramWidget* sheet, BlockItem* block, const QPoint& at)
{
    SheetEditHost host(sheet);
    // Whatever the dialog changes is one step.
    const DocumentSession::Edit step = m_session.edit();
    ::editBlock(block, host, sheet, &at);
}
