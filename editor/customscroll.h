#pragma once

#include <QPoint>
#include <QScrollArea>

class ProgramWidget;

// The scroll area around a sheet. Up and Down are left to the sheet (they move the selected
// blocks), so the area neither scrolls on them nor accepts them. It zooms the sheet around the
// pointer (Ctrl+wheel, and the window's zoom commands) and pans it by dragging with the middle
// button, or with the left one while Space is held.
class CustomScroll : public QScrollArea
{
    Q_OBJECT

public:
    explicit CustomScroll(QWidget* parent = nullptr);
    ~CustomScroll() override;

    static constexpr qreal ZOOM_STEP = 1.25;

    ProgramWidget* sheet() const;
    // The scroll area that shows a sheet, or null.
    static CustomScroll* of(const QWidget* sheet);
    // Zooms by factor, keeping the sheet point under the pointer (or, when the pointer is
    // elsewhere, under the middle of the view) where it is.
    void zoomBy(qreal factor);
    void zoomIn() { zoomBy(ZOOM_STEP); }
    void zoomOut() { zoomBy(1 / ZOOM_STEP); }
    void zoomAt(qreal zoom, const QPoint& viewportPoint);
    // Zooms so that the sheet's width fills the view.
    void fit();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // Sees the application's events: Space held or let go, and the mouse on the sheet.
    class PanFilter : public QObject
    {
    public:
        explicit PanFilter(CustomScroll* scroll)
            : m_scroll(scroll)
        {}
        bool eventFilter(QObject* watched, QEvent* event) override;

    private:
        CustomScroll* m_scroll;
    };
    bool pan(QEvent* event);

    PanFilter m_panFilter{this};

    bool m_bSpace = false;   // Space is held over the view
    bool m_bPanning = false; // a pan drag is under way
    QPoint m_panFrom;        // its last global point
};
