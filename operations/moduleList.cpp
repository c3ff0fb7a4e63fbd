#include "operations/moduleList.h"

#include "device/connectionOptions.h"
#include "io/document.h"
#include "model/outputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>

namespace {

// The fields of one line: blank-separated words, a word in double quotes may hold blanks and "#",
// and "#" outside quotes ends the line (*comment: where, else -1). False with *error on an
// unclosed quote.
bool splitFields(const QString& line, QStringList& fields, QString* error, int* comment = nullptr)
{
    int i = 0;
    if (comment)
        *comment = -1;
    while (i < line.size()) {
        const QChar c = line.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('#')) {
            if (comment)
                *comment = i;
            break;
        } else if (c == QLatin1Char('"')) {
            const int close = line.indexOf(QLatin1Char('"'), i + 1);
            if (close < 0) {
                *error = QStringLiteral("a quote is not closed");
                return false;
            }
            fields << line.mid(i + 1, close - i - 1);
            i = close + 1;
        } else {
            int end = i;
            while (end < line.size() && !line.at(end).isSpace() && line.at(end) != QLatin1Char('#')) {
                if (line.at(end) == QLatin1Char('"')) {
                    *error = QStringLiteral("a quote inside a word");
                    return false;
                }
                ++end;
            }
            fields << line.mid(i, end - i);
            i = end;
        }
    }
    return true;
}

// HOST[:UDP[:TCP]] by the command line's rules for -h, -u and -t.
bool parseAddress(const QString& text, ModuleEntry& entry, QString* error)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    InfoOstrum info = InfoOstrum::defaults(false);
    if (parts.size() > 3 || applyConnectionOption('h', parts.at(0), info) != OptionResult::Stored) {
        *error = QStringLiteral("%1 is not a module address (HOST[:UDP[:TCP]])").arg(text);
        return false;
    }
    if (parts.size() > 1 && applyConnectionOption('u', parts.at(1), info) != OptionResult::Stored) {
        *error = QStringLiteral("%1 is not a UDP port").arg(parts.at(1));
        return false;
    }
    if (parts.size() > 2 && applyConnectionOption('t', parts.at(2), info) != OptionResult::Stored) {
        *error = QStringLiteral("%1 is not a TCP port").arg(parts.at(2));
        return false;
    }
    entry.host = info.strAddr;
    entry.udpPort = info.udpPort;
    entry.tcpPort = info.tcpPort;
    return true;
}

QString quotedIfNeeded(const QString& path)
{
    static const QRegularExpression plain(QStringLiteral("^[^\\s#\"]+$"));
    return plain.match(path).hasMatch() ? path : QLatin1Char('"') + path + QLatin1Char('"');
}

enum class LineKind { Blank, Module, Refused };

// Reads one line of a list kept in folder into entry (Module), or says why it is refused.
LineKind readLine(const QString& line, const QString& folder, ModuleEntry& entry, QString& why,
                  int* comment = nullptr)
{
    QStringList fields;
    if (!splitFields(line, fields, &why, comment))
        return LineKind::Refused;
    if (fields.isEmpty())
        return LineKind::Blank;
    if (fields.size() < 2 || fields.size() > 3) {
        why = QStringLiteral("expected NAME HOST[:UDP[:TCP]] [DOCUMENT], found %1 fields").arg(fields.size());
        return LineKind::Refused;
    }
    if (!parseAddress(fields.at(1), entry, &why))
        return LineKind::Refused;
    entry.name = fields.at(0);
    if (fields.size() == 3)
        entry.document = QDir::cleanPath(QDir(folder).absoluteFilePath(fields.at(2)));
    return LineKind::Module;
}

// The module's line in a list kept in folder: ports only where they differ from the defaults,
// the document relative to the folder where it lies below it.
QString moduleLine(const ModuleEntry& m, const QString& folder)
{
    QString address = m.host;
    if (m.udpPort != InfoOstrum::DEFAULT_UDP_PORT || m.tcpPort != InfoOstrum::DEFAULT_TCP_PORT)
        address += QStringLiteral(":%1").arg(m.udpPort);
    if (m.tcpPort != InfoOstrum::DEFAULT_TCP_PORT)
        address += QStringLiteral(":%1").arg(m.tcpPort);
    QString line = m.name + QLatin1Char(' ') + address;
    if (!m.document.isEmpty()) {
        const QString relative = QDir(folder).relativeFilePath(m.document);
        line += QLatin1Char(' ') +
                quotedIfNeeded(relative.startsWith(QLatin1String("../")) ? m.document : relative);
    }
    return line;
}

// The line as it stands when it still reads as the module from folder; otherwise the module's
// line with the old line's comment (and line end) kept.
QString keptLine(const QString& line, const ModuleEntry& m, const QString& folder)
{
    ModuleEntry reread;
    QString why;
    int comment = -1;
    if (readLine(line, folder, reread, why, &comment) == LineKind::Module && reread.name == m.name &&
        reread.host == m.host && reread.udpPort == m.udpPort && reread.tcpPort == m.tcpPort &&
        reread.document == m.document)
        return line;
    if (comment >= 0)
        return moduleLine(m, folder) + QLatin1Char(' ') + line.mid(comment);
    return moduleLine(m, folder) + (line.endsWith(QLatin1Char('\r')) ? QStringLiteral("\r") : QString());
}

} // namespace

