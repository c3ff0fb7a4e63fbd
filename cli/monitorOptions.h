#pragma once

#include "operations/counterMonitorSession.h"

#include <QStringList>

class CliContext;

// Reports are gathered over this time: a line per counter ten times a second at most.
constexpr int MONITOR_REPORT_MS = 100;

// What `monitor` and `fleet LIST monitor` are asked for on their command lines.
struct MonitorOptions
{
    QString document;   // the single command's document
    MonitorRun run;     // --seconds, --start and --until-count (checked against each document)
    QString untilCount; // --until-count as given, for the messages
    QString csvDir;
    bool bMetrics = false; // serve the counters for Prometheus at metricsHost:metricsPort
    QString metricsHost;
    quint16 metricsPort = 0;
};

// Reads the monitor's arguments: the document unless bFleet (each module takes its own from the
// list). False after a usage error was reported.
bool parseMonitorOptions(CliContext& context, const QStringList& args, bool bFleet, MonitorOptions& options);

// The --until-count counter is one of the setup's (always true without --until-count).
bool untilCountFits(const MonitorOptions& options, const CounterMonitorSetup& setup);

// Every counter of the setup logs into dir (nothing changes for an empty dir).
void logCountersInto(CounterMonitorSetup& setup, const QString& dir);
