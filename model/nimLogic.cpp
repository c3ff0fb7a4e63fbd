#include "model/nimLogic.h"

#include "model/channelNames.h"

#include <QRegularExpression>

namespace {
const QString EOF_TOKEN = QStringLiteral("EOF");
const QString TRUE_TOKEN = QStringLiteral("true");
const QString FALSE_TOKEN = QStringLiteral("false");

QString invalidAt(const QString& token)
{
    return QStringLiteral("invalid at '") + token + QLatin1Char('\'');
}
} // namespace

QString NIMLogic::tooDeep(const QString& token)
{
    return invalidAt(token) + QStringLiteral(": nested more than %1 levels deep").arg(MAX_DEPTH);
}

NIMLogic::NIMLogic(int id, int tid, const QString& name, const QString& icon)
    : BlockItem(id, tid)
{
    m_name = name;
    loadIcon(icon);
    addNameStr(QString());
}

int NIMLogic::setPort(int k, BlockItem* src)
{
    // One source may feed a logic block only once.
    for (BlockItem* driver : m_port) {
        if (driver == src)
            return -1;
    }
    if (k < 0) {
        for (int i = 0; i < OPERANDS; ++i) {
            if (!m_port.value(i, nullptr)) {
                k = i;
                break;
            }
        }
        if (k < 0)
            return -1;
    }
    return BlockItem::setPort(k, src);
}

QVector<QLine> NIMLogic::getLines() const
{
    QVector<QLine> lines;
    for (auto it = m_port.constBegin(); it != m_port.constEnd(); ++it) {
        if (it.value())
            lines.append(QLine(it.value()->getOutPos(), QPoint(m_pos.x(), m_pos.y() + 3 + 5 * it.key())));
    }
    return lines;
}

bool NIMLogic::setProperty(QString& expr, bool bCheck)
{
    if (bCheck) {
        const bool bits[OPERANDS] = {};
        try {
            calc(expr, bits);
        } catch (const QString& message) {
            expr = message;
            return false;
        }
    }
    m_property = expr;
    return true;
}

bool NIMLogic::isBitON(const bool* bits) const
{
    return isBitON(this, bits);
}

bool NIMLogic::isBitON(const BlockItem* block, const bool* bits)
{
    const QString expr = block->getProperty();
    if (expr.isEmpty())
        return false;
    try {
        return calc(expr, bits);
    } catch (const QString& message) {
        throw block->getName() + QStringLiteral(": ") + message;
    }
}

const QString& NIMLogic::operandName(int k)
{
    static const QString names[OPERANDS] = {QStringLiteral("_A"), QStringLiteral("_B"), QStringLiteral("_C"),
                                            QStringLiteral("_D"), QStringLiteral("_E"), QStringLiteral("_F"),
                                            QStringLiteral("_G"), QStringLiteral("_H"), QStringLiteral("_I"),
                                            QStringLiteral("_J"), QStringLiteral("_K")};
    return names[k];
}

QStringList NIMLogic::tokenize(const QString& expr)
{
    QString text = expr;
    text.replace(QLatin1Char('('), QLatin1String(" ( "));
    text.replace(QLatin1Char(')'), QLatin1String(" ) "));
    QStringList tokens = text.simplified().split(QLatin1Char(' '), Qt::KeepEmptyParts);
    tokens.append(EOF_TOKEN);
    return tokens;
}

int NIMLogic::getOpLevel(const QString& token)
{
    if (token == QLatin1String("and"))
        return levelAND;
    if (token == QLatin1String("xor"))
        return levelXOR;
    if (token == QLatin1String("or"))
        return levelOR;
    if (token == QLatin1String("not"))
        return levelNOT;
    if (token == QLatin1String("("))
        return levelLeft;
    if (token == QLatin1String(")"))
        return levelRight;
    return -1;
}

bool NIMLogic::calc(const QString& expr, const bool* bits)
{
    Evaluation e;
    e.tokens = tokenize(expr);
    e.bits = bits;
    return calc(e, levelEOF);
}

