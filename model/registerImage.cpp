#include "model/registerImage.h"

#include "model/blockDiagram.h"
#include "model/blockKinds.h"
#include "model/channelNames.h"
#include "model/compiledTables.h"
#include "model/imageCapture.h"
#include "model/nimLogic.h"

#include <QHash>

namespace {
// The settings behind the function registers, in verification order.
enum class Field {
    DelayFeedback,
    CounterFeedback,
    BackendSelect,
    CounterMode,
    Delay,
    MainCount,
    SubCount,
    MsrCntMode,
    NimMask,
    TtlMask,
    Polarity,
    UserControl,
    Threshold,
    OscillatorMain,
    OscillatorSub
};

// One compared register: its address and width in bytes, the setting and its unit or channel,
// and whether each bit is a setting of its own.
struct Register
{
    quint32 addr;
    int width;
    Field field;
    int index;
    bool bBits;
};

const QVector<Register>& registers()
{
    static const QVector<Register> list = [] {
        QVector<Register> r{{0x0004, 1, Field::DelayFeedback, 0, true},
                            {0x0005, 1, Field::CounterFeedback, 0, true},
                            {0x0006, 2, Field::BackendSelect, 0, true}};
        for (int u = 0; u < BlockDiagram::UNITS; ++u)
            r.append({quint32(0x0008 + u), 1, Field::CounterMode, u, false});
        for (int u = 0; u < BlockDiagram::UNITS; ++u)
            r.append({quint32(0x0010 + 2 * u), 2, Field::Delay, u, false});
        for (int u = 0; u < BlockDiagram::UNITS; ++u) {
            r.append({quint32(0x0020 + 8 * u), 4, Field::MainCount, u, false});
            r.append({quint32(0x0024 + 8 * u), 4, Field::SubCount, u, false});
        }
        for (int m = 0; m < 4; ++m)
            r.append({quint32(0x0060 + m), 1, Field::MsrCntMode, m, false});
        r.append({0x0068, 1, Field::NimMask, 0, true});
        r.append({0x0069, 1, Field::TtlMask, 0, true});
        r.append({0x006B, 1, Field::Polarity, 0, true});
        r.append({0x006C, 2, Field::UserControl, 0, true});
        for (int ch = 0; ch < 8; ++ch)
            r.append({quint32(0x0070 + 2 * ch), 2, Field::Threshold, ch, false});
        r.append({0x0088, 4, Field::OscillatorMain, 0, false});
        r.append({0x008C, 4, Field::OscillatorSub, 0, false});
        return r;
    }();
    return list;
}

struct Table
{
    CompiledTables::Table kind;
    quint32 base;
    int entrySize;
    const char* name;
};
constexpr int TABLE_BYTES = 2048;
const Table TABLES[] = {
    {CompiledTables::Frontend, BlockDiagram::REG_FRONTEND_LUT_BEGIN, 2, "frontend"},
    {CompiledTables::Output, BlockDiagram::REG_OUTPUT_BACKEND_LUT_BEGIN, 1, "output"},
    {CompiledTables::Feedback, BlockDiagram::REG_FEEDBACK_BACKEND_LUT_BEGIN, 1, "feedback"},
    {CompiledTables::MsrCnt, BlockDiagram::REG_MSRCNT_BACKEND_LUT_BEGIN, 1, "measure-counter"},
};

quint32 valueAt(const QByteArray& bytes, int offset, int width)
{
    quint32 value = 0;
    for (int b = 0; b < width; ++b)
        value = (value << 8) | quint8(bytes.at(offset + b));
    return value;
}

// Names the blocks behind the registers from the diagram's latest mapping.
class Namer
{
public:
    explicit Namer(const BlockDiagram& diagram)
        : m_diagram(diagram)
    {}

