#include "dialogs/counterFields.h"
#include "dialogs/editCntFncDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/dataRow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

// The counter-function dialog: mode, units, the frequency view, and every refusal.
class TestEditCntFnc : public QObject
{
    Q_OBJECT

private:
    ScriptedHost host;
    BlockItem* fnc = nullptr;

    // Sets the mode and the two fields; a unit "Hz"/"KHz"/"MHz" for main selects the frequency
    // view, "%" for sub selects the duty.
    void fill(EditCntFncDialog& dialog, int mode, const QString& main, const QString& mainUnit,
              const QString& sub, const QString& subUnit)
    {
        CounterFields* f = dialog.fields();
        dialog.modeComboBox()->setCurrentIndex(mode);
        if (mainUnit.endsWith(QLatin1String("Hz"))) {
            // On its indicator: a wide button takes clicks on its indicator and text only.
            QTest::mouseClick(f->radioButtonFrequency, Qt::LeftButton, {},
                              QPoint(8, f->radioButtonFrequency->height() / 2));
            f->m_comboBoxHz->setCurrentText(mainUnit);
            f->m_comboBox->setCurrentText(subUnit == QLatin1String("%") ? f->m_strDuty : f->m_strHighWidth);
        } else if (!mainUnit.isEmpty()) {
            f->mainComboBox->setCurrentText(mainUnit);
        }
        if (!subUnit.isEmpty() && subUnit != QLatin1String("%"))
            f->subComboBox->setCurrentText(subUnit);
        retype(f->mainLineEdit, main);
        retype(f->subLineEdit, sub);
    }

private slots:
    void init()
    {
        host.reset();
        fnc = host.model.createCntFnc(0, 0);
        fnc->setType(QStringLiteral("CntFnc"));
    }

