#include "dialogs/modulesWindow.h"

#include "dialogs/drcDialog.h"
#include "dialogs/msrCntWidget.h"
#include "io/document.h"
#include "operations/operationTexts.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTextEdit>
#include <QVBoxLayout>

// The operations' questions during a run: the design-rule warnings are shown once, in the
// editor's dialog, and the answer holds for every module of the run; the verify question has been
// asked before the run began.
class ModulesWindow::RunPrompts : public OperationPrompts
{
public:
    RunPrompts(Prompts& prompts, QWidget* parent)
        : m_prompts(prompts)
        , m_parent(parent)
    {}

    void newRun() { m_answer.reset(); }

    bool continueAfterWarnings(const QString& report) override
    {
        if (!m_answer) {
            DrcDialog dialog(true, m_parent);
            dialog.getEdit()->setPlainText(report);
            bool bContinue = false;
            QObject::connect(&dialog, &DrcDialog::drcClosed, [&bContinue](bool b) { bContinue = b; });
            m_prompts.exec(dialog);
            m_answer = bContinue;
        }
        return *m_answer;
    }
    bool confirm(Question) override { return true; }
    bool chooseRomSlot(RomCommand, const ModuleStatus&, RomChoice&) override { return false; }
    bool chooseProtection(const Protection&, Protection&) override { return false; }

private:
    Prompts& m_prompts;
    QWidget* m_parent;
    std::optional<bool> m_answer;
};

namespace {
const char* const HEADINGS[ModulesWindow::Columns] = {
    QT_TRANSLATE_NOOP("ModulesWindow", "Name"),        QT_TRANSLATE_NOOP("ModulesWindow", "Address"),
    QT_TRANSLATE_NOOP("ModulesWindow", "Reachable"),   QT_TRANSLATE_NOOP("ModulesWindow", "Hardware"),
    QT_TRANSLATE_NOOP("ModulesWindow", "Protection"),  QT_TRANSLATE_NOOP("ModulesWindow", "Boot slot"),
    QT_TRANSLATE_NOOP("ModulesWindow", "Document"),    QT_TRANSLATE_NOOP("ModulesWindow", "Holds document"),
    QT_TRANSLATE_NOOP("ModulesWindow", "Last result"),
};

// The version bytes as text when they are printable, else in hexadecimal: they come from the
// module and may hold anything.
QString versionText(const QByteArray& version)
{
    for (char c : version) {
        if (c < 0x20 || c > 0x7e)
            return QString::fromLatin1(version.toHex(' '));
    }
    return QString::fromLatin1(version);
}

QString actionName(ModuleFleet::Action action)
{
    switch (action) {
    case ModuleFleet::Action::Download:
        return ModulesWindow::tr("Download");
    case ModuleFleet::Action::Verify:
        return ModulesWindow::tr("Verify");
    case ModuleFleet::Action::Status:
        break;
    }
    return ModulesWindow::tr("Refresh");
}
} // namespace

ModulesWindow::ModulesWindow(const QString& listFile, const ModuleList& list, Prompts& prompts,
                             QWidget* parent)
    : QDialog(parent)
    , m_listFile(listFile)
    , m_prompts(prompts)
    , m_runPrompts(std::make_unique<RunPrompts>(prompts, this))
    , m_fleet(std::make_unique<ModuleFleet>(list, *m_runPrompts))
    , m_table(new QTableWidget(list.size(), Columns, this))
    , m_status(new QLabel(this))
    , m_counters(list.size())
{
    setWindowTitle(tr("Modules - %1").arg(QFileInfo(listFile).fileName()));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setAttribute(Qt::WA_DeleteOnClose);
    for (int c = 0; c < Columns; ++c)
        m_table->setHorizontalHeaderItem(c, new QTableWidgetItem(tr(HEADINGS[c])));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    for (int i = 0; i < list.size(); ++i)
        showModule(i);
    m_table->resizeColumnsToContents();

    const auto addButton = [this](QLayout* layout, const char* name, const QString& text, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        layout->addWidget(b);
        return b;
    };
    auto* row = new QHBoxLayout;
    addButton(row, "downloadButton", tr("&Download"), [this] { download({currentModule()}); });
    addButton(row, "verifyButton", tr("&Verify"), [this] { verify({currentModule()}); });
    addButton(row, "openButton", tr("&Open document"), [this] { openDocumentOf(currentModule()); });
    addButton(row, "countersButton", tr("&Counters"), [this] { openCountersOf(currentModule()); });
    row->addStretch();
    auto* all = new QHBoxLayout;
    addButton(all, "downloadAllButton", tr("Download &All"), [this] { download({}); });
    addButton(all, "verifyAllButton", tr("Verify A&ll"), [this] { verify({}); });
    addButton(all, "refreshButton", tr("&Refresh"), [this] { refresh(); });
    addButton(all, "saveListButton", tr("&Save List ..."), [this] { saveList(); });
    all->addStretch();
    addButton(all, "closeButton", tr("Close"), [this] { close(); });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addLayout(row);
    layout->addLayout(all);
    layout->addWidget(m_status);
    resize(900, 360);

    connect(m_table, &QTableWidget::itemSelectionChanged, this, &ModulesWindow::updateButtons);
    connect(m_table, &QTableWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (currentModule() < 0)
            return;
        QMenu menu(this);
        for (const char* name : {"downloadButton", "verifyButton", "openButton", "countersButton"}) {
            QPushButton* b = button(QLatin1String(name));
            menu.addAction(b->text(), b, &QPushButton::click)->setEnabled(b->isEnabled());
        }
        menu.exec(m_table->viewport()->mapToGlobal(pos));
    });
    connect(m_fleet.get(), &ModuleFleet::moduleChanged, this, &ModulesWindow::showModule);
    connect(m_fleet.get(), &ModuleFleet::finished, this, &ModulesWindow::runFinished);
    updateButtons();
    refresh();
}

