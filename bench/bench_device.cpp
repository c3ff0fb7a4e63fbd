// Times a full register download and a full verify against the in-process module simulator on
// loopback, and relates the wall time to the number of stop-and-wait exchanges times one
// loopback round trip measured in the same run.

#include "device/qUdpThread.h"
#include "model/blockDiagram.h"
#include "sim/moduleMemory.h"
#include "sim/tampServer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTextDocument>
#include <QTextStream>

#include <algorithm>
#include <functional>
#include <vector>

namespace {
constexpr int RTT_SAMPLES = 100; // per round
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

// Times one-byte reads, each a full datagram round trip, adding the samples to a list kept over
// all rounds.
class RoundTripProbe : public QTamp
{
public:
    explicit RoundTripProbe(std::vector<double>* samples)
        : m_pSamples(samples)
    {}

protected:
    void run() override
    {
        startUDP();
        char byte = 0;
        try {
            for (int i = 0; i < RTT_SAMPLES; ++i) {
                QElapsedTimer timer;
                timer.start();
                Read(0, &byte);
                m_pSamples->push_back(double(timer.nsecsElapsed()) / 1e6);
            }
            m_bFinished = true;
        } catch (...) {
        }
        closeSocket();
    }

private:
    std::vector<double>* m_pSamples;
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

// One job per round; the figures of the last run with the median and best wall times.
struct Series
{
    Figures last;
    std::vector<double> walls;

    bool add(const Figures& f)
    {
        last = f;
        walls.push_back(f.wallMs);
        return f.ok;
    }
    Figures summary() const
    {
        Figures f = last;
        f.wallMs = median(walls);
        f.minWallMs = *std::min_element(walls.begin(), walls.end());
        return f;
    }
};

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

    // Round trips, downloads and verifies take turns, so that all see the same machine load.
    BlockDiagram diagram;
    QTextDocument doc;
    std::vector<double> rtts;
    std::vector<double> computes;
    Series download;
    Series verify;
    bool ok = true;
    for (int round = 0; round < REPEATS && ok; ++round) {
        RoundTripProbe probe(&rtts);
        ok = runJob(server, probe).ok;

        NullSink sink;
        QElapsedTimer timer;
        timer.start();
        diagram.download(&sink);
        computes.push_back(double(timer.nsecsElapsed()) / 1e6);

        QUdpThread downloader;
        downloader.setData(&diagram, nullptr);
        ok = ok && download.add(runJob(server, downloader));
        QUdpThread verifier;
        verifier.setData(&diagram, &doc);
        ok = ok && verify.add(runJob(server, verifier));
    }
    if (!ok) {
        out << "a job failed\n";
        return 1;
    }
    const double rtt = median(rtts);
    out << "loopback round trip: " << QString::number(rtt * 1000.0, 'f', 1) << " us (median of "
        << rtts.size() << " one-byte reads)\n";
    report(out, "download", download.summary(), rtt, median(computes));
    report(out, "verify", verify.summary(), rtt, 0.0);
    return 0;
}
