#include "dialogs/previewWindow.h"
#include "dialogs/templateDialog.h"
#include "templates/templateCatalog.h"
#include "tests/support/cliRun.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"

#include <QAction>
#include <QListWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString GOLDEN = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/templates/golden/");
} // namespace

// The templates, as vextor-cli writes them and the editor opens them: each a clean document that
// passes the design rule check, compiles, and does in the preview what its golden file says
// (VEXTOR_UPDATE_GOLDEN=1 rewrites those: review the difference before committing).
class TestTemplates : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_settings = isolateSettings();
    }

    void eachTemplate_data()
    {
        QTest::addColumn<QString>("name");
        for (const TemplateCatalog::Template& t : TemplateCatalog::all())
            QTest::newRow(qPrintable(t.name)) << t.name;
    }
    void eachTemplate()
    {
        QFETCH(QString, name);
        const QString doc = m_dir.filePath(name + ".vxt3");
        const QString stim = m_dir.filePath(name + ".stim");
        const CliResult written = runCli({"new", "--template", name, doc});
        QCOMPARE(written.exitCode, 0);
        QCOMPARE(written.out,
                 QString("Wrote %1 from the template %2\nWrote %3, its stimulus for the preview\n")
                     .arg(doc, name, stim));

        // Read without a word of complaint, and written back as it is.
        Document document;
        QVERIFY2(document.parseFile(readFile(doc)), qPrintable(document.errorText()));
        QVERIFY(document.readOK() && document.messages().isEmpty());
        QCOMPARE(document.toXml(), readFile(doc));

        const CliResult drc = runCli({"drc", doc});
        QCOMPARE(drc.out, QString("No error detected.\n"));
        QCOMPARE(runCli({"image", doc}).exitCode, 0);

        const CliResult preview = runCli({"preview", doc, stim});
        QCOMPARE(preview.err, QString());
        QCOMPARE(preview.exitCode, 0);
        const QString golden = GOLDEN + name + ".preview";
        const QString shown = QString(preview.out).replace(m_dir.path() + '/', QString());
        if (qEnvironmentVariableIntValue("VEXTOR_UPDATE_GOLDEN") == 1)
            QVERIFY(writeFile(golden, shown.toUtf8()));
        QCOMPARE(shown, QString::fromUtf8(readFile(golden)));
    }

    // One template a line, its name first; a stimulus already there stays; unknown names and
    // incomplete requests are usage errors.
    void listAndRefusals()
    {
        const CliResult list = runCli({"new", "--list"});
        QCOMPARE(list.exitCode, 0);
        QStringList names;
        for (const QString& line : list.out.split('\n', Qt::SkipEmptyParts))
            names << line.section(' ', 0, 0);
        QCOMPARE(names.size(), TemplateCatalog::all().size());
        QVERIFY(list.out.section('\n', 0, 0).simplified().startsWith("coincidence-2 two-fold coincidence"));
        for (const char* wanted :
             {"coincidence-3", "majority-2of3", "veto", "gate-generator", "prescaler", "scaler-livetime"})
            QVERIFY2(names.contains(wanted), wanted);

        const QString stim = m_dir.filePath("mine.stim");
        QVERIFY(writeFile(stim, "duration 1us\n"));
        const CliResult kept = runCli({"--json", "new", "--template", "veto", m_dir.filePath("mine.vxt3")});
        QCOMPARE(kept.exitCode, 0);
        QVERIFY2(kept.err.contains("mine.stim exists and was kept"), qPrintable(kept.err));
        QVERIFY(kept.out.contains(R"("stimulus":null)"));
        QCOMPARE(readFile(stim), QByteArray("duration 1us\n"));

        QCOMPARE(runCli({"new", "--template", "none", m_dir.filePath("x.vxt3")}).exitCode, 64);
        QCOMPARE(runCli({"new", "--template", "veto"}).exitCode, 64);
        QCOMPARE(runCli({"new", "--list", "--template", "veto", "x"}).exitCode, 64);
    }

    // File > New from Template shows the template bound to no file; the preview offers its stimulus.
    void newFromTemplateInTheEditor()
    {
        ScriptedPrompts* prompts = nullptr;
        auto window = scriptedWindow(prompts);
        prompts->dialogs << [](QDialog& d) {
            auto& chooser = static_cast<TemplateDialog&>(d);
            QList<QListWidgetItem*> veto = chooser.list()->findItems("veto\n", Qt::MatchStartsWith);
            chooser.list()->setCurrentItem(veto.value(0));
            chooser.accept();
            return int(QDialog::Accepted);
        };
        window->action("actionNewFromTemplate")->trigger();
        QCOMPARE(prompts->dialogTitles, QStringList{"New from Template"});
        QCOMPARE(window->document()->toXml(), TemplateCatalog::read(TemplateCatalog::documentPath("veto")));
        QVERIFY(window->fileName().isEmpty());
        QVERIFY(!window->isWindowModified());
        window->action("actionPreview")->trigger();
        auto* preview = window->findChild<PreviewWindow*>();
        QVERIFY(preview);
        QCOMPARE(preview->stimulusFile(), TemplateCatalog::stimulusPath("veto"));
        QSignalSpy ended(preview, &PreviewWindow::runEnded);
        preview->run();
        QVERIFY(ended.wait(20000));
        QVERIFY2(preview->totalsText().contains("ACCEPTED: pulses"), qPrintable(preview->totalsText()));
    }

private:
    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_settings;
};

QTEST_MAIN(TestTemplates)
#include "tst_templates.moc"
