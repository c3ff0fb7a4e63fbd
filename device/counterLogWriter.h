#pragma once

#include "device/counterValueFormat.h"

#include <QElapsedTimer>
#include <QString>

#include <memory>

class QFile;

// One counter's CSV log while the stream runs. Whole lines are collected in a large buffer and
// handed to the file in big writes, so logging costs a copy per record instead of a stream
// operation per record. Lines of a batch stay pending until the batch is committed (they are
// then written) or rolled back (they never reach the file), so that the log holds exactly the
// records that were counted. A failed write ends the log: the file is cut back to its last whole
// line and nothing more is written to it.
class CounterLogWriter
{
public:
    static constexpr int TIME_TEXT = 9; // "hh:mm:ss,"
    static constexpr int MAX_LINE = TIME_TEXT + CounterValueFormat::MAX_TEXT + 1;
    static constexpr int FLUSH_SIZE = 1 << 18;
    static constexpr int FLUSH_MS = 100;

    // Opens fileName for appending; isOpen() tells whether that worked.
    explicit CounterLogWriter(const QString& fileName);
    ~CounterLogWriter();

    bool isOpen() const;
    bool hasFailed() const { return m_bFailed; }
    // The reason of the failure to open or to write.
    QString errorString() const { return m_error; }
    // Lines that are in the file.
    quint64 linesWritten() const { return m_written; }

    // A pending line: the time text (TIME_TEXT bytes), the value, a newline.
    void appendLine(const char* time, const CounterValueFormat& format, quint64 raw)
    {
        if (m_bFailed)
            return;
        if (m_capacity - m_used < MAX_LINE)
            grow();
        char* p = m_buffer.get() + m_used;
        for (int i = 0; i < TIME_TEXT; ++i)
            p[i] = time[i];
        p += TIME_TEXT;
        p += format.write(raw, p);
        *p++ = '\n';
        m_used = int(p - m_buffer.get());
        ++m_pendingLines;
    }

    // The batch's lines are kept; written at once when the buffer is full. False once the log
    // has failed.
    bool commit();
    // The batch's lines are dropped.
    void rollback();
    // Writes the kept lines when a flush is due by age, so that a slow stream still shows up in
    // the file promptly while a fast one is written in large pieces.
    bool flushIfDue();
    // Writes the kept lines now.
    bool flush();

private:
    void grow();
    void fail(const QString& reason);

    std::unique_ptr<QFile> m_pFile;
    std::unique_ptr<char[]> m_buffer;
    int m_capacity = 0;
    int m_used = 0;          // bytes in the buffer
    int m_committed = 0;     // of which kept
    quint64 m_keptLines = 0; // lines in the kept bytes
    quint64 m_pendingLines = 0;
    quint64 m_written = 0;
    qint64 m_goodSize = 0; // the file's size after its last whole line
    bool m_bFailed = false;
    QString m_error;
    QElapsedTimer m_sinceFlush;
};
