#pragma once

#include <QStringList>

class CliContext;

// The handlers of vextor-cli's command table; each returns the process exit code (CliExit).

// Commands that work on a document file alone.
int imageCommand(CliContext& context, const QStringList& args);
int drcCommand(CliContext& context, const QStringList& args);
// truth-table DOC BLOCK: the truth table and a minimal form of a PreLogic or PostLogic block of
// DOC, named by its resource or user name. ExitNegative (with the message) when the expression
// does not parse; ExitFailure when DOC cannot be read or has no such block.
int truthTableCommand(CliContext& context, const QStringList& args);

// new --list: the templates, one a line; new --template NAME FILE: a document from a template,
// with its stimulus beside it unless a file of that name exists.
int newCommand(CliContext& context, const QStringList& args);

// Commands that talk to the module through the operations layer.
int downloadCommand(CliContext& context, const QStringList& args);
int verifyCommand(CliContext& context, const QStringList& args);
int statusCommand(CliContext& context, const QStringList& args);
int protectCommand(CliContext& context, const QStringList& args);
int userControlCommand(CliContext& context, const QStringList& args);
int eepromReadCommand(CliContext& context, const QStringList& args);
int eepromWriteCommand(CliContext& context, const QStringList& args);
int romSaveCommand(CliContext& context, const QStringList& args);
int romRestoreCommand(CliContext& context, const QStringList& args);
int romBootCommand(CliContext& context, const QStringList& args);
int romInitCommand(CliContext& context, const QStringList& args);
int syncCommand(CliContext& context, const QStringList& args);

// One command on every module of a list, many modules at once: fleet LIST COMMAND [--jobs N] [ARGS].
int fleetCommand(CliContext& context, const QStringList& args);
// The commands fleet runs, in the order its usage names them.
QStringList fleetCommandNames();

// The measure-counter stream configured by a document, shown and logged.
int monitorCommand(CliContext& context, const QStringList& args);

// The design run in software on test pulses: per output its pulses and rate, per measure counter
// its totals, and with --vcd the waveforms.
int previewCommand(CliContext& context, const QStringList& args);
