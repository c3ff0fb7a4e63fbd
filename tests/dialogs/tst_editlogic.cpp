#include "dialogs/editLogicDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/diagramBuilder.h"

#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>

// The logic editor: net names, both display modes, the disconnect menu, refusals, the truth table.
class TestEditLogic : public QObject
{
    Q_OBJECT

private:
    ScriptedHost host;
    PostLogic* logic = nullptr;

    static QStringList headers(const QTableWidget* table)
    {
        QStringList list;
        for (int c = 0; c < table->columnCount(); ++c)
            list.append(table->horizontalHeaderItem(c)->text());
        return list;
    }

    static QString column(const QTableWidget* table, int c)
    {
        QString bits;
        for (int r = 0; r < table->rowCount(); ++r)
            bits += table->item(r, c)->text();
        return bits;
    }

private slots:
    void init()
    {
        host.reset();
        // Input 0: a pass-through function fed by an unnamed PreLogic; input 1: a PreLogic TRIG.
        DiagramBuilder make(host.model);
        BlockItem* pass = make.non(host.model.createPreLogic(0, 0));
        PreLogic* trig = host.model.createPreLogic(0, 0);
        trig->setUserName(QStringLiteral("TRIG"));
        logic = make.post(QString(), {pass, trig});
    }

    void netNamesAndModes()
    {
        EditLogicDialog dialog(logic, &host);
        dialog.show();
        QCOMPARE(dialog.operandButton(0)->text(), QStringLiteral("_A\n\nPreLgc0"));
        QCOMPARE(dialog.operandButton(1)->text(), QStringLiteral("_B\n\nTRIG"));
        QCOMPARE(dialog.operandButton(2)->text(), QStringLiteral("_C\n\n"));
        dialog.netButton()->click();
        QTest::mouseClick(dialog.operandButton(1), Qt::LeftButton);
        QTest::mouseClick(dialog.operatorButton(QStringLiteral("and")), Qt::LeftButton);
        QTest::mouseClick(dialog.operatorButton(QStringLiteral("(")), Qt::LeftButton);
        QTest::keyClicks(dialog.textEdit(), QStringLiteral("PreLgc0 or _C)"));
        QCOMPARE(dialog.textEdit()->toPlainText(), QStringLiteral(" TRIG  and (PreLgc0 or _C)"));
        QCOMPARE(headers(dialog.truthTable()), (QStringList{QStringLiteral("PreLgc0"), QStringLiteral("TRIG"),
                                                            QStringLiteral("_C"), QStringLiteral("OUT")}));
        QCOMPARE(column(dialog.truthTable(), 3), QStringLiteral("00010011"));
        QCOMPARE(dialog.minimalForm()->text(),
                 QStringLiteral("Minimal form (a hint; the expression is stored as "
                                "typed): OUT = PreLgc0 and TRIG or TRIG and _C"));
        clickOk(dialog.buttonBox());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(logic->getProperty(), QStringLiteral(" _B  and (_A or _C)"));
        QCOMPARE(host.changes.size(), 1);
    }

    void truthPane_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("count");
        QTest::newRow("two operands") << "_A and not _C"
                                      << "" << 4 << "";
        QTest::newRow("unclosed") << "( _A or _B"
                                  << "invalid --- ')' is missimg." << 0 << "";
        QTest::newRow("seven operands") << "_A and _B and _C and _D and _E and _F and _G"
                                        << "" << 1 << "1 of 128 rows are 1 (only those are listed)";
    }

    void truthPane()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        QFETCH(QString, count);
        EditLogicDialog dialog(logic, &host);
        dialog.show();
        const QSize opened = dialog.size(); // with the message of the empty text
        retype(dialog.textEdit(), text);
        QCOMPARE(dialog.size(), opened); // OK stays where it was while the user types
        QCOMPARE(dialog.truthMessage()->isVisible(), !message.isEmpty());
        QCOMPARE(dialog.truthMessage()->text(), message);
        QCOMPARE(dialog.truthTable()->isVisible(), message.isEmpty());
        if (message.isEmpty())
            QTEST(dialog.truthTable()->rowCount(), "rows");
        QCOMPARE(dialog.truthCount()->isVisible(), !count.isEmpty());
        if (!count.isEmpty())
            QCOMPARE(dialog.truthCount()->text(), count);
        dialog.truthToggle()->click();
        QVERIFY(!dialog.truthTable()->isVisible() && !dialog.truthMessage()->isVisible());
    }

    void refusedExpressionStaysOpen()
    {
        QString expr = QStringLiteral("_A");
        logic->setProperty(expr, false);
        EditLogicDialog dialog(logic, &host);
        dialog.show();
        retype(dialog.textEdit(), QStringLiteral("_A and"));
        clickOk(dialog.buttonBox());
        QCOMPARE(host.scripted.shown.size(), 1);
        QCOMPARE(host.scripted.shown.at(0).title, QStringLiteral("Logic Error"));
        QCOMPARE(host.scripted.shown.at(0).text, QStringLiteral("invalid at EOF"));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.textEdit()->toPlainText(), QStringLiteral("_A and"));
        QCOMPARE(logic->getProperty(), QStringLiteral("_A"));
    }

    void disconnectThroughMenu()
    {
        BlockItem* trig = logic->getPort(1);
        {
            EditLogicDialog dialog(logic, &host);
            QVERIFY(!dialog.portMenu(2));
            QMenu* menu = dialog.portMenu(1);
            QCOMPARE(menu->actions().size(), 1);
            QCOMPARE(menu->actions().at(0)->text(), QStringLiteral("&Delete"));
            menu->actions().at(0)->trigger();
            QCOMPARE(dialog.operandButton(1)->text(), QStringLiteral("_B\n\n"));
            dialog.reject();
        }
        QVERIFY(!logic->getPort(1));
        QVERIFY(!trig->getOutPort().contains(logic));
        QCOMPARE(host.changes.size(), 1);
    }
};

QTEST_MAIN(TestEditLogic)
#include "tst_editlogic.moc"
