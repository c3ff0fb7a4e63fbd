#include "model/blockItem.h"
#include "model/nimLogic.h"
#include "tests/support/randomLogic.h"

#include "tests/support/dataRow.h"

#include <QtTest>

#include <functional>
#include <memory>

using namespace RandomLogic;

namespace {
const QString AT_EOF = QStringLiteral("invalid at EOF");
const QString MISSING = QStringLiteral("invalid --- ')' is missimg.");
// Deepest nesting the reference evaluator is run on.
constexpr int REFERENCE_NESTING = 3000;

QString invalidAt(const QString& token)
{
    return QStringLiteral("invalid at '") + token + QLatin1Char('\'');
}

// The outcome of an evaluation: "true", "false" or the message thrown.
QString outcome(const std::function<bool()>& evaluate)
{
    try {
        return evaluate() ? QStringLiteral("true") : QStringLiteral("false");
    } catch (const QString& message) {
        return message;
    }
}

// An independent recursive-descent evaluator, in the module's four message forms.
class Reference
{
public:
    Reference(const QStringList& tokens, const bool* bits)
        : m_tokens(tokens)
        , m_bits(bits)
    {}

    bool evaluate()
    {
        const bool v = binary(0);
        if (!atEnd())
            throw invalidAt(current());
        return v;
    }

    int nesting() const { return m_maxNesting; }

private:
    bool atEnd() const { return m_pos >= m_tokens.size(); }
    const QString& current() const { return m_tokens.at(m_pos); }
    bool accept(const char* token)
    {
        const bool match = !atEnd() && current() == QLatin1String(token);
        m_pos += match ? 1 : 0;
        return match;
    }

    bool binary(int level)
    {
        static const char* const LEVELS[] = {"or", "xor", "and"};
        if (level == 3)
            return unary();
        bool v = binary(level + 1);
        while (accept(LEVELS[level])) {
            const bool rhs = binary(level + 1);
            v = level == 0 ? v || rhs : level == 1 ? v != rhs : v && rhs;
        }
        return v;
    }

    bool unary()
    {
        if (atEnd())
            throw AT_EOF;
        const bool paren = accept("(");
        if (paren || accept("not")) {
            m_maxNesting = qMax(m_maxNesting, ++m_nesting);
            const bool v = paren ? binary(0) : !unary();
            if (paren && atEnd())
                throw MISSING;
            if (paren && !accept(")"))
                throw invalidAt(current());
            --m_nesting;
            return v;
        }
        const QString& t = current();
        const int k = OPERANDS.indexOf(t);
        if (k < 0 && t != QLatin1String("true") && t != QLatin1String("false"))
            throw invalidAt(t);
        ++m_pos;
        return k >= 0 ? m_bits[k] : t == QLatin1String("true");
    }

    const QStringList& m_tokens;
    const bool* m_bits;
    int m_pos = 0;
    int m_nesting = 0;
    int m_maxNesting = 0;
};

// Compares the evaluation with the reference for random operand sets; counts values and messages.
void check(Generator& gen, int rounds, const QStringList& tokens, const QString& expr, int& values,
           int& messages)
{
    for (int round = 0; round < rounds; ++round) {
        bool bits[NIMLogic::OPERANDS];
        gen.randomBits(bits);
        const QString actual = outcome([&] { return NIMLogic::calc(expr, bits); });
        const bool isValue = actual == QLatin1String("true") || actual == QLatin1String("false");
        ++(isValue ? values : messages);
        // Too deep for the reference: a value or a refused nesting.
        const bool refused =
            actual == NIMLogic::tooDeep(QStringLiteral("(")) || actual == NIMLogic::tooDeep(QStringLiteral("not"));
        if (tokens.count(QStringLiteral("(")) + tokens.count(QStringLiteral("not")) > REFERENCE_NESTING) {
            QVERIFY2(isValue || refused, qPrintable(actual));
            continue;
        }
        Reference reference(tokens, bits);
        const QString expected =
            tokens.isEmpty() ? invalidAt(QString()) : outcome([&] { return reference.evaluate(); });
        // Beyond the depth limit the nesting may be refused; anything else must agree.
        if (reference.nesting() > NIMLogic::MAX_DEPTH && refused)
            continue;
        QVERIFY2(actual == expected,
                 qPrintable(expr.left(300) + "\nexpected: " + expected + "\nactual: " + actual));
    }
}

void store(NIMLogic& logic, const QString& expr)
{
    QString text = expr;
    QVERIFY(logic.setProperty(text, false));
}
} // namespace

