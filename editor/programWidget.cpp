#include "editor/programWidget.h"

#include "editor/labelWidget.h"
#include "editor/menuWidget.h"
#include "editor/nimAction.h"
#include "editor/sheetHost.h"
#include "io/document.h"
#include "model/blockKinds.h"
#include "model/nimLogic.h"
#include "model/pictureText.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPainter>
#include <QTextStream>

namespace {
struct Header
{
    const char* objectName;
    QRect geometry;
    const char* text;
};
const Header HEADERS[] = {
    {"label_0", QRect(20, 37, 56, 16), QT_TRANSLATE_NOOP("MainWindow", "Input")},
    {"label_1", QRect(142, 37, 63, 30), QT_TRANSLATE_NOOP("MainWindow", "PreLogic\nFeedBack")},
    {"label_2", QRect(284, 37, 56, 30), QT_TRANSLATE_NOOP("MainWindow", "Function\n")},
    {"label_3", QRect(425, 37, 63, 16), QT_TRANSLATE_NOOP("MainWindow", "PostLogic")},
    {"label_4", QRect(567, 37, 111, 45),
     QT_TRANSLATE_NOOP("MainWindow", "Output\nFeedBack\nMeasure Counter")},
};

// Column bands: left and right edge (inclusive) and colour.
struct Band
{
    int left, right;
    QColor color;
};
const Band BANDS[] = {
    {0, 117, QColor(255, 0, 0, 20)},   {118, 259, QColor(255, 255, 0, 50)},
    {260, 400, QColor(0, 255, 0, 50)}, {401, 542, QColor(0, 255, 255, 50)},
    {543, 770, QColor(0, 0, 255, 30)},
};

const int QFONT_BOLD = 75;

// The counter-function image shows whether the unit runs in mode 9 (no input, free-running).
QString counterImage(const BlockItem* p)
{
    return NIMCntFnc::getMode(p) == 9 ? QStringLiteral(":/images/Function0.png")
                                      : QStringLiteral(":/images/Function.png");
}

// The measure-counter image tells which of its gate and source groups are in use.
QString measureImage(const BlockItem* p)
{
    const quint8 m = NIMMsrCnt::getMode(p);
    if (m == 0)
        return QStringLiteral(":/images/MsrCnt3.png");
    if ((m & 3) == 0)
        return QStringLiteral(":/images/MsrCnt2.png");
    if ((m & 12) != 0)
        return QStringLiteral(":/images/MsrCnt.png");
    return QStringLiteral(":/images/MsrCnt1.png");
}

QPixmap withText(QPixmap pixmap, const QString& image, const QString& text, bool bBold)
{
    if (pixmap.isNull())
        return pixmap;
    QPainter painter(&pixmap);
    if (bBold) {
        QFont font = painter.font();
        font.setWeight(QFONT_BOLD);
        painter.setFont(font);
    }
    PictureText::drawCentred(painter, pixmap.rect(), PictureText::inset(image), text);
    return pixmap;
}

// Both logic pictures keep the same margins.
const QString LOGIC_IMAGE = QStringLiteral(":/images/PreLgc.png");
} // namespace

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
    for (const Header& header : HEADERS) {
        auto* label = new QLabel(this);
        label->setObjectName(QLatin1String(header.objectName));
        label->setGeometry(header.geometry);
        label->setText(QCoreApplication::translate("MainWindow", header.text));
    }
    m_labelOstrum = new QLabel(this);
    m_labelOstrum->setGeometry(10, 0, 600, 30);
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
        item->getLabel()->move(item->getPosition());
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
    const QString type = p->getType();
    if (isLogicBlock(type)) {
        p->setPixmap(withText(p->getBasePixmap(), LOGIC_IMAGE, p->getUserName(), bBold));
    } else if (beginsWith(type, BlockKinds::CNT_FNC)) {
        const QString image = counterImage(p);
        p->setBasePixmap(PictureText::picture(image));
        p->setPixmap(withText(p->getBasePixmap(), image, p->getUserName(), false));
    } else if (isMsrCnt(type)) {
        const QString image = measureImage(p);
        p->setBasePixmap(PictureText::picture(image));
        p->setPixmap(withText(p->getBasePixmap(), image, p->getUserName(), false));
    }
}

void ProgramWidget::showItem(BlockItem* p)
{
    redrawItem(p, true);
    QLabel* label = p->getLabel();
    if (label && label->parentWidget() == this) {
        label->setPixmap(p->getPixmap());
        label->move(p->getPosition());
        label->show();
        return;
    }
    label = new QLabel(this);
    label->setPixmap(p->getPixmap());
    label->move(p->getPosition());
    label->setAttribute(Qt::WA_DeleteOnClose);
    label->show();
    p->setLabel(label);
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
        if (QLabel* label = p->getLabel()) {
            label->setPixmap(p->getPixmap());
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
        m_currentItem->getLabel()->setPixmap(m_currentItem->getPixmap());
    m_currentItem = p;
    if (p && p->getLabel())
        p->getLabel()->setPixmap(tinted(p->getPixmap(), m_colorMask));
}

void ProgramWidget::clearSelect(bool bAll)
{
    for (BlockItem* p : qAsConst(m_selectItems)) {
        if (p->getLabel())
            p->getLabel()->setPixmap(p->getPixmap());
    }
    m_selectItems.clear();
    if (bAll) {
        if (m_currentItem && m_currentItem->getLabel())
            m_currentItem->getLabel()->setPixmap(m_currentItem->getPixmap());
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
        p->getLabel()->setPixmap(tinted(p->getPixmap(), m_colorMask));
    emit itemSelect(true);
}

void ProgramWidget::clearLines()
{
    qDeleteAll(m_lines.keys());
    m_lines.clear();
}

bool ProgramWidget::showsItem(const BlockItem* p) const
{
    return p->getLabel() && p->getLabel()->parentWidget() == this;
}

// A block of this sheet got a new user name or picture; a selected one stays tinted.
void ProgramWidget::redrawLabel(BlockItem* p)
{
    if (!showsItem(p))
        return;
    const bool tint = p == m_currentItem || m_selectItems.contains(p);
    p->getLabel()->setPixmap(tint ? tinted(p->getPixmap(), m_colorMask) : p->getPixmap());
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
        p->getLabel()->close();
    p->setLabel(nullptr);
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
    painter.setPen(Qt::NoPen);
    for (const Band& band : BANDS)
        painter.fillRect(QRect(QPoint(band.left, Y_MARGIN), QPoint(band.right, MAX_HEIGHT)), band.color);
    painter.setBrush(Qt::NoBrush);

    painter.setPen(QPen(Qt::black));
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_bRefresh) {
        clearLines();
        const SheetModel::Column wired[] = {SheetModel::PreLogicColumn, SheetModel::FunctionColumn,
                                            SheetModel::PostLogicColumn, SheetModel::OutputColumn};
        for (SheetModel::Column column : wired) {
            for (BlockItem* p : qAsConst(model->column(column))) {
                const QVector<QLine> segments = p->getLines();
                for (const QLine& segment : segments) {
                    auto* line = new QLine(segment);
                    painter.drawLine(*line);
                    m_lines.insert(line, p);
                }
            }
        }
    } else {
        for (auto it = m_lines.constBegin(); it != m_lines.constEnd(); ++it)
            painter.drawLine(*it.key());
    }

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
            painter.drawRect(QRect(p->getPosition() + shift, p->getPixmap().size()));
    }
}
