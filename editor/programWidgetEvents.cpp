// The sheet canvas's interaction: pressing, dragging and dropping, double-clicks, keys, the
// background menu, deleting and copying. What an edit does to the document is the document's
// sheet edits; this part finds out which edit the user's gesture asks for and shows its result.

#include "editor/programWidget.h"

#include "editor/sheetHost.h"
#include "editor/sheetPoints.h"
#include "io/document.h"
#include "io/pasteRules.h"
#include "io/sheetEdits.h"
#include "kit/prompts.h"
#include "model/blockKinds.h"

#include <QApplication>
#include <QClipboard>
#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolTip>

#include <cmath>

namespace {
const QColor DRAG_OVERLAY(200, 200, 200, 200);
const char* const UNKNOWN = "unknown";
// The settings dialogs keep clear of the screen's corner.
const int DIALOG_MIN_X = 20, DIALOG_MIN_Y = 50;

QPoint eventPoint(const QPointF& p)
{
    return p.toPoint();
}
} // namespace

// ---------------------------------------------------------------------------------------------
// Pressing: choosing, starting a wire, a move or a rubber band

// The modifiers carry the choice over from the previous press: Ctrl keeps the current block in the
// selection, Shift keeps the anchor of a range, a plain press makes the current block the anchor.
void ProgramWidget::pressPreStep()
{
    if (m_pMainWindow->bCtrlKey()) {
        m_bLine = false;
        if (m_selectItems.isEmpty())
            addSelect(m_currentItem);
    } else if (m_pMainWindow->bShiftKey() && !m_shiftStart) {
        m_shiftStart = m_currentItem;
    } else if (m_currentItem) {
        m_shiftStart = m_currentItem;
        if (m_bLine)
            m_bLine = false;
        else if (m_currentItem->getLabel() && !m_selectItems.contains(m_currentItem))
            m_currentItem->getLabel()->setPixmap(m_currentItem->getPixmap());
    } else {
        m_bLine = false;
    }
}

// The block whose picture holds the point, searched in the column the point's x falls in.
BlockItem* ProgramWidget::blockAt(const QPoint& p) const
{
    const int x = p.x();
    if (x < X1) {
        for (BlockItem* input : m_pDocument->diagram()->inputs()) {
            if (input->getTid() == m_id && input->checkPosition(-1, p))
                return input;
        }
        return nullptr;
    }
    const SheetModel::Column column = x < X2   ? SheetModel::PreLogicColumn
                                      : x < X3 ? SheetModel::FunctionColumn
                                      : x < X4 ? SheetModel::PostLogicColumn
                                               : SheetModel::OutputColumn;
    for (BlockItem* block : sheet()->column(column)) {
        if (block->checkPosition(m_id, p))
            return block;
    }
    return nullptr;
}

// What a press on a block starts: a wire from its output port (the drag carries its name, "OUT"
// in front of label and FeedBack sources), a move of the block elsewhere, or nothing.
QString ProgramWidget::dragName(BlockItem* p, const QPoint& press)
{
    const QPoint out = p->getOutPos();
    if (press.x() < out.x() - INDENT)
        return QLatin1String(MOVE);
    const QString name = p->getName();
    const int x = press.x();
    if (x < X1) {
        m_bPaint = true;
        m_pos1 = out;
        return name;
    }
    if (x < X2) {
        m_bPaint = true;
        m_pos1 = out;
        return name.startsWith(BlockKinds::FEED_BACK) || name.startsWith(BlockKinds::LABEL)
                   ? QStringLiteral("OUT") + name
                   : name;
    }
    if (x < X3) {
        // A label input is the end of its wire: it only moves.
        if (isPreLabelIn(p))
            return QLatin1String(MOVE);
        m_bPaint = true;
        return name.startsWith(BlockKinds::LABEL) ? QStringLiteral("OUT") + name : name;
    }
    if (x < X4) {
        if (name.contains(BlockKinds::LABEL))
            return QLatin1String(UNKNOWN);
        m_bPaint = true;
        return name;
    }
    return QLatin1String(MOVE);
}

