#include "cli/monitorReport.h"

#include "device/counterValueFormat.h"

#include <QJsonArray>

namespace {

// A figure as printed with the unit's decimals, so that JSON carries no digits the text does not.
double printedFigure(double value, const QString& unit)
{
    return QString::number(value, 'f', CounterValueFormat::decimalsForUnit(unit)).toDouble();
}

} // namespace

QString monitorReportLine(const CounterReport& report, const QString& unit)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(report.counter)
        .arg(report.lastText)
        .arg(report.count)
        .arg(QString::number(report.sum, 'f', CounterValueFormat::decimalsForUnit(unit)));
}

QJsonObject monitorReportJson(const CounterReport& report, const QString& unit)
{
    return {{"counter", report.counter},
            {"value", report.lastText.toDouble()},
            {"count", qint64(report.count)},
            {"sum", printedFigure(report.sum, unit)}};
}

MonitorFollower::MonitorFollower(CounterMonitorSession& session, std::function<void(const QString&)> problem)
    : m_session(session)
    , m_problem(std::move(problem))
{
    connect(&session, &CounterMonitorSession::logStopped, this,
            [this](int, const QString& text) { fail(CommandResult::FILE_FAILURE, text); });
    connect(&session, &CounterMonitorSession::gateFinished, this,
            [this](int counter, bool, const OperationOutcome& outcome) {
                if (!outcome.isDone())
                    fail(verdictName(outcome.verdict),
                         m_session.setup().name[counter] + QStringLiteral(": ") + outcome.message);
            });
    // The lost stream comes last, after the stop writes that follow it.
    connect(&session, &CounterMonitorSession::idle, this, [this] {
        if (m_session.ending().reason == MonitorEnd::ConnectionLost)
            fail(verdictName(Verdict::CommunicationFailure), m_session.ending().text);
    });
}

void MonitorFollower::fail(const QString& verdict, const QString& text)
{
    m_problem(text);
    if (m_failedVerdict.isEmpty())
        m_failedVerdict = verdict;
}

CommandResult MonitorFollower::result() const
{
    const MonitorEnding& ending = m_session.ending();
    if (!ending.bConnected)
        return CommandResult(Verdict::CommunicationFailure, ending.text);
    const CounterMonitorSetup& setup = m_session.setup();
    CommandResult result;
    QJsonArray totals;
    QJsonArray logs;
    for (int c = 0; c < CounterMonitorSetup::COUNTERS; ++c) {
        if (setup.mode[c] < 0)
            continue;
        const CounterTotals& t = m_session.totals(c);
        result.text += QStringLiteral("total %1 %2 %3 %4\n")
                           .arg(c)
                           .arg(setup.name[c])
                           .arg(t.records)
                           .arg(CounterValueFormat::integrationText(t.integration, setup.unit[c]).trimmed());
        totals.append(QJsonObject{{"counter", c},
                                  {"name", setup.name[c]},
                                  {"number", qint64(t.records)},
                                  {"integration", printedFigure(t.integration, setup.unit[c])},
                                  {"unit", setup.unit[c]}});
    }
    for (int c = 0; c < CounterMonitorSetup::COUNTERS; ++c) {
        const QString file = m_session.logFile(c);
        if (file.isEmpty())
            continue;
        result.text += QStringLiteral("logged %1 %2 %3 %4\n")
                           .arg(c)
                           .arg(setup.name[c])
                           .arg(m_session.loggedRecords(c))
                           .arg(file);
        logs.append(QJsonObject{{"counter", c},
                                {"name", setup.name[c]},
                                {"records", qint64(m_session.loggedRecords(c))},
                                {"file", file}});
    }
    result.data = {{"totals", totals}, {"logs", logs}};
    if (!m_failedVerdict.isEmpty()) {
        result.verdict = m_failedVerdict;
        result.exitCode = ExitFailure;
    }
    return result;
}
