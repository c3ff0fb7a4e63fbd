#include "pyDocument.h"

#include "conversions.h"
#include "errors.h"
#include "pyModule.h"
#include "qtRuntime.h"

#include "emulator/previewRun.h"
#include "emulator/stimulus.h"
#include "emulator/timing.h"
#include "io/documentFile.h"
#include "io/loadedDocument.h"
#include "model/imageCapture.h"
#include "operations/documentReports.h"
#include "operations/operationTexts.h"
#include "operations/previewSetup.h"

#include <QFileInfo>
#include <QTextDocument>

#include <cmath>

PyDocument::PyDocument(std::unique_ptr<Document> document, const QString& path, const QString& name)
    : m_document(std::move(document))
    , m_path(path)
    , m_name(name)
{}

void PyDocument::setPath(const QString& path)
{
    m_path = path;
    m_name = QFileInfo(path).completeBaseName();
}

std::unique_lock<std::mutex> PyDocument::lock()
{
    py::gil_scoped_release released;
    return std::unique_lock<std::mutex>(m_mutex);
}

std::shared_ptr<PyDocument> documentFromXml(const QByteArray& xml, const QString& name)
{
    ensureQtApplication();
    auto document = std::make_unique<Document>();
    if (!document->parseFile(xml)) {
        const QString error =
            document->errorText().isEmpty() ? OperationText::NOT_A_DOCUMENT : document->errorText();
        raiseVerdict(FILE_FAILURE, error);
    }
    return std::make_shared<PyDocument>(std::move(document), QString(), name);
}

py::object drcReport(const QString& report)
{
    const DrcLines drc = DrcLines::of(report);
    return resultType("DrcReport")(toPyList(drc.lines), toPyList(drc.errors), toPyList(drc.warnings));
}

