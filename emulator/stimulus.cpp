#include "emulator/stimulus.h"

#include "emulator/timing.h"

#include <QFile>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {
// What each pattern takes: required keys, then optional ones.
struct Pattern
{
    const char* name;
    Stimulus::Train::Kind kind;
    QStringList required;
    QStringList optional;
};

const QVector<Pattern>& patterns()
{
    static const QVector<Pattern> table = {
        {"periodic", Stimulus::Train::Periodic, {"period", "width"}, {"start", "count"}},
        {"list", Stimulus::Train::List, {"width", "at"}, {}},
        {"poisson", Stimulus::Train::Poisson, {"rate", "width"}, {"start", "seed"}},
        {"bursts", Stimulus::Train::Bursts, {"period", "pulses", "spacing", "width"}, {"start", "count"}},
    };
    return table;
}

// A number followed by one of the units (longest names first), scaled to the unit's factor.
bool parseScaled(const QString& text, const QVector<QPair<QString, double>>& units, double& value)
{
    static const QRegularExpression number(QStringLiteral("^([0-9]+(?:\\.[0-9]*)?|\\.[0-9]+)(.*)$"));
    const QRegularExpressionMatch m = number.match(text);
    if (!m.hasMatch())
        return false;
    const QString unit = m.captured(2);
    for (const auto& u : units) {
        if (unit == u.first) {
            value = m.captured(1).toDouble() * u.second;
            return std::isfinite(value);
        }
    }
    return false;
}

bool parseRate(const QString& text, double& hz)
{
    static const QVector<QPair<QString, double>> units = {
        {"Hz", 1.0}, {"kHz", 1e3}, {"KHz", 1e3}, {"MHz", 1e6}};
    return parseScaled(text, units, hz) && hz > 0 && hz <= Stimulus::MAX_RATE_HZ;
}

bool parseCount(const QString& text, qint64 limit, qint64& n)
{
    bool ok = false;
    n = text.toLongLong(&ok);
    return ok && n >= 0 && n <= limit && !text.startsWith(QLatin1Char('+'));
}

quint64 splitMix(quint64& state)
{
    quint64 z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// Reads one pattern line into a train; returns the problem, empty when none.
class LineReader
{
public:
    LineReader(const QStringList& words, Stimulus::Train& train)
        : m_words(words)
        , m_train(train)
    {}

    QString read(const Pattern& pattern, int& timesLeft)
    {
        QMap<QString, QString> values;
        QStringList at;
        for (int i = 2; i < m_words.size(); ++i) {
            const QString& word = m_words.at(i);
            const int eq = word.indexOf(QLatin1Char('='));
            const QString key = eq < 0 ? word : word.left(eq);
            if (eq <= 0 || eq == word.size() - 1)
                return QStringLiteral("expected key=value, found \"%1\"").arg(word);
            if (!pattern.required.contains(key) && !pattern.optional.contains(key))
                return QStringLiteral("%1 does not take %2=").arg(QLatin1String(pattern.name), key);
            if (key == QLatin1String("at")) {
                at += word.mid(eq + 1).split(QLatin1Char(','));
            } else if (values.contains(key)) {
                return QStringLiteral("%1= is given twice").arg(key);
            } else {
                values.insert(key, word.mid(eq + 1));
            }
        }
        for (const QString& key : pattern.required) {
            if (!values.contains(key) && !(key == QLatin1String("at") && !at.isEmpty()))
                return QStringLiteral("%1 needs %2=").arg(QLatin1String(pattern.name), key);
        }
        QString problem;
        for (auto it = values.cbegin(); it != values.cend() && problem.isEmpty(); ++it)
            problem = store(it.key(), it.value());
        if (problem.isEmpty() && !at.isEmpty())
            problem = storeTimes(at, timesLeft);
        return problem.isEmpty() ? check() : problem;
    }

private:
    QString store(const QString& key, const QString& value)
    {
        qint64 n = 0;
        if (key == QLatin1String("rate")) {
            if (!parseRate(value, m_train.rateHz))
                return QStringLiteral("bad rate \"%1\" (more than 0 and at most 100MHz, with Hz, kHz or MHz)")
                    .arg(value);
        } else if (key == QLatin1String("seed")) {
            if (!parseCount(value, std::numeric_limits<qint64>::max(), n))
                return QStringLiteral("bad seed \"%1\"").arg(value);
            m_train.seed = quint64(n);
        } else if (key == QLatin1String("count") || key == QLatin1String("pulses")) {
            if (!parseCount(value, Stimulus::MAX_TIME_NS, n))
                return QStringLiteral("bad %1 \"%2\"").arg(key, value);
            if (key == QLatin1String("count"))
                m_train.count = n;
            else
                m_train.pulses = int(qMin<qint64>(n, Stimulus::MAX_TIMES + 1));
        } else {
            if (!Stimulus::parseTime(value, n))
                return QStringLiteral("bad time \"%1\" (a number with ns, us, ms or s, at most 10s)")
                    .arg(value);
            qint64* field = key == QLatin1String("period")    ? &m_train.period
                            : key == QLatin1String("width")   ? &m_train.width
                            : key == QLatin1String("spacing") ? &m_train.spacing
                                                              : &m_train.start;
            *field = n;
        }
        return QString();
    }

    QString storeTimes(const QStringList& at, int& timesLeft)
    {
        if (at.size() > timesLeft)
            return QStringLiteral("more than %1 pulse times in the whole text").arg(Stimulus::MAX_TIMES);
        timesLeft -= at.size();
        for (const QString& t : at) {
            qint64 ns = 0;
            if (!Stimulus::parseTime(t, ns))
                return QStringLiteral("bad time \"%1\" (a number with ns, us, ms or s, at most 10s)").arg(t);
            m_train.times.append(ns);
        }
        std::sort(m_train.times.begin(), m_train.times.end());
        return QString();
    }

    QString check() const
    {
        const Stimulus::Train& t = m_train;
        if (t.width < Stimulus::MIN_WIDTH_NS)
            return QStringLiteral("width must be at least 5ns");
        if (t.kind == Stimulus::Train::Periodic && t.width >= t.period)
            return QStringLiteral("width must be shorter than the period");
        if (t.kind == Stimulus::Train::Bursts) {
            if (t.pulses < 1 || t.pulses > Stimulus::MAX_TIMES)
                return QStringLiteral("pulses must be from 1 to %1").arg(Stimulus::MAX_TIMES);
            if (t.width >= t.spacing)
                return QStringLiteral("width must be shorter than the spacing");
            if (t.spacing * t.pulses > t.period)
                return QStringLiteral("a burst (pulses times spacing) must fit in the period");
        }
        return QString();
    }

    const QStringList& m_words;
    Stimulus::Train& m_train;
};
} // namespace

