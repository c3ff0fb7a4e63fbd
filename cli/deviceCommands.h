#pragma once

#include "infoOstrum.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class BlockDiagram;
class QTextStream;

// The command-line tool's commands that talk to the module. Each runs the same device-worker
// jobs as the editor's command of the same purpose, from the caller's event loop, and returns
// the process exit code.
namespace DeviceCommands {

enum ExitCode { Success = 0, Negative = 1, Failure = 2, Usage = 64 };

// A document opened for a command: the diagram and the connection settings of its root element.
struct LoadedDocument
{
    std::shared_ptr<void> owner; // keeps the diagram alive
    BlockDiagram* diagram = nullptr;
    InfoOstrum info;
};

struct Context
{
    // Global options as given (-h, -u, -t, -o); empty / negative = not given.
    QString host;
    int udpPort = -1;
    int tcpPort = -1;
    int timeout = -1;

    QTextStream* out = nullptr;
    QTextStream* err = nullptr;

    // Opens a document; false with the reason in error.
    std::function<bool(const QString& fileName, LoadedDocument& doc, QString& error)> loadDocument;
    // The design rule check: > 0 errors, < 0 warnings only, 0 clean; the report text is filled.
    // The tool binds it to BlockDiagram::drc with a report document.
    std::function<int(BlockDiagram& diagram, QString& report)> designRuleCheck;
};

// Opens a document file with the document reader (the Context::loadDocument the tool uses).
bool loadDocumentFile(const QString& fileName, LoadedDocument& doc, QString& error);

// The connection settings a command uses: the global options where given, else the document's
// settings (when there is a document), else the built-in defaults.
InfoOstrum resolveTarget(const Context& context, const InfoOstrum* documentInfo);

int download(const Context& context, const QStringList& args);
int verify(const Context& context, const QStringList& args);
int status(const Context& context, const QStringList& args);
int protect(const Context& context, const QStringList& args);
int userControl(const Context& context, const QStringList& args);
int eepromRead(const Context& context, const QStringList& args);
int eepromWrite(const Context& context, const QStringList& args);

struct Command
{
    const char* name;
    const char* usage;
    int (*run)(const Context&, const QStringList&);
};
// Every device command with its usage line, for the tool's command table and help.
const QVector<Command>& commands();

} // namespace DeviceCommands