ModulesWindow::~ModulesWindow() = default; // the fleet stops its operations before its prompts go

QPushButton* ModulesWindow::button(const QString& objectName) const
{
    return findChild<QPushButton*>(objectName);
}

int ModulesWindow::currentModule() const
{
    const QList<QTableWidgetItem*> selected = m_table->selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->row();
}

void ModulesWindow::download(const QVector<int>& modules)
{
    run(ModuleFleet::Action::Download, modules, true);
}

void ModulesWindow::verify(const QVector<int>& modules)
{
    const QuestionBox form = QuestionBox::of(Question::VerifyOutput);
    Prompts::Box box;
    box.icon = QMessageBox::Warning;
    box.title = form.title;
    box.text = form.text;
    box.informative = form.informative;
    box.buttons = QMessageBox::Yes | QMessageBox::Cancel;
    box.defaultButton = QMessageBox::Yes;
    if (m_prompts.ask(this, box) == QMessageBox::Yes)
        run(ModuleFleet::Action::Verify, modules, true);
}

void ModulesWindow::refresh()
{
    run(ModuleFleet::Action::Status, {}, false);
}

void ModulesWindow::run(ModuleFleet::Action action, const QVector<int>& modules, bool bProgressDialog)
{
    if (modules.contains(-1) || m_fleet->isRunning())
        return;
    m_runPrompts->newRun();
    const int total = modules.isEmpty() ? m_fleet->list().size() : modules.size();
    if (bProgressDialog) {
        m_progress = new QProgressDialog(this);
        m_progress->setWindowTitle(windowTitle());
        // Wide enough for the list's name in its title bar.
        m_progress->setMinimumWidth(m_progress->fontMetrics().horizontalAdvance(windowTitle()) + 160);
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setRange(0, total);
        m_progress->setMinimumDuration(0);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        const QString name = actionName(action);
        m_progress->setLabelText(tr("%1: 0 of %2 modules").arg(name).arg(total));
        connect(m_fleet.get(), &ModuleFleet::progress, m_progress, [this, name](int over, int all) {
            m_progress->setValue(over);
            m_progress->setLabelText(tr("%1: %2 of %3 modules").arg(name).arg(over).arg(all));
        });
        connect(m_progress, &QProgressDialog::canceled, m_fleet.get(), &ModuleFleet::cancel);
    }
    m_fleet->run(action, modules);
    m_status->setText(tr("%1 of %2 modules ...").arg(actionName(action)).arg(total));
    updateButtons();
    if (m_progress)
        m_progress->show();
}

void ModulesWindow::runFinished(ModuleFleet::Action action, int failed)
{
    if (m_progress) {
        m_progress->disconnect(this);
        m_progress->deleteLater();
        m_progress = nullptr;
    }
    m_status->setText(failed == 0   ? tr("%1: every module done").arg(actionName(action))
                      : failed == 1 ? tr("%1: 1 module not done").arg(actionName(action))
                                    : tr("%1: %2 modules not done").arg(actionName(action)).arg(failed));
    updateButtons();
}

