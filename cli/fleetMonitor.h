#pragma once

#include <QString>

class CliContext;
class ModuleList;
struct MonitorOptions;

// `fleet LIST monitor`: every module's counters followed at once, each through its own monitor
// session with its own document, until each has ended (its time, its count, its connection lost)
// or SIGINT or SIGTERM stops them all. Reports go to standard output with the module's name
// before them; a module that cannot be followed or is lost is named on standard error at once and
// the others go on; one line per module and a summary follow, as for every fleet command. With
// --metrics one endpoint serves every module, labelled with its name.
int fleetMonitor(CliContext& context, const ModuleList& list, const QString& listFile,
                 const MonitorOptions& options);
