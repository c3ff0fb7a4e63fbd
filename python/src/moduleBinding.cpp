#include "pyModule.h"

#include "conversions.h"
#include "errors.h"
#include "pyDocument.h"
#include "qtRuntime.h"

#include "device/connectionOptions.h"
#include "device/netSetup.h"
#include "operations/downloadOperation.h"
#include "operations/moduleOperations.h"
#include "operations/operationTexts.h"
#include "operations/romOperations.h"

#include <pybind11/stl.h>

#include <QFileInfo>

#include <cmath>

namespace {

py::object optional(bool present, const py::object& value)
{
    return present ? value : py::none();
}

void checkSlot(int slot)
{
    if (slot < 0 || slot >= QUdpThread::ROM_SLOTS)
        throw py::value_error("slot must be 0 to 15");
}

void checkPort(int port, const char* name)
{
    if (port < 1 || port > 0xFFFF)
        throw py::value_error(std::string(name) + " must be 1 to 65535");
}

// A document read back from the module: Done gives it, the other verdicts raise (a damaged slot,
// or one whose document does not describe the registers, with the stored bytes and the first
// mismatch).
std::shared_ptr<PyDocument> storedDocument(const OperationOutcome& outcome)
{
    if (!outcome.isDone()) {
        py::dict details;
        if (outcome.verdict == Verdict::DamagedSlot || outcome.verdict == Verdict::RegistersDiffer) {
            details["document"] = toPyBytes(outcome.document);
            details["first_mismatch"] = py::none();
            if (outcome.firstMismatch)
                details["first_mismatch"] =
                    resultType("Mismatch")(outcome.firstMismatch->address, outcome.firstMismatch->document,
                                           optional(bool(outcome.firstMismatch->module),
                                                    py::cast(outcome.firstMismatch->module.value_or(0))));
        }
        if (!outcome.documentName.isEmpty())
            details["name"] = toPy(outcome.documentName);
        raiseOutcome(outcome, details);
    }
    warnNotice(outcome.notice);
    return documentFromXml(outcome.document, outcome.documentName);
}

// The outcome of an operation that returns nothing but its success.
void check(const OperationOutcome& outcome)
{
    if (!outcome.isDone())
        raiseOutcome(outcome);
    warnNotice(outcome.notice);
}

py::object verifyResult(const OperationOutcome& outcome)
{
    const py::object differenceType = resultType("Difference");
    py::list differences;
    for (const ImageDifference& d : outcome.differences)
        differences.append(differenceType(toPy(d.setting), d.address, optional(d.bit >= 0, py::cast(d.bit)),
                                          d.module, d.document));
    py::object first = py::none();
    if (outcome.firstMismatch) {
        const RegisterMismatch& m = *outcome.firstMismatch;
        first = resultType("Mismatch")(m.address, m.document,
                                       optional(bool(m.module), py::cast(m.module.value_or(0))));
    }
    return resultType("VerifyResult")(outcome.isDone(), first, differences, toPy(outcome.message),
                                      toPy(outcome.detail));
}

py::object verify(PyModule& self, PyDocument& doc, bool strict)
{
    const auto locked = doc.lock();
    PythonPrompts prompts;
    VerifyOperation operation(self.target, *doc.document().diagram(), prompts);
    const OperationOutcome& outcome = runOperation(operation);
    if (outcome.verdict != Verdict::Done && outcome.verdict != Verdict::Mismatch)
        raiseOutcome(outcome);
    warnNotice(outcome.notice);
    const py::object result = verifyResult(outcome);
    if (strict && !outcome.isDone())
        raiseVerdict(verdictName(Verdict::Mismatch), outcome.message, py::dict(py::arg("result") = result));
    return result;
}

py::object download(PyModule& self, PyDocument& doc, bool verifyAfter, const py::object& progress)
{
    py::object report;
    {
        const auto locked = doc.lock();
        PythonPrompts prompts;
        DownloadOperation operation(self.target, *doc.document().diagram(), prompts);
        OperationOutcome outcome = runOperation(operation, progress);
        report = drcReport(outcome.report);
        if (!outcome.isDone()) {
            if (outcome.verdict == Verdict::DrcErrors)
                outcome.message = outcome.report.trimmed();
            raiseOutcome(outcome, py::dict(py::arg("report") = report,
                                           py::arg("partly_written") = outcome.bPartlyWritten));
        }
        warnNotice(prompts.warnings.trimmed());
        warnNotice(outcome.notice);
    }
    if (verifyAfter)
        verify(self, doc, true);
    return report;
}

py::object status(PyModule& self)
{
    StatusOperation operation(self.target);
    const OperationOutcome& outcome = runOperation(operation);
    check(outcome);
    const ModuleStatus& s = outcome.status;
    py::list comments;
    if (s.hasRomInformation()) {
        for (int slot = 0; slot < QUdpThread::ROM_SLOTS; ++slot)
            comments.append(toPy(s.comment(slot)));
    }
    return resultType("Status")(toPy(QString::fromLatin1(s.version())), toPyBytes(s.version()),
                                s.protectRegister(), s.registersProtected(), s.romWritingEnabled(),
                                s.hasRomInformation(),
                                optional(s.hasRomInformation(), py::cast(s.bootSlot())), comments);
}

py::object protect(PyModule& self, std::optional<bool> current, std::optional<bool> boot)
{
    PythonPrompts prompts;
    prompts.current = current;
    prompts.boot = boot;
    ProtectOperation operation(self.target, prompts);
    const OperationOutcome& outcome = runOperation(operation);
    check(outcome);
    return resultType("Protection")(outcome.protection.current, outcome.protection.boot);
}

int userControl(PyModule& self, std::optional<int> word)
{
    if (word && (*word < 0 || *word > 0xFFFF))
        throw py::value_error("word must be 0 to 0xFFFF");
    UserControlOperation operation(self.target, word ? std::optional<quint16>(quint16(*word)) : std::nullopt);
    check(runOperation(operation));
    return operation.word();
}

py::object eeprom(PyModule& self)
{
    EepromReadOperation operation(self.target);
    const OperationOutcome& outcome = runOperation(operation);
    check(outcome);
    py::dict fields;
    for (const NetSetup::EepromField& field : NetSetup::eepromFields(outcome.data)) {
        const QVariant& v = field.value;
        fields[toPy(field.key)] = v.type() == QVariant::String ? py::object(toPy(v.toString()))
                                                               : py::object(py::int_(v.toLongLong()));
    }
    fields["text"] = toPy(outcome.message);
    return resultType("EepromSettings")(**fields);
}

void setNetwork(PyModule& self, const std::string& ip, std::optional<int> tcpPort, std::optional<int> udpPort)
{
    NetSetup settings;
    const QString warning =
        settings.setNewSettings(toQString(ip), QString::number(tcpPort.value_or(self.target.tcpPort)),
                                QString::number(udpPort.value_or(self.target.udpPort)));
    if (!warning.isEmpty())
        throw py::value_error(warning.toStdString());
    EepromWriteOperation operation(self.target, settings);
    check(runOperation(operation));
}

void romSave(PyModule& self, PyDocument& doc, int slot, const std::string& comment, bool boot, bool force,
             const py::object& progress)
{
    checkSlot(slot);
    PythonPrompts prompts;
    prompts.slot = slot;
    prompts.comment = toQString(comment);
    if (prompts.comment.isEmpty()) // as vextor-cli: the file's name, else the document's
        prompts.comment = doc.path().isEmpty() ? doc.name() : QFileInfo(doc.path()).fileName();
    const QString problem = OperationText::commentProblem(prompts.comment);
    if (!problem.isEmpty())
        throw py::value_error(problem.toStdString());
    prompts.bBoot = boot;
    prompts.bForce = force;
    const auto locked = doc.lock();
    RomOperation operation(self.target, RomCommand::Save, prompts, &doc.document());
    OperationOutcome outcome = runOperation(operation, progress);
    if (outcome.verdict == Verdict::NotDownloaded && outcome.message.isEmpty())
        outcome.message = prompts.refusal;
    check(outcome);
}

std::shared_ptr<PyDocument> romRestore(PyModule& self, int slot, const py::object& progress)
{
    checkSlot(slot);
    PythonPrompts prompts;
    prompts.slot = slot;
    RomOperation operation(self.target, RomCommand::Restore, prompts);
    return storedDocument(runOperation(operation, progress));
}

void romBoot(PyModule& self, int slot)
{
    checkSlot(slot);
    PythonPrompts prompts;
    prompts.slot = slot;
    RomOperation operation(self.target, RomCommand::BootNum, prompts);
    check(runOperation(operation));
}

void romInit(PyModule& self, const py::object& progress)
{
    PythonPrompts prompts;
    RomInitOperation operation(self.target, prompts);
    check(runOperation(operation, progress));
}

std::shared_ptr<PyDocument> syncDocument(PyModule& self)
{
    SyncOperation operation(self.target);
    return storedDocument(runOperation(operation));
}

py::bytes readRegisters(PyModule& self, quint32 address, int length)
{
    if (length < 1 || length > 0x10000)
        throw py::value_error("length must be 1 to 65536");
    ReadOperation operation(self.target, address, length);
    const OperationOutcome& outcome = runOperation(operation);
    check(outcome);
    return toPyBytes(outcome.data);
}

void counterGate(PyModule& self, int counter, bool start)
{
    if (counter < 0 || counter >= CounterMonitorSetup::COUNTERS)
        throw py::value_error("counter must be 0 to 3");
    CounterGateOperation operation(self.target, counter, start);
    check(runOperation(operation));
}

} // namespace