class TestLogic : public QObject
{
    Q_OBJECT

private slots:
    void errors_data()
    {
        QTest::addColumn<QString>("expr");
        QTest::addColumn<QString>("message");
        dataRow("unclosed parenthesis", "( _A or _B", MISSING);
        dataRow("trailing operator", "_A or", AT_EOF);
        dataRow("operand for an operator", "_A _B", "invalid at '_B'");
        dataRow("operand beyond _K", "_L", "invalid at '_L'");
        dataRow("empty", "", "invalid at ''");
        const QString deep = QString(NIMLogic::MAX_DEPTH, '(') + "not _A" + QString(NIMLogic::MAX_DEPTH, ')');
        dataRow("nested too deep", deep, "invalid at 'not': nested more than 1000 levels deep");
    }

    void errors()
    {
        QFETCH(QString, expr);
        QFETCH(QString, message);
        PostLogic logic(0, 0, QStringLiteral("PstLgc0"));
        store(logic, QStringLiteral("_A"));
        QString checked = expr;
        QVERIFY(!logic.setProperty(checked, true));
        QCOMPARE(checked, message);
        QCOMPARE(logic.getProperty(), QStringLiteral("_A"));
        // Unchecked, as the loader stores it, the text is kept.
        store(logic, expr);
        QCOMPARE(logic.getProperty(), expr);
        // A block names itself by its resource name; without an expression it is false.
        const bool bits[NIMLogic::OPERANDS] = {true, true, true, true};
        QCOMPARE(outcome([&] { return NIMLogic::calc(expr, bits); }), message);
        logic.setUserName(QStringLiteral("Veto"));
        QCOMPARE(outcome([&] { return logic.isBitON(bits); }),
                 expr.isEmpty() ? "false" : "PstLgc0: " + message);
    }

    void setPort()
    {
        PostLogic logic(0, 0, QStringLiteral("PstLgc0"));
        std::vector<std::unique_ptr<NIMFunction>> sources;
        for (int k = 0; k < 12; ++k)
            sources.push_back(std::make_unique<NIMFunction>(k, 0, QStringLiteral("DlyFnc%1").arg(k)));
        // An explicit input first; automatic ones take the lowest free input.
        QCOMPARE(logic.setPort(1, sources[0].get()), 1);
        QCOMPARE(logic.setPort(-1, sources[1].get()), 0);
        QCOMPARE(logic.setPort(-1, sources[2].get()), 2);
        // One connection per source, wherever it would go.
        QCOMPARE(logic.setPort(-1, sources[0].get()), -1);
        QCOMPARE(logic.setPort(4, sources[0].get()), -1);
        for (int k = 3; k < NIMLogic::OPERANDS; ++k)
            QCOMPARE(logic.setPort(-1, sources[size_t(k)].get()), k);
        QCOMPARE(logic.setPort(-1, sources[11].get()), -1);
        QVERIFY(sources[11]->getOutPort().isEmpty());
        // An explicit input takes the new source in place of the old driver.
        QCOMPARE(logic.setPort(7, sources[11].get()), 7);
        QVERIFY(sources[7]->getOutPort().isEmpty());
        QCOMPARE(sources[11]->getOutPort(), QVector<BlockItem*>{&logic});
    }

