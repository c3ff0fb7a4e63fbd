#pragma once

#include "cli/commandResult.h"
#include "model/infoOstrum.h"

#include <QMap>
#include <QStringList>
#include <QTextStream>

#include <memory>

class DeviceOperation;
class Document;

// The global options before the command, read by the editor's acceptance rules, and which of
// them were given.
struct GlobalOptions
{
    InfoOstrum values = InfoOstrum::defaults(true);
    bool bHost = false;
    bool bUdpPort = false;
    bool bTcpPort = false;
    bool bTimeout = false;
    bool bJson = false;    // --json: each result as one line of JSON on standard output
    bool bHelp = false;    // --help: the usage on standard output, nothing else
    bool bVersion = false; // --version: print the program's version and nothing else

    // The module to talk to: each option that was given, else the document's root settings (when
    // there is a document), else the built-in defaults.
    InfoOstrum target(const Document* doc = nullptr) const;
};

// The words after the command word: its options (by the names the command knows) and, in order,
// the rest.
struct CommandArgs
{
    QStringList positional;
    QMap<QString, QString> options; // a flag maps to an empty value

    bool has(const QString& name) const { return options.contains(name); }
    QString value(const QString& name, const QString& fallback = QString()) const
    {
        return options.value(name, fallback);
    }

    // False with the reason for a "--" word that is no option of the command, or an option
    // that lacks its value.
    static bool scan(const QStringList& args, const QStringList& valued, const QStringList& flags,
                     CommandArgs& parsed, QString& error);
};

// What a command works with: the global options, the two output streams (results on standard
// output, messages on standard error), the document reader, the running of device operations and
// the printing of the command's result, as text or, with --json, as JSON.
class CliContext
{
public:
    CliContext(const GlobalOptions& options, const QString& command, QTextStream& out, QTextStream& err);

    QTextStream& out() { return m_out; }
    QTextStream& err() { return m_err; }
    InfoOstrum target(const Document* doc = nullptr) const { return m_options.target(doc); }
    const GlobalOptions& options() const { return m_options; }
    bool json() const { return m_options.bJson; }

    // The command's arguments; false after the problem has been reported (exit with ExitUsage).
    bool scan(const QStringList& args, const QStringList& valued, const QStringList& flags,
              CommandArgs& parsed);

    // Reads and parses a document file. On failure the reader's message is the command's result
    // (finish() has run: the command returns ExitFailure) and the result is null. Warnings of a
    // successful read are notices.
    std::unique_ptr<Document> loadDocument(const QString& fileName);

    // Runs the operation to its end in a local event loop; with bProgress its progress is shown
    // on standard error as "\r<label>: <value> bytes". The outcome's notice, if any, is a notice.
    const OperationOutcome& run(DeviceOperation& operation, bool bProgress = false);
    // The outcome of an operation that has finished; its notice, if any, is a notice.
    const OperationOutcome& ended(const DeviceOperation& operation);

    // Said on standard error at once and kept for the JSON result: what was put right or noticed
    // on the way, and a failure that does not end the command at once.
    void notice(const QString& text);
    void problem(const QString& text);

    // Prints the command's result and returns its exit code: its text on standard output or, with
    // --json, one line holding the JSON object instead; its message on standard error either way.
    int finish(const CommandResult& result);
    // One line of JSON on standard output, for results that stream (monitor).
    void printJson(const QJsonObject& object);
    bool hasFinished() const { return m_bFinished; }
    // The result as --json prints it (also without --json), once finish() has run.
    const QJsonObject& resultObject() const { return m_result; }

    // The text on standard error; the exit code ExitUsage. Usage errors print no JSON.
    int usage(const QString& text);

private:
    GlobalOptions m_options;
    QString m_command;
    QTextStream& m_out;
    QTextStream& m_err;
    QStringList m_notices;
    QStringList m_problems;
    bool m_bFinished = false;
    QJsonObject m_result;
};