PyModule::PyModule(const std::string& host, int udpPort, int tcpPort, double timeout)
    : target(InfoOstrum::defaults(false))
{
    if (applyConnectionOption('h', toQString(host), target) != OptionResult::Stored)
        throw py::value_error("host must be the module's IP address: " + host);
    checkPort(udpPort, "udp_port");
    checkPort(tcpPort, "tcp_port");
    target.udpPort = quint16(udpPort);
    target.tcpPort = quint16(tcpPort);
    // The link waits in whole seconds per attempt.
    const double seconds = std::ceil(timeout);
    QString message;
    if (!std::isfinite(timeout) || timeout <= 0 || !InfoOstrum::isTimeoutInRange(qint64(seconds), &message))
        throw py::value_error(message.isEmpty() ? std::string("timeout must be more than 0 seconds")
                                                : message.toStdString());
    target.timeout = int(seconds);
}

void bindModule(py::module_& m)
{
    py::class_<PyModule> module(m, "Module",
                                R"(A logic module on the network, reached by its register access (UDP) and its
counter stream (TCP).

Every method runs one device operation to its end, as vextor-cli does, with the GIL released;
Ctrl+C stops it cleanly and raises KeyboardInterrupt. An operation that does not end done
raises a vextor.Error subclass; what it noticed on the way comes as a vextor.Notice warning.)");
    module
        .def(py::init<const std::string&, int, int, double>(), py::arg("host"), py::arg("udp_port") = 4660,
             py::arg("tcp_port") = 24, py::arg("timeout") = 4.0,
             R"(host: the module's IP address; udp_port: its register access; tcp_port: its counter
stream; timeout: how long each attempt of a register access waits for the reply, in seconds
(whole seconds, rounded up; at most 60).)")
        .def_property_readonly(
            "host", [](const PyModule& self) { return toPy(self.target.strAddr); },
            "The module's IP address.")
        .def_property_readonly(
            "udp_port", [](const PyModule& self) { return self.target.udpPort; },
            "The module's UDP port of the register access.")
        .def_property_readonly(
            "tcp_port", [](const PyModule& self) { return self.target.tcpPort; },
            "The module's TCP port of the counter stream.")
        .def_property_readonly(
            "timeout", [](const PyModule& self) { return self.target.timeout; },
            "The reply time-out per attempt in seconds.")
        .def("__repr__",
             [](const PyModule& self) {
                 return toPy(QStringLiteral("<vextor.Module %1 udp=%2 tcp=%3>")
                                 .arg(self.target.strAddr)
                                 .arg(self.target.udpPort)
                                 .arg(self.target.tcpPort));
             })
        .def("download", &download, py::arg("doc"), py::arg("verify") = false,
             py::arg("progress") = py::none(),
             R"(Checks the document and writes its register image to the module.

The design rule check's errors refuse it (DrcError), and so does an expression that does not
compile (ExpressionError) or a write-protected module (WriteProtectedError); its warnings come
as a Notice. Returns the DrcReport. With verify=True the module is then verified and a mismatch
raises MismatchError. progress, if given, is called as progress(label, maximum, value). A failure
after the first write sets partly_written on the error: the module then holds a partly written
configuration.)")
        .def("verify", &verify, py::arg("doc"), py::arg("strict") = false,
             R"(Reads the module's registers back and compares them with the document: a
VerifyResult with matched, first_mismatch and every setting that differs (differences). With
strict=True a mismatch raises MismatchError (its result attribute holds the VerifyResult).)")
        .def("status", &status,
             "The module's version, protection and ROM slots (boot slot and comments): a Status.")
        .def("protect", &protect, py::arg("current") = py::none(), py::arg("boot") = py::none(),
             R"(Shows or sets the write protection: current for the registers now, boot for the
value the module applies at boot (True protects, None leaves it). Returns the Protection the
module has afterwards.)")
        .def("user_control", &userControl, py::arg("word") = py::none(),
             "Writes the 16-bit user-control word when given, then returns the word the module holds.")
        .def("eeprom", &eeprom, "The network settings in the module's EEPROM: an EepromSettings.")
        .def("set_network", &setNetwork, py::arg("ip"), py::arg("tcp_port") = py::none(),
             py::arg("udp_port") = py::none(),
             R"(Writes new network settings into the module's EEPROM (the ports default to this
Module's); they take effect once the module is rebooted. ValueError for an invalid address or port.)")
        .def("rom_save", &romSave, py::arg("doc"), py::arg("slot"), py::arg("comment") = "",
             py::arg("boot") = false, py::arg("force") = false, py::arg("progress") = py::none(),
             R"(Stores the module's registers and the document in ROM slot 0..15 with a comment
(by default the document's file name); boot=True also makes the module boot from it. A module
that does not hold the document refuses (NotDownloadedError) unless force=True. MemoryFullError:
the registers are stored but the ROM had no room for the document.)")
        .def("rom_restore", &romRestore, py::arg("slot"), py::arg("progress") = py::none(),
             R"(Loads ROM slot 0..15 into the module's registers and returns the Document stored
with it. NoDataError when the slot holds none, DamagedSlotError when it cannot be trusted.)")
        .def("rom_boot", &romBoot, py::arg("slot"), "Makes the module boot from ROM slot 0..15.")
        .def("rom_init", &romInit, py::arg("progress") = py::none(),
             "Initialises the ROM area: every slot, comment and stored document is cleared.")
        .def("sync", &syncDocument,
             R"(The Document stored for the ROM slot the module's registers were loaded from.
RegistersModifiedError when they changed since, NoDataError when the slot holds none.)")
        .def("read_registers", &readRegisters, py::arg("address"), py::arg("length"),
             "Reads length bytes of the module's register space from address, as bytes.")
        .def(
            "start_counter", [](PyModule& self, int counter) { counterGate(self, counter, true); },
            py::arg("counter"), "Starts a measure counter whose gate software controls (0..3).")
        .def(
            "stop_counter", [](PyModule& self, int counter) { counterGate(self, counter, false); },
            py::arg("counter"), "Stops a measure counter whose gate software controls (0..3).");
    bindMonitor(m, module);
}
