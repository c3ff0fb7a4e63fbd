#pragma once

#include "cli/cliContext.h"
#include "cli/cliPrompts.h"
#include "operations/deviceOperation.h"

#include <functional>
#include <memory>

// What a device command does with one module: the operation, with what answers its questions,
// and how its outcome becomes the command's result.
struct ModuleTask
{
    std::unique_ptr<CliPrompts> prompts;
    std::unique_ptr<DeviceOperation> operation; // null: the result needs no module (drc)
    bool bProgress = false;                     // the single command shows the transfer's progress
    std::function<CommandResult(const OperationOutcome& outcome)> result;
};

// The module a task is for: where it is reached, and its document (null when the command needs
// none) read from documentFile.
struct ModuleTarget
{
    InfoOstrum target;
    Document* document = nullptr;
    QString documentFile;
};

// A device command read from its arguments once, for one module or for every module of a list:
// whether it works on a document and how the task of one module is made. The single command
// runs one task with the document named on its command line; `fleet` runs one per module with
// the module's own document, all at once.
struct PreparedCommand
{
    bool bFleet = false;    // in: the document comes from the module list, not the arguments
    bool bDocument = false; // the command works on a document
    QString documentFile;   // the single command's document
    std::function<ModuleTask(CliContext& context, const ModuleTarget& module)> task;
    // Lines of the result's text the fleet shows on the module's line when the result has no
    // message (status: version, protection and boot slot).
    int summaryLines = 1;
    // The fleet lists the result's text below the module's line (verify --report).
    bool bFullText = false;
};

// Reads a device command's arguments into prepared; false after a usage error was reported.
using CommandPreparer = bool (*)(CliContext& context, const QStringList& args, PreparedCommand& prepared);

// Runs a prepared device command against the one module of the command line.
int runModuleCommand(CliContext& context, const QStringList& args, CommandPreparer prepare);

// The preparers of the commands the fleet runs.
bool prepareDownload(CliContext& context, const QStringList& args, PreparedCommand& prepared);
bool prepareVerify(CliContext& context, const QStringList& args, PreparedCommand& prepared);
bool prepareStatus(CliContext& context, const QStringList& args, PreparedCommand& prepared);
bool prepareProtect(CliContext& context, const QStringList& args, PreparedCommand& prepared);
bool prepareDrc(CliContext& context, const QStringList& args, PreparedCommand& prepared);
bool prepareRomSave(CliContext& context, const QStringList& args, PreparedCommand& prepared);
bool prepareRomBoot(CliContext& context, const QStringList& args, PreparedCommand& prepared);
