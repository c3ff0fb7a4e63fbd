#include "conversions.h"
#include "errors.h"
#include "pyDocument.h"
#include "pyModule.h"
#include "pyMonitor.h"

#include "device/counterValueFormat.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <array>
#include <cmath>
#include <optional>
#include <utility>

namespace {

constexpr int COUNTERS = CounterMonitorSetup::COUNTERS;
// Records taken from the queue at a time when Python iterates them one by one.
constexpr std::size_t RECORD_SLICE = 4096;
// A batch gathers what comes within this time after its first record, unless this many come sooner:
// few, large batches from a fast stream, and still several a second from a slow one.
constexpr int BATCH_GATHER_MS = 20;
constexpr std::size_t BATCH_GATHER = 65536;
constexpr std::size_t DEFAULT_CAPACITY = std::size_t(1) << 22;
constexpr double MAX_SECONDS = 365.0 * 24 * 3600;

// The monitor as Python holds it: the session's records handed out one by one or in batches.
class MonitorHandle
{
public:
    MonitorHandle(std::unique_ptr<PyMonitor> monitor, bool bBatches)
        : m_monitor(std::move(monitor))
        , m_bBatches(bBatches)
        , m_recordType(resultType("Record"))
        , m_batchType(resultType("Batch"))
    {
        for (int c = 0; c < COUNTERS; ++c) {
            m_format[c] = CounterValueFormat(m_monitor->setup().unit[c]);
            m_unit[c] = toPy(m_monitor->setup().unit[c]);
        }
    }

    py::object next() { return m_bBatches ? nextBatch() : nextRecord(); }

    void stop(bool bRaiseProblems)
    {
        m_monitor->stop();
        if (bRaiseProblems)
            m_monitor->raiseProblems(details());
    }

    bool isBatches() const { return m_bBatches; }
    const PyMonitor& monitor() const { return *m_monitor; }

    // Per counter of the document what it delivered: records and the sum of their values.
    py::list totals() const
    {
        const MonitorProgress p = m_monitor->progress();
        const CounterMonitorSetup& setup = m_monitor->setup();
        const py::object type = resultType("CounterTotal");
        py::list list;
        for (int c = 0; c < COUNTERS; ++c) {
            if (setup.mode[c] >= 0)
                list.append(
                    type(c, toPy(setup.name[c]), p.totals[c].records, p.totals[c].integration, m_unit[c]));
        }
        return list;
    }

    py::list logs() const
    {
        const MonitorProgress p = m_monitor->progress();
        const py::object type = resultType("CounterLog");
        py::list list;
        for (int c = 0; c < COUNTERS; ++c) {
            if (!p.logFile[c].isEmpty())
                list.append(type(c, toPy(m_monitor->setup().name[c]), p.logged[c], toPy(p.logFile[c])));
        }
        return list;
    }

private:
    py::dict details() const { return py::dict(py::arg("totals") = totals(), py::arg("logs") = logs()); }

    // The run has ended and every record is out: its problems raise, else the iteration ends.
    [[noreturn]] void finish()
    {
        stop(true);
        throw py::stop_iteration();
    }

    py::object nextRecord()
    {
        if (m_next >= m_pending.size()) {
            m_pending = m_monitor->take(RECORD_SLICE);
            m_pendingMsecs = m_pending.msecs();
            m_next = 0;
            if (m_pending.empty())
                finish();
        }
        const std::size_t i = m_next++;
        const int c = m_pending.counter(i);
        return m_recordType(c, m_format[c].value(m_pending.value(i)), m_unit[c],
                            double(m_pendingMsecs[i]) / 1000.0);
    }

    py::object nextBatch()
    {
        const CounterRecordBatch batch = m_monitor->take(std::size_t(-1), BATCH_GATHER_MS, BATCH_GATHER);
        if (batch.empty())
            finish();
        std::array<Column, COUNTERS> values;
        std::array<Column, COUNTERS> times;
        {
            py::gil_scoped_release released;
            split(batch, values, times);
        }
        py::dict valueArrays;
        py::dict timeArrays;
        for (int c = 0; c < COUNTERS; ++c) {
            if (m_monitor->setup().mode[c] < 0 && values[c].size == 0)
                continue;
            valueArrays[py::int_(c)] = toArray(values[c]);
            timeArrays[py::int_(c)] = toArray(times[c]);
        }
        return m_batchType(valueArrays, timeArrays, batch.dropped);
    }

