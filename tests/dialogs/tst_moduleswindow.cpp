#include "app/deviceFlows.h"
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
        QVERIFY(writeFile(listFile, QString("a 127.0.0.1:%1 %3\nb 127.0.0.1:%2 %3\nlost 127.0.0.1:%4 %5\n")
                                        .arg(a.server.port())
                                        .arg(b.server.port())
                                        .arg(examplePath("coincidence.vxt3"))
                                        .arg(dead.localPort())
                                        .arg(examplePath("scaler.vxt3"))
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
        QCOMPARE(rowText(window, 2), QString("lost|no||||scaler.vxt3|unknown"));
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

        // Open document goes to the main window. Counters opens a counter window on the chosen
        // module, configured by its document, or says that the document has no measure counter.
        QStringList opened;
        connect(window, &ModulesWindow::openDocument, this,
                [&opened](const ModuleEntry& m) { opened << m.name; });
        window->table()->selectRow(0);
        window->button("openButton")->click();
        QCOMPARE(opened, QStringList{"a"});
        prompts.shown.clear();
        window->button("countersButton")->click();
        QCOMPARE(prompts.shownTexts(), QString("There is no MsrCnt."));
        QVERIFY(!window->findChild<MsrCntWidget*>());
        window->table()->selectRow(2);
        window->button("countersButton")->click();
        auto* counters = window->findChild<MsrCntWidget*>();
        QVERIFY(counters);
        const CounterMonitorSetup& setup = counters->session().setup();
        QCOMPARE(QString("%1:%2 %3").arg(setup.strAddr).arg(setup.udpPort).arg(setup.name[2]),
                 QString("127.0.0.1:%1 TRIPLE_CNT").arg(dead.localPort()));
        QVERIFY(counters->windowTitle().endsWith(" - lost"));
        window->button("countersButton")->click(); // the same window again, not a second one
        QCOMPARE(window->findChildren<MsrCntWidget*>().size(), 1);

        prompts.saveNames << m_dir.filePath("saved.list");
        window->button("saveListButton")->click();
        QVERIFY(ModuleList::load(m_dir.filePath("saved.list"), &error));
        QCOMPARE(window->windowTitle(), QString("Modules - saved.list"));
        window->close();
        QTRY_VERIFY(!guard);
    }

    // File > Modules opens the window on the list chosen; its Open document opens the document in
    // the main window aimed at the row's module, over the command line's target, unmodified.
    void fromMenu()
    {
        const auto settings = isolateSettings();
        const QString listFile = m_dir.filePath("menu.list");
        QVERIFY(
            writeFile(listFile, QString("m 127.0.0.2:9:10 %1\n").arg(examplePath("scaler.vxt3")).toUtf8()));
        struct ListPrompts : ScriptedPrompts
        {
            QString list;
            QString openFileName(QWidget*, const QString&, const QString&, const QString&) override
            {
                return list;
            }
        };
        QString none;
        InfoOstrum commandLine = InfoOstrum::defaults(true);
        commandLine.strAddr = QStringLiteral("10.0.0.5");
        MainWindow main(none, &commandLine);
        auto* prompts = new ListPrompts;
        prompts->list = listFile;
        main.setPrompts(std::unique_ptr<Prompts>(prompts));
        main.action("actionModules")->trigger();
        auto* window = main.findChild<ModulesWindow*>();
        QVERIFY(window);
        window->openDocumentOf(0);
        QCOMPARE(main.fileName(), examplePath("scaler.vxt3"));
        const InfoOstrum& target = *main.infoOstrum();
        QCOMPARE(QString("%1:%2:%3").arg(target.strAddr).arg(target.udpPort).arg(target.tcpPort),
                 QString("127.0.0.2:9:10"));
        QVERIFY(!main.isWindowModified());
        QVERIFY(!main.session().canUndo());
        QVERIFY(main.deviceFlows().statusBar().text().contains("127.0.0.2"));
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