namespace {

using DocumentPtr = std::shared_ptr<PyDocument>;

DocumentPtr load(const py::object& path)
{
    ensureQtApplication();
    const QString fileName = pathArgument(path);
    LoadedDocument loaded = LoadedDocument::fromFile(fileName);
    if (!loaded.document)
        raiseVerdict(FILE_FAILURE, loaded.error, py::dict(py::arg("filename") = toPy(fileName)));
    for (const QString& notice : qAsConst(loaded.notices))
        warnNotice(fileName + QStringLiteral(": ") + notice);
    auto doc = std::make_shared<PyDocument>(std::move(loaded.document), QString(), QString());
    doc->setPath(fileName);
    return doc;
}

DocumentPtr fromXml(const py::object& data, const std::string& name)
{
    const std::string bytes =
        py::isinstance<py::str>(data) ? data.cast<std::string>() : py::bytes(data).cast<std::string>();
    return documentFromXml(QByteArray(bytes.data(), int(bytes.size())), toQString(name));
}

py::list image(PyDocument& self)
{
    const auto locked = self.lock();
    ImageCapture capture;
    try {
        self.document().diagram()->download(&capture);
    } catch (const QString& message) {
        raiseVerdict(verdictName(Verdict::ExpressionError), message);
    }
    const py::object write = resultType("RegisterWrite");
    py::list writes;
    for (const ImageCapture::Byte& byte : capture.bytes())
        writes.append(write(byte.first, byte.second));
    return writes;
}

py::object drc(PyDocument& self)
{
    const auto locked = self.lock();
    QTextDocument report;
    self.document().diagram()->drc(&report);
    return drcReport(report.toPlainText());
}

py::object truthTable(PyDocument& self, const std::string& blockName)
{
    const auto locked = self.lock();
    const QString name = toQString(blockName);
    const NIMLogic* logic = LogicBlockTable::find(*self.document().diagram(), name);
    if (!logic)
        raiseVerdict(NO_SUCH_BLOCK,
                     QStringLiteral("%1: no PreLogic or PostLogic block of that name.").arg(name));
    const LogicBlockTable table = LogicBlockTable::of(*logic);
    if (!table.error.isEmpty())
        raiseVerdict(verdictName(Verdict::ExpressionError), table.error);
    const py::object operandType = resultType("Operand");
    const py::object rowType = resultType("TruthTableRow");
    py::list operands;
    for (const LogicBlockTable::Operand& operand : table.operands)
        operands.append(operandType(toPy(operand.name), operand.net.isEmpty()
                                                            ? py::object(py::none())
                                                            : py::object(toPy(operand.net))));
    py::list rows;
    for (const LogicBlockTable::Row& row : table.rows) {
        py::tuple inputs(size_t(row.inputs.size()));
        for (int i = 0; i < row.inputs.size(); ++i)
            inputs[size_t(i)] = row.inputs.at(i);
        rows.append(rowType(inputs, row.output));
    }
    return resultType("TruthTable")(toPy(table.block), toPy(table.expression), operands, rows, table.allRows,
                                    table.trueRows, toPy(table.minimalForm), toPy(table.text));
}

// The run length asked for: None (the stimulus's own), a time text as vextor-cli's --duration
// takes it ("200us"), or seconds.
qint64 durationArgument(const py::object& duration)
{
    if (duration.is_none())
        return 0;
    QString text;
    if (py::isinstance<py::str>(duration)) {
        text = toQString(duration.cast<std::string>());
    } else {
        const double seconds = duration.cast<double>();
        if (!std::isfinite(seconds) || seconds <= 0 || seconds > 1e3)
            throw py::value_error("duration needs a time from 5ns to 10s");
        text = QString::number(std::llround(seconds * 1e9)) + QStringLiteral("ns");
    }
    qint64 ns = 0;
    if (!Stimulus::parseTime(text, ns) || ns < Timing::CLOCK_NS)
        throw py::value_error(
            QStringLiteral("duration needs a time from 5ns to 10s: %1").arg(text).toStdString());
    return ns;
}

py::object previewSummary(const PreviewRun& run, const QString& title, const QString& vcd)
{
    const PreviewRun::Summary s = run.summary();
    const py::object outputType = resultType("OutputSummary");
    const py::object counterType = resultType("CounterSummary");
    py::list outputs;
    for (const PreviewRun::OutputSummary& o : s.outputs)
        outputs.append(outputType(o.channel, toPy(o.name), o.pulses, o.rateHz));
    py::list counters;
    for (const PreviewRun::CounterSummary& c : s.counters)
        counters.append(counterType(c.counter, toPy(c.name), c.records, c.sum, c.last, toPy(c.unit)));
    return resultType("Preview")(s.emulatedNs, s.cycles, outputs, counters,
                                 vcd.isEmpty() ? py::object(py::none()) : py::object(toPy(vcd)),
                                 s.traceEndNs >= 0, toPy(title + QLatin1Char('\n') + run.report()));
}

// Cycles emulated between two looks at Ctrl+C: some milliseconds of work.
constexpr qint64 PREVIEW_SLICE_CYCLES = 200'000;

py::object preview(PyDocument& self, const py::object& stimulusPath, const py::object& duration,
                   const py::object& vcdPath)
{
    const QString stimulusFile = pathArgument(stimulusPath);
    const qint64 durationNs = durationArgument(duration);
    const QString vcd = vcdPath.is_none() ? QString() : pathArgument(vcdPath);
    const auto locked = self.lock();
    PreviewSetup setup;
    QString error;
    if (!PreviewSetup::fromDiagram(*self.document().diagram(), setup, error))
        raiseVerdict(verdictName(Verdict::ExpressionError), error);
    Stimulus stimulus;
    if (!Stimulus::load(stimulusFile, stimulus, error, setup.inputAliases))
        raiseVerdict(FILE_FAILURE, error, py::dict(py::arg("filename") = toPy(stimulusFile)));
    PreviewRun run(setup.image, stimulus, setup.names, PreviewRun::durationFor(stimulus, durationNs),
                   vcd.isEmpty() ? 0 : PreviewRun::DEFAULT_TRACE_LIMIT);
    for (bool more = true; more;) {
        {
            py::gil_scoped_release released;
            more = run.advance(PREVIEW_SLICE_CYCLES);
        }
        checkPythonSignals();
    }
    const QString docName = self.path().isEmpty() ? self.name() : QFileInfo(self.path()).fileName();
    const QString title =
        QStringLiteral("Preview of %1 with %2").arg(docName, QFileInfo(stimulusFile).fileName());
    if (!vcd.isEmpty() && !savePreviewVcd(vcd, run, title, error))
        raiseVerdict(FILE_FAILURE, error, py::dict(py::arg("filename") = toPy(vcd)));
    return previewSummary(run, title, vcd);
}

void save(PyDocument& self, const py::object& path)
{
    const QString fileName = pathArgument(path);
    const auto locked = self.lock();
    QString error;
    if (!DocumentFile::save(self.document(), fileName, &error))
        raiseVerdict(FILE_FAILURE, QStringLiteral("%1: %2").arg(fileName, error),
                     py::dict(py::arg("filename") = toPy(fileName)));
    self.setPath(fileName);
}

py::bytes toXml(PyDocument& self)
{
    const auto locked = self.lock();
    return toPyBytes(self.document().toXml());
}

} // namespace

