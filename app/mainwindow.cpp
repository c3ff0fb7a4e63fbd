#include "app/mainwindow.h"

#include "editor/customscroll.h"
#include "editor/dragwidget.h"
#include "editor/labelWidget.h"
#include "editor/menuWidget.h"
#include "editor/programWidget.h"
#include "io/document.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSaveFile>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QTabBar>
#include <QTabWidget>
#include <QTextStream>
#include <QToolBar>
#include <QVBoxLayout>

#include <iterator>

namespace {
const QString FILE_FILTER = QStringLiteral("Vextor3 Files (*.vxt3);;Vextor Files (*.vxt);;XML Files (*.xml)");
const QString PROGRAM = QStringLiteral("Vextor");
const QString NEW_FILE = QStringLiteral("NewFile");
const QString PLUS = QStringLiteral("+");
const QPoint FRAME_OFFSET(9, 36);
const QRect DEFAULT_GEOMETRY(9, 36, 950, 690);
const int TAB_MAX_WIDTH = 820;
const int TAB_MIN_HEIGHT = 100;

// The action table: object name, text, shortcut, icon.
struct ActionRow
{
    const char* objectName;
    const char* text;
    const char* shortcut;
    const char* icon;
};
const ActionRow ACTIONS[] = {
    {"actionNew", QT_TRANSLATE_NOOP("MainWindow", "&New"), "Ctrl+N", ":/Vextor_icon/Vextor_New file.png"},
    {"actionOpen", QT_TRANSLATE_NOOP("MainWindow", "&Open ..."), "Ctrl+O",
     ":/Vextor_icon/Vextor_folder2.png"},
    {"actionSync", QT_TRANSLATE_NOOP("MainWindow", "Sync &GUI settings"), "", ""},
    {"actionSave", QT_TRANSLATE_NOOP("MainWindow", "&Save"), "Ctrl+S", ":/Vextor_icon/Vextor_Save1.png"},
    {"actionSaveAs", QT_TRANSLATE_NOOP("MainWindow", "Save&As ..."), "", ""},
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
    {"action_DRC", QT_TRANSLATE_NOOP("MainWindow", "&DRC"), "", ":/Vextor_icon/Vextor_DRC.png"},
    {"action_Verify", QT_TRANSLATE_NOOP("MainWindow", "&Verify"), "", ""},
    {"action_Property", QT_TRANSLATE_NOOP("MainWindow", "&Ethernet Setting"), "",
     ":/Vextor_icon/Vextor_Cofigure.png"},
    {"actionHardware_Setup", QT_TRANSLATE_NOOP("MainWindow", "&Hardware Setup"), "", ""},
    {"action_Save", QT_TRANSLATE_NOOP("MainWindow", "&Save to ROM"), "", ""},
    {"action_Restore", QT_TRANSLATE_NOOP("MainWindow", "&Restore from ROM"), "", ""},
    {"action_Change_Boot_ROM_Page", QT_TRANSLATE_NOOP("MainWindow", "&Change Boot ROM Page"), "", ""},
    {"action_Clear_ROM", QT_TRANSLATE_NOOP("MainWindow", "&Initialize ROM area"), "", ""},
    {"action_About", QT_TRANSLATE_NOOP("MainWindow", "&About Vextor"), "", ""},
};

// Menus: an empty name is a separator, "menu_Recent_Files" the recent-file submenu.
const char* const FILE_MENU[] = {"actionNew",
                                 "actionOpen",
                                 "actionSync",
                                 "menu_Recent_Files",
                                 "actionSave",
                                 "actionSaveAs",
                                 "",
                                 "action_Write_Protect",
                                 "action_Download",
                                 "actionOstrum",
                                 "action_User_Control",
                                 "",
                                 "actionQuit"};
const char* const EDIT_MENU[] = {"action_Undo",  "actionRe_do",   "", "actionCut",        "actionCopy",
                                 "actionPaste",  "action_Delete", "", "actionSelect_All", "",
                                 "actionTabNew", "actionRename",  "", "action_DRC",       "action_Verify"};
const char* const SETUP_MENU[] = {"action_Property", "actionHardware_Setup",        "action_Save",
                                  "action_Restore",  "action_Change_Boot_ROM_Page", "action_Clear_ROM"};
const char* const HELP_MENU[] = {"action_About"};
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
const char* const INITIALLY_DISABLED[] = {"action_Undo",  "actionRe_do",        "actionCut",
                                          "actionCopy",   "actionPaste",        "action_Delete",
                                          "actionOstrum", "action_User_Control"};
} // namespace

