#pragma once

#include "cli/deviceCommands.h"

#include <QByteArray>

// The command-line tool's ROM commands: the editor's Save to ROM, Restore from ROM, Change Boot
// ROM Page, Initialize ROM area and Sync GUI settings, over the same device-worker jobs, with the
// global options and exit codes (CliExit) of the device commands.
namespace RomCommands {

int romSave(const DeviceCommands::Context& context, const QStringList& args);
int romRestore(const DeviceCommands::Context& context, const QStringList& args);
int romBoot(const DeviceCommands::Context& context, const QStringList& args);
int romInit(const DeviceCommands::Context& context, const QStringList& args);
int sync(const DeviceCommands::Context& context, const QStringList& args);

// The FAT image an initialisation programs: every page free but the slot pages and the FAT page.
QByteArray freshFatImage();

// Handlers of the tool's command table.
int romSaveCli(CliContext& context, const QStringList& args);
int romRestoreCli(CliContext& context, const QStringList& args);
int romBootCli(CliContext& context, const QStringList& args);
int romInitCli(CliContext& context, const QStringList& args);
int syncCli(CliContext& context, const QStringList& args);

} // namespace RomCommands
