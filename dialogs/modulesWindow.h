#pragma once

#include "kit/prompts.h"
#include "operations/moduleFleet.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class MsrCntWidget;
class QLabel;
class QProgressDialog;
class QPushButton;
class QTableWidget;

// The "Modules" window: a module list, a row a module with what is known of it (reachable,
// hardware version, protection, boot slot, whether it holds its document), the operations of one
// row (Download, Verify, Open document, Counters) and of all (Download All and Verify All under
// one progress dialog that cancels them, Refresh), and Save List. The operations are the
// editor's own, run for many modules at once by a ModuleFleet. Open document asks the main
// window through openDocument(); Counters opens a Measure Counter window of the module.
class ModulesWindow : public QDialog
{
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        AddressColumn,
        ReachableColumn,
        HardwareColumn,
        ProtectionColumn,
        BootSlotColumn,
        DocumentColumn,
        HoldsColumn,
        ResultColumn,
        Columns
    };

    // The prompts must outlive the window.
    ModulesWindow(const QString& listFile, const ModuleList& list, Prompts& prompts,
                  QWidget* parent = nullptr);
    ~ModulesWindow() override;

    ModuleFleet& fleet() { return *m_fleet; }
    QTableWidget* table() const { return m_table; }
    QPushButton* button(const QString& objectName) const;
    QProgressDialog* progressDialog() const { return m_progress; }
    QString listFile() const { return m_listFile; }

    void download(const QVector<int>& modules);
    void verify(const QVector<int>& modules);
    void refresh();
    void openDocumentOf(int module);
    void openCountersOf(int module);
    // Asks for a file name and writes the list there (documents relative to its folder).
    void saveList();

signals:
    // The user chose to work on this module's document (its document is not empty).
    void openDocument(const ModuleEntry& module);

private:
    class RunPrompts;

    void run(ModuleFleet::Action action, const QVector<int>& modules, bool bProgressDialog);
    void showModule(int module);
    void runFinished(ModuleFleet::Action action, int failed);
    void updateButtons();
    int currentModule() const;

    QString m_listFile;
    Prompts& m_prompts;
    std::unique_ptr<RunPrompts> m_runPrompts;
    std::unique_ptr<ModuleFleet> m_fleet;
    QTableWidget* m_table;
    QLabel* m_status;
    QProgressDialog* m_progress = nullptr;
    QVector<QPointer<MsrCntWidget>> m_counters;
};
