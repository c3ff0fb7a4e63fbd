#pragma once

#include "cli/commandResult.h"
#include "operations/counterMonitorSession.h"

#include <QJsonObject>
#include <QObject>

#include <functional>

// What `monitor` prints about a session, for every command that follows monitor sessions.

// One report: "<counter> <last value> <count> <sum>" (no line break), or its JSON object.
QString monitorReportLine(const CounterReport& report, const QString& unit);
QJsonObject monitorReportJson(const CounterReport& report, const QString& unit);

// Follows a session for a command until it is idle: each problem on the way (a log that fails, a
// start or stop write that fails, the stream lost) is handed to `problem` as it comes, and the
// first one's kind becomes the verdict of the result.
class MonitorFollower : public QObject
{
    Q_OBJECT
public:
    MonitorFollower(CounterMonitorSession& session, std::function<void(const QString&)> problem);

    // Once the session is idle: no connection made is that failure; otherwise per counter of the
    // diagram its totals and per log the records it holds, as text and data.
    CommandResult result() const;

private:
    void fail(const QString& verdict, const QString& text);

    CounterMonitorSession& m_session;
    std::function<void(const QString&)> m_problem;
    QString m_failedVerdict; // of the first problem
};
