#include "model/blockDiagram.h"
#include "model/compiledTables.h"
#include "model/imageCapture.h"
#include "tests/model/randomLogic.h"

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

// Compares the compiled expression with the literal one for every operand word, or for a
// sample of them when the expression is long.
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

// A random diagram of every block kind the download reads, with odd drivers (an input feeding a
// function, a function feeding an output) and, in a third of them, one broken expression.
class RandomDiagram
{
public:
    RandomDiagram(BlockDiagram& d, quint32 seed)
        : m_d(d)
        , m_gen(seed)
    {}

    void build()
    {
        static const char* const inputSettings[] = {"", "bUser=false bHigh=true Vth=900",
                                                    "bUser=true bHigh=false Vth=3000", "bUserControl=true",
                                                    "MainCnt=1.5usec SubCnt=20nsec"};
        for (const QString& name : m_d.inputNames()) {
            if (chance(70))
                typed(m_d.createInput(0, 0, name), "Input", inputSettings[m_gen.below(5)]);
            if (chance(15))
                typed(m_d.createInput(0, 1, name), "Input");
        }
        for (int k = m_gen.below(15); k > 0; --k) {
            BlockItem* logic = typed(m_d.createPreLogic(0, 0), "PreLogic", expression());
            for (int n = m_gen.below(6); n > 0; --n)
                connect(logic, chance(70) ? -1 : m_gen.below(11), pick(m_d.inputs()));
        }
        for (int k = m_gen.below(9); k > 0; --k)
            m_front.append(typed(m_d.createFeedBackIN(0, 0), "FeedBack"));
        QVector<BlockItem*> feedbacks = m_front;
        for (int k = m_gen.below(4); k > 0; --k) {
            BlockItem* labelIn = typed(m_d.createNIMLabelIN(0, 0), "Label");
            connect(labelIn, 0, chance(80) ? pick(m_d.preLogics()) : nullptr);
            const QString name = chance(90) ? labelIn->getName() : QStringLiteral("Label99");
            m_front.append(typed(m_d.createNIMLabel(0, 1, name), "PreLabel"));
        }
        m_front += asBlocks(m_d.preLogics()) + asBlocks(m_d.preLogics()) + asBlocks(m_d.inputs()).mid(0, 1);
        for (int k = m_gen.below(14); k > 0; --k) {
            const int kind = m_gen.below(10);
            BlockItem* f = kind < 4   ? typed(m_d.createCntFnc(0, 0), "CntFnc",
                                              QString("Mode=%1 MainCnt=%2usec SubCnt=%3nsec")
                                                  .arg(m_gen.below(11))
                                                  .arg(m_gen.below(1000))
                                                  .arg(m_gen.below(1000)))
                           : kind < 8 ? typed(m_d.createDlyFnc(0, 0), "DlyFnc",
                                              QString("Delay=%1ns").arg(m_gen.below(70000)))
                                      : typed(m_d.createNonFnc(0, 0), "NonFnc");
            connect(f, 0, chance(85) ? pick(m_front) : nullptr);
        }
        // Function outputs carried by labels to the backend logic.
        QVector<BlockItem*> fncLabels;
        for (int k = 0; k < 2 && !m_d.functions().isEmpty(); ++k) {
            BlockItem* labelIn = typed(m_d.createNIMLabelIN(0, 0), "Label");
            connect(labelIn, 0, chance(85) ? pick(m_d.functions()) : nullptr);
            fncLabels.append(typed(m_d.createNIMFncLabel(0, 1, labelIn->getName()), "FncLabel"));
        }
        for (int k = m_gen.below(12); k > 0; --k) {
            BlockItem* logic = typed(m_d.createPostLogic(0, 0), "PostLogic", expression());
            for (int n = m_gen.below(8); n > 0; --n)
                connect(logic, chance(60) ? -1 : m_gen.below(11),
                        chance(85) || fncLabels.isEmpty() ? pick(m_d.functions()) : pick(fncLabels));
        }
        static const char* const outputSettings[] = {"", "bNIM=true bTTL=false ", "bNIM=false bTTL=true "};
        for (int ch = 0; ch < 8; ++ch) {
            if (chance(60)) {
                const QString kind = QString("OUT-CH%1").arg(ch);
                connect(typed(m_d.createOut(0, 0, kind), kind, outputSettings[m_gen.below(3)]), 0,
                        backDriver());
            }
        }
        for (BlockItem* fb : feedbacks)
            connect(fb, 0, backDriver());
        for (int m = 0; m < 4; ++m) {
            if (!chance(50))
                continue;
            const QString kind = QString("MsrCnt%1").arg(m);
            BlockItem* msr = typed(m_d.createMsrCnt(0, 0, kind), kind,
                                   QString("Mode=%1 FileSave=false PATH=/tmp").arg(m_gen.below(4)));
            connect(msr, 0, backDriver());
            connect(msr, 1, backDriver());
        }
        const QVector<BlockItem*> logic = asBlocks(m_d.preLogics()) + asBlocks(m_d.postLogics());
        if (m_gen.below(3) == 0 && !logic.isEmpty()) {
            BlockItem* b = pick(logic);
            QStringList tokens = RandomLogic::tokensOf(b->getProperty());
            m_gen.mutate(tokens);
            b->setPropertyString(m_gen.join(tokens));
        }
    }

private:
    template<typename T> static QVector<BlockItem*> asBlocks(const QVector<T*>& pool)
    {
        return QVector<BlockItem*>(pool.begin(), pool.end());
    }

