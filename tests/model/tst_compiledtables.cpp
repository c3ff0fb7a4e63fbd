#include "blockDiagram.h"
#include "compiledTables.h"
#include "imageCapture.h"

#include <QRandomGenerator>
#include <QtTest>

// The compiled path against the literal evaluation: single expressions (values and error texts)
// and whole random diagrams (byte-identical images or the identical error).
class TestCompiledTables : public QObject
{
    Q_OBJECT

private slots:
    void expression_data();
    void expression();
    void randomExpressions();
    void randomDiagrams_data();
    void randomDiagrams();
};

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
void compareExpression(const QString& expr, int samples, QRandomGenerator& rng)
{
    const CompiledExpression c(expr);
    const int count = samples < 0 ? CompiledExpression::COMBINATIONS : samples;
    for (int n = 0; n < count; ++n) {
        const quint16 operands =
            samples < 0 ? quint16(n) : quint16(rng.bounded(CompiledExpression::COMBINATIONS));
        const QString expected = literal(expr, operands);
        if (compiled(c, operands) != expected) {
            QFAIL(qPrintable(QStringLiteral("expression \"%1\" operands %2: compiled %3, literal %4")
                                 .arg(expr.left(200))
                                 .arg(operands)
                                 .arg(compiled(c, operands), expected)));
        }
    }
}

QString repeat(const QString& s, int n)
{
    QString out;
    for (int k = 0; k < n; ++k)
        out += s;
    return out;
}

const char* const OPERATORS[] = {"and", "or", "xor"};

QString randomOperand(QRandomGenerator& rng)
{
    const int r = int(rng.bounded(14));
    if (r < 11)
        return NIMLogic::operandName(r);
    return r == 11 ? QStringLiteral("true") : QStringLiteral("false");
}

QString randomExpression(QRandomGenerator& rng, int depth)
{
    const int r = int(rng.bounded(10));
    if (depth <= 0 || r < 3)
        return randomOperand(rng);
    if (r < 5)
        return QStringLiteral("not ") + randomExpression(rng, depth - 1);
    if (r < 7) {
        // Parentheses without surrounding blanks are part of the language.
        const bool bTight = rng.bounded(3) == 0;
        const QString inner = randomExpression(rng, depth - 1);
        return bTight ? QStringLiteral("(") + inner + QStringLiteral(")")
                      : QStringLiteral("( ") + inner + QStringLiteral(" )");
    }
    return randomExpression(rng, depth - 1) + QLatin1Char(' ') + QLatin1String(OPERATORS[rng.bounded(3)]) +
           QLatin1Char(' ') + randomExpression(rng, depth - 1);
}

// Breaks an expression in one of the ways users do.
QString corrupt(QString expr, QRandomGenerator& rng)
{
    QStringList tokens = expr.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    static const char* const junk[] = {"_L", "(", ")", "and", "not", "AND", "x", "EOF", "1", ""};
    switch (rng.bounded(4)) {
    case 0:
        if (!tokens.isEmpty())
            tokens.removeAt(int(rng.bounded(tokens.size())));
        break;
    case 1:
        tokens.insert(int(rng.bounded(tokens.size() + 1)), QLatin1String(junk[rng.bounded(10)]));
        break;
    case 2:
        tokens.append(QLatin1String(OPERATORS[rng.bounded(3)]));
        break;
    default:
        return QStringLiteral("( ") + expr;
    }
    return tokens.join(QLatin1Char(' '));
}
} // namespace

