#include "emulator/vcdWriter.h"

#include "emulator/emulator.h"

#include <QIODevice>

namespace {
const char* const GROUPS[] = {"inputs", "frontend", "slots", "feedback", "msrcnt", "outputs"};

// Buffers the text and hands it to the device in large pieces.
class Output
{
public:
    explicit Output(QIODevice& device)
        : m_device(device)
    {}
    Output& operator<<(const QByteArray& text)
    {
        m_buffer += text;
        if (m_buffer.size() > (1 << 16))
            flush();
        return *this;
    }
    Output& operator<<(const char* text) { return *this << QByteArray(text); }
    Output& operator<<(char c) { return *this << QByteArray(1, c); }
    Output& operator<<(const QString& text) { return *this << text.toUtf8(); }
    Output& operator<<(qint64 n) { return *this << QByteArray::number(n); }
    bool flush()
    {
        if (!m_buffer.isEmpty() && m_device.write(m_buffer) != m_buffer.size())
            m_bOk = false;
        m_buffer.clear();
        return m_bOk;
    }

private:
    QIODevice& m_device;
    QByteArray m_buffer;
    bool m_bOk = true;
};
} // namespace

QString VcdWriter::identifier(const QString& name)
{
    QString id;
    for (const QChar c : name)
        id += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('_') ? c : QLatin1Char('_');
    return id;
}

QByteArray VcdWriter::code(int n)
{
    QByteArray text;
    do {
        text += char('!' + n % 94);
        n /= 94;
    } while (n > 0);
    return text;
}

bool VcdWriter::write(QIODevice& device, const Emulator& emulator, const SignalNames& names, qint64 endCycle,
                      const QString& title)
{
    const QVector<TraceSignal> signalList = traceSignals(names);
    Output out(device);
    out << "$version Vextor design preview $end\n";
    out << "$comment " << QString(title).replace(QLatin1String("$end"), QLatin1String("$ end")) << " $end\n";
    out << "$timescale 1 ns $end\n";
    out << "$scope module module $end\n";
    for (const char* group : GROUPS) {
        out << "$scope module " << group << " $end\n";
        for (int i = 0; i < signalList.size(); ++i) {
            if (signalList.at(i).group == QLatin1String(group))
                out << "$var wire 1 " << code(i) << ' ' << identifier(signalList.at(i).name) << " $end\n";
        }
        out << "$upscope $end\n";
    }
    // Two variables per counter after the wires: records, then sum. They are reals holding whole
    // numbers (exact far beyond any count or sum of a 10 s run): every viewer reads a real, while
    // some stop at the first multi-bit value of an integer.
    const int firstCounter = signalList.size();
    out << "$scope module counters $end\n";
    for (int m = 0; m < Emulator::COUNTERS; ++m) {
        const QString name =
            identifier(SignalNames::label(SignalNames::counterName(m), names.counters.value(m)));
        out << "$var real 64 " << code(firstCounter + 2 * m) << ' ' << name << "_records $end\n";
        out << "$var real 64 " << code(firstCounter + 2 * m + 1) << ' ' << name << "_sum $end\n";
    }
    out << "$upscope $end\n$upscope $end\n$enddefinitions $end\n";

    const QVector<Emulator::Change>& trace = emulator.trace();
    const QVector<CounterRecord>& records = emulator.tracedRecords();
    quint64 word = trace.isEmpty() || trace.first().cycle > 0 ? 0 : trace.first().word;
    out << "#0\n$dumpvars\n";
    for (int i = 0; i < signalList.size(); ++i)
        out << ((word >> signalList.at(i).bit) & 1 ? "1" : "0") << code(i) << "\n";
    for (int n = 0; n < 2 * Emulator::COUNTERS; ++n)
        out << "r0 " << code(firstCounter + n) << "\n";
    out << "$end\n";

    quint64 counts[Emulator::COUNTERS] = {};
    quint64 sums[Emulator::COUNTERS] = {};
    int t = trace.isEmpty() || trace.first().cycle > 0 ? 0 : 1;
    int r = 0;
    qint64 written = 0;
    while (t < trace.size() || r < records.size()) {
        const qint64 cycle = qMin(t < trace.size() ? trace.at(t).cycle : Timing::NEVER,
                                  r < records.size() ? records.at(r).cycle : Timing::NEVER);
        if (cycle > endCycle)
            break;
        written = Timing::nsOf(cycle);
        out << "#" << written << "\n";
        if (t < trace.size() && trace.at(t).cycle == cycle) {
            const quint64 changed = word ^ trace.at(t).word;
            word = trace.at(t++).word;
            for (int i = 0; i < signalList.size(); ++i) {
                if ((changed >> signalList.at(i).bit) & 1)
                    out << ((word >> signalList.at(i).bit) & 1 ? "1" : "0") << code(i) << "\n";
            }
        }
        for (; r < records.size() && records.at(r).cycle == cycle; ++r) {
            const int m = records.at(r).counter;
            ++counts[m];
            sums[m] += records.at(r).value;
            out << "r" << QByteArray::number(counts[m]) << ' ' << code(firstCounter + 2 * m) << "\n";
            out << "r" << QByteArray::number(sums[m]) << ' ' << code(firstCounter + 2 * m + 1) << "\n";
        }
    }
    if (emulator.isTraceTruncated())
        out << "$comment the trace is full: later changes are not recorded $end\n";
    if (Timing::nsOf(endCycle) > written)
        out << "#" << Timing::nsOf(endCycle) << "\n";
    return out.flush();
}
