#pragma once

#include <QRegularExpression>
#include <QSyntaxHighlighter>
#include <QTextCharFormat>
#include <QVector>

// Colours the words of a logic expression: operators, operand letters and connected net names.
class Highlighter : public QSyntaxHighlighter
{
    Q_OBJECT

public:
    struct HighlightingRule
    {
        QRegularExpression pattern;
        QTextCharFormat format;
    };

    explicit Highlighter(QTextDocument* parent);

    // Appends one rule per pattern (case-sensitive), in the brush and, when weight > 0, that weight.
    void setRule(const QStringList& patterns, const QBrush& brush, int weight);
    void clearRules();

protected:
    void highlightBlock(const QString& text) override;

private:
    QVector<HighlightingRule> m_rules;
};
