#include "model/nimLogic.h"

#include <QVector>

namespace {
struct Span
{
    int start;
    int length;
};

// Where each token of tokenize() lies in the text: parentheses stand alone, everything else is
// split at white space.
QVector<Span> tokenSpans(const QString& expr)
{
    QVector<Span> spans;
    for (int i = 0; i < expr.size();) {
        const QChar c = expr.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('(') || c == QLatin1Char(')')) {
            spans.append({i++, 1});
        } else {
            const int start = i;
            while (i < expr.size() && !expr.at(i).isSpace() && expr.at(i) != QLatin1Char('(') &&
                   expr.at(i) != QLatin1Char(')'))
                ++i;
            spans.append({start, i - start});
        }
    }
    return spans;
}
} // namespace

NIMLogic::Diagnosis NIMLogic::diagnose(const QString& expr)
{
    Evaluation e;
    e.tokens = tokenize(expr);
    const bool bits[OPERANDS] = {};
    e.bits = bits;
    Diagnosis diagnosis;
    try {
        calc(e, levelEOF);
    } catch (const QString& message) {
        diagnosis.message = message;
        // Past the last token (the end marker, or the empty token of a blank text): the end.
        const QVector<Span> spans = tokenSpans(expr);
        const Span at = e.pos < spans.size() ? spans.at(e.pos) : Span{int(expr.size()), 0};
        diagnosis.start = at.start;
        diagnosis.length = at.length;
    }
    return diagnosis;
}
