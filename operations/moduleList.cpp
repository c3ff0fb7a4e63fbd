#include "operations/moduleList.h"

#include "device/connectionOptions.h"
#include "io/document.h"
#include "model/outputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// The fields of one line: blank-separated words, a word in double quotes may hold blanks and "#",
// and "#" outside quotes ends the line. False with *error on an unclosed quote.
bool splitFields(const QString& line, QStringList& fields, QString* error)
{
    int i = 0;
    while (i < line.size()) {
        const QChar c = line.at(i);
        if (c.isSpace()) {
            ++i;
        } else if (c == QLatin1Char('#')) {
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

} // namespace

QString ModuleEntry::address() const
{
    return QStringLiteral("%1:%2:%3").arg(host).arg(udpPort).arg(tcpPort);
}

InfoOstrum ModuleEntry::target(const Document* doc) const
{
    InfoOstrum info = InfoOstrum::defaults(true);
    if (doc) {
        info.timeout = doc->info().timeout;
        info.bStart = doc->info().bStart;
    }
    aim(info);
    return info;
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
    const QStringList lines = QString::fromUtf8(text).split(QLatin1Char('\n'));
    for (int n = 1; n <= lines.size(); ++n) {
        QStringList fields;
        ModuleEntry entry;
        entry.line = n;
        if (!splitFields(lines.at(n - 1), fields, &why)) {
        } else if (fields.isEmpty()) {
            continue;
        } else if (fields.size() < 2 || fields.size() > 3) {
            why = QStringLiteral("expected NAME HOST[:UDP[:TCP]] [DOCUMENT], found %1 fields")
                      .arg(fields.size());
        } else if (parseAddress(fields.at(1), entry, &why)) {
            entry.name = fields.at(0);
            if (fields.size() == 3)
                entry.document = QDir::cleanPath(QDir(folder).absoluteFilePath(fields.at(2)));
            if (list.append(entry, &why))
                continue;
        }
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
    QString text = QStringLiteral("# NAME HOST[:UDP[:TCP]] [DOCUMENT]\n");
    const QDir dir(folder);
    for (const ModuleEntry& m : m_modules) {
        QString address = m.host;
        if (m.udpPort != InfoOstrum::DEFAULT_UDP_PORT || m.tcpPort != InfoOstrum::DEFAULT_TCP_PORT)
            address += QStringLiteral(":%1").arg(m.udpPort);
        if (m.tcpPort != InfoOstrum::DEFAULT_TCP_PORT)
            address += QStringLiteral(":%1").arg(m.tcpPort);
        text += m.name + QLatin1Char(' ') + address;
        if (!m.document.isEmpty()) {
            const QString relative = dir.relativeFilePath(m.document);
            text += QLatin1Char(' ') +
                    quotedIfNeeded(relative.startsWith(QLatin1String("../")) ? m.document : relative);
        }
        text += QLatin1Char('\n');
    }
    return text.toUtf8();
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
