#include "app/deviceFlows.h"
#include "dialogs/drcDialog.h"
#include "dialogs/msrCntWidget.h"
#include "dialogs/netSetupDialog.h"
#include "dialogs/propertyDialog.h"
#include "dialogs/romDialog.h"
#include "dialogs/userControlDialog.h"
#include "dialogs/versionDialog.h"
#include "dialogs/writeProtectDialog.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "tests/support/documents.h"
#include "tests/support/romHarness.h"
#include "tests/support/scriptedPrompts.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTextEdit>
#include <QtTest>

namespace {
using Script = ScriptedPrompts::DialogScript;

// The ROM dialog: the page chosen, and for a save its comment.
Script romPage(int page, const QString& comment = QString())
{
    return [page, comment](QDialog& d) {
        auto& rom = static_cast<RomDialog&>(d);
        rom.comboBox()->setCurrentIndex(page);
        if (!comment.isNull())
            rom.lineEdit()->setText(comment);
        return clickOk(d);
    };
}
} // namespace

// The editor's device commands against a simulated module, answered through the prompts.
class TestDeviceFlows : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_settings = isolateSettings(); }

    void init()
    {
        m_module = std::make_unique<InProcessModule>();
        m_module->memory.rom().setBusyMs(0);
        m_window = scriptedWindow(m_prompts);
        flows().setRomPollInterval(1);
        target();
    }

    void cleanup()
    {
        m_window.reset();
        m_module.reset();
    }

    // The design rule check's report stops a download or, with warnings only, asks whether to go
    // on; a write-protected module refuses it with a message.
    void downloadChecks_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::addColumn<quint8>("protect");
        QTest::addColumn<bool>("bContinue"); // the answer to the warnings
        QTest::addColumn<bool>("bWritten");
        QTest::addColumn<int>("boxes"); // message boxes shown
        QTest::newRow("design rule errors") << lonelyOutputXml() << quint8(0x01) << true << false << 0;
        QTest::newRow("warnings, cancelled") << unusedInputXml() << quint8(0x01) << false << false << 0;
        QTest::newRow("warnings, accepted") << unusedInputXml() << quint8(0x01) << true << true << 0;
        QTest::newRow("write-protected") << documentXml(QByteArray()) << quint8(0x00) << true << false << 1;
    }
    void downloadChecks()
    {
        QFETCH(QByteArray, document);
        QFETCH(quint8, protect);
        QFETCH(bool, bContinue);
        QFETCH(bool, bWritten);
        show(document);
        m_module->memory.poke(0xFFFFFF3C, protect);
        m_prompts->dialogs << [bContinue](QDialog& d) {
            if (bContinue)
                d.findChild<QPushButton*>("downloadButton")->click();
            else
                d.reject();
            return d.result();
        };
        QVERIFY(trigger("action_Download"));
        QCOMPARE(!m_module->writes().isEmpty(), bWritten);
        QTEST(int(m_prompts->shown.size()), "boxes");
        if (QTest::currentDataTag() == QLatin1String("design rule errors")) {
            QVERIFY(m_module->requests.isEmpty());
            QVERIFY(flows().windows().drcDialog()->getEdit()->toPlainText().startsWith("error: OUT-CH0"));
        }
    }

    // After a download Counters and User Control are enabled for what the document has; an edit
    // disables them, and the status bar tells whether the module holds the document shown.
    void downloadHandsOverTheRecords_data()
    {
        QTest::addColumn<QString>("example");
        QTest::addColumn<bool>("bCounters");
        QTest::addColumn<bool>("bUserControl");
        QTest::newRow("counters") << "scaler.vxt3" << true << false;
        QTest::newRow("user-controlled inputs") << "pulser.vxt3" << false << true;
    }
    void downloadHandsOverTheRecords()
    {
        QFETCH(QString, example);
        QFETCH(bool, bCounters);
        QFETCH(bool, bUserControl);
        openExample(example);
        QVERIFY(statusText().contains("Document unknown"));
        QVERIFY(trigger("action_Download"));
        QVERIFY(m_prompts->shown.isEmpty());
        QCOMPARE(action("actionOstrum")->isEnabled(), bCounters);
        QCOMPARE(action("action_User_Control")->isEnabled(), bUserControl);
        QCOMPARE(statusText(),
                 QString("Module 127.0.0.1  UDP %1  TCP 24  |  Hardware 3.01  |  Document matched")
                     .arg(m_module->server.port()));
        QCOMPARE(m_window->session().history().sentIndex(), m_window->session().history().index());

        editThreshold();
        QVERIFY(!action("actionOstrum")->isEnabled());
        QVERIFY(!action("action_User_Control")->isEnabled());
        QVERIFY(statusText().contains("Document differs"));
        m_window->setDialogEnabled(true); // as undoing back to the download does
        QCOMPARE(action("actionOstrum")->isEnabled(), bCounters);
        QCOMPARE(action("action_User_Control")->isEnabled(), bUserControl);
    }

    // With Auto Start the user-control dialog opens after the download, with the document's inputs.
    void userControlAfterDownload()
    {
        openExample("pulser.vxt3");
        m_window->infoOstrum()->bStart = true;
        m_module->memory.poke(0x6F, 0x01); // TAG_EN's row (8) off, bit 0 on
        QVERIFY(trigger("action_Download"));
        UserControlDialog* dialog = flows().windows().userControlDialog();
        QVERIFY(dialog);
        QVERIFY(dialog->row(6)->isVisibleTo(dialog) && !dialog->row(0)->isVisibleTo(dialog));
        action("action_User_Control")->trigger(); // raises the open one
        QCOMPARE(flows().windows().userControlDialog(), dialog);

        // A download without user-controlled inputs closes the dialog and disables the command.
        openExample("coincidence.vxt3");
        QVERIFY(trigger("action_Download"));
        QTRY_VERIFY(!flows().windows().userControlDialog());
        QVERIFY(!action("action_User_Control")->isEnabled());
    }

    // After a download Counters opens the monitor with the downloaded counters, once; another
    // document disables it.
    void countersOpenTheMonitor()
    {
        openExample("scaler.vxt3");
        QVERIFY(trigger("action_Download"));
        QVERIFY(!flows().windows().counterMonitor()); // Auto Start is off
        action("actionOstrum")->trigger();
        action("actionOstrum")->trigger();
        const QList<MsrCntWidget*> monitors = m_window->findChildren<MsrCntWidget*>();
        QCOMPARE(monitors.size(), 1);
        QVERIFY(monitors.first()->isVisible());
        QCOMPARE(monitors.first()->rowLabel(2)->text(), QString("TRIPLE_CNT"));
        QVERIFY(m_prompts->shown.isEmpty());

        // A download asks the open monitor to let go of the stream, then gives it the new record.
        QSignalSpy released(m_window.get(), &MainWindow::closeOstrum);
        QVERIFY(trigger("action_Download"));
        QCOMPARE(released.count(), 1);
        QCOMPARE(flows().windows().counterMonitor(), monitors.first());
        QVERIFY(action("actionOstrum")->isEnabled());
        m_window->newDiagram();
        QVERIFY(!action("actionOstrum")->isEnabled());
    }

    // User Control refuses before a download; Counters refuses without counters and asks when they
    // differ from the last download.
    void refusedOrAsked()
    {
        openExample("coincidence.vxt3");
        flows().windows().userControl();
        flows().windows().counters();
        QCOMPARE(m_prompts->shownTexts(),
                 QString("The displayed data have not been yet downloaded.|There is no MsrCnt."));
        openExample("scaler.vxt3");
        m_prompts->answers << QMessageBox::Cancel;
        flows().windows().counters();
        QCOMPARE(m_prompts->shown.last().text,
                 QString("It may be different that the downloaded data are displayed."));
        QCOMPARE(m_prompts->shown.last().informative, QString("Do you want to continue?"));
        QCOMPARE(m_prompts->shown.last().defaultButton, QMessageBox::Yes);
    }

    // Verify asks first (declined: nothing is sent); a match shows as information, a mismatch as a
    // warning whose details name every difference.
    void verify()
    {
        openExample("coincidence.vxt3");
        QVERIFY(trigger("action_Download"));
        m_prompts->answers << QMessageBox::Cancel;
        QVERIFY(trigger("action_Verify"));
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.first().defaultButton, QMessageBox::Yes);
        QVERIFY(trigger("action_Verify"));
        QCOMPARE(m_prompts->shown.at(1).icon, QMessageBox::Information);

        m_module->memory.poke(0x0069, 0x00); // GATE_TTL switched off behind the editor's back
        QVERIFY(trigger("action_Verify"));
        QCOMPARE(m_prompts->shown.at(1).icon, QMessageBox::Warning);
        QVERIFY(m_prompts->shown.at(1).text.contains("first mismatch at address 0x00000069"));
        QVERIFY(m_prompts->shown.at(1).details.startsWith("GATE_TTL (OUT-CH1) TTL output (0x0069 bit 1)"));
        QVERIFY(statusText().contains("Document differs"));
    }

    // Save to ROM, then Restore and Sync give the stored document back, named after the comment
    // and bound to no file.
    void romSaveRestoreSync()
    {
        openExample("coincidence.vxt3");
        QVERIFY(trigger("action_Download"));
        m_prompts->dialogs << romPage(3, "run A");
        QVERIFY(trigger("action_Save"));
        QCOMPARE(m_prompts->dialogTitles, QStringList{"Save to ROM"});
        QCOMPARE(m_prompts->shownTexts(), QString("Saved to ROM slot 3"));
        QCOMPARE(m_prompts->shown.first().icon, QMessageBox::Information);
        m_prompts->shown.clear();
        const QByteArray saved = m_window->document()->toXml();

        newDocument();
        m_prompts->dialogs << romPage(3);
        QVERIFY(trigger("action_Restore"));
        QCOMPARE(m_window->document()->toXml(), saved);
        QCOMPARE(m_window->windowTitle(), QString("ROM3-run A[*] - Vextor"));
        QVERIFY(m_window->fileName().isEmpty());
        QVERIFY(!m_window->save()); // asks for a name, which is not given
        QVERIFY(statusText().contains("Document matched"));

        newDocument();
        QVERIFY(trigger("actionSync"));
        QCOMPARE(m_window->document()->toXml(), saved);
        QCOMPARE(m_window->windowTitle(), QString("ROM3-run A[*] - Vextor"));

        // A damaged document is a warning and is not shown.
        m_module->memory.rom().setPage(3, "<Vextor3><tab");
        newDocument();
        QVERIFY(trigger("actionSync"));
        QVERIFY(m_prompts->shownTexts().startsWith("ROM3-run A: The document stored in ROM is damaged"));
        QCOMPARE(m_prompts->shown.first().icon, QMessageBox::Warning);
        QVERIFY(m_window->blockDiagram()->allBlocks().isEmpty());
    }

    // A slot saved with the registers of another document: Restore and Sync open its document all
    // the same, with a warning, and show the module as differing from it.
    void romForcedSlot()
    {
        openExample("coincidence.vxt3");
        m_prompts->answers << QMessageBox::Yes << QMessageBox::Yes; // saved although not downloaded
        m_prompts->dialogs << romPage(3, "forced");
        QVERIFY(trigger("action_Save"));
        const QByteArray saved = m_window->document()->toXml();
        for (const QString command : {"action_Restore", "actionSync"}) {
            newDocument();
            m_prompts->shown.clear();
            const bool bSync = command == "actionSync";
            if (!bSync)
                m_prompts->dialogs << romPage(3);
            QVERIFY(trigger(command));
            QCOMPARE(m_window->document()->toXml(), saved);
            QVERIFY2(
                m_prompts->shownTexts().contains(bSync ? "ROM3-forced: The module runs other registers"
                                                       : "ROM3-forced: The document stored in ROM does not"),
                qPrintable(m_prompts->shownTexts()));
            QVERIFY(m_prompts->shownTexts().contains("first difference: function slot 8 source"));
            QVERIFY(statusText().contains("Document differs"));
        }
    }

    // Save to ROM before a download asks (declined here); a slot without a document is told, and a
    // new document shown.
    void romMessages_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("page");
        QTest::addColumn<bool>("bNew");
        QTest::newRow("save before a download, declined") << "action_Save" << 1 << false;
        QTest::newRow("restore of an empty slot") << "action_Restore" << 7 << true;
        QTest::newRow("sync of an empty slot") << "actionSync" << 0 << true;
    }
    void romMessages()
    {
        QFETCH(QString, command);
        QFETCH(int, page);
        openExample("coincidence.vxt3");
        m_prompts->dialogs << romPage(page, "x");
        QVERIFY(trigger(command));
        QCOMPARE(m_prompts->shown.size(), 1);
        QVERIFY(!m_module->memory.rom().hasImage(page));
        QTEST(m_window->blockDiagram()->allBlocks().isEmpty(), "bNew");
    }

    // A slot without a comment holds nothing saved: booting from it asks first (Cancel by
    // default, which leaves the dialog open). What was set is confirmed. The boot byte the module
    // holds may name no slot: leaving a row goes back to it.
    void romBootPage_data()
    {
        QTest::addColumn<int>("from"); // the boot byte the module holds
        QTest::addColumn<QString>("comment");
        QTest::addColumn<bool>("bYes"); // the answer to a question
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("boot");
        const QString asked = "ROM slot 5 holds no saved configuration (its comment is empty): the module "
                              "would start from whatever registers it holds.";
        QTest::newRow("slot with a comment") << 0 << "run B" << false << "Boot slot: 5" << 5;
        QTest::newRow("empty slot, yes") << 0 << "" << true << asked + "|Boot slot: 5" << 5;
        QTest::newRow("empty slot, declined") << 0 << "" << false << asked << 0;
        QTest::newRow("boot byte beyond the slots") << 200 << "run B" << false << "Boot slot: 5" << 5;
    }
    void romBootPage()
    {
        QFETCH(int, from);
        QFETCH(QString, comment);
        QFETCH(bool, bYes);
        QFETCH(int, boot);
        m_module->memory.poke(0xFFFFFC3E, quint8(from));
        m_module->memory.write(0x100 + 5 * 112, comment.toUtf8() + '\0');
        int result = -1; // of OK in the dialog: a declined question leaves it open
        m_prompts->dialogs << [&result, bYes, this](QDialog& d) {
            QCheckBox* five = static_cast<RomDialog&>(d).rowCheckBox(5);
            for (const bool checked : {true, false, true})
                five->setChecked(checked);
            if (bYes)
                m_prompts->answers << QMessageBox::Yes;
            return result = clickOk(d);
        };
        QVERIFY(trigger("action_Change_Boot_ROM_Page"));
        QTEST(m_prompts->shownTexts(), "shown");
        QCOMPARE(int(m_module->memory.peek(0xFFFFFC3E)), boot);
        QCOMPARE(result == QDialog::Accepted, boot == 5);
    }

    // The question says that the running registers go too; the end is confirmed.
    void romInitialize()
    {
        m_module->memory.write(0x100, QByteArray("a comment"));
        m_prompts->answers << QMessageBox::Yes;
        QVERIFY(trigger("action_Clear_ROM"));
        QCOMPARE(m_prompts->shown.first().defaultButton, QMessageBox::No);
        QVERIFY(m_prompts->shown.first().informative.contains("running registers are written with an empty"));
        QCOMPARE(m_prompts->shown.last().text,
                 QString("ROM area initialised; the module's registers hold an empty design"));
        QCOMPARE(m_module->memory.rom().userRom(), QByteArray(0x700, '\0'));
    }

    // OK needs a change; the boot value is written.
    void writeProtect()
    {
        bool bUnchangedOk = true;
        m_prompts->dialogs << [&bUnchangedOk](QDialog& d) {
            auto& protect = static_cast<WriteProtectDialog&>(d);
            protect.currentCheckBox()->setChecked(true);
            protect.currentCheckBox()->setChecked(false);
            bUnchangedOk = protect.buttonBox()->button(QDialogButtonBox::Ok)->isEnabled();
            protect.bootCheckBox()->setChecked(true);
            return clickOk(d);
        };
        QVERIFY(trigger("action_Write_Protect"));
        QVERIFY(!bUnchangedOk);
        QCOMPARE(m_module->memory.peek(0xFFFFFC3C), quint8(0x00));
        QCOMPARE(m_prompts->shownTexts(), QString("Current protection: off\nBoot protection: on"));
    }

    // Cancelling the progress dialog, or a module that stops answering, ends the download with
    // the worker's text; the editor stays usable.
    void downloadInterrupted_data()
    {
        QTest::addColumn<bool>("bCancel");
        QTest::addColumn<QString>("text");
        QTest::newRow("cancelled") << true << "Aborted|Cancelled";
        QTest::newRow("module gone") << false << "timed out(.|\n)*\nno answer from 127.0.0.1:\\d+ within 1 s";
    }
    void downloadInterrupted()
    {
        QFETCH(bool, bCancel);
        QFETCH(QString, text);
        openExample("coincidence.vxt3");
        m_module->server.setFaults({0.0, false, false, 20});
        QSignalSpy finished(&flows(), &DeviceFlows::finished);
        action("action_Download")->trigger();
        QTRY_VERIFY(flows().progressDialog());
        QCOMPARE(flows().progressDialog()->labelText(), QString("Download - TAMP Access"));
        QCOMPARE(flows().progressDialog()->maximum(), 8256);
        if (bCancel) {
            flows().progressDialog()->findChild<QPushButton*>()->click();
        } else {
            QTRY_VERIFY(flows().progressDialog()->value() > 0); // part of the image is written
            m_module->server.setFaults({1.0, false, false, 0});
        }
        QVERIFY(finished.wait(15000));
        QVERIFY(!flows().progressDialog());
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.first().title, QString("Vextor"));
        QVERIFY2(m_prompts->shown.first().text.contains(QRegularExpression(text)),
                 qPrintable(m_prompts->shown.first().text));
        QVERIFY(action("action_Download")->isEnabled());
        QVERIFY(!action("actionOstrum")->isEnabled());
        if (!bCancel) // the module stopped answering in the middle of the image
            QVERIFY(statusText().contains("Document differs"));
    }

    // After a download, another target asks before the next write.
    void otherTargetAsks()
    {
        openExample("coincidence.vxt3");
        QVERIFY(trigger("action_Download"));
        InProcessModule other;
        m_prompts->dialogs << [&other](QDialog& d) {
            static_cast<PropertyDialog&>(d).udpPortEdit()->setText(QString::number(other.server.port()));
            return clickOk(d);
        };
        action("action_Property")->trigger();
        QVERIFY(m_window->isWindowModified());
        QVERIFY(statusText().contains("Document unknown"));
        m_prompts->answers << QMessageBox::No;
        action("action_Download")->trigger();
        QVERIFY(m_prompts->shownTexts().startsWith("The last download went to the module at 127.0.0.1:"));
        QCOMPARE(m_prompts->shown.first().defaultButton, QMessageBox::No);
        QCoreApplication::processEvents();
        QVERIFY(other.requests.isEmpty());
    }

    // Hardware Setup reads the network EEPROM and writes new settings, which become the
    // document's connection settings when the dialog closes.
    void hardwareSetup()
    {
        m_prompts->dialogs << [](QDialog& d) {
            auto& net = static_cast<NetSetupDialog&>(d);
            net.readButton()->click();
            if (!QTest::qWaitFor([&net] { return !net.isExchanging(); }, 10000))
                return int(QDialog::Accepted);
            net.addressEdit()->setText("10.1.2.3");
            net.tcpPortEdit()->setText("2424");
            net.writeButton()->click();
            (void)QTest::qWaitFor([&net] { return !net.isExchanging(); }, 10000); // the box tells
            d.reject();
            return d.result();
        };
        action("actionHardware_Setup")->trigger();
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_module->memory.peek(0xFFFFFC18), quint8(10));
        QCOMPARE(m_window->infoOstrum()->strAddr, QString("10.1.2.3"));
        QCOMPARE(m_window->infoOstrum()->tcpPort, quint16(2424));
        QVERIFY(m_window->isWindowModified());
    }

    // About reads the FPGA version into the connection settings.
    void about()
    {
        m_prompts->dialogs << [](QDialog& d) {
            auto& version = static_cast<VersionDialog&>(d);
            version.loadButton()->click();
            if (!QTest::qWaitFor([&version] { return version.loadButton()->isEnabled(); }, 10000))
                return int(QDialog::Rejected);
            return version.fpgaEdit()->text() == "332e3031 (3.01)" ? int(QDialog::Accepted)
                                                                   : int(QDialog::Rejected);
        };
        action("action_About")->trigger();
        QCOMPARE(m_window->infoOstrum()->strFPGA, QString("332e3031"));
        QVERIFY(statusText().contains("Hardware 3.01"));
    }

    // Ctrl+R shows the report; a click on a line shows its block, selected on its sheet.
    void drcReport()
    {
        show(wrap(tab(0, entry("Input", 0, "IN-CH0")) + tab(1, entry("OUT-CH1", 0, "OUT-CH1"), "Sheet2")));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
        DrcDialog* report = flows().windows().drcDialog();
        QVERIFY(report && report->isVisible() && !report->isContinueForm());
        QTextEdit* view = report->getEdit();
        QVERIFY2(view->toPlainText().startsWith("error: OUT-CH1: InputPort is not connected.\n"),
                 qPrintable(view->toPlainText()));
        QTextCursor line(view->document());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->cursorRect(line).center());
        QCOMPARE(m_window->currentTab(), 1);
        QCOMPARE(m_window->programWidget(1)->selectedItems().size(), 1);
        QCOMPARE(m_window->programWidget(1)->selectedItems().first()->getName(), QString("OUT-CH1"));
    }

