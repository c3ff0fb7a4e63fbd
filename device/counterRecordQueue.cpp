#include "device/counterRecordQueue.h"

#include <algorithm>
#include <chrono>

std::vector<qint64> CounterRecordBatch::msecs() const
{
    std::vector<qint64> out;
    out.reserve(size());
    for (const TimeRun& run : runs)
        out.insert(out.end(), run.records, run.msecs);
    return out;
}

void CounterRecordBatch::clear()
{
    words.clear();
    runs.clear();
    dropped = 0;
}

void CounterRecordBatch::truncate(std::size_t n)
{
    if (n >= size())
        return;
    words.resize(n);
    std::size_t kept = 0;
    std::size_t r = 0;
    for (; r < runs.size() && kept < n; ++r) {
        runs[r].records = std::min(runs[r].records, n - kept);
        kept += runs[r].records;
    }
    runs.resize(r);
}

CounterRecordQueue::CounterRecordQueue(std::size_t capacity)
    : m_capacity(capacity)
{}

std::size_t CounterRecordQueue::size() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.size() - m_front;
}

// Taken records are given back before the columns grow.
void CounterRecordQueue::compact()
{
    if (m_front == 0 || m_front < m_records.size() / 2)
        return;
    m_records.words.erase(m_records.words.begin(), m_records.words.begin() + long(m_front));
    m_records.runs.erase(m_records.runs.begin(), m_records.runs.begin() + long(m_runFront));
    m_front = 0;
    m_runFront = 0;
}

void CounterRecordQueue::append(CounterRecordBatch&& batch)
{
    std::function<void()> notify;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const std::size_t waiting = m_records.size() - m_front;
        const std::size_t room = m_capacity - std::min(m_capacity, waiting);
        const std::size_t n = std::min(room, batch.size());
        m_records.dropped += batch.size() - n;
        if (n == 0) {
            batch.clear();
            return;
        }
        batch.truncate(n);
        if (waiting == 0) {
            // The batch's columns become the queue's without a copy; the spent ones go back.
            std::swap(m_records.words, batch.words);
            std::swap(m_records.runs, batch.runs);
            m_front = 0;
            m_runFront = 0;
            notify = m_onArrival;
        } else {
            compact();
            m_records.words.insert(m_records.words.end(), batch.words.begin(), batch.words.end());
            m_records.runs.insert(m_records.runs.end(), batch.runs.begin(), batch.runs.end());
        }
        batch.clear();
    }
    m_arrived.notify_all();
    if (notify)
        notify();
}

CounterRecordBatch CounterRecordQueue::take(std::size_t max)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    CounterRecordBatch out;
    const std::size_t n = std::min(max, m_records.size() - m_front);
    if (m_front == 0 && n == m_records.size()) {
        std::swap(out, m_records); // everything: the columns change hands without a copy
        return out;
    }
    out.words.assign(m_records.words.begin() + long(m_front), m_records.words.begin() + long(m_front + n));
    for (std::size_t left = n; left > 0;) {
        CounterRecordBatch::TimeRun& run = m_records.runs[m_runFront];
        const std::size_t k = std::min(left, run.records);
        out.runs.push_back({run.msecs, k});
        run.records -= k;
        left -= k;
        if (run.records == 0)
            ++m_runFront;
    }
    out.dropped = m_records.dropped;
    m_records.dropped = 0;
    m_front += n;
    if (m_front == m_records.size()) {
        m_records.words.clear();
        m_records.runs.clear();
        m_front = 0;
        m_runFront = 0;
    }
    return out;
}

bool CounterRecordQueue::wait(int ms)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    const auto ready = [this] { return m_records.size() > m_front || m_bClosed; };
    if (ms < 0)
        m_arrived.wait(lock, ready);
    else
        m_arrived.wait_for(lock, std::chrono::milliseconds(ms), ready);
    return m_records.size() > m_front;
}

void CounterRecordQueue::close()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bClosed = true;
    }
    m_arrived.notify_all();
}

bool CounterRecordQueue::isClosed() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_bClosed;
}

void CounterRecordQueue::reopen()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_bClosed = false;
}

void CounterRecordQueue::setOnArrival(std::function<void()> onArrival)
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_onArrival = std::move(onArrival);
}
