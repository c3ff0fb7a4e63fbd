#pragma once

#include "app/windowSettings.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QVector>

class QAction;
class QMainWindow;
class QMenu;
class QToolBar;

// The main window's commands, built from tables: every action with its object name, text,
// shortcut and icon, the menus in order with their separators, the Recent Files submenu with
// its entries, and the tool bar. The window connects the actions to what they do.
class WindowActions
{
public:
    // Creates the actions (children of window), fills its menu bar and adds the tool bar.
    explicit WindowActions(QMainWindow* window);

    // The action with the given object name.
    QAction* action(const QString& objectName) const { return m_actions.value(objectName); }
    QMenu* recentFilesMenu() const { return m_recentMenu; }
    const QVector<QAction*>& recentFileActions() const { return m_recentFileActs; }

    // Shows files (full names) in the Recent Files submenu, which is enabled only when there is
    // one.
    void showRecentFiles(const QStringList& files);
    // Counters and User Control, which show data of the last download.
    void setDialogEnabled(bool bCounters, bool bUserControl);
    // Cut, Copy and Delete follow the selection of the sheet in view.
    void setSelectionActionsEnabled(bool bEnabled);
    void setUndoRedoEnabled(bool bUndo, bool bRedo);

private:
    void createActions(QMainWindow* window);
    void createMenus(QMainWindow* window);
    void createToolBar(QMainWindow* window);
    void setEnabled(const char* objectName, bool bEnabled);

    QMap<QString, QAction*> m_actions;
    QMenu* m_recentMenu = nullptr;
    QVector<QAction*> m_recentFileActs;
};
