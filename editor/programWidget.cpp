#include "editor/programWidget.h"

#include "editor/labelWidget.h"
#include "editor/menuWidget.h"
#include "editor/nimAction.h"
#include "editor/sheetHost.h"
#include "io/document.h"
#include "model/blockKinds.h"
#include "model/nimLogic.h"
#include "picture/blockPainter.h"
#include "picture/sheetPainter.h"

#include <QLabel>
#include <QPainter>
#include <QTextStream>

ProgramWidget::ProgramWidget(int id, Document* pDocument, MenuWidget* pMenuWidget, LabelWidget* pLabelWidget,
                             SheetHost* pHost, QWidget* parent)
    : DragWidget(parent)
    , m_id(id)
    , m_pMainWindow(pHost)
    , m_pDocument(pDocument)
    , m_pBlockDiagram(pDocument->diagram())
    , m_pMenuWidget(pMenuWidget)
    , m_pLabelWidget(pLabelWidget)
    , m_colorMask(0, 0, 255, 70)
{
    setMinimumSize(MIN_WIDTH, MAX_HEIGHT);
    setAcceptDrops(true);
    showLabels();
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, &ProgramWidget::showMenu);
    connect(pDocument, &Document::blockChanged, this, &ProgramWidget::redrawLabel);
    connect(pDocument, &Document::blockRemoved, this, &ProgramWidget::forgetItem);
}

ProgramWidget::~ProgramWidget()
{
    clearLines();
}

SheetModel* ProgramWidget::sheet() const
{
    return m_pDocument->sheet(m_id);
}

void ProgramWidget::showLabels()
{
    for (const SheetPainter::Header& header : SheetPainter::headers()) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(header.objectName));
        label->setGeometry(header.geometry);
        label->setText(SheetPainter::headerText(header));
        m_headers.append(label);
    }
    m_labelOstrum = new QLabel(this);
    m_labelOstrum->setGeometry(SheetPainter::TOP_LINE);
}

int ProgramWidget::searchIndex(QMap<int, BlockItem*>& map, int height, int index, int step)
{
    return SheetModel::searchIndex(map, height, index, step);
}

int ProgramWidget::searchPosition(QMap<int, BlockItem*>& map, int height, int id, int step, int y0,
                                  QPoint* position)
{
    return SheetModel::searchPosition(map, height, id, step, y0, position);
}

bool ProgramWidget::move(BlockItem* item, int step, QPoint* position)
{
    const DocumentSession::Edit once = edit();
    if (!sheet()->move(item, step, position))
        return false;
    if (item->getLabel())
        labelOf(item)->move(toWidget(item->getPosition()));
    return true;
}

void ProgramWidget::addItem(QString item, BlockItem* p)
{
    // The document places it (and settles the label panel's marks); the window then shows it here,
    // and showing twice changes nothing.
    if (sheet()->columnOf(p) == SheetModel::ColumnCount && !m_pDocument->placeItem(m_id, item, p))
        return;
    showItem(p);
}

void ProgramWidget::redrawItem(BlockItem* p, bool bBold)
{
    showUserName(p, bBold);
}

void ProgramWidget::showItem(BlockItem* p)
{
    redrawItem(p, true);
    QLabel* label = labelOf(p);
    if (label && label->parentWidget() == this) {
        showPicture(p, false);
        label->move(toWidget(p->getPosition()));
        label->show();
        return;
    }
    label = new QLabel(this);
    label->move(toWidget(p->getPosition()));
    label->setAttribute(Qt::WA_DeleteOnClose);
    label->show();
    p->setLabel(label);
    showPicture(p, false);
    addMenu(label, p, hasSettings(p), isRenamable(p));
    update();
}

void ProgramWidget::addMenu(QLabel* label, BlockItem* pItem, bool bEdit, bool bRename)
{
    label->setContextMenuPolicy(Qt::ActionsContextMenu);
    QVector<NIMAction*> actions;
    if (bEdit)
        actions << addMenuEdit(pItem, this);
    actions << addCut(pItem, this) << addCopy(pItem, this) << addDelete(pItem, this);
    if (bRename)
        actions << addRename(pItem, this);
    for (NIMAction* action : actions) {
        // They act on the sheet, but go with the block's picture.
        action->setParent(label);
        label->addAction(action);
    }
}

BlockItem* ProgramWidget::addNIM_IN(QString name)
{
    BlockItem* p = m_pDocument->addNIM_IN(m_id, name);
    if (p)
        showItem(p);
    return p;
}

DocumentSession::Edit ProgramWidget::edit() const
{
    return m_pMainWindow->session().edit();
}

void ProgramWidget::setModified(BlockItem* p, QString* name)
{
    const DocumentSession::Edit step = edit();
    const QString type = p->getType();
    if (beginsWith(type, BlockKinds::CNT_FNC) || isLogicBlock(type) || isMsrCnt(type)) {
        redrawItem(p, false);
        if (QLabel* label = labelOf(p)) {
            showPicture(p, false);
            label->show();
        }
    } else if (isOutput(type) && name) {
        p->setType(*name);
        p->setName(*name);
    } else if (isInput(type) && name) {
        m_pMainWindow->editInput(p, *name);
    }
}

