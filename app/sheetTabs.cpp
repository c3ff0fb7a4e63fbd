#include "app/sheetTabs.h"

#include "editor/customscroll.h"
#include "editor/programWidget.h"
#include "io/document.h"

#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QVBoxLayout>

SheetTabs::SheetTabs(Document* pDocument, MenuWidget* pMenuWidget, LabelWidget* pLabelWidget,
                     SheetHost* pHost, QWidget* parent)
    : QTabWidget(parent)
    , m_pDocument(pDocument)
    , m_pMenuWidget(pMenuWidget)
    , m_pLabelWidget(pLabelWidget)
    , m_pHost(pHost)
    , m_plusPage(new QWidget(this))
{
    setTabShape(QTabWidget::Rounded);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setTabsClosable(true);
    setMovable(false);
    setMaximumWidth(MAX_WIDTH);
    setMinimumHeight(MIN_HEIGHT);
    rebuildSheetViews();
    connect(pDocument, &Document::sheetAdded, this, &SheetTabs::addSheetView);
    connect(pDocument, &Document::sheetRenamed, this, &SheetTabs::onSheetRenamed);
    connect(pDocument, &Document::sheetRemoved, this, &SheetTabs::removeSheetView);
    connect(pDocument, &Document::cleared, this, &SheetTabs::rebuildSheetViews);
    connect(pDocument, &Document::blockPlaced, this, &SheetTabs::onBlockPlaced);
}

void SheetTabs::removePlusTab()
{
    const int index = indexOf(m_plusPage);
    if (index >= 0)
        removeTab(index);
}

void SheetTabs::addPlusTab()
{
    const int index = addTab(m_plusPage, QStringLiteral("+"));
    tabBar()->setTabButton(index, QTabBar::LeftSide, nullptr);
    tabBar()->setTabButton(index, QTabBar::RightSide, nullptr);
}

void SheetTabs::addSheetView(int id)
{
    if (id < m_pProgramWidget.size())
        return;
    const QSignalBlocker blocker(this);
    removePlusTab();
    while (m_pProgramWidget.size() <= id) {
        const int n = m_pProgramWidget.size();
        auto* page = new QWidget;
        page->setObjectName(QStringLiteral("tab%1").arg(n));
        auto* layout = new QVBoxLayout(page);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* scroll = new CustomScroll(page);
        auto* canvas = new ProgramWidget(n, m_pDocument, m_pMenuWidget, m_pLabelWidget, m_pHost);
        scroll->setWidget(canvas);
        layout->addWidget(scroll);
        m_pProgramWidget.append(canvas);
        insertTab(n, page, m_pDocument->sheetName(n));
    }
    addPlusTab();
}

void SheetTabs::removeSheetView(int id)
{
    if (id < 0 || id >= m_pProgramWidget.size())
        return;
    const QSignalBlocker blocker(this);
    m_pProgramWidget.takeAt(id)->disconnect(this);
    QWidget* page = widget(id);
    removeTab(id);
    delete page;
    if (m_currentTab >= m_pProgramWidget.size())
        m_currentTab = -1;
}

void SheetTabs::rebuildSheetViews()
{
    {
        const QSignalBlocker blocker(this);
        while (count() > 0) {
            QWidget* page = widget(0);
            removeTab(0);
            if (page != m_plusPage)
                delete page;
        }
        m_pProgramWidget.clear();
    }
    m_currentTab = -1;
    addSheetView(qMax(0, m_pDocument->sheetCount() - 1));
    activateSheet(0);
}

void SheetTabs::onSheetRenamed(int id, const QString& name)
{
    if (id >= 0 && id < m_pProgramWidget.size())
        setTabText(id, name);
}

void SheetTabs::onBlockPlaced(int tid, BlockItem* block)
{
    addSheetView(tid);
    if (ProgramWidget* canvas = sheet(tid))
        canvas->showItem(block);
}