const QStringList& Stimulus::channelNames()
{
    static const QStringList names = {"IN-CH0", "IN-CH1", "IN-CH2", "IN-CH3", "IN-CH4",
                                      "IN-CH5", "IN-CH6", "IN-CH7", "IN-OPT", "IN-USER"};
    return names;
}

bool Stimulus::parseTime(const QString& text, qint64& ns)
{
    static const QVector<QPair<QString, double>> units = {{"", 1.0},     {"ns", 1.0},   {"nsec", 1.0},
                                                          {"us", 1e3},   {"usec", 1e3}, {"ms", 1e6},
                                                          {"msec", 1e6}, {"s", 1e9},    {"sec", 1e9}};
    double value = 0;
    if (!parseScaled(text, units, value) || value > double(MAX_TIME_NS))
        return false;
    ns = qint64(std::llround(value));
    return true;
}

bool Stimulus::parse(const QString& text, Stimulus& out, QString& error, const QHash<QString, int>& aliases)
{
    out = Stimulus();
    if (text.size() > MAX_TEXT_BYTES) {
        error = QStringLiteral("the stimulus is larger than %1 bytes").arg(MAX_TEXT_BYTES);
        return false;
    }
    const QStringList lines = text.split(QLatin1Char('\n'));
    int timesLeft = MAX_TIMES;
    for (int n = 0; n < lines.size(); ++n) {
        const auto fail = [&](const QString& what) {
            error = QStringLiteral("line %1: %2").arg(n + 1).arg(what);
            return false;
        };
        QString line = lines.at(n);
        if (line.size() > MAX_LINE_LENGTH)
            return fail(QStringLiteral("longer than %1 characters").arg(MAX_LINE_LENGTH));
        if (line.contains(QChar(0)))
            return fail(QStringLiteral("a NUL byte: a stimulus is text"));
        const int hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        if (words.first() == QLatin1String("duration")) {
            qint64 ns = 0;
            if (words.size() != 2 || !parseTime(words.at(1), ns) || ns < Timing::CLOCK_NS)
                return fail(QStringLiteral("duration takes one time from 5ns to 10s"));
            out.m_durationNs = ns;
            continue;
        }
        int channel = channelNames().indexOf(words.first());
        if (channel < 0)
            channel = aliases.value(words.first(), -1);
        if (channel < 0 || channel >= CHANNELS)
            return fail(QStringLiteral("unknown input channel \"%1\"").arg(words.first()));
        if (words.size() < 2)
            return fail(
                QStringLiteral("%1 needs a pattern: periodic, list, poisson or bursts").arg(words.first()));
        const Pattern* pattern = nullptr;
        for (const Pattern& p : patterns()) {
            if (words.at(1) == QLatin1String(p.name))
                pattern = &p;
        }
        if (!pattern)
            return fail(QStringLiteral("unknown pattern \"%1\" (periodic, list, poisson or bursts)")
                            .arg(words.at(1)));
        if (out.m_trains.size() >= MAX_TRAINS)
            return fail(QStringLiteral("more than %1 pulse trains").arg(MAX_TRAINS));
        Train train;
        train.kind = pattern->kind;
        train.channel = channel;
        train.line = n + 1;
        const QString problem = LineReader(words, train).read(*pattern, timesLeft);
        if (!problem.isEmpty())
            return fail(problem);
        out.m_trains.append(train);
    }
    return true;
}

