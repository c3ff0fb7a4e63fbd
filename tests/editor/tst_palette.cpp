#include "app/mainwindow.h"
#include "editor/menuWidget.h"
#include "io/document.h"
#include "model/resourceCounters.h"
#include "tests/support/scriptedPrompts.h"

#include <QDragEnterEvent>
#include <QLabel>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString FIXTURE = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/editor/data/two_sheets.vxt3");

MenuWidget::menuItem* entry(MenuWidget* palette, const QString& name)
{
    for (MenuWidget::menuItem* item : palette->items()) {
        if (item->name == name)
            return item;
    }
    return nullptr;
}
} // namespace

class TestPalette : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> makeWindow() { return scriptedWindow(m_prompts); }
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QString>("caption");
        QTest::newRow("Input") << "Input" << QRect(10, 10, 100, 32) << "Input";
        QTest::newRow("NET under PreLogic") << "PreLogicInfo" << QRect(10, 80, 100, 20) << "NET(8/8)";
        QTest::newRow("Label") << "Label" << QRect(10, 418, 100, 32) << "Label";
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, rect);
        QFETCH(QString, caption);
        auto w = makeWindow();
        MenuWidget* palette = w->menuWidget();
        MenuWidget::menuItem* item = entry(palette, name);
        QVERIFY(item);
        QCOMPARE(QRect(QPoint(item->x1, item->y1), QPoint(item->x2 - 1, item->y2 - 1)), rect);
        QCOMPARE(item->label->pos(), rect.topLeft());
        QCOMPARE(item->label->pixmap()->toImage(),
                 pictureWithText(palette->counters()->entries().at(palette->items().indexOf(item)).image,
                                 caption));
        QCOMPARE(palette->minimumSize(), QSize(120, 418 + 32 + 7));
    }

    void countsAfterOpening_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("free");
        QTest::newRow("CntFnc") << "CntFnc" << 6;
        QTest::newRow("fed from PreLogic or labels") << "PreLogicInfo" << 6;
        QTest::newRow("fed from FeedBack") << "FeedBackInfo" << 7;
    }
    void countsAfterOpening()
    {
        QFETCH(QString, name);
        QFETCH(int, free);
        auto w = makeWindow();
        w->open(FIXTURE);
        ResourceCounters* counters = w->menuWidget()->counters();
        QCOMPARE(counters->count(name), free);
        const int index = counters->indexOf(name);
        MenuWidget::menuItem* item = w->menuWidget()->items().at(index);
        QCOMPARE(item->label->pixmap()->toImage(),
                 pictureWithText(counters->entries().at(index).image, counters->captionText(index)));
        // A new document gives every unit back.
        m_prompts->answers << QMessageBox::Discard;
        w->newDiagram();
        QCOMPARE(counters->count(name), counters->total(name));
    }

    void greyedWhenNothingIsFree_data()
    {
        QTest::addColumn<int>("outputs");
        QTest::addColumn<bool>("grey");
        QTest::newRow("seven of eight") << 7 << false;
        QTest::newRow("all eight") << 8 << true;
    }
    void greyedWhenNothingIsFree()
    {
        QFETCH(int, outputs);
        QFETCH(bool, grey);
        auto w = makeWindow();
        QStringList names;
        for (int i = 0; i < outputs; ++i)
            names << QStringLiteral("OUT-CH%1").arg(i);
        const QString name = m_dir->filePath(QStringLiteral("outputs%1.vxt3").arg(outputs));
        QVERIFY(writeFile(name, oneSheetDocument(QStringLiteral("OUT-CH%1"), names)));
        w->open(name);
        MenuWidget::menuItem* item = entry(w->menuWidget(), QStringLiteral("OUT-CH"));
        QCOMPARE(item->label->pixmap()->toImage(),
                 pictureWithText(QStringLiteral(":/images/MenuOut.png"),
                                 QStringLiteral("Output(%1/8)").arg(8 - outputs), false, grey));
        // Giving a unit back redraws the entry at once.
        QVERIFY(w->menuWidget()->addCount(1, QStringLiteral("OUT-CH")));
        QCOMPARE(entry(w->menuWidget(), QStringLiteral("OUT-CH"))->label->pixmap()->toImage(),
                 pictureWithText(QStringLiteral(":/images/MenuOut.png"),
                                 QStringLiteral("Output(%1/8)").arg(9 - outputs)));
    }

    void hitTest_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QString>("name");
        QTest::newRow("inside Input") << QPoint(50, 20) << "Input";
        QTest::newRow("left border") << QPoint(10, 20) << "";
        QTest::newRow("NET overlapping PreLogic's last row") << QPoint(50, 81) << "PreLogicInfo";
        QTest::newRow("gap") << QPoint(50, 44) << "";
    }
    void hitTest()
    {
        QFETCH(QPoint, pos);
        QFETCH(QString, name);
        auto w = makeWindow();
        QCOMPARE(w->menuWidget()->getName(pos), name);
    }

    void routingCountersAreNotDragged()
    {
        auto w = makeWindow();
        MenuWidget* palette = w->menuWidget();
        palette->resize(palette->minimumSize());
        palette->show();
        // A drag would run a nested loop; a NET entry must return at once and stay as it was.
        const QImage before = entry(palette, QStringLiteral("FeedBackInfo"))->label->pixmap()->toImage();
        QTest::mousePress(palette, Qt::LeftButton, Qt::NoModifier, QPoint(50, 400));
        QCOMPARE(entry(palette, QStringLiteral("FeedBackInfo"))->label->pixmap()->toImage(), before);
    }

    void dropsOnThePaletteAreRefused()
    {
        auto w = makeWindow();
        MenuWidget* palette = w->menuWidget();
        palette->show();
        QMimeData data;
        data.setData(QStringLiteral("application/x-dnditemdata"),
                     DragWidget::encodeItem(QStringLiteral("CntFnc"), QPoint(3, 4)));
        QDragEnterEvent enter(QPoint(50, 120), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(palette, &enter);
        QVERIFY(!enter.isAccepted());
        QCOMPARE(palette->items().size(), 13);
    }

    void payloadRoundTrip()
    {
        QString name;
        QPoint offset;
        QVERIFY(DragWidget::decodeItem(DragWidget::encodeItem(QStringLiteral("MsrCnt"), QPoint(7, -2)), name,
                                       offset));
        QCOMPARE(name, QStringLiteral("MsrCnt"));
        QCOMPARE(offset, QPoint(7, -2));
    }
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