void ProgramWidget::setModified(QString& name, QString& strNew)
{
    const DocumentSession::Edit step = edit();
    // The label panel's entry follows the label's blocks.
    if (isCrossSheetName(name))
        m_pMainWindow->renameLabel(name, strNew);
    else if (isInputName(name))
        m_pMainWindow->renameInput(name, strNew);
}

bool ProgramWidget::checkName(QString& name, bool bAll)
{
    return m_pBlockDiagram->checkName(name, bAll);
}

void ProgramWidget::getFreeList(QString& type, QStringList& list)
{
    m_pBlockDiagram->getFreeList(type, list, m_id);
}

BlockItem* ProgramWidget::searchNIM_IN(QString& name, int tid)
{
    return m_pBlockDiagram->searchNIM_IN(name, tid);
}

void ProgramWidget::save(QTextStream& out, int depth)
{
    sheet()->save(out, depth);
}

QPixmap ProgramWidget::tinted(const QPixmap& pixmap, const QColor& mask)
{
    QPixmap result = pixmap;
    if (result.isNull())
        return result;
    QPainter painter(&result);
    painter.fillRect(result.rect(), mask);
    return result;
}

void ProgramWidget::setCurrentItem(BlockItem* p)
{
    if (m_currentItem && m_currentItem->getLabel() && !m_selectItems.contains(m_currentItem))
        showPicture(m_currentItem, false);
    m_currentItem = p;
    if (p && p->getLabel())
        showPicture(p, true);
}

void ProgramWidget::clearSelect(bool bAll)
{
    for (BlockItem* p : qAsConst(m_selectItems)) {
        if (p->getLabel())
            showPicture(p, false);
    }
    m_selectItems.clear();
    if (bAll) {
        if (m_currentItem && m_currentItem->getLabel())
            showPicture(m_currentItem, false);
        m_currentItem = nullptr;
        m_shiftStart = nullptr;
        m_bLine = false;
        m_bPaint = false;
    }
    emit itemSelect(false);
    update();
}

// The selection is kept in column order, then slot order.
void ProgramWidget::addSelect(BlockItem* p)
{
    if (!p)
        p = m_currentItem;
    if (!p || m_selectItems.contains(p))
        return;
    int at = m_selectItems.size();
    for (int i = 0; i < m_selectItems.size(); ++i) {
        const BlockItem* q = m_selectItems.at(i);
        const int x = q->getPosition().x();
        if ((x == p->getPosition().x() && q->getIndex() > p->getIndex()) || x > p->getPosition().x()) {
            at = i;
            break;
        }
    }
    m_selectItems.insert(at, p);
    if (p->getLabel())
        showPicture(p, true);
    emit itemSelect(true);
}

void ProgramWidget::clearLines()
{
    qDeleteAll(m_lines.keys());
    m_lines.clear();
}

bool ProgramWidget::showsItem(const BlockItem* p) const
{
    return labelOf(p) && labelOf(p)->parentWidget() == this;
}

// A block of this sheet got a new user name or picture; a selected one stays tinted.
void ProgramWidget::redrawLabel(BlockItem* p)
{
    if (!showsItem(p))
        return;
    const bool tint = p == m_currentItem || m_selectItems.contains(p);
    showPicture(p, tint);
}

void ProgramWidget::refreshItem(BlockItem* p)
{
    redrawLabel(p);
}

// A block of this sheet is about to be freed: nothing here may still refer to it.
void ProgramWidget::forgetItem(int tid, BlockItem* p)
{
    if (tid != m_id)
        return;
    if (showsItem(p))
        labelOf(p)->close();
    p->setLabel(nullptr);
    m_shown.remove(p);
    const bool wasChosen = m_selectItems.removeAll(p) > 0 || m_currentItem == p;
    if (m_currentItem == p)
        m_currentItem = nullptr;
    // Its wires are gone with it; a selected wire may have been one.
    m_bLine = false;
    if (m_shiftStart == p)
        m_shiftStart = nullptr;
    if (wasChosen)
        emit itemSelect(!m_selectItems.isEmpty() || m_currentItem);
    for (auto it = m_lines.begin(); it != m_lines.end();) {
        if (it.value() == p) {
            delete it.key();
            it = m_lines.erase(it);
        } else {
            ++it;
        }
    }
    update();
}

QString ProgramWidget::connectionText() const
{
    const InfoOstrum& info = *m_pMainWindow->infoOstrum();
    return tr("IP address: %1   TCP port: %2   UDP port: %3")
        .arg(info.strAddr)
        .arg(info.tcpPort)
        .arg(info.udpPort);
}

