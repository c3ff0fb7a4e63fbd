#include "device/counterRecordQueue.h"

#include <algorithm>
#include <chrono>

void CounterRecordBatch::clear()
{
    counters.clear();
    values.clear();
    msecs.clear();
    dropped = 0;
}

CounterRecordQueue::CounterRecordQueue(std::size_t capacity)
    : m_capacity(capacity)
{}

std::size_t CounterRecordQueue::size() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_records.size() - m_front;
}

void CounterRecordQueue::append(const CounterRecordBatch& batch)
{
    std::function<void()> notify;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const std::size_t waiting = m_records.size() - m_front;
        const std::size_t room = m_capacity - std::min(m_capacity, waiting);
        const std::size_t n = std::min(room, batch.size());
        m_records.dropped += batch.size() - n;
        if (n == 0)
            return;
        // Taken records are given back before the columns grow.
        if (m_front > 0 && m_front >= m_records.size() / 2) {
            m_records.counters.erase(m_records.counters.begin(), m_records.counters.begin() + long(m_front));
            m_records.values.erase(m_records.values.begin(), m_records.values.begin() + long(m_front));
            m_records.msecs.erase(m_records.msecs.begin(), m_records.msecs.begin() + long(m_front));
            m_front = 0;
        }
        m_records.counters.insert(m_records.counters.end(), batch.counters.begin(),
                                  batch.counters.begin() + long(n));
        m_records.values.insert(m_records.values.end(), batch.values.begin(), batch.values.begin() + long(n));
        m_records.msecs.insert(m_records.msecs.end(), batch.msecs.begin(), batch.msecs.begin() + long(n));
        if (waiting == 0)
            notify = m_onArrival;
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
        // Room for as many again, so that a full-rate stream does not regrow the columns (copying
        // them each time) after every take.
        m_records.counters.reserve(n);
        m_records.values.reserve(n);
        m_records.msecs.reserve(n);
    } else {
        const auto from = long(m_front);
        const auto to = long(m_front + n);
        out.counters.assign(m_records.counters.begin() + from, m_records.counters.begin() + to);
        out.values.assign(m_records.values.begin() + from, m_records.values.begin() + to);
        out.msecs.assign(m_records.msecs.begin() + from, m_records.msecs.begin() + to);
        out.dropped = m_records.dropped;
        m_records.dropped = 0;
        m_front += n;
        if (m_front == m_records.size()) {
            m_records.clear();
            m_front = 0;
        }
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
