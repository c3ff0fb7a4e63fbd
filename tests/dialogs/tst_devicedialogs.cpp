#include "device/moduleStatus.h"
#include "device/netSetup.h"
#include "dialogs/deviceDialogHost.h"
#include "dialogs/drcDialog.h"
#include "dialogs/netSetupDialog.h"
#include "dialogs/propertyDialog.h"
#include "dialogs/romDialog.h"
#include "dialogs/userControlDialog.h"
#include "dialogs/versionDialog.h"
#include "dialogs/writeProtectDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/dataRow.h"
#include "tests/support/scriptedPrompts.h"
#include "tests/support/workerHarness.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

#include <optional>

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

namespace {
// The window's side of the device dialogs: scripted prompts and what the dialogs hand back.
class FakeHost : public DeviceDialogHost
{
public:
    struct RomInfo
    {
        QByteArray comment;
        int bootPage;
        quint32 page;
    };

    ScriptedPrompts scripted;
    InfoOstrum info = InfoOstrum::defaults(false);
    bool bModified = false;
    int saves = 0;
    std::optional<RomInfo> rom;

    Prompts& prompts() override { return scripted; }
    InfoOstrum& infoOstrum() override { return info; }
    void setModified() override { bModified = true; }
    bool isModified() const override { return bModified; }
    bool save() override
    {
        ++saves;
        bModified = false;
        return true;
    }
    void setROMinfo(QByteArray& comment, char bootPage, quint32 page) override
    {
        rom = RomInfo{comment, int(static_cast<signed char>(bootPage)), page};
    }
    void setProtect(bool, bool) override {}
    void setDialogEnabled(bool) override {}
    void closedUserControl() override {}
};

// The boot page, then 16 comment records: page 3 "run 12", page 5 fills its 112 bytes.
QByteArray romInfo(int bootPage)
{
    QByteArray info(1, char(bootPage));
    for (int page = 0; page < 16; ++page)
        info += page == 3   ? RomComment::record("run 12")
                : page == 5 ? QByteArray(112, 'x')
                            : QByteArray(112, '\0');
    return info;
}
} // namespace

class TestDeviceDialogs : public QObject
{
    Q_OBJECT

private slots:
    void restoreShowsTheComments()
    {
        RomDialog dialog("/data/run.vxt3", romInfo(3), RomCommand::Restore, *m_host);
        QCOMPARE(dialog.windowTitle(), QString("Restore from ROM"));
        QCOMPARE(dialog.label()->text(), QString("Boot From 3"));
        QCOMPARE(dialog.comboBox()->itemText(3), QString("3 (boot) : run 12"));
        QCOMPARE(dialog.comboBox()->itemText(5), QString("5: ") + QString(112, 'x'));
        QVERIFY(dialog.tableWidget()->item(3, 1)->font().bold());
        QVERIFY(!dialog.tableWidget()->item(4, 1)->font().bold());
        QVERIFY(dialog.lineEdit()->isHidden() && dialog.checkBox()->isHidden());
    }

