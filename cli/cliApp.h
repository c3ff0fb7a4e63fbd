#pragma once

#include "model/infoOstrum.h"

#include <QStringList>
#include <QTextStream>
#include <QVector>

#include <memory>

class Document;

// Exit codes of vextor-cli.
enum CliExit {
    ExitOk = 0,       // done; for checks: nothing wrong
    ExitFindings = 1, // the command ran and found a problem (errors in a check, an expression error)
    ExitInput = 2,    // a file could not be read or is not a document
    ExitUsage = 64    // unknown command, wrong arguments or option values
};

// The global options before the command, read by the editor's acceptance rules, and which of
// them were given.
struct GlobalOptions
{
    InfoOstrum values = InfoOstrum::defaults(true);
    bool bHost = false;
    bool bUdpPort = false;
    bool bTcpPort = false;
    bool bTimeout = false;

    // The module to talk to: each option that was given, else the document's root settings (when
    // there is a document), else the built-in defaults.
    InfoOstrum target(const Document* doc = nullptr) const;
};

// What a command handler works with: the global options and the two output streams (results on
// standard output, messages on standard error).
class CliContext
{
public:
    CliContext(const GlobalOptions& options, QTextStream& out, QTextStream& err);

    const GlobalOptions& options() const { return m_options; }
    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }

    // Reads and parses a document file. On failure the reader's message is on standard error and
    // the result is null (the command then exits with ExitInput). Warnings of a successful read
    // go to standard error too.
    std::unique_ptr<Document> loadDocument(const QString& fileName);

private:
    GlobalOptions m_options;
    QTextStream& m_out;
    QTextStream& m_err;
};

// One row of the command table.
struct CliCommand
{
    const char* name;        // the word on the command line
    const char* arguments;   // its arguments in the usage text, e.g. "DOC"
    const char* description; // one line for the usage text
    int minArgs;
    int maxArgs; // -1: no upper limit
    int (*handler)(CliContext& context, const QStringList& args);
};

// The command-line tool: global options, then a command from the table and its arguments.
class CliApp
{
public:
    static const QVector<CliCommand>& commands();
    static QString usageText();
    // The command word followed by its arguments.
    static QString synopsis(const CliCommand& command);

    // Parses argv and runs the command; returns the process exit code.
    static int run(int argc, char** argv);

    // Reads the global options up to the command word (getopt, which reports unknown options
    // itself); next becomes the index of the command word. False when an option was unknown,
    // lacked its argument or had a value the acceptance rules refuse (reported on err).
    static bool parseGlobalOptions(int argc, char** argv, GlobalOptions& options, int& next,
                                   QTextStream& err);
};
