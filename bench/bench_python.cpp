// The Python module against the operations it binds, in one run against the in-process module
// simulator on loopback: the same download of the largest example, from C++ as vextor-cli runs it
// and from Python through vextor.Module, taking turns; the ratio of the median wall times.

#include "io/loadedDocument.h"
#include "operations/downloadOperation.h"
#include "operations/presetPrompts.h"
#include "sim/moduleMemory.h"
#include "sim/tampServer.h"

#include <pybind11/embed.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace py = pybind11;

namespace {
constexpr int REPEATS = 15;
const char* const DOCUMENT = VEXTOR_SOURCE_DIR "/examples/multi-sheet.vxt3";

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
    py::exec(R"(
import time
import vextor
doc = vextor.Document.load(path)
module = vextor.Module("127.0.0.1", udp_port=port, timeout=4)
def download():
    began = time.perf_counter()
    module.download(doc)
    return (time.perf_counter() - began) * 1e3
)",
             scope);
    const py::object pythonDownload = scope["download"];

    std::vector<double> native;
    std::vector<double> fromPython;
    for (int round = 0; round < REPEATS; ++round) {
        native.push_back(nativeDownload(*loaded.document, server.port()));
        fromPython.push_back(pythonDownload().cast<double>());
        if (native.back() < 0) {
            std::printf("a download failed\n");
            return 1;
        }
    }
    const double n = median(native);
    const double p = median(fromPython);
    std::printf("download of %s (median of %d, taking turns): operations %.2f ms, Python %.2f ms; "
                "ratio Python/operations %.3f (goal: at most 1.10)\n",
                "multi-sheet.vxt3", REPEATS, n, p, p / n);
    return 0;
}