void bindDocument(py::module_& m)
{
    py::class_<PyDocument, DocumentPtr>(m, "Document",
                                        R"(A Vextor document (.vxt3): a diagram of the module's resources.

Load one with Document.load(path); a Module's rom_restore() and sync() return the document
stored in the module's ROM. Nothing here talks to a module.)")
        .def_static("load", &load, py::arg("path"),
                    R"(Reads a document file. Raises FileError when it cannot be read or is no
Vextor document; what the reader noticed (a setting it ignored) comes as a Notice warning.)")
        .def_static("from_xml", &fromXml, py::arg("data"), py::arg("name") = "",
                    "A document from its XML text (bytes or str). Raises FileError when it is none.")
        .def("image", &image,
             R"(The register writes a download of the document makes: a list of RegisterWrite
(address, byte) in write order. Raises ExpressionError when a logic expression does not compile.)")
        .def("drc", &drc, "The design rule check: a DrcReport with its errors, warnings and lines.")
        .def("truth_table", &truthTable, py::arg("block_name"),
             R"(The truth table of a PreLogic or PostLogic block, named by its resource name
("PreLgc0") or its user name: a TruthTable with the operands, the rows and a minimal form.
Raises NoSuchBlockError or ExpressionError.)")
        .def("preview", &preview, py::arg("stimulus_path"), py::arg("duration") = py::none(),
             py::arg("vcd") = py::none(),
             R"(Runs the document's register image in the emulator on the test pulses of a
stimulus file, as vextor-cli preview does: a Preview with per output its pulses and rate and per
measure counter its records. duration overrides the stimulus's: a time text ("200us") or seconds.
With vcd, the waveforms are written to that file. Ctrl+C stops a long run.)")
        .def("save", &save, py::arg("path"),
             "Writes the document to a file (atomically: the old file stays until the new one is complete).")
        .def("to_xml", &toXml, "The document's XML text, as save() writes it.")
        .def_property_readonly(
            "path",
            [](const PyDocument& self) {
                return self.path().isEmpty() ? py::object(py::none()) : py::object(toPy(self.path()));
            },
            "The file it was read from or last saved to; None for a document from the module.")
        .def_property_readonly(
            "name", [](const PyDocument& self) { return toPy(self.name()); },
            R"(Its name: the file name without extension, or for a document from the module's ROM
the name the module gives it ("ROM4-run 7").)")
        .def("__repr__", [](const PyDocument& self) {
            return toPy(QStringLiteral("<vextor.Document %1>")
                            .arg(self.path().isEmpty() ? self.name() : self.path()));
        });
}