QScrollArea* SheetTabs::scrollArea(int id) const
{
    ProgramWidget* canvas = sheet(id);
    for (QWidget* w = canvas ? canvas->parentWidget() : nullptr; w; w = w->parentWidget()) {
        if (auto* scroll = qobject_cast<QScrollArea*>(w))
            return scroll;
    }
    return nullptr;
}

// The label panel follows the sheet in view; the previous sheet's selection no longer counts.
void SheetTabs::showBlock(BlockItem* block)
{
    ProgramWidget* canvas = sheet(block->getTid());
    if (!canvas)
        return;
    activateSheet(block->getTid());
    canvas->setCurrentItem(block);
    canvas->addSelect(block);
    if (QScrollArea* scroll = scrollArea(block->getTid())) {
        if (block->getLabel())
            scroll->ensureWidgetVisible(block->getLabel());
    }
}

namespace {
QPair<QString, QString> keyOf(const BlockItem* block)
{
    return block ? qMakePair(block->getType(), block->getName()) : QPair<QString, QString>();
}
} // namespace

SheetTabs::View SheetTabs::view() const
{
    View view;
    view.sheet = m_currentTab;
    if (const ProgramWidget* canvas = sheet(m_currentTab)) {
        view.current = keyOf(canvas->currentItem());
        for (const BlockItem* block : canvas->selectedItems())
            view.selected.append(keyOf(block));
    }
    for (int id = 0; id < sheetCount(); ++id) {
        const QScrollArea* scroll = scrollArea(id);
        view.scrolled.append(
            scroll ? QPoint(scroll->horizontalScrollBar()->value(), scroll->verticalScrollBar()->value())
                   : QPoint());
    }
    return view;
}

BlockItem* SheetTabs::findBlock(int id, const QPair<QString, QString>& key) const
{
    const SheetModel* model = m_pDocument->sheet(id);
    if (!model || key.second.isEmpty())
        return nullptr;
    for (int c = 0; c < SheetModel::ColumnCount; ++c) {
        for (BlockItem* block : model->column(SheetModel::Column(c))) {
            if (keyOf(block) == key)
                return block;
        }
    }
    return nullptr;
}

void SheetTabs::restore(const View& view)
{
    if (view.sheet >= 0 && view.sheet < sheetCount() && view.sheet != m_currentTab)
        activateSheet(view.sheet);
    for (int id = 0; id < qMin(sheetCount(), view.scrolled.size()); ++id) {
        if (QScrollArea* scroll = scrollArea(id)) {
            scroll->horizontalScrollBar()->setValue(view.scrolled.at(id).x());
            scroll->verticalScrollBar()->setValue(view.scrolled.at(id).y());
        }
    }
    ProgramWidget* canvas = sheet(m_currentTab);
    if (!canvas)
        return;
    if (m_currentTab == view.sheet) {
        canvas->clearSelect(true);
        canvas->setCurrentItem(findBlock(m_currentTab, view.current));
        for (const auto& key : view.selected) {
            if (BlockItem* block = findBlock(m_currentTab, key))
                canvas->addSelect(block);
        }
    }
    emit selectionChanged(canvas->currentItem() || !canvas->selectedItems().isEmpty());
    canvas->update();
}

void SheetTabs::activateSheet(int index)
{
    if (index < 0 || index >= m_pProgramWidget.size())
        return;
    if (currentIndex() != index) {
        const QSignalBlocker blocker(this);
        setCurrentIndex(index);
    }
    if (ProgramWidget* previous = sheet(m_currentTab))
        disconnect(previous, &ProgramWidget::itemSelect, this, &SheetTabs::selectionChanged);
    emit currentSheetChanged(index);
    ProgramWidget* canvas = m_pProgramWidget.at(index);
    canvas->clearSelect(true);
    connect(canvas, &ProgramWidget::itemSelect, this, &SheetTabs::selectionChanged, Qt::UniqueConnection);
    m_currentTab = index;
    emit selectionChanged(false);
}