QString ModuleEntry::address() const
{
    return QStringLiteral("%1:%2:%3").arg(host).arg(udpPort).arg(tcpPort);
}

InfoOstrum ModuleEntry::target(const Document* doc, std::optional<int> timeout) const
{
    InfoOstrum info = InfoOstrum::defaults(true);
    if (doc) {
        info.timeout = doc->info().timeout;
        info.bStart = doc->info().bStart;
    }
    if (timeout)
        info.timeout = *timeout;
    aim(info);
    return info;
}

QString ModuleEntry::noDocumentText() const
{
    return QStringLiteral("The module list gives %1 no document.").arg(name);
}

void ModuleEntry::aim(InfoOstrum& settings) const
{
    settings.strAddr = host;
    settings.udpPort = udpPort;
    settings.tcpPort = tcpPort;
}

QString ModuleList::nameProblem(const QString& name)
{
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9_\\-][A-Za-z0-9_.\\-]*$"));
    if (name.size() > MAX_NAME_LENGTH)
        return QStringLiteral("the name %1 is longer than %2 characters").arg(name).arg(MAX_NAME_LENGTH);
    if (!valid.match(name).hasMatch())
        return QStringLiteral("the name %1 may hold only letters, digits, \"_\", \"-\" and \".\" (not first)")
            .arg(name);
    return QString();
}

bool ModuleList::append(const ModuleEntry& entry, QString* error)
{
    QString problem = nameProblem(entry.name);
    for (const ModuleEntry& other : qAsConst(m_modules)) {
        if (problem.isEmpty() && other.name == entry.name)
            problem =
                other.line > 0
                    ? QStringLiteral("the name %1 is already used on line %2").arg(entry.name).arg(other.line)
                    : QStringLiteral("the name %1 is already used").arg(entry.name);
    }
    if (problem.isEmpty() && m_modules.size() >= MAX_MODULES)
        problem = QStringLiteral("a list holds at most %1 modules").arg(MAX_MODULES);
    if (!problem.isEmpty()) {
        if (error)
            *error = problem;
        return false;
    }
    m_modules.append(entry);
    return true;
}

std::optional<ModuleList> ModuleList::parse(const QByteArray& text, const QString& folder, QString* error)
{
    int line = 0;
    QString why;
    std::optional<ModuleList> list = parseLines(text, folder, line, why);
    if (!list && error)
        *error = QStringLiteral("line %1: %2").arg(line).arg(why);
    return list;
}

std::optional<ModuleList> ModuleList::parseLines(const QByteArray& text, const QString& folder, int& line,
                                                 QString& why)
{
    ModuleList list;
    list.m_lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (int n = 1; n <= list.m_lines.size(); ++n) {
        ModuleEntry entry;
        entry.line = n;
        const LineKind kind = readLine(list.m_lines.at(n - 1), folder, entry, why);
        if (kind == LineKind::Blank || (kind == LineKind::Module && list.append(entry, &why)))
            continue;
        line = n;
        return std::nullopt;
    }
    return list;
}

std::optional<ModuleList> ModuleList::load(const QString& fileName, QString* error)
{
    QFile file(fileName);
    QString why;
    QByteArray text;
    if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    else if ((text = file.read(MAX_FILE_SIZE + 1)).size() > MAX_FILE_SIZE)
        why = QStringLiteral("a module list is at most %1 bytes; it is not read").arg(MAX_FILE_SIZE);
    else if (file.error() != QFileDevice::NoError)
        why = file.errorString();
    if (!why.isEmpty()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, why);
        return std::nullopt;
    }
    int line = 0;
    std::optional<ModuleList> list = parseLines(text, QFileInfo(fileName).absolutePath(), line, why);
    if (!list && error)
        *error = QStringLiteral("%1:%2: %3").arg(fileName).arg(line).arg(why);
    return list;
}

QByteArray ModuleList::toText(const QString& folder) const
{
    QStringList lines;
    QVector<bool> written(m_modules.size(), false);
    if (m_lines.isEmpty())
        lines << QStringLiteral("# NAME HOST[:UDP[:TCP]] [DOCUMENT]") << QString();
    QHash<int, int> moduleOfLine;
    for (int i = 0; i < m_modules.size(); ++i) {
        if (m_modules.at(i).line > 0)
            moduleOfLine.insert(m_modules.at(i).line, i);
    }
    // The lines read stay as they were (comments, blank lines, spelling), but for a module's
    // document that is written differently from the new folder.
    for (int n = 1; n <= m_lines.size(); ++n) {
        const int i = moduleOfLine.value(n, -1);
        if (i < 0) {
            lines << m_lines.at(n - 1);
        } else {
            lines << keptLine(m_lines.at(n - 1), m_modules.at(i), folder);
            written[i] = true;
        }
    }
    // Modules added since go before the final line end.
    if (!lines.last().isEmpty())
        lines << QString();
    for (int i = 0; i < m_modules.size(); ++i) {
        if (!written.at(i))
            lines.insert(lines.size() - 1, moduleLine(m_modules.at(i), folder));
    }
    return lines.join(QLatin1Char('\n')).toUtf8();
}

bool ModuleList::save(const QString& fileName, QString* error) const
{
    QString reason;
    if (OutputFile::write(fileName, toText(QFileInfo(fileName).absolutePath()), &reason))
        return true;
    if (error)
        *error = QStringLiteral("%1: %2").arg(fileName, reason);
    return false;
}