// ---------------------------------------------------------------------------------------------
// Prompts shown to the user

MainWindow::Prompts::~Prompts() = default;

QMessageBox::StandardButton MainWindow::Prompts::message(QWidget* parent, QMessageBox::Icon icon,
                                                         const QString& title, const QString& text,
                                                         QMessageBox::StandardButtons buttons,
                                                         QMessageBox::StandardButton defaultButton,
                                                         const QPoint* at)
{
    QMessageBox box(icon, title, text, buttons, parent);
    box.setDefaultButton(defaultButton);
    if (at)
        box.move(*at);
    return QMessageBox::StandardButton(box.exec());
}

QString MainWindow::Prompts::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                          const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

QString MainWindow::Prompts::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                          const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString MainWindow::Prompts::text(QWidget* parent, const QString& title, const QString& label,
                                  const QString& text, bool* ok)
{
    return QInputDialog::getText(parent, title, label, QLineEdit::Normal, text, ok);
}

// ---------------------------------------------------------------------------------------------
// Construction and destruction

MainWindow::MainWindow(QString& fileName, InfoOstrum* info, QWidget* parent)
    : QMainWindow(parent)
    , m_document(std::make_unique<Document>())
    , m_parent(parent ? parent : this)
    , m_prompts(std::make_unique<Prompts>())
{
    DragWidget::initResources();
    useEditorFont();
    setMaximumWidth(MAX_WIDTH);
    setGeometry(DEFAULT_GEOMETRY);
    m_settings = new QSettings(QStringLiteral("Halvane"), QStringLiteral("Vextor"));
    m_settings->beginGroup(QStringLiteral("mainwindow"));
    const QRect stored = m_settings->value(QStringLiteral("geometry"), geometry()).toRect();
    m_settings->endGroup();
    move(stored.topLeft() - FRAME_OFFSET);
    resize(stored.size());

    createActions();
    createMenus();

    // Sheets above the label panel, the palette to the right of both.
    m_tabWidget = new QTabWidget;
    m_tabWidget->setTabShape(QTabWidget::Rounded);
    m_tabWidget->setContextMenuPolicy(Qt::CustomContextMenu);
    m_tabWidget->setTabsClosable(true);
    m_tabWidget->setMovable(false);
    m_tabWidget->setMaximumWidth(TAB_MAX_WIDTH);
    m_tabWidget->setMinimumHeight(TAB_MIN_HEIGHT);

    m_pLabelWidget = new LabelWidget(m_document->labels());
    auto* labelScroll = new QScrollArea;
    labelScroll->setWidget(m_pLabelWidget);
    labelScroll->setWidgetResizable(true);
    m_pLabelWidget->setScrollArea(labelScroll);

    m_pMenuWidget = new MenuWidget(m_document->diagram(), m_document->counters());
    auto* menuScroll = new QScrollArea;
    menuScroll->setWidget(m_pMenuWidget);
    menuScroll->setWidgetResizable(true);

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

    m_plusPage = new QWidget;
    rebuildSheetViews();

    connect(m_tabWidget, &QTabWidget::tabCloseRequested, this, &MainWindow::tabDelete);
    connect(m_tabWidget, &QWidget::customContextMenuRequested, this, &MainWindow::showTabMenu);
    connect(m_tabWidget, &QTabWidget::currentChanged, this, &MainWindow::setCurrentTab);
    connect(this, &MainWindow::currentTabChanged, m_pLabelWidget, &LabelWidget::setCurrentTab);
    connect(m_document.get(), &Document::sheetAdded, this, &MainWindow::addSheetView);
    connect(m_document.get(), &Document::sheetRenamed, this, &MainWindow::onSheetRenamed);
    connect(m_document.get(), &Document::sheetRemoved, this, &MainWindow::removeSheetView);
    connect(m_document.get(), &Document::cleared, this, &MainWindow::rebuildSheetViews);
    connect(m_document.get(), &Document::blockPlaced, this, &MainWindow::onBlockPlaced);
    // The reader's own messages come in boxes of their own, without a parent.
    connect(
        m_document.get(), &Document::messageRaised, this, [this](const QString& title, const QString& text) {
            m_prompts->message(nullptr, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
        });

    connect(action("actionNew"), &QAction::triggered, this, &MainWindow::newDiagram);
    connect(action("actionOpen"), &QAction::triggered, this, [this] { open(); });
    connect(action("actionSave"), &QAction::triggered, this, [this] { save(); });
    connect(action("actionSaveAs"), &QAction::triggered, this, &MainWindow::saveAs);
    connect(action("actionTabNew"), &QAction::triggered, this, [this] { tabNew(); });
    connect(action("actionRename"), &QAction::triggered, this, &MainWindow::tabRename);
    connect(action("actionQuit"), &QAction::triggered, m_parent, &QWidget::close);

    setTitle(NEW_FILE, QStringLiteral("Vextor Ⅲ"));

    if (info) {
        InfoOstrum& current = *infoOstrum();
        current = InfoOstrum::defaults(true);
        current.strAddr = info->strAddr;
        current.tcpPort = info->tcpPort;
        current.udpPort = info->udpPort;
        current.timeout = info->timeout;
        current.bStart = info->bStart;
        m_infoDefaultOstrum = current;
    } else {
        *infoOstrum() = InfoOstrum::defaults(true);
    }

    createToolBar();
    setDialogEnabled(false);
    createRecentFileActions();
    updateRecentFileActions();

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

MainWindow::~MainWindow()
{
    m_settings->beginGroup(QStringLiteral("mainwindow"));
    m_settings->setValue(QStringLiteral("geometry"), geometry());
    m_settings->endGroup();
    delete m_settings;
    qDeleteAll(m_buffer);
    // The sheets show blocks of the document: they go before it.
    disconnect(m_tabWidget, nullptr, this, nullptr);
    m_document->disconnect(this);
    // The "+" page lives in the tab widget's stack and goes with it.
    delete centralWidget();
    m_pProgramWidget.clear();
}

void MainWindow::setPrompts(std::unique_ptr<Prompts> prompts)
{
    m_prompts = std::move(prompts);
}

MainWindow::InfoOstrum* MainWindow::infoOstrum()
{
    return &m_document->info();
}

BlockDiagram* MainWindow::blockDiagram() const
{
    return m_document->diagram();
}

void MainWindow::createActions()
{
    for (const ActionRow& row : ACTIONS) {
        auto* act = new QAction(tr(row.text), this);
        act->setObjectName(QLatin1String(row.objectName));
        if (*row.shortcut)
            act->setShortcut(QKeySequence(QLatin1String(row.shortcut)));
        if (*row.icon)
            act->setIcon(QIcon(QLatin1String(row.icon)));
        m_actions.insert(act->objectName(), act);
    }
    for (const char* name : INITIALLY_DISABLED)
        action(QLatin1String(name))->setEnabled(false);
}

void MainWindow::createMenus()
{
    auto fill = [this](QMenu* menu, const char* const* names, int count) {
        for (int i = 0; i < count; ++i) {
            const QString name = QLatin1String(names[i]);
            if (name.isEmpty()) {
                menu->addSeparator();
            } else if (name == QLatin1String("menu_Recent_Files")) {
                m_recentMenu = menu->addMenu(tr("&Recent Files"));
                m_recentMenu->setObjectName(name);
            } else {
                menu->addAction(action(name));
            }
        }
    };
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("menu_File"));
    fill(file, FILE_MENU, int(std::size(FILE_MENU)));
    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->setObjectName(QStringLiteral("menu_Edit"));
    fill(edit, EDIT_MENU, int(std::size(EDIT_MENU)));
    QMenu* setup = menuBar()->addMenu(tr("&Setup"));
    setup->setObjectName(QStringLiteral("menu_Setup"));
    fill(setup, SETUP_MENU, int(std::size(SETUP_MENU)));
    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("menu_Help"));
    fill(help, HELP_MENU, int(std::size(HELP_MENU)));
}

