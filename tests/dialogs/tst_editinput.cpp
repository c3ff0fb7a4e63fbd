#include "dialogs/counterFields.h"
#include "dialogs/editInputDialog.h"
#include "tests/dialogs/dialogHarness.h"
#include "tests/support/diagramBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>

#include <functional>

using Edit = std::function<void(EditInputDialog&)>;
Q_DECLARE_METATYPE(Edit)

// Drives the input and output dialog: each setting stored and reopened, and every refusal.
class TestEditInput : public QObject
{
    Q_OBJECT

private:
    ScriptedHost host;

    BlockItem* place(const QString& name)
    {
        DiagramBuilder make(host.model);
        return name.startsWith("OUT-CH") ? make.out(nullptr, QString(), name) : make.input(name);
    }

private slots:
    void init() { host.reset(); }

    // OK stores the edit; a refusal keeps the dialog open and stores nothing.
    void store_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<Edit>("edit");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored");
        QTest::newRow("LVTTL") << "IN-CH0" << Edit([](EditInputDialog& d) { d.ttlButton()->click(); }) << ""
                               << "bUser=false bHigh=true Vth=3194";
        QTest::newRow("user specified 2.5 V") << "IN-CH1" << Edit([](EditInputDialog& d) {
            d.userButton()->click();
            d.highButton()->click();
            retype(d.vthEdit(), QStringLiteral("2.5"));
        }) << ""
                                              << "bUser=true bHigh=true Vth=4095";
        QTest::newRow("oscillator frequency") << "IN-USER" << Edit([](EditInputDialog& d) {
            d.userControlBox()->click();
            CounterFields* f = d.oscillatorFields();
            f->radioButtonFrequency->click();
            f->m_comboBoxHz->setCurrentText(QStringLiteral("MHz"));
            f->m_comboBox->setCurrentText(f->m_strDuty);
            retype(f->mainLineEdit, QStringLiteral("1"));
            retype(f->subLineEdit, QStringLiteral("40"));
        }) << ""
                                              << "MainCnt=400nsec SubCnt=600nsec Disp=DutyMHz";
        QTest::newRow("Vth above 2.5") << "IN-CH0" << Edit([](EditInputDialog& d) {
            d.userButton()->click();
            retype(d.vthEdit(), QStringLiteral("2.51"));
        }) << "Please set Vth between -2.5V and 2.5V"
                                       << "";
        QTest::newRow("reserved name")
            << "IN-CH0" << Edit([](EditInputDialog& d) { retype(d.nameEdit(), QStringLiteral("IN-CH7")); })
            << "\"IN-CH7\" cannot be used or it is already in use."
            << "";
        // IN-USER leaves user control with the oscillator fields as they opened.
        QTest::newRow("oscillator false width")
            << "IN-USER" << Edit([](EditInputDialog& d) { d.userControlBox()->click(); })
            << "\"False Width\" must be 6ns - 4.29sec"
            << "";
    }

    void store()
    {
        QFETCH(QString, block);
        QFETCH(Edit, edit);
        QFETCH(QString, message);
        BlockItem* item = place(block);
        EditInputDialog dialog(item, &host);
        dialog.show();
        edit(dialog);
        clickOk(dialog.buttonBox());
        QCOMPARE(host.scripted.shownTexts(), message);
        QCOMPARE(dialog.isVisible(), !message.isEmpty());
        QTEST(item->getProperty(), "stored");
        QCOMPARE(item->getUserName(), block);
        QCOMPARE(host.changes.size(), message.isEmpty() ? 1 : 0);
    }

    void portChoice()
    {
        BlockItem* named = place(QStringLiteral("IN-CH0"));
        named->setUserName(QStringLiteral("PMT_A"));
        BlockItem* item = place(QStringLiteral("IN-CH1"));
        EditInputDialog dialog(item, &host);
        dialog.show();
        // IN-OPT is always under user control.
        dialog.portBox()->setCurrentText(QStringLiteral("IN-OPT"));
        QVERIFY(dialog.userControlBox()->isChecked() && !dialog.userControlBox()->isEnabled());
        QVERIFY(!dialog.inputGroup()->isEnabled());
        QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("IN-OPT"));
        dialog.portBox()->setCurrentText(QStringLiteral("IN-USER"));
        QVERIFY(dialog.userControlBox()->isEnabled());
        QVERIFY(dialog.oscillatorGroup()->isVisible() && !dialog.inputGroup()->isVisible());
        dialog.portBox()->setCurrentText(QStringLiteral("IN-CH5"));
        clickOk(dialog.buttonBox());
        QCOMPARE(item->getName(), QStringLiteral("IN-CH5"));
        QCOMPARE(item->getProperty(), QStringLiteral("bUserControl=true"));
        QCOMPARE(host.changes.size(), 1);
    }

    void outputPortNameFollows()
    {
        BlockItem* item = place(QStringLiteral("OUT-CH0"));
        EditInputDialog dialog(item, &host);
        dialog.show();
        QVERIFY(!dialog.portBox()->findText(QStringLiteral("OUT-CH0")));
        dialog.portBox()->setCurrentText(QStringLiteral("OUT-CH4"));
        QCOMPARE(dialog.nameEdit()->text(), QStringLiteral("OUT-CH4"));
        clickOk(dialog.buttonBox());
        QCOMPARE(item->getType(), QStringLiteral("OUT-CH4"));
        QCOMPARE(item->getUserName(), QStringLiteral("OUT-CH4"));
    }
};

QTEST_MAIN(TestEditInput)
#include "tst_editinput.moc"
