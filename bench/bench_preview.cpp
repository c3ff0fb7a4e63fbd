// Times the design preview: the largest example document run in the emulator with every input
// at 1 MHz (20 ns pulses, each channel at its own phase, then at random), and prints how much
// module time one wall-clock second emulates. The goal is a tenth of real time on one core.

#include "emulator/previewRun.h"
#include "io/document.h"
#include "operations/previewSetup.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTextStream>

namespace {
QString largestExample()
{
    const QDir dir(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Size);
    return files.isEmpty() ? QString() : files.first().filePath();
}

QString everyInputAt1MHz(bool random)
{
    QString text;
    for (int ch = 0; ch < Stimulus::CHANNELS; ++ch) {
        const QString name = Stimulus::channelNames().at(ch);
        text += random
                    ? QStringLiteral("%1 poisson rate=1MHz width=20ns seed=%2\n").arg(name).arg(ch + 1)
                    : QStringLiteral("%1 periodic period=1us width=20ns start=%2ns\n").arg(name).arg(37 * ch);
    }
    return text;
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
    constexpr qint64 DURATION_NS = 20'000'000; // 20 ms of module time
    out << "bench_preview: " << QFileInfo(file).fileName() << ", every input at 1 MHz, "
        << PreviewRun::formatTime(DURATION_NS) << " emulated" << Qt::endl;
    for (const bool random : {false, true}) {
        Stimulus stimulus;
        if (!Stimulus::parse(everyInputAt1MHz(random), stimulus, error)) {
            out << error << Qt::endl;
            return 1;
        }
        PreviewRun run(setup.image, stimulus, setup.names, DURATION_NS);
        QElapsedTimer timer;
        timer.start();
        run.runToEnd();
        const double seconds = timer.nsecsElapsed() / 1e9;
        const double perSecond = DURATION_NS / seconds;
        out << QStringLiteral("  %1: %2 s wall, %3 ns emulated per second (%4 of real time; goal 0.1)")
                   .arg(random ? "poisson " : "periodic")
                   .arg(seconds, 0, 'f', 3)
                   .arg(perSecond, 0, 'g', 4)
                   .arg(perSecond / 1e9, 0, 'f', 3)
            << Qt::endl;
    }
    return 0;
}
