#include "app/mainwindow.h"
#include "io/document.h"
#include "tests/support/scriptedPrompts.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString FIXTURE = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/editor/data/two_sheets.vxt3");

QStringList tabTexts(const MainWindow& w)
{
    QStringList texts;
    for (int i = 0; i < w.tabWidget()->count(); ++i)
        texts << w.tabWidget()->tabText(i);
    return texts;
}
} // namespace

class TestMainWindowLifecycle : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> makeWindow(InfoOstrum* info = nullptr)
    {
        return scriptedWindow(m_prompts, QString(), info);
    }
    QString path(const QString& name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }
    void init() { QSettings(QStringLiteral("Halvane"), QStringLiteral("Vextor")).clear(); }

    void initialWindow()
    {
        auto w = makeWindow();
        QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Vextor Ⅲ"));
        QVERIFY(!w->isWindowModified());
        QCOMPARE(tabTexts(*w), (QStringList{"Sheet1", "+"}));
        QTabBar* bar = w->tabWidget()->tabBar();
        QVERIFY(bar->tabButton(0, QTabBar::RightSide) || bar->tabButton(0, QTabBar::LeftSide));
        QVERIFY(!bar->tabButton(1, QTabBar::RightSide) && !bar->tabButton(1, QTabBar::LeftSide));
        QVERIFY(!w->recentFilesMenu()->isEnabled());
        QCOMPARE(w->infoOstrum()->strAddr, QStringLiteral("192.168.10.16"));
        QVERIFY(w->infoOstrum()->bStart);
        QAction* act = w->action(QStringLiteral("actionNew"));
        QCOMPARE(act->text(), QStringLiteral("&New"));
        QCOMPARE(act->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
        QVERIFY(!w->action(QStringLiteral("actionOstrum"))->isEnabled()); // needs a connection
    }

    void sheetNaming_data()
    {
        QTest::addColumn<QStringList>("renames"); // new names of the existing sheets, in order
        QTest::addColumn<QString>("expected");
        QTest::newRow("gap is reused") << QStringList{"Sheet2"} << "Sheet1";
        QTest::newRow("taken twice") << QStringList{"Sheet2", "Sheet1"} << "Sheet3";
    }
    void sheetNaming()
    {
        QFETCH(QStringList, renames);
        QFETCH(QString, expected);
        auto w = makeWindow();
        for (int i = 0; i < renames.size(); ++i) {
            if (i > 0)
                w->tabNew(false);
            w->tabWidget()->setCurrentIndex(i);
            m_prompts->texts << renames.at(i);
            w->tabRename();
        }
        w->tabNew();
        QCOMPARE(w->tabWidget()->tabText(w->sheetCount() - 1), expected);
        QCOMPARE(w->tabWidget()->tabText(w->sheetCount()), QStringLiteral("+"));
        QVERIFY(w->isWindowModified());
    }

    void plusTab_data()
    {
        QTest::addColumn<bool>("tabKey");
        QTest::newRow("mouse") << false;
        QTest::newRow("tab key held") << true;
    }
    void plusTab()
    {
        QFETCH(bool, tabKey);
        auto w = makeWindow();
        w->tabNew(false);
        w->tabWidget()->setCurrentIndex(1);
        QCOMPARE(w->currentTab(), 1);
        if (tabKey)
            QTest::keyPress(w.get(), Qt::Key_Tab);
        QCOMPARE(w->keys().tab(), tabKey);
        w->tabWidget()->setCurrentIndex(w->sheetCount()); // the "+" tab
        if (tabKey) {
            QCOMPARE(tabTexts(*w), (QStringList{"Sheet1", "Sheet2", "+"}));
            QCOMPARE(w->currentTab(), 0);
            QVERIFY(!w->isWindowModified());
            QTest::keyRelease(w.get(), Qt::Key_Tab);
            QVERIFY(!w->keys().tab());
        } else {
            QCOMPARE(tabTexts(*w), (QStringList{"Sheet1", "Sheet2", "Sheet3", "+"}));
            QCOMPARE(w->currentTab(), 2);
            QCOMPARE(w->tabWidget()->currentIndex(), 2);
            QVERIFY(w->isWindowModified());
        }
    }

    void tabRename_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("expected");
        QTest::newRow("plain") << "Trigger" << true << "Trigger";
        QTest::newRow("only spaces refused") << "   " << true << "Sheet1";
        QTest::newRow("cancelled") << "Other" << false << "Sheet1";
    }
    void tabRename()
    {
        QFETCH(QString, answer);
        QFETCH(bool, accepted);
        QFETCH(QString, expected);
        auto w = makeWindow();
        m_prompts->texts << answer;
        m_prompts->textOk = accepted;
        w->tabRename();
        QCOMPARE(w->tabWidget()->tabText(0), expected);
        QCOMPARE(w->document()->sheetName(0), expected);
        QCOMPARE(w->isWindowModified(), expected != QLatin1String("Sheet1"));
    }

    void tabDelete()
    {
        auto w = makeWindow();
        w->open(FIXTURE);
        w->tabNew(false);
        m_prompts->shown.clear();
        m_prompts->answers << QMessageBox::No;
        w->tabDelete(1);
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.at(0).title, QStringLiteral("Readout"));
        QCOMPARE(m_prompts->shown.at(0).text, QStringLiteral("Are you sure you want to remove this sheet?"));
        QCOMPARE(m_prompts->shown.at(0).defaultButton, QMessageBox::Yes);
        QCOMPARE(w->sheetCount(), 3);

        m_prompts->answers << QMessageBox::Yes;
        w->tabDelete(1);
        QCOMPARE(tabTexts(*w), (QStringList{"Trigger", "Sheet1", "+"}));
        QCOMPARE(w->document()->sheetCount(), 2);
        QVERIFY(w->isWindowModified());
        // The Readout sheet's blocks are gone; sheet 0 kept its own.
        for (BlockItem* p : w->document()->diagram()->allBlocks())
            QCOMPARE(p->getTid(), 0);
        // Deleting the only sheet leaves a new empty one and the modified mark as it was.
        m_prompts->answers << QMessageBox::Yes << QMessageBox::Yes;
        w->tabDelete(1);
        QCOMPARE(w->sheetCount(), 1);
        const bool modified = w->isWindowModified();
        w->tabDelete(0);
        QCOMPARE(tabTexts(*w), (QStringList{"Sheet1", "+"}));
        QVERIFY(w->document()->diagram()->allBlocks().isEmpty());
        QCOMPARE(w->isWindowModified(), modified);
    }

    void titleAndModifiedMark()
    {
        auto w = makeWindow();
        w->open(FIXTURE);
        QCOMPARE(w->windowTitle(), FIXTURE + QStringLiteral("[*] - Vextor"));
        QVERIFY(!w->isWindowModified());
        w->setModified();
        QVERIFY(w->isWindowModified());
        QVERIFY(w->action(QStringLiteral("action_Undo"))->isEnabled());
        QVERIFY(w->save(path(QStringLiteral("saved.vxt3"))));
        QVERIFY(!w->isWindowModified());
        m_prompts->answers << QMessageBox::Discard;
        w->newDiagram();
        QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Vextor"));
        QVERIFY(w->fileName().isEmpty());
        QVERIFY(!w->action(QStringLiteral("action_Undo"))->isEnabled());
        // New without command-line settings switches Auto Start off.
        QVERIFY(!w->infoOstrum()->bStart);
    }

    void recentFiles()
    {
        auto w = makeWindow();
        const QByteArray text = readFile(FIXTURE);
        QStringList names;
        for (int i = 0; i < 9; ++i) {
            names << path(QStringLiteral("recent%1.vxt3").arg(i));
            QVERIFY(writeFile(names.last(), text));
            w->open(names.last());
        }
        w->open(names.at(4)); // listed already: moves to the top
        QSettings settings(QStringLiteral("Halvane"), QStringLiteral("Vextor"));
        const QStringList list = settings.value(QStringLiteral("recentFileList")).toStringList();
        QCOMPARE(list, (QStringList{names.at(4), names.at(8), names.at(7), names.at(6), names.at(5),
                                    names.at(3), names.at(2)}));
        QVERIFY(w->recentFilesMenu()->isEnabled());
        QStringList shown;
        for (QAction* act : w->recentFilesMenu()->actions()) {
            if (act->isVisible()) {
                shown << act->text();
                QCOMPARE(act->data().toString(), act->text());
            }
        }
        QCOMPARE(shown, list);
    }

    void checkExtension_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("existing");
        QTest::addColumn<int>("answer"); // 0: no question expected
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("result");
        QTest::newRow("upper case is no extension") << "b.VXT3" << false << 0 << true << "b.VXT3.vxt3";
        QTest::newRow("none, new file") << "c" << false << 0 << true << "c.vxt3";
        QTest::newRow("none, exists, keep") << "d" << true << int(QMessageBox::No) << false << "d.vxt3";
        QTest::newRow("none, exists, replace") << "e" << true << int(QMessageBox::Yes) << true << "e.vxt3";
    }
    void checkExtension()
    {
        QFETCH(QString, name);
        QFETCH(bool, existing);
        QFETCH(int, answer);
        QFETCH(bool, accepted);
        QFETCH(QString, result);
        auto w = makeWindow();
        const QString full = path(name);
        const QString target = name.contains(QLatin1Char('.')) && !name.contains(QLatin1String("VXT"))
                                   ? full
                                   : full + QStringLiteral(".vxt3");
        if (existing)
            QVERIFY(writeFile(target, "x"));
        if (answer)
            m_prompts->answers << QMessageBox::StandardButton(answer);
        QString checked = full;
        QCOMPARE(w->checkExtension(checked), accepted);
        QCOMPARE(checked, path(result));
        QCOMPARE(m_prompts->shown.size(), answer ? 1 : 0);
        if (answer) {
            QCOMPARE(m_prompts->shown.at(0).title, QStringLiteral("Vextor"));
            QCOMPARE(m_prompts->shown.at(0).text,
                     path(result) + QStringLiteral(" already exists.\nDo you want to replace it?"));
            QCOMPARE(m_prompts->shown.at(0).defaultButton, QMessageBox::No);
        }
        QFile::remove(target);
    }

    void openFailures_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: the file does not exist
        QTest::addColumn<QString>("message");    // %1 is the file name
        QTest::addColumn<bool>("replaced");      // the document was replaced by a new one
        QTest::newRow("missing") << QByteArray() << "%1: No such file or directory." << false;
        QTest::newRow("no root element")
            << QByteArray("<?xml version=\"1.0\"?>\n<Other/>\n")
            << "File specified in %1 is not a valid XML file for Vextor3." << true;
    }
    void openFailures()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        QFETCH(bool, replaced);
        auto w = makeWindow();
        w->open(FIXTURE);
        const QString name = path(QStringLiteral("broken.vxt3"));
        QFile::remove(name);
        if (!content.isEmpty())
            QVERIFY(writeFile(name, content));
        m_prompts->shown.clear();
        w->open(name);
        QVERIFY(!m_prompts->shown.isEmpty());
        QCOMPARE(m_prompts->shown.at(0).title, QStringLiteral("Vextor"));
        QCOMPARE(m_prompts->shown.at(0).text, message.arg(name));
        if (replaced) {
            QCOMPARE(w->windowTitle(), QStringLiteral("NewFile[*] - Vextor"));
            QCOMPARE(tabTexts(*w), (QStringList{"Sheet1", "+"}));
            QVERIFY(w->document()->diagram()->allBlocks().isEmpty());
        } else {
            QCOMPARE(w->windowTitle(), FIXTURE + QStringLiteral("[*] - Vextor"));
            QCOMPARE(w->sheetCount(), 2);
        }
    }

    void droppedEntryWarns()
    {
        // Seven pass-through functions where the module has six: the seventh is dropped.
        QStringList names;
        for (int i = 0; i < 7; ++i)
            names << QStringLiteral("NonFnc%1").arg(i);
        const QString name = path(QStringLiteral("seven.vxt3"));
        QVERIFY(writeFile(name, oneSheetDocument(QStringLiteral("NonFnc"), names)));
        auto w = makeWindow();
        w->open(name);
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.at(0).title, QStringLiteral("Vextor"));
        QCOMPARE(m_prompts->shown.at(0).text,
                 QStringLiteral("The loaded file is not correct. Some setting is ignored."));
        QCOMPARE(w->windowTitle(), name + QStringLiteral("[*] - Vextor"));
        QCOMPARE(w->document()->diagram()->functions().size(), 6);
    }

    void saveFailureKeepsDocument()
    {
        auto w = makeWindow();
        w->open(FIXTURE);
        w->setModified();
        const QString name = path(QStringLiteral("missing-dir/x.vxt3"));
        QVERIFY(!w->save(name));
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.at(0).title, QStringLiteral("file save"));
        QVERIFY(m_prompts->shown.at(0).text.startsWith(QStringLiteral("Cannot write file %1:\n").arg(name)));
        QVERIFY(m_prompts->shown.at(0).text.endsWith(QLatin1Char('.')));
        QVERIFY(w->isWindowModified());
        QVERIFY(!QFile::exists(name));
    }

    void saveThroughDialog()
    {
        auto w = makeWindow();
        QVERIFY(writeFile(path(QStringLiteral("taken.vxt3")), "old"));
        m_prompts->saveNames << path(QStringLiteral("taken")) << path(QStringLiteral("fresh"));
        m_prompts->answers << QMessageBox::No;
        QVERIFY(w->save());
        QCOMPARE(readFile(path(QStringLiteral("taken.vxt3"))), QByteArray("old"));
        QCOMPARE(w->fileName(), path(QStringLiteral("fresh.vxt3")));
        QCOMPARE(w->windowTitle(), path(QStringLiteral("fresh.vxt3")) + QStringLiteral("[*] - Vextor"));
        QVERIFY(QFile::exists(path(QStringLiteral("fresh.vxt3"))));
        // A cancelled dialog saves nothing.
        QVERIFY(!makeWindow()->save());
    }

    void closeAsksToSave_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("cancel keeps the window") << int(QMessageBox::Cancel) << false;
        QTest::newRow("discard closes") << int(QMessageBox::Discard) << true;
    }
    void closeAsksToSave()
    {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        auto w = makeWindow();
        w->show();
        w->tabNew();
        m_prompts->answers << QMessageBox::StandardButton(answer);
        QCOMPARE(w->close(), closed);
        QCOMPARE(w->isVisible(), !closed);
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.at(0).text,
                 QStringLiteral("The document has been modified.\nDo you want to save your changes?"));
        QVERIFY(m_prompts->shown.at(0).title.isEmpty());
    }

    void commandLineWins()
    {
        InfoOstrum info = InfoOstrum::defaults(true);
        info.strAddr = QStringLiteral("10.0.0.5");
        info.udpPort = 5000;
        auto w = makeWindow(&info);
        w->open(FIXTURE);
        QCOMPARE(w->infoOstrum()->strAddr, QStringLiteral("10.0.0.5"));
        QCOMPARE(w->infoOstrum()->udpPort, quint16(5000));
        QVERIFY(w->isWindowModified());
        m_prompts->answers << QMessageBox::Discard;
        w->newDiagram();
        QCOMPARE(w->infoOstrum()->strAddr, QStringLiteral("10.0.0.5"));
        QVERIFY(w->infoOstrum()->bStart);
    }

    void geometryPersists()
    {
        {
            auto w = makeWindow();
            w->setGeometry(120, 140, 800, 600);
        }
        auto w = makeWindow();
        QCOMPARE(w->size(), QSize(800, 600));
    }
};

QTEST_MAIN(TestMainWindowLifecycle)
#include "tst_mainwindow_lifecycle.moc"
