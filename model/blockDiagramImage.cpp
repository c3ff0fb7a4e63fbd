// The hardware image of a diagram: block mapping onto the module's slots, register values,
// lookup tables, the download and the comparison with the module's read-back.

#include "model/blockDiagram.h"
#include "model/blockKinds.h"
#include "model/compiledTables.h"
#include "model/registerSink.h"

// ---------------------------------------------------------------------------------------------
// Block mapping

void BlockDiagram::blockMapping()
{
    for (auto& slot : m_mapPostLogic)
        slot = nullptr;
    m_nCntFnc = m_nDlyFnc = m_nNonFnc = 0;

    QVector<const BlockItem*> c9, cfb, cx, dl, dx, counters, delays;
    for (const BlockItem* f : m_function) {
        if (isCntFnc(f)) {
            ++m_nCntFnc;
            counters.append(f);
            const BlockItem* driver = f->getPort(0);
            if (NIMCntFnc::getMode(f) == 9)
                c9.append(f); // the free-running oscillator needs no source
            else if (mentions(driver, BlockKinds::FEED_BACK))
                cfb.append(f);
            else if (driver)
                cx.append(f);
        } else if (isDlyFnc(f)) {
            ++m_nDlyFnc;
            delays.append(f);
            const BlockItem* driver = f->getPort(0);
            if (mentions(driver, BlockKinds::LOGIC))
                dl.append(f);
            else if (driver)
                dx.append(f);
        } else if (isNonFnc(f)) {
            ++m_nNonFnc;
        }
    }

    // Fills slots from `slot` in steps of `step`; blocks that find no slot are left out.
    auto place = [this](int slot, int step, const QVector<QVector<const BlockItem*>>& lists) {
        for (const auto& list : lists) {
            for (const BlockItem* f : list) {
                if (slot < 0 || slot >= SLOTS)
                    return;
                m_mapPostLogic[slot] = f;
                slot += step;
            }
        }
    };
    if (m_nCntFnc + m_nDlyFnc <= UNITS) {
        if (m_nCntFnc <= m_nDlyFnc)
            place(7, -1, {counters, delays});
        else
            place(3, 1, {delays, counters});
    } else if (m_nCntFnc > m_nDlyFnc) {
        place(10, -1, {c9, cfb, cx, dx, dl});
    } else {
        place(0, 1, {dl, dx, cx, cfb, c9});
    }

    int free = 0;
    for (const BlockItem* f : m_function) {
        while (free < 6 && m_mapPostLogic[CompiledTables::PASS_THROUGH_SLOTS[free]])
            ++free;
        if (free == 6)
            break;
        if (isNonFnc(f))
            m_mapPostLogic[CompiledTables::PASS_THROUGH_SLOTS[free]] = f;
    }

    m_inBackendLUT = 0;
    for (int j = 0; j < SLOTS; ++j) {
        const BlockItem* f = m_mapPostLogic[j];
        bool bit;
        if (j < 3)
            bit = isDlyFnc(f);
        else if (j < 8)
            bit = f && !isCntFnc(f);
        else
            bit = !isCntFnc(f);
        if (bit)
            m_inBackendLUT |= quint16(1u << j);
    }

    m_inDlyFnc = m_inCntFnc = 0;
    for (int u = 0; u < UNITS; ++u) {
        const BlockItem* delay = m_mapPostLogic[MapDlyFnc[u]];
        if (isDlyFnc(delay) && isFeedBack(delay->getPort(0)))
            m_inDlyFnc |= quint8(1u << u);
        const BlockItem* counter = m_mapPostLogic[3 + u];
        if (isCntFnc(counter) && isFeedBack(counter->getPort(0)))
            m_inCntFnc |= quint8(1u << u);
    }
}

// ---------------------------------------------------------------------------------------------
// Register values

BlockItem* BlockDiagram::firstOutOfKind(const QString& kind) const
{
    for (BlockItem* b : m_out) {
        if (b->getType() == kind)
            return b;
    }
    return nullptr;
}

const BlockItem* BlockDiagram::resolveLabel(const BlockItem* driver) const
{
    if (!isLabel(driver))
        return driver;
    const BlockItem* labelIn = findNamed(m_out, driver->getName());
    return labelIn ? labelIn->getPort(0) : nullptr;
}

quint8 BlockDiagram::counterMode(int u) const
{
    const BlockItem* f = m_mapPostLogic[3 + u];
    return isCntFnc(f) ? quint8(NIMCntFnc::getMode(f)) : 0;
}

