#include "dialogs/modulesWindow.h"
#include "dialogs/msrCntWidget.h"
#include "tests/support/scriptedPrompts.h"
#include "tests/support/workerHarness.h"

#include <QAction>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QUdpSocket>
#include <QtTest>

// The Modules window against simulated modules: its rows, the operations of a row and of all, a
// Download All cancelled, the counter window of a module and the list saved.
class TestModulesWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void window()
    {
        InProcessModule a, b;
        QUdpSocket dead; // bound, never answering
        QVERIFY(dead.bind(QHostAddress(QHostAddress::LocalHost), 0));
        const QString listFile = m_dir.filePath("crate.list");
        QVERIFY(writeFile(listFile, QString("a 127.0.0.1:%1 %3\nb 127.0.0.1:%2 %3\nlost 127.0.0.1:%4 %3\n")
                                        .arg(a.server.port())
                                        .arg(b.server.port())
                                        .arg(examplePath("coincidence.vxt3"))
                                        .arg(dead.localPort())
                                        .toUtf8()));
        QString error;
        const std::optional<ModuleList> list = ModuleList::load(listFile, &error);
        QVERIFY2(list, qPrintable(error));
        ScriptedPrompts prompts;
        auto* window = new ModulesWindow(listFile, *list, prompts);
        QPointer<ModulesWindow> guard(window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QSignalSpy finished(&window->fleet(), &ModuleFleet::finished);

        // Opening refreshes every row; the lost module is named unreachable.
        QVERIFY(finished.wait(30000));
        QCOMPARE(rowText(window, 0), QString("a|yes|3.01|writable|0|coincidence.vxt3|unknown"));
        QCOMPARE(rowText(window, 2), QString("lost|no||||coincidence.vxt3|unknown"));
        QVERIFY(window->table()
                    ->item(2, ModulesWindow::ResultColumn)
                    ->text()
                    .startsWith("no answer from 127.0.0.1:"));

        // Download All under a progress dialog, then b changed and verified on its own.
        window->button("downloadAllButton")->click();
        QVERIFY(window->progressDialog());
        QVERIFY(finished.wait(30000));
        QVERIFY(!window->progressDialog());
        QCOMPARE(rowText(window, 1), QString("b|yes|3.01|writable|0|coincidence.vxt3|matched"));
        b.memory.poke(0x68, 0x00);
        window->table()->selectRow(1);
        window->button("verifyButton")->click();
        QCOMPARE(prompts.shownTexts(), QString("The output may become unstable during verify."));
        QVERIFY(finished.wait(30000));
        QCOMPARE(rowText(window, 1), QString("b|yes|3.01|writable|0|coincidence.vxt3|differs"));
        QVERIFY(
            window->table()->item(1, ModulesWindow::ResultColumn)->text().startsWith("Verify: The Register"));

        // Cancelled while the lost module holds the one place: the rest is not begun.
        window->fleet().setJobs(1);
        window->verify({2, 0});
        QVERIFY(window->progressDialog());
        window->progressDialog()->cancel();
        QVERIFY(finished.wait(30000));
        QCOMPARE(finished.last().at(1).toInt(), 1);
        QCOMPARE(rowText(window, 0), QString("a|yes|3.01|writable|0|coincidence.vxt3|matched"));

        // Open document goes to the main window; Counters opens the module's counter window.
        QSignalSpy open(window, &ModulesWindow::openDocument);
        window->table()->selectRow(0);
        window->button("openButton")->click();
        QCOMPARE(open.value(0).value(0).toString(), examplePath("coincidence.vxt3"));
        window->button("countersButton")->click();
        QVERIFY(window->findChild<MsrCntWidget*>());

        prompts.saveNames << m_dir.filePath("saved.list");
        window->button("saveListButton")->click();
        QVERIFY(ModuleList::load(m_dir.filePath("saved.list"), &error));
        QCOMPARE(window->windowTitle(), QString("Modules - saved.list"));
        window->close();
        QTRY_VERIFY(!guard);
    }

    // File > Modules opens the window on the list chosen; its Open document opens the document in
    // the main window.
    void fromMenu()
    {
        const auto settings = isolateSettings();
        const QString listFile = m_dir.filePath("menu.list");
        QVERIFY(writeFile(listFile, QString("m 127.0.0.1:9 %1\n").arg(examplePath("scaler.vxt3")).toUtf8()));
        struct ListPrompts : ScriptedPrompts
        {
            QString list;
            QString openFileName(QWidget*, const QString&, const QString&, const QString&) override
            {
                return list;
            }
        };
        QString none;
        MainWindow main(none, nullptr);
        auto* prompts = new ListPrompts;
        prompts->list = listFile;
        main.setPrompts(std::unique_ptr<Prompts>(prompts));
        main.action("actionModules")->trigger();
        auto* window = main.findChild<ModulesWindow*>();
        QVERIFY(window);
        window->openDocumentOf(0);
        QCOMPARE(main.fileName(), examplePath("scaler.vxt3"));
    }

private:
    // Name, reachable, hardware, protection, boot slot, document and holds of a row, by "|".
    static QString rowText(ModulesWindow* window, int row)
    {
        QStringList cells;
        for (int c :
             {ModulesWindow::NameColumn, ModulesWindow::ReachableColumn, ModulesWindow::HardwareColumn,
              ModulesWindow::ProtectionColumn, ModulesWindow::BootSlotColumn, ModulesWindow::DocumentColumn,
              ModulesWindow::HoldsColumn})
            cells << window->table()->item(row, c)->text();
        return cells.join('|');
    }

    QTemporaryDir m_dir;
};

QTEST_MAIN(TestModulesWindow)
#include "tst_moduleswindow.moc"
