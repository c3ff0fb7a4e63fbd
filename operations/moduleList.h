#pragma once

#include "model/infoOstrum.h"

#include <QString>
#include <QVector>

#include <optional>

class Document;

// One module of a list: the name it goes by, where it is reached and the document it is to hold
// (an absolute path; empty when the list gives none).
struct ModuleEntry
{
    QString name;
    QString host;
    quint16 udpPort = InfoOstrum::DEFAULT_UDP_PORT;
    quint16 tcpPort = InfoOstrum::DEFAULT_TCP_PORT;
    QString document;
    int line = 0; // where the list names it (0: not read from a file)

    // "HOST:UDP:TCP", as results name the module.
    QString address() const;
    // The module as one module is driven: the list's address and ports, the document's time-out
    // and Auto Start (the built-in ones without a document).
    InfoOstrum target(const Document* doc = nullptr) const;
    // Points settings at this module: the list's address and ports; the rest stays as it is.
    void aim(InfoOstrum& settings) const;
};

// A plain-text list of modules, one a line: NAME HOST[:UDP[:TCP]] [DOCUMENT]. "#" starts a
// comment; a document with blanks in its path is written in double quotes; a relative document
// path is taken from the list's folder. Names are unique.
class ModuleList
{
public:
    // Larger lists are refused unread: a lab's list is a few kilobytes.
    static constexpr int MAX_FILE_SIZE = 1024 * 1024;
    static constexpr int MAX_MODULES = 1024;
    // Names are used in file names (logs) and labels: letters, digits, "_", "-" and ".", not
    // starting with ".".
    static constexpr int MAX_NAME_LENGTH = 64;

    // Parses the text of a list kept in folder. On a refused line, nothing and *error says
    // "line N: why" for the first one.
    static std::optional<ModuleList> parse(const QByteArray& text, const QString& folder, QString* error);
    // Reads a list file; *error starts with the file's name ("<file>: ..." or "<file>:N: ...").
    static std::optional<ModuleList> load(const QString& fileName, QString* error);

    // The list as text for a file in folder: documents relative to it where they lie below it.
    QByteArray toText(const QString& folder) const;
    // Writes the list atomically; false with *error ("<file>: why") when that fails.
    bool save(const QString& fileName, QString* error) const;

    const QVector<ModuleEntry>& modules() const { return m_modules; }
    int size() const { return m_modules.size(); }
    bool isEmpty() const { return m_modules.isEmpty(); }
    const ModuleEntry& at(int i) const { return m_modules.at(i); }
    // Adds a module; false with *error when its name is taken or not a valid name.
    bool append(const ModuleEntry& entry, QString* error);

    // Why a name cannot name a module (empty when it can).
    static QString nameProblem(const QString& name);

private:
    // The modules, or nothing with the first refused line and why.
    static std::optional<ModuleList> parseLines(const QByteArray& text, const QString& folder, int& line,
                                                QString& why);

    QVector<ModuleEntry> m_modules;
};
