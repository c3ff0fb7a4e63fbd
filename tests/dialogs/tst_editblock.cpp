#include "dialogs/editBlock.h"
#include "dialogs/editDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/diagramBuilder.h"

#include <QLineEdit>
#include <QScreen>

// Every settings dialog: no help button, mnemonics with fields, kept on the screen, OK unchanged.
class TestEditBlock : public QObject
{
    Q_OBJECT

private:
    ScriptedHost host;

private slots:
    // OK on the settings as shown stores the same text (the input dialog compares with what it read).
    void okWithoutChange_data()
    {
        QTest::addColumn<QString>("kind"); // an input's channel, or the kind of block
        QTest::addColumn<QString>("property");
        QTest::addColumn<QString>("title");
        const auto row = [](const char* kind, const char* property, const char* title) {
            QTest::newRow(qPrintable(QString("%1 %2").arg(kind, property)))
                << QString(kind) << QString(property) << QString(title);
        };
        row("IN-CH0", "", "IN-CH0");
        row("IN-CH1", "bUser=false bHigh=true Vth=3000", "IN-CH1"); // a threshold the level does not show
        row("IN-CH2", "bUser=true bHigh=false Vth=3000", "IN-CH2"); // between two shown hundredths
        row("IN-CH3", "bUserControl=true", "IN-CH3");
        row("IN-USER", "MainCnt=1.5usec SubCnt=7 Disp=DutyKHz", "IN-USER");
        row("OUT-CH", "", "OUT-CH0");
        row("OUT-CH", "bNIM=false bTTL=true ", "OUT-CH0");
        row("CntFnc", "", "CntFnc0");
        row("CntFnc", "Mode=3 MainCnt=5.5 SubCnt=9nsec", "CntFnc0"); // a value to round stays
        row("DlyFnc", "", "DlyFnc0");
        row("MsrCnt", "", "MsrCnt0");
        row("PreLogic", "_A or _B", "PreLgc0");
    }

    void okWithoutChange()
    {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        host.reset();
        DiagramBuilder make(host.model);
        BlockItem* block = kind.startsWith("IN-") ? make.input(kind, property)
                           : kind == "OUT-CH"     ? make.out(nullptr, property)
                           : kind == "CntFnc"     ? make.cnt(property)
                           : kind == "DlyFnc"     ? make.dly(property)
                           : kind == "MsrCnt"     ? make.msr(property)
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
            clickOk(dialog);
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

    // Logic, counter, delay and measure-counter dialogs name their block too: a changed name is
    // checked as the input dialog checks it, before anything is stored.
    void nameField_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("refusal"); // empty: stored
        for (const char* kind : {"CntFnc", "DlyFnc", "MsrCnt", "PreLogic"})
            QTest::newRow(kind) << QString(kind) << "TRIG_2"
                                << "";
        QTest::newRow("blank inside") << "CntFnc"
                                      << "TRIG 2"
                                      << "A name can consist only of the following characters:\n"
                                         "alphanumeric(A-Z,a-z,0-9), underscore(_), hyphen(-)";
        QTest::newRow("in use") << "PreLogic"
                                << "GATE"
                                << "\"GATE\" cannot be used or it is already in use.";
    }
    void nameField()
    {
        QFETCH(QString, kind);
        QFETCH(QString, typed);
        QFETCH(QString, refusal);
        host.reset();
        DiagramBuilder make(host.model);
        make.out()->setUserName("GATE");
        BlockItem* block = kind == "CntFnc"   ? make.cnt("Mode=0 MainCnt=5nsec SubCnt=5nsec")
                           : kind == "DlyFnc" ? make.dly("Delay=5ns")
                           : kind == "MsrCnt" ? make.msr("Mode=0 Unit=usec FileSave=false PATH=/tmp")
                                              : make.pre("_A");
        const QString property = block->getProperty();
        const QString before = block->getUserName();
        host.scripted.dialogs << [typed](QDialog& dialog) {
            retype(dialog.findChild<QLineEdit*>("nameEdit"), typed);
            clickOk(dialog);
            return dialog.result();
        };
        QCOMPARE(editBlock(block, host, nullptr), refusal.isEmpty());
        QCOMPARE(host.scripted.shownTexts(), refusal);
        QCOMPARE(block->getUserName(), refusal.isEmpty() ? typed : before);
        QCOMPARE(block->getProperty(), property);
        QCOMPARE(host.changes.size(), refusal.isEmpty() ? 1 : 0);
    }

    void blocksWithoutSettingsOpenNothing()
    {
        QVERIFY(!editBlock(DiagramBuilder(host.model).non(), host, nullptr));
    }
};

QTEST_MAIN(TestEditBlock)
#include "tst_editblock.moc"
