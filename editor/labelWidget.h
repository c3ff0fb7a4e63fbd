#pragma once

#include "editor/dragwidget.h"
#include "model/labelModel.h"

#include <QVector>

class QLabel;
class QScrollArea;

// The label panel: every FeedBack signal (row 0) and every label (rows of 8 below) of the
// document as a small image with its name, showing for the sheet in view which of them may still
// be placed there. It is the drag source for placing label outputs. The document's label model is
// the state; this widget draws it.
class LabelWidget : public DragWidget
{
    Q_OBJECT

public:
    static constexpr int GAP = 5;
    static constexpr int PER_ROW = 8;
    static constexpr int MAX_WIDTH = 740;

    explicit LabelWidget(LabelModel* pLabels, QWidget* parent = nullptr);

    LabelModel* model() const { return m_pLabels; }
    void setScrollArea(QScrollArea* scrollArea) { m_scrollArea = scrollArea; }

    // The widget showing the entry called name, or null.
    QLabel* entryLabel(const QString& name) const;
    // Where entry i of the FeedBack row or of the label rows stands.
    static QPoint feedbackPosition(int i);
    static QPoint labelPosition(int i);

    void clearEntry();
    void rename(QString& name, QString& newName);

public slots:
    // The sheet in view changed.
    void setCurrentTab(int id);
    // Redraws every entry from the model.
    void refresh();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    // Entries are dragged to sheets only; a drop on the panel changes nothing.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    struct Shown
    {
        QString name;
        QLabel* label = nullptr;
    };
    static QSize imageSize();
    void removeWidgets();
    QLabel* entryWidget(const QPoint& pos, const LabelModel::LabelInfo& entry, int tid);

    LabelModel* m_pLabels;
    QVector<Shown> m_feedbackWidgets;
    QVector<Shown> m_labelWidgets;
    QScrollArea* m_scrollArea = nullptr;
};
