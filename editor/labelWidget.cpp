#include "editor/labelWidget.h"

#include "model/labelModel.h"
#include "picture/pictureText.h"

#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollArea>

LabelWidget::LabelWidget(LabelModel* pLabels, QWidget* parent)
    : DragWidget(parent)
    , m_pLabels(pLabels)
{
    connect(m_pLabels, &LabelModel::changed, this, &LabelWidget::refresh);
    refresh();
}

QSize LabelWidget::imageSize()
{
    static const QSize size = PictureText::picture(QStringLiteral(":/images/LabelON.png")).size();
    return size;
}

QPoint LabelWidget::feedbackPosition(int i)
{
    return QPoint(i * (imageSize().width() + GAP), 0);
}

QPoint LabelWidget::labelPosition(int i)
{
    return QPoint((i % PER_ROW) * (imageSize().width() + GAP), (1 + i / PER_ROW) * imageSize().height());
}

void LabelWidget::removeWidgets()
{
    for (const Shown& shown : qAsConst(m_feedbackWidgets))
        delete shown.label;
    for (const Shown& shown : qAsConst(m_labelWidgets))
        delete shown.label;
    m_feedbackWidgets.clear();
    m_labelWidgets.clear();
}

QLabel* LabelWidget::entryWidget(const QPoint& pos, const LabelModel::LabelInfo& entry, int tid)
{
    const QString image = m_pLabels->imageFor(entry, tid);
    return setLabel(pos.x(), pos.y(), LabelModel::displayName(entry), PictureText::picture(image),
                    PictureText::inset(image));
}

void LabelWidget::refresh()
{
    removeWidgets();
    const int tid = m_pLabels->currentTab();
    const QVector<LabelModel::LabelInfo>& feedbacks = m_pLabels->feedbacks();
    for (int i = 0; i < feedbacks.size(); ++i) {
        const LabelModel::LabelInfo& entry = feedbacks.at(i);
        const QPoint pos = feedbackPosition(i);
        m_feedbackWidgets.append({entry.name, entryWidget(pos, entry, tid)});
    }
    const QVector<LabelModel::LabelInfo>& labels = m_pLabels->labels();
    for (int i = 0; i < labels.size(); ++i) {
        const LabelModel::LabelInfo& entry = labels.at(i);
        const QPoint pos = labelPosition(i);
        m_labelWidgets.append({entry.name, entryWidget(pos, entry, tid)});
    }
    const int step = imageSize().width() + GAP;
    const int widest = qMax(feedbacks.size(), qMin(labels.size(), int(PER_ROW)));
    const int rows = 1 + (labels.size() + PER_ROW - 1) / PER_ROW;
    setMinimumSize(qMin(widest * step, int(MAX_WIDTH)), rows * imageSize().height());
}

QLabel* LabelWidget::entryLabel(const QString& name) const
{
    for (const Shown& shown : m_feedbackWidgets) {
        if (shown.name == name)
            return shown.label;
    }
    for (const Shown& shown : m_labelWidgets) {
        if (shown.name == name)
            return shown.label;
    }
    return nullptr;
}

void LabelWidget::clearEntry()
{
    m_pLabels->clearEntry();
    refresh();
}

void LabelWidget::rename(QString& name, QString& newName)
{
    m_pLabels->rename(name, newName);
}

void LabelWidget::setCurrentTab(int id)
{
    if (id == m_pLabels->currentTab())
        return;
    m_pLabels->setCurrentTab(id);
    refresh();
}

void LabelWidget::mousePressEvent(QMouseEvent* event)
{
    if (!childAt(event->pos()) || event->button() == Qt::RightButton)
        return;
    // The FeedBack row is the first image row; everything below is a label.
    const bool feedbackRow = event->pos().y() <= imageSize().height() + 4;
    const QVector<LabelModel::LabelInfo>& list = feedbackRow ? m_pLabels->feedbacks() : m_pLabels->labels();
    const QVector<Shown>& widgets = feedbackRow ? m_feedbackWidgets : m_labelWidgets;
    int hit = -1;
    for (int i = 0; i < widgets.size() && i < list.size(); ++i) {
        const QRect rect = widgets.at(i).label->geometry();
        if (event->pos().y() >= rect.top() && event->pos().y() <= rect.bottom() &&
            event->pos().x() <= rect.right()) {
            hit = i;
            break;
        }
    }
    if (hit < 0)
        return;
    const LabelModel::LabelInfo& entry = list.at(hit);
    if (m_pLabels->isUsed(entry.name, m_pLabels->currentTab()))
        return;

    QLabel* label = widgets.at(hit).label;
    const QPixmap pixmap = label->pixmap() ? *label->pixmap() : QPixmap();
    const QPoint offset = event->pos() - label->pos();
    auto* mimeData = new QMimeData;
    mimeData->setData(QLatin1String(MIME_FORMAT), encodeItem(LabelModel::dragName(entry), offset));
    auto* drag = new QDrag(this);
    drag->setMimeData(mimeData);
    drag->setPixmap(pixmap);
    drag->setHotSpot(offset);
    label->hide();
    runDrag(drag, Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    // A drop on a sheet marks the label used there; the model tells which image each entry shows.
    refresh();
}

void LabelWidget::dragEnterEvent(QDragEnterEvent* event)
{
    event->ignore();
}

void LabelWidget::dragMoveEvent(QDragMoveEvent* event)
{
    event->ignore();
    update();
}

void LabelWidget::dropEvent(QDropEvent* event)
{
    event->ignore();
}