void TestCompiledTables::expression_data()
{
    QTest::addColumn<QString>("expr");

    QTest::newRow("or and") << "_A or _B and _C";
    QTest::newRow("and or") << "_A and _B or _C";
    QTest::newRow("not and") << "not _A and _B";
    QTest::newRow("xor or") << "_A xor _B or _C";
    QTest::newRow("or not and") << "_A or not _B and _C";
    QTest::newRow("step back twice") << "_A or _B xor _C and _D or _E and not _F xor _G";
    QTest::newRow("step back over parentheses") << "_A or (_B or _C) and _D xor (_E) and _F";
    QTest::newRow("constants") << "true xor _K and false";
    QTest::newRow("tight parentheses") << "(_A)and(_B)";
    QTest::newRow("unclosed") << "( _A or _B";
    QTest::newRow("trailing operator") << "_A or";
    QTest::newRow("two operands") << "_A _B";
    QTest::newRow("surplus close") << "_A )";
    QTest::newRow("beyond K") << "_L";
    QTest::newRow("blank only") << "   ";
    QTest::newRow("end marker inside") << "_A EOF _B";
    QTest::newRow("error after step back") << "_A or _B and _C _D";
    // The nesting guard: 1000 levels pass, one more fails naming the token it stopped at. When
    // it stops on a step-back, that token has been overwritten with the operand's value.
    QTest::newRow("nesting at the limit")
        << repeat(QStringLiteral("( "), 999) + QStringLiteral("_A") + repeat(QStringLiteral(" )"), 999);
    QTest::newRow("nesting beyond the limit")
        << repeat(QStringLiteral("( "), 1000) + QStringLiteral("_A") + repeat(QStringLiteral(" )"), 1000);
    QTest::newRow("not beyond the limit") << repeat(QStringLiteral("not "), 1000) + QStringLiteral("_B");
    QTest::newRow("step back at the limit") << repeat(QStringLiteral("( "), 998) +
                                                   QStringLiteral("_A or _B and _C") +
                                                   repeat(QStringLiteral(" )"), 998);
    QTest::newRow("step back beyond the limit") << repeat(QStringLiteral("( "), 999) +
                                                       QStringLiteral("_A or _B and _C") +
                                                       repeat(QStringLiteral(" )"), 999);
    QTest::newRow("step back beyond, parenthesised operand")
        << repeat(QStringLiteral("( "), 998) + QStringLiteral("_A or ( not _B ) and _C") +
               repeat(QStringLiteral(" )"), 998);
}

void TestCompiledTables::expression()
{
    QFETCH(QString, expr);
    QRandomGenerator rng(7);
    compareExpression(expr, expr.size() > 500 ? 64 : -1, rng);
}

void TestCompiledTables::randomExpressions()
{
    QRandomGenerator rng(20261205);
    for (int n = 0; n < 400; ++n) {
        QString expr = randomExpression(rng, 1 + int(rng.bounded(6)));
        if (n % 3 == 0)
            expr = corrupt(expr, rng);
        compareExpression(expr, 48, rng);
        if (QTest::currentTestFailed())
            return;
    }
}

// ---------------------------------------------------------------------------------------------
// Random diagrams

namespace {
class RandomDiagram
{
public:
    RandomDiagram(BlockDiagram& d, quint32 seed)
        : m_d(d)
        , m_rng(seed)
    {}

    void build()
    {
        buildInputs();
        const int nPre = int(m_rng.bounded(15));
        for (int k = 0; k < nPre; ++k)
            buildPreLogic();
        buildFunctions();
        buildLabels();
        const int nPost = int(m_rng.bounded(12));
        for (int k = 0; k < nPost; ++k)
            buildPostLogic();
        buildOutputs();
        // Invalid expressions in some diagrams, at random places.
        if (m_rng.bounded(3) == 0) {
            QVector<BlockItem*> logic;
            for (BlockItem* b : m_d.preLogics())
                logic.append(b);
            for (BlockItem* b : m_d.postLogics())
                logic.append(b);
            if (!logic.isEmpty()) {
                BlockItem* b = logic.at(int(m_rng.bounded(logic.size())));
                b->setPropertyString(corrupt(b->getProperty(), m_rng));
            }
        }
    }

private:
    template<typename T> T* pick(const QVector<T*>& pool)
    {
        return pool.isEmpty() ? nullptr : pool.at(int(m_rng.bounded(pool.size())));
    }

    // Blocks hold no null drivers: the canvas connects only existing blocks.
    static void connect(BlockItem* target, int k, BlockItem* src)
    {
        if (src)
            target->setPort(k, src);
    }

    bool chance(int percent) { return int(m_rng.bounded(100)) < percent; }

    QString expression()
    {
        if (chance(5))
            return QString();
        return randomExpression(m_rng, 1 + int(m_rng.bounded(4)));
    }

