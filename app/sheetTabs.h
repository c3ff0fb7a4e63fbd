#pragma once

#include <QPair>
#include <QPoint>
#include <QStringList>
#include <QTabWidget>
#include <QVector>

class BlockItem;
class Document;
class LabelWidget;
class MenuWidget;
class ProgramWidget;
class QScrollArea;
class SheetHost;

// The sheet tabs of the main window: one canvas per sheet of the document, each in a scroll area,
// then a "+" tab without close buttons. The tabs follow the document's sheets (added, renamed,
// removed, cleared) and show every block the document places. Of the sheet in view they pass on
// the selection state, which drives the window's edit actions.
class SheetTabs : public QTabWidget
{
    Q_OBJECT

public:
    static constexpr int MAX_WIDTH = 820;
    static constexpr int MIN_HEIGHT = 100;

    // What the user looks at, kept across an undo that reads sheets again: the sheet in view, the
    // chosen blocks there (by type and name: the blocks read again are new ones) and where each
    // sheet is scrolled to.
    struct View
    {
        int sheet = -1;
        QPair<QString, QString> current;
        QVector<QPair<QString, QString>> selected;
        QVector<QPoint> scrolled;
    };

    SheetTabs(Document* pDocument, MenuWidget* pMenuWidget, LabelWidget* pLabelWidget, SheetHost* pHost,
              QWidget* parent = nullptr);

    int sheetCount() const { return m_pProgramWidget.size(); }
    ProgramWidget* sheet(int id) const { return m_pProgramWidget.value(id); }
    int plusIndex() const { return m_pProgramWidget.size(); }
    // The sheet in view; -1 while none is.
    int currentSheet() const { return m_currentTab; }
    // Brings sheet index into view with its selection cleared; nothing for an index with no sheet.
    void activateSheet(int index);
    // Brings a block's sheet into view with the block selected alone and scrolled into view.
    void showBlock(BlockItem* block);
    View view() const;
    // Shows the view again as far as the document still has its sheets and blocks.
    void restore(const View& view);

signals:
    void currentSheetChanged(int index);
    void selectionChanged(bool bSelected);

private:
    void addSheetView(int id);
    void removeSheetView(int id);
    void rebuildSheetViews();
    void removePlusTab();
    void addPlusTab();
    void onSheetRenamed(int id, const QString& name);
    void onBlockPlaced(int tid, BlockItem* block);
    QScrollArea* scrollArea(int id) const;
    BlockItem* findBlock(int id, const QPair<QString, QString>& key) const;

    Document* m_pDocument;
    MenuWidget* m_pMenuWidget;
    LabelWidget* m_pLabelWidget;
    SheetHost* m_pHost;
    QVector<ProgramWidget*> m_pProgramWidget;
    QWidget* m_plusPage;
    int m_currentTab = -1;
};
