#include "app/windowActions.h"

#include <QAction>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <initializer_list>

namespace {
QString translated(const char* text)
{
    return QCoreApplication::translate("MainWindow", text);
}

struct ActionRow
{
    const char* objectName;
    const char* text;
    const char* shortcut;
    const char* icon;
};
const ActionRow ACTIONS[] = {
    {"actionNew", QT_TRANSLATE_NOOP("MainWindow", "&New"), "Ctrl+N", ":/Vextor_icon/Vextor_New file.png"},
    {"actionNewFromTemplate", QT_TRANSLATE_NOOP("MainWindow", "New from &Template ..."), "", ""},
    {"actionOpen", QT_TRANSLATE_NOOP("MainWindow", "&Open ..."), "Ctrl+O",
     ":/Vextor_icon/Vextor_folder2.png"},
    {"actionSync", QT_TRANSLATE_NOOP("MainWindow", "Sync &GUI settings"), "", ""},
    {"actionSave", QT_TRANSLATE_NOOP("MainWindow", "&Save"), "Ctrl+S", ":/Vextor_icon/Vextor_Save1.png"},
    {"actionSaveAs", QT_TRANSLATE_NOOP("MainWindow", "Save&As ..."), "", ""},
    {"actionExport", QT_TRANSLATE_NOOP("MainWindow", "E&xport ..."), "Ctrl+E", ""},
    {"actionPrint", QT_TRANSLATE_NOOP("MainWindow", "&Print ..."), "Ctrl+P", ""},
    {"actionModules", QT_TRANSLATE_NOOP("MainWindow", "&Modules ..."), "", ""},
    {"action_Write_Protect", QT_TRANSLATE_NOOP("MainWindow", "&Write Protect ..."), "", ""},
    {"action_Download", QT_TRANSLATE_NOOP("MainWindow", "&Download"), "Ctrl+D",
     ":/Vextor_icon/Vextor_Update.png"},
    {"actionOstrum", QT_TRANSLATE_NOOP("MainWindow", "&Counters"), "", ":/Vextor_icon/Vextor_Counter1.png"},
    {"action_User_Control", QT_TRANSLATE_NOOP("MainWindow", "&User Control"), "", ":/Vextor_icon/switch.png"},
    {"actionQuit", QT_TRANSLATE_NOOP("MainWindow", "&Quit"), "Ctrl+Q", ""},
    {"action_Undo", QT_TRANSLATE_NOOP("MainWindow", "&Undo"), "Ctrl+Z", ":/Vextor_icon/Vextor_Undo.png"},
    {"actionRe_do", QT_TRANSLATE_NOOP("MainWindow", "Re&do"), "Ctrl+Y", ":/Vextor_icon/Vextor_Redo.png"},
    {"actionCut", QT_TRANSLATE_NOOP("MainWindow", "Cu&t"), "Ctrl+X", ":/Vextor_icon/Vextor_Cut.png"},
    {"actionCopy", QT_TRANSLATE_NOOP("MainWindow", "&Copy"), "Ctrl+C", ":/Vextor_icon/Vextor_copy.png"},
    {"actionPaste", QT_TRANSLATE_NOOP("MainWindow", "&Paste"), "Ctrl+V", ":/Vextor_icon/Vextor_paste.png"},
    {"action_Delete", QT_TRANSLATE_NOOP("MainWindow", "&Delete"), "Del", ":/images/delbutton.png"},
    {"actionSelect_All", QT_TRANSLATE_NOOP("MainWindow", "Select &All"), "Ctrl+A", ""},
    {"actionTabNew", QT_TRANSLATE_NOOP("MainWindow", "Tab &New"), "", ""},
    {"actionRename", QT_TRANSLATE_NOOP("MainWindow", "Tab &Rename"), "", ""},
    {"action_DRC", QT_TRANSLATE_NOOP("MainWindow", "&DRC"), "Ctrl+R", ":/Vextor_icon/Vextor_DRC.png"},
    {"action_Verify", QT_TRANSLATE_NOOP("MainWindow", "&Verify"), "Ctrl+Shift+D", ""},
    {"actionPreview", QT_TRANSLATE_NOOP("MainWindow", "Previe&w ..."), "", ""},
    {"actionZoomIn", QT_TRANSLATE_NOOP("MainWindow", "Zoom &In"), "Ctrl++", ""},
    {"actionZoomOut", QT_TRANSLATE_NOOP("MainWindow", "Zoom &Out"), "Ctrl+-", ""},
    {"actionZoomFit", QT_TRANSLATE_NOOP("MainWindow", "&Fit to Window"), "Ctrl+0", ""},
    {"action_Property", QT_TRANSLATE_NOOP("MainWindow", "&Ethernet Setting"), "",
     ":/Vextor_icon/Vextor_Cofigure.png"},
    {"actionHardware_Setup", QT_TRANSLATE_NOOP("MainWindow", "&Hardware Setup"), "", ""},
    {"action_Save", QT_TRANSLATE_NOOP("MainWindow", "&Save to ROM"), "", ""},
    {"action_Restore", QT_TRANSLATE_NOOP("MainWindow", "&Restore from ROM"), "", ""},
    {"action_Change_Boot_ROM_Page", QT_TRANSLATE_NOOP("MainWindow", "&Change Boot ROM Page"), "", ""},
    {"action_Clear_ROM", QT_TRANSLATE_NOOP("MainWindow", "&Initialize ROM area"), "", ""},
    {"action_About", QT_TRANSLATE_NOOP("MainWindow", "&About Vextor"), "", ""},
};

// A menu: its object name, its title and its entries; an empty entry is a separator,
// "menu_Recent_Files" the recent-file submenu.
struct MenuRow
{
    const char* objectName;
    const char* title;
    std::initializer_list<const char*> entries;
};
const MenuRow MENUS[] = {
    {"menu_File",
     QT_TRANSLATE_NOOP("MainWindow", "&File"),
     {"actionNew", "actionNewFromTemplate", "actionOpen", "actionSync", "menu_Recent_Files", "actionSave",
      "actionSaveAs", "actionExport", "actionPrint", "", "actionModules", "action_Write_Protect",
      "action_Download", "actionOstrum", "action_User_Control", "", "actionQuit"}},
    {"menu_Edit",
     QT_TRANSLATE_NOOP("MainWindow", "&Edit"),
     {"action_Undo", "actionRe_do", "", "actionCut", "actionCopy", "actionPaste", "action_Delete", "",
      "actionSelect_All", "", "actionTabNew", "actionRename", "", "action_DRC", "action_Verify",
      "actionPreview"}},
    {"menu_View",
     QT_TRANSLATE_NOOP("MainWindow", "&View"),
     {"actionZoomIn", "actionZoomOut", "actionZoomFit"}},
    {"menu_Setup",
     QT_TRANSLATE_NOOP("MainWindow", "&Setup"),
     {"action_Property", "actionHardware_Setup", "action_Save", "action_Restore",
      "action_Change_Boot_ROM_Page", "action_Clear_ROM"}},
    {"menu_Help", QT_TRANSLATE_NOOP("MainWindow", "&Help"), {"action_About"}},
};

const char* const TOOL_BAR[] = {"actionNew",
                                "actionOpen",
                                "actionSave",
                                "",
                                "actionCut",
                                "actionCopy",
                                "actionPaste",
                                "action_Delete",
                                "",
                                "action_Undo",
                                "actionRe_do",
                                "",
                                "action_DRC",
                                "action_Property",
                                "action_Download",
                                "actionOstrum",
                                "action_User_Control"};

// Undo and Redo wait for a change, the edit commands for a selection or a copy, Counters and
// User Control for a download.
const char* const INITIALLY_DISABLED[] = {"action_Undo",  "actionRe_do",        "actionCut",
                                          "actionCopy",   "actionPaste",        "action_Delete",
                                          "actionOstrum", "action_User_Control"};
} // namespace

