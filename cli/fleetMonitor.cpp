#include "cli/fleetMonitor.h"

#include "cli/fleetReport.h"
#include "cli/moduleCommand.h"
#include "cli/monitorOptions.h"
#include "cli/monitorReport.h"
#include "cli/stopSignals.h"
#include "io/document.h"
#include "metrics/metricsExporter.h"
#include "operations/moduleList.h"

#include <QDir>
#include <QEventLoop>

#include <memory>
#include <vector>

namespace {

// One module's monitor: its own context (the single command's, its output kept rather than
// printed), its setup and its session, followed as the single command follows its one.
struct ModuleMonitor
{
    QString out;
    QString err;
    QTextStream outStream{&out};
    QTextStream errStream{&err};
    CliContext context;
    CounterMonitorSetup setup;
    std::unique_ptr<CounterMonitorSession> session;
    std::unique_ptr<MonitorFollower> follower;

    explicit ModuleMonitor(const GlobalOptions& options)
        : context(options, QStringLiteral("monitor"), outStream, errStream)
    {}
};

class FleetMonitor
{
public:
    FleetMonitor(CliContext& context, const ModuleList& list, const MonitorOptions& options)
        : m_context(context)
        , m_list(list)
        , m_options(options)
    {}

    // Reads every module's document; false after a usage error (a counter of --until-count that
    // some document lacks), before any module is contacted.
    bool prepare()
    {
        for (int i = 0; i < m_list.size(); ++i) {
            m_modules.push_back(std::make_unique<ModuleMonitor>(m_context.options()));
            if (!prepareModule(i))
                return false;
        }
        return true;
    }

    // Follows every module that could be prepared to its end; the fleet's result.
    int run(const QString& listFile)
    {
        // The exporter goes before the sessions it follows.
        MetricsExporter exporter;
        for (int i = 0; i < m_list.size(); ++i) {
            ModuleMonitor& m = *m_modules[size_t(i)];
            if (!m.context.hasFinished())
                createSession(i);
            if (m_options.bMetrics)
                exporter.addModule(m_list.at(i).name, m.session.get());
        }
        // The endpoint is bound first: an address in use ends the command before any module is
        // contacted.
        if (m_options.bMetrics) {
            QString error;
            if (!exporter.listen(m_options.metricsHost, m_options.metricsPort, &error))
                return m_context.finish(CommandResult(Verdict::CommunicationFailure, error));
            m_context.notice(QStringLiteral("metrics at %1").arg(exporter.url()));
        }
        const StopSignals stopSignals([this] {
            for (auto& m : m_modules) {
                if (m->session)
                    m->session->stop();
            }
        });
        for (int i = 0; i < m_list.size(); ++i)
            startSession(i);
        if (!allIdle())
            m_loop.exec();

        PreparedCommand shown;
        shown.bFullText = true; // the totals and logs below the module's line
        FleetReport report(m_context, m_list, QStringLiteral("monitor"), listFile, shown);
        for (int i = 0; i < m_list.size(); ++i) {
            ModuleMonitor& m = *m_modules[size_t(i)];
            // What the result says on standard error is on the module's line already.
            if (!m.context.hasFinished())
                m.context.finish(m.follower->result());
            report.moduleOver(i, m.context.resultObject());
        }
        return m_context.finish(report.summary());
    }

private:
    bool prepareModule(int i)
    {
        const ModuleEntry& entry = m_list.at(i);
        ModuleMonitor& m = *m_modules[size_t(i)];
        if (entry.document.isEmpty()) {
            m.context.finish(CommandResult::failure(
                CommandResult::FILE_FAILURE,
                QStringLiteral("The module list gives %1 no document.").arg(entry.name)));
            return true;
        }
        const std::unique_ptr<Document> doc = m.context.loadDocument(entry.document);
        if (!doc)
            return true;
        InfoOstrum target = entry.target(doc.get());
        if (m_context.options().bTimeout)
            target.timeout = m_context.options().values.timeout;
        m.setup = CounterMonitorSetup::fromDiagram(*doc->diagram(), target);
        if (!untilCountFits(m_options, m.setup)) {
            m_context.usage(QStringLiteral("--until-count %1: the document of %2 has no measure counter %3")
                                .arg(m_options.untilCount, entry.name)
                                .arg(m_options.run.limitCounter));
            return false;
        }
        // Each module's logs in a folder of its own: the file names come from the counters' names,
        // which the modules' documents may share.
        if (!m_options.csvDir.isEmpty() && m.setup.hasCounters()) {
            const QString dir = QDir(m_options.csvDir).filePath(entry.name);
            QDir().mkpath(dir); // when it cannot be made, the session's start says why
            logCountersInto(m.setup, dir);
        }
        return true;
    }

