#include "model/compiledTables.h"
#include "tests/support/diagramBuilder.h"
#include "tests/support/randomDocument.h"

#include "tests/support/dataRow.h"

#include <QtTest>

using RandomLogic::Generator;

namespace {
// The literal outcome for an operand word: "0", "1" or the error message.
QString literal(const QString& expr, quint16 operands)
{
    bool bits[NIMLogic::OPERANDS];
    for (int k = 0; k < NIMLogic::OPERANDS; ++k)
        bits[k] = (operands >> k) & 1;
    try {
        return NIMLogic::calc(expr, bits) ? QStringLiteral("1") : QStringLiteral("0");
    } catch (const QString& message) {
        return message;
    }
}

QString compiled(const CompiledExpression& expr, quint16 operands)
{
    if (!expr.isValid())
        return expr.error(operands);
    return expr.value(operands) ? QStringLiteral("1") : QStringLiteral("0");
}

// Compiled against literal for every operand word, or a sample of them.
void compareExpression(const QString& expr, int samples, Generator& gen)
{
    const CompiledExpression c(expr);
    const int count = samples < 0 ? CompiledExpression::COMBINATIONS : samples;
    for (int n = 0; n < count; ++n) {
        const quint16 operands =
            samples < 0 ? quint16(n) : quint16(gen.below(CompiledExpression::COMBINATIONS));
        const QString expected = literal(expr, operands);
        if (compiled(c, operands) != expected) {
            QFAIL(qPrintable(QStringLiteral("expression \"%1\" operands %2: compiled %3, literal %4")
                                 .arg(expr.left(200))
                                 .arg(operands)
                                 .arg(compiled(c, operands), expected)));
        }
    }
}

// A random expression of up to `depth` levels, damaged in a third of the cases.
QString randomExpression(Generator& gen, int depth, bool bDamaged)
{
    QStringList tokens;
    gen.valid(tokens, depth);
    if (bDamaged)
        gen.mutate(tokens);
    return gen.join(tokens);
}

// Now and then, wires the editor never makes (input to function, function to output, lone label).
void addOddWires(BlockDiagram& d, RandomDocument& random)
{
    RandomLogic::Generator& gen = random.generator();
    if (BlockItem* f = random.pick(d.functions()); f && gen.chance(15))
        f->setPort(0, random.pick(d.inputs()));
    if (BlockItem* out = random.pick(d.outs()); out && gen.chance(15))
        out->setPort(0, random.pick(d.functions()));
    if (BlockItem* f = random.pick(d.functions()); f && gen.chance(15)) {
        BlockItem* label = d.createNIMLabel(0, 0, QStringLiteral("Label99"));
        label->setType(BlockKinds::PRE_LABEL);
        f->setPort(0, label);
    }
}

// The capture of a download, or the error it threw.
struct Outcome
{
    ImageCapture capture;
    QString error;

    Outcome(BlockDiagram& d, bool bLiteral)
    {
        try {
            bLiteral ? d.downloadLiteral(&capture) : d.download(&capture);
        } catch (const QString& message) {
            error = message;
        }
    }
};
} // namespace

// The compiled path against the literal evaluation: expressions and whole random diagrams.
class TestCompiledTables : public QObject
{
    Q_OBJECT

private slots:
    void expression_data()
    {
        QTest::addColumn<QString>("expr");
        static const char* const ROWS[][2] = {
            {"step back twice", "_A or _B xor _C and _D or _E and not _F xor _G"},
            {"step back over parentheses", "_A or (_B or _C) and _D xor (_E) and _F"},
            {"unclosed", "( _A or _B"},
            {"surplus close", "_A )"},
            {"end marker inside", "_A EOF _B"},
            {"error after step back", "_A or _B and _C _D"}};
        for (const auto& row : ROWS)
            dataRow(row[0], QString::fromLatin1(row[1]));
        // The nesting guard: 1000 levels pass, one more fails naming the token it stopped at.
        auto nested = [](int depth, const char* inner) {
            return QStringLiteral("( ").repeated(depth) + inner + QStringLiteral(" )").repeated(depth);
        };
        dataRow("nesting at the limit", nested(999, "_A"));
        dataRow("nesting beyond the limit", nested(1000, "_A"));
        dataRow("step back beyond the limit", nested(999, "_A or _B and _C"));
        dataRow("step back beyond, parenthesised operand", nested(998, "_A or ( not _B ) and _C"));
    }

    void expression()
    {
        QFETCH(QString, expr);
        Generator gen(7);
        compareExpression(expr, expr.size() > 500 ? 64 : -1, gen);
    }

    void randomExpressions()
    {
        Generator gen(20261205);
        for (int n = 0; n < 400; ++n) {
            compareExpression(randomExpression(gen, 1 + gen.below(6), n % 3 == 0), 48, gen);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void randomDiagrams_data()
    {
        QTest::addColumn<quint32>("seed");
        for (quint32 seed = 1; seed <= 200; ++seed)
            dataRow(qPrintable(QStringLiteral("seed %1").arg(seed)), seed * 7919u);
    }

    void randomDiagrams()
    {
        QFETCH(quint32, seed);
        Document doc;
        RandomDocument random(doc, seed);
        random.build();
        BlockDiagram& d = *doc.diagram();
        addOddWires(d, random);

        const Outcome fast(d, false);
        const Outcome slow(d, true);
        QCOMPARE(fast.error, slow.error);
        QCOMPARE(fast.capture.flushes(), slow.capture.flushes());
        QVERIFY(fast.capture.bytes() == slow.capture.bytes());

        // The module holding the literal image verifies against the diagram in every stage.
        if (!slow.error.isEmpty())
            return;
        QString report;
        d.initVerify(report);
        QVERIFY2(d.verifyFunc(slow.capture.range(0x0004, 140), report), qPrintable(report));
        QVERIFY2(d.verifyFrontendLUT(slow.capture.range(0x2000, 2048), report), qPrintable(report));
        QVERIFY2(d.verifyOutputLUT(slow.capture.range(0x2800, 2048), report), qPrintable(report));
        QVERIFY2(d.verifyFeedbackLUT(slow.capture.range(0x3000, 2048), report), qPrintable(report));
        QVERIFY2(d.verifyMsrCntLUT(slow.capture.range(0x3800, 2048), report), qPrintable(report));
    }
};

QTEST_GUILESS_MAIN(TestCompiledTables)
#include "tst_compiledtables.moc"
