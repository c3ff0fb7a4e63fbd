#include "model/blockDiagram.h"
#include "model/sheetModel.h"

#include "tests/support/dataRow.h"

#include <QTest>
#include <QTextStream>

using Column = SheetModel::Column;
Q_DECLARE_METATYPE(SheetModel::Column)

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
        QTest::addColumn<QString>("type");
        QTest::addColumn<Column>("column");
        QTest::addColumn<int>("y0");
        dataRow("input from a document", "Input", SheetModel::InputColumn, 104);
        dataRow("PreLogic", "PreLogic", SheetModel::PreLogicColumn, 90);
        dataRow("FeedBack output", "FeedBack3", SheetModel::PreLogicColumn, 106);
        dataRow("NonFnc", "NonFnc", SheetModel::FunctionColumn, 116);
        dataRow("Label output", "Label4", SheetModel::FunctionColumn, 106);
        dataRow("measure counter", "MsrCnt1", SheetModel::OutputColumn, 104);
    }

    void placement()
    {
        QFETCH(QString, type);
        Column c = SheetModel::ColumnCount;
        int y = -1;
        QVERIFY(SheetModel::placement(type, nullptr, c, y));
        QTEST(c, "column");
        QTEST(y, "y0");
        QVERIFY(!SheetModel::placement("Unknown", nullptr, c, y));
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
        Column c;
        int y0;
        SheetModel::placement(type, nullptr, c, y0);
        QCOMPARE(sheet.column(c).size(), capacity);
        QCOMPARE(sheet.column(c).lastKey(), capacity - 1);
    }

    void searchPosition_data()
    {
        QTest::addColumn<QList<int>>("taken");
        QTest::addColumn<int>("id");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("targetY"); // -1: no target point
        QTest::addColumn<int>("expected");
        // Column with pitch 40, slot 0 at y 104; the moving block is in slot `id`.
        QTest::newRow("next free down") << QList<int>{0, 1, 2} << 0 << 1 << -1 << 3;
        QTest::newRow("point in a free slot") << QList<int>{0} << 0 << 1 << 104 + 3 * 40 + 5 << 3;
        QTest::newRow("point in a taken slot: last free before")
            << QList<int>{0, 4} << 0 << 1 << 104 + 4 * 40 + 5 << 3;
        QTest::newRow("point in a taken slot right below: stays")
            << QList<int>{0, 1} << 0 << 1 << 104 + 40 + 5 << -1;
        QTest::newRow("point up in a taken slot") << QList<int>{5, 2} << 5 << -1 << 104 + 2 * 40 + 1 << 3;
    }

    void searchPosition()
    {
        QFETCH(QList<int>, taken);
        QFETCH(int, id);
        QFETCH(int, step);
        QFETCH(int, targetY);
        QFETCH(int, expected);
        const QPoint target(10, targetY);
        const int result = SheetModel::searchPosition(occupied(taken), 40, id, step, 104 + 40 * id,
                                                      targetY < 0 ? nullptr : &target);
        QCOMPARE(result < 0 ? -1 : result, expected);
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
        dataRow("top block up does nothing", "PreLogic", 0, -1, -1, false, 0, 90);
        dataRow("down past taken slot", "PreLogic", 1, 1, -1, true, 3, 90 + 3 * 68);
        dataRow("up into free slot", "CntFnc", 1, -1, -1, true, 0, 104);
        dataRow("x off the grid", "CntFnc", 1, 1, 300, false, 1, 104 + 40);
    }

    void move()
    {
        QFETCH(QString, type);
        QFETCH(int, slot);
        QFETCH(int, step);
        QFETCH(int, x);
        BlockDiagram diagram;
        SheetModel sheet(0);
        BlockItem* block = diagram.createPreLogic(slot, 0);
        QVERIFY(sheet.addItem(type, block));
        if (type == "PreLogic")
            QVERIFY(sheet.addItem(type, diagram.createPreLogic(slot + 1, 0)));
        if (x >= 0)
            block->setPosition(QPoint(x, block->getPosition().y()));
        QFETCH(bool, moved);
        QCOMPARE(sheet.move(block, step), moved);
        QFETCH(int, newSlot);
        QFETCH(int, newY);
        QCOMPARE(block->getIndex(), newSlot);
        QCOMPARE(block->getPosition().y(), newY);
        if (x < 0)
            QCOMPARE(sheet.column(sheet.columnOf(block)).value(newSlot), block);
    }

    void takenSlotGivesWay()
    {
        BlockDiagram diagram;
        SheetModel sheet(0);
        BlockItem* a = diagram.createPreLogic(2, 0);
        BlockItem* b = diagram.createPreLogic(2, 0);
        BlockItem* c = diagram.createPreLogic(99999999, 0);
        QVERIFY(sheet.addItem("PreLogic", a));
        QVERIFY(sheet.addItem("PreLogic", b));
        QVERIFY(sheet.addItem("PreLogic", c));
        QCOMPARE(a->getIndex(), 2);
        QCOMPARE(b->getIndex(), 0);
        QCOMPARE(c->getIndex(), 1);
        QCOMPARE(c->getPosition(), QPoint(142, 90 + 68));
        sheet.remove(b);
        QCOMPARE(sheet.columnOf(b), SheetModel::ColumnCount);
        QVERIFY(!sheet.isEmpty());
    }

    void savesColumnsInOrder()
    {
        BlockDiagram diagram;
        SheetModel sheet(0);
        const QList<QPair<QString, int>> blocks = {{"OUT-CH0", 0}, {"PostLogic", 1}, {"PostLogic", 0},
                                                   {"CntFnc", 3},  {"Input", 5},     {"PreLogic", 0}};
        for (const auto& [type, slot] : blocks) {
            BlockItem* b = diagram.createFunction(slot, 0, type + QString::number(slot));
            b->setType(type);
            QVERIFY(sheet.addItem(type, b));
        }
        QString text;
        QTextStream ts(&text);
        sheet.save(ts, 2);
        ts.flush();
        QStringList names;
        for (const QString& line : text.split('\n')) {
            if (line.contains("<name>"))
                names << line.trimmed().mid(6).chopped(7);
        }
        QCOMPARE(names,
                 QStringList({"Input5", "PreLogic0", "CntFnc3", "PostLogic0", "PostLogic1", "OUT-CH00"}));
        QVERIFY(text.startsWith("        <entry term=\"Input\">\n            <id>5</id>\n"));
    }
};

QTEST_GUILESS_MAIN(TestSheetModel)
#include "tst_sheetmodel.moc"
