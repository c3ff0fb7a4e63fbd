#pragma once

#include <QtGlobal>

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <vector>

// Records of the counter stream, one column per field, so that a consumer can hand each column
// on as one array (a NumPy array, a plot series) without touching the records one by one.
struct CounterRecordBatch
{
    std::vector<quint8> counters; // 0..3
    std::vector<quint64> values;  // the raw 56-bit values as the module sent them
    std::vector<qint64> msecs;    // when the reader took them from the connection (ms since the epoch)
    quint64 dropped = 0;          // records lost before these because the queue was full

    std::size_t size() const { return values.size(); }
    bool empty() const { return values.empty(); }
    void clear();
    // Inline: the reader stages every record of a full-rate stream through it.
    void append(int counter, quint64 value, qint64 msec)
    {
        counters.push_back(quint8(counter));
        values.push_back(value);
        msecs.push_back(msec);
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

    // From the reader: the batch's records (its own `dropped` is ignored).
    void append(const CounterRecordBatch& batch);
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
    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    CounterRecordBatch m_records;
    std::size_t m_front = 0; // records before it have been taken
    bool m_bClosed = false;
    std::function<void()> m_onArrival;
};
