#include "dialogs/editLogicDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/dataRow.h"
#include "tests/support/diagramBuilder.h"

#include <QApplication>
#include <QMenu>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
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

    // The box names the error and shows its place below the line that holds it; the place is
    // selected in the text, which stays as typed.
    void refusedExpressionStaysOpen_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("place");
        QTest::addColumn<QString>("selected");
        const QString longLine = QString("_A or ").repeated(10) + "_Q";
        dataRow("trailing operator", QString("_A and"), QString("invalid at EOF"),
                QString("<pre>_A and\n      ^</pre>"), QString());
        dataRow("two operands", QString("_A _B"), QString("invalid at '_B'"),
                QString("<pre>_A _B\n   ^^</pre>"), QString("_B"));
        dataRow("unclosed", QString("(_A or _B"), QString("invalid --- ')' is missimg."),
                QString("<pre>(_A or _B\n         ^</pre>"), QString());
        dataRow("second line", QString("_A and\n  _L <"), QString("invalid at '_L'"),
                QString("<pre>  _L &lt;\n  ^^</pre>"), QString("_L"));
        dataRow("long line", longLine, QString("invalid at '_Q'"),
                QString("<pre>\u2026%1_Q\n%2^^</pre>").arg(QString("_A or ").repeated(5), QString(31, ' ')),
                QString("_Q"));
    }
    void refusedExpressionStaysOpen()
    {
        QFETCH(QString, text);
        QString expr = QStringLiteral("_A");
        logic->setProperty(expr, false);
        EditLogicDialog dialog(logic, &host);
        dialog.show();
        dialog.textEdit()->setPlainText(text);
        clickOk(dialog.buttonBox());
        QCOMPARE(host.scripted.shown.size(), 1);
        QCOMPARE(host.scripted.shown.at(0).title, QStringLiteral("Logic Error"));
        QTEST(host.scripted.shown.at(0).text, "message");
        QTEST(host.scripted.shown.at(0).informative, "place");
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.textEdit()->toPlainText(), text);
        QTEST(dialog.textEdit()->textCursor().selectedText(), "selected");
        QCOMPARE(logic->getProperty(), QStringLiteral("_A"));
    }

    // A box with a short text is still wide enough for its title bar (the title, an icon and
    // three buttons).
    void boxKeepsItsTitleWhole()
    {
        int width = 0;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                width = shown->width();
                shown->accept();
            }
        });
        closer.start(10);
        Prompts toolkit;
        toolkit.warning(nullptr, QStringLiteral("Logic Error"), QStringLiteral("invalid at EOF"));
        QFont bold;
        bold.setBold(true);
        QVERIFY2(width >= QFontMetrics(bold).horizontalAdvance("Logic Error") + 100,
                 qPrintable(QString::number(width)));
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