quint16 BlockDiagram::delayOf(int u) const
{
    const BlockItem* f = m_mapPostLogic[MapDlyFnc[u]];
    return isDlyFnc(f) ? quint16(NIMDlyFnc::getDly(f)) : 0;
}

quint32 BlockDiagram::mainCount(int u) const
{
    const BlockItem* f = m_mapPostLogic[3 + u];
    return isCntFnc(f) ? NIMCntFnc::getMainCnt(f) : 0;
}

quint32 BlockDiagram::subCount(int u) const
{
    const BlockItem* f = m_mapPostLogic[3 + u];
    return isCntFnc(f) ? NIMCntFnc::getSubCnt(f) : 0;
}

quint8 BlockDiagram::msrCntMode(int m) const
{
    const BlockItem* msr = firstOutOfKind(ChannelNames::name(ChannelNames::MSR_CNT, m));
    return msr ? NIMMsrCnt::getMode(msr) : 0;
}

void BlockDiagram::getOutputProperty(quint8& nim, quint8& ttl) const
{
    nim = ttl = 0;
    for (int ch = 0; ch < ChannelNames::OUTPUT.count; ++ch) {
        const auto* out =
            dynamic_cast<const NIMOut*>(firstOutOfKind(ChannelNames::name(ChannelNames::OUTPUT, ch)));
        if (!out)
            continue;
        bool bNIM = false;
        bool bTTL = false;
        out->getOutputProperty(bNIM, bTTL);
        if (bNIM)
            nim |= quint8(1u << ch);
        if (bTTL)
            ttl |= quint8(1u << ch);
    }
}

quint8 BlockDiagram::getInputProperty() const
{
    quint8 polarity = 0;
    for (int ch = 0; ch < ChannelNames::THRESHOLD_INPUT.count; ++ch) {
        const NIM_IN* in = searchNIM_IN(m_NIM_IN.at(ch), -1);
        if (in && !in->bHigh())
            polarity |= quint8(1u << ch);
    }
    return polarity;
}

quint16 BlockDiagram::getUserControlEnabled() const
{
    quint16 enabled = 0;
    for (int i = 0; i < m_NIM_IN.size(); ++i) {
        const NIM_IN* in = searchNIM_IN(m_NIM_IN.at(i), -1);
        if (in && in->bUserControl())
            enabled |= quint16(1u << i);
    }
    return enabled;
}

quint16 BlockDiagram::getVth(int ch) const
{
    const NIM_IN* in = searchNIM_IN(m_NIM_IN.at(ch), -1);
    return in ? in->getVth() : 0;
}

void BlockDiagram::getOscillatorFunction(quint32& main, quint32& sub) const
{
    const NIM_IN* in = searchNIM_IN(ChannelNames::USER_INPUT, -1);
    if (in) {
        main = in->getMainCnt();
        sub = in->getSubCnt();
    }
}

// ---------------------------------------------------------------------------------------------
// Lookup tables, literal evaluation of every entry

bool BlockDiagram::isBitON(quint16 in, const BlockItem* post) const
{
    int slotOf[NIMLogic::OPERANDS];
    CompiledTables::operandSlots(*this, post, slotOf);
    bool bits[NIMLogic::OPERANDS];
    for (int k = 0; k < NIMLogic::OPERANDS; ++k)
        bits[k] = slotOf[k] >= 0 && (in >> slotOf[k]) & 1u;
    return NIMLogic::isBitON(post, bits);
}

quint16 BlockDiagram::calcFrontendLUT(quint16 a) const
{
    quint16 entry = 0;
    for (const CompiledTables::Source& s : CompiledTables::sources(*this, CompiledTables::Frontend)) {
        if (PreLogic::isBitON(s.block, a))
            entry |= quint16(1u << s.bit);
    }
    return entry;
}

namespace {
template<typename Eval> quint8 backendEntry(const BlockDiagram& d, CompiledTables::Table table, Eval isOn)
{
    quint8 entry = 0;
    for (const CompiledTables::Source& s : CompiledTables::sources(d, table)) {
        if (isOn(s.block))
            entry |= quint8(1u << s.bit);
    }
    return entry;
}
} // namespace

quint8 BlockDiagram::calcNIMOutLUT(quint16 i) const
{
    return backendEntry(*this, CompiledTables::Output, [&](const BlockItem* b) { return isBitON(i, b); });
}

quint8 BlockDiagram::calcFeedBackLUT(quint16 i) const
{
    return backendEntry(*this, CompiledTables::Feedback, [&](const BlockItem* b) { return isBitON(i, b); });
}