    // Save: the comment starts as the file name; the page that boots already cannot be set again;
    // an empty or too long comment is refused.
    void saveChoices_data()
    {
        QTest::addColumn<int>("page");
        QTest::addColumn<QString>("comment"); // null: as offered
        QTest::addColumn<bool>("bBoot");      // ticks "Set on Boot" where it can
        QTest::addColumn<QByteArray>("record");
        QTest::addColumn<int>("bootPage");
        QTest::addColumn<QString>("text"); // of the refusal
        dataRow("the file name, boot", 1, QString(), true, RomComment::record("run.vxt3"), 1, QString());
        dataRow("unchanged comment", 3, QString("run 12"), false, QByteArray(), -1, QString());
        dataRow("the boot page", 0, QString("a"), true, RomComment::record("a"), -1, QString());
        dataRow("empty", 1, QString(""), false, QByteArray(), -1, QString("Please give it a user comment."));
        dataRow("113 bytes of UTF-8", 1, QString(56, QChar(0xE9)) + "x", false, QByteArray(), -1,
                QString("The length of the user comment should be at most 112 bytes."));
    }
    void saveChoices()
    {
        QFETCH(int, page);
        QFETCH(QString, comment);
        QFETCH(bool, bBoot);
        QFETCH(QString, text);
        RomDialog dialog("/data/run.vxt3", romInfo(0), RomCommand::Save, *m_host);
        QCOMPARE(dialog.lineEdit()->text(), QString("run.vxt3"));
        dialog.comboBox()->setCurrentIndex(page);
        QCOMPARE(dialog.checkBox()->isEnabled(), page != 0);
        QCOMPARE(dialog.tableWidget()->currentRow(), page);
        if (!comment.isNull())
            dialog.lineEdit()->setText(comment);
        if (bBoot && dialog.checkBox()->isEnabled())
            dialog.checkBox()->setChecked(true);
        clickOk(dialog);
        QCOMPARE(m_host->scripted.shownTexts(), text);
        QCOMPARE(dialog.result(), text.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(bool(m_host->rom), text.isEmpty());
        if (!m_host->rom)
            return;
        QTEST(m_host->rom->comment, "record");
        QTEST(m_host->rom->bootPage, "bootPage");
        QCOMPARE(m_host->rom->page, quint32(page));
    }

    // Boot page: OK only for another page than the one that boots.
    void bootPage()
    {
        RomDialog dialog("run.vxt3", romInfo(3), RomCommand::BootNum, *m_host);
        QCOMPARE(dialog.windowTitle(), QString("Boot ROM Page"));
        QVERIFY(dialog.comboBox()->isHidden());
        QVERIFY(dialog.rowCheckBox(3)->isChecked());
        dialog.rowCheckBox(3)->click(); // the boot row again
        QVERIFY(dialog.rowCheckBox(3)->isChecked());
        QVERIFY(!okButton(dialog)->isEnabled());
        dialog.rowCheckBox(5)->click();
        QVERIFY(!dialog.rowCheckBox(3)->isChecked());
        QVERIFY(okButton(dialog)->isEnabled());
        clickOk(dialog);
        QCOMPARE(m_host->rom->bootPage, 5);
        QVERIFY(m_host->rom->comment.isEmpty());
    }

    // Restoring over a modified document asks first; Cancel keeps the dialog and sends nothing.
    void restoreAsksToSave_data()
    {
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<int>("saves");
        QTest::addColumn<bool>("bSent");
        QTest::newRow("cancel") << QMessageBox::Cancel << 0 << false;
        QTest::newRow("save") << QMessageBox::Save << 1 << true;
        QTest::newRow("discard") << QMessageBox::Discard << 0 << true;
    }
    void restoreAsksToSave()
    {
        QFETCH(QMessageBox::StandardButton, answer);
        m_host->bModified = true;
        m_host->scripted.answers << answer;
        RomDialog dialog("run.vxt3", romInfo(0), RomCommand::Restore, *m_host);
        dialog.comboBox()->setCurrentIndex(4);
        clickOk(dialog);
        QCOMPARE(m_host->scripted.shownTexts(),
                 QString("The current document has been modified.\nDo you want to save your changes?"));
        QCOMPARE(m_host->scripted.shown.first().defaultButton, QMessageBox::Save);
        QTEST(m_host->saves, "saves");
        QTEST(bool(m_host->rom), "bSent");
        if (m_host->rom)
            QCOMPARE(m_host->rom->page, quint32(4));
    }

    // Rows for the named inputs only; the module's word sets the buttons without writing it back;
    // a toggle writes the new word.
    void userControl()
    {
        InProcessModule module;
        module.memory.poke(0x6F, 0x05);
        UserControlSetup inputs;
        inputs.strAddr = "127.0.0.1";
        inputs.udpPort = module.server.port();
        inputs.timeout = 1;
        inputs.count = 3;
        inputs.name[0] = "A";
        inputs.name[2] = "C";
        inputs.name[9] = "J";
        UserControlDialog dialog(inputs, *m_host);
        QCOMPARE(dialog.windowTitle(), QString("User Control"));
        QCOMPARE(dialog.maximumHeight(), 120);
        int hidden = 0;
        for (int i = 0; i < 10; ++i)
            hidden += dialog.row(i)->isHidden() ? 1 : 0;
        QCOMPARE(hidden, 7);
        QCOMPARE(dialog.findChild<QLabel*>("label9")->text(), QString("J"));
        QTRY_VERIFY(dialog.onButton(0)->isEnabled() && !dialog.isExchanging());
        for (int i = 0; i < 10; ++i)
            QCOMPARE(dialog.onButton(i)->isChecked(), i == 0 || i == 2);
        QVERIFY(module.writes().isEmpty());

        dialog.onButton(9)->click();
        QVERIFY(!dialog.onButton(0)->isEnabled());
        QTRY_VERIFY(!dialog.isExchanging());
        QCOMPARE(module.writes(), (QList<QPair<quint32, int>>{{0x6E, 2}}));
        QCOMPARE(module.memory.peek(0x6E), quint8(0x02));
        QCOMPARE(module.memory.peek(0x6F), quint8(0x05));
        QVERIFY(dialog.onButton(0)->isEnabled());
    }

    void softwareVersion()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("version.txt");
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write("Vextor\nrelease notes\nv3.1.4 (beta)\nv9\n");
        out.close();
        QCOMPARE(VersionDialog::softwareVersion(file), QString("Software Version 3.1.4 (beta)"));
        QCOMPARE(VersionDialog::softwareVersion(dir.filePath("none.txt")),
                 QString("Software Version 2.0.19"));
        VersionDialog dialog(*m_host);
        QByteArray bytes = QByteArray::fromHex("01020aff"); // each byte two digits
        dialog.setVersion(&bytes);
        QCOMPARE(dialog.fpgaEdit()->text() + " " + m_host->info.strFPGA,
                 QString("01020aff (\?\?\?\?) 01020aff"));
    }