    void buildInputs()
    {
        static const char* const settings[] = {"", "bUser=false bHigh=true Vth=900",
                                               "bUser=true bHigh=false Vth=3000", "bUserControl=true",
                                               "MainCnt=1.5usec SubCnt=20nsec"};
        for (const QString& name : m_d.inputNames()) {
            if (!chance(70))
                continue;
            NIM_IN* in = m_d.createInput(0, 0, name);
            in->setType(QStringLiteral("Input"));
            in->setPropertyString(QLatin1String(settings[m_rng.bounded(5)]));
            if (chance(20))
                m_d.createInput(0, 1, name)->setType(QStringLiteral("Input"));
        }
    }

    void buildPreLogic()
    {
        PreLogic* logic = m_d.createPreLogic(0, 0);
        logic->setType(QStringLiteral("PreLogic"));
        logic->setPropertyString(expression());
        const int n = int(m_rng.bounded(6));
        for (int k = 0; k < n; ++k)
            connect(logic, chance(70) ? -1 : int(m_rng.bounded(11)), pick(m_d.inputs()));
    }

    BlockItem* frontDriver()
    {
        const int r = int(m_rng.bounded(100));
        if (r < 60)
            return pick(m_d.preLogics());
        if (r < 72 && !m_feedbacks.isEmpty())
            return pick(m_feedbacks);
        if (r < 84 && !m_labels.isEmpty())
            return pick(m_labels);
        if (r < 85)
            return pick(m_d.inputs()); // unusual: evaluated through its settings string
        return nullptr;
    }

    void buildFunctions()
    {
        const int nFeedback = int(m_rng.bounded(9));
        for (int k = 0; k < nFeedback; ++k) {
            BlockItem* fb = m_d.createFeedBackIN(0, 0);
            fb->setType(QStringLiteral("FeedBack"));
            m_feedbacks.append(fb);
        }
        const int nLabel = int(m_rng.bounded(4));
        for (int k = 0; k < nLabel; ++k) {
            BlockItem* labelIn = m_d.createNIMLabelIN(0, 0);
            labelIn->setType(QStringLiteral("Label"));
            if (chance(80))
                connect(labelIn, 0, pick(m_d.preLogics()));
            m_labelIns.append(labelIn);
            BlockItem* label =
                m_d.createNIMLabel(0, 1, chance(90) ? labelIn->getName() : QStringLiteral("Label99"));
            label->setType(QStringLiteral("PreLabel"));
            m_labels.append(label);
        }
        const int nFunctions = int(m_rng.bounded(14));
        for (int k = 0; k < nFunctions; ++k) {
            const int kind = int(m_rng.bounded(10));
            BlockItem* f;
            if (kind < 4) {
                f = m_d.createCntFnc(0, 0);
                f->setType(QStringLiteral("CntFnc"));
                f->setPropertyString(QStringLiteral("Mode=%1 MainCnt=%2usec SubCnt=%3nsec")
                                         .arg(m_rng.bounded(11))
                                         .arg(m_rng.bounded(1000))
                                         .arg(m_rng.bounded(1000)));
            } else if (kind < 8) {
                f = m_d.createDlyFnc(0, 0);
                f->setType(QStringLiteral("DlyFnc"));
                f->setPropertyString(QStringLiteral("Delay=%1ns").arg(m_rng.bounded(70000)));
            } else {
                f = m_d.createNonFnc(0, 0);
                f->setType(QStringLiteral("NonFnc"));
            }
            if (BlockItem* driver = frontDriver())
                f->setPort(0, driver);
        }
    }

    void buildLabels()
    {
        // Function outputs carried by labels to the backend logic.
        for (int k = 0; k < 2; ++k) {
            if (!chance(50) || m_d.functions().isEmpty())
                continue;
            BlockItem* labelIn = m_d.createNIMLabelIN(0, 0);
            labelIn->setType(QStringLiteral("Label"));
            if (chance(85))
                connect(labelIn, 0, pick(m_d.functions()));
            BlockItem* label = m_d.createNIMFncLabel(0, 1, labelIn->getName());
            label->setType(QStringLiteral("FncLabel"));
            m_fncLabels.append(label);
        }
    }

    BlockItem* backDriver()
    {
        const int r = int(m_rng.bounded(100));
        if (r < 80)
            return pick(m_d.postLogics());
        if (r < 81)
            return pick(m_d.functions()); // unusual: evaluated through its settings string
        return nullptr;
    }