void ProgramWidget::mousePressEvent(QMouseEvent* event)
{
    pressPreStep();
    m_currentItem = nullptr;
    m_bDrawSelect = false;
    m_pos1 = eventPoint(event->localPos());
    if (m_pos1.y() < CLK_ENABLE) {
        clearSelect(false);
        return;
    }
    BlockItem* p = blockAt(m_pos1);
    const bool onPicture = p && p->getLabel() && childAt(m_pos1) == p->getLabel();
    if (!onPicture) {
        clearSelect(false);
        if (event->button() == Qt::RightButton || selectLine(m_pos1))
            return;
        m_bDrawSelect = true;
        startDrag(QLatin1String(RECT), QPixmap(QStringLiteral(":/images/settings_divider.png")), m_pos1,
                  Qt::MoveAction, Qt::MoveAction);
        m_bDrawSelect = false;
        update();
        return;
    }

    m_currentItem = p;
    const QString name = dragName(p, m_pos1);
    if (name == QLatin1String(UNKNOWN)) {
        m_bPaint = m_bDrawRect = false;
        m_currentItem = nullptr;
        clearSelect(false);
        event->ignore();
        return;
    }
    if (m_pMainWindow->bCtrlKey()) {
        if (!m_selectItems.contains(p)) {
            addSelect(p);
        } else {
            m_selectItems.removeAll(p);
            p->getLabel()->setPixmap(p->getPixmap());
            m_currentItem = nullptr;
            emit itemSelect(!m_selectItems.isEmpty());
        }
        m_bPaint = m_bDrawRect = false;
        return;
    }
    if (m_pMainWindow->bShiftKey()) {
        if (m_shiftStart && m_shiftStart != p)
            shiftSelect(nullptr);
        m_bPaint = m_bDrawRect = false;
        return;
    }
    if (!m_selectItems.contains(p))
        clearSelect(false);
    if (event->button() == Qt::RightButton) {
        // The block's own menu follows.
        p->getLabel()->setPixmap(tinted(p->getPixmap(), m_colorMask));
        emit itemSelect(true);
        return;
    }
    dragBlock(p, name);
}

void ProgramWidget::startDrag(const QString& name, const QPixmap& pixmap, const QPoint& hotSpot,
                              Qt::DropActions actions, Qt::DropAction defaultAction)
{
    auto* mimeData = new QMimeData;
    mimeData->setData(QLatin1String(MIME_FORMAT), encodeItem(name, hotSpot));
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData);
    drag->setPixmap(pixmap);
    drag->setHotSpot(hotSpot);
    runDrag(drag, actions, defaultAction);
}

// Moves the block (or the selection) or draws a wire from it, by dragging.
void ProgramWidget::dragBlock(BlockItem* p, const QString& name)
{
    QLabel* label = p->getLabel();
    const QPixmap pressed = label->pixmap() ? *label->pixmap() : p->getPixmap();
    const QPoint offset = m_pos1 - label->pos();
    const bool move = name == QLatin1String(MOVE);
    auto* mimeData = new QMimeData;
    mimeData->setData(QLatin1String(MIME_FORMAT), encodeItem(name, offset));
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData);
    drag->setHotSpot(offset);
    if (move) {
        drag->setPixmap(p->getPixmap());
        label->setPixmap(tinted(pressed, DRAG_OVERLAY));
        m_bDrawRect = true;
    } else {
        drag->setPixmap(QPixmap(QStringLiteral(":/images/settings_divider.png")));
        m_bDrawRect = false;
    }
    const Qt::DropAction action = runDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    // The block may be gone (a drop elsewhere cannot delete it, but a dialog may have).
    if (action != Qt::MoveAction && showsItem(p) && p->getLabel() == label)
        label->setPixmap(pressed);
    m_bPaint = m_bDrawRect = false;
    update();
    emit itemSelect(true);
}

// ---------------------------------------------------------------------------------------------
// Dragging over the sheet and dropping

void ProgramWidget::dragMoveEvent(QDragMoveEvent* event)
{
    DragWidget::dragMoveEvent(event);
    m_pos2 = event->pos();
    repaint();
}

void ProgramWidget::dragLeaveEvent(QDragLeaveEvent* event)
{
    Q_UNUSED(event);
    m_pos2 = m_pos1;
    repaint();
}

