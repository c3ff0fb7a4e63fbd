#pragma once

#include "cli/cliApp.h"
#include "tests/support/workerHarness.h"

#include <QStringList>
#include <vector>

// An argv built from strings, for CliApp::run and getopt (which reorders the pointers: build one
// per reading).
struct Argv
{
    explicit Argv(const QStringList& args)
    {
        for (const QString& a : args)
            storage.push_back(a.toLocal8Bit());
        for (QByteArray& s : storage)
            pointers.push_back(s.data());
        pointers.push_back(nullptr);
    }
    int argc() const { return int(pointers.size()) - 1; }
    char** argv() { return pointers.data(); }

    std::vector<QByteArray> storage;
    std::vector<char*> pointers;
};

struct CliResult
{
    int exitCode = -1;
    QString out;
    QString err;
};

// vextor-cli run in this process with these arguments after the program name.
inline CliResult runCli(const QStringList& args)
{
    Argv argv(QStringList{"vextor-cli"} + args);
    CliResult r;
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    r.exitCode = CliApp::run(argv.argc(), argv.argv(), out, err);
    out.flush();
    err.flush();
    return r;
}

// The same against the simulated module (its address, its UDP port and a time-out of one second
// come first): the module is served while the command waits.
inline CliResult runCli(const InProcessModule& module, const QStringList& args)
{
    return runCli(QStringList{"-h", "127.0.0.1", "-u", QString::number(module.server.port()), "-o", "1"} +
                  args);
}