    void buildPostLogic()
    {
        PostLogic* logic = m_d.createPostLogic(0, 0);
        logic->setType(QStringLiteral("PostLogic"));
        logic->setPropertyString(expression());
        const int n = int(m_rng.bounded(8));
        for (int k = 0; k < n; ++k) {
            BlockItem* src = chance(85) || m_fncLabels.isEmpty() ? pick(m_d.functions()) : pick(m_fncLabels);
            if (src)
                logic->setPort(chance(60) ? -1 : int(m_rng.bounded(11)), src);
        }
    }

    void buildOutputs()
    {
        for (int ch = 0; ch < 8; ++ch) {
            if (!chance(60))
                continue;
            const QString kind = QStringLiteral("OUT-CH%1").arg(ch);
            BlockItem* out = m_d.createOut(0, 0, kind);
            out->setType(kind);
            static const char* const settings[] = {"", "bNIM=true bTTL=false ", "bNIM=false bTTL=true "};
            out->setPropertyString(QLatin1String(settings[m_rng.bounded(3)]));
            if (BlockItem* driver = backDriver())
                out->setPort(0, driver);
        }
        for (BlockItem* fb : m_feedbacks) {
            if (BlockItem* driver = backDriver())
                fb->setPort(0, driver);
        }
        for (int m = 0; m < 4; ++m) {
            if (!chance(50))
                continue;
            const QString kind = QStringLiteral("MsrCnt%1").arg(m);
            BlockItem* msr = m_d.createMsrCnt(0, 0, kind);
            msr->setType(kind);
            msr->setPropertyString(QStringLiteral("Mode=%1 FileSave=false PATH=/tmp").arg(m_rng.bounded(4)));
            for (int port = 0; port < 2; ++port) {
                if (BlockItem* driver = backDriver())
                    msr->setPort(port, driver);
            }
        }
    }

    BlockDiagram& m_d;
    QRandomGenerator m_rng;
    QVector<BlockItem*> m_feedbacks;
    QVector<BlockItem*> m_labelIns;
    QVector<BlockItem*> m_labels;
    QVector<BlockItem*> m_fncLabels;
};

// The capture of a download, or the error it threw.
struct Outcome
{
    ImageCapture capture;
    QString error;
};

void run(BlockDiagram& d, bool bLiteral, Outcome& outcome)
{
    try {
        bLiteral ? d.downloadLiteral(&outcome.capture) : d.download(&outcome.capture);
    } catch (const QString& message) {
        outcome.error = message;
    }
}
} // namespace

void TestCompiledTables::randomDiagrams_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 80; ++seed)
        QTest::newRow(qPrintable(QStringLiteral("seed %1").arg(seed))) << seed * 7919u;
}

void TestCompiledTables::randomDiagrams()
{
    QFETCH(quint32, seed);
    BlockDiagram d;
    RandomDiagram(d, seed).build();

    Outcome fast;
    Outcome slow;
    run(d, false, fast);
    run(d, true, slow);
    QCOMPARE(fast.error, slow.error);
    QCOMPARE(fast.capture.flushes(), slow.capture.flushes());
    QCOMPARE(fast.capture.bytes().size(), slow.capture.bytes().size());
    QVERIFY(fast.capture.bytes() == slow.capture.bytes());

    // The module holding the literal image verifies against the diagram in every stage.
    if (!slow.error.isEmpty())
        return;
    static const quint32 bases[5] = {BlockDiagram::REG_DLY_FUNC, BlockDiagram::REG_FRONTEND_LUT_BEGIN,
                                     BlockDiagram::REG_OUTPUT_BACKEND_LUT_BEGIN,
                                     BlockDiagram::REG_FEEDBACK_BACKEND_LUT_BEGIN,
                                     BlockDiagram::REG_MSRCNT_BACKEND_LUT_BEGIN};
    QByteArray data[5] = {QByteArray(140, 0), QByteArray(2048, 0), QByteArray(2048, 0), QByteArray(2048, 0),
                          QByteArray(2048, 0)};
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

QTEST_GUILESS_MAIN(TestCompiledTables)
#include "tst_compiledtables.moc"
