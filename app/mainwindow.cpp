#include "app/mainwindow.h"

#include "app/deviceFlows.h"
#include "app/modulesMenu.h"
#include "app/sheetTabs.h"
#include "dialogs/previewWindow.h"
#include "dialogs/templateDialog.h"
#include "editor/dragwidget.h"
#include "editor/labelWidget.h"
#include "editor/menuWidget.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "io/documentFile.h"
#include "kit/screenPlacement.h"
#include "templates/templateCatalog.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollArea>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabBar>
#include <QTextStream>

namespace {
const QString FILE_FILTER = QStringLiteral("Vextor3 Files (*.vxt3);;Vextor Files (*.vxt);;XML Files (*.xml)");
const QString PROGRAM = QStringLiteral("Vextor");
const QString NEW_FILE = QStringLiteral("NewFile");
const QRect DEFAULT_GEOMETRY(9, 36, 950, 690);
} // namespace

// ---------------------------------------------------------------------------------------------
// Construction and destruction

MainWindow::MainWindow(QString& fileName, InfoOstrum* info, QWidget* parent)
    : QMainWindow(parent)
    , m_connection(info)
    , m_parent(parent ? parent : this)
    , m_prompts(std::make_unique<Prompts>())
{
    DragWidget::initResources();
    useEditorFont();
    setMaximumWidth(MAX_WIDTH);
    // The stored rectangle is the client area as it was at the close. Setting it as the client
    // geometry puts the window back exactly there, whatever frame the window manager adds (and
    // without a window manager, where there is no frame at all). A rectangle stored on a screen
    // that is gone since is brought back onto one.
    setGeometry(restoredOnScreen(m_settings.geometry(DEFAULT_GEOMETRY)));

    m_actions = std::make_unique<WindowActions>(this);
    buildLayout();
    m_flows = std::make_unique<DeviceFlows>(*this);
    connectActions();
    connectEditActions();
    connectDeviceActions();
    setTitle(NEW_FILE, QStringLiteral("Vextor Ⅲ"));
    *infoOstrum() = m_connection.initial();
    setDialogEnabled(false);
    updateRecentFileActions();
    m_session.startHistory();
    m_flows->refreshStatus();

    if (!fileName.isEmpty())
        open(fileName);
}

// The block pictures have fixed pixel sizes and every name is drawn on them in the application
// font, so the editor uses one text size that fits them whatever the desktop's default is.
void MainWindow::useEditorFont()
{
    QFont font = QApplication::font();
    if (font.pixelSize() == EDITOR_FONT_PIXELS)
        return;
    font.setPixelSize(EDITOR_FONT_PIXELS);
    QApplication::setFont(font);
}

// Sheets above the label panel, the palette to the right of both.
void MainWindow::buildLayout()
{
    m_pLabelWidget = new LabelWidget(document()->labels());
    auto* labelScroll = new QScrollArea;
    labelScroll->setWidget(m_pLabelWidget);
    labelScroll->setWidgetResizable(true);
    m_pLabelWidget->setScrollArea(labelScroll);

    m_pMenuWidget = new MenuWidget(document()->diagram(), document()->counters());
    auto* menuScroll = new QScrollArea;
    menuScroll->setWidget(m_pMenuWidget);
    menuScroll->setWidgetResizable(true);

    m_tabWidget = new SheetTabs(document(), m_pMenuWidget, m_pLabelWidget, this);
    auto* vSplitter = new QSplitter(Qt::Vertical);
    vSplitter->addWidget(m_tabWidget);
    vSplitter->addWidget(labelScroll);
    vSplitter->setStretchFactor(0, 1);
    auto* hSplitter = new QSplitter(Qt::Horizontal);
    hSplitter->addWidget(vSplitter);
    hSplitter->addWidget(menuScroll);
    hSplitter->setStretchFactor(0, 1);
    hSplitter->setStretchFactor(1, 1);
    setCentralWidget(hSplitter);

    connect(m_tabWidget, &QTabWidget::tabCloseRequested, this, &MainWindow::tabDelete);
    // A double click on a sheet's tab renames the sheet.
    connect(m_tabWidget, &QTabWidget::tabBarDoubleClicked, this, [this](int index) {
        if (index < 0 || index >= sheetCount())
            return;
        m_tabWidget->setCurrentIndex(index);
        tabRename();
    });
    connect(m_tabWidget, &QWidget::customContextMenuRequested, this, &MainWindow::showTabMenu);
    connect(m_tabWidget, &QTabWidget::currentChanged, this, &MainWindow::setCurrentTab);
    connect(m_tabWidget, &SheetTabs::currentSheetChanged, this, &MainWindow::currentTabChanged);
    connect(m_tabWidget, &SheetTabs::selectionChanged, this, &MainWindow::itemSelect);
    connect(this, &MainWindow::currentTabChanged, m_pLabelWidget, &LabelWidget::setCurrentTab);
}

