#include "cli/commands.h"
#include "cli/fleetMonitor.h"
#include "cli/fleetReport.h"
#include "cli/moduleCommand.h"
#include "cli/monitorOptions.h"
#include "cli/stopSignals.h"
#include "io/document.h"
#include "operations/fleetRun.h"
#include "operations/moduleList.h"

#include <QEventLoop>

#include <memory>
#include <vector>

namespace {

constexpr int DEFAULT_JOBS = 8;
constexpr int MAX_JOBS = 256;
// Followed by a monitor session per module rather than run as one operation per module.
const char MONITOR[] = "monitor";

// The commands a fleet runs, each read by the single command's own preparer.
const QVector<QPair<QString, CommandPreparer>>& fleetCommands()
{
    static const QVector<QPair<QString, CommandPreparer>> table = {
        {QStringLiteral("status"), &prepareStatus},    {QStringLiteral("download"), &prepareDownload},
        {QStringLiteral("verify"), &prepareVerify},    {QStringLiteral("drc"), &prepareDrc},
        {QStringLiteral("rom-save"), &prepareRomSave}, {QStringLiteral("rom-boot"), &prepareRomBoot},
        {QStringLiteral("protect"), &prepareProtect},
    };
    return table;
}

// One module's run: its own context (the single command's, its output kept rather than
// printed), its document and its task.
struct ModuleRun
{
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    CliContext context;
    std::unique_ptr<Document> document;
    ModuleTask task;

    ModuleRun(const GlobalOptions& options, const QString& command)
        : context(options, command, outStream, errStream)
    {}
};

// Takes "--jobs N" out of the arguments; false with the reason when N is no number from 1 to
// MAX_JOBS.
bool takeJobs(QStringList& args, int& jobs, QString& error)
{
    const int at = args.indexOf(QStringLiteral("--jobs"));
    if (at < 0)
        return true;
    bool ok = false;
    jobs = args.value(at + 1).toInt(&ok);
    if (!ok || jobs < 1 || jobs > MAX_JOBS) {
        error = QStringLiteral("--jobs needs a number from 1 to %1").arg(MAX_JOBS);
        return false;
    }
    args.erase(args.begin() + at, args.begin() + at + 2);
    return true;
}

// Runs the prepared command on every module of the list at once (at most jobs at a time) and
// reports each module in list order as soon as it and those before it are over.
class FleetRunner
{
public:
    FleetRunner(CliContext& context, const ModuleList& list, const QString& command,
                const PreparedCommand& prepared, FleetReport& report)
        : m_context(context)
        , m_list(list)
        , m_command(command)
        , m_prepared(prepared)
        , m_report(report)
        , m_runs(size_t(list.size()))
    {}

    void run(int jobs)
    {
        FleetRun fleet(m_list.size(), jobs, [this](int i) { return begin(i); });
        QEventLoop loop;
        QObject::connect(&fleet, &FleetRun::moduleFinished, &loop,
                         [this](int i, bool begun) { end(i, begun); });
        QObject::connect(&fleet, &FleetRun::finished, &loop, &QEventLoop::quit);
        // SIGINT or SIGTERM: the running modules are cancelled, those not begun are left out,
        // and each is reported so.
        const StopSignals stopSignals([&fleet] { fleet.cancel(); });
        fleet.start();
        loop.exec();
    }

private:
    // Module i's turn: its context, its document and its task; the operation to run, or null
    // when its result is known already.
    DeviceOperation* begin(int i)
    {
        const ModuleEntry& entry = m_list.at(i);
        m_runs[size_t(i)] = std::make_unique<ModuleRun>(m_context.options(), m_command);
        ModuleRun& run = *m_runs[size_t(i)];
        if (m_prepared.bDocument) {
            if (entry.document.isEmpty()) {
                run.context.finish(CommandResult::failure(
                    CommandResult::FILE_FAILURE,
                    QStringLiteral("The module list gives %1 no document.").arg(entry.name)));
                return nullptr;
            }
            if (!(run.document = run.context.loadDocument(entry.document)))
                return nullptr;
        }
        InfoOstrum target = entry.target(run.document.get());
        if (m_context.options().bTimeout)
            target.timeout = m_context.options().values.timeout;
        run.task = m_prepared.task(run.context, {target, run.document.get(), entry.document});
        if (!run.task.operation) {
            run.context.finish(run.task.result(OperationOutcome()));
            return nullptr;
        }
        return run.task.operation.get();
    }

