#pragma once

#include "operations/outcome.h"

#include <QJsonObject>
#include <QString>

// Exit codes of vextor-cli.
enum CliExit {
    ExitOk = 0,       // done; for checks: nothing wrong
    ExitNegative = 1, // the command ran and its answer is no (design rule errors, a mismatch,
                      // write protection, the ROM's state, an expression error)
    ExitFailure = 2,  // the module was not reached, a file could not be read or written, or a
                      // document read back from the module's ROM cannot be trusted
    ExitUsage = 64    // unknown command, wrong arguments or option values
};

// The exit code that tells a script how an operation ended.
int exitCodeFor(Verdict verdict);

// What one command reports, built in one place per command from what it found: how it ended, the
// text it prints on standard output, the message it leaves on standard error, and the same result
// as data for --json. CliContext::finish prints it either way.
struct CommandResult
{
    // Endings of the tool's own, beside the operations' verdicts; both exit with ExitFailure.
    static const QString FILE_FAILURE;  // a file could not be read or written
    static const QString NO_SUCH_BLOCK; // truth-table: the document has no logic block of that name

    QString verdict = verdictName(Verdict::Done);
    int exitCode = ExitOk;
    QString text;    // standard output without --json, line breaks included
    QString message; // standard error, followed by a line break: why the command did not succeed
    QJsonObject data;

    CommandResult() = default;
    explicit CommandResult(Verdict verdict, const QString& message = QString());
    // The operation's verdict; its message unless it is Done.
    explicit CommandResult(const OperationOutcome& outcome);
    static CommandResult failure(const QString& verdict, const QString& message);
};
