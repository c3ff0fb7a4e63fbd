// Throughput of the counter stream reader over loopback TCP: records per second decoded with CSV
// logging for all four counters, with logging off, and a plain read of the same bytes, all from one
// sender that writes sequence values as fast as the socket takes them. Checks that no record is
// lost, duplicated or reordered.

#include "device/counterValueFormat.h"
#include "device/qOstrumThread.h"
#include "sim/counterStream.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtEndian>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

namespace {

constexpr int COUNTERS = 4;
const char* const UNITS[COUNTERS] = {"usec", "msec", "sec", "nsec"};

// Record i carries counter i % 4 and value i.
QByteArray sequenceRecords(qint64 count)
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

double threadCpuSeconds();

double plainRead(const QByteArray& bytes, qint64& received, double& cpuSeconds)
{
    Sender sender(bytes);
    QTcpSocket socket;
    socket.setReadBufferSize(QOstrumThread::SOCKET_BUFFER);
    QElapsedTimer clock;
    clock.start();
    socket.connectToHost("127.0.0.1", sender.port(), QIODevice::ReadOnly);
    socket.waitForConnected(5000);
    char buffer[4096];
    received = 0;
    cpuSeconds = -threadCpuSeconds();
    while (socket.waitForReadyRead(1000) || socket.bytesAvailable() > 0) {
        qint64 n;
        while ((n = socket.read(buffer, sizeof buffer)) > 0)
            received += n;
    }
    cpuSeconds += threadCpuSeconds();
    return clock.nsecsElapsed() / 1e9;
}

double threadCpuSeconds()
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

ReaderRun readerRun(const QByteArray& bytes, const QString& logDir)
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

bool checkTallies(const ReaderRun& run, qint64 records)
{
    bool ok = run.ordered;
    for (int c = 0; c < COUNTERS; ++c) {
        const CounterValueFormat format(UNITS[c]);
        const quint64 expectedCount = quint64((records - c + COUNTERS - 1) / COUNTERS);
        double expectedSum = 0;
        for (qint64 i = c; i < records; i += COUNTERS)
            expectedSum += format.value(quint64(i));
        const quint64 last = expectedCount > 0 ? quint64(c + (expectedCount - 1) * COUNTERS) : 0;
        if (run.count[c] != expectedCount || run.lastValue[c] != last ||
            qAbs(run.sum[c] - expectedSum) > 1e-6 * expectedSum) {
            std::printf(
                "  counter %d: %llu records (expected %llu), last %llu (expected %llu)\n", c,
                static_cast<unsigned long long>(run.count[c]), static_cast<unsigned long long>(expectedCount),
                static_cast<unsigned long long>(run.lastValue[c]), static_cast<unsigned long long>(last));
            ok = false;
        }
    }
    return ok;
}

// Every line of every log holds the next sequence value of its counter.
bool checkLogs(const ReaderRun& run, qint64 records)
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

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const qint64 records = argc > 1 ? QByteArray(argv[1]).toLongLong() : 16000000;
    const QByteArray bytes = sequenceRecords(records);
    std::printf("%lld records of 8 bytes (%.0f MB), counters 0..3 in turn, units usec/msec/sec/nsec\n",
                records, bytes.size() / 1e6);

    qint64 received = 0;
    double plainCpu = 0;
    plainRead(bytes, received, plainCpu); // warm-up: first connection, first touch of the sender's pages
    const double plain = plainRead(bytes, received, plainCpu);
    std::printf("plain read():       %7.2f M records/s  (%.0f MB/s; %.2f M records per CPU second)%s\n",
                records / plain / 1e6, bytes.size() / plain / 1e6, records / plainCpu / 1e6,
                received == bytes.size() ? "" : "  BYTES LOST");

    const ReaderRun quiet = readerRun(bytes, QString());
    const bool quietOk = checkTallies(quiet, records);
    std::printf(
        "decode, no logs:    %7.2f M records/s  (%.2f of plain read; %.2f M records per CPU second)  %s\n",
        records / quiet.seconds / 1e6, plain / quiet.seconds, records / quiet.cpuSeconds / 1e6,
        quietOk ? "all records, in order" : "RECORDS LOST OR REORDERED");

    QTemporaryDir dir;
    const ReaderRun logged = readerRun(bytes, dir.path());
    const bool loggedOk = checkTallies(logged, records) && checkLogs(logged, records);
    qint64 logBytes = 0;
    for (const QString& name : logged.fileName)
        logBytes += QFile(name).size();
    std::printf(
        "decode, 4 CSV logs: %7.2f M records/s  (%.2f of plain read; %.2f M records per CPU second; %.0f MB "
        "of CSV)  %s\n",
        records / logged.seconds / 1e6, plain / logged.seconds, records / logged.cpuSeconds / 1e6,
        logBytes / 1e6, loggedOk ? "all records logged, in order" : "RECORDS LOST OR REORDERED");
    std::printf("target 15.6 M records/s with logging: %s by wall clock, %s by the reader's CPU time\n",
                records / logged.seconds >= 15.6e6 ? "met" : "NOT met",
                records / logged.cpuSeconds >= 15.6e6 ? "met" : "NOT met");
    return quietOk && loggedOk ? 0 : 1;
}
