#pragma once

#include "cli/cliContext.h"

#include <QJsonObject>
#include <QVector>

#include <memory>
#include <optional>

class Document;
class ModuleList;
struct ModuleEntry;
struct PreparedCommand;

// The module's document read for a fleet command in the module's context; null when the list
// gives it none or it does not read, and then the context holds the failure.
std::unique_ptr<Document> loadModuleDocument(CliContext& context, const ModuleEntry& entry);

// What a fleet prints: one line per module in list order (name, address, verdict and message),
// or with --json the module's result object with its `module` and `address`, each as soon as the
// modules before it are over; then a summary that is the fleet's own result.
class FleetReport
{
public:
    FleetReport(CliContext& context, const ModuleList& list, const QString& command, const QString& listFile,
                const PreparedCommand& prepared);

    // Module i is over with the result object of its command and what the command said on
    // standard error (shown with the module's name before each line).
    void moduleOver(int i, const QJsonObject& result, const QString& err = QString());
    // The count of each verdict, the modules not done named; the exit code is the worst module's.
    CommandResult summary() const;

    // The module's line: its result's message, or the first lines of its text when it has none.
    static QString lineMessage(const QJsonObject& result, int summaryLines);

private:
    void print(int i);

    CliContext& m_context;
    const ModuleList& m_list;
    QString m_command;
    QString m_listFile;
    int m_summaryLines;
    bool m_bFullText;
    QVector<std::optional<QJsonObject>> m_results;
    QStringList m_errs;
    int m_printed = 0;
    int m_nameWidth = 0;
    int m_addressWidth = 0;
};