    // A column of doubles that becomes a NumPy array's memory; left uninitialised until written.
    struct Column
    {
        std::unique_ptr<double[]> data;
        std::size_t size = 0;
    };

    // The columns of a batch per counter: values in the counter's unit, times in seconds.
    void split(const CounterRecordBatch& batch, std::array<Column, COUNTERS>& values,
               std::array<Column, COUNTERS>& times) const
    {
        std::size_t count[COUNTERS] = {};
        for (const quint64 word : batch.words)
            ++count[(word >> CounterRecordBatch::VALUE_BITS) & 3];
        double* value[COUNTERS];
        double* time[COUNTERS];
        double scale[COUNTERS];
        for (int c = 0; c < COUNTERS; ++c) {
            values[c] = {std::unique_ptr<double[]>(new double[count[c]]), count[c]};
            times[c] = {std::unique_ptr<double[]>(new double[count[c]]), count[c]};
            value[c] = values[c].data.get();
            time[c] = times[c].data.get();
            scale[c] = m_format[c].scale();
        }
        const quint64* word = batch.words.data();
        for (const CounterRecordBatch::TimeRun& run : batch.runs) {
            const double seconds = double(run.msecs) / 1000.0;
            for (const quint64* end = word + run.records; word < end; ++word) {
                const int c = int(*word >> CounterRecordBatch::VALUE_BITS) & 3;
                // Signed: the value has 56 bits, and a signed integer becomes a double in one step.
                *value[c]++ = double(qint64(*word & CounterRecordBatch::VALUE_MASK)) * scale[c];
                *time[c]++ = seconds;
            }
        }
    }

    // The column's memory becomes the array's, without a copy.
    static py::array_t<double> toArray(Column& column)
    {
        double* data = column.data.release();
        const py::capsule owner(data, [](void* p) { delete[] static_cast<double*>(p); });
        return py::array_t<double>(py::ssize_t(column.size), data, owner);
    }

    std::unique_ptr<PyMonitor> m_monitor;
    const bool m_bBatches;
    const py::object m_recordType;
    const py::object m_batchType;
    CounterValueFormat m_format[COUNTERS];
    py::object m_unit[COUNTERS];
    CounterRecordBatch m_pending;
    std::vector<qint64> m_pendingMsecs; // the time of each of m_pending's records
    std::size_t m_next = 0;
};

MonitorRequest monitorRequest(PyModule& self, PyDocument& doc, std::optional<double> seconds, bool start,
                              const std::optional<std::pair<int, long long>>& untilCount,
                              const py::object& logDir, long long capacity)
{
    MonitorRequest request;
    {
        const auto locked = doc.lock();
        request.setup = CounterMonitorSetup::fromDiagram(*doc.document().diagram(), self.target);
    }
    if (!request.setup.hasCounters())
        throw py::value_error("the document has no measure counter");
    if (seconds) {
        if (!std::isfinite(*seconds) || *seconds <= 0 || *seconds > MAX_SECONDS)
            throw py::value_error("seconds must be more than 0 and at most a year");
        request.run.seconds = int(std::ceil(*seconds));
        if (double(request.run.seconds) != *seconds)
            request.stopAfterMs = std::max(1, int(std::lround(*seconds * 1000)));
    }
    if (untilCount) {
        const auto [counter, records] = *untilCount;
        if (counter < 0 || counter >= COUNTERS || request.setup.mode[counter] < 0 || records < 1)
            throw py::value_error("until_count needs (counter, records): a measure counter of the "
                                  "document and at least 1 record");
        request.run.limitCounter = counter;
        request.run.limitRecords = quint64(records);
    }
    request.run.bStartCounters = start;
    if (!logDir.is_none()) {
        const QString dir = pathArgument(logDir);
        for (int c = 0; c < COUNTERS; ++c) {
            if (request.setup.mode[c] >= 0)
                request.setup.path[c] = dir;
        }
    }
    if (capacity < 1)
        throw py::value_error("capacity must be at least 1 record");
    request.capacity = std::size_t(capacity);
    return request;
}

std::unique_ptr<MonitorHandle> monitor(PyModule& self, PyDocument& doc, std::optional<double> seconds,
                                       bool start, bool batches,
                                       const std::optional<std::pair<int, long long>>& untilCount,
                                       const py::object& logDir, long long capacity)
{
    auto session =
        std::make_unique<PyMonitor>(monitorRequest(self, doc, seconds, start, untilCount, logDir, capacity));
    session->open();
    auto handle = std::make_unique<MonitorHandle>(std::move(session), batches);
    for (const QString& notice : handle->monitor().notices())
        warnNotice(notice);
    return handle;
}

} // namespace

