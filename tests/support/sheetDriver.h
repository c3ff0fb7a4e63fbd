#pragma once

#include "app/mainwindow.h"
#include "editor/dragwidget.h"
#include "editor/labelWidget.h"
#include "editor/menuWidget.h"
#include "editor/programWidget.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QTest>

// Drives the editor with the mouse as a user does, on a platform that cannot run a real drag:
// every drag the editor starts (from the palette, the label panel or a sheet) ends with a drop on
// the widget and at the point the test named for it, carrying the drag's own payload.
class SheetDriver
{
public:
    explicit SheetDriver(MainWindow* window)
        : m_window(window)
    {
        DragWidget::setDragRunner([this](QDrag* drag, Qt::DropActions actions, Qt::DropAction) {
            QPoint offset;
            DragWidget::decodeItem(drag->mimeData()->data(QLatin1String(DragWidget::MIME_FORMAT)), m_payload,
                                   offset);
            return dropOn(drag->mimeData(), actions);
        });
    }
    ~SheetDriver() { DragWidget::setDragRunner({}); }

    ProgramWidget* sheet() const { return m_window->programWidget(m_window->currentTab()); }
    // The name the last drag carried; empty when a press started none.
    QString payload() const { return m_payload; }

    // Presses at from on a widget, drags and releases at to on another: whatever drag the press
    // starts ends there. Returns how the drag ended.
    Qt::DropAction drag(QWidget* fromWidget, const QPoint& from, QWidget* toWidget, const QPoint& to,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        m_target = toWidget;
        m_at = to;
        m_result = Qt::IgnoreAction;
        m_payload.clear();
        // The sheets read Ctrl and Shift from the window's key tracking.
        const QList<Qt::Key> keys = heldKeys(modifiers);
        for (Qt::Key key : keys)
            QTest::keyPress(m_window, key);
        QTest::mousePress(fromWidget, Qt::LeftButton, modifiers, from);
        QTest::mouseRelease(fromWidget, Qt::LeftButton, modifiers, from);
        for (Qt::Key key : keys)
            QTest::keyRelease(m_window, key);
        m_target = nullptr;
        return m_result;
    }
    // On the sheet in view.
    Qt::DropAction drag(const QPoint& from, const QPoint& to) { return drag(sheet(), from, sheet(), to); }
    // A click is a drag that ends where it began.
    void click(const QPoint& at, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        drag(sheet(), at, sheet(), at, modifiers);
    }
    // A click on a block's picture, left of its output port.
    void click(const BlockItem* block, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        click(block->getPosition() + QPoint(12, 8), modifiers);
    }

    // A palette entry (by name) dropped on the sheet in view at a point.
    void place(const QString& entry, const QPoint& at)
    {
        MenuWidget* palette = m_window->menuWidget();
        for (MenuWidget::menuItem* item : palette->items()) {
            if (item->name == entry) {
                drag(palette, QPoint(item->x1 + 20, item->y1 + 10), sheet(), at);
                return;
            }
        }
        QFAIL(qPrintable("no palette entry " + entry));
    }
    // A label-panel entry dropped on the sheet in view.
    void placeLabel(const QString& name, const QPoint& at)
    {
        QLabel* entry = m_window->labelWidget()->entryLabel(name);
        QVERIFY2(entry, qPrintable("no label entry " + name));
        drag(m_window->labelWidget(), entry->pos() + QPoint(entry->width() / 2, entry->height() / 2), sheet(),
             at);
    }
    // Draws a wire from a block's output port to a point.
    void wire(const BlockItem* from, const QPoint& to) { drag(from->getOutPos() - QPoint(3, 0), to); }

private:
    static QList<Qt::Key> heldKeys(Qt::KeyboardModifiers modifiers)
    {
        QList<Qt::Key> keys;
        if (modifiers & Qt::ControlModifier)
            keys << Qt::Key_Control;
        if (modifiers & Qt::ShiftModifier)
            keys << Qt::Key_Shift;
        return keys;
    }

    Qt::DropAction dropOn(const QMimeData* data, Qt::DropActions actions)
    {
        if (!m_target)
            return Qt::IgnoreAction;
        QDragEnterEvent enter(m_at, actions, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_target, &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDragMoveEvent move(m_at, actions, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_target, &move);
        QDropEvent drop(m_at, actions, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(m_target, &drop);
        m_result = drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
        return m_result;
    }

    MainWindow* m_window;
    QWidget* m_target = nullptr;
    QPoint m_at;
    Qt::DropAction m_result = Qt::IgnoreAction;
    QString m_payload;
};