void MainWindow::connectActions()
{
    connect(&m_session, &DocumentSession::stepRecorded, this, &MainWindow::stepRecorded);
    connect(&m_session, &DocumentSession::historyChanged, this, &MainWindow::showHistoryState);
    // The reader's own messages come in boxes of their own, without a parent.
    connect(document(), &Document::messageRaised, this,
            [this](const QString& title, const QString& text) { m_prompts->warning(nullptr, title, text); });
    connect(action("actionNew"), &QAction::triggered, this, &MainWindow::newDiagram);
    connect(action("actionOpen"), &QAction::triggered, this, [this] { open(); });
    connect(action("actionSave"), &QAction::triggered, this, [this] { save(); });
    connect(action("actionSaveAs"), &QAction::triggered, this, &MainWindow::saveAs);
    connectModulesMenu(*this);
    connect(action("actionTabNew"), &QAction::triggered, this, [this] { tabNew(); });
    connect(action("actionRename"), &QAction::triggered, this, &MainWindow::tabRename);
    connect(action("actionQuit"), &QAction::triggered, m_parent, &QWidget::close);
    connect(action("actionPreview"), &QAction::triggered, this, [this] {
        PreviewWindow* preview = PreviewWindow::showFor(this, document(), fileName());
        if (fileName().isEmpty() && !m_templateStimulus.isEmpty() && preview->stimulusFile().isEmpty())
            preview->setStimulusFile(m_templateStimulus);
    });
    connect(action("actionNewFromTemplate"), &QAction::triggered, this, &MainWindow::newFromTemplate);
    for (QAction* recent : m_actions->recentFileActions())
        connect(recent, &QAction::triggered, this, &MainWindow::openRecentFile);
}

void MainWindow::connectDeviceActions()
{
    const QVector<QPair<const char*, void (MainWindow::*)()>> commands = {
        {"action_Download", &MainWindow::on_action_Download_triggered},
        {"action_Verify", &MainWindow::on_action_Verify_triggered},
        {"action_Save", &MainWindow::on_action_Save_triggered},
        {"action_Restore", &MainWindow::on_action_Restore_triggered},
        {"action_Change_Boot_ROM_Page", &MainWindow::on_action_Change_Boot_ROM_Page_triggered},
        {"action_Write_Protect", &MainWindow::on_action_Write_Protect_triggered},
        {"action_Clear_ROM", &MainWindow::on_action_Clear_ROM_triggered},
        {"actionSync", &MainWindow::on_actionSync_triggered},
        {"action_User_Control", &MainWindow::on_action_User_Control_triggered},
        {"actionOstrum", &MainWindow::on_actionOstrum_triggered},
        {"action_DRC", &MainWindow::on_action_DRC_triggered},
        {"action_Property", &MainWindow::on_action_Property_triggered},
        {"actionHardware_Setup", &MainWindow::on_actionHardware_Setup_triggered},
        {"action_About", &MainWindow::on_action_About_triggered},
    };
    for (const auto& command : commands)
        connect(action(QLatin1String(command.first)), &QAction::triggered, this, command.second);
}

MainWindow::~MainWindow()
{
    m_settings.setGeometry(geometry());
    m_flows.reset();
    // The sheets show blocks of the document: they go before it.
    disconnect(m_tabWidget, nullptr, this, nullptr);
    document()->disconnect(this);
    m_session.disconnect(this);
    delete centralWidget();
}

void MainWindow::setPrompts(std::unique_ptr<Prompts> prompts)
{
    m_prompts = std::move(prompts);
}

MainWindow::InfoOstrum* MainWindow::infoOstrum()
{
    return &document()->info();
}

BlockDiagram* MainWindow::blockDiagram() const
{
    return document()->diagram();
}

void MainWindow::setTitle(const QString& file, const QString& program)
{
    m_parent->setWindowTitle(tr("%1[*] - %2").arg(file, program));
}

void MainWindow::warning(const QString& title, const QString& text)
{
    m_prompts->warning(this, title, text);
}

QString MainWindow::documentsLocation()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// ---------------------------------------------------------------------------------------------
// Sheets

QTabWidget* MainWindow::tabWidget() const
{
    return m_tabWidget;
}