private:
    DeviceFlows& flows() { return m_window->deviceFlows(); }
    QAction* action(const char* name) { return m_window->action(QLatin1String(name)); }
    QString statusText() const { return m_window->deviceFlows().statusBar().text(); }

    // The document's connection settings aimed at the simulated module.
    void target()
    {
        *m_window->infoOstrum() = m_module->info();
        flows().refreshStatus();
    }
    void show(const QByteArray& xml)
    {
        QByteArray data = xml;
        QVERIFY(m_window->display(data, "doc.vxt3", false));
        target();
    }
    void openExample(const QString& name)
    {
        m_window->open(QStringLiteral(VEXTOR_SOURCE_DIR "/examples/") + name);
        target();
    }
    void newDocument()
    {
        m_window->clear();
        m_window->clearBuffer();
        target();
    }
    // Changes the image: a new threshold for the first input.
    void editThreshold()
    {
        const DocumentSession::Edit step = m_window->session().edit();
        NIM_IN* input = m_window->blockDiagram()->inputs().first();
        input->setPropertyString(QStringLiteral("bUser=false bHigh=true Vth=1000"));
    }
    // Runs a command to the end of its chain.
    bool trigger(const QString& name)
    {
        m_prompts->shown.clear();
        m_prompts->dialogTitles.clear();
        m_module->requests.clear();
        QSignalSpy finished(&flows(), &DeviceFlows::finished);
        m_window->action(name)->trigger();
        return finished.wait(20000);
    }

    std::unique_ptr<QTemporaryDir> m_settings;
    std::unique_ptr<InProcessModule> m_module;
    std::unique_ptr<MainWindow> m_window;
    ScriptedPrompts* m_prompts = nullptr;
};

QTEST_MAIN(TestDeviceFlows)
#include "tst_deviceflows.moc"
