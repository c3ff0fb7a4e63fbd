#include "dialogs/editDlyFncDialog.h"
#include "dialogs/editMsrCntDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/diagramBuilder.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

// Drives the delay and measure-counter dialogs: stored strings, reopened values and refusals.
class TestEditDlyMsr : public QObject
{
    Q_OBJECT

private:
    ScriptedHost host;

    BlockItem* delay(const QString& property) { return DiagramBuilder(host.model).dly(property); }
    BlockItem* counter(const QString& property) { return DiagramBuilder(host.model).msr(property); }

private slots:
    void init() { host.reset(); }

    void delayRoundTrip_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("openedText");
        QTest::addColumn<QString>("openedUnit");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<QString>("message"); // shown at the first OK, which then changes the field
        QTest::addColumn<QString>("result");  // after the last OK

        const auto row = [](const char* tag, const char* stored, const char* openedText,
                            const char* openedUnit, const char* typed, const char* unit,
                            const QString& message, const char* result) {
            QTest::newRow(tag) << QString(stored) << QString(openedText) << QString(openedUnit)
                               << QString(typed) << QString(unit) << message << QString(result);
        };
        const QString range = "Please set a delay time between 0 and 32.767us (step: 1ns)";
        row("bare integer", "Delay=20", "20", "ns", "35", "ns", "", "Delay=35ns");
        row("largest in us", "Delay=5ns", "5", "ns", "32.767", "us", "", "Delay=32.767us");
        row("rounded once", "", "0", "ns", "1.5", "ns",
            "Because it is necessary to set Delay time by a unit for 1ns,\n \"1.5\" is rounded off and "
            "becomes \"2\"",
            "Delay=2ns");
        row("above the limit", "Delay=1.5us", "1.5", "us", "32.768", "us", range, "Delay=32.767us");
        row("negative", "Delay=7ns", "7", "ns", "-3", "ns", range, "Delay=0ns");
    }

    void delayRoundTrip()
    {
        QFETCH(QString, stored);
        QFETCH(QString, typed);
        QFETCH(QString, unit);
        QFETCH(QString, message);
        BlockItem* fnc = delay(stored);
        EditDlyFncDialog dialog(fnc, &host);
        QTEST(dialog.delayEdit()->text(), "openedText");
        QTEST(dialog.unitComboBox()->currentText(), "openedUnit");
        dialog.show();
        {
            const QSignalBlocker keep(dialog.unitComboBox()); // the unit only, the typed number stays
            dialog.unitComboBox()->setCurrentText(unit);
        }
        dialog.changeUnit(unit);
        retype(dialog.delayEdit(), typed);
        clickOk(dialog.buttonBox());
        QCOMPARE(host.scripted.shownTexts(), message);
        if (!message.isEmpty()) {
            QVERIFY(dialog.isVisible());
            QCOMPARE(fnc->getProperty(), stored);
            clickOk(dialog.buttonBox());
        }
        QVERIFY(!dialog.isVisible());
        QTEST(fnc->getProperty(), "result");
        QCOMPARE(host.changes.size(), 1);
    }

    // A shown delay keeps its size in the new unit; a number typed before is read in it.
    void delayUnitSwitch_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("shown") << QString() << QString("1.5");
        QTest::newRow("typed") << QString("2") << QString("2");
    }
    void delayUnitSwitch()
    {
        QFETCH(QString, typed);
        EditDlyFncDialog dialog(delay(QStringLiteral("Delay=1500ns")), &host);
        if (!typed.isEmpty())
            retype(dialog.delayEdit(), typed);
        dialog.unitComboBox()->setCurrentText(QStringLiteral("us"));
        QTEST(dialog.delayEdit()->text(), "shown");
    }

    // Opened with the stored settings; another counter moves the block.
    void counterOpensAndMoves()
    {
        BlockItem* msr = counter(QStringLiteral("Mode=6 Unit=usec FileSave=false PATH=/tmp/a b"));
        EditMsrCntDialog dialog(msr, &host);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("MsrCnt0"));
        QCOMPARE(dialog.srcComboBox()->currentText(), QStringLiteral("Number of times that True appears"));
        QCOMPARE(dialog.gateComboBox()->currentText(), QStringLiteral("Measure During True"));
        QVERIFY(dialog.unitButton(2)->isChecked());
        QVERIFY(!dialog.fileSaveBox()->isChecked());
        QCOMPARE(dialog.pathEdit()->text(), QStringLiteral("/tmp/a b"));
        QCOMPARE(dialog.counterComboBox()->count(), 4);
        dialog.srcComboBox()->setCurrentText(QStringLiteral("True Time"));
        QVERIFY(!dialog.unitButton(0)->isEnabled());
        dialog.show();
        dialog.counterComboBox()->setCurrentText(QStringLiteral("MsrCnt2"));
        clickOk(dialog.buttonBox());
        QCOMPARE(msr->getType() + " " + msr->getUserName(), QStringLiteral("MsrCnt2 MsrCnt2"));
        QCOMPARE(host.changes.size(), 1);
    }

    void counterSaves()
    {
        QTemporaryDir dir;
        const QString folder = dir.path() + QStringLiteral("/logs here");
        BlockItem* msr = counter(QString());
        EditMsrCntDialog dialog(msr, &host);
        dialog.show();
        QCOMPARE(dialog.pathEdit()->text(), EditMsrCntDialog::defaultFolder());
        dialog.fileSaveBox()->setChecked(true);
        dialog.pathEdit()->clear();
        clickOk(dialog.buttonBox());
        QCOMPARE(host.scripted.shownTexts(), QStringLiteral("Please set PATH."));

        host.scripted.folder = folder;
        QTest::mouseClick(dialog.findChild<QToolButton*>(), Qt::LeftButton);
        QCOMPARE(dialog.pathEdit()->text(), folder);
        dialog.unitButton(1)->click();
        dialog.gateComboBox()->setCurrentIndex(1);
        host.scripted.answers = {QMessageBox::Cancel, QMessageBox::Yes};
        clickOk(dialog.buttonBox());
        QVERIFY(dialog.isVisible() && msr->getProperty().isEmpty());
        clickOk(dialog.buttonBox());
        QVERIFY(!dialog.isVisible());
        QVERIFY(QDir(folder).exists());
        const QString ask = folder + QStringLiteral(": The named directory does not exist, create it?");
        QCOMPARE(host.scripted.shownTexts(),
                 QStringLiteral("Please set PATH.|") + ask + QLatin1Char('|') + ask);
        QCOMPARE(msr->getProperty(), QStringLiteral("Mode=1 Unit=msec FileSave=true PATH=") + folder);
    }
};

QTEST_MAIN(TestEditDlyMsr)
#include "tst_editdlymsr.moc"