int MainWindow::sheetCount() const
{
    return m_tabWidget->sheetCount();
}

ProgramWidget* MainWindow::programWidget(int id) const
{
    return m_tabWidget->sheet(id);
}

int MainWindow::currentTab() const
{
    return m_tabWidget->currentSheet();
}

void MainWindow::tabNew(bool bModified)
{
    if (!bModified) {
        document()->newSheet();
        return;
    }
    const DocumentSession::Edit step = m_session.edit();
    document()->newSheet();
}

void MainWindow::tabRename()
{
    if (currentTab() < 0)
        return;
    bool ok = false;
    const QString name = m_prompts->text(this, tr("Tab Rename"), tr("Please enter a new name."),
                                         m_tabWidget->tabText(currentTab()), &ok);
    if (!ok || name.trimmed().isEmpty())
        return;
    const DocumentSession::Edit step = m_session.edit();
    document()->setSheetName(currentTab(), name);
}

void MainWindow::showDrcLine(const QString& line)
{
    if (BlockItem* block = blockDiagram()->blockOfDrcLine(line))
        m_tabWidget->showBlock(block);
}

void MainWindow::tabDelete(int index)
{
    if (index < 0 || index >= sheetCount())
        return;
    const QPoint at = mapToGlobal(QPoint(100, 100));
    const QMessageBox::StandardButton answer =
        m_prompts->message(nullptr, QMessageBox::Warning, m_tabWidget->tabText(index),
                           tr("Are you sure you want to remove this sheet?"),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, &at);
    if (answer != QMessageBox::Yes)
        return;
    if (sheetCount() == 1) {
        // The document empties; its modified mark stays as it was.
        const bool bModified = m_session.isModified();
        {
            const DocumentSession::Edit step = m_session.edit();
            clear();
        }
        if (!bModified)
            m_session.markSaved();
        return;
    }
    const DocumentSession::Edit step = m_session.edit();
    m_tabWidget->setCurrentIndex(index == 0 ? 1 : 0);
    // Its blocks go first (giving back their units, taking their labels' outputs off the other
    // sheets); the document then re-reads the remaining sheets, which numbers them from 0 again.
    programWidget(index)->deleteTab();
    document()->removeSheet(index);
}

void MainWindow::setCurrentTab(int index)
{
    if (index < 0 || index == currentTab())
        return;
    if (index != m_tabWidget->plusIndex()) {
        m_tabWidget->activateSheet(index);
        return;
    }
    if (m_keys.tab()) {
        m_tabWidget->setCurrentIndex(0);
        return;
    }
    tabNew(true);
    // The new sheet comes into view.
    m_tabWidget->activateSheet(sheetCount() - 1);
}

void MainWindow::showTabMenu(const QPoint& pos)
{
    const int index = m_tabWidget->tabBar()->tabAt(m_tabWidget->tabBar()->mapFrom(m_tabWidget, pos));
    if (index < 0)
        return;
    m_tabWidget->setCurrentIndex(index);
    QMenu menu(this);
    menu.addAction(action(QStringLiteral("actionTabNew")));
    menu.addAction(action(QStringLiteral("actionRename")));
    menu.exec(m_tabWidget->mapToGlobal(pos));
}

void MainWindow::itemSelect(bool b)
{
    m_actions->setSelectionActionsEnabled(b);
}

// ---------------------------------------------------------------------------------------------
// Reading and writing

bool MainWindow::parseFile(const QByteArray& data)
{
    return document()->parseFile(data);
}

void MainWindow::dump(QTextStream& ts)
{
    DocumentFile::write(*document(), ts);
}

// ---------------------------------------------------------------------------------------------
// What the sheets ask of the window

void MainWindow::renameLabel(QString& name, QString& userName)
{
    document()->renameLabel(name, userName);
}

void MainWindow::renameInput(QString& name, QString& userName)
{
    document()->renameInput(name, userName);
}

void MainWindow::editInput(BlockItem* input, QString newName)
{
    document()->editInput(input, newName);
}

void MainWindow::deleteLabel(QString name)
{
    document()->deleteLabel(name);
}

bool MainWindow::bPasteInfo() const
{
    return action(QStringLiteral("actionPaste"))->isEnabled();
}

void MainWindow::paste()
{
    action(QStringLiteral("actionPaste"))->trigger();
}

// ---------------------------------------------------------------------------------------------
// Modified state and history

void MainWindow::stepRecorded()
{
    setDialogEnabled(false);
    if (ProgramWidget* canvas = programWidget(currentTab()))
        canvas->update();
}

