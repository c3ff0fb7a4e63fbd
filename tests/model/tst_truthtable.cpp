#include "model/blockDiagram.h"
#include "model/compiledTables.h"
#include "model/truthTable.h"
#include "tests/support/randomLogic.h"

#include <QTest>

// The truth table against the compiled lookup table, its minimal form, and its text.
class TestTruthTable : public QObject
{
    Q_OBJECT

private:
    // The value of the table for an operand word (bit k = operand k).
    static bool valueOf(const TruthTable& table, quint16 word)
    {
        quint16 inputs = 0;
        for (int i = 0; i < table.operands().size(); ++i)
            if (word & (1u << table.operands().at(i)))
                inputs |= quint16(1u << i);
        return table.output(inputs);
    }

private slots:
    void matchesFrontendTableAndMinimalForm()
    {
        // A PreLogic fed by the ten channels on operands _A.._J, triggering counter unit 0.
        BlockDiagram diagram;
        PreLogic* logic = diagram.createPreLogic(0, 0);
        logic->setType(QStringLiteral("PreLogic"));
        for (const QString& name : diagram.inputNames())
            logic->setPort(-1, diagram.createInput(0, 0, name));
        BlockItem* counter = diagram.createCntFnc(0, 0);
        counter->setType(QStringLiteral("CntFnc"));
        counter->setPort(0, logic);
        diagram.blockMapping();

        RandomLogic::Generator random(1207);
        for (int n = 0; n < 150; ++n) {
            QStringList tokens;
            random.valid(tokens, 1 + random.below(4));
            QString expr = random.join(tokens);
            logic->setProperty(expr, false);
            const TruthTable table(expr);
            QVERIFY2(table.isValid(), qPrintable(expr));
            const QVector<quint16> frontend = CompiledTables(diagram).frontend();
            const QString minimal = table.minimalForm();
            const CompiledExpression minimalExpr(minimal);
            QVERIFY2(minimalExpr.isValid(), qPrintable(minimal));
            for (quint16 word = 0; word < CompiledExpression::COMBINATIONS; ++word) {
                if (word < CompiledTables::FRONTEND_ENTRIES)
                    QVERIFY2(bool(frontend.at(word) & 0x100) == valueOf(table, word), qPrintable(expr));
                QVERIFY2(minimalExpr.value(word) == valueOf(table, word), qPrintable(expr + " / " + minimal));
            }
        }
    }

    void text_data()
    {
        // The text starts with head and ends with tail.
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QString>("head");
        QTest::addColumn<QString>("tail");
        QTest::newRow("constant") << "_B and not _B"
                                  << "_B | OUT\n 0 |   0\n 1 |   0\n"
                                  << "minimal form (hint, not stored): OUT = false\n";
        QTest::newRow("seven operands: only true rows")
            << "_A and _B and _C and _D and _E and _F or _K"
            << "_A _B _C _D _E _F _K | OUT\n 0  0  0  0  0  0  1 |   1\n 0  0  0  0  0  1  1 |   1\n"
            << " 1  1  1  1  1  1  1 |   1\n65 of 128 rows are 1 (only those are listed)\n"
               "minimal form (hint, not stored): OUT = _K or _A and _B and _C and _D and _E and _F\n";
        QTest::newRow("parse error") << "( _A or _B"
                                     << "invalid --- ')' is missimg.\n"
                                     << "";
    }

    void text()
    {
        QFETCH(QString, expr);
        QFETCH(QString, head);
        QFETCH(QString, tail);
        const QString shown = TruthTable(expr).text();
        QVERIFY2(shown.startsWith(head) && shown.endsWith(tail), qPrintable(shown));
        QVERIFY(shown.size() >= head.size() + tail.size());
    }
};

QTEST_GUILESS_MAIN(TestTruthTable)
#include "tst_truthtable.moc"
