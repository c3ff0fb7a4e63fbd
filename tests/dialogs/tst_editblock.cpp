#include "dialogs/editBlock.h"
#include "dialogs/editDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/diagramBuilder.h"

#include <QScreen>

// The entry point the sheet's Edit opens: it picks the dialog by the block's kind, and pressing
// OK on any dialog without touching it leaves the settings and the modified mark alone. Every
// underlined letter of a dialog leads to its field, and a dialog asked to open past the screen's
// edge opens on the screen.
class TestEditBlock : public QObject
{
    Q_OBJECT

private:
    ScriptedHost host;

private slots:
    void okWithoutChange_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("title");
        const auto row = [](const char* tag, const char* kind, const char* property, const char* title) {
            QTest::newRow(tag) << QString(kind) << QString(property) << QString(title);
        };
        row("input", "Input", "", "IN-CH0");
        row("IN-USER oscillator", "Input", "MainCnt=1.5usec SubCnt=7 Disp=DutyKHz", "IN-USER");
        row("output", "OUT-CH", "", "OUT-CH0");
        row("counter", "CntFnc", "", "CntFnc0");
        row("counter with a value to round", "CntFnc", "Mode=3 MainCnt=5.5 SubCnt=9nsec", "CntFnc0");
        row("delay", "DlyFnc", "", "DlyFnc0");
        row("measure counter", "MsrCnt", "", "MsrCnt0");
        row("logic", "PreLogic", "_A or _B", "PreLgc0");
    }

    void okWithoutChange()
    {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        host.reset();
        DiagramBuilder make(host.model);
        BlockItem* block = kind == "Input" ? make.input(property.isEmpty() ? "IN-CH0" : "IN-USER", property)
                           : kind == "OUT-CH" ? make.out(nullptr, property)
                           : kind == "CntFnc" ? make.cnt(property)
                           : kind == "DlyFnc" ? make.dly(property)
                           : kind == "MsrCnt" ? make.msr(property)
                                              : make.pre(property);

        bool help = true;
        QStringList unlabelled;
        bool onScreen = false;
        host.scripted.dialogs << [&help, &unlabelled, &onScreen](QDialog& dialog) {
            help = dialog.windowFlags().testFlag(Qt::WindowContextHelpButtonHint);
            unlabelled = mnemonicsWithoutBuddy(&dialog);
            dialog.show();
            const QRect area = dialog.screen()->availableGeometry();
            const QRect frame = dialog.frameGeometry();
            onScreen = area.contains(frame.topLeft()) && frame.bottom() <= area.bottom();
            clickOk(dialog.findChild<QDialogButtonBox*>());
            return dialog.result();
        };
        const QPoint pastTheScreen(100000, 100000);
        QVERIFY(!editBlock(block, host, nullptr, &pastTheScreen));
        QTEST(host.scripted.dialogTitles.value(0), "title");
        QVERIFY(!help);
        QCOMPARE(unlabelled, QStringList());
        QVERIFY(onScreen);
        QCOMPARE(block->getProperty(), property);
        QVERIFY(host.changes.isEmpty());
        QCOMPARE(host.scripted.shownTexts(), QString());
    }

    void blocksWithoutSettingsOpenNothing()
    {
        QVERIFY(!editBlock(DiagramBuilder(host.model).non(), host, nullptr));
    }
};

QTEST_MAIN(TestEditBlock)
#include "tst_editblock.moc"
