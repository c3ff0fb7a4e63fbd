#pragma once

#include "model/infoOstrum.h"

#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QPoint>
#include <QVector>

#include <memory>

class BlockDiagram;
class BlockItem;
class Document;
class LabelWidget;
class MenuWidget;
class ProgramWidget;
class QAction;
class QMenu;
class QSettings;
class QTabWidget;
class QTextStream;
class QToolBar;

// The single top-level window. It owns the open document (a headless Document) and shows it: one
// tab per sheet plus a trailing "+" tab, the block palette and the label panel. It runs the
// document lifecycle (new, open, save, save as, close), keeps the recent-file list and the window
// geometry in persistent settings, marks the title when the document is modified and tracks the
// keys that the sheets consult.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    using InfoOstrum = ::InfoOstrum;

    static constexpr int MAX_RECENT_FILES = 7;
    static constexpr int MAX_WIDTH = 970;
    static constexpr int EDITOR_FONT_PIXELS = 12;

    // Every question and message the window asks goes through here, so that tests can answer them.
    class Prompts
    {
    public:
        virtual ~Prompts();
        // A message box; at (screen coordinates) places it, null leaves it to the toolkit.
        virtual QMessageBox::StandardButton message(QWidget* parent, QMessageBox::Icon icon,
                                                    const QString& title, const QString& text,
                                                    QMessageBox::StandardButtons buttons,
                                                    QMessageBox::StandardButton defaultButton,
                                                    const QPoint* at = nullptr);
        virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                     const QString& filter);
        virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                     const QString& filter);
        virtual QString text(QWidget* parent, const QString& title, const QString& label, const QString& text,
                             bool* ok);
    };

    MainWindow(QString& fileName, InfoOstrum* info, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Replaces the prompts (the window owns them).
    void setPrompts(std::unique_ptr<Prompts> prompts);

    InfoOstrum* infoOstrum();
    // The command-line settings; their address is empty when the command line gave none.
    const InfoOstrum& commandLineSettings() const { return m_infoDefaultOstrum; }

    Document* document() const { return m_document.get(); }
    BlockDiagram* blockDiagram() const;
    MenuWidget* menuWidget() const { return m_pMenuWidget; }
    LabelWidget* labelWidget() const { return m_pLabelWidget; }
    QTabWidget* tabWidget() const { return m_tabWidget; }
    int sheetCount() const { return m_pProgramWidget.size(); }
    ProgramWidget* programWidget(int id) const { return m_pProgramWidget.value(id); }
    int currentTab() const { return m_currentTab; }
    QString fileName() const { return m_fileName; }
    // The action with the given object name (all actions of the menus and the tool bar).
    QAction* action(const QString& objectName) const { return m_actions.value(objectName); }
    QMenu* recentFilesMenu() const { return m_recentMenu; }

    // Reader call-backs: sheets and block entries go to the document, which places them; the
    // sheets show what the document placed.
    void addTab(int id, QString name);
    bool addItem(QString item, int tid, QMap<QString, QString> info, bool bCheck);
    BlockItem* addItem(QString item, int id, int tid, QString name, QPoint pos);
    bool parseFile(const QByteArray& data);
    void dump(QTextStream& ts);

    // Names shared across sheets.
    void editInput(BlockItem* input, QString newName);
    void renameInput(QString& name, QString& userName);
    void renameLabel(QString& name, QString& userName);

    // Records an undo snapshot, marks the document modified and repaints the sheet in view.
    void setModified();
    // While set, setModified() does nothing (changes of several blocks record one snapshot).
    void setIgnore(bool bIgnore) { m_bIgnore = bIgnore; }
    bool bIgnore() const { return m_bIgnore; }
    int snapshotCount() const { return m_buffer.size(); }
    const QByteArray* snapshot(int i) const { return m_buffer.value(i); }
    int snapshotIndex() const { return m_index; }

    bool bCtrlKey() const { return m_bCtrlKey; }
    bool bShiftKey() const { return m_bShiftKey; }
    bool bTabKey() const { return m_bTabKey; }

    // Document lifecycle steps, shared with the device flows (a ROM restore displays a document).
    bool display(QByteArray& data, QString fileName, bool bSetRecent);
    QMessageBox::StandardButton checkModified();
    // Accepts name when it has a document extension; otherwise appends ".vxt3" and asks before
    // replacing an existing file.
    bool checkExtension(QString& name);
    void clear();
    void clearBuffer();

public slots:
    void newDiagram();
    void open(QString fileName = QString());
    void openRecentFile();
    bool save(QString fileName = QString());
    void saveAs();
    void tabNew(bool bModified = true);
    void tabDelete(int index);
    void tabRename();
    void showTabMenu(const QPoint& pos);
    void setCurrentTab(int index);
    void itemSelect(bool b);

signals:
    void currentTabChanged(int index);

protected:
    bool event(QEvent* event) override;

private:
    void createActions();
    void createMenus();
    void createToolBar();
    void createRecentFileActions();
    void setTitle(const QString& file, const QString& program);
    void setCurrentFile(const QString& fileName);
    void updateRecentFileActions();
    void applyCommandLineSettings();
    void resetConnectionSettings();
    void setDialogEnabled(bool bEnabled);
    void warning(const QString& title, const QString& text);
    static QString documentsLocation();
    static void useEditorFont();

    // Views following the document's sheets.
    void addSheetView(int id);
    void removeSheetView(int id);
    void rebuildSheetViews();
    void removePlusTab();
    void addPlusTab();
    int plusIndex() const { return m_pProgramWidget.size(); }
    void activateSheet(int index);
    void onSheetRenamed(int id, const QString& name);
    void onBlockPlaced(int tid, BlockItem* block);

    InfoOstrum m_infoDefaultOstrum;
    std::unique_ptr<Document> m_document;
    QVector<ProgramWidget*> m_pProgramWidget;
    MenuWidget* m_pMenuWidget = nullptr;
    LabelWidget* m_pLabelWidget = nullptr;
    QString m_fileName;
    bool m_isEmpty = false;
    bool m_bReadOK = true;
    bool m_bDelKey = false;
    bool m_bTabKey = false;
    bool m_bCtrlKey = false;
    bool m_bShiftKey = false;
    bool m_bUpKey = false;
    bool m_bDownKey = false;
    int m_currentTab = -1;
    QVector<QByteArray*> m_buffer;
    QByteArray m_first;
    volatile bool m_bIgnore = false;
    int m_loadIndex = -1;
    int m_saveIndex = -1;
    int m_index = -1;
    QWidget* m_parent;
    QTabWidget* m_tabWidget = nullptr;
    QWidget* m_plusPage = nullptr;
    QSettings* m_settings = nullptr;
    QMap<QString, QAction*> m_actions;
    QMenu* m_recentMenu = nullptr;
    QToolBar* m_toolBar = nullptr;
    QAction* m_recentFileActs[MAX_RECENT_FILES] = {};
    std::unique_ptr<Prompts> m_prompts;
    bool m_bRebuilding = false;
};