void bindMonitor(py::module_& m, py::class_<PyModule>& module)
{
    py::class_<MonitorHandle>(m, "Monitor", R"(The counter stream of a module, as Module.monitor() starts it.

Iterating it gives the stream's records (Record: counter, value in the counter's unit, unit,
time) or, when made with batches=True, Batches of what came until 20 ms after their first
record or until 65536 were waiting: a dict of NumPy arrays of values per counter of the
document, with the arrays of times in ``times`` and the records lost before it in ``dropped``.
The iteration ends with the run (its seconds, its count, or stop()); a lost stream, a log that
failed or a start or stop of a counter that failed then raise their vextor.Error, with
``totals`` and ``logs`` as attributes. As a context manager it stops the stream at the end of
the block.

Records wait for Python up to the monitor's capacity; a consumer that falls behind loses the
ones beyond it (counted in ``dropped``), never the totals or the logs.)")
        .def(
            "__iter__", [](py::object self) { return self; }, "The monitor is its own iterator.")
        .def("__next__", &MonitorHandle::next,
             "The next Record or Batch, waiting for it; StopIteration once the stream has ended.")
        .def(
            "__enter__", [](py::object self) { return self; }, "The monitor itself.")
        .def(
            "__exit__",
            [](MonitorHandle& self, const py::object& type, const py::object&, const py::object&) {
                self.stop(type.is_none());
                return false;
            },
            py::arg("type"), py::arg("value"), py::arg("traceback"),
            "Stops the stream; raises what went wrong on the way unless the block raised already.")
        .def(
            "stop", [](MonitorHandle& self) { self.stop(true); },
            R"(Ends the stream now and waits until the counters the monitor started are stopped.
Records still waiting can be iterated afterwards. Raises what went wrong on the way, once.)")
        .def_property_readonly(
            "running", [](const MonitorHandle& self) { return self.monitor().isRunning(); },
            "Whether the stream is still connected.")
        .def_property_readonly(
            "reason",
            [](const MonitorHandle& self) -> py::object {
                const QString reason = self.monitor().reason();
                return reason.isEmpty() ? py::object(py::none()) : py::object(toPy(reason));
            },
            R"(Why the stream ended: "stopped", "time_elapsed", "count_reached", "connection_lost" or
"start_failed"; None while it runs.)")
        .def_property_readonly(
            "dropped", [](const MonitorHandle& self) { return self.monitor().dropped(); },
            "Records lost so far because more than the capacity waited for Python.")
        .def_property_readonly("totals", &MonitorHandle::totals,
                               R"(Per counter of the document what it delivered since the connection
was made (CounterTotal: counter, name, number of records, integration, unit), as
vextor-cli monitor reports them; final once the stream has ended.)")
        .def_property_readonly("logs", &MonitorHandle::logs,
                               "The CSV log of each counter that has one (CounterLog: counter, name, "
                               "records, file).")
        .def_property_readonly("batches", &MonitorHandle::isBatches,
                               "Whether the iteration gives Batches rather than Records.");

    module.def("monitor", &monitor, py::arg("doc"), py::arg("seconds") = py::none(), py::arg("start") = false,
               py::arg("batches") = false, py::arg("until_count") = py::none(),
               py::arg("log_dir") = py::none(), py::arg("capacity") = DEFAULT_CAPACITY,
               R"(Connects to the module's counter stream for the measure counters of the document and
returns the Monitor that iterates it, once connected.

seconds: end the stream this long after the connection (also the longest wait for it); without
it the stream runs until stop(), the end of a with block, or Ctrl+C. start: start the document's
software-gated counters once connected, and stop them again at the end, however it ends.
batches: iterate Batches of NumPy arrays instead of single Records. until_count=(counter, n):
end once that counter has delivered n records. log_dir: write every counter's CSV log into this
folder (by default the logs the document asks for are written). capacity: records that may wait
for Python. A connection that is not made raises CommunicationError, a log that cannot be created
FileError; a document without measure counters ValueError.)");
}
