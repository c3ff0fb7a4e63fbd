#include "dialogs/editBlock.h"
#include "dialogs/editDialog.h"
#include "tests/dialogs/dialogHarness.h"

#include <QApplication>
#include <QScreen>
#include <QTimer>

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
        QTest::newRow("input") << "Input"
                               << ""
                               << "IN-CH0";
        QTest::newRow("IN-USER oscillator") << "Input"
                                            << "MainCnt=1.5usec SubCnt=7 Disp=DutyKHz"
                                            << "IN-USER";
        QTest::newRow("output") << "OUT-CH"
                                << ""
                                << "OUT-CH0";
        QTest::newRow("counter") << "CntFnc"
                                 << ""
                                 << "CntFnc0";
        QTest::newRow("counter with a value to round") << "CntFnc"
                                                       << "Mode=3 MainCnt=5.5 SubCnt=9nsec"
                                                       << "CntFnc0";
        QTest::newRow("delay") << "DlyFnc"
                               << ""
                               << "DlyFnc0";
        QTest::newRow("measure counter") << "MsrCnt"
                                         << ""
                                         << "MsrCnt0";
        QTest::newRow("logic") << "PreLogic"
                               << "_A or _B"
                               << "PreLgc0";
    }

    void okWithoutChange()
    {
        QFETCH(QString, kind);
        QFETCH(QString, property);
        host.model.clearEntry();
        BlockItem* block = nullptr;
        if (kind == QLatin1String("Input"))
            block = host.model.createInput(
                0, 0, property.isEmpty() ? QStringLiteral("IN-CH0") : QStringLiteral("IN-USER"));
        else if (kind == QLatin1String("OUT-CH"))
            block = host.model.createOut(0, 0);
        else if (kind == QLatin1String("CntFnc"))
            block = host.model.createCntFnc(0, 0);
        else if (kind == QLatin1String("DlyFnc"))
            block = host.model.createDlyFnc(0, 0);
        else if (kind == QLatin1String("MsrCnt"))
            block = host.model.createMsrCnt(0, 0);
        else
            block = host.model.createPreLogic(0, 0);
        block->setType(kind == QLatin1String("OUT-CH") || kind == QLatin1String("MsrCnt") ? block->getName()
                                                                                          : kind);
        block->setPropertyString(property);

        QString title;
        bool help = true;
        QStringList unlabelled;
        bool onScreen = false;
        QTimer::singleShot(0, this, [&title, &help, &unlabelled, &onScreen] {
            auto* dialog = qobject_cast<EditDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            title = dialog->windowTitle();
            help = dialog->windowFlags().testFlag(Qt::WindowContextHelpButtonHint);
            unlabelled = mnemonicsWithoutBuddy(dialog);
            const QRect area = dialog->screen()->availableGeometry();
            const QRect frame = dialog->frameGeometry();
            onScreen = area.contains(frame.topLeft()) && frame.bottom() <= area.bottom();
            clickOk(dialog->findChild<QDialogButtonBox*>());
            if (dialog->isVisible())
                dialog->reject();
        });
        const QPoint pastTheScreen(100000, 100000);
        QVERIFY(!editBlock(block, host, nullptr, &pastTheScreen));
        QTEST(title, "title");
        QVERIFY(!help);
        QCOMPARE(unlabelled, QStringList());
        QVERIFY(onScreen);
        QCOMPARE(block->getProperty(), property);
        QVERIFY(host.changes.isEmpty());
        QCOMPARE(host.texts(), QString());
    }

    void blocksWithoutSettingsOpenNothing()
    {
        BlockItem* pass = host.model.createNonFnc(0, 0);
        pass->setType(QStringLiteral("NonFnc"));
        QVERIFY(!editBlock(pass, host, nullptr));
    }
};

QTEST_MAIN(TestEditBlock)
#include "tst_editblock.moc"
