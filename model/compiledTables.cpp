#include "model/compiledTables.h"

#include "model/blockDiagram.h"
#include "model/blockKinds.h"
#include "model/nimLogic.h"

namespace {
constexpr int WORDS = CompiledExpression::COMBINATIONS / 64;

QString invalidAt(const QString& token)
{
    return QStringLiteral("invalid at '") + token + QLatin1Char('\'');
}

// Operand k over the operand words w * 64 .. w * 64 + 63.
quint64 operandWord(int k, int w)
{
    static const quint64 low[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                                   0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
    if (k < 6)
        return low[k];
    return (w >> (k - 6)) & 1 ? ~0ull : 0ull;
}

int lowestBit(int v)
{
    int i = 0;
    while (!(v & (1 << i)))
        ++i;
    return i;
}

// The values of an expression at every table index, where bit j of an index sets the operands of
// masks[j]: each index adds its lowest bit to an index already done.
std::vector<quint8> valuesOver(const quint16* masks, int entries, const CompiledExpression& expr)
{
    std::vector<quint8> values(static_cast<size_t>(entries));
    std::vector<quint16> operands(size_t(entries), 0);
    values[0] = expr.value(0);
    for (int i = 1; i < entries; ++i) {
        operands[size_t(i)] = operands[size_t(i & (i - 1))] | masks[lowestBit(i)];
        values[size_t(i)] = expr.value(operands[size_t(i)]);
    }
    return values;
}
} // namespace

// ---------------------------------------------------------------------------------------------
// The literal evaluator, run once over symbolic values: each value is a node of the expression
// graph instead of a bool. Its control flow never depends on operand values, so following it
// once yields the whole function.

class CompiledExpression::Parser
{
public:
    struct Failure
    {
        QString message;
        int node; // >= 0: the message names the value of this node ("true" or "false")
    };

    Parser(const QString& expr, std::vector<Node>& nodes)
        : m_tokens(NIMLogic::tokenize(expr))
        , m_overwritten(m_tokens.size(), -1)
        , m_nodes(nodes)
    {}

    int parse() { return calc(NIMLogic::levelEOF); }

private:
    int add(Op op, int a = -1, int b = -1)
    {
        m_nodes.push_back({op, a, b});
        return int(m_nodes.size()) - 1;
    }

    int constant(bool value)
    {
        int& node = m_constants[value ? 1 : 0];
        if (node < 0)
            node = add(value ? Op::True : Op::False);
        return node;
    }

    int operand(int k)
    {
        if (m_operands[k] < 0)
            m_operands[k] = add(Op::Operand, k);
        return m_operands[k];
    }

    // The literal evaluator names the current token; an overwritten one reads "true" or "false".
    [[noreturn]] void failAt(int pos) const
    {
        if (m_overwritten[pos] >= 0)
            throw Failure{QString(), m_overwritten[pos]};
        throw Failure{invalidAt(m_tokens.at(pos)), -1};
    }

    int level(int pos) const { return m_overwritten[pos] >= 0 ? -1 : NIMLogic::getOpLevel(m_tokens.at(pos)); }

    int getArg()
    {
        if (m_overwritten[m_pos] >= 0)
            return m_overwritten[m_pos++];
        const QString& t = m_tokens.at(m_pos);
        if (t == QLatin1String("EOF"))
            throw Failure{QStringLiteral("invalid at EOF"), -1};
        const bool paren = t == QLatin1String("(");
        if (paren || t == QLatin1String("not")) {
            // Only parentheses and "not" nest; one level too many is refused at that token.
            if (++m_depth > NIMLogic::MAX_DEPTH)
                throw Failure{NIMLogic::tooDeep(t), -1};
            ++m_pos;
            const int value = paren ? calc(NIMLogic::levelRight) : add(Op::Not, calc(NIMLogic::levelNOT));
            --m_depth;
            return value;
        }
        if (t.size() == 2 && t.at(0) == QLatin1Char('_')) {
            const int k = t.at(1).unicode() - 'A';
            if (k >= 0 && k < NIMLogic::OPERANDS) {
                ++m_pos;
                return operand(k);
            }
        }
        if (t == QLatin1String("true") || t == QLatin1String("false")) {
            ++m_pos;
            return constant(t == QLatin1String("true"));
        }
        throw Failure{invalidAt(t), -1};
    }