QString NIMLogic::replace(const QString& token, const bool* bits)
{
    if (token.size() == 2 && token.at(0) == QLatin1Char('_')) {
        const int k = token.at(1).unicode() - 'A';
        if (k >= 0 && k < OPERANDS)
            return bits[k] ? TRUE_TOKEN : FALSE_TOKEN;
    }
    return token;
}

bool NIMLogic::getArg(Evaluation& e)
{
    const QString& t = e.tokens.at(e.pos);
    if (t == EOF_TOKEN)
        throw QStringLiteral("invalid at EOF");
    const bool paren = t == QLatin1String("(");
    if (paren || t == QLatin1String("not")) {
        // Nesting is refused at the token that opens one level too many, a token the user wrote.
        if (++e.depth > MAX_DEPTH)
            throw tooDeep(t);
        ++e.pos;
        const bool value = paren ? calc(e, levelRight) : !calc(e, levelNOT);
        --e.depth;
        return value;
    }
    const QString value = replace(t, e.bits);
    if (value == TRUE_TOKEN) {
        ++e.pos;
        return true;
    }
    if (value == FALSE_TOKEN) {
        ++e.pos;
        return false;
    }
    throw invalidAt(t);
}

bool NIMLogic::calc(Evaluation& e, int level)
{
    bool acc = getArg(e);
    for (;;) {
        const QString t = e.tokens.at(e.pos);
        if (t == EOF_TOKEN) {
            if (level == levelRight)
                throw QStringLiteral("invalid --- ')' is missimg.");
            break;
        }
        if (t == QLatin1String(")")) {
            if (level == levelEOF)
                throw invalidAt(t);
            if (level == levelRight)
                ++e.pos;
            break;
        }
        const int p = getOpLevel(t);
        if (p != levelAND && p != levelOR && p != levelXOR)
            throw invalidAt(t);
        if (p <= level)
            break;
        ++e.pos;
        bool rhs = getArg(e);
        const int q = getOpLevel(e.tokens.at(e.pos));
        if (p < q) {
            // The next operator binds tighter: the right operand's last token becomes its value
            // and the evaluation continues from there at this operator's level.
            --e.pos;
            e.tokens[e.pos] = rhs ? TRUE_TOKEN : FALSE_TOKEN;
            rhs = calc(e, p);
        }
        if (p == levelAND)
            acc = acc && rhs;
        else if (p == levelXOR)
            acc = acc != rhs;
        else
            acc = acc || rhs;
    }
    return acc;
}

// ---------------------------------------------------------------------------------------------

PreLogic::PreLogic(int id, int tid, const QString& name)
    : NIMLogic(id, tid, name, QStringLiteral(":/images/PreLgc.png"))
{}

void PreLogic::channelOperands(const BlockItem* block, quint16 in, bool* bits)
{
    for (int k = 0; k < OPERANDS; ++k)
        bits[k] = false;
    const QMap<int, BlockItem*>& ports = block->getPort();
    for (int i = 1; i <= 10; ++i) {
        if (!(in & (1u << i)))
            continue;
        const QString& channel = ChannelNames::inputs().at(i - 1);
        for (auto it = ports.constBegin(); it != ports.constEnd(); ++it) {
            if (it.value() && it.value()->getName() == channel) {
                if (it.key() >= 0 && it.key() < OPERANDS)
                    bits[it.key()] = true;
                break;
            }
        }
    }
}

bool PreLogic::isBitON(quint16 in) const
{
    return isBitON(this, in);
}

bool PreLogic::isBitON(const BlockItem* block, quint16 in)
{
    if (block->getProperty().isEmpty())
        return false;
    bool bits[OPERANDS];
    channelOperands(block, in, bits);
    return NIMLogic::isBitON(block, bits);
}

PostLogic::PostLogic(int id, int tid, const QString& name)
    : NIMLogic(id, tid, name, QStringLiteral(":/images/PstLgc.png"))
{}
