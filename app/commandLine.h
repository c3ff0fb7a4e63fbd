#pragma once

#include "device/connectionOptions.h"

#include <QString>

// What the process command line asked for: connection settings, a document and, when something
// was refused, the usage text to show once the window exists.
struct CommandLine
{
    InfoOstrum info = InfoOstrum::defaults(true);
    bool supplied = false;   // at least one option stored a value (-a on alone does not count)
    QString fileName;        // empty: no document
    QString error;           // usage text (and the reason, when known), or empty
    int applicationArgc = 0; // argument count to hand to QApplication
};

// "Usage: <program> [-t <TCP port>] ..." with the program name taken from the first word, and
// below it the form that prints the version.
QString usageText(const char* argv0);

// Whether the arguments (after the program name) include --version.
bool asksForVersion(int argc, char** argv);

// Reads the options "h:t:u:a:o:" with getopt (which may reorder argv) and the file name.
CommandLine parseCommandLine(int argc, char** argv);