void ProgramWidget::dropEvent(QDropEvent* event)
{
    m_bDrawRect = m_bDrawSelect = false;
    QString name;
    QPoint offset;
    if (!event->mimeData()->hasFormat(QLatin1String(MIME_FORMAT)) ||
        !decodeItem(event->mimeData()->data(QLatin1String(MIME_FORMAT)), name, offset)) {
        event->ignore();
        m_bPaint = false;
        update();
        return;
    }
    m_pos2 = event->pos();
    const bool fromHere = dragSource(event) == this;
    if (name == QLatin1String(RECT)) {
        bandSelect(QRect(m_pos1, m_pos2));
    } else if (name == QLatin1String(MOVE)) {
        if (fromHere)
            dropMove(m_pos2);
    } else if (SheetEdits::makesBlock(name)) {
        if (!fromHere)
            dropEntry(name, m_pos2);
    } else {
        dropWire(name, m_pos2);
    }
    if (fromHere) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->acceptProposedAction();
    }
    m_bPaint = false;
    update();
}

void ProgramWidget::dropMove(const QPoint& drop)
{
    if (!m_currentItem)
        return;
    const int step = m_currentItem->getPosition().y() > drop.y() ? -1 : 1;
    {
        // One drop, one undo step.
        const DocumentSession::Edit once = edit();
        if (!m_selectItems.isEmpty()) {
            const QPoint anchor = m_currentItem->getPosition();
            const QVector<BlockItem*> members = m_selectItems;
            for (BlockItem* p : members) {
                QPoint target = p->getPosition() - anchor + drop;
                move(p, step, &target);
            }
        } else {
            // A label dropped over the neighbouring column changes sides first.
            const int x = m_currentItem->getPosition().x();
            if (x == X3 || drop.x() > x + X1 - 1)
                changeLabel(m_currentItem, x > drop.x());
            QPoint target = drop;
            move(m_currentItem, step, &target);
        }
    }
    if (m_currentItem && m_currentItem->getLabel())
        m_currentItem->getLabel()->setPixmap(tinted(m_currentItem->getPixmap(), m_colorMask));
}

void ProgramWidget::dropEntry(const QString& name, const QPoint& drop)
{
    setCurrentItem(nullptr);
    BlockItem* p = nullptr;
    {
        const DocumentSession::Edit step = edit();
        // The document places the block; the sheet shows it when told (with its context actions).
        p = SheetEdits(m_pDocument, m_id).create(name, SheetPoints::column(drop.x()));
        if (!p)
            return;
        showItem(p);
    }
    setCurrentItem(p);
    emit itemSelect(true);
}

