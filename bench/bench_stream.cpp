// Throughput of the counter stream reader over loopback TCP: records per second decoded with CSV
// logging for all four counters, with logging off, and a plain read of the same bytes, all from one
// sender that writes sequence values as fast as the socket takes them. Checks that no record is
// lost, duplicated or reordered.

#include "streamFeeder.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace {

using namespace feeder;

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
