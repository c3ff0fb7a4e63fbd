#pragma once

#include "cli/cliApp.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class BlockDiagram;
class Document;
class QTextStream;

// The command-line tool's commands that talk to the module. Each runs the same device-worker
// jobs as the editor's command of the same purpose, from the caller's event loop, and returns
// the process exit code (the codes of CliExit).
namespace DeviceCommands {

struct Context
{
    GlobalOptions options;
    QTextStream* out = nullptr;
    QTextStream* err = nullptr;

    // Opens a document, or reports why not on err and gives null.
    std::function<std::shared_ptr<Document>(const QString& fileName)> loadDocument;
    // The design rule check: > 0 errors, < 0 warnings only, 0 clean; the report text is filled.
    std::function<int(BlockDiagram& diagram, QString& report)> designRuleCheck;

    // The tool's own context: its options and streams, its document reader, BlockDiagram::drc.
    static Context fromCli(CliContext& cli);
};

int download(const Context& context, const QStringList& args);
int verify(const Context& context, const QStringList& args);
int status(const Context& context, const QStringList& args);
int protect(const Context& context, const QStringList& args);
int userControl(const Context& context, const QStringList& args);
int eepromRead(const Context& context, const QStringList& args);
int eepromWrite(const Context& context, const QStringList& args);

} // namespace DeviceCommands

// Handlers of the tool's command table.
int downloadCommand(CliContext& context, const QStringList& args);
int verifyCommand(CliContext& context, const QStringList& args);
int statusCommand(CliContext& context, const QStringList& args);
int protectCommand(CliContext& context, const QStringList& args);
int userControlCommand(CliContext& context, const QStringList& args);
int eepromReadCommand(CliContext& context, const QStringList& args);
int eepromWriteCommand(CliContext& context, const QStringList& args);