void ProgramWidget::dropWire(const QString& name, const QPoint& drop)
{
    const SheetPoints::WireTarget target = SheetPoints::wireTarget(*sheet(), m_id, drop);
    SheetEdits::WireResult wiring = SheetEdits::NoWire;
    {
        const DocumentSession::Edit step = edit();
        wiring = SheetEdits(m_pDocument, m_id).connect(name, target.column, target.slot, target.port);
    }
    switch (wiring) {
    case SheetEdits::Wired:
        break;
    case SheetEdits::FeedBackIntoNonFnc:
        m_pMainWindow->prompts().warning(this, QString(),
                                         tr("Cannot connect FeedBack and NonFnc. Please use DlyFnc with "
                                            "delay value 0."));
        break;
    case SheetEdits::NoWire:
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Hover, double-click and keys

bool ProgramWidget::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    // Block pictures carry no tip of their own, so the toolkit passes their tip event on to here.
    const auto* help = static_cast<QHelpEvent*>(event);
    const BlockItem* block = blockAt(help->pos());
    if (!block) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const QString& name = block->getName();
    const QString& userName = block->getUserName();
    QToolTip::showText(
        help->globalPos(),
        userName.isEmpty() || userName == name ? name : QStringLiteral("%1 (%2)").arg(userName, name), this);
    return true;
}

void ProgramWidget::mouseDoubleClickEvent(QMouseEvent* event)
{
    const QPoint p = eventPoint(event->localPos());
    if (p.y() < CLK_ENABLE)
        return;
    BlockItem* block = blockAt(p);
    if (block && block->getLabel() && childAt(p) == block->getLabel() && hasSettings(block))
        editItem(block);
}

void ProgramWidget::editItem(BlockItem* p)
{
    // The logic editor opens wide below the headers; the others beside the block.
    QPoint at;
    if (isLogicBlock(p))
        at = mapToGlobal(QPoint(0, 200));
    else
        at = mapToGlobal(QPoint(p->getPosition().x() - 100, qMin(p->getPosition().y(), 400)));
    at.setX(qMax(at.x(), DIALOG_MIN_X));
    at.setY(qMax(at.y(), DIALOG_MIN_Y));
    m_pMainWindow->editBlock(this, p, at);
}

void ProgramWidget::moveSelection(int step)
{
    const DocumentSession::Edit once = edit();
    // Down moves the lowest first, up the highest, so that members make room for each other.
    const QVector<BlockItem*> members = m_selectItems;
    for (int i = 0; i < members.size(); ++i)
        move(members.at(step < 0 ? i : members.size() - 1 - i), step);
}

void ProgramWidget::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Delete:
        actionDelete();
        break;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int step = event->key() == Qt::Key_Up ? -1 : 1;
        if (m_selectItems.isEmpty())
            move(m_currentItem, step);
        else
            moveSelection(step);
        update();
        break;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (m_selectItems.isEmpty())
            changeLabel(m_currentItem, event->key() == Qt::Key_Left);
        break;
    default:
        DragWidget::keyPressEvent(event);
    }
}

// ---------------------------------------------------------------------------------------------
// Selection

void ProgramWidget::addSelect(QRect* rect, QMap<int, BlockItem*>& map)
{
    for (BlockItem* p : map) {
        if (rect->contains(p->getPosition()))
            addSelect(p);
    }
}

void ProgramWidget::shiftSelect(QRect* rect)
{
    clearSelect(false);
    std::unique_ptr<QRect> area(rect);
    if (!area) {
        if (!m_shiftStart || !m_currentItem)
            return;
        area = std::make_unique<QRect>(m_shiftStart->getPosition(), m_currentItem->getPosition());
    }
    *area = area->normalized();
    // A band from the edges takes the first column and the first slots along.
    if (area->left() < 30)
        area->setLeft(0);
    if (area->top() <= 99)
        area->setTop(0);
    for (int c = SheetModel::InputColumn; c < SheetModel::ColumnCount; ++c)
        addSelect(area.get(), sheet()->column(SheetModel::Column(c)));
    emit itemSelect(!m_selectItems.isEmpty());
}

// The rubber band takes every block whose picture it touches, as the user sees them.
void ProgramWidget::bandSelect(const QRect& band)
{
    clearSelect(false);
    const QRect area = band.normalized();
    for (int c = SheetModel::InputColumn; c < SheetModel::ColumnCount; ++c) {
        for (BlockItem* p : sheet()->column(SheetModel::Column(c))) {
            if (area.intersects(QRect(p->getPosition(), p->iconSize())))
                addSelect(p);
        }
    }
    emit itemSelect(!m_selectItems.isEmpty());
}

void ProgramWidget::actionSelectAll()
{
    shiftSelect(new QRect(QPoint(0, 0), QPoint(1000, MAX_HEIGHT)));
}

// ---------------------------------------------------------------------------------------------
// Wires

// The rectangle a wire's ends span, widened to five pixels for a level wire.
QRect ProgramWidget::lineRect(const QLine& line)
{
    QRect rect = QRect(line.p1(), line.p2()).normalized();
    const int height = line.y2() - line.y1() + 1;
    if (height >= -2 && height <= 2) {
        rect.setTop(line.y1() - 2);
        rect.setBottom(line.y1() + 2);
    }
    return rect;
}

double ProgramWidget::distLinePoint(const QLine* line, const QPoint& p)
{
    const QPointF start = line->p1(), d = line->p2() - line->p1();
    const double length2 = QPointF::dotProduct(d, d);
    double t = length2 > 0 ? -QPointF::dotProduct(start - QPointF(p), d) / length2 : 0.0;
    t = qBound(0.0, t, 1.0);
    const QPointF nearest = start + t * d;
    return std::hypot(nearest.x() - p.x(), nearest.y() - p.y());
}