void MainWindow::showHistoryState()
{
    m_parent->setWindowModified(m_session.isModified());
    m_actions->setUndoRedoEnabled(m_session.canUndo(), m_session.canRedo());
    if (m_flows) // not before the flows are made
        m_flows->refreshStatus();
}

void MainWindow::setDialogEnabled(bool bEnabled)
{
    m_flows->setDialogEnabled(bEnabled);
}

QMessageBox::StandardButton MainWindow::checkModified()
{
    if (!m_parent->isWindowModified())
        return QMessageBox::Discard;
    const QMessageBox::StandardButton answer =
        m_prompts->message(this, QMessageBox::Warning, QString(),
                           tr("The document has been modified.\nDo you want to save your changes?"),
                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    // The work waiting for the answer would lose the changes the save was to keep.
    if (answer == QMessageBox::Save && !save())
        return QMessageBox::Cancel;
    return answer;
}

void MainWindow::clear()
{
    document()->clear();
    *infoOstrum() = m_connection.cleared();
    m_flows->refreshStatus();
}

void MainWindow::clearBuffer()
{
    m_session.startHistory();
    m_flows->clearBuffer();
}

// ---------------------------------------------------------------------------------------------
// New, open, save

void MainWindow::newDiagram()
{
    m_keys.clearCtrl();
    if (checkModified() == QMessageBox::Cancel)
        return;
    clear();
    m_session.setFileName(QString());
    m_templateStimulus.clear();
    setTitle(NEW_FILE, PROGRAM);
    clearBuffer();
}

void MainWindow::newFromTemplate()
{
    m_keys.clearCtrl();
    if (checkModified() == QMessageBox::Cancel)
        return;
    TemplateDialog dialog(this);
    if (m_prompts->exec(dialog) != QDialog::Accepted || dialog.chosen().isEmpty())
        return;
    const QString name = dialog.chosen();
    QByteArray first = TemplateCatalog::read(TemplateCatalog::documentPath(name));
    if (!display(first, name, false))
        return;
    // Saving asks for a name, as for a document read back from the module.
    m_session.setFileName(QString());
    m_templateStimulus = TemplateCatalog::stimulusPath(name);
}

bool MainWindow::open(QString fileName)
{
    m_keys.clearCtrl();
    if (checkModified() == QMessageBox::Cancel)
        return false;
    if (fileName.isEmpty()) {
        fileName = m_prompts->openFileName(this, tr("Open Vextor File"), documentsLocation(), FILE_FILTER);
        if (fileName.isEmpty())
            return false;
    }
    // The document in the window stays as it is unless the file is read whole: a missing or too
    // large file is said, one that cannot be opened is passed over silently.
    QByteArray first;
    QString error;
    const DocumentFile::Read read = DocumentFile::read(fileName, first, &error);
    if (read == DocumentFile::Read::Missing || read == DocumentFile::Read::TooLarge)
        warning(PROGRAM, error);
    if (read != DocumentFile::Read::Read)
        return false;
    return display(first, fileName, true);
}

void MainWindow::openRecentFile()
{
    if (auto* act = qobject_cast<QAction*>(sender()))
        open(act->data().toString());
}

bool MainWindow::display(QByteArray& data, QString fileName, bool bSetRecent)
{
    m_templateStimulus.clear();
    clear();
    clearBuffer();
    if (parseFile(data)) {
        if (!document()->readOK())
            warning(PROGRAM, tr("The loaded file is not correct. Some setting is ignored."));
        setTitle(fileName, PROGRAM);
        if (sheetCount() > 1) {
            m_tabWidget->setCurrentIndex(1);
            m_tabWidget->setCurrentIndex(0);
        }
        programWidget(0)->repaint();
        m_session.setFileName(fileName);
        if (bSetRecent)
            setCurrentFile(fileName);
        // Replacing the document's settings by the command line's is a change, yet not one to
        // undo: the history starts after it, so no undo takes the target module from the user.
        const bool bChanged = m_connection.applyCommandLine(*infoOstrum());
        m_session.startHistory(!bChanged);
        if (bChanged)
            setDialogEnabled(false);
        m_flows->refreshStatus();
        return true;
    }
    clear();
    data.clear();
    setTitle(NEW_FILE, PROGRAM);
    m_session.startHistory();
    if (document()->isEmptyDocument())
        warning(PROGRAM, tr("File specified in %1 is not a valid XML file for Vextor3.").arg(fileName));
    return false;
}

bool MainWindow::checkExtension(QString& name)
{
    if (name.endsWith(QLatin1String(".vxt3")) || name.endsWith(QLatin1String(".vxt")) ||
        name.endsWith(QLatin1String(".xml")))
        return true;
    name += QLatin1String(".vxt3");
    if (!QFileInfo::exists(name))
        return true;
    const QMessageBox::StandardButton answer = m_prompts->message(
        this, QMessageBox::Warning, PROGRAM, tr("%1 already exists.\nDo you want to replace it?").arg(name),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::No);
    return answer != QMessageBox::No;
}

bool MainWindow::save(QString fileName)
{
    m_keys.clearCtrl();
    QString name = fileName;
    if (name.isEmpty())
        name = m_session.fileName();
    while (name.isEmpty()) {
        QString chosen =
            m_prompts->saveFileName(this, tr("Save Vextor File"), documentsLocation(), FILE_FILTER);
        if (chosen.isEmpty()) {
            m_session.setFileName(QString());
            return false;
        }
        if (checkExtension(chosen)) {
            setTitle(chosen, PROGRAM);
            name = chosen;
        }
        m_session.setFileName(name);
    }

    QString error;
    if (!DocumentFile::save(*document(), name, &error)) {
        warning(tr("file save"), tr("Cannot write file %1:\n%2.").arg(name, error));
        return false;
    }
    setCurrentFile(name);
    m_session.markSaved();
    return true;
}

void MainWindow::saveAs()
{
    const QString dir = fileName().isEmpty() ? documentsLocation() : fileName();
    QString name;
    for (;;) {
        name = m_prompts->saveFileName(this, tr("Save Vextor File"), dir, FILE_FILTER);
        if (name.isEmpty())
            return;
        if (checkExtension(name))
            break;
    }
    if (save(name)) {
        m_session.setFileName(name);
        setTitle(name, PROGRAM);
    }
}

// ---------------------------------------------------------------------------------------------
// Recent files

void MainWindow::setCurrentFile(const QString& fileName)
{
    m_settings.addRecentFile(fileName);
    updateRecentFileActions();
}

void MainWindow::updateRecentFileActions()
{
    m_actions->showRecentFiles(m_settings.recentFiles());
}

// ---------------------------------------------------------------------------------------------
// Keys and closing

bool MainWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        if (!m_keys.press(keyEvent->key()))
            return true;
        if (ProgramWidget* canvas = programWidget(currentTab()))
            canvas->passKey(keyEvent);
        break;
    }
    case QEvent::KeyRelease:
        m_keys.release(static_cast<QKeyEvent*>(event)->key());
        break;
    case QEvent::Close:
        if (checkModified() == QMessageBox::Cancel) {
            event->ignore();
            m_keys.clearCtrl();
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}

