#pragma once

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <csignal>
#include <sys/resource.h>

// A counter record as the module streams it: tag 1, the counter, the 56-bit value, big-endian.
inline QByteArray counterRecord(int counter, quint64 value)
{
    QByteArray bytes(8, '\0');
    qToBigEndian(0x1000000000000000ULL | quint64(counter) << 56 | value,
                 reinterpret_cast<uchar*>(bytes.data()));
    return bytes;
}

// A text file's lines (the last one empty after a final newline).
inline QStringList fileLines(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
}

// The process's file size limit, lowered while the object lives: writes beyond it fail as on a full
// disk (with the signal ignored, as a failed write and not a kill).
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
        : m_previous(std::signal(SIGXFSZ, SIG_IGN))
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    void (*m_previous)(int);
    rlimit m_saved{};
};