bool ProgramWidget::selectLine(const QPoint& p)
{
    if (p.isNull())
        return false;
    const QLine* best = nullptr;
    BlockItem* owner = nullptr;
    double bestDistance = 0;
    for (auto it = m_lines.constBegin(); it != m_lines.constEnd(); ++it) {
        const QLine* line = it.key();
        if (!lineRect(*line).contains(p))
            continue;
        const double distance = line->y2() - line->y1() + 1 == 0 ? 0.0 : distLinePoint(line, p);
        if (!best || distance < bestDistance) {
            best = line;
            owner = it.value();
            bestDistance = distance;
        }
        if (distance == 0)
            break;
    }
    if (!best)
        return false;
    m_bLine = true;
    m_currentItem = owner;
    m_selectedLine = *best;
    m_pos1 = best->p1();
    m_pos2 = m_pos3 = best->p2();
    m_bRefresh = false;
    repaint();
    m_bRefresh = true;
    return true;
}

void ProgramWidget::deleteLine()
{
    if (!m_bLine || !m_currentItem)
        return;
    const DocumentSession::Edit step = edit();
    SheetEdits(m_pDocument, m_id)
        .deleteWire(m_currentItem, SheetPoints::wirePort(m_currentItem, m_selectedLine));
    m_bLine = false;
    update();
}

QMenu* ProgramWidget::createMenu(const QPoint& pos)
{
    auto* menu = new QMenu(this);
    if ((m_bLine && lineRect(m_selectedLine).contains(pos)) || selectLine(pos)) {
        QAction* erase = menu->addAction(QIcon(QStringLiteral(":/images/delbutton.png")), tr("Delete"));
        connect(erase, &QAction::triggered, this, &ProgramWidget::deleteLine);
    } else {
        QAction* paste =
            menu->addAction(QIcon(QStringLiteral(":/Vextor_icon/Vextor_paste.png")), tr("Paste"));
        paste->setEnabled(m_pMainWindow->bPasteInfo());
        connect(paste, &QAction::triggered, this, [this] { m_pMainWindow->paste(); });
    }
    return menu;
}

void ProgramWidget::showMenu(const QPoint& pos)
{
    std::unique_ptr<QMenu> menu(createMenu(pos));
    menu->exec(mapToGlobal(pos));
}

// ---------------------------------------------------------------------------------------------
// Deleting, copying, label sides

void ProgramWidget::actionDelete()
{
    const DocumentSession::Edit once = edit();
    if (m_bLine) {
        deleteLine();
    } else if (!m_selectItems.isEmpty()) {
        // A deleted label takes its outputs along, which may be selected too: each deletion
        // drops its blocks from the selection.
        while (!m_selectItems.isEmpty())
            SheetEdits(m_pDocument, m_id).deleteItem(m_selectItems.first());
        update();
    } else if (m_currentItem) {
        deleteItem(m_currentItem);
    }
    emit itemSelect(false);
}

void ProgramWidget::deleteItem(BlockItem* block)
{
    const DocumentSession::Edit step = edit();
    SheetEdits(m_pDocument, m_id).deleteItem(block);
    m_bLine = false;
    m_currentItem = nullptr;
    update();
}

void ProgramWidget::deleteTab()
{
    SheetEdits(m_pDocument, m_id).deleteAll();
    update();
}

void ProgramWidget::actionCopy(bool bCut)
{
    QVector<BlockItem*> blocks = m_selectItems;
    if (blocks.isEmpty() && m_currentItem)
        blocks.append(m_currentItem);
    QApplication::clipboard()->setText(Clipboard::copyText(blocks));
    if (bCut)
        actionDelete();
}

bool ProgramWidget::changeLabel(BlockItem* label, bool bLeft)
{
    const DocumentSession::Edit step = edit();
    BlockItem* moved = SheetEdits(m_pDocument, m_id).changeLabel(label, bLeft);
    if (!moved)
        return false;
    showItem(moved);
    setCurrentItem(moved);
    return true;
}
