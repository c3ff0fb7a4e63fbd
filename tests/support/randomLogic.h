#ifndef RANDOMLOGIC_H
#define RANDOMLOGIC_H

// Random logic expressions for the equivalence tests: valid ones of limited depth, small damage
// to them, and assorted white space between the tokens.

#include "model/nimLogic.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStringList>

namespace RandomLogic {
inline const QStringList OPERANDS{"_A", "_B", "_C", "_D", "_E", "_F", "_G", "_H", "_I", "_J", "_K"};
inline const QStringList OPERATORS{"and", "xor", "or"};
// Tokens that are no part of the language (none holds a blank or a parenthesis).
inline const QStringList JUNK{"_L", "_a", "_", "_AB", "AND", "True", "1", "&&", "nott", "_A,_B", "\xC3\xA9"};

class Generator
{
public:
    explicit Generator(quint32 seed)
        : m_random(seed)
    {}

    int below(int n) { return int(m_random.bounded(quint32(n))); }
    bool chance(int percent) { return below(100) < percent; }
    template<typename T> const T& pick(const QList<T>& list) { return list.at(below(list.size())); }

    // A valid expression of limited depth.
    void valid(QStringList& out, int depth)
    {
        const int choice = depth <= 0 ? 0 : below(10);
        if (choice <= 3) {
            const int leaf = below(13);
            out << (leaf < 11    ? OPERANDS.at(leaf)
                    : leaf == 11 ? QStringLiteral("true")
                                 : QStringLiteral("false"));
        } else if (choice <= 5) {
            out << QStringLiteral("not");
            valid(out, depth - 1);
        } else if (choice <= 7) {
            out << QStringLiteral("(");
            valid(out, depth - 1);
            out << QStringLiteral(")");
        } else {
            const int operands = 2 + below(4);
            valid(out, depth - 1);
            for (int i = 1; i < operands; ++i) {
                out << pick(OPERATORS);
                valid(out, depth - 1);
            }
        }
    }

    QString anyToken()
    {
        static const QStringList OTHERS{"(", ")", "not", "true", "false"};
        const int k = below(6);
        return pick(k == 0 ? OPERANDS : k == 1 ? OPERATORS : k < 4 ? OTHERS : JUNK);
    }

    // Small damage to a token sequence: deletions, insertions, replacements, swaps.
    void mutate(QStringList& tokens)
    {
        for (int e = 1 + below(3); e > 0; --e) {
            const int at = tokens.isEmpty() ? 0 : below(tokens.size());
            const int what = below(4);
            if (what == 1 || tokens.isEmpty())
                tokens.insert(at, anyToken());
            else if (what == 0)
                tokens.removeAt(at);
            else if (what == 2)
                tokens[at] = anyToken();
            else if (at + 1 < tokens.size())
                tokens.swapItemsAt(at, at + 1);
        }
    }

    // Joins tokens with assorted white space; next to a parenthesis no space is needed.
    QString join(const QStringList& tokens)
    {
        static const char* const SEPARATORS[] = {" ", " ", " ", "  ", "\t", "\n", " \r\n "};
        static const QRegularExpression parenthesis(QStringLiteral("^[()]$"));
        QString text = chance(10) ? QStringLiteral("  ") : QString();
        for (int i = 0; i < tokens.size(); ++i) {
            const bool paren =
                i > 0 && (tokens.at(i - 1).contains(parenthesis) || tokens.at(i).contains(parenthesis));
            if (i > 0 && !(paren && chance(50)))
                text += QLatin1String(SEPARATORS[below(7)]);
            text += tokens.at(i);
        }
        return chance(10) ? text + QStringLiteral("\t") : text;
    }

    void randomBits(bool* bits)
    {
        for (int k = 0; k < NIMLogic::OPERANDS; ++k)
            bits[k] = chance(50);
    }

private:
    QRandomGenerator m_random;
};

// The tokens of an expression, without the end marker.
inline QStringList tokensOf(const QString& expr)
{
    QStringList tokens = NIMLogic::tokenize(expr);
    tokens.removeLast();
    return tokens;
}
} // namespace RandomLogic

#endif
