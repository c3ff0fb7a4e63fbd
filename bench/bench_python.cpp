// The Python module against the operations it binds, in one run on loopback:
// - the same download of the largest example to the in-process module simulator, from C++ as
//   vextor-cli runs it and from Python through vextor.Module, taking turns; the median ratio;
// - records per second from a full-rate counter stream (sequence records, sent as fast as the
//   socket takes them): the headless reader's, and what Module.monitor(batches=True) delivers
//   into Python as NumPy arrays, taking turns; the ratio of the best runs.

#include "io/loadedDocument.h"
#include "operations/downloadOperation.h"
#include "operations/presetPrompts.h"
#include "sim/moduleMemory.h"
#include "sim/tampServer.h"
#include "streamFeeder.h"

#include <pybind11/embed.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace py = pybind11;

namespace {
constexpr int REPEATS = 31;
constexpr int STREAM_REPEATS = 5;
constexpr qint64 STREAM_RECORDS = 32000000;
constexpr int REPORT_MS = 100; // as the sessions of vextor-cli and the Python module gather reports
const char* const DOCUMENT = VEXTOR_SOURCE_DIR "/examples/multi-sheet.vxt3";
// Its four measure counters take the stream's four.
const char* const COUNTER_DOCUMENT = VEXTOR_SOURCE_DIR "/examples/scaler.vxt3";

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One download as vextor-cli runs it; its wall time in ms, or -1 when it failed.
double nativeDownload(Document& doc, quint16 port)
{
    InfoOstrum target = InfoOstrum::defaults(false);
    target.strAddr = QStringLiteral("127.0.0.1");
    target.udpPort = port;
    PresetPrompts prompts;
    DownloadOperation download(target, *doc.diagram(), prompts);
    QEventLoop loop;
    QObject::connect(&download, &DeviceOperation::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    download.start();
    loop.exec();
    return download.outcome().isDone() ? double(timer.nsecsElapsed()) / 1e6 : -1.0;
}
// A run over the stream: records per second of wall time, and per second of the process's CPU
// time (every thread: the sender, the reader and, for Python, the consumer), which the load of
// other processes changes less.
struct StreamRun
{
    double perSecond = 0;
    double perCpuSecond = 0;
};

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// The headless reader over the stream as a monitor session runs it (reports gathered over
// REPORT_MS, no logs) until the sender closes it.
StreamRun headlessStream(const QByteArray& bytes)
{
    const double cpu = processCpuSeconds();
    double seconds = 0;
    {
        feeder::Sender sender(bytes);
        QString path[feeder::COUNTERS], name[feeder::COUNTERS], unit[feeder::COUNTERS];
        for (int c = 0; c < feeder::COUNTERS; ++c) {
            name[c] = QStringLiteral("MsrCnt%1").arg(c);
            unit[c] = feeder::UNITS[c];
        }
        QOstrumThread reader(path, name, unit, QStringLiteral("127.0.0.1"), sender.port(), 4660, nullptr,
                             false);
        reader.setReportInterval(REPORT_MS);
        QElapsedTimer clock;
        clock.start();
        reader.start();
        reader.wait();
        seconds = double(clock.nsecsElapsed()) / 1e9;
    }
    const double records = double(bytes.size() / QOstrumThread::DATA_SIZE);
    return {records / seconds, records / (processCpuSeconds() - cpu)};
}

// The stream read into Python, batch by batch, until the sender closes it.
StreamRun pythonStream(const py::object& monitor, const QByteArray& bytes, qint64& delivered,
                       quint64& dropped)
{
    const double cpu = processCpuSeconds();
    double seconds = 0;
    {
        feeder::Sender sender(bytes);
        const py::tuple run = monitor(sender.port());
        delivered = run[0].cast<qint64>();
        seconds = run[1].cast<double>();
        dropped = run[2].cast<quint64>();
    }
    return {double(delivered) / seconds, double(delivered) / (processCpuSeconds() - cpu)};
}

// The download measure; false when a download failed. Each round's pair of downloads shares the
// machine's load of the moment: the figure is the median of the rounds' ratios.
bool compareDownloads(Document& doc, quint16 port, const py::object& pythonDownload)
{
    std::vector<double> native;
    std::vector<double> fromPython;
    std::vector<double> ratios;
    for (int round = 0; round < REPEATS; ++round) {
        native.push_back(nativeDownload(doc, port));
        fromPython.push_back(pythonDownload().cast<double>());
        if (native.back() < 0) {
            std::printf("a download failed\n");
            return false;
        }
        ratios.push_back(fromPython.back() / native.back());
    }
    std::printf("download of %s (%d rounds, taking turns): operations %.2f ms, Python %.2f ms (medians); "
                "ratio Python/operations %.3f (median of the rounds; goal: at most 1.10)\n",
                "multi-sheet.vxt3", REPEATS, median(native), median(fromPython), median(ratios));
    return true;
}

// The stream measure; false when records were lost on the way.
bool compareStreams(const py::object& pythonMonitor)
{
    const QByteArray bytes = feeder::sequenceRecords(STREAM_RECORDS);
    StreamRun headless;
    StreamRun python;
    bool complete = true;
    for (int round = 0; round < STREAM_REPEATS; ++round) {
        const StreamRun reader = headlessStream(bytes);
        headless = {std::max(headless.perSecond, reader.perSecond),
                    std::max(headless.perCpuSecond, reader.perCpuSecond)};
        qint64 delivered = 0;
        quint64 dropped = 0;
        const StreamRun intoPython = pythonStream(pythonMonitor, bytes, delivered, dropped);
        python = {std::max(python.perSecond, intoPython.perSecond),
                  std::max(python.perCpuSecond, intoPython.perCpuSecond)};
        if (delivered + qint64(dropped) != STREAM_RECORDS) {
            std::printf("  Python run %d: %lld records delivered, %llu dropped, of %lld\n", round,
                        static_cast<long long>(delivered), static_cast<unsigned long long>(dropped),
                        static_cast<long long>(STREAM_RECORDS));
            complete = false;
        } else if (dropped > 0) {
            std::printf("  Python run %d: %llu records dropped (Python fell behind)\n", round,
                        static_cast<unsigned long long>(dropped));
        }
    }
    std::printf(
        "counter stream of %lld records (best of %d, taking turns): headless reader %.2f M records/s, "
        "monitor(batches=True) into Python %.2f M records/s; ratio Python/headless %.3f "
        "(goal: at least 0.50)\n",
        static_cast<long long>(STREAM_RECORDS), STREAM_REPEATS, headless.perSecond / 1e6,
        python.perSecond / 1e6, python.perSecond / headless.perSecond);
    std::printf("  per CPU second of the process (sender included): headless %.2f M records, Python %.2f M "
                "records; ratio %.3f\n",
                headless.perCpuSecond / 1e6, python.perCpuSecond / 1e6,
                python.perCpuSecond / headless.perCpuSecond);
    return complete;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ModuleMemory memory;
    TampServer server(&memory);
    if (!server.listen(QHostAddress(QHostAddress::LocalHost), 0)) {
        std::printf("cannot bind the simulator\n");
        return 2;
    }
    LoadedDocument loaded = LoadedDocument::fromFile(QString::fromUtf8(DOCUMENT));
    if (!loaded.document) {
        std::printf("%s\n", qPrintable(loaded.error));
        return 2;
    }

    py::scoped_interpreter python;
    py::module_::import("sys").attr("path").attr("insert")(0, VEXTOR_BINARY_DIR "/python");
    py::dict scope;
    scope["port"] = server.port();
    scope["path"] = DOCUMENT;
    scope["counters_path"] = COUNTER_DOCUMENT;
    py::exec(R"(
import time
import vextor
doc = vextor.Document.load(path)
module = vextor.Module("127.0.0.1", udp_port=port, timeout=4)
def download():
    began = time.perf_counter()
    module.download(doc)
    return (time.perf_counter() - began) * 1e3
counters = vextor.Document.load(counters_path)
def monitor(tcp_port):
    """Records delivered until the sender closes the stream, the seconds taken, records dropped."""
    began = time.perf_counter()
    stream = vextor.Module("127.0.0.1", tcp_port=tcp_port).monitor(counters, batches=True)
    delivered = 0
    try:
        for batch in stream:
            delivered += batch.records
    except vextor.CommunicationError:
        pass  # the end of the sender's records
    return delivered, time.perf_counter() - began, stream.dropped
)",
             scope);
    const bool downloads = compareDownloads(*loaded.document, server.port(), scope["download"]);
    const bool streams = compareStreams(scope["monitor"]);
    return downloads && streams ? 0 : 1;
}