quint8 BlockDiagram::calcMsrCntLUT(quint16 i) const
{
    return backendEntry(*this, CompiledTables::MsrCnt, [&](const BlockItem* b) { return isBitON(i, b); });
}

// ---------------------------------------------------------------------------------------------
// Download

bool BlockDiagram::download(RegisterSink* worker)
{
    blockMapping();
    const CompiledTables compiled(*this);
    LookupTables tables;
    tables.frontend = compiled.frontend();
    tables.backend[0] = compiled.backend(CompiledTables::Output);
    tables.backend[1] = compiled.backend(CompiledTables::Feedback);
    tables.backend[2] = compiled.backend(CompiledTables::MsrCnt);
    writeImage(worker, tables);
    return true;
}

bool BlockDiagram::downloadLiteral(RegisterSink* worker)
{
    blockMapping();
    writeImage(worker, literalTables());
    return true;
}

BlockDiagram::LookupTables BlockDiagram::literalTables() const
{
    LookupTables tables;
    for (int c = 0; c < CompiledTables::FRONTEND_ENTRIES; ++c)
        tables.frontend.append(calcFrontendLUT(quint16(2 * c)));
    for (int i = 0; i < CompiledTables::BACKEND_ENTRIES; ++i)
        tables.backend[0].append(calcNIMOutLUT(quint16(i)));
    for (int i = 0; i < CompiledTables::BACKEND_ENTRIES; ++i)
        tables.backend[1].append(calcFeedBackLUT(quint16(i)));
    for (int i = 0; i < CompiledTables::BACKEND_ENTRIES; ++i)
        tables.backend[2].append(calcMsrCntLUT(quint16(i)));
    return tables;
}

void BlockDiagram::writeImage(RegisterSink* worker, const LookupTables& tables)
{
    quint32 addr = REG_DLY_FUNC;
    auto put8 = [&](quint8 v) { addr += quint32(worker->writeTAMP(v, addr)); };
    auto put16 = [&](quint16 v) { addr += quint32(worker->writeTAMP(v, addr)); };
    auto put32 = [&](quint32 v) { addr += quint32(worker->writeTAMP(v, addr)); };

    put8(m_inDlyFnc);
    put8(m_inCntFnc);
    put16(m_inBackendLUT);
    for (int u = 0; u < UNITS; ++u)
        put8(counterMode(u));
    for (int u = 0; u < UNITS; ++u)
        put16(delayOf(u));
    for (int u = 0; u < UNITS; ++u) {
        put32(mainCount(u));
        put32(subCount(u));
    }
    for (int m = 0; m < ChannelNames::MSR_CNT.count; ++m)
        put8(msrCntMode(m));
    for (int k = 0; k < 4; ++k)
        put8(0);
    quint8 nim = 0;
    quint8 ttl = 0;
    getOutputProperty(nim, ttl);
    put8(nim);
    put8(ttl);
    put8(0);
    put8(getInputProperty());
    put16(getUserControlEnabled());

    addr = REG_CNT_FUNC11_END - 2 * 8 + 1; // thresholds: 0x0070..0x007F
    for (int ch = 0; ch < ChannelNames::THRESHOLD_INPUT.count; ++ch)
        put16(getVth(ch));

    addr = REG_OSCILLATOR_END - 8 + 1; // 0x0088
    quint32 main = 0;
    quint32 sub = 0;
    getOscillatorFunction(main, sub);
    put32(main);
    put32(sub);

    addr = REG_FRONTEND_LUT_BEGIN;
    for (quint16 entry : tables.frontend)
        put16(entry);
    const quint32 bases[3] = {REG_OUTPUT_BACKEND_LUT_BEGIN, REG_FEEDBACK_BACKEND_LUT_BEGIN,
                              REG_MSRCNT_BACKEND_LUT_BEGIN};
    for (int t = 0; t < 3; ++t) {
        addr = bases[t];
        for (quint8 entry : tables.backend[t])
            put8(entry);
    }
    worker->writeTAMP();
}

// ---------------------------------------------------------------------------------------------
// Verification against the module's read-back

namespace {
// Compares expected values with a read-out that starts at a base address and keeps the first
// difference, adding its description to the report. A register that the read-out does not reach
// (a short read-out is never read past its end) is a difference with no value read.
class ReadOut
{
public:
    ReadOut(const QByteArray& data, quint32 base, QString& report, std::optional<RegisterMismatch>& mismatch)
        : m_data(data)
        , m_base(base)
        , m_report(report)
        , m_mismatch(mismatch)
    {}

