#pragma once

#include "emulator/timing.h"

#include <array>

// The next event of each of a fixed set of sources, and the earliest of them, kept in a
// tournament tree: changing one source's time costs a walk from its leaf to the root (five
// steps), and the earliest is always at the root.
class EventQueue
{
public:
    static constexpr int SOURCES = 32;

    EventQueue() { clear(); }

    // Every source without an event.
    void clear()
    {
        m_time.fill(Timing::NEVER);
        for (int n = SOURCES; n < 2 * SOURCES; ++n)
            m_winner[size_t(n)] = quint8(n - SOURCES);
        for (int n = SOURCES - 1; n >= 1; --n)
            m_winner[size_t(n)] = m_winner[size_t(2 * n)];
    }
    void set(int source, qint64 cycle)
    {
        if (m_time[size_t(source)] == cycle)
            return;
        m_time[size_t(source)] = cycle;
        for (int n = (source + SOURCES) / 2; n >= 1; n /= 2) {
            const quint8 left = m_winner[size_t(2 * n)];
            const quint8 right = m_winner[size_t(2 * n + 1)];
            m_winner[size_t(n)] = m_time[right] < m_time[left] ? right : left;
        }
    }
    qint64 earliest() const { return m_time[m_winner[1]]; }
    int earliestSource() const { return m_winner[1]; }

private:
    std::array<qint64, SOURCES> m_time;
    // Node n (1..SOURCES - 1) holds the source with the earliest time below it; the leaves are
    // nodes SOURCES..2 * SOURCES - 1.
    std::array<quint8, 2 * SOURCES> m_winner;
};
