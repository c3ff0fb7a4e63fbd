#include "device/counterLogWriter.h"

#include <QFile>

#include <cstring>

CounterLogWriter::CounterLogWriter(const QString& fileName)
    : m_pFile(std::make_unique<QFile>(fileName))
    , m_buffer(new char[FLUSH_SIZE + MAX_LINE])
    , m_capacity(FLUSH_SIZE + MAX_LINE)
{
    // Unbuffered: every write reaches the system at once, so that its failure is seen where it
    // happens and not at some later flush.
    if (!m_pFile->open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered))
        fail(m_pFile->errorString());
    else
        m_goodSize = m_pFile->size();
    m_sinceFlush.start();
}

CounterLogWriter::~CounterLogWriter()
{
    rollback();
    flush();
}

bool CounterLogWriter::isOpen() const
{
    return m_pFile->isOpen();
}

void CounterLogWriter::grow()
{
    const int capacity = m_capacity * 2;
    std::unique_ptr<char[]> bigger(new char[size_t(capacity)]);
    std::memcpy(bigger.get(), m_buffer.get(), size_t(m_used));
    m_buffer = std::move(bigger);
    m_capacity = capacity;
}

bool CounterLogWriter::commit()
{
    m_committed = m_used;
    m_keptLines += m_pendingLines;
    m_pendingLines = 0;
    return m_committed >= FLUSH_SIZE ? flush() : !m_bFailed;
}

void CounterLogWriter::rollback()
{
    m_used = m_committed;
    m_pendingLines = 0;
}

bool CounterLogWriter::flushIfDue()
{
    return m_committed > 0 && m_sinceFlush.elapsed() >= FLUSH_MS ? flush() : !m_bFailed;
}

bool CounterLogWriter::flush()
{
    m_sinceFlush.restart();
    if (m_bFailed)
        return false;
    // A short write is retried for the rest, which then fails with the reason.
    for (qint64 done = 0; done < m_committed;) {
        const qint64 n = m_pFile->write(m_buffer.get() + done, m_committed - done);
        if (n <= 0) {
            // Part of a line may be in the file: it goes back to its last whole line.
            const QString reason = m_pFile->errorString();
            m_pFile->resize(m_goodSize);
            fail(reason);
            return false;
        }
        done += n;
    }
    m_goodSize += m_committed;
    m_written += m_keptLines;
    std::memmove(m_buffer.get(), m_buffer.get() + m_committed, size_t(m_used - m_committed));
    m_used -= m_committed;
    m_committed = 0;
    m_keptLines = 0;
    return true;
}

void CounterLogWriter::fail(const QString& reason)
{
    m_bFailed = true;
    m_error = reason;
    m_used = m_committed = 0;
    m_keptLines = m_pendingLines = 0;
    m_pFile->close();
}