    void preLogicChannels_data()
    {
        // Drivers "name:input"; the entry follows bit `bit` of the channel word (-1: never, -2: always).
        QTest::addColumn<QStringList>("drivers");
        QTest::addColumn<QString>("expr");
        QTest::addColumn<int>("bit");
        dataRow("IN-CH0 on input 2", QStringList{"IN-CH0:2"}, "_C", 1);
        dataRow("IN-USER on input 5", QStringList{"IN-USER:5"}, "_F", 10);
        dataRow("same channel twice: higher input never", QStringList{"IN-CH0:4", "IN-CH0:1"}, "_E", -1);
        dataRow("same channel twice: lowest input", QStringList{"IN-CH0:4", "IN-CH0:1"}, "_B", 1);
        dataRow("no expression is false", QStringList{"IN-CH0:0"}, "", -1);
        dataRow("a label is no channel", QStringList{"Label0:0"}, "not _A", -2);
    }

    void preLogicChannels()
    {
        QFETCH(QStringList, drivers);
        QFETCH(QString, expr);
        QFETCH(int, bit);
        PreLogic logic(0, 0, QStringLiteral("PreLgc0"));
        std::vector<std::unique_ptr<BlockItem>> blocks;
        for (const QString& d : drivers) {
            const QString name = d.section(QLatin1Char(':'), 0, 0);
            blocks.emplace_back(name.startsWith("IN-") ? static_cast<BlockItem*>(new NIM_IN(0, 0, name))
                                                       : new NIMLabel(0, 0, name));
            logic.setPort(d.section(QLatin1Char(':'), 1).toInt(), blocks.back().get());
        }
        store(logic, expr);
        for (uint word = 0; word <= 0xFFFF; ++word)
            QCOMPARE(logic.isBitON(quint16(word)), bit == -2 || (bit >= 0 && (word >> bit) & 1));
    }

    void generatedExpressions()
    {
        const quint32 seed = 20260412;
        Generator gen(seed);
        int values = 0;
        int messages = 0;
        for (int i = 0; i < 12000; ++i) {
            QStringList tokens;
            const int kind = gen.below(10);
            if (kind < 8)
                gen.valid(tokens, 1 + gen.below(kind < 4 ? 6 : 5));
            if (kind >= 4 && kind < 8)
                gen.mutate(tokens);
            for (int t = kind < 8 ? 0 : gen.below(12); t > 0; --t)
                tokens << gen.anyToken();
            check(gen, 2, tokens, gen.join(tokens), values, messages);
            if (QTest::currentTestFailed()) {
                qWarning("seed %u, case %d", seed, i);
                return;
            }
        }
        QVERIFY(values > 4000);
        QVERIFY(messages > 4000);
    }

    void deepNesting_data()
    {
        QTest::addColumn<QString>("open");  // repeated prefix
        QTest::addColumn<QString>("inner"); // innermost expression
        QTest::addColumn<QString>("close"); // repeated suffix
        QTest::addColumn<int>("depth");
        for (int depth : {50, 5000, 100000}) {
            auto row = [depth](const char* tag, const char* open, const char* inner, const char* close) {
                QTest::addRow("%s %d", tag, depth) << open << inner << close << depth;
            };
            row("parentheses", "(", "_A", ")");
            row("not", "not ", "_B", "");
            row("unclosed", "(", "_C", "");
            row("operators around parentheses", "_E or _F and not (", "_G xor _H", ") and _I");
            row("surplus closing", "(", "_J", "))");
        }
    }

    void deepNesting()
    {
        QFETCH(QString, open);
        QFETCH(QString, inner);
        QFETCH(QString, close);
        QFETCH(int, depth);
        const QString expr = open.repeated(depth) + inner + close.repeated(depth);
        Generator gen{quint32(depth)};
        int values = 0;
        int messages = 0;
        check(gen, 3, tokensOf(expr), expr, values, messages);
    }

    void longFlatExpression()
    {
        Generator gen(7);
        QStringList tokens;
        for (int i = 0; i < 100000; ++i) {
            if (i > 0)
                tokens << gen.pick(OPERATORS);
            if (gen.chance(20))
                tokens << QStringLiteral("not");
            tokens << gen.pick(OPERANDS);
        }
        int values = 0;
        int messages = 0;
        check(gen, 4, tokens, tokens.join(QLatin1Char(' ')), values, messages);
        QCOMPARE(values, 4);
    }
};

QTEST_GUILESS_MAIN(TestLogic)
#include "tst_logic.moc"
