#include "app/mainwindow.h"
#include "editor/menuWidget.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"

#include <QLabel>
#include <QtTest>

namespace {
QImage entryPicture(MenuWidget* palette, const QString& name)
{
    for (MenuWidget::menuItem* item : palette->items()) {
        if (item->name == name)
            return item->label->pixmap()->toImage();
    }
    return QImage();
}
} // namespace

class TestPalette : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }

    // The entry hit by a point: strictly inside its image; a NET entry overlaps the row above.
    void layout_data()
    {
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QString>("name");
        QTest::newRow("inside Input") << QPoint(50, 20) << "Input";
        QTest::newRow("left border") << QPoint(10, 20) << "";
        QTest::newRow("NET over PreLogic's last row") << QPoint(50, 81) << "PreLogicInfo";
    }
    void layout()
    {
        auto w = scriptedWindow(m_prompts);
        QFETCH(QPoint, pos);
        QTEST(w->menuWidget()->getName(pos), "name");
        QCOMPARE(entryPicture(w->menuWidget(), QStringLiteral("PreLogicInfo")),
                 pictureWithText(QStringLiteral(":/images/NetPreLgc.png"), QStringLiteral("NET(8/8)")));
    }

    // Greyed when nothing is free, redrawn at once when a unit comes back, full in a new document.
    void greyedWhenNothingIsFree()
    {
        QStringList names;
        for (int i = 0; i < 8; ++i)
            names << QStringLiteral("OUT-CH%1").arg(i);
        const QString name = m_dir->filePath(QStringLiteral("outputs.vxt3"));
        QVERIFY(writeFile(name, oneSheetDocument(QStringLiteral("OUT-CH%1"), names)));
        auto w = scriptedWindow(m_prompts, name);
        auto picture = [](int free, bool grey) {
            return pictureWithText(QStringLiteral(":/images/MenuOut.png"),
                                   QStringLiteral("Output(%1/8)").arg(free), false, grey);
        };
        QCOMPARE(entryPicture(w->menuWidget(), QStringLiteral("OUT-CH")), picture(0, true));
        QVERIFY(w->menuWidget()->addCount(1, QStringLiteral("OUT-CH")));
        QCOMPARE(entryPicture(w->menuWidget(), QStringLiteral("OUT-CH")), picture(1, false));
        w->newDiagram();
        QCOMPARE(entryPicture(w->menuWidget(), QStringLiteral("OUT-CH")), picture(8, false));
    }

    // A NET entry starts no drag; nothing may be dropped on the palette.
    void changesOnlyThroughSheets()
    {
        auto w = scriptedWindow(m_prompts);
        MenuWidget* palette = w->menuWidget();
        palette->resize(palette->minimumSize());
        palette->show();
        const QImage before = entryPicture(palette, QStringLiteral("FeedBackInfo"));
        QTest::mousePress(palette, Qt::LeftButton, Qt::NoModifier, QPoint(50, 400));
        QCOMPARE(entryPicture(palette, QStringLiteral("FeedBackInfo")), before);
        QMimeData data;
        data.setData(QStringLiteral("application/x-dnditemdata"),
                     DragWidget::encodeItem(QStringLiteral("CntFnc"), QPoint(3, 4)));
        QDragEnterEvent enter(QPoint(50, 120), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QCoreApplication::sendEvent(palette, &enter);
        QVERIFY(!enter.isAccepted());
    }
};

QTEST_MAIN(TestPalette)
#include "tst_palette.moc"
