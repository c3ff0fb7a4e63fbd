#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

// Test pulses for the module's input channels, read from a small text format (one pulse train
// per line, see the README):
//
//   # a comment
//   duration 200us
//   IN-CH0 periodic period=1us width=20ns [start=T] [count=N]
//   IN-CH1 list width=20ns at=100ns,250ns,1.2us
//   IN-CH2 poisson rate=200kHz width=20ns [start=T] [seed=N]
//   IN-CH3 bursts period=10us pulses=5 spacing=100ns width=20ns [start=T] [count=N]
//
// Times are a number with an optional unit ns, us, ms or s (nsec, usec, msec, sec; none = ns);
// rates a number with Hz, kHz or MHz. Every value is checked against the limits below, so a
// hostile file is refused with the line it fails on instead of exhausting the machine.
class Stimulus
{
public:
    static constexpr int MAX_TEXT_BYTES = 1 << 20;
    static constexpr int MAX_LINE_LENGTH = 1000;
    static constexpr int MAX_TRAINS = 1000;
    static constexpr int MAX_TIMES = 100000;
    static constexpr qint64 MAX_TIME_NS = 10'000'000'000LL; // 10 s, also the longest run
    static constexpr qint64 MIN_WIDTH_NS = 5;
    static constexpr double MAX_RATE_HZ = 100e6;
    static constexpr int CHANNELS = 10;

    // One line's pulse train.
    struct Train
    {
        enum Kind { Periodic, List, Poisson, Bursts };
        Kind kind = Periodic;
        int channel = 0;
        int line = 0;
        qint64 width = 0;
        qint64 start = 0;
        qint64 period = 0;     // periodic: from pulse to pulse; bursts: from burst to burst
        qint64 spacing = 0;    // bursts: from pulse to pulse within a burst
        int pulses = 0;        // bursts: pulses per burst
        qint64 count = 0;      // periodic: pulses, bursts: bursts; 0 = without end
        double rateHz = 0;     // poisson
        quint64 seed = 1;      // poisson
        QVector<qint64> times; // list, ascending
    };

    // The input channel names in register bit order ("IN-CH0" .. "IN-CH7", "IN-OPT", "IN-USER").
    static const QStringList& channelNames();

    // Parses a whole stimulus text. Channels are named as the module names them or by the other
    // names in aliases (for instance the diagram's user names). On failure returns false with
    // "line N: what is wrong" (or a message about the whole text) in error.
    static bool parse(const QString& text, Stimulus& out, QString& error,
                      const QHash<QString, int>& aliases = {});
    // Reads and parses a stimulus file; false with "FILE: line N: ..." (or the file's error).
    static bool load(const QString& fileName, Stimulus& out, QString& error,
                     const QHash<QString, int>& aliases = {});
    // A time ("1.5us", "20ns", "40") in whole nanoseconds; false when not a time or beyond
    // MAX_TIME_NS.
    static bool parseTime(const QString& text, qint64& ns);

    const QVector<Train>& trains() const { return m_trains; }
    // The trains of one channel.
    QVector<Train> trainsOf(int channel) const;
    bool drives(int channel) const;
    // The run length the text asks for; 0 when it has no duration line.
    qint64 durationNs() const { return m_durationNs; }

    void addTrain(const Train& train) { m_trains.append(train); }
    void setDurationNs(qint64 ns) { m_durationNs = ns; }

private:
    QVector<Train> m_trains;
    qint64 m_durationNs = 0;
};

// The pulses of one train as (start, end) in nanoseconds, in order of start.
class PulseGenerator
{
public:
    explicit PulseGenerator(const Stimulus::Train& train);

    // The next pulse; false when the train has ended.
    bool next(qint64& start, qint64& end);

private:
    double uniform();

    Stimulus::Train m_train;
    qint64 m_index = 0; // pulses (or bursts) given so far
    int m_inBurst = 0;
    double m_poissonTime = 0;
    quint64 m_random = 0;
};

// The level of one input channel over the clock: the pulses of all its trains, aligned to the
// clock and merged where they overlap or touch. Pulses are read only as time reaches them: a
// pulse that starts while the level is high is taken in its own cycle, so however wide the
// pulses, the work done is bounded by the pulses that start before the time emulated.
class ChannelWave
{
public:
    explicit ChannelWave(const QVector<Stimulus::Train>& trains = {});

    bool level() const { return m_level; }
    // The next cycle in which the level may change (a pulse that starts while the level is high
    // merges into it and changes nothing), or Timing::NEVER.
    qint64 nextChange() const { return m_next; }
    // Takes what is due at nextChange() (call exactly then).
    void change();

private:
    // A pulse in cycles [start, end) of one generator.
    struct Pulse
    {
        qint64 start;
        qint64 end;
        int generator;
    };
    struct LaterStart
    {
        bool operator()(const Pulse& a, const Pulse& b) const { return a.start > b.start; }
    };
    void draw(int generator);

    std::vector<PulseGenerator> m_generators;
    std::vector<Pulse> m_heap; // the next pulse of every generator that has one, earliest on top
    bool m_level = false;
    qint64 m_end = 0; // while high: the end of the pulses taken so far
    qint64 m_next;
};
