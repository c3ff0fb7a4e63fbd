#pragma once

#include "app/connectionSettings.h"
#include "app/keyState.h"
#include "app/windowActions.h"
#include "app/windowSettings.h"
#include "editor/sheetHost.h"
#include "io/documentSession.h"
#include "kit/prompts.h"
#include "model/infoOstrum.h"

#include <QMainWindow>
#include <QPoint>

#include <memory>

class BlockDiagram;
class BlockItem;
class DeviceFlows;
class Document;
class LabelWidget;
class MenuWidget;
struct ModuleEntry;
class ProgramWidget;
class QTabWidget;
class SheetTabs;
class QTextStream;

// The single top-level window. It holds the open document in a DocumentSession (the document, its
// file name, its history and its saved and sent marks) and shows it: one tab per sheet plus a
// trailing "+" tab, the block palette and the label panel. It runs the document lifecycle (new,
// open, save, save as, close), keeps the recent-file list and the window geometry in persistent
// settings, marks the title when the document is modified and tracks the keys that the sheets
// consult. The sheets reach it as their SheetHost.
class MainWindow : public QMainWindow, public SheetHost
{
    Q_OBJECT

public:
    using InfoOstrum = ::InfoOstrum;
    using Prompts = ::Prompts;

    static constexpr int MAX_RECENT_FILES = WindowSettings::MAX_RECENT_FILES;
    static constexpr int MAX_WIDTH = 970;
    static constexpr int EDITOR_FONT_PIXELS = 12;

