#include "app/commandLine.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QIcon>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char** argv)
{
    // Answered before the toolkit starts, so that it works without a display.
    if (asksForVersion(argc, argv)) {
        std::printf("vextor %s\n", VEXTOR_VERSION);
        return 0;
    }
    CommandLine cl = parseCommandLine(argc, argv);
    int qtArgc = cl.applicationArgc;
    QApplication app(qtArgc, argv);
    // Desktops match the window to the installed desktop entry by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("vextor"));
    MainWindow window(cl.fileName, cl.supplied ? &cl.info : nullptr, nullptr);
    // The icon theme's when installed, else the compiled-in one (registered by the window's pictures).
    QApplication::setWindowIcon(
        QIcon::fromTheme(QStringLiteral("vextor"), QIcon(QStringLiteral(":/Vextor_icon/vextor.png"))));
    if (!cl.error.isEmpty())
        QMessageBox::warning(&window, QStringLiteral("Vextor"), cl.error, QMessageBox::Ok);
    window.show();
    return app.exec();
}
