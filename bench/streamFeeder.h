#pragma once

// The feeder of the stream benchmarks: a loopback sender of sequence records (record i carries
// counter i % 4 and value i) as fast as the socket takes them, the headless reader's run over
// it, and the check that every log holds every record in order.

#include "device/counterValueFormat.h"
#include "device/qOstrumThread.h"
#include "sim/counterStream.h"

#include <QElapsedTimer>
#include <QFile>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

namespace feeder {

inline constexpr int COUNTERS = 4;
inline const char* const UNITS[COUNTERS] = {"usec", "msec", "sec", "nsec"};

// Record i carries counter i % 4 and value i.
inline QByteArray sequenceRecords(qint64 count)
{
    QByteArray bytes(int(count * 8), '\0');
    uchar* p = reinterpret_cast<uchar*>(bytes.data());
    for (qint64 i = 0; i < count; ++i)
        qToBigEndian(CounterStream::recordWord(int(i % COUNTERS), quint64(i)), p + i * 8);
    return bytes;
}

// A one-shot loopback server: accepts one client, writes everything with blocking writes, closes.
class Sender
{
public:
    explicit Sender(const QByteArray& bytes)
        : m_bytes(bytes)
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_listener, 1);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~Sender()
    {
        m_thread.join();
        ::close(m_listener);
    }
    quint16 port() const { return m_port; }

private:
    void serve()
    {
        const int client = ::accept(m_listener, nullptr, nullptr);
        const char* p = m_bytes.constData();
        qint64 left = m_bytes.size();
        while (left > 0) {
            const ssize_t n = ::write(client, p, size_t(qMin<qint64>(left, 1 << 20)));
            if (n <= 0)
                break;
            p += n;
            left -= n;
        }
        ::close(client);
    }

    const QByteArray& m_bytes;
    int m_listener;
    quint16 m_port = 0;
    std::thread m_thread;
};

inline double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

struct ReaderRun
{
    double seconds = 0;
    double cpuSeconds = 0; // of the reader's thread, user and system

    quint64 count[COUNTERS] = {};
    double sum[COUNTERS] = {};
    quint64 lastValue[COUNTERS] = {};
    bool ordered = true;
    QString fileName[COUNTERS];
};

inline ReaderRun readerRun(const QByteArray& bytes, const QString& logDir)
{
    Sender sender(bytes);
    QString path[COUNTERS], name[COUNTERS], unit[COUNTERS];
    for (int c = 0; c < COUNTERS; ++c) {
        path[c] = logDir;
        name[c] = QString("MsrCnt%1").arg(c);
        unit[c] = UNITS[c];
    }
    QOstrumThread thread(path, name, unit, "127.0.0.1", sender.port(), 4660, nullptr, false);
    ReaderRun run;
    // Direct connection: tallied in the reader's thread, read here after wait().
    QObject::connect(
        &thread, &QOstrumThread::recived, &thread,
        [&run, &thread](int c, QString text, quint64 count, double sum) {
            // The last text of a batch is the counter's highest sequence value so far.
            const quint64 value = quint64(text.toDouble() / thread.scale(c) + 0.5);
            if (value <= run.lastValue[c] && run.count[c] > 0)
                run.ordered = false;
            run.lastValue[c] = value;
            run.count[c] += count;
            run.sum[c] += sum;
        },
        Qt::DirectConnection);
    QObject::connect(
        &thread, &QThread::started, &thread, [&run] { run.cpuSeconds = -threadCpuSeconds(); },
        Qt::DirectConnection);
    QObject::connect(
        &thread, &QThread::finished, &thread, [&run] { run.cpuSeconds += threadCpuSeconds(); },
        Qt::DirectConnection);
    QElapsedTimer clock;
    clock.start();
    thread.start();
    thread.wait();
    run.seconds = clock.nsecsElapsed() / 1e9;
    for (int c = 0; c < COUNTERS; ++c)
        run.fileName[c] = thread.fileName(c);
    return run;
}

// Every line of every log holds the next sequence value of its counter.
inline bool checkLogs(const ReaderRun& run, qint64 records)
{
    for (int c = 0; c < COUNTERS; ++c) {
        QFile file(run.fileName[c]);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        file.readLine(); // header
        const CounterValueFormat format(UNITS[c]);
        char expected[CounterValueFormat::MAX_TEXT + 1];
        qint64 lines = 0;
        for (qint64 i = c; i < records; i += COUNTERS) {
            const QByteArray line = file.readLine();
            const int length = format.write(quint64(i), expected);
            expected[length] = '\n';
            if (line.size() != 9 + length + 1 ||
                std::memcmp(line.constData() + 9, expected, size_t(length + 1)) != 0) {
                std::printf("  log %d line %lld: %s", c, lines + 2, line.constData());
                return false;
            }
            ++lines;
        }
        if (!file.atEnd())
            return false;
    }
    return true;
}

} // namespace feeder
