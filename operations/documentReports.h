#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class BlockDiagram;
class NIMLogic;

// What vextor-cli and the Python module report about a document without a module.

// A design rule check report: its lines as printed, and the errors and warnings each without its
// "error: " or "warning: " prefix.
struct DrcLines
{
    QStringList lines;
    QStringList errors;
    QStringList warnings;

    static DrcLines of(const QString& report);
};

// The truth table of a logic block with the nets its operands come from, and a minimal form.
struct LogicBlockTable
{
    struct Operand
    {
        QString name; // "_A" .. "_K"
        QString net;  // the display name of what drives it; empty when unconnected
    };
    struct Row
    {
        QVector<int> inputs; // 0 or 1 per operand, in the order of the operands
        int output = 0;
    };

    QString block;      // the resource name, e.g. "PreLgc0"
    QString expression; // simplified; empty for a block without one
    QVector<Operand> operands;
    QVector<Row> rows;
    bool allRows = true; // false when only the true rows are listed
    int trueRows = 0;
    QString minimalForm;
    QString text;  // the table as vextor-cli prints it
    QString error; // "<block>: <message>" when the expression does not compile (nothing else set)

    // The PreLogic or PostLogic block called name (resource or user name), or null.
    static const NIMLogic* find(const BlockDiagram& diagram, const QString& name);
    static LogicBlockTable of(const NIMLogic& logic);
};
