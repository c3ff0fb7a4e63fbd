#include "dialogs/highlighter.h"

Highlighter::Highlighter(QTextDocument* parent)
    : QSyntaxHighlighter(parent)
{}

void Highlighter::setRule(const QStringList& patterns, const QBrush& brush, int weight)
{
    QTextCharFormat format;
    format.setForeground(brush);
    if (weight > 0)
        format.setFontWeight(weight);
    for (const QString& pattern : patterns)
        m_rules.append({QRegularExpression(pattern), format});
}

void Highlighter::clearRules()
{
    m_rules.clear();
}

void Highlighter::highlightBlock(const QString& text)
{
    for (const HighlightingRule& rule : m_rules) {
        QRegularExpressionMatchIterator it = rule.pattern.globalMatch(text);
        while (it.hasNext()) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() > 0)
                setFormat(match.capturedStart(), match.capturedLength(), rule.format);
        }
    }
    setCurrentBlockState(0);
}
