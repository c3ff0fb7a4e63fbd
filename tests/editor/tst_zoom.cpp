#include "editor/customscroll.h"
#include "io/document.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"
#include "tests/support/sheetDriver.h"

#include <QAction>
#include <QScrollBar>
#include <QtTest>

// Zoom is a view setting: the sheet draws and takes gestures at any scale, the point under the
// pointer stays there, and the document neither changes nor counts as modified.
class TestZoom : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;
    std::unique_ptr<MainWindow> m_w;

    ProgramWidget* sheet() const { return m_w->programWidget(0); }
    CustomScroll* scroll() const { return CustomScroll::of(sheet()); }
    BlockItem* block(const char* name) const { return findBlock(*m_w->document(), QLatin1String(name), 0); }

private slots:
    void initTestCase() { m_dir = isolateSettings(); }
    void init()
    {
        m_w = scriptedWindow(m_prompts, FIXTURE);
        m_w->resize(900, 700);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
    }
    void cleanup() { m_w.reset(); }

    void keysAndWheelZoomAroundThePointer()
    {
        const QByteArray before = m_w->document()->toXml();
        const QPoint pointer(300, 200); // in the view
        const QPoint under = sheet()->toSheet(sheet()->mapFrom(scroll()->viewport(), pointer));
        QWheelEvent wheel(QPointF(pointer), QPointF(scroll()->viewport()->mapToGlobal(pointer)), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(scroll()->viewport(), &wheel);
        QCOMPARE(sheet()->zoom(), CustomScroll::ZOOM_STEP);
        QVERIFY(qAbs(sheet()->toSheet(sheet()->mapFrom(scroll()->viewport(), pointer)).x() - under.x()) <= 1);
        QVERIFY(qAbs(sheet()->toSheet(sheet()->mapFrom(scroll()->viewport(), pointer)).y() - under.y()) <= 1);

        m_w->action(QStringLiteral("actionZoomIn"))->trigger();
        QCOMPARE(sheet()->zoom(), CustomScroll::ZOOM_STEP * CustomScroll::ZOOM_STEP);
        // Pictures and headers grow with the sheet.
        const BlockItem* p = block("PreLgc0");
        QCOMPARE(ProgramWidget::labelOf(p)->pos(), sheet()->toWidget(p->getPosition()));
        QCOMPARE(ProgramWidget::labelOf(p)->size(), (QSizeF(p->iconSize()) * sheet()->zoom()).toSize());
        QCOMPARE(sheet()->width(), qRound(ProgramWidget::MIN_WIDTH * sheet()->zoom()));

        m_w->action(QStringLiteral("actionZoomFit"))->trigger();
        QVERIFY(sheet()->width() <= scroll()->viewport()->width());
        QVERIFY(sheet()->width() >=
                scroll()->viewport()->width() - scroll()->verticalScrollBar()->sizeHint().width());
        for (int i = 0; i < 20; ++i)
            m_w->action(QStringLiteral("actionZoomOut"))->trigger();
        QCOMPARE(sheet()->zoom(), ProgramWidget::MIN_ZOOM);

        QCOMPARE(m_w->document()->toXml(), before);
        QCOMPARE(m_w->session().history().count(), 0);
    }

    // At twice the size a drag in the view's pixels moves the block to the slot it shows.
    void gesturesAtScale()
    {
        sheet()->setZoom(2.0);
        SheetDriver driver(m_w.get());
        BlockItem* dly = block("DlyFnc0");
        const QPoint grab = sheet()->toWidget(dly->getPosition() + QPoint(12, 8));
        driver.drag(grab, sheet()->toWidget(QPoint(300, 104 + 6 * 40 + 5)));
        QCOMPARE(dly->getIndex(), 6);
        QCOMPARE(ProgramWidget::labelOf(dly)->pos(), sheet()->toWidget(dly->getPosition()));
    }

    // The middle button pans the view; the sheet takes no press from it.
    void middleButtonPans()
    {
        sheet()->setZoom(2.0);
        scroll()->horizontalScrollBar()->setValue(200);
        scroll()->verticalScrollBar()->setValue(200);
        // The pointer's screen positions: the sheet moves under it.
        const QPoint at(400, 400), to = at + QPoint(-50, -30);
        const QPoint globalAt = sheet()->mapToGlobal(at), globalTo = sheet()->mapToGlobal(to);
        QMouseEvent press(QEvent::MouseButtonPress, at, globalAt, Qt::MiddleButton, Qt::MiddleButton,
                          Qt::NoModifier);
        QMouseEvent move(QEvent::MouseMove, to, globalTo, Qt::NoButton, Qt::MiddleButton, Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, to, globalTo, Qt::MiddleButton, Qt::NoButton,
                            Qt::NoModifier);
        for (QMouseEvent* event : {&press, &move, &release})
            QApplication::sendEvent(sheet(), event);
        QCOMPARE(scroll()->horizontalScrollBar()->value(), 250);
        QCOMPARE(scroll()->verticalScrollBar()->value(), 230);
        QVERIFY(!sheet()->currentItem());
    }
};

QTEST_MAIN(TestZoom)
#include "tst_zoom.moc"
