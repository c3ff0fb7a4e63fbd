#include "app/mainwindow.h"
#include "io/document.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"

#include <QMenu>
#include <QTabBar>
#include <QtTest>

class TestMainWindowLifecycle : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> makeWindow(const QString& file = {})
    {
        return scriptedWindow(m_prompts, file);
    }
    QString path(const QString& name) const { return m_dir->filePath(name); }
    void expectShown(int i, const QString& title, const QString& text)
    {
        QVERIFY(m_prompts->shown.size() > i);
        QCOMPARE(m_prompts->shown.at(i).title, title);
        QCOMPARE(m_prompts->shown.at(i).text, text);
    }
    static QString title(const MainWindow& w) { return w.windowTitle().section(QLatin1Char('['), 0, 0); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }
    void init() { QSettings(QStringLiteral("Halvane"), QStringLiteral("Vextor")).clear(); }

    void initialWindow()
    {
        auto w = makeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Vextor Ⅲ"));
        QCOMPARE(w->tabWidget()->tabText(0), QStringLiteral("Sheet1"));
        QCOMPARE(w->tabWidget()->tabText(1), QStringLiteral("+"));
        QTabBar* bar = w->tabWidget()->tabBar();
        QVERIFY(bar->tabButton(0, QTabBar::RightSide));
        QVERIFY(!bar->tabButton(1, QTabBar::RightSide) && !bar->tabButton(1, QTabBar::LeftSide));
        QVERIFY(!w->recentFilesMenu()->isEnabled());
        QVERIFY(w->infoOstrum()->bStart);
        QVERIFY(!w->action(QStringLiteral("actionOstrum"))->isEnabled());
    }

    void newSheetNames_data()
    {
        QTest::addColumn<QStringList>("renames"); // new names of the existing sheets, in order
        QTest::addColumn<QString>("expected");
        QTest::newRow("gap is reused") << QStringList{"Sheet2"} << "Sheet1";
        QTest::newRow("taken twice") << QStringList{"Sheet2", "Sheet1"} << "Sheet3";
        QTest::newRow("only spaces refused") << QStringList{"   "} << "Sheet2";
        QTest::newRow("trailing spaces kept") << QStringList{"Sheet2 "} << "Sheet1";
    }
    void newSheetNames()
    {
        QFETCH(QStringList, renames);
        auto w = makeWindow();
        for (int i = 0; i < renames.size(); ++i) {
            if (i > 0)
                w->tabNew(false);
            w->tabWidget()->setCurrentIndex(i);
            m_prompts->texts << renames.at(i);
            w->tabRename();
        }
        QCOMPARE(w->isWindowModified(), !renames.at(0).trimmed().isEmpty());
        w->tabNew();
        QTEST(w->tabWidget()->tabText(w->sheetCount() - 1), "expected");
        QVERIFY(w->isWindowModified());
    }

    // Choosing the "+" tab adds a sheet and shows it; with the Tab key held it shows sheet 0.
    void plusTab()
    {
        for (const bool tabKey : {false, true}) {
            auto w = makeWindow();
            w->tabNew(false);
            w->tabWidget()->setCurrentIndex(1);
            if (tabKey)
                QTest::keyPress(w.get(), Qt::Key_Tab);
            w->tabWidget()->setCurrentIndex(w->sheetCount());
            QCOMPARE(w->sheetCount(), tabKey ? 2 : 3);
            QCOMPARE(w->currentTab(), tabKey ? 0 : 2);
            QCOMPARE(w->tabWidget()->currentIndex(), w->currentTab());
            QCOMPARE(w->isWindowModified(), !tabKey);
        }
    }

    void tabDelete()
    {
        auto w = makeWindow(FIXTURE);
        w->tabNew(false);
        m_prompts->answers << QMessageBox::No << QMessageBox::Yes;
        w->tabDelete(1);
        expectShown(0, QStringLiteral("Readout"),
                    QStringLiteral("Are you sure you want to remove this sheet?"));
        QCOMPARE(m_prompts->shown.at(0).defaultButton, QMessageBox::Yes);
        QCOMPARE(w->sheetCount(), 3);
        w->tabDelete(1); // the sheet after it takes its number
        QCOMPARE(w->tabWidget()->tabText(1), QStringLiteral("Sheet1"));
        QCOMPARE(w->document()->diagram()->allBlocks().size(), 12);
        // Deleting the only sheet empties the document and leaves the modified mark as it was.
        w->tabDelete(1);
        w->clearBuffer();
        w->tabDelete(0);
        QCOMPARE(w->sheetCount(), 1);
        QVERIFY(w->document()->diagram()->allBlocks().isEmpty());
        QVERIFY(!w->isWindowModified());
    }

    // At most 7 names, none twice, the one opened last first.
    void recentFiles()
    {
        auto w = makeWindow();
        QStringList names;
        for (int i = 0; i < 8; ++i) {
            names.prepend(path(QStringLiteral("recent%1.vxt3").arg(i)));
            QVERIFY(QFile::copy(FIXTURE, names.first()));
            w->open(names.first());
        }
        w->open(names.at(3));
        names.move(3, 0);
        QStringList shown;
        for (QAction* act : w->recentFilesMenu()->actions())
            shown << (act->isVisible() ? act->text() : QString());
        QCOMPARE(shown, names.mid(0, 7));
    }

    void openMessages_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
        QTest::addColumn<QString>("message");    // %1 is the file name
        QTest::addColumn<QString>("shows");      // the title's file: %1, or the document before
        QTest::addColumn<qint64>("size");        // the file is stretched to it (a hole of zeros)
        QStringList seven; // the module has six pass-through functions: the seventh is dropped
        for (int i = 0; i < 7; ++i)
            seven << QStringLiteral("NonFnc%1").arg(i);
        auto row = [](const char* tag, const QByteArray& content, const char* message, const QString& shows,
                      qint64 size = 0) {
            QTest::newRow(tag) << content << QString(message) << shows << size;
        };
        row("missing", QByteArray(), "%1: No such file or directory.", FIXTURE);
        row("too large", "<",
            "%1: The file is 16777217 bytes long; a Vextor document is at most 16777216 bytes. "
            "It is not read.",
            FIXTURE, 16777217);
        row("no root element", "<?xml version=\"1.0\"?>\n<Other/>\n",
            "File specified in %1 is not a valid XML file for Vextor3.", "NewFile");
        row("entry dropped", oneSheetDocument(QStringLiteral("NonFnc"), seven),
            "The loaded file is not correct. Some setting is ignored.", "%1");
    }
    void openMessages()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(QString, shows);
        auto w = makeWindow(FIXTURE);
        const QString name = path(QStringLiteral("opened.vxt3"));
        QFile::remove(name);
        if (!content.isEmpty())
            QVERIFY(writeFile(name, content));
        QFETCH(qint64, size);
        if (size > 0)
            QVERIFY(QFile::resize(name, size));
        w->open(name);
        expectShown(0, QStringLiteral("Vextor"), message.replace(QLatin1String("%1"), name));
        QCOMPARE(title(*w), shows.replace(QLatin1String("%1"), name));
        QCOMPARE(w->sheetCount(), shows == FIXTURE ? 2 : 1); // the document before stays
    }

    // A name without extension gets ".vxt3"; replacing a file of that name is asked, and refusing
    // asks for a name again.
    void saveThroughDialog()
    {
        auto w = makeWindow();
        QVERIFY(writeFile(path(QStringLiteral("taken.vxt3")), "old"));
        m_prompts->saveNames << path(QStringLiteral("taken")) << path(QStringLiteral("fresh"));
        m_prompts->answers << QMessageBox::No;
        QVERIFY(w->save());
        expectShown(0, QStringLiteral("Vextor"),
                    path(QStringLiteral("taken.vxt3")) +
                        QStringLiteral(" already exists.\nDo you want to replace it?"));
        QCOMPARE(m_prompts->shown.at(0).defaultButton, QMessageBox::No);
        QCOMPARE(QFileInfo(path(QStringLiteral("taken.vxt3"))).size(), 3);
        QCOMPARE(w->fileName(), path(QStringLiteral("fresh.vxt3")));
        QCOMPARE(title(*w), w->fileName());
        QVERIFY(QFile::exists(w->fileName()));
    }

    // Closing or New goes on only when the modified document's changes are kept or given up.
    void unsavedChanges_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("saveName"); // given in the save dialog; "" cancels it
        QTest::addColumn<bool>("goesOn");
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << "" << false;
        QTest::newRow("discard") << int(QMessageBox::Discard) << "" << true;
        QTest::newRow("save") << int(QMessageBox::Save) << "kept.vxt3" << true;
        QTest::newRow("save, dialog cancelled") << int(QMessageBox::Save) << "" << false;
        QTest::newRow("save fails") << int(QMessageBox::Save) << "no-dir/x.vxt3" << false;
    }
    void unsavedChanges()
    {
        QFETCH(int, answer);
        QFETCH(QString, saveName);
        QFETCH(bool, goesOn);
        for (const bool close : {true, false}) {
            auto w = makeWindow();
            w->show();
            w->tabNew();
            m_prompts->answers << QMessageBox::StandardButton(answer);
            m_prompts->saveNames << (saveName.isEmpty() ? QString() : path(saveName));
            if (close)
                QCOMPARE(w->close(), goesOn);
            else
                w->newDiagram();
            expectShown(0, QString(),
                        QStringLiteral("The document has been modified.\nDo you want to save your changes?"));
            QCOMPARE(m_prompts->shown.at(0).defaultButton, QMessageBox::Save);
            QVERIFY(goesOn || w->isWindowModified());
            if (!close) // New without command-line settings switches Auto Start off
                QCOMPARE(title(*w) == QStringLiteral("NewFile") && !w->infoOstrum()->bStart, goesOn);
            if (saveName.startsWith(QLatin1String("no-dir"))) {
                QCOMPARE(m_prompts->shown.at(1).title, QStringLiteral("file save"));
                QVERIFY(m_prompts->shown.at(1).text.startsWith(
                    QStringLiteral("Cannot write file %1:\n").arg(path(saveName))));
            }
        }
    }

    // The module chosen on the command line is the target of every document, whatever undo does.
    void commandLineWins()
    {
        InfoOstrum info = InfoOstrum::defaults(true);
        info.strAddr = QStringLiteral("10.0.0.5");
        auto w = scriptedWindow(m_prompts, FIXTURE, &info);
        QCOMPARE(w->infoOstrum()->strAddr, QStringLiteral("10.0.0.5"));
        QVERIFY(w->isWindowModified());
        m_prompts->texts << QStringLiteral("Renamed");
        w->tabRename();
        for (const char* command : {"action_Undo", "action_Undo", "actionRe_do", "action_Undo"})
            w->action(QLatin1String(command))->trigger();
        QCOMPARE(w->tabWidget()->tabText(0), QStringLiteral("Trigger"));
        QVERIFY(!w->action(QStringLiteral("action_Undo"))->isEnabled());
        QCOMPARE(w->infoOstrum()->strAddr, QStringLiteral("10.0.0.5"));
        QVERIFY(w->isWindowModified());
        m_prompts->answers << QMessageBox::Discard;
        w->newDiagram();
        QCOMPARE(w->infoOstrum()->strAddr, QStringLiteral("10.0.0.5"));
        QVERIFY(w->infoOstrum()->bStart);
    }

    // The window opens where it was closed, however often it is restarted; a place on a screen
    // that is gone since is brought back onto the screen.
    void geometryPersists_data()
    {
        QTest::addColumn<QRect>("closed");
        QTest::addColumn<bool>("samePlace");
        QTest::newRow("on the screen") << QRect(120, 140, 640, 480) << true;
        QTest::newRow("screen gone") << QRect(-2000, -500, 640, 480) << false;
    }

    void geometryPersists()
    {
        QFETCH(QRect, closed);
        QFETCH(bool, samePlace);
        makeWindow()->setGeometry(closed);
        for (int start = 0; start < 2; ++start) {
            auto w = makeWindow();
            w->show();
            QVERIFY(QTest::qWaitForWindowExposed(w.get()));
            QCOMPARE(w->geometry().size(), closed.size());
            QCOMPARE(w->geometry().topLeft() == closed.topLeft(), samePlace);
            QVERIFY(QGuiApplication::screenAt(w->frameGeometry().topLeft()));
        }
    }
};

QTEST_MAIN(TestMainWindowLifecycle)
#include "tst_mainwindow_lifecycle.moc"
