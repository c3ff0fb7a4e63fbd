#pragma once

#include "model/blockDiagram.h"
#include "model/infoOstrum.h"

#include <QString>
#include <QStringList>

class CliContext;
class QTextStream;

// `vextor-cli monitor DOC [--seconds N] [--csv-dir DIR]`: reads the module's measure-counter
// stream the way the monitor window does, prints one line per report and a summary at the end.

struct MonitorOptions
{
    int seconds = 0; // 0: until the stream ends
    QString csvDir;  // when set, replaces every counter's log directory
};

// The settings of the four measure counters as BlockDiagram::checkMsrCnt gives them.
struct MonitorCounters
{
    static constexpr int COUNTERS = 4;
    int mode[COUNTERS] = {-1, -1, -1, -1}; // negative: counter not in the diagram
    QString path[COUNTERS];
    QString name[COUNTERS];
    QString unit[COUNTERS];
};

// Reads "--seconds N" and "--csv-dir DIR" from args (the words after DOC); false with a message
// for anything else.
bool parseMonitorOptions(const QStringList& args, MonitorOptions& options, QString& error);

// The monitor's texts: the number of events in general format with 6 significant digits, the
// integration in fixed notation with the unit's decimals followed by " " and the unit.
QString monitorNumberText(double number);
QString monitorIntegrationText(double integration, const QString& unit);

// Connects to target's TCP data port and reports until the stream ends or options.seconds have
// passed. Lines on out: "<counter> <last value> <count> <sum>" per report, then per counter of
// the diagram "total <counter> <name> <number> <integration>". Returns 0; 2 with the reader's
// text on err when no connection could be made; 1 when a log file cannot be created.
int runMonitor(const MonitorCounters& counters, const InfoOstrum& target, const MonitorOptions& options,
               QTextStream& out, QTextStream& err);

// The same for a loaded document, configured by its measure-counter blocks.
int runMonitor(BlockDiagram& diagram, const InfoOstrum& target, const MonitorOptions& options,
               QTextStream& out, QTextStream& err);

// The command's handler: `monitor DOC [--seconds N] [--csv-dir DIR]`.
int monitorCommand(CliContext& context, const QStringList& args);
