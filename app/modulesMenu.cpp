#include "app/modulesMenu.h"

#include "app/deviceFlows.h"
#include "app/mainwindow.h"
#include "dialogs/modulesWindow.h"
#include "io/document.h"

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
                         [&window](const ModuleEntry& module) { window.openModuleDocument(module); });
        modules->show();
    });
}

bool MainWindow::openModuleDocument(const ModuleEntry& module)
{
    if (!open(module.document))
        return false;
    module.aim(*infoOstrum());
    // The history starts over from the document aimed at the module (dropping the step that the
    // command line's settings may have taken): undo never turns to another module, and the
    // document is as unmodified as any file just opened. A save stores the module's address.
    clearBuffer();
    m_flows->refreshStatus();
    return true;
}
