#pragma once

#include <QHash>
#include <QString>
#include <QVector>

#include <memory>
#include <vector>

class BlockDiagram;
class BlockItem;

// A logic expression parsed once and turned into its truth table over the eleven operands.
// The parse follows the literal evaluator of NIMLogic step by step (operator levels, the
// step-back-and-overwrite rule for tighter operators, the nesting guard), so the table holds
// exactly the values and the failure exactly the message that the literal evaluation gives.
class CompiledExpression
{
public:
    static constexpr int COMBINATIONS = 1 << 11;

    explicit CompiledExpression(const QString& expr);

    bool isValid() const { return m_error.isEmpty() && m_errorNode < 0; }
    // The value for an operand word (bit k = operand k).
    bool value(quint16 operands) const { return (m_table[operands >> 6] >> (operands & 63)) & 1u; }
    // The message the literal evaluation throws for this operand word (invalid expressions only).
    QString error(quint16 operands) const;

private:
    enum class Op : quint8 { False, True, Operand, Not, And, Xor, Or };
    struct Node
    {
        Op op;
        int a;
        int b;
    };
    using Table = std::vector<quint64>;
    class Parser;

    Table truthTable(int node) const;

    std::vector<Node> m_nodes;
    Table m_table;
    QString m_error;      // fixed message of a failed parse
    int m_errorNode = -1; // or: the guard fired on a token overwritten with this node's value
    Table m_errorTable;   // the values of that node
};

// The four lookup tables of the latest block mapping, computed from compiled expressions. Each
// block is compiled when the literal entry order would evaluate it first, so the first error
// thrown is the literal path's, with the same text. The wiring rules that pick the block behind
// each table bit are static members here and are shared with the literal evaluation.
class CompiledTables
{
public:
    enum Table { Frontend, Output, Feedback, MsrCnt };
    static constexpr int FRONTEND_ENTRIES = 1024;
    static constexpr int BACKEND_ENTRIES = 2048;
    // Slots of the pass-through paths: the order the mapping fills them in, and frontend bits 0..5.
    static constexpr int PASS_THROUGH_SLOTS[6] = {0, 1, 2, 8, 9, 10};

    // One bit of a table entry and the logic block whose truth value it takes.
    struct Source
    {
        int bit;
        const BlockItem* block;
    };

    explicit CompiledTables(const BlockDiagram& diagram);
    ~CompiledTables();
    CompiledTables(const CompiledTables&) = delete;
    CompiledTables& operator=(const CompiledTables&) = delete;

    // The entries of a table in address order; expression errors are thrown as QString.
    QVector<quint16> frontend() const;
    QVector<quint8> backend(Table table) const;

    // The blocks behind the bits of a table entry, in the order the entry evaluates them.
    static QVector<Source> sources(const BlockDiagram& diagram, Table table);
    // For each input k of a backend logic block, the backend slot its operand follows, or -1.
    static void operandSlots(const BlockDiagram& diagram, const BlockItem* post, int* slotOf);

private:
    using Bits = std::vector<quint8>;

    const CompiledExpression& compiled(const BlockItem* block) const;
    const Bits& truthValues(const BlockItem* block, bool bFrontend) const;
    // For each bit of a table index (a channel or a backend slot), the operands it sets.
    void operandMasks(const BlockItem* block, bool bFrontend, quint16* masks) const;

    const BlockDiagram& m_diagram;
    mutable QHash<const BlockItem*, std::shared_ptr<CompiledExpression>> m_expressions;
    mutable QHash<const BlockItem*, Bits> m_frontendValues;
    mutable QHash<const BlockItem*, Bits> m_backendValues;
};
