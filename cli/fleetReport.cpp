#include "cli/fleetReport.h"

#include "cli/moduleCommand.h"
#include "io/document.h"
#include "operations/moduleList.h"

#include <QJsonArray>

namespace {
QStringList lines(const QString& text)
{
    QStringList list = text.split(QLatin1Char('\n'));
    list.removeAll(QString());
    return list;
}
} // namespace

FleetReport::FleetReport(CliContext& context, const ModuleList& list, const QString& command,
                         const QString& listFile, const PreparedCommand& prepared)
    : m_context(context)
    , m_list(list)
    , m_command(command)
    , m_listFile(listFile)
    , m_summaryLines(prepared.summaryLines)
    , m_bFullText(prepared.bFullText)
    , m_results(list.size())
    , m_errs(QVector<QString>(list.size()).toList())
{
    for (const ModuleEntry& module : list.modules()) {
        m_nameWidth = qMax(m_nameWidth, module.name.size());
        m_addressWidth = qMax(m_addressWidth, module.address().size());
    }
}

void FleetReport::moduleOver(int i, const QJsonObject& result, const QString& err)
{
    m_results[i] = result;
    m_errs[i] = err;
    while (m_printed < m_results.size() && m_results.at(m_printed))
        print(m_printed++);
}

QString FleetReport::lineMessage(const QJsonObject& result, int summaryLines)
{
    const QStringList message = lines(result.value("message").toString());
    if (!message.isEmpty())
        return message.join(QStringLiteral("; "));
    return lines(result.value("text").toString()).mid(0, summaryLines).join(QStringLiteral("; "));
}

void FleetReport::print(int i)
{
    const ModuleEntry& module = m_list.at(i);
    QJsonObject result = *m_results.at(i);
    for (const QString& line : lines(m_errs.at(i)))
        m_context.err() << module.name << ": " << line << '\n';
    m_context.err().flush();
    if (m_context.json()) {
        result.insert("module", module.name);
        result.insert("address", module.address());
        m_context.printJson(result);
        return;
    }
    const QString line = module.name.leftJustified(m_nameWidth) + QStringLiteral("  ") +
                         module.address().leftJustified(m_addressWidth) + QStringLiteral("  ") +
                         result.value("verdict").toString() + QStringLiteral("  ") +
                         lineMessage(result, m_summaryLines);
    m_context.out() << line.trimmed() << '\n';
    if (m_bFullText) {
        const QStringList text = lines(result.value("text").toString());
        for (int l = result.value("message").toString().isEmpty() ? 1 : 0; l < text.size(); ++l)
            m_context.out() << "    " << text.at(l) << '\n';
    }
    m_context.out().flush();
}

CommandResult FleetReport::summary() const
{
    CommandResult result;
    QStringList verdicts; // in order of first appearance, done first
    QMap<QString, QStringList> names;
    QJsonArray notDone;
    for (int i = 0; i < m_results.size(); ++i) {
        const QJsonObject& r = *m_results.at(i);
        const QString verdict = r.value("verdict").toString();
        const int exitCode = r.value("exit_code").toInt();
        if (!names.contains(verdict))
            verdicts.append(verdict);
        names[verdict].append(m_list.at(i).name);
        if (verdict != verdictName(Verdict::Done))
            notDone.append(m_list.at(i).name);
        if (exitCode > result.exitCode) { // the first of the worst
            result.exitCode = exitCode;
            result.verdict = verdict;
        }
    }
    std::stable_sort(verdicts.begin(), verdicts.end(), [](const QString& a, const QString& b) {
        return a == verdictName(Verdict::Done) && b != a;
    });
    QStringList counts;
    QJsonObject verdictCounts;
    for (const QString& verdict : verdicts) {
        const QStringList& modules = names.value(verdict);
        verdictCounts.insert(verdict, modules.size());
        counts << (verdict == verdictName(Verdict::Done)
                       ? QStringLiteral("%1 %2").arg(modules.size()).arg(verdict)
                       : QStringLiteral("%1 %2 (%3)")
                             .arg(modules.size())
                             .arg(verdict, modules.join(QStringLiteral(", "))));
    }
    result.text =
        QStringLiteral("%1 modules: %2\n").arg(m_results.size()).arg(counts.join(QStringLiteral(", ")));
    if (!notDone.isEmpty()) {
        QStringList list;
        for (const QJsonValue& name : qAsConst(notDone))
            list << name.toString();
        result.message = QStringLiteral("%1 of %2 modules not done: %3")
                             .arg(notDone.size())
                             .arg(m_results.size())
                             .arg(list.join(QStringLiteral(", ")));
    }
    result.data = {{"list", m_listFile},
                   {"command", m_command},
                   {"modules", m_results.size()},
                   {"verdicts", verdictCounts},
                   {"not_done", notDone}};
    return result;
}

std::unique_ptr<Document> loadModuleDocument(CliContext& context, const ModuleEntry& entry)
{
    if (!entry.document.isEmpty())
        return context.loadDocument(entry.document);
    context.finish(CommandResult::failure(CommandResult::FILE_FAILURE, entry.noDocumentText()));
    return nullptr;
}