bool Stimulus::load(const QString& fileName, Stimulus& out, QString& error,
                    const QHash<QString, int>& aliases)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        error = fileName + QStringLiteral(": ") + file.errorString();
        return false;
    }
    // One byte more than allowed is enough to refuse a file that is too large.
    const QByteArray data = file.read(MAX_TEXT_BYTES + 1);
    if (data.size() > MAX_TEXT_BYTES) {
        error = fileName + QStringLiteral(": the stimulus is larger than %1 bytes").arg(MAX_TEXT_BYTES);
        return false;
    }
    // With its size, so that a NUL byte is read (and refused) rather than ending the text.
    if (!parse(QString::fromUtf8(data.constData(), data.size()), out, error, aliases)) {
        error = fileName + QStringLiteral(": ") + error;
        return false;
    }
    return true;
}

QVector<Stimulus::Train> Stimulus::trainsOf(int channel) const
{
    QVector<Train> list;
    for (const Train& t : m_trains) {
        if (t.channel == channel)
            list.append(t);
    }
    return list;
}

bool Stimulus::drives(int channel) const
{
    return std::any_of(m_trains.begin(), m_trains.end(),
                       [channel](const Train& t) { return t.channel == channel; });
}

// ---------------------------------------------------------------------------------------------

PulseGenerator::PulseGenerator(const Stimulus::Train& train)
    : m_train(train)
    , m_poissonTime(double(train.start))
    , m_random(train.seed)
{}

double PulseGenerator::uniform()
{
    // 53 random bits in (0, 1].
    return (double(splitMix(m_random) >> 11) + 1.0) / double(1ULL << 53);
}

bool PulseGenerator::next(qint64& start, qint64& end)
{
    const Stimulus::Train& t = m_train;
    switch (t.kind) {
    case Stimulus::Train::Periodic:
        if (t.count > 0 && m_index >= t.count)
            return false;
        start = t.start + m_index * t.period;
        ++m_index;
        break;
    case Stimulus::Train::List:
        if (m_index >= t.times.size())
            return false;
        start = t.times.at(int(m_index++));
        break;
    case Stimulus::Train::Poisson:
        start = qint64(std::llround(m_poissonTime));
        m_poissonTime += -std::log(uniform()) * 1e9 / t.rateHz;
        break;
    case Stimulus::Train::Bursts:
        if (t.count > 0 && m_index >= t.count)
            return false;
        start = t.start + m_index * t.period + m_inBurst * t.spacing;
        if (++m_inBurst == t.pulses) {
            m_inBurst = 0;
            ++m_index;
        }
        break;
    }
    // Beyond the longest run nothing is needed; this also keeps the arithmetic in range.
    if (start > 2 * Stimulus::MAX_TIME_NS)
        return false;
    end = start + t.width;
    return true;
}

// ---------------------------------------------------------------------------------------------

ChannelWave::ChannelWave(const QVector<Stimulus::Train>& trains)
    : m_next(Timing::NEVER)
{
    for (const Stimulus::Train& t : trains)
        m_generators.emplace_back(t);
    for (int g = 0; g < int(m_generators.size()); ++g)
        draw(g);
    if (!m_heap.empty())
        m_next = m_heap.front().start;
}

void ChannelWave::draw(int generator)
{
    qint64 start = 0;
    qint64 end = 0;
    if (!m_generators[size_t(generator)].next(start, end))
        return;
    m_heap.push_back({Timing::cycleAt(start), Timing::cycleAt(end), generator});
    std::push_heap(m_heap.begin(), m_heap.end(), LaterStart());
}

void ChannelWave::change()
{
    const qint64 now = m_next;
    if (!m_level)
        m_end = now;
    // Every pulse that starts by now joins the level: one that starts as the level falls (they
    // touch) keeps it high.
    while (!m_heap.empty() && m_heap.front().start <= now) {
        std::pop_heap(m_heap.begin(), m_heap.end(), LaterStart());
        const Pulse pulse = m_heap.back();
        m_heap.pop_back();
        m_end = qMax(m_end, pulse.end);
        draw(pulse.generator);
    }
    m_level = m_end > now;
    m_next = m_heap.empty() ? Timing::NEVER : m_heap.front().start;
    if (m_level)
        m_next = qMin(m_next, m_end);
}
