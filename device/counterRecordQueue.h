#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

// Records of the counter stream in one column of words (counter above the 56-bit value), with
// their times as runs: every record of one read from the connection shares its time, so a
// full-rate stream costs a time per read, not per record. A consumer hands the column on as
// arrays (NumPy, a plot series) in one pass.
struct CounterRecordBatch
{
    static constexpr int VALUE_BITS = 56;
    static constexpr quint64 VALUE_MASK = (quint64(1) << VALUE_BITS) - 1;

    // Consecutive records taken from the connection at the same time (ms since the epoch).
    struct TimeRun
    {
        qint64 msecs = 0;
        std::size_t records = 0;
    };

    std::vector<quint64> words; // counter (0..3) << VALUE_BITS | the raw value as the module sent it
    std::vector<TimeRun> runs;  // their records add up to words.size()
    quint64 dropped = 0;        // records lost before these because the queue was full

    std::size_t size() const { return words.size(); }
    bool empty() const { return words.empty(); }
    int counter(std::size_t i) const { return int(words[i] >> VALUE_BITS) & 3; }
    quint64 value(std::size_t i) const { return words[i] & VALUE_MASK; }
    // The time of every record, run by run; for consumers that want one per record.
    std::vector<qint64> msecs() const;
    void clear();
    // Keeps the first n records.
    void truncate(std::size_t n);
    static quint64 word(int counter, quint64 value)
    {
        return quint64(counter) << VALUE_BITS | (value & VALUE_MASK);
    }
    // For a reader that stages the words of one read into an empty batch itself: their time.
    void stampAll(qint64 msec) { runs.assign(words.empty() ? 0 : 1, TimeRun{msec, words.size()}); }
    void append(int counter, quint64 value, qint64 msec)
    {
        if (runs.empty() || runs.back().msecs != msec)
            runs.push_back({msec, 0});
        ++runs.back().records;
        words.push_back(word(counter, value));
    }
};

// The stream's records between the reader thread, which appends what it counted, and a consumer
// in any thread, which takes them in batches. Bounded: records that find the queue full are
// dropped and counted, so that a consumer that falls behind costs memory up to the capacity and
// never holds back the counting and the logs.
class CounterRecordQueue
{
public:
    explicit CounterRecordQueue(std::size_t capacity);

    std::size_t capacity() const { return m_capacity; }
    std::size_t size() const;

    // From the reader: the batch's records (its own `dropped` is ignored). An empty queue takes
    // the batch's columns as they are; the batch is left empty, holding spent columns to reuse.
    void append(CounterRecordBatch&& batch);
    // At most max records, oldest first, with the number dropped since the previous take.
    CounterRecordBatch take(std::size_t max = std::size_t(-1));
    // Blocks until records are waiting or the queue is closed, at most ms (negative: no limit);
    // true when records are waiting.
    bool wait(int ms);
    // No more records will come (the stream has ended); wakes every waiter.
    void close();
    bool isClosed() const;
    // Reopens the queue for a new connection, keeping what is still waiting.
    void reopen();
    // Called (in the appending thread) whenever records arrive in an empty queue.
    void setOnArrival(std::function<void()> onArrival);

private:
    void compact();

    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    CounterRecordBatch m_records;
    // Records before m_front and runs before m_runFront have been taken; the run at m_runFront
    // counts only its records not yet taken.
    std::size_t m_front = 0;
    std::size_t m_runFront = 0;
    bool m_bClosed = false;
    std::function<void()> m_onArrival;
};
