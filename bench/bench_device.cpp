// Times a full register download and a full verify against the in-process module simulator on
// loopback, and relates the wall time to the number of stop-and-wait exchanges times one
// loopback round trip measured in the same run.

#include "blockDiagram.h"
#include "moduleMemory.h"
#include "qUdpThread.h"
#include "tampServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextDocument>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
constexpr int RTT_SAMPLES = 1000;
constexpr int REPEATS = 15;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Receives the image without sending it: the time the download spends computing.
class NullSink : public RegisterSink
{
public:
    int writeTAMP(quint8, quint32) override { return 1; }
    int writeTAMP(quint16, quint32) override { return 2; }
    int writeTAMP(quint32, quint32) override { return 4; }
    int writeTAMP() override { return 0; }
};

// Times one-byte reads, each a full datagram round trip; the median resists the other load of a
// shared machine.
class RoundTripProbe : public QTamp
{
public:
    double medianMs = 0.0;

protected:
    void run() override
    {
        startUDP();
        char byte = 0;
        std::vector<qint64> samples;
        try {
            for (int i = 0; i < RTT_SAMPLES; ++i) {
                QElapsedTimer timer;
                timer.start();
                Read(0, &byte);
                samples.push_back(timer.nsecsElapsed());
            }
            std::sort(samples.begin(), samples.end());
            medianMs = double(samples[samples.size() / 2]) / 1e6;
            m_bFinished = true;
        } catch (...) {
        }
        closeSocket();
    }
};

struct Figures
{
    bool ok = false;
    double wallMs = 0.0;
    double minWallMs = 0.0;
    TampServer::Stats stats;
};

Figures runJob(TampServer& server, QTamp& worker)
{
    Figures figures;
    server.resetStats();
    worker.SetTimeout(1);
    worker.SetIpAddress(QHostAddress(QHostAddress::LocalHost), server.port(), 0);
    QEventLoop loop;
    QObject::connect(&worker, &QTamp::closed, &loop, [&](bool ok) {
        figures.ok = ok;
        loop.quit();
    });
    QElapsedTimer timer;
    timer.start();
    worker.start();
    loop.exec();
    figures.wallMs = double(timer.nsecsElapsed()) / 1e6;
    worker.wait();
    figures.stats = server.stats();
    return figures;
}

// Runs a fresh worker REPEATS times; the figures of the last run with the median wall time.
Figures repeatJob(TampServer& server, const std::function<void(QUdpThread&)>& request)
{
    std::vector<double> walls;
    Figures last;
    for (int i = 0; i < REPEATS; ++i) {
        QUdpThread worker;
        request(worker);
        last = runJob(server, worker);
        if (!last.ok)
            return last;
        walls.push_back(last.wallMs);
    }
    last.wallMs = median(walls);
    last.minWallMs = *std::min_element(walls.begin(), walls.end());
    return last;
}

void report(QTextStream& out, const char* name, const Figures& f, double rttMs, double computeMs)
{
    const double budget = double(f.stats.requests) * rttMs;
    out << name << ": " << (f.ok ? "ok" : "FAILED") << "; datagrams " << f.stats.requests << " out ("
        << f.stats.writes << " writes, " << f.stats.reads << " reads), " << f.stats.replies << " in; bytes "
        << f.stats.bytesIn << " out, " << f.stats.bytesOut << " in; wall median "
        << QString::number(f.wallMs, 'f', 2) << " ms, best " << QString::number(f.minWallMs, 'f', 2)
        << " ms (of " << REPEATS << " runs); ratio wall/(datagrams x RTT) median "
        << QString::number(f.wallMs / budget, 'f', 2) << ", best "
        << QString::number(f.minWallMs / budget, 'f', 2);
    if (computeMs > 0.0)
        out << "; image computation " << QString::number(computeMs, 'f', 3) << " ms";
    out << "\n";
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    ModuleMemory memory;
    TampServer server(&memory);
    if (!server.listen(QHostAddress(QHostAddress::LocalHost), 0)) {
        out << "cannot bind the simulator\n";
        return 2;
    }

    RoundTripProbe probe;
    const Figures rtt = runJob(server, probe);
    out << "loopback round trip: " << QString::number(probe.medianMs * 1000.0, 'f', 1) << " us (median of "
        << RTT_SAMPLES << " one-byte reads)\n";

    BlockDiagram diagram;
    std::vector<double> computes;
    for (int i = 0; i < REPEATS; ++i) {
        NullSink sink;
        QElapsedTimer timer;
        timer.start();
        diagram.download(&sink);
        computes.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    const Figures download = repeatJob(server, [&](QUdpThread& w) { w.setData(&diagram, nullptr); });
    report(out, "download", download, probe.medianMs, median(computes));

    QTextDocument doc;
    const Figures verify = repeatJob(server, [&](QUdpThread& w) { w.setData(&diagram, &doc); });
    report(out, "verify", verify, probe.medianMs, 0.0);
    return rtt.ok && download.ok && verify.ok ? 0 : 1;
}