    QString registerSetting(const Register& r, int bit) const
    {
        switch (r.field) {
        case Field::DelayFeedback:
            return delay(bit) + QStringLiteral(" input from FeedBack");
        case Field::CounterFeedback:
            return counter(bit) + QStringLiteral(" input from FeedBack");
        case Field::BackendSelect: {
            // The register has more bits than the module has function slots.
            if (bit >= BlockDiagram::SLOTS)
                return QStringLiteral("function slot %1 source, not in the diagram").arg(bit);
            const BlockItem* block = m_diagram.slot(bit);
            return QStringLiteral("function slot %1 source").arg(bit) +
                   (block ? QStringLiteral(" (%1)").arg(label(block)) : QString());
        }
        case Field::CounterMode:
            return counter(r.index) + QStringLiteral(" mode");
        case Field::Delay:
            return delay(r.index) + QStringLiteral(" delay");
        case Field::MainCount:
            return counter(r.index) + QStringLiteral(" main count");
        case Field::SubCount:
            return counter(r.index) + QStringLiteral(" sub count");
        case Field::MsrCntMode:
            return out(ChannelNames::name(ChannelNames::MSR_CNT, r.index)) + QStringLiteral(" mode");
        case Field::NimMask:
            return out(ChannelNames::name(ChannelNames::OUTPUT, bit)) + QStringLiteral(" NIM output");
        case Field::TtlMask:
            return out(ChannelNames::name(ChannelNames::OUTPUT, bit)) + QStringLiteral(" TTL output");
        case Field::Polarity:
            return input(ChannelNames::name(ChannelNames::THRESHOLD_INPUT, bit)) +
                   QStringLiteral(" polarity");
        case Field::UserControl: {
            const QStringList& names = m_diagram.inputNames();
            return (bit < names.size() ? input(names.at(bit)) : QStringLiteral("input %1").arg(bit)) +
                   QStringLiteral(" user control");
        }
        case Field::Threshold:
            return input(ChannelNames::name(ChannelNames::THRESHOLD_INPUT, r.index)) +
                   QStringLiteral(" threshold");
        case Field::OscillatorMain:
            return input(ChannelNames::USER_INPUT) + QStringLiteral(" main count");
        case Field::OscillatorSub:
            break;
        }
        return input(ChannelNames::USER_INPUT) + QStringLiteral(" sub count");
    }

    // The block behind one bit of a table entry and the values of its connected inputs there.
    QString tableSetting(const Table& table, int entry, int bit) const
    {
        const BlockItem* source = nullptr;
        for (const CompiledTables::Source& s : sourcesOf(table.kind)) {
            if (s.bit == bit)
                source = s.block;
        }
        if (!source)
            return QStringLiteral("%1 lookup table, unused bit").arg(QLatin1String(table.name));
        const QString inputs = operandValues(source, table.kind, entry);
        return label(source) + QStringLiteral(" lookup table") +
               (inputs.isEmpty() ? QString() : QStringLiteral(", inputs ") + inputs);
    }

private:
    const QVector<CompiledTables::Source>& sourcesOf(CompiledTables::Table table) const
    {
        auto it = m_sources.find(table);
        if (it == m_sources.end())
            it = m_sources.insert(table, CompiledTables::sources(m_diagram, table));
        return *it;
    }

    static QString label(const BlockItem* block)
    {
        const QString name = block->getName();
        const QString user = block->getUserName();
        return user.isEmpty() || user == name ? name : QStringLiteral("%1 (%2)").arg(user, name);
    }

    QString counter(int u) const
    {
        const BlockItem* block = m_diagram.slot(3 + u);
        return block && block->getType() == QLatin1String("CntFnc")
                   ? label(block)
                   : QStringLiteral("counter unit %1").arg(u);
    }

    QString delay(int u) const
    {
        const BlockItem* block = m_diagram.slot(BlockDiagram::MapDlyFnc[u]);
        return isDlyFnc(block) ? label(block) : QStringLiteral("delay unit %1").arg(u);
    }

    QString out(const QString& type) const
    {
        for (const BlockItem* block : m_diagram.outs()) {
            if (block->getType() == type)
                return label(block);
        }
        return type;
    }

    QString input(const QString& name) const
    {
        const NIM_IN* block = m_diagram.searchNIM_IN(name, -1);
        return block ? label(block) : name;
    }

    // "_A=1 _C=0" for the connected inputs of a logic block at an entry of the table.
    QString operandValues(const BlockItem* source, CompiledTables::Table table, int entry) const
    {
        if (!dynamic_cast<const NIMLogic*>(source))
            return QString();
        bool bits[NIMLogic::OPERANDS] = {};
        if (table == CompiledTables::Frontend) {
            PreLogic::channelOperands(source, quint16(2 * entry), bits);
        } else {
            int slotOf[NIMLogic::OPERANDS];
            CompiledTables::operandSlots(m_diagram, source, slotOf);
            for (int k = 0; k < NIMLogic::OPERANDS; ++k)
                bits[k] = slotOf[k] >= 0 && (entry >> slotOf[k]) & 1;
        }
        QStringList values;
        for (int k = 0; k < NIMLogic::OPERANDS; ++k) {
            if (source->getPort(k))
                values.append(QStringLiteral("%1=%2").arg(NIMLogic::operandName(k)).arg(bits[k] ? 1 : 0));
        }
        return values.join(QLatin1Char(' '));
    }

    const BlockDiagram& m_diagram;
    mutable QHash<int, QVector<CompiledTables::Source>> m_sources;
};
} // namespace