    template<typename T> T* pick(const QVector<T*>& pool)
    {
        return pool.isEmpty() ? nullptr : pool.at(m_gen.below(pool.size()));
    }

    static BlockItem* typed(BlockItem* b, const QString& type, const QString& settings = QString())
    {
        b->setType(type);
        if (!settings.isEmpty())
            b->setPropertyString(settings);
        return b;
    }

    // Blocks hold no null drivers: the canvas connects only existing blocks.
    static void connect(BlockItem* target, int k, BlockItem* src)
    {
        if (src)
            target->setPort(k, src);
    }

    bool chance(int percent) { return m_gen.chance(percent); }

    QString expression()
    {
        return chance(5) ? QString() : randomExpression(m_gen, 1 + m_gen.below(4), false);
    }

    // Mostly a PostLogic; rarely a function, evaluated through its settings string.
    BlockItem* backDriver()
    {
        const int r = m_gen.below(100);
        return r < 80 ? pick(m_d.postLogics()) : r < 81 ? pick(m_d.functions()) : nullptr;
    }

    BlockDiagram& m_d;
    Generator m_gen;
    QVector<BlockItem*> m_front; // drivers a function may have
};

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

// The compiled path against the literal evaluation: single expressions (values and error texts)
// and whole random diagrams (byte-identical images or the identical error).
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
            QTest::newRow(row[0]) << QString::fromLatin1(row[1]);
        // The nesting guard: 1000 levels pass, one more fails naming the token it stopped at. When
        // it stops on a step-back, that token has been overwritten with the operand's value.
        auto nested = [](int depth, const char* inner) {
            return QStringLiteral("( ").repeated(depth) + inner + QStringLiteral(" )").repeated(depth);
        };
        QTest::newRow("nesting at the limit") << nested(999, "_A");
        QTest::newRow("nesting beyond the limit") << nested(1000, "_A");
        QTest::newRow("step back beyond the limit") << nested(999, "_A or _B and _C");
        QTest::newRow("step back beyond, parenthesised operand") << nested(998, "_A or ( not _B ) and _C");
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
        for (quint32 seed = 1; seed <= 80; ++seed)
            QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed * 7919u;
    }

    void randomDiagrams()
    {
        QFETCH(quint32, seed);
        BlockDiagram d;
        RandomDiagram(d, seed).build();

        const Outcome fast(d, false);
        const Outcome slow(d, true);
        QCOMPARE(fast.error, slow.error);
        QCOMPARE(fast.capture.flushes(), slow.capture.flushes());
        QVERIFY(fast.capture.bytes() == slow.capture.bytes());

        // The module holding the literal image verifies against the diagram in every stage.
        if (!slow.error.isEmpty())
            return;
        static const quint32 bases[5] = {BlockDiagram::REG_DLY_FUNC, BlockDiagram::REG_FRONTEND_LUT_BEGIN,
                                         BlockDiagram::REG_OUTPUT_BACKEND_LUT_BEGIN,
                                         BlockDiagram::REG_FEEDBACK_BACKEND_LUT_BEGIN,
                                         BlockDiagram::REG_MSRCNT_BACKEND_LUT_BEGIN};
        QByteArray data[5] = {QByteArray(140, 0), QByteArray(2048, 0), QByteArray(2048, 0),
                              QByteArray(2048, 0), QByteArray(2048, 0)};
        for (const ImageCapture::Byte& b : slow.capture.bytes()) {
            for (int s = 0; s < 5; ++s) {
                if (b.first >= bases[s] && b.first < bases[s] + quint32(data[s].size()))
                    data[s][int(b.first - bases[s])] = char(b.second);
            }
        }
        QString report;
        d.initVerify(report);
        QVERIFY2(d.verifyFunc(data[0], report), qPrintable(report));
        QVERIFY2(d.verifyFrontendLUT(data[1], report), qPrintable(report));
        QVERIFY2(d.verifyOutputLUT(data[2], report), qPrintable(report));
        QVERIFY2(d.verifyFeedbackLUT(data[3], report), qPrintable(report));
        QVERIFY2(d.verifyMsrCntLUT(data[4], report), qPrintable(report));
    }
};

QTEST_GUILESS_MAIN(TestCompiledTables)
#include "tst_compiledtables.moc"
