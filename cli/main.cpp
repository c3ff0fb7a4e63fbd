#include "cli/cliApp.h"

#include <QCoreApplication>

// The command-line tool runs headless.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return CliApp::run(argc, argv);
}
