// Times the design preview: the largest example document run by both engines, the event-driven
// one the preview uses and the cycle engine it is proven against, with every input at 1 MHz
// (20 ns pulses, each channel at its own phase, then at random) and at a sparse 10 kHz. It prints
// how much module time one second of the engine's own processor time emulates (the best of three
// runs, so that other programs on the machine do not count) and checks that both engines report
// the same. Goals for the event-driven engine: real time at 1 MHz, fifty times real time at 10 kHz.

#include "emulator/previewRun.h"
#include "io/document.h"
#include "operations/previewSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

#include <ctime>

namespace {
QString largestExample()
{
    const QDir dir(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Size);
    return files.isEmpty() ? QString() : files.first().filePath();
}

struct Load
{
    const char* name;
    double hz;
    bool random;
    qint64 durationNs;
    double goal; // of real time, for the event-driven engine
};

QString everyInput(const Load& load)
{
    QString text;
    for (int ch = 0; ch < Stimulus::CHANNELS; ++ch) {
        const QString name = Stimulus::channelNames().at(ch);
        text += load.random ? QStringLiteral("%1 poisson rate=%2Hz width=20ns seed=%3\n")
                                  .arg(name)
                                  .arg(load.hz, 0, 'f', 0)
                                  .arg(ch + 1)
                            : QStringLiteral("%1 periodic period=%2ns width=20ns start=%3ns\n")
                                  .arg(name)
                                  .arg(qint64(1e9 / load.hz))
                                  .arg(37 * ch);
    }
    return text;
}

double threadSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The processor time of the fastest of three runs, and the report of the last.
double timeRun(const PreviewSetup& setup, const Stimulus& stimulus, qint64 durationNs,
               Emulator::Engine engine, QString& report)
{
    double best = 0;
    for (int round = 0; round < 3; ++round) {
        PreviewRun run(setup.image, stimulus, setup.names, durationNs, 0, engine);
        const double start = threadSeconds();
        run.runToEnd();
        const double seconds = threadSeconds() - start;
        best = round == 0 ? seconds : qMin(best, seconds);
        report = run.report();
    }
    return best;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    const QString file = largestExample();
    QFile f(file);
    Document doc;
    PreviewSetup setup;
    QString error;
    if (!f.open(QIODevice::ReadOnly) || !doc.parseFile(f.readAll()) ||
        !PreviewSetup::fromDiagram(*doc.diagram(), setup, error)) {
        out << "cannot compile " << file << ": " << error << Qt::endl;
        return 1;
    }
    out << "bench_preview: " << QFileInfo(file).fileName()
        << ", module time emulated per second of processor time (one core)" << Qt::endl;
    const Load loads[] = {{"periodic", 1e6, false, 20'000'000, 1.0},
                          {"poisson ", 1e6, true, 20'000'000, 1.0},
                          {"poisson ", 1e4, true, 1'000'000'000, 50.0}};
    bool bAllMet = true;
    for (const Load& load : loads) {
        Stimulus stimulus;
        if (!Stimulus::parse(everyInput(load), stimulus, error)) {
            out << error << Qt::endl;
            return 1;
        }
        QString eventReport;
        QString cycleReport;
        const double event = timeRun(setup, stimulus, load.durationNs, Emulator::EventDriven, eventReport);
        const double cycle = timeRun(setup, stimulus, load.durationNs, Emulator::CycleByCycle, cycleReport);
        const double eventRatio = double(load.durationNs) / 1e9 / event;
        const double cycleRatio = double(load.durationNs) / 1e9 / cycle;
        const bool bMet = eventRatio >= load.goal;
        bAllMet = bAllMet && bMet;
        out << QStringLiteral("  %1 %2 on every input, %3: event-driven %4 of real time (goal %5: %6), "
                              "cycle engine %7, %8 times faster%9")
                   .arg(QLatin1String(load.name), PreviewRun::formatRate(load.hz).leftJustified(6),
                        PreviewRun::formatTime(load.durationNs))
                   .arg(eventRatio, 0, 'f', 2)
                   .arg(load.goal, 0, 'f', 1)
                   .arg(bMet ? "met" : "MISSED")
                   .arg(cycleRatio, 0, 'f', 2)
                   .arg(cycle / event, 0, 'f', 1)
                   .arg(eventReport == cycleReport ? "" : "; THE ENGINES DIFFER")
            << Qt::endl;
        if (eventReport != cycleReport)
            return 1;
    }
    return bAllMet ? 0 : 2;
}
