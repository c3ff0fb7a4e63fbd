// The main window's edit commands: cut, copy and paste through the system clipboard, delete and
// select all on the sheet in view, undo and redo through the document's snapshots, and the block
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
    const QByteArray before = m_document->toXml();
    PasteRules::paste(m_document.get(), currentTab(), QApplication::clipboard()->text().toUtf8());
    // One undo step for the whole paste; nothing pasted, nothing changed.
    if (m_document->toXml() != before)
        setModified();
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

void MainWindow::startHistory(const QByteArray& first)
{
    // A new document (or one that failed to load) returns to exactly what it showed.
    m_history.setFirst(first.isEmpty() ? m_document->toXml() : first);
}

void MainWindow::reload(const QByteArray& text)
{
    const int tab = currentTab();
    // The snapshots are the document writer's texts: read back as a file is read (which clears
    // the document first and brings the connection settings the text holds).
    if (text.isEmpty())
        clear();
    else
        parseFile(text);
    showHistoryState();
    setDialogEnabled(m_history.matchesModule());
    if (tab >= 0 && tab < sheetCount())
        m_tabWidget->activateSheet(tab);
}

void MainWindow::on_action_Undo_triggered()
{
    m_keys.clearCtrl();
    if (m_history.canUndo())
        reload(m_history.undo());
}

void MainWindow::on_actionRe_do_triggered()
{
    m_keys.clearCtrl();
    if (m_history.canRedo())
        reload(m_history.redo());
}

void MainWindow::editBlock(ProgramWidget* sheet, BlockItem* block, const QPoint& at)
{
    SheetEditHost host(sheet);
    ::editBlock(block, host, sheet, &at);
}
