#include "model/nimLogic.h"
#include "tests/model/randomLogic.h"

#include <QRegularExpression>
#include <QtTest>

#include <optional>

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

// The result of one evaluation: a value or a message.
struct Outcome
{
    std::optional<bool> value;
    QString message;

    QString text() const
    {
        return value ? (*value ? QStringLiteral("true") : QStringLiteral("false")) : message;
    }
};

// An independent evaluator: recursive descent with one level per operator, loosest first
// ("or", "xor", "and"), then unary := "not" unary | "(" or-level ")" | operand | "true" | "false";
// it reports the first token that does not fit, in the module's four message forms.
class Reference
{
public:
    Reference(const QStringList& tokens, const bool* bits)
        : m_tokens(tokens)
        , m_bits(bits)
    {}

    Outcome evaluate()
    {
        Outcome outcome;
        try {
            const bool v = binary(0);
            if (!atEnd())
                throw invalidAt(current());
            outcome.value = v;
        } catch (const QString& message) {
            outcome.message = message;
        }
        return outcome;
    }

    // The deepest nesting of "not" and "(" seen.
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

Outcome underTest(const QString& expr, const bool* bits)
{
    Outcome outcome;
    try {
        outcome.value = NIMLogic::calc(expr, bits);
    } catch (const QString& message) {
        outcome.message = message;
    }
    return outcome;
}

// One of the four message forms, naming a token of the expression.
bool wellFormed(const QString& message, const QStringList& tokens)
{
    if (message == AT_EOF || message == MISSING)
        return true;
    static const QRegularExpression at(QStringLiteral("^invalid at '(.*)'$"),
                                       QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = at.match(message);
    if (!m.hasMatch())
        return false;
    return tokens.isEmpty() ? m.captured(1).isEmpty() : tokens.contains(m.captured(1));
}

// Compares the evaluation with the reference for a few random operand sets; counts the values and
// messages seen.
void check(Generator& gen, int rounds, const QStringList& tokens, const QString& expr, int& values,
           int& messages)
{
    for (int round = 0; round < rounds; ++round) {
        bool bits[NIMLogic::OPERANDS];
        gen.randomBits(bits);
        const Outcome actual = underTest(expr, bits);
        ++(actual.value ? values : messages);
        if (!actual.value)
            QVERIFY2(wellFormed(actual.message, tokens),
                     qPrintable(expr.left(300) + " -> " + actual.message));

        // The reference recurses on every nesting level; beyond a few thousand only the shape of
        // the outcome is checked.
        if (tokens.count(QStringLiteral("(")) + tokens.count(QStringLiteral("not")) > REFERENCE_NESTING)
            continue;
        Reference reference(tokens, bits);
        Outcome expected = reference.evaluate();
        if (tokens.isEmpty())
            expected = Outcome{std::nullopt, invalidAt(QString())}; // an empty expression is one empty token
        // Nesting beyond the evaluator's depth limit is refused at a "(" or "not"; anything else
        // must agree.
        if (reference.nesting() > NIMLogic::MAX_DEPTH && !actual.value &&
            (actual.message == invalidAt(QStringLiteral("(")) ||
             actual.message == invalidAt(QStringLiteral("not"))))
            continue;
        const QByteArray context = "expression: " + expr.toUtf8().left(300) +
                                   "\nexpected: " + expected.text().toUtf8() +
                                   "\nactual: " + actual.text().toUtf8();
        QVERIFY2(actual.value == expected.value, context.constData());
        if (!actual.value)
            QVERIFY2(actual.message == expected.message, context.constData());
    }
}
} // namespace

class TestLogicRandom : public QObject
{
    Q_OBJECT

private slots:
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
        // The generator must exercise both outcomes substantially.
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
            auto row = [depth](const char* tag, const QString& open, const QString& inner,
                               const QString& close) {
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
        const QStringList tokens = tokensOf(expr);
        Generator gen{quint32(depth)};
        int values = 0;
        int messages = 0;
        check(gen, 3, tokens, expr, values, messages);
    }

    void longFlatExpression()
    {
        // A very long expression without nesting agrees with the reference.
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

QTEST_GUILESS_MAIN(TestLogicRandom)
#include "tst_logicrandom.moc"