RegisterImage RegisterImage::of(BlockDiagram& diagram)
{
    ImageCapture capture;
    diagram.download(&capture);
    RegisterImage image;
    image.func = capture.range(BlockDiagram::REG_DLY_FUNC, FUNC_SIZE);
    image.tables = capture.range(BlockDiagram::REG_FRONTEND_LUT_BEGIN, TABLES_SIZE);
    return image;
}

bool RegisterImage::matches(const RegisterImage& other) const
{
    if (!isComplete() || !other.isComplete() || tables != other.tables)
        return false;
    for (const Register& r : registers()) {
        const int offset = int(r.addr - BlockDiagram::REG_DLY_FUNC);
        if (valueAt(func, offset, r.width) != valueAt(other.func, offset, r.width))
            return false;
    }
    return true;
}

QString RegisterMismatch::text() const
{
    const auto hex = [this](quint32 value) {
        return QStringLiteral("%1").arg(value, 2 * width, 16, QLatin1Char('0'));
    };
    return QStringLiteral("address 0x%1\ncurrent:%2  register:%3\n")
        .arg(address, 8, 16, QLatin1Char('0'))
        .arg(hex(document), module ? hex(*module) : QStringLiteral("missing"));
}

QString ImageDifference::text() const
{
    QString where = QStringLiteral("0x%1").arg(address, 4, 16, QLatin1Char('0'));
    if (bit >= 0)
        where += QStringLiteral(" bit %1").arg(bit);
    return QStringLiteral("%1 (%2): module %3, document %4").arg(setting, where).arg(module).arg(document);
}

namespace {
// The differences in one compared register: the whole register, or each bit that differs.
void appendRegister(QVector<ImageDifference>& list, const Namer& namer, const Register& r, quint32 ours,
                    quint32 theirs)
{
    if (!r.bBits) {
        list.append({r.addr, -1, namer.registerSetting(r, -1), theirs, ours});
        return;
    }
    for (int bit = 0; bit < 8 * r.width; ++bit) {
        if (((ours ^ theirs) >> bit) & 1)
            list.append({r.addr, bit, namer.registerSetting(r, bit), (theirs >> bit) & 1, (ours >> bit) & 1});
    }
}

// The differing bits of entry e of a lookup table.
void appendTableEntry(QVector<ImageDifference>& list, const Namer& namer, const Table& table, int e,
                      quint32 ours, quint32 theirs)
{
    for (int bit = 0; bit < 8 * table.entrySize; ++bit) {
        if (((ours ^ theirs) >> bit) & 1)
            list.append({table.base + quint32(e * table.entrySize), bit, namer.tableSetting(table, e, bit),
                         (theirs >> bit) & 1, (ours >> bit) & 1});
    }
}
} // namespace

QVector<ImageDifference> imageDifferences(const BlockDiagram& diagram, const RegisterImage& document,
                                          const RegisterImage& module)
{
    QVector<ImageDifference> list;
    if (!document.isComplete() || !module.isComplete())
        return list;
    const Namer namer(diagram);
    for (const Register& r : registers()) {
        const int offset = int(r.addr - BlockDiagram::REG_DLY_FUNC);
        const quint32 ours = valueAt(document.func, offset, r.width);
        const quint32 theirs = valueAt(module.func, offset, r.width);
        if (ours != theirs)
            appendRegister(list, namer, r, ours, theirs);
    }
    for (const Table& table : TABLES) {
        const int first = int(table.base - BlockDiagram::REG_FRONTEND_LUT_BEGIN);
        const int entries = TABLE_BYTES / table.entrySize;
        for (int e = 0; e < entries; ++e) {
            const int offset = first + e * table.entrySize;
            const quint32 ours = valueAt(document.tables, offset, table.entrySize);
            const quint32 theirs = valueAt(module.tables, offset, table.entrySize);
            if (ours != theirs)
                appendTableEntry(list, namer, table, e, ours, theirs);
        }
    }
    return list;
}

QVector<ImageDifference> mismatchDifferences(const BlockDiagram& diagram, const RegisterMismatch& mismatch)
{
    QVector<ImageDifference> list;
    if (!mismatch.module || *mismatch.module == mismatch.document)
        return list;
    const Namer namer(diagram);
    for (const Register& r : registers()) {
        if (r.addr == mismatch.address && r.width == mismatch.width)
            appendRegister(list, namer, r, mismatch.document, *mismatch.module);
    }
    for (const Table& table : TABLES) {
        const qint64 offset = qint64(mismatch.address) - table.base;
        if (offset >= 0 && offset < TABLE_BYTES && offset % table.entrySize == 0 &&
            mismatch.width == table.entrySize)
            appendTableEntry(list, namer, table, int(offset / table.entrySize), mismatch.document,
                             *mismatch.module);
    }
    return list;
}