void ProgramWidget::paintEvent(QPaintEvent* event)
{
    DragWidget::paintEvent(event);
    const QString text = connectionText();
    if (m_labelOstrum->text() != text)
        m_labelOstrum->setText(text);

    SheetModel* model = sheet();
    if (!model)
        return;
    QPainter painter(this);
    painter.scale(m_zoom, m_zoom);
    SheetPainter::paintBands(painter);
    if (m_bRefresh) {
        clearLines();
        for (const SheetPainter::Wire& wire : SheetPainter::wires(*model))
            m_lines.insert(new QLine(wire.line), wire.target);
        refreshChangedPictures();
    }
    QVector<SheetPainter::Wire> drawn;
    for (auto it = m_lines.constBegin(); it != m_lines.constEnd(); ++it)
        drawn.append(SheetPainter::Wire{*it.key(), it.value()});
    SheetPainter::paintWires(painter, drawn);

    painter.setRenderHint(QPainter::Antialiasing);
    if (m_bPaint || m_bLine) {
        // The rubber wire while dragging from an output; a selected wire stays highlighted.
        painter.setPen(QPen(Qt::cyan));
        painter.drawLine(m_bPaint ? QLine(m_pos1, m_pos2) : m_selectedLine);
    }
    if (m_bDrawSelect) {
        painter.setPen(QPen(m_colorMask));
        painter.setBrush(QBrush(m_colorMask));
        painter.drawRect(QRect(m_pos1, m_pos2));
        painter.setBrush(Qt::NoBrush);
    }
    if (m_bDrawRect) {
        painter.setPen(QPen(Qt::cyan));
        const QPoint shift = m_pos2 - m_pos1;
        for (const BlockItem* p : qAsConst(m_selectItems))
            painter.drawRect(QRect(p->getPosition() + shift, p->iconSize()));
    }
}

QLabel* ProgramWidget::labelOf(const BlockItem* p)
{
    return qobject_cast<QLabel*>(p->getLabel());
}

QPixmap ProgramWidget::picture(const BlockItem* p) const
{
    return BlockPainter::pixmap(shownPicture(p), m_zoom);
}

QPoint ProgramWidget::toSheet(const QPointF& widgetPoint) const
{
    return (widgetPoint / m_zoom).toPoint();
}

QPoint ProgramWidget::toWidget(const QPoint& sheetPoint) const
{
    return (QPointF(sheetPoint) * m_zoom).toPoint();
}

void ProgramWidget::setZoom(qreal zoom)
{
    zoom = qBound(MIN_ZOOM, zoom, MAX_ZOOM);
    if (qFuzzyCompare(zoom, m_zoom))
        return;
    m_zoom = zoom;
    const QSize size = (QSizeF(MIN_WIDTH, MAX_HEIGHT) * zoom).toSize();
    setMinimumSize(size);
    resize(size);
    // The headers and the connection line grow with the sheet, in a font of the same scale.
    QFont font = this->font();
    if (font.pixelSize() > 0)
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * zoom)));
    else
        font.setPointSizeF(font.pointSizeF() * zoom);
    const QVector<SheetPainter::Header>& headers = SheetPainter::headers();
    for (int i = 0; i < m_headers.size() && i < headers.size(); ++i) {
        m_headers[i]->setFont(font);
        m_headers[i]->setGeometry(
            QRectF(QRectF(headers[i].geometry).topLeft() * zoom, QSizeF(headers[i].geometry.size()) * zoom)
                .toRect());
    }
    m_labelOstrum->setFont(font);
    m_labelOstrum->setGeometry(
        QRectF(QRectF(SheetPainter::TOP_LINE).topLeft() * zoom, QSizeF(SheetPainter::TOP_LINE.size()) * zoom)
            .toRect());
    for (int c = 0; c < SheetModel::ColumnCount; ++c) {
        for (BlockItem* p : qAsConst(sheet()->column(SheetModel::Column(c)))) {
            if (!showsItem(p))
                continue;
            labelOf(p)->move(toWidget(p->getPosition()));
            showPicture(p, p == m_currentItem || m_selectItems.contains(p));
        }
    }
    update();
}

void ProgramWidget::showPicture(BlockItem* p, bool tint)
{
    QLabel* label = labelOf(p);
    if (!label)
        return;
    const BlockPicture shown = shownPicture(p);
    const QPixmap pixmap = BlockPainter::pixmap(shown, m_zoom);
    label->setPixmap(tint ? tinted(pixmap, m_colorMask) : pixmap);
    label->adjustSize();
    m_shown.insert(p, shown);
}

// A wire changes a logic block's operand letters, an edit or an undo a block's settings caption.
void ProgramWidget::refreshChangedPictures()
{
    for (int c = 0; c < SheetModel::ColumnCount; ++c) {
        for (BlockItem* p : qAsConst(sheet()->column(SheetModel::Column(c)))) {
            const auto shown = m_shown.constFind(p);
            if (shown != m_shown.constEnd() && *shown != shownPicture(p) && showsItem(p))
                showPicture(p, p == m_currentItem || m_selectItems.contains(p));
        }
    }
}