    template<typename T> bool check(quint32 addr, T expected)
    {
        const int offset = int(addr - m_base);
        const bool bComplete = offset + int(sizeof(T)) <= m_data.size();
        T read = 0;
        for (int b = 0; bComplete && b < int(sizeof(T)); ++b)
            read = T((quint64(read) << 8) | quint8(m_data.at(offset + b)));
        if (bComplete && read == expected)
            return true;
        RegisterMismatch mismatch{addr, int(sizeof(T)), expected, std::nullopt};
        if (bComplete)
            mismatch.module = read;
        m_report += mismatch.text();
        m_mismatch = mismatch;
        return false;
    }

private:
    const QByteArray& m_data;
    quint32 m_base;
    QString& m_report;
    std::optional<RegisterMismatch>& m_mismatch;
};

template<typename T>
bool compareTable(const QVector<T>& expected, const QByteArray& data, quint32 base, QString& report,
                  std::optional<RegisterMismatch>& mismatch)
{
    ReadOut readOut(data, base, report, mismatch);
    for (int i = 0; i < expected.size(); ++i) {
        if (!readOut.check(base + quint32(i) * quint32(sizeof(T)), expected.at(i)))
            return false;
    }
    return true;
}
} // namespace

void BlockDiagram::initVerify(QString& report)
{
    blockMapping();
    m_firstMismatch.reset();
    report += QStringLiteral("<table width=\"100%\">\n");
    report += QStringLiteral("<tr><td></td><td>Current</td><td>Register</td></tr>\n");
}

bool BlockDiagram::verifyFunc(const QByteArray& data, QString& report)
{
    ReadOut r(data, REG_DLY_FUNC, report, m_firstMismatch);
    if (!r.check(0x0004, m_inDlyFnc) || !r.check(0x0005, m_inCntFnc) || !r.check(0x0006, m_inBackendLUT))
        return false;
    for (int u = 0; u < UNITS; ++u) {
        if (!r.check(quint32(0x0008 + u), counterMode(u)))
            return false;
    }
    for (int u = 0; u < UNITS; ++u) {
        if (!r.check(quint32(0x0010 + 2 * u), delayOf(u)))
            return false;
    }
    for (int u = 0; u < UNITS; ++u) {
        if (!r.check(quint32(0x0020 + 8 * u), mainCount(u)) || !r.check(quint32(0x0024 + 8 * u), subCount(u)))
            return false;
    }
    for (int m = 0; m < ChannelNames::MSR_CNT.count; ++m) {
        if (!r.check(quint32(0x0060 + m), msrCntMode(m)))
            return false;
    }
    quint8 nim = 0;
    quint8 ttl = 0;
    getOutputProperty(nim, ttl);
    if (!r.check(0x0068, nim) || !r.check(0x0069, ttl) || !r.check(0x006B, getInputProperty()) ||
        !r.check(0x006C, getUserControlEnabled()))
        return false;
    for (int ch = 0; ch < ChannelNames::THRESHOLD_INPUT.count; ++ch) {
        if (!r.check(quint32(0x0070 + 2 * ch), getVth(ch)))
            return false;
    }
    quint32 main = 0;
    quint32 sub = 0;
    getOscillatorFunction(main, sub);
    return r.check(0x0088, main) && r.check(0x008C, sub);
}

bool BlockDiagram::verifyFrontendLUT(const QByteArray& data, QString& report)
{
    return compareTable(CompiledTables(*this).frontend(), data, REG_FRONTEND_LUT_BEGIN, report,
                        m_firstMismatch);
}

bool BlockDiagram::verifyOutputLUT(const QByteArray& data, QString& report)
{
    return compareTable(CompiledTables(*this).backend(CompiledTables::Output), data,
                        REG_OUTPUT_BACKEND_LUT_BEGIN, report, m_firstMismatch);
}

bool BlockDiagram::verifyFeedbackLUT(const QByteArray& data, QString& report)
{
    return compareTable(CompiledTables(*this).backend(CompiledTables::Feedback), data,
                        REG_FEEDBACK_BACKEND_LUT_BEGIN, report, m_firstMismatch);
}

bool BlockDiagram::verifyMsrCntLUT(const QByteArray& data, QString& report)
{
    return compareTable(CompiledTables(*this).backend(CompiledTables::MsrCnt), data,
                        REG_MSRCNT_BACKEND_LUT_BEGIN, report, m_firstMismatch);
}
