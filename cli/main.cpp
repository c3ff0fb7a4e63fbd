#include "cli/cliApp.h"

#include <QCoreApplication>
#include <QGuiApplication>

// The command-line tool runs headless. Only export draws, and drawing text needs the fonts of a
// GUI application: it gets one on the offscreen platform, so that no display is needed.
int main(int argc, char** argv)
{
    if (CliApp::draws(argc, argv)) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return CliApp::run(argc, argv);
    }
    QCoreApplication app(argc, argv);
    return CliApp::run(argc, argv);
}
