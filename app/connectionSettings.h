#pragma once

#include "model/infoOstrum.h"

// The rules between the connection settings of the open document and those given on the command
// line: the command line's always win, over the defaults and over whatever a document brings.
class ConnectionSettings
{
public:
    // commandLine is null when the command line gave no settings.
    explicit ConnectionSettings(const InfoOstrum* commandLine);

    bool hasCommandLine() const { return !m_infoDefaultOstrum.strAddr.isEmpty(); }
    const InfoOstrum& commandLine() const { return m_infoDefaultOstrum; }

    // The settings of the first document: the command line's, else the defaults with Auto Start on.
    InfoOstrum initial() const;
    // The settings of a cleared document: the command line's, else the defaults with Auto Start off.
    InfoOstrum cleared() const;
    // Settings read from a document give way to the command line's; true when that changed them.
    bool applyCommandLine(InfoOstrum& settings) const;

private:
    InfoOstrum m_infoDefaultOstrum;
};