    // OK stores the settings and the reopened dialog shows them as typed; a refusal (message)
    // corrects the field it names, and a second OK stores the correction (empty: still refused).
    void store_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("mainUnit");
        QTest::addColumn<QString>("sub");
        QTest::addColumn<QString>("subUnit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        const auto row = [](const char* tag, int mode, const char* main, const char* mainUnit,
                            const char* sub, const char* subUnit, const QString& message,
                            const char* stored) {
            QTest::newRow(tag) << mode << QString(main) << QString(mainUnit) << QString(sub)
                               << QString(subUnit) << message << QString(stored);
        };
        row("one-shot times", 0, "1.5", "usec", "20", "nsec", "", "Mode=0 MainCnt=1.5usec SubCnt=20nsec");
        row("divider counts", 10, "3", "", "7", "", "", "Mode=10 MainCnt=3 SubCnt=7");
        row("frequency and duty", 8, "1", "KHz", "25", "%", "",
            "Mode=8 MainCnt=250usec SubCnt=750usec Disp=DutyKHz");
        row("frequency and true width", 9, "2", "MHz", "100", "nsec", "",
            "Mode=9 MainCnt=100nsec SubCnt=400nsec Disp=MHz");
        const QString rounded = "Because it is necessary to set Counter by a unit for 1ns,\n";
        const QString falseWidth = "\"False Width\" must be 6ns - 4.29sec";
        row("false width below 6", 8, "5", "nsec", "5", "nsec", falseWidth,
            "Mode=8 MainCnt=5nsec SubCnt=6nsec");
        row("rounded once", 0, "5.5", "nsec", "5", "nsec", rounded + "5.5 is rounded off and becomes 6",
            "Mode=0 MainCnt=6nsec SubCnt=5nsec");
        row("both rounded", 0, "1.0005", "usec", "7.25", "nsec",
            rounded + "1.0005 is rounded off and becomes 1.001,\nand 7.25 is rounded off and becomes 7",
            "Mode=0 MainCnt=1.001usec SubCnt=7nsec");
        row("above 4.29 sec", 2, "5000", "msec", "5", "nsec", "\"Delay Time\" must be 5ns - 4.29sec",
            "Mode=2 MainCnt=4294.967295msec SubCnt=5nsec");
        row("count of 1", 10, "1", "", "4", "",
            "\"True Count\" must be an integer number from 2 to 4294967295", "Mode=10 MainCnt=2 SubCnt=4");
        row("duty 100", 8, "1", "Hz", "100", "%", "Duty must be less than 100%.", "");
        row("frequency rounded to whole ns", 9, "3", "MHz", "50", "%",
            rounded + "3 is rounded off and becomes 2.994011976",
            "Mode=9 MainCnt=167nsec SubCnt=167nsec Disp=DutyMHz");
        row("true width beyond the period", 8, "100", "MHz", "20", "nsec", falseWidth,
            "Mode=8 MainCnt=20nsec SubCnt=6nsec Disp=MHz");
    }

    void store()
    {
        QFETCH(int, mode);
        QFETCH(QString, main);
        QFETCH(QString, mainUnit);
        QFETCH(QString, sub);
        QFETCH(QString, subUnit);
        QFETCH(QString, message);
        QFETCH(QString, stored);
        EditCntFncDialog dialog(fnc, &host);
        dialog.show();
        fill(dialog, mode, main, mainUnit, sub, subUnit);
        clickOk(dialog.buttonBox());
        QCOMPARE(host.scripted.shownTexts(), message);
        if (!message.isEmpty()) {
            QVERIFY(dialog.isVisible());
            QVERIFY(fnc->getProperty().isEmpty());
            clickOk(dialog.buttonBox());
            QCOMPARE(fnc->getProperty(), stored);
            QCOMPARE(dialog.isVisible(), stored.isEmpty());
            return;
        }
        QVERIFY(dialog.result() == QDialog::Accepted && dialog.changed());
        QCOMPARE(fnc->getProperty(), stored);
        EditCntFncDialog reopened(fnc, &host); // shows what was typed
        QCOMPARE(reopened.modeComboBox()->currentIndex(), mode);
        QCOMPARE(reopened.fields()->mainLineEdit->text(), main);
        QCOMPARE(reopened.fields()->subLineEdit->text(), sub);
        QCOMPARE(reopened.fields()->frequencyView(), mainUnit.endsWith(QLatin1String("Hz")));
    }

    // A unit or quantity chosen after typing reads the number typed in it; a value the dialog
    // showed keeps its size.
    void choiceAfterTyping_data()
    {
        QTest::addColumn<QString>("opened");
        QTest::addColumn<QString>("typed"); // empty: the field is left as shown
        QTest::addColumn<bool>("isMain");
        QTest::addColumn<QString>("choice"); // a time unit, or "Duty"
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("stored");
        const QString oneShot = "Mode=0 MainCnt=2000nsec SubCnt=5nsec";
        const QString oscillator = "Mode=8 MainCnt=250usec SubCnt=750usec Disp=KHz";
        dataRow("typed, then usec", oneShot, QString("2"), true, QString("usec"), QString("2"),
                QString("Mode=0 MainCnt=2usec SubCnt=5nsec"));
        dataRow("shown, then usec", oneShot, QString(), true, QString("usec"), QString("2"),
                QString("Mode=0 MainCnt=2usec SubCnt=5nsec"));
        dataRow("typed, then msec", oneShot, QString("3"), false, QString("msec"), QString("3"),
                QString("Mode=0 MainCnt=2000nsec SubCnt=3msec"));
        dataRow("typed, then Duty", oscillator, QString("30"), false, QString("Duty"), QString("30"),
                QString("Mode=8 MainCnt=300usec SubCnt=700usec Disp=DutyKHz"));
        dataRow("shown, then Duty", oscillator, QString(), false, QString("Duty"), QString("25"),
                QString("Mode=8 MainCnt=250usec SubCnt=750usec Disp=DutyKHz"));
    }

    void choiceAfterTyping()
    {
        QFETCH(QString, opened);
        QFETCH(QString, typed);
        QFETCH(bool, isMain);
        QFETCH(QString, choice);
        fnc->setPropertyString(opened);
        EditCntFncDialog dialog(fnc, &host);
        dialog.show();
        CounterFields* f = dialog.fields();
        QLineEdit* field = isMain ? f->mainLineEdit : f->subLineEdit;
        if (!typed.isEmpty())
            retype(field, typed);
        if (choice == f->m_strDuty)
            f->m_comboBox->setCurrentText(choice);
        else
            (isMain ? f->mainComboBox : f->subComboBox)->setCurrentText(choice);
        QTEST(field->text(), "shown");
        clickOk(dialog.buttonBox());
        QCOMPARE(host.scripted.shownTexts(), QString());
        QTEST(fnc->getProperty(), "stored");
    }

    void modeChangeRaisesToNewMinimum()
    {
        EditCntFncDialog dialog(fnc, &host);
        QCOMPARE(dialog.fields()->subLineEdit->text(), QStringLiteral("5"));
        dialog.modeComboBox()->setCurrentIndex(8);
        QCOMPARE(dialog.fields()->subLineEdit->text(), QStringLiteral("6"));
        QVERIFY(dialog.fields()->radioButtonFrequency->isVisibleTo(&dialog));
        dialog.modeComboBox()->setCurrentIndex(10);
        QCOMPARE(dialog.fields()->labelMain->text(), QStringLiteral("&True Count"));
        QVERIFY(!dialog.fields()->mainComboBox->isVisibleTo(&dialog));
        QVERIFY(!dialog.fields()->radioButtonFrequency->isVisibleTo(&dialog));
    }
};

QTEST_MAIN(TestEditCntFnc)
#include "tst_editcntfnc.moc"
