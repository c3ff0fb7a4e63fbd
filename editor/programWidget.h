#pragma once

#include "editor/dragwidget.h"
#include "io/documentSession.h"
#include "model/sheetModel.h"

#include <QColor>
#include <QLine>
#include <QMap>
#include <QVector>

class BlockDiagram;
class BlockItem;
class Document;
class LabelWidget;
class MenuWidget;
class QLabel;
class QMenu;
class QTextStream;
class SheetHost;

// One sheet of a document: the fixed five-column grid (inputs, PreLogic/FeedBack, functions,
// PostLogic, outputs/FeedBack/measure counters) with one picture per block and the wires between
// them. The grid itself is the document's sheet model; this widget shows it and turns the user's
// gestures into the document's sheet edits: blocks dropped from the palette and the label panel,
// wires dragged from outputs, blocks moved, selected, deleted, copied and edited. It reaches the
// window that holds it only through SheetHost.
class ProgramWidget : public DragWidget
{
    Q_OBJECT

public:
    static constexpr int X0 = SheetModel::X0, X1 = SheetModel::X1, X2 = SheetModel::X2, X3 = SheetModel::X3,
                         X4 = SheetModel::X4;
    static constexpr int SMALL_ITEM_HEIGHT = SheetModel::SMALL_ITEM_HEIGHT;
    static constexpr int ITEM_HEIGHT = SheetModel::ITEM_HEIGHT;
    static constexpr int Y_MARGIN_0 = SheetModel::Y_MARGIN_0;
    static constexpr int Y_MARGIN_1 = SheetModel::Y_MARGIN_1;
    static constexpr int Y_MARGIN_2 = SheetModel::Y_MARGIN_2;
    static constexpr int Y_MARGIN_3 = SheetModel::Y_MARGIN_3;
    static constexpr int CLK_ENABLE = 82;
    static constexpr int MAX_HEIGHT = 1030;
    static constexpr int MIN_WIDTH = 750;
    static constexpr int Y_MARGIN = 30;
    static constexpr int INDENT = 10;

    // The names a drag carries besides block and entry names: a rubber band, a block move.
    static constexpr const char* RECT = "Vextorrect";
    static constexpr const char* MOVE = "Vextormove";

    ProgramWidget(int id, Document* pDocument, MenuWidget* pMenuWidget, LabelWidget* pLabelWidget,
                  SheetHost* pHost, QWidget* parent = nullptr);
    ~ProgramWidget() override;

    int getId() const { return m_id; }
    void setId(int id) { m_id = id; }
    SheetModel* sheet() const;
    Document* document() const { return m_pDocument; }
    BlockDiagram* blockDiagram() const { return m_pBlockDiagram; }
    SheetHost* host() const { return m_pMainWindow; }
    // The five column maps (slot index to block) of this sheet.
    QMap<int, BlockItem*>& inputColumn() const { return sheet()->column(SheetModel::InputColumn); }
    QMap<int, BlockItem*>& preLogicColumn() const { return sheet()->column(SheetModel::PreLogicColumn); }
    QMap<int, BlockItem*>& functionColumn() const { return sheet()->column(SheetModel::FunctionColumn); }
    QMap<int, BlockItem*>& postLogicColumn() const { return sheet()->column(SheetModel::PostLogicColumn); }
    QMap<int, BlockItem*>& outColumn() const { return sheet()->column(SheetModel::OutputColumn); }

    void showLabels();
    static int searchIndex(QMap<int, BlockItem*>& map, int height, int index, int step);
    static int searchPosition(QMap<int, BlockItem*>& map, int height, int id, int step, int y0,
                              QPoint* position = nullptr);
    bool move(BlockItem* item, int step, QPoint* position = nullptr);

    // Places an existing block (from a document being read or a paste) on this sheet and shows it.
    void addItem(QString item, BlockItem* p);
    // Shows a block the sheet model already holds: its picture with the sheet's texts, at its place.
    void showItem(BlockItem* p);
    BlockItem* addNIM_IN(QString name);

    // A block's settings changed: redraw it (and rename outputs and inputs), one step of Undo
    // with the change when it is made within the same edit scope.
    void setModified(BlockItem* p, QString* name);
    // Block name was renamed to strNew (every block sharing the name follows).
    void setModified(QString& name, QString& strNew);
    // Redraws a block's picture after its user name or settings changed.
    void redrawItem(BlockItem* p, bool bBold);