    // New settings are checked before any job starts; Default puts the factory target back.
    void netSetupChecks_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("udpPort");
        QTest::addColumn<QString>("text");
        dataRow("three parts", QString("192.168.10"), QString("4660"),
                QString("192.168.10 is invalid address."));
        dataRow("UDP port 65536", QString("10.0.0.1"), QString("65536"), QString("65536 is invalid port."));
    }
    void netSetupChecks()
    {
        QFETCH(QString, address);
        QFETCH(QString, udpPort);
        m_host->info.strAddr = "10.9.9.9";
        NetSetupDialog dialog(*m_host);
        QCOMPARE(dialog.targetAddressEdit()->text(), QString("10.9.9.9"));
        dialog.addressEdit()->setText(address);
        dialog.udpPortEdit()->setText(udpPort);
        dialog.writeButton()->click();
        QVERIFY(!dialog.isExchanging());
        QTEST(m_host->scripted.shownTexts(), "text");
        QCOMPARE(m_host->scripted.shown.first().title, QString());
        dialog.defaultButton()->click();
        QCOMPARE(dialog.targetAddressEdit()->text() + ":" + dialog.targetPortEdit()->text(),
                 QString("192.168.10.16:4660"));
    }

    // The EEPROM information shows each field on one line, even with the largest values.
    void netSetupInformationUnwrapped()
    {
        NetSetupDialog dialog(*m_host);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QPlainTextEdit* info = dialog.informationEdit();
        info->setPlainText(NetSetup::formatEepromInfo(QByteArray(NetSetup::EEPROM_LEN, char(0xFF))));
        QCoreApplication::processEvents();
        QCOMPARE(info->document()->lineCount(), info->document()->blockCount());
    }

    // A bad address or a time-out out of the record's range keeps the Ethernet Setting dialog open
    // and changes nothing; ports keep their low 16 bits, a time-out that is no number is 0.
    void ethernetSetting_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("tcpPort");
        QTest::addColumn<QString>("timeout");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored"); // address, TCP port, time-out
        dataRow("bad address", QString("10.0.0"), QString("24"), QString("1"),
                QString("10.0.0 is invalid address."), QString("192.168.10.16 24 1"));
        dataRow("time-out too long for an int", QString("10.0.0.7"), QString("24"), QString("4294967296"),
                QString("The time-out 4294967296 is out of range: it must be 0 to 60 seconds."),
                QString("192.168.10.16 24 1"));
        dataRow("time-out 60", QString("10.0.0.7"), QString("24"), QString("60"), QString(),
                QString("10.0.0.7 24 60"));
        dataRow("port 65561, time-out x", QString("10.0.0.7"), QString("65561"), QString("x"), QString(),
                QString("10.0.0.7 25 0"));
    }
    void ethernetSetting()
    {
        QFETCH(QString, address);
        QFETCH(QString, tcpPort);
        QFETCH(QString, timeout);
        QFETCH(QString, text);
        PropertyDialog dialog(*m_host);
        QCOMPARE(dialog.windowTitle(), QString("Ethernet Setting"));
        dialog.addressEdit()->setText(address);
        dialog.tcpPortEdit()->setText(tcpPort);
        dialog.timeoutEdit()->setText(timeout);
        clickOk(dialog);
        QCOMPARE(m_host->scripted.shownTexts(), text);
        QCOMPARE(dialog.result(), text.isEmpty() ? int(QDialog::Accepted) : int(QDialog::Rejected));
        QCOMPARE(m_host->bModified, text.isEmpty());
        const InfoOstrum& info = m_host->info;
        QTEST(QString("%1 %2 %3").arg(info.strAddr).arg(info.tcpPort).arg(info.timeout), "stored");
    }

    // No dialog offers the context-help button, and every underlined letter leads to its field.
    void noContextHelpNoBareMnemonic()
    {
        RomDialog rom("", romInfo(0), RomCommand::Save, *m_host);
        WriteProtectDialog protect(false, false, *m_host);
        VersionDialog version(*m_host);
        PropertyDialog property(*m_host);
        NetSetupDialog net(*m_host);
        DrcDialog drc(true);
        for (QDialog* d : std::initializer_list<QDialog*>{&rom, &protect, &version, &property, &net, &drc}) {
            QVERIFY2(!(d->windowFlags() & Qt::WindowContextHelpButtonHint), qPrintable(d->windowTitle()));
            QCOMPARE(mnemonicsWithoutBuddy(d), QStringList());
        }
    }

    void init() { m_host = std::make_unique<FakeHost>(); }

private:
    std::unique_ptr<FakeHost> m_host;
};

QTEST_MAIN(TestDeviceDialogs)
#include "tst_devicedialogs.moc"