    MainWindow(QString& fileName, InfoOstrum* info, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Replaces the prompts (the window owns them).
    void setPrompts(std::unique_ptr<Prompts> prompts);
    // The device commands and their windows.
    DeviceFlows& deviceFlows() const { return *m_flows; }

    Document* document() const { return m_session.document(); }
    BlockDiagram* blockDiagram() const;
    MenuWidget* menuWidget() const { return m_pMenuWidget; }
    LabelWidget* labelWidget() const { return m_pLabelWidget; }
    QTabWidget* tabWidget() const;
    int sheetCount() const;
    ProgramWidget* programWidget(int id) const;
    int currentTab() const;
    QString fileName() const { return m_session.fileName(); }
    const DocumentSession& session() const { return m_session; }
    const KeyState& keys() const { return m_keys; }
    KeyState& keys() { return m_keys; }
    WindowActions& actions() const { return *m_actions; }
    // The action with the given object name (all actions of the menus and the tool bar).
    QAction* action(const QString& objectName) const { return m_actions->action(objectName); }
    QMenu* recentFilesMenu() const { return m_actions->recentFilesMenu(); }

    // Reads a whole document text into the window, and writes the open document.
    bool parseFile(const QByteArray& data);
    void dump(QTextStream& ts);

    // SheetHost
    bool bCtrlKey() const override { return m_keys.ctrl(); }
    bool bShiftKey() const override { return m_keys.shift(); }
    DocumentSession& session() override { return m_session; }
    InfoOstrum* infoOstrum() override;
    void editInput(BlockItem* input, QString newName) override;
    void renameInput(QString& name, QString& userName) override;
    void renameLabel(QString& name, QString& userName) override;
    void deleteLabel(QString name) override;
    bool bPasteInfo() const override;
    void paste() override;
    Prompts& prompts() override { return *m_prompts; }
    void editBlock(ProgramWidget* sheet, BlockItem* block, const QPoint& at) override;

    // Document lifecycle steps, shared with the device flows (a ROM restore displays a document).
    // Display starts the history at the document shown, the command line's connection settings
    // applied: no undo goes behind the module the user chose.
    bool display(QByteArray& data, QString fileName, bool bSetRecent);
    // Asks whether to save a modified document. Cancel, also when the chosen save did not
    // happen, means that the New, Open or close waiting for the answer does not go on.
    QMessageBox::StandardButton checkModified();
    // Accepts name when it has a document extension; otherwise appends ".vxt3" and asks before
    // replacing an existing file.
    bool checkExtension(QString& name);
    void clear();
    // Starts the history afresh at the document as it is (unmodified) and forgets the last
    // download's records: another document is shown.
    void clearBuffer();
    // Counters and User Control: false disables both, true enables each that has data of the
    // last download to show.
    void setDialogEnabled(bool bEnabled);

public slots:
    void newDiagram();
    // File > New from Template: a document made from a template chosen in a list, bound to no file.
    void newFromTemplate();
    // False when no document was read (cancelled, or the file does not read).
    bool open(QString fileName = QString());
    // Open document of a row of the Modules window (modulesMenu.cpp): the module's document, to
    // be driven at the module's address and ports. They replace the document's own and the
    // command line's, as the user's choice of target, which is no change of the document.
    bool openModuleDocument(const ModuleEntry& module);
    void openRecentFile();
    bool save(QString fileName = QString());
    void saveAs();
    void tabNew(bool bModified = true);
    void tabDelete(int index);
    void tabRename();
    void showTabMenu(const QPoint& pos);
    void setCurrentTab(int index);
    void itemSelect(bool b);
    // Shows the block a line of the design rule check's report names: its sheet, selected, in view.
    void showDrcLine(const QString& line);

    // Edit commands (editCommands.cpp): the clipboard, deleting and selecting on the sheet in
    // view, and moving through the document's history.
    void on_actionCut_triggered();
    void on_actionCopy_triggered();
    void on_actionPaste_triggered();
    void on_action_Delete_triggered();
    void on_actionSelect_All_triggered();
    void on_action_Undo_triggered();
    void on_actionRe_do_triggered();
    // Paste is enabled exactly while the clipboard holds copied blocks.
    void isCopyText();

    // The device commands.
    void on_action_Download_triggered();
    void on_action_Verify_triggered();
    void on_action_Save_triggered();
    void on_action_Restore_triggered();
    void on_action_Change_Boot_ROM_Page_triggered();
    void on_action_Write_Protect_triggered();
    void on_action_Clear_ROM_triggered();
    void on_actionSync_triggered();
    void on_action_User_Control_triggered();
    void on_actionOstrum_triggered();
    void on_action_DRC_triggered();
    void on_action_Property_triggered();
    void on_actionHardware_Setup_triggered();
    void on_action_About_triggered();
    // The windows of the device commands were closed.
    void closedOstrum();
    void closedUserControl();
    void closedDrcDialog();

signals:
    void currentTabChanged(int index);
    // Asks the counter monitor to stop its stream (before a download).
    void closeOstrum();

protected:
    bool event(QEvent* event) override;

private:
    void buildLayout();
    void connectActions();
    void connectEditActions();
    // Undo or redo, keeping the sheet in view, its selection and every sheet's scroll position.
    void moveInHistory(bool bUndo);
    // An edit recorded a step: the document differs from what the module holds.
    void stepRecorded();
    void setTitle(const QString& file, const QString& program);
    void setCurrentFile(const QString& fileName);
    void updateRecentFileActions();
    void connectDeviceActions();
    void showHistoryState();
    void warning(const QString& title, const QString& text);
    static QString documentsLocation();
    static void useEditorFont();

    ConnectionSettings m_connection;
    DocumentSession m_session;
    MenuWidget* m_pMenuWidget = nullptr;
    LabelWidget* m_pLabelWidget = nullptr;
    // The stimulus of the template the document was made from, until another document is shown:
    // the preview offers it while the document has no file (and so no stimulus beside it).
    QString m_templateStimulus;
    KeyState m_keys;
    QWidget* m_parent;
    SheetTabs* m_tabWidget = nullptr;
    WindowSettings m_settings;
    std::unique_ptr<WindowActions> m_actions;
    std::unique_ptr<Prompts> m_prompts;
    // Last, so that it goes first: its workers and windows use everything above.
    std::unique_ptr<DeviceFlows> m_flows;
};