    void createSession(int i)
    {
        ModuleMonitor& m = *m_modules[size_t(i)];
        m.session = std::make_unique<CounterMonitorSession>(m.setup);
        m.session->setReportInterval(MONITOR_REPORT_MS);
        m.follower = std::make_unique<MonitorFollower>(*m.session, [this, i](const QString& text) {
            m_modules[size_t(i)]->context.problem(text);
            announce(i);
        });
        const QString name = m_list.at(i).name;
        const QString* units = m.setup.unit;
        QObject::connect(m.session.get(), &CounterMonitorSession::reported, m.session.get(),
                         [this, name, units](const CounterReport& report) {
                             const QString& unit = units[report.counter];
                             if (m_context.json()) {
                                 QJsonObject object = monitorReportJson(report, unit);
                                 object.insert("module", name);
                                 m_context.printJson(object);
                             } else {
                                 m_context.out()
                                     << name << ' ' << monitorReportLine(report, unit) << Qt::endl;
                             }
                         });
        // A connection not made is said at once too; the follower says the other problems.
        QObject::connect(m.session.get(), &CounterMonitorSession::ended, m.session.get(),
                         [this, i](const MonitorEnding& ending) {
                             if (!ending.bConnected && ending.reason == MonitorEnd::ConnectionFailed) {
                                 m_modules[size_t(i)]->context.err() << ending.text << '\n';
                                 announce(i);
                             }
                         });
        QObject::connect(m.session.get(), &CounterMonitorSession::idle, &m_loop, [this] {
            if (allIdle())
                m_loop.quit();
        });
    }

    void startSession(int i)
    {
        ModuleMonitor& m = *m_modules[size_t(i)];
        if (m.session) {
            // A log that cannot be made ends only this module (its session stays, idle, for the
            // exporter that follows it).
            QString problem;
            if (!m.session->start(m_options.run, &problem)) {
                m.context.finish(CommandResult::failure(CommandResult::FILE_FAILURE, problem));
            } else {
                for (const QString& notice : m.session->notices())
                    m.context.notice(notice);
            }
        }
        announce(i);
    }

    bool allIdle() const
    {
        for (const auto& m : m_modules) {
            if (m->session && !m->session->isIdle())
                return false;
        }
        return true;
    }

    // What module i has said on standard error since the last time, each line after its name.
    void announce(int i)
    {
        ModuleMonitor& m = *m_modules[size_t(i)];
        m.errStream.flush();
        for (const QString& line : m.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            m_context.err() << m_list.at(i).name << ": " << line << '\n';
        m_context.err().flush();
        m.err.clear();
    }

    CliContext& m_context;
    const ModuleList& m_list;
    const MonitorOptions& m_options;
    std::vector<std::unique_ptr<ModuleMonitor>> m_modules;
    QEventLoop m_loop;
};

} // namespace

int fleetMonitor(CliContext& context, const ModuleList& list, const QString& listFile,
                 const MonitorOptions& options)
{
    FleetMonitor monitor(context, list, options);
    if (!monitor.prepare())
        return ExitUsage;
    return monitor.run(listFile);
}
