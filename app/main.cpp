#include "app/commandLine.h"
#include "app/mainwindow.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char** argv)
{
    CommandLine cl = parseCommandLine(argc, argv);
    int qtArgc = cl.applicationArgc;
    QApplication app(qtArgc, argv);
    MainWindow window(cl.fileName, cl.supplied ? &cl.info : nullptr, nullptr);
    if (!cl.error.isEmpty())
        QMessageBox::warning(&window, QStringLiteral("Vextor"), cl.error, QMessageBox::Ok);
    window.show();
    return app.exec();
}
