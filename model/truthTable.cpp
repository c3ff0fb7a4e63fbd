#include "model/truthTable.h"

#include "model/blockItem.h"
#include "model/blockKinds.h"
#include "model/nimLogic.h"

#include <QSet>

#include <algorithm>

namespace {
// A product term over the table's operands: bits in mask are free, the others must equal value.
struct Implicant
{
    quint16 value;
    quint16 mask;

    quint32 key() const { return quint32(mask) << 16 | value; }
    static Implicant of(quint32 key) { return {quint16(key & 0xFFFF), quint16(key >> 16)}; }
    bool covers(quint16 inputs) const { return (inputs & ~mask) == value; }
    int literals(int operands) const { return operands - __builtin_popcount(mask); }
};

// Quine-McCluskey: merge terms that differ in one operand until nothing merges; what never merged
// is prime.
QVector<Implicant> primeImplicants(const QVector<quint16>& minterms, int operands)
{
    QVector<Implicant> primes;
    QSet<quint32> current;
    for (quint16 m : minterms)
        current.insert(Implicant{m, 0}.key());
    while (!current.isEmpty()) {
        QSet<quint32> next;
        QSet<quint32> merged;
        for (quint32 key : current) {
            const Implicant term = Implicant::of(key);
            for (int i = 0; i < operands; ++i) {
                const quint16 bit = quint16(1u << i);
                if ((term.mask | term.value) & bit)
                    continue;
                const quint32 partner = key | bit;
                if (!current.contains(partner))
                    continue;
                next.insert(Implicant{term.value, quint16(term.mask | bit)}.key());
                merged.insert(key);
                merged.insert(partner);
            }
        }
        for (quint32 key : current)
            if (!merged.contains(key))
                primes.append(Implicant::of(key));
        current = next;
    }
    return primes;
}

// Essential primes first, then the prime covering most of what is left (fewer literals on a tie).
QVector<Implicant> cover(const QVector<Implicant>& primes, const QVector<quint16>& minterms, int operands)
{
    QVector<Implicant> chosen;
    QVector<quint16> open = minterms;
    auto take = [&](const Implicant& term) {
        chosen.append(term);
        open.erase(std::remove_if(open.begin(), open.end(), [&](quint16 m) { return term.covers(m); }),
                   open.end());
    };
    for (quint16 m : minterms) {
        if (!open.contains(m))
            continue;
        const Implicant* only = nullptr;
        int count = 0;
        for (const Implicant& p : primes)
            if (p.covers(m) && ++count == 1)
                only = &p;
        if (count == 1)
            take(*only);
    }
    while (!open.isEmpty()) {
        const Implicant* best = nullptr;
        int bestCount = 0;
        for (const Implicant& p : primes) {
            const int count =
                int(std::count_if(open.begin(), open.end(), [&](quint16 m) { return p.covers(m); }));
            if (count > bestCount ||
                (count == bestCount && best && p.literals(operands) < best->literals(operands))) {
                best = &p;
                bestCount = count;
            }
        }
        take(*best);
    }
    return chosen;
}
} // namespace

TruthTable::TruthTable(const QString& expr)
    : m_expr(expr)
{
    for (const QString& token : NIMLogic::tokenize(expr))
        for (int k = 0; k < NIMLogic::OPERANDS; ++k)
            if (token == NIMLogic::operandName(k) && !m_operands.contains(k))
                m_operands.append(k);
    std::sort(m_operands.begin(), m_operands.end());
}

quint16 TruthTable::operandWord(quint16 inputs) const
{
    quint16 word = 0;
    for (int i = 0; i < m_operands.size(); ++i)
        if (inputs & (1u << i))
            word |= quint16(1u << m_operands.at(i));
    return word;
}

int TruthTable::trueCount() const
{
    int count = 0;
    for (int r = 0; r < combinations(); ++r)
        count += output(quint16(r));
    return count;
}

QVector<TruthTable::Row> TruthTable::rows() const
{
    QVector<Row> rows;
    if (!isValid())
        return rows;
    const int n = m_operands.size();
    for (int r = 0; r < combinations(); ++r) {
        quint16 inputs = 0;
        for (int i = 0; i < n; ++i)
            if (r & (1 << (n - 1 - i)))
                inputs |= quint16(1u << i);
        const bool out = output(inputs);
        if (out || listsAllRows())
            rows.append({inputs, out});
    }
    return rows;
}

QString TruthTable::name(const QStringList& names, int k) const
{
    return k < names.size() && !names.at(k).isEmpty() ? names.at(k) : NIMLogic::operandName(k);
}

QString TruthTable::minimalForm(const QStringList& names) const
{
    if (!isValid())
        return QString();
    const int n = m_operands.size();
    QVector<quint16> minterms;
    for (int r = 0; r < combinations(); ++r)
        if (output(quint16(r)))
            minterms.append(quint16(r));
    if (minterms.isEmpty())
        return QStringLiteral("false");
    if (minterms.size() == combinations())
        return QStringLiteral("true");
    QVector<Implicant> terms = cover(primeImplicants(minterms, n), minterms, n);
    // Shorter terms first, then in operand order, so that the same function always reads the same.
    std::sort(terms.begin(), terms.end(), [n](const Implicant& a, const Implicant& b) {
        if (a.literals(n) != b.literals(n))
            return a.literals(n) < b.literals(n);
        return a.key() > b.key();
    });
    QStringList products;
    for (const Implicant& term : terms) {
        QStringList literals;
        for (int i = 0; i < n; ++i) {
            if (term.mask & (1u << i))
                continue;
            const QString operand = name(names, m_operands.at(i));
            literals.append(term.value & (1u << i) ? operand : QStringLiteral("not ") + operand);
        }
        products.append(literals.join(QStringLiteral(" and ")));
    }
    return products.join(QStringLiteral(" or "));
}

QString TruthTable::text(const QStringList& names) const
{
    if (!isValid())
        return error() + QLatin1Char('\n');
    QStringList header;
    QVector<int> widths;
    for (int k : m_operands) {
        header.append(name(names, k));
        widths.append(header.last().size());
    }
    QString text = (header + QStringList{QStringLiteral("| OUT")}).join(QLatin1Char(' ')) + QLatin1Char('\n');
    for (const Row& row : rows()) {
        QStringList cells;
        for (int i = 0; i < m_operands.size(); ++i)
            cells.append(QString::number((row.inputs >> i) & 1).rightJustified(widths.at(i)));
        cells.append(QStringLiteral("|   ") + QString::number(row.output));
        text += cells.join(QLatin1Char(' ')) + QLatin1Char('\n');
    }
    if (!listsAllRows())
        text += QStringLiteral("%1 of %2 rows are 1 (only those are listed)\n")
                    .arg(trueCount())
                    .arg(combinations());
    return text + QStringLiteral("minimal form (hint, not stored): OUT = %1\n").arg(minimalForm(names));
}

QString operandNet(const BlockItem* logic, int k)
{
    const BlockItem* driver = logic->getPort(k);
    if (!driver)
        return QString();
    if (isNonFnc(driver))
        if (const BlockItem* feed = driver->getPort(0))
            driver = feed;
    return driver->getUserName();
}
