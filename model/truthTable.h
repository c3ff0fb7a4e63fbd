#pragma once

#include "model/compiledTables.h"

#include <QString>
#include <QStringList>
#include <QVector>

class BlockItem;

// The truth table of a logic expression over the operands it uses, computed by the compiled
// evaluator that builds the register image, and an equivalent sum of products as a reading aid.
// The expression itself is never changed.
class TruthTable
{
public:
    // Up to this many operands every row is listed; beyond it only the rows whose output is 1.
    static constexpr int FULL_TABLE_OPERANDS = 6;

    // One listed row: bit i of inputs is the value of operands()[i].
    struct Row
    {
        quint16 inputs;
        bool output;
    };

    explicit TruthTable(const QString& expr);

    bool isValid() const { return m_expr.isValid(); }
    // The message the check of a stored expression gives (empty when valid).
    QString error() const { return isValid() ? QString() : m_expr.error(0); }

    // The operand indices (0 = "_A") the expression names, ascending.
    const QVector<int>& operands() const { return m_operands; }
    bool listsAllRows() const { return m_operands.size() <= FULL_TABLE_OPERANDS; }
    int combinations() const { return 1 << m_operands.size(); }
    int trueCount() const;
    // The listed rows, first operand most significant; inputs in the table's bit order.
    QVector<Row> rows() const;
    // The value for a row's inputs.
    bool output(quint16 inputs) const { return m_expr.value(operandWord(inputs)); }

    // A sum of products equivalent to the expression ("true" or "false" for constants), written
    // with names[k] for operand k; the letters "_A".."_K" when names is empty.
    QString minimalForm(const QStringList& names = QStringList()) const;

    // The table as plain text: a header of the operand names and "OUT", one line per listed row,
    // the count of true rows when not all rows are listed, and the minimal form marked as a hint.
    QString text(const QStringList& names = QStringList()) const;

private:
    quint16 operandWord(quint16 inputs) const;
    QString name(const QStringList& names, int k) const;

    CompiledExpression m_expr;
    QVector<int> m_operands;
};

// The name an operand of a logic block shows: the display name of the block driving input k (for
// a pass-through function, of the block feeding it), empty when the input is unconnected.
QString operandNet(const BlockItem* logic, int k);
