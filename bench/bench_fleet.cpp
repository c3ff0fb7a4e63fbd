// Times `vextor-cli fleet LIST download` to one simulated module and to sixteen at once, in one
// run, each simulator (a vextor-sim process) delaying every reply by 1 ms as a network and a
// module would. Also the sixteen with the default --jobs and one at a time (--jobs 1), the plain
// loop a script would run.

#include "cli/cliApp.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <memory>
#include <vector>

namespace {
constexpr int MODULES = 16;
constexpr int REPEATS = 5;
const QString SIM = QStringLiteral(VEXTOR_BINARY_DIR "/sim/vextor-sim");
const QString DOCUMENT = QStringLiteral(VEXTOR_SOURCE_DIR "/examples/multi-sheet.vxt3");

// A simulator on free loopback ports; its UDP port, or 0 when it did not start.
quint16 startSimulator(QProcess& process)
{
    process.start(SIM, {"--udp", "0", "--tcp", "0", "--delay", "1"});
    if (!process.waitForStarted(5000) || !process.waitForReadyRead(5000))
        return 0;
    const QRegularExpressionMatch m =
        QRegularExpression("^vextor-sim udp=(\\d+)").match(QString::fromLatin1(process.readLine()));
    return quint16(m.captured(1).toUInt());
}

// One fleet run in this process, as vextor-cli runs it; its wall time in ms, or -1 when a module
// failed.
double timeFleet(const QString& list, const QString& jobs)
{
    QStringList args{"vextor-cli", "-o", "1", "fleet", list, "download", "--jobs", jobs};
    std::vector<QByteArray> storage;
    std::vector<char*> argv;
    for (const QString& a : args)
        storage.push_back(a.toLocal8Bit());
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    QString outText, errText;
    QTextStream out(&outText), err(&errText);
    QElapsedTimer timer;
    timer.start();
    const int rc = CliApp::run(int(argv.size()) - 1, argv.data(), out, err);
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    if (rc != 0) {
        out.flush();
        err.flush();
        QTextStream(stderr) << outText << errText;
        return -1;
    }
    return ms;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> sims;
    QString all;
    for (int i = 0; i < MODULES; ++i) {
        sims.push_back(std::make_unique<QProcess>());
        const quint16 port = startSimulator(*sims.back());
        if (port == 0) {
            out << "bench_fleet: vextor-sim did not start (" << SIM << ")\n";
            return 1;
        }
        all += QStringLiteral("m%1 127.0.0.1:%2 %3\n").arg(i).arg(port).arg(DOCUMENT);
    }
    const QString oneList = dir.filePath("one.list");
    const QString allList = dir.filePath("all.list");
    QFile one(oneList), sixteen(allList);
    if (!one.open(QIODevice::WriteOnly) || !sixteen.open(QIODevice::WriteOnly))
        return 1;
    one.write(all.section('\n', 0, 0).toUtf8() + '\n');
    sixteen.write(all.toUtf8());
    one.close();
    sixteen.close();

    std::vector<double> oneMs, allMs, defaultMs, serialMs;
    timeFleet(allList, "16"); // warm up: every simulator has answered once
    for (int r = 0; r < REPEATS; ++r) {
        oneMs.push_back(timeFleet(oneList, "16"));
        allMs.push_back(timeFleet(allList, "16"));
        defaultMs.push_back(timeFleet(allList, "8"));
    }
    serialMs.push_back(timeFleet(allList, "1"));
    for (const auto* list : {&oneMs, &allMs, &defaultMs, &serialMs}) {
        if (std::any_of(list->begin(), list->end(), [](double ms) { return ms < 0; })) {
            out << "bench_fleet: a download failed\n";
            return 1;
        }
    }
    const double base = median(oneMs);
    out << "download of multi-sheet.vxt3, every reply delayed 1 ms, median of " << REPEATS << " runs\n";
    out << QString("  1 module                        %1 ms\n").arg(base, 8, 'f', 1);
    out << QString("  %1 modules at once (--jobs 16)   %2 ms  %3 x one  (goal: at most 3)\n")
               .arg(MODULES)
               .arg(median(allMs), 8, 'f', 1)
               .arg(median(allMs) / base, 0, 'f', 2);
    out << QString("  %1 modules, --jobs 8 (default)   %2 ms  %3 x one\n")
               .arg(MODULES)
               .arg(median(defaultMs), 8, 'f', 1)
               .arg(median(defaultMs) / base, 0, 'f', 2);
    out << QString("  %1 modules one at a time         %2 ms  %3 x one (one run)\n")
               .arg(MODULES)
               .arg(serialMs.front(), 8, 'f', 1)
               .arg(serialMs.front() / base, 0, 'f', 2);
    for (auto& sim : sims) {
        sim->kill();
        sim->waitForFinished(2000);
    }
    return 0;
}