    bool checkName(QString& name, bool bAll);
    void getFreeList(QString& type, QStringList& list);
    BlockItem* searchNIM_IN(QString& name, int tid);
    void save(QTextStream& out, int depth);

    // Selection display: the current block and the selected ones show their picture tinted.
    void clearSelect(bool bAll);
    void addSelect(BlockItem* p = nullptr);
    void addSelect(QRect* rect, QMap<int, BlockItem*>& map);
    // Selects every block in the rectangle (null: from the Shift anchor to the current block);
    // takes ownership of it.
    void shiftSelect(QRect* rect);
    // Selects every block the rubber band touches.
    void bandSelect(const QRect& band);
    void actionSelectAll();
    const QVector<BlockItem*>& selectedItems() const { return m_selectItems; }
    BlockItem* currentItem() const { return m_currentItem; }
    void setCurrentItem(BlockItem* p);
    static QPixmap tinted(const QPixmap& pixmap, const QColor& mask);
    // Puts a block's picture on its label again (tinted when it is chosen).
    void refreshItem(BlockItem* p);

    // The block's right-click menu: edit (with bEdit), cut, copy, delete and rename (with bRename).
    void addMenu(QLabel* label, BlockItem* pItem, bool bEdit, bool bRename);
    // Opens the block's settings dialog where the block stands.
    void editItem(BlockItem* p);

    // Hit testing of the wires last painted: selects the nearest one whose rectangle (widened to
    // five pixels for level wires) holds the point.
    bool selectLine(const QPoint& p);
    static double distLinePoint(const QLine* line, const QPoint& p);
    bool lineSelected() const { return m_bLine; }
    QLine selectedLine() const { return m_selectedLine; }

    // Editing: deleting what is chosen (a selected wire first), one block or the whole sheet,
    // copying to the clipboard, a label to the other side.
    void actionDelete();
    void deleteItem(BlockItem* block);
    void deleteTab();
    void actionCopy(bool bCut);
    bool changeLabel(BlockItem* label, bool bLeft);

    // Hands a key press of the window to the sheet (the window tracks repeats and modifiers).
    void passKey(QKeyEvent* event) { keyPressEvent(event); }

    // The menu of the sheet's background at pos: "Delete" for a wire there, else "Paste". The
    // caller owns it.
    QMenu* createMenu(const QPoint& pos);

    // The wire segments last painted, each with the block that receives it.
    const QMap<QLine*, BlockItem*>& lines() const { return m_lines; }
    QLabel* connectionLine() const { return m_labelOstrum; }

signals:
    void itemSelect(bool b);

public slots:
    void showMenu(const QPoint& pos);
    void deleteLine();

protected:
    // A block's picture may show its name shrunk or cut short: hovering it shows the whole name.
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // An edit scope of the document's session: what changes while it lives is one step of Undo.
    DocumentSession::Edit edit() const;
    void clearLines();
    bool showsItem(const BlockItem* p) const;
    void redrawLabel(BlockItem* p);
    void forgetItem(int tid, BlockItem* p);
    QString connectionText() const;

    // Interaction steps.
    void pressPreStep();
    BlockItem* blockAt(const QPoint& p) const;
    QString dragName(BlockItem* p, const QPoint& press);
    void startDrag(const QString& name, const QPixmap& pixmap, const QPoint& hotSpot, Qt::DropActions actions,
                   Qt::DropAction defaultAction);
    void dragBlock(BlockItem* p, const QString& name);
    void dropMove(const QPoint& drop);
    void dropEntry(const QString& name, const QPoint& drop);
    void dropWire(const QString& name, const QPoint& drop);
    void moveSelection(int step);
    static QRect lineRect(const QLine& line);
    int m_id;
    SheetHost* m_pMainWindow;
    Document* m_pDocument;
    BlockDiagram* m_pBlockDiagram;
    MenuWidget* m_pMenuWidget;
    LabelWidget* m_pLabelWidget;
    QMap<QLine*, BlockItem*> m_lines;
    BlockItem* m_currentItem = nullptr;
    BlockItem* m_shiftStart = nullptr;
    QVector<BlockItem*> m_selectItems;
    QColor m_colorMask;
    bool m_bLine = false;
    bool m_bRefresh = true;
    bool m_bPaint = false;
    bool m_bDrawRect = false;
    bool m_bDrawSelect = false;
    QPoint m_pos1, m_pos2, m_pos3;
    QLine m_selectedLine; // the wire selected, as painted
    QLabel* m_labelOstrum = nullptr;
};