void ModulesWindow::showModule(int module)
{
    const ModuleEntry& entry = m_fleet->list().at(module);
    const ModuleState& state = m_fleet->state(module);
    const auto set = [this, module](Column column, const QString& text, const QString& tip = QString()) {
        QTableWidgetItem* item = m_table->item(module, column);
        if (!item) {
            item = new QTableWidgetItem;
            m_table->setItem(module, column, item);
        }
        item->setText(text);
        item->setToolTip(tip);
        return item;
    };
    set(NameColumn, entry.name);
    set(AddressColumn, entry.address());
    set(ReachableColumn, state.reach == ModuleState::Reach::Unknown
                             ? QString()
                             : (state.reach == ModuleState::Reach::Reachable ? tr("yes") : tr("no")));
    set(HardwareColumn, versionText(state.version));
    set(ProtectionColumn, !state.registersProtected
                              ? QString()
                              : (*state.registersProtected ? tr("write-protected") : tr("writable")));
    set(BootSlotColumn, state.bootSlot < 0 ? QString() : QString::number(state.bootSlot));
    set(DocumentColumn, QFileInfo(entry.document).fileName(), entry.document);
    set(HoldsColumn, state.holds == ModuleState::Holds::Yes  ? tr("matched")
                     : state.holds == ModuleState::Holds::No ? tr("differs")
                                                             : tr("unknown"));
    // A failure's reason is on its last line, after the addresses it concerns; a verify's verdict
    // on its first, before the mismatch.
    const QStringList lines = state.message.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const bool bFirstLine = !state.bFailed || state.verdict == Verdict::Mismatch;
    const QString summary = lines.isEmpty() ? QString() : (bFirstLine ? lines.first() : lines.last());
    QTableWidgetItem* result = set(ResultColumn, state.bBusy ? tr("running ...") : summary, state.message);
    result->setForeground(state.bFailed && !state.bBusy ? QBrush(Qt::darkRed) : QBrush());
}

void ModulesWindow::updateButtons()
{
    const bool bIdle = !m_fleet->isRunning();
    const int module = currentModule();
    const bool bDocument = module >= 0 && !m_fleet->list().at(module).document.isEmpty();
    button(QStringLiteral("downloadButton"))->setEnabled(bIdle && bDocument);
    button(QStringLiteral("verifyButton"))->setEnabled(bIdle && bDocument);
    button(QStringLiteral("openButton"))->setEnabled(bDocument);
    button(QStringLiteral("countersButton"))->setEnabled(bDocument);
    for (const char* name : {"downloadAllButton", "verifyAllButton", "refreshButton"})
        button(QLatin1String(name))->setEnabled(bIdle);
}

void ModulesWindow::openDocumentOf(int module)
{
    if (module >= 0 && !m_fleet->list().at(module).document.isEmpty())
        emit openDocument(m_fleet->list().at(module));
}

void ModulesWindow::openCountersOf(int module)
{
    if (module < 0)
        return;
    if (m_counters[module]) {
        m_counters[module]->raise();
        m_counters[module]->activateWindow();
        return;
    }
    const ModuleEntry& entry = m_fleet->list().at(module);
    QString error;
    const std::unique_ptr<Document> document = ModuleFleet::readDocument(entry, &error);
    if (!document)
        return m_prompts.warning(this, tr("Vextor"), error);
    CounterMonitorSetup setup =
        CounterMonitorSetup::fromDiagram(*document->diagram(), entry.target(document.get()));
    if (!setup.hasCounters())
        return m_prompts.warning(this, OperationText::TITLE, OperationText::NO_MSRCNT);
    setup.bStart = true; // connect at once
    auto* counters = new MsrCntWidget(&setup, this);
    counters->setPrompts(m_prompts);
    counters->setWindowTitle(counters->windowTitle() + QStringLiteral(" - ") + entry.name);
    m_counters[module] = counters;
    counters->show();
}

void ModulesWindow::saveList()
{
    const QString fileName = m_prompts.saveFileName(this, tr("Save Module List"), m_listFile,
                                                    tr("Module lists (*.list *.txt);;All files (*)"));
    if (fileName.isEmpty())
        return;
    QString error;
    if (!m_fleet->list().save(fileName, &error))
        return m_prompts.warning(this, tr("Vextor"), error);
    m_listFile = fileName;
    setWindowTitle(tr("Modules - %1").arg(QFileInfo(fileName).fileName()));
}