void MainWindow::createToolBar()
{
    m_toolBar = new QToolBar(tr("toolBar"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    for (const char* name : TOOL_BAR) {
        if (!*name)
            m_toolBar->addSeparator();
        else
            m_toolBar->addAction(action(QLatin1String(name)));
    }
}

void MainWindow::createRecentFileActions()
{
    for (int i = 0; i < MAX_RECENT_FILES; ++i) {
        m_recentFileActs[i] = new QAction(this);
        m_recentFileActs[i]->setVisible(false);
        connect(m_recentFileActs[i], &QAction::triggered, this, &MainWindow::openRecentFile);
        m_recentMenu->addAction(m_recentFileActs[i]);
    }
}

void MainWindow::setTitle(const QString& file, const QString& program)
{
    m_parent->setWindowTitle(tr("%1[*] - %2").arg(file, program));
}

void MainWindow::warning(const QString& title, const QString& text)
{
    m_prompts->message(this, QMessageBox::Warning, title, text, QMessageBox::Ok, QMessageBox::Ok);
}

QString MainWindow::documentsLocation()
{
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

// ---------------------------------------------------------------------------------------------
// Sheet views: one tab per sheet of the document, then the "+" tab

void MainWindow::removePlusTab()
{
    const int index = m_tabWidget->indexOf(m_plusPage);
    if (index >= 0)
        m_tabWidget->removeTab(index);
}

void MainWindow::addPlusTab()
{
    const int index = m_tabWidget->addTab(m_plusPage, PLUS);
    QTabBar* bar = m_tabWidget->tabBar();
    bar->setTabButton(index, QTabBar::LeftSide, nullptr);
    bar->setTabButton(index, QTabBar::RightSide, nullptr);
}

void MainWindow::addSheetView(int id)
{
    if (id < m_pProgramWidget.size())
        return;
    const QSignalBlocker blocker(m_tabWidget);
    removePlusTab();
    while (m_pProgramWidget.size() <= id) {
        const int n = m_pProgramWidget.size();
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("tab%1").arg(n));
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* scroll = new CustomScroll(page);
        auto* canvas = new ProgramWidget(n, m_document.get(), m_pMenuWidget, m_pLabelWidget, this);
        scroll->setWidget(canvas);
        layout->addWidget(scroll);
        m_pProgramWidget.append(canvas);
        m_tabWidget->insertTab(n, page, m_document->sheetName(n));
    }
    addPlusTab();
}

void MainWindow::removeSheetView(int id)
{
    if (id < 0 || id >= m_pProgramWidget.size())
        return;
    const QSignalBlocker blocker(m_tabWidget);
    ProgramWidget* canvas = m_pProgramWidget.takeAt(id);
    QWidget* page = m_tabWidget->widget(id);
    m_tabWidget->removeTab(id);
    canvas->disconnect(this);
    delete page;
    if (m_currentTab >= m_pProgramWidget.size())
        m_currentTab = -1;
}

void MainWindow::rebuildSheetViews()
{
    {
        const QSignalBlocker blocker(m_tabWidget);
        while (m_tabWidget->count() > 0) {
            QWidget* page = m_tabWidget->widget(0);
            m_tabWidget->removeTab(0);
            if (page != m_plusPage)
                delete page;
        }
        m_pProgramWidget.clear();
    }
    m_currentTab = -1;
    addSheetView(qMax(0, m_document->sheetCount() - 1));
    activateSheet(0);
}

void MainWindow::onSheetRenamed(int id, const QString& name)
{
    if (id >= 0 && id < m_pProgramWidget.size())
        m_tabWidget->setTabText(id, name);
}

void MainWindow::onBlockPlaced(int tid, BlockItem* block)
{
    addSheetView(tid);
    if (ProgramWidget* canvas = programWidget(tid))
        canvas->showItem(block);
}

// Makes sheet index the one in view: the label panel follows, the previous sheet's selection no
// longer drives the edit actions.
void MainWindow::activateSheet(int index)
{
    if (index < 0 || index >= m_pProgramWidget.size())
        return;
    if (m_tabWidget->currentIndex() != index) {
        const QSignalBlocker blocker(m_tabWidget);
        m_tabWidget->setCurrentIndex(index);
    }
    if (ProgramWidget* previous = programWidget(m_currentTab))
        disconnect(previous, &ProgramWidget::itemSelect, this, &MainWindow::itemSelect);
    emit currentTabChanged(index);
    ProgramWidget* canvas = m_pProgramWidget.at(index);
    canvas->clearSelect(true);
    connect(canvas, &ProgramWidget::itemSelect, this, &MainWindow::itemSelect, Qt::UniqueConnection);
    m_currentTab = index;
    itemSelect(false);
}

void MainWindow::tabNew(bool bModified)
{
    m_document->newSheet();
    if (bModified)
        setModified();
}

void MainWindow::addTab(int id, QString name)
{
    m_document->addTab(id, name);
}

void MainWindow::tabRename()
{
    if (m_currentTab < 0)
        return;
    bool ok = false;
    const QString name = m_prompts->text(this, tr("Tab Rename"), tr("Please enter a new name."),
                                         m_tabWidget->tabText(m_currentTab), &ok);
    if (!ok || name.trimmed().isEmpty())
        return;
    m_document->setSheetName(m_currentTab, name);
    setModified();
}

void MainWindow::tabDelete(int index)
{
    if (index < 0 || index >= m_pProgramWidget.size())
        return;
    const QPoint at = mapToGlobal(QPoint(100, 100));
    const QMessageBox::StandardButton answer =
        m_prompts->message(nullptr, QMessageBox::Warning, m_tabWidget->tabText(index),
                           tr("Are you sure you want to remove this sheet?"),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes, &at);
    if (answer != QMessageBox::Yes)
        return;
    if (m_pProgramWidget.size() == 1) {
        clear();
        return;
    }
    m_tabWidget->setCurrentIndex(index == 0 ? 1 : 0);
    m_document->removeSheet(index);
    setModified();
    // Re-reading the newest snapshot numbers the remaining sheets from 0 again.
    const QByteArray newest = m_buffer.isEmpty() ? m_document->toXml() : *m_buffer.constLast();
    clear();
    parseFile(newest);
}

void MainWindow::setCurrentTab(int index)
{
    if (index < 0 || index == m_currentTab)
        return;
    if (index == plusIndex()) {
        if (m_bTabKey) {
            m_tabWidget->setCurrentIndex(0);
            return;
        }
        tabNew(true);
        // The new sheet comes into view.
        m_tabWidget->setCurrentIndex(m_pProgramWidget.size() - 1);
        if (m_currentTab != m_pProgramWidget.size() - 1)
            activateSheet(m_pProgramWidget.size() - 1);
        return;
    }
    activateSheet(index);
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
    action(QStringLiteral("actionCut"))->setEnabled(b);
    action(QStringLiteral("actionCopy"))->setEnabled(b);
    action(QStringLiteral("action_Delete"))->setEnabled(b);
}

// ---------------------------------------------------------------------------------------------
// Reading and writing through the document

bool MainWindow::addItem(QString item, int tid, QMap<QString, QString> info, bool bCheck)
{
    return m_document->addItem(item, tid, info, bCheck);
}

BlockItem* MainWindow::addItem(QString item, int id, int tid, QString name, QPoint pos)
{
    return m_document->addItem(item, id, tid, name, pos);
}

bool MainWindow::parseFile(const QByteArray& data)
{
    const bool ok = m_document->parseFile(data);
    m_bReadOK = m_document->readOK();
    m_isEmpty = m_document->isEmptyDocument();
    return ok;
}

void MainWindow::dump(QTextStream& ts)
{
    m_document->dump(ts);
}

// ---------------------------------------------------------------------------------------------
// Names shared across sheets

void MainWindow::renameLabel(QString& name, QString& userName)
{
    for (BlockItem* p : m_document->diagram()->labels()) {
        if (p->getName() != name)
            continue;
        p->setUserName(userName);
        if (QLabel* label = p->getLabel())
            label->setPixmap(p->getPixmap());
    }
    for (BlockItem* p : m_document->diagram()->outs()) {
        if (p->getName() != name)
            continue;
        p->setUserName(userName);
        if (QLabel* label = p->getLabel())
            label->setPixmap(p->getPixmap());
        break;
    }
}

void MainWindow::renameInput(QString& name, QString& userName)
{
    for (NIM_IN* p : m_document->diagram()->inputs()) {
        if (p->getName() != name)
            continue;
        p->setUserName(userName);
        if (QLabel* label = p->getLabel())
            label->setPixmap(p->getPixmap());
    }
}

void MainWindow::editInput(BlockItem* input, QString newName)
{
    QString userName = input->getUserName();
    for (NIM_IN* other : m_document->diagram()->inputs()) {
        if (other == input || other->getName() != newName)
            continue;
        if (input->getUserName() != newName)
            renameInput(newName, userName);
        else
            userName = other->getUserName();
        break;
    }
    input->setUserName(userName);
    if (QLabel* label = input->getLabel())
        label->setPixmap(input->getPixmap());
    input->setName(newName);
}

// ---------------------------------------------------------------------------------------------
// Modified state and snapshots

void MainWindow::setModified()
{
    if (m_bIgnore)
        return;
    while (m_buffer.size() > m_index + 1)
        delete m_buffer.takeLast();
    m_buffer.append(new QByteArray(m_document->toXml()));
    ++m_index;
    m_parent->setWindowModified(true);
    setDialogEnabled(false);
    action(QStringLiteral("action_Undo"))->setEnabled(true);
    action(QStringLiteral("actionRe_do"))->setEnabled(false);
    if (ProgramWidget* canvas = programWidget(m_currentTab))
        canvas->update();
}

void MainWindow::setDialogEnabled(bool bEnabled)
{
    action(QStringLiteral("actionOstrum"))->setEnabled(bEnabled);
    action(QStringLiteral("action_User_Control"))->setEnabled(bEnabled);
}

QMessageBox::StandardButton MainWindow::checkModified()
{
    if (!m_parent->isWindowModified())
        return QMessageBox::Discard;
    const QMessageBox::StandardButton answer =
        m_prompts->message(this, QMessageBox::Warning, QString(),
                           tr("The document has been modified.\nDo you want to save your changes?"),
                           QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
    if (answer == QMessageBox::Save)
        save();
    return answer;
}

void MainWindow::clear()
{
    m_document->clear();
    // A document that was already empty may not announce itself; the views follow it anyway.
    if (m_pProgramWidget.size() != m_document->sheetCount())
        rebuildSheetViews();
    resetConnectionSettings();
}

void MainWindow::resetConnectionSettings()
{
    if (m_infoDefaultOstrum.strAddr.isEmpty())
        *infoOstrum() = InfoOstrum::defaults(false);
    else
        *infoOstrum() = m_infoDefaultOstrum;
}

void MainWindow::clearBuffer()
{
    qDeleteAll(m_buffer);
    m_buffer.clear();
    m_parent->setWindowModified(false);
    m_index = m_saveIndex = m_loadIndex = -1;
    action(QStringLiteral("action_Undo"))->setEnabled(false);
    action(QStringLiteral("actionRe_do"))->setEnabled(false);
    setDialogEnabled(false);
}

// ---------------------------------------------------------------------------------------------
// New, open, save

void MainWindow::newDiagram()
{
    m_bCtrlKey = false;
    if (checkModified() == QMessageBox::Cancel)
        return;
    clear();
    m_fileName.clear();
    setTitle(NEW_FILE, PROGRAM);
    clearBuffer();
    m_first.clear();
}

void MainWindow::open(QString fileName)
{
    m_bCtrlKey = false;
    if (checkModified() == QMessageBox::Cancel)
        return;
    if (fileName.isEmpty()) {
        fileName = m_prompts->openFileName(this, tr("Open Vextor File"), documentsLocation(), FILE_FILTER);
        if (fileName.isEmpty())
            return;
    } else if (!QFileInfo::exists(fileName)) {
        warning(PROGRAM, tr("%1: No such file or directory.").arg(fileName));
        return;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_first = file.readAll();
    display(m_first, fileName, true);
}

void MainWindow::openRecentFile()
{
    if (auto* act = qobject_cast<QAction*>(sender()))
        open(act->data().toString());
}

bool MainWindow::display(QByteArray& data, QString fileName, bool bSetRecent)
{
    clear();
    clearBuffer();
    if (parseFile(data)) {
        if (!m_bReadOK)
            warning(PROGRAM, tr("The loaded file is not correct. Some setting is ignored."));
        setTitle(fileName, PROGRAM);
        if (m_pProgramWidget.size() > 1) {
            m_tabWidget->setCurrentIndex(1);
            m_tabWidget->setCurrentIndex(0);
        }
        m_pProgramWidget.at(0)->repaint();
        m_fileName = fileName;
        if (bSetRecent)
            setCurrentFile(fileName);
        applyCommandLineSettings();
        return true;
    }
    clear();
    data.clear();
    setTitle(NEW_FILE, PROGRAM);
    if (m_isEmpty)
        warning(PROGRAM, tr("File specified in %1 is not a valid XML file for Vextor3.").arg(fileName));
    return false;
}

// Command-line settings always win over the document's; replacing them is a change.
void MainWindow::applyCommandLineSettings()
{
    if (m_infoDefaultOstrum.strAddr.isEmpty() || !infoOstrum()->differsFrom(m_infoDefaultOstrum))
        return;
    *infoOstrum() = m_infoDefaultOstrum;
    setModified();
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
    m_bCtrlKey = false;
    QString name = fileName;
    if (name.isEmpty())
        name = m_fileName;
    while (name.isEmpty()) {
        m_fileName = m_prompts->saveFileName(this, tr("Save Vextor File"), documentsLocation(), FILE_FILTER);
        if (m_fileName.isEmpty())
            return false;
        if (checkExtension(m_fileName)) {
            setTitle(m_fileName, PROGRAM);
            name = m_fileName;
        } else {
            m_fileName.clear();
        }
    }

    // The previous file is replaced only once the new text is completely written.
    QSaveFile file(name);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream ts(&file);
        dump(ts);
        ts.flush();
        if (file.commit()) {
            setCurrentFile(name);
            m_saveIndex = m_index;
            m_parent->setWindowModified(false);
            return true;
        }
    }
    warning(tr("file save"), tr("Cannot write file %1:\n%2.").arg(name, file.errorString()));
    return false;
}

void MainWindow::saveAs()
{
    const QString dir = m_fileName.isEmpty() ? documentsLocation() : m_fileName;
    QString name;
    for (;;) {
        name = m_prompts->saveFileName(this, tr("Save Vextor File"), dir, FILE_FILTER);
        if (name.isEmpty())
            return;
        if (checkExtension(name))
            break;
    }
    if (save(name)) {
        m_fileName = name;
        setTitle(name, PROGRAM);
    }
}

// ---------------------------------------------------------------------------------------------
// Recent files

void MainWindow::setCurrentFile(const QString& fileName)
{
    QStringList files = m_settings->value(QStringLiteral("recentFileList")).toStringList();
    files.removeAll(fileName);
    files.prepend(fileName);
    while (files.size() > MAX_RECENT_FILES)
        files.removeLast();
    m_settings->setValue(QStringLiteral("recentFileList"), files);
    updateRecentFileActions();
}

void MainWindow::updateRecentFileActions()
{
    const QStringList files = m_settings->value(QStringLiteral("recentFileList")).toStringList();
    const int shown = qMin(files.size(), int(MAX_RECENT_FILES));
    for (int i = 0; i < MAX_RECENT_FILES; ++i) {
        if (i < shown) {
            m_recentFileActs[i]->setText(tr("%1").arg(files.at(i)));
            m_recentFileActs[i]->setData(files.at(i));
            m_recentFileActs[i]->setVisible(true);
        } else {
            m_recentFileActs[i]->setVisible(false);
        }
    }
    m_recentMenu->setEnabled(shown > 0);
}

// ---------------------------------------------------------------------------------------------
// Keys and closing

bool MainWindow::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride: {
        auto* keyEvent = static_cast<QKeyEvent*>(event);
        bool* repeatFlag = nullptr;
        switch (keyEvent->key()) {
        case Qt::Key_Control:
            m_bCtrlKey = true;
            break;
        case Qt::Key_Shift:
            m_bShiftKey = true;
            break;
        case Qt::Key_Tab:
            m_bTabKey = true;
            return true;
        case Qt::Key_Delete:
            repeatFlag = &m_bDelKey;
            break;
        case Qt::Key_Up:
            repeatFlag = &m_bUpKey;
            break;
        case Qt::Key_Down:
            repeatFlag = &m_bDownKey;
            break;
        default:
            break;
        }
        // Held keys repeat; the sheet acts once per press.
        if (repeatFlag) {
            if (*repeatFlag)
                return true;
            *repeatFlag = true;
        }
        if (ProgramWidget* canvas = programWidget(m_currentTab))
            canvas->passKey(keyEvent);
        break;
    }
    case QEvent::KeyRelease:
        switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Control:
            m_bCtrlKey = false;
            break;
        case Qt::Key_Shift:
            m_bShiftKey = false;
            break;
        case Qt::Key_Tab:
            m_bTabKey = false;
            break;
        case Qt::Key_Delete:
            m_bDelKey = false;
            break;
        case Qt::Key_Up:
            m_bUpKey = false;
            break;
        case Qt::Key_Down:
            m_bDownKey = false;
            break;
        default:
            break;
        }
        break;
    case QEvent::Close:
        if (checkModified() == QMessageBox::Cancel) {
            event->ignore();
            m_bCtrlKey = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QMainWindow::event(event);
}
