#include "model/blockDiagram.h"
#include "model/sheetModel.h"
#include "tests/support/dataRow.h"

#include <QTest>

namespace {
QMap<int, BlockItem*> occupied(const QList<int>& taken)
{
    static BlockItem dummy(0, 0);
    QMap<int, BlockItem*> map;
    for (int s : taken)
        map.insert(s, &dummy);
    return map;
}
} // namespace

class TestSheetModel : public QObject
{
    Q_OBJECT

private slots:
    void placement_data()
    {
        // Column and the y of slot 0, "none" without a place; kind prefixes overlap.
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("place");
        dataRow("input from a document", "Input", "0 104");
        dataRow("PreLogic", "PreLogic", "1 90");
        dataRow("FeedBack block", "FeedBack", "4 106");
        dataRow("FeedBack output", "FeedBack3", "1 106");
        dataRow("label-in of a PreLogic", "PreLabel", "2 106");
        dataRow("label-in of a function", "Label", "3 106");
        dataRow("label output of a PreLogic", "PreLabel4", "1 106");
        dataRow("label output of a function", "Label4", "2 106");
        dataRow("counter", "CntFnc", "2 104");
        dataRow("pass-through", "NonFnc", "2 116");
        dataRow("PostLogic", "PostLogic", "3 90");
        dataRow("output", "OUT-CH2", "4 106");
        dataRow("measure counter", "MsrCnt1", "4 104");
        dataRow("unknown", "Unknown", "none");
    }

    void placement()
    {
        QFETCH(QString, type);
        SheetModel::Column c = SheetModel::ColumnCount;
        int y = -1;
        const bool placed = SheetModel::placement(type, nullptr, c, y);
        QTEST(placed ? QString("%1 %2").arg(c).arg(y) : QString("none"), "place");
    }

    void slotLimits_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("capacity");
        dataRow("40-pixel column", "OUT-CH0", 24);
        dataRow("68-pixel column", "PostLogic", 14);
    }

    void slotLimits()
    {
        QFETCH(QString, type);
        QFETCH(int, capacity);
        BlockDiagram diagram;
        SheetModel sheet(0);
        for (int i = 0; i < capacity; ++i)
            QVERIFY(sheet.addItem(type, diagram.createPostLogic(i, 0)));
        QVERIFY(!sheet.addItem(type, diagram.createPostLogic(0, 0)));
        QVERIFY(!sheet.addItem(type, diagram.createPostLogic(capacity, 0)));
    }

    void searchPosition_data()
    {
        // Column with pitch 40, slot 0 at y 104; the moving block is in slot `id`.
        QTest::addColumn<QList<int>>("taken");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("targetY"); // -1: no target point
        QTest::addColumn<int>("expected");
        dataRow("next free down", QList<int>{0, 1, 2}, 0, 1, -1, 3);
        dataRow("point in a free slot", QList<int>{0}, 0, 1, 104 + 3 * 40 + 5, 3);
        dataRow("point in a taken slot: last free before", QList<int>{0, 4}, 0, 1, 104 + 4 * 40 + 5, 3);
        dataRow("point in a taken slot right below: stays", QList<int>{0, 1}, 0, 1, 104 + 40 + 5, -1);
        dataRow("point up in a taken slot", QList<int>{5, 2}, 5, -1, 104 + 2 * 40 + 1, 3);
    }

    void searchPosition()
    {
        QFETCH(QList<int>, taken);
        QFETCH(int, id);
        QFETCH(int, step);
        QFETCH(int, targetY);
        const QPoint target(10, targetY);
        const int result = SheetModel::searchPosition(occupied(taken), 40, id, step, 104 + 40 * id,
                                                      targetY < 0 ? nullptr : &target);
        QTEST(result < 0 ? -1 : result, "expected");
    }

    void move_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("x"); // -1: keep the column's x
        QTest::addColumn<bool>("moved");
        QTest::addColumn<int>("newSlot");
        QTest::addColumn<int>("newY");
        dataRow("down past a taken slot", "PreLogic", 1, 1, -1, true, 3, 90 + 3 * 68);
        dataRow("up into free slot", "CntFnc", 1, -1, -1, true, 0, 104);
        dataRow("x off the grid", "CntFnc", 1, 1, 300, false, 1, 104 + 40);
    }

    void move()
    {
        QFETCH(QString, type);
        QFETCH(int, slot);
        QFETCH(int, x);
        BlockDiagram diagram;
        SheetModel sheet(0);
        BlockItem* block = diagram.createPreLogic(slot, 0);
        QVERIFY(sheet.addItem(type, block));
        if (type == "PreLogic")
            QVERIFY(sheet.addItem(type, diagram.createPreLogic(slot + 1, 0)));
        if (x >= 0)
            block->setPosition(QPoint(x, block->getPosition().y()));
        QFETCH(int, step);
        QTEST(sheet.move(block, step), "moved");
        QTEST(block->getIndex(), "newSlot");
        QTEST(block->getPosition().y(), "newY");
        if (x < 0)
            QCOMPARE(sheet.column(sheet.columnOf(block)).value(block->getIndex()), block);
    }
};

QTEST_GUILESS_MAIN(TestSheetModel)
#include "tst_sheetmodel.moc"