    int calc(int lvl)
    {
        int acc = getArg();
        for (;;) {
            if (m_overwritten[m_pos] >= 0)
                failAt(m_pos);
            const QString& t = m_tokens.at(m_pos);
            if (t == QLatin1String("EOF")) {
                if (lvl == NIMLogic::levelRight)
                    throw Failure{QStringLiteral("invalid --- ')' is missimg."), -1};
                break;
            }
            if (t == QLatin1String(")")) {
                if (lvl == NIMLogic::levelEOF)
                    failAt(m_pos);
                if (lvl == NIMLogic::levelRight)
                    ++m_pos;
                break;
            }
            const int p = NIMLogic::getOpLevel(t);
            if (p != NIMLogic::levelAND && p != NIMLogic::levelOR && p != NIMLogic::levelXOR)
                failAt(m_pos);
            if (p <= lvl)
                break;
            ++m_pos;
            int rhs = getArg();
            if (p < level(m_pos)) {
                --m_pos;
                m_overwritten[m_pos] = rhs;
                rhs = calc(p);
            }
            const Op op = p == NIMLogic::levelAND ? Op::And : p == NIMLogic::levelXOR ? Op::Xor : Op::Or;
            acc = add(op, acc, rhs);
        }
        return acc;
    }

    const QStringList m_tokens;
    std::vector<int> m_overwritten; // position -> node written over the token, or -1
    std::vector<Node>& m_nodes;
    int m_pos = 0;
    int m_depth = 0;
    int m_constants[2] = {-1, -1};
    int m_operands[NIMLogic::OPERANDS] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
};

CompiledExpression::CompiledExpression(const QString& expr)
{
    Parser parser(expr, m_nodes);
    try {
        m_table = truthTable(parser.parse());
    } catch (const Parser::Failure& failure) {
        m_table.assign(WORDS, 0);
        m_error = failure.message;
        m_errorNode = failure.node;
        if (m_errorNode >= 0)
            m_errorTable = truthTable(m_errorNode);
    }
}

QString CompiledExpression::error(quint16 operands) const
{
    if (m_errorNode < 0)
        return m_error;
    const bool value = (m_errorTable[operands >> 6] >> (operands & 63)) & 1u;
    return invalidAt(value ? QStringLiteral("true") : QStringLiteral("false"));
}

CompiledExpression::Table CompiledExpression::truthTable(int node) const
{
    // Nodes refer only to earlier nodes, so one pass in creation order evaluates them all.
    std::vector<quint64> values(size_t(node + 1) * WORDS);
    for (int n = 0; n <= node; ++n) {
        const Node& x = m_nodes[size_t(n)];
        quint64* out = &values[size_t(n) * WORDS];
        const quint64* a = x.op >= Op::Not ? &values[size_t(x.a) * WORDS] : nullptr;
        const quint64* b = x.op >= Op::And ? &values[size_t(x.b) * WORDS] : nullptr;
        for (int w = 0; w < WORDS; ++w) {
            switch (x.op) {
            case Op::False:
                out[w] = 0;
                break;
            case Op::True:
                out[w] = ~0ull;
                break;
            case Op::Operand:
                out[w] = operandWord(x.a, w);
                break;
            case Op::Not:
                out[w] = ~a[w];
                break;
            case Op::And:
                out[w] = a[w] & b[w];
                break;
            case Op::Xor:
                out[w] = a[w] ^ b[w];
                break;
            case Op::Or:
                out[w] = a[w] | b[w];
                break;
            }
        }
    }
    return Table(values.end() - WORDS, values.end());
}

// ---------------------------------------------------------------------------------------------

CompiledTables::CompiledTables(const BlockDiagram& diagram)
    : m_diagram(diagram)
{}

CompiledTables::~CompiledTables() = default;

QVector<quint16> CompiledTables::frontend() const
{
    QVector<quint16> entries(FRONTEND_ENTRIES, 0);
    for (const Source& source : sources(m_diagram, Frontend)) {
        const Bits& values = truthValues(source.block, true);
        for (int c = 0; c < FRONTEND_ENTRIES; ++c)
            entries[c] |= quint16(values[size_t(c)] << source.bit);
    }
    return entries;
}

QVector<quint8> CompiledTables::backend(Table table) const
{
    QVector<quint8> entries(BACKEND_ENTRIES, 0);
    for (const Source& source : sources(m_diagram, table)) {
        const Bits& values = truthValues(source.block, false);
        for (int i = 0; i < BACKEND_ENTRIES; ++i)
            entries[i] |= quint8(values[size_t(i)] << source.bit);
    }
    return entries;
}

const CompiledExpression& CompiledTables::compiled(const BlockItem* block) const
{
    auto it = m_expressions.find(block);
    if (it == m_expressions.end())
        it = m_expressions.insert(block, std::make_shared<CompiledExpression>(block->getProperty()));
    return **it;
}

const CompiledTables::Bits& CompiledTables::truthValues(const BlockItem* block, bool bFrontend) const
{
    QHash<const BlockItem*, Bits>& cache = bFrontend ? m_frontendValues : m_backendValues;
    auto it = cache.find(block);
    if (it != cache.end())
        return *it;
    const int entries = bFrontend ? FRONTEND_ENTRIES : BACKEND_ENTRIES;
    if (block->getProperty().isEmpty())
        return *cache.insert(block, Bits(size_t(entries), 0));
    const CompiledExpression& expr = compiled(block);
    // Entry 0 is the first one evaluated, and its operands are all false.
    if (!expr.isValid())
        throw block->getName() + QStringLiteral(": ") + expr.error(0);
    quint16 masks[BlockDiagram::SLOTS] = {};
    operandMasks(block, bFrontend, masks);
    return *cache.insert(block, valuesOver(masks, entries, expr));
}

void CompiledTables::operandMasks(const BlockItem* block, bool bFrontend, quint16* masks) const
{
    if (bFrontend) {
        // Operands of each channel alone; a channel word sets the union of its channels' operands.
        for (int i = 0; i < 10; ++i) {
            bool bits[NIMLogic::OPERANDS];
            PreLogic::channelOperands(block, quint16(1u << (i + 1)), bits);
            for (int k = 0; k < NIMLogic::OPERANDS; ++k)
                masks[i] |= quint16(bits[k] ? 1u << k : 0u);
        }
        return;
    }
    int slotOf[NIMLogic::OPERANDS];
    operandSlots(m_diagram, block, slotOf);
    for (int k = 0; k < NIMLogic::OPERANDS; ++k) {
        if (slotOf[k] >= 0)
            masks[slotOf[k]] |= quint16(1u << k);
    }
}

// ---------------------------------------------------------------------------------------------
// Wiring rules

QVector<CompiledTables::Source> CompiledTables::sources(const BlockDiagram& d, Table table)
{
    QVector<Source> list;
    auto add = [&list](int bit, const BlockItem* block) {
        if (block)
            list.append({bit, block});
    };
    const BlockItem* const* placed = d.m_mapPostLogic;
    switch (table) {
    case Frontend: {
        // Bits 0..5: pass-through paths; bits 8..15: triggers of the function units.
        for (int m = 0; m < 6; ++m) {
            const BlockItem* f = placed[PASS_THROUGH_SLOTS[m]];
            if (isNonFnc(f) && f->getPort(0))
                add(m, d.resolveLabel(f->getPort(0)));
        }
        for (int u = 0; u < BlockDiagram::UNITS; ++u) {
            const BlockItem* f = placed[3 + u];
            if (u >= 5 && !isCntFnc(f))
                f = nullptr;
            const BlockItem* driver = f ? f->getPort(0) : nullptr;
            if (driver && !isFeedBack(driver)) {
                add(8 + u, d.resolveLabel(driver));
            } else if (u >= 5) {
                const BlockItem* delay = placed[u - 5];
                if (isDlyFnc(delay) && delay->getPort(0))
                    add(8 + u, d.resolveLabel(delay->getPort(0)));
            }
        }
        break;
    }
    case Output:
        for (int ch = 0; ch < ChannelNames::OUTPUT.count; ++ch) {
            const BlockItem* out = d.firstOutOfKind(ChannelNames::name(ChannelNames::OUTPUT, ch));
            if (out)
                add(ch, out->getPort(0));
        }
        break;
    case Feedback:
        for (int u = 0; u < BlockDiagram::UNITS; ++u) {
            const BlockItem* f = placed[3 + u];
            if (!f && u >= 5 && isDlyFnc(placed[u - 5]))
                f = placed[u - 5];
            const BlockItem* feedback = nullptr;
            if (f && mentions(f->getPort(0), BlockKinds::FEED_BACK))
                feedback = f->getPort(0);
            else if (u >= 5 && isDlyFnc(placed[u - 5]) &&
                     mentions(placed[u - 5]->getPort(0), BlockKinds::FEED_BACK))
                feedback = placed[u - 5]->getPort(0);
            if (!feedback)
                continue;
            const QString name = feedback->getName();
            for (const BlockItem* out : d.outs()) {
                if (out->getName().contains(name)) {
                    add(u, out->getPort(0));
                    break;
                }
            }
        }
        break;
    case MsrCnt:
        for (int m = 0; m < ChannelNames::MSR_CNT.count; ++m) {
            const BlockItem* msr = d.firstOutOfKind(ChannelNames::name(ChannelNames::MSR_CNT, m));
            if (msr) {
                add(2 * m, msr->getPort(0));
                add(2 * m + 1, msr->getPort(1));
            }
        }
        break;
    }
    return list;
}

void CompiledTables::operandSlots(const BlockDiagram& d, const BlockItem* post, int* slotOf)
{
    for (int k = 0; k < NIMLogic::OPERANDS; ++k) {
        slotOf[k] = -1;
        const BlockItem* target = post->getPort(k);
        if (isLabel(target)) {
            // A label stands for the block that drives its label-in; without one it follows nothing.
            target = d.resolveLabel(target);
            if (!target)
                continue;
        }
        // An unconnected input follows the first empty slot.
        for (int j = 0; j < BlockDiagram::SLOTS; ++j) {
            if (d.m_mapPostLogic[j] == target) {
                slotOf[k] = j;
                break;
            }
        }
    }
}
