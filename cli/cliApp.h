#pragma once

#include "cli/cliContext.h"

#include <QStringList>
#include <QTextStream>
#include <QVector>

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
    // Whether the command draws (export): it needs a GUI application for its fonts.
    static bool draws(int argc, char** argv);
    static int run(int argc, char** argv, QTextStream& out, QTextStream& err);

    // Reads the global options up to the command word (getopt, which reports unknown options
    // itself); next becomes the index of the command word. False when an option was unknown,
    // lacked its argument or had a value the acceptance rules refuse (reported on err).
    static bool parseGlobalOptions(int argc, char** argv, GlobalOptions& options, int& next,
                                   QTextStream& err);
};
