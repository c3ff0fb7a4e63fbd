#include "app/modulesMenu.h"

#include "app/mainwindow.h"
#include "dialogs/modulesWindow.h"

#include <QAction>
#include <QFileInfo>

void connectModulesMenu(MainWindow& window)
{
    QObject::connect(window.action(QStringLiteral("actionModules")), &QAction::triggered, &window, [&window] {
        const QString listFile = window.prompts().openFileName(
            &window, QObject::tr("Open Module List"), QFileInfo(window.fileName()).absolutePath(),
            QObject::tr("Module lists (*.list *.txt);;All files (*)"));
        if (listFile.isEmpty())
            return;
        QString error;
        const std::optional<ModuleList> list = ModuleList::load(listFile, &error);
        if (!list)
            return window.prompts().warning(&window, QObject::tr("Vextor"), error);
        auto* modules = new ModulesWindow(listFile, *list, window.prompts(), &window);
        QObject::connect(modules, &ModulesWindow::openDocument, &window,
                         [&window](const QString& fileName) { window.open(fileName); });
        modules->show();
    });
}