// ---------------------------------------------------------------------------------------------
// Device commands

void MainWindow::on_action_Download_triggered()
{
    m_flows->download();
}

void MainWindow::on_action_Verify_triggered()
{
    m_flows->verify();
}

void MainWindow::on_action_Save_triggered()
{
    m_flows->romCommand(RomCommand::Save);
}

void MainWindow::on_action_Restore_triggered()
{
    m_flows->romCommand(RomCommand::Restore);
}

void MainWindow::on_action_Change_Boot_ROM_Page_triggered()
{
    m_flows->romCommand(RomCommand::BootNum);
}

void MainWindow::on_action_Write_Protect_triggered()
{
    m_flows->writeProtect();
}

void MainWindow::on_action_Clear_ROM_triggered()
{
    m_flows->initializeRom();
}

void MainWindow::on_actionSync_triggered()
{
    m_flows->sync();
}

void MainWindow::on_action_User_Control_triggered()
{
    m_flows->windows().userControl();
}

void MainWindow::on_actionOstrum_triggered()
{
    m_flows->windows().counters();
}

void MainWindow::on_action_DRC_triggered()
{
    m_flows->windows().drc();
}

void MainWindow::on_action_Property_triggered()
{
    m_flows->windows().ethernetSetting();
}

void MainWindow::on_actionHardware_Setup_triggered()
{
    m_flows->windows().hardwareSetup();
}

void MainWindow::on_action_About_triggered()
{
    m_flows->about();
}

void MainWindow::closedOstrum()
{
    if (m_flows) // not while the window goes
        m_flows->windows().closedOstrum();
}

void MainWindow::closedUserControl()
{
    if (m_flows) // not while the window goes
        m_flows->windows().closedUserControl();
}

void MainWindow::closedDrcDialog()
{
    if (m_flows) // not while the window goes
        m_flows->windows().closedDrcDialog();
}