    void end(int i, bool begun)
    {
        ModuleRun* run = m_runs[size_t(i)].get();
        if (begun)
            run->context.finish(run->task.result(run->context.ended(*run->task.operation)));
        // Without a run, the fleet was stopped before the module's turn.
        if (run)
            run->errStream.flush();
        m_report.moduleOver(i,
                            run ? run->context.resultObject()
                                : QJsonObject{{"verdict", verdictName(Verdict::Cancelled)},
                                              {"exit_code", exitCodeFor(Verdict::Cancelled)}},
                            run ? run->err : QString());
        // The operation may still be on the stack that reported its end.
        if (run)
            QMetaObject::invokeMethod(
                &m_releaser, [this, i] { m_runs[size_t(i)].reset(); }, Qt::QueuedConnection);
    }

    CliContext& m_context;
    const ModuleList& m_list;
    QString m_command;
    const PreparedCommand& m_prepared;
    FleetReport& m_report;
    std::vector<std::unique_ptr<ModuleRun>> m_runs;
    QObject m_releaser;
};

// The list, or null after its failure was reported (a list that names no module is one).
std::optional<ModuleList> loadList(CliContext& context, const QString& listFile)
{
    QString error;
    std::optional<ModuleList> list = ModuleList::load(listFile, &error);
    if (list && list->isEmpty()) {
        error = QStringLiteral("%1: the list names no module").arg(listFile);
        list.reset();
    }
    if (!list)
        context.finish(CommandResult::failure(CommandResult::FILE_FAILURE, error));
    return list;
}

int fleetMonitorCommand(CliContext& context, const QString& listFile, const QStringList& args, bool bJobs)
{
    if (bJobs)
        return context.usage(
            QStringLiteral("--jobs does not apply to monitor: every module is followed at once"));
    MonitorOptions options;
    if (!parseMonitorOptions(context, args, true, options))
        return ExitUsage;
    const std::optional<ModuleList> list = loadList(context, listFile);
    if (!list)
        return ExitFailure;
    return fleetMonitor(context, *list, listFile, options);
}

} // namespace

QStringList fleetCommandNames()
{
    QStringList names;
    for (const auto& row : fleetCommands())
        names << row.first;
    return names << QLatin1String(MONITOR);
}

int fleetCommand(CliContext& context, const QStringList& arguments)
{
    const GlobalOptions& options = context.options();
    if (options.bHost || options.bUdpPort || options.bTcpPort)
        return context.usage(
            QStringLiteral("fleet takes each module's address from the list: -h, -u and -t do "
                           "not apply"));
    QStringList args = arguments;
    const bool bJobs = args.contains(QStringLiteral("--jobs"));
    int jobs = DEFAULT_JOBS;
    QString error;
    if (!takeJobs(args, jobs, error))
        return context.usage(error);
    if (args.size() < 2)
        return context.usage(QStringLiteral("fleet needs a module list and a command"));
    const QString listFile = args.takeFirst();
    const QString command = args.takeFirst();
    if (command == QLatin1String(MONITOR))
        return fleetMonitorCommand(context, listFile, args, bJobs);
    CommandPreparer prepare = nullptr;
    for (const auto& row : fleetCommands()) {
        if (row.first == command)
            prepare = row.second;
    }
    if (!prepare)
        return context.usage(QStringLiteral("fleet runs one of: %1; not %2")
                                 .arg(fleetCommandNames().join(QStringLiteral(", ")), command));
    PreparedCommand prepared;
    prepared.bFleet = true;
    if (!prepare(context, args, prepared))
        return ExitUsage;

    const std::optional<ModuleList> list = loadList(context, listFile);
    if (!list)
        return ExitFailure;
    FleetReport report(context, *list, command, listFile, prepared);
    FleetRunner(context, *list, command, prepared, report).run(jobs);
    return context.finish(report.summary());
}