WindowActions::WindowActions(QMainWindow* window)
{
    createActions(window);
    createMenus(window);
    createToolBar(window);
}

void WindowActions::createActions(QMainWindow* window)
{
    for (const ActionRow& row : ACTIONS) {
        auto* act = new QAction(translated(row.text), window);
        act->setObjectName(QLatin1String(row.objectName));
        if (*row.shortcut)
            act->setShortcut(QKeySequence(QLatin1String(row.shortcut)));
        if (*row.icon)
            act->setIcon(QIcon(QLatin1String(row.icon)));
        m_actions.insert(act->objectName(), act);
    }
    for (const char* name : INITIALLY_DISABLED)
        setEnabled(name, false);
    for (int i = 0; i < WindowSettings::MAX_RECENT_FILES; ++i) {
        auto* act = new QAction(window);
        act->setVisible(false);
        m_recentFileActs.append(act);
    }
}

void WindowActions::createMenus(QMainWindow* window)
{
    for (const MenuRow& row : MENUS) {
        QMenu* menu = window->menuBar()->addMenu(translated(row.title));
        menu->setObjectName(QLatin1String(row.objectName));
        for (const char* entry : row.entries) {
            const QString name = QLatin1String(entry);
            if (name.isEmpty()) {
                menu->addSeparator();
            } else if (name == QLatin1String("menu_Recent_Files")) {
                m_recentMenu = menu->addMenu(QCoreApplication::translate("MainWindow", "&Recent Files"));
                m_recentMenu->setObjectName(name);
                m_recentMenu->addActions(m_recentFileActs.toList());
            } else {
                menu->addAction(action(name));
            }
        }
    }
}

void WindowActions::createToolBar(QMainWindow* window)
{
    auto* toolBar = new QToolBar(QCoreApplication::translate("MainWindow", "toolBar"), window);
    toolBar->setObjectName(QStringLiteral("toolBar"));
    window->addToolBar(Qt::TopToolBarArea, toolBar);
    for (const char* name : TOOL_BAR) {
        if (*name)
            toolBar->addAction(action(QLatin1String(name)));
        else
            toolBar->addSeparator();
    }
}

void WindowActions::showRecentFiles(const QStringList& files)
{
    const int shown = qMin(files.size(), int(WindowSettings::MAX_RECENT_FILES));
    for (int i = 0; i < WindowSettings::MAX_RECENT_FILES; ++i) {
        QAction* act = m_recentFileActs.at(i);
        act->setVisible(i < shown);
        if (i < shown) {
            act->setText(QCoreApplication::translate("MainWindow", "%1").arg(files.at(i)));
            act->setData(files.at(i));
        }
    }
    m_recentMenu->setEnabled(shown > 0);
}

void WindowActions::setEnabled(const char* objectName, bool bEnabled)
{
    action(QLatin1String(objectName))->setEnabled(bEnabled);
}

void WindowActions::setDialogEnabled(bool bCounters, bool bUserControl)
{
    setEnabled("actionOstrum", bCounters);
    setEnabled("action_User_Control", bUserControl);
}

void WindowActions::setSelectionActionsEnabled(bool bEnabled)
{
    for (const char* name : {"actionCut", "actionCopy", "action_Delete"})
        setEnabled(name, bEnabled);
}

void WindowActions::setUndoRedoEnabled(bool bUndo, bool bRedo)
{
    setEnabled("action_Undo", bUndo);
    setEnabled("actionRe_do", bRedo);
}
