#include "dialogs/counterFields.h"
#include "dialogs/editCntFncDialog.h"
#include "dialogs/editDlyFncDialog.h"
#include "dialogs/editInputDialog.h"
#include "dialogs/editLogicDialog.h"
#include "dialogs/editMsrCntDialog.h"
#include "io/document.h"
#include "model/blockKinds.h"
#include "model/imageCapture.h"
#include "model/timeUnits.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"
#include "tests/support/sheetDriver.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {
QString imageOf(const QByteArray& text)
{
    Document doc;
    if (!doc.parseFile(text))
        return QStringLiteral("unreadable");
    ImageCapture capture;
    doc.diagram()->download(&capture);
    return capture.text();
}

// A stored counter text shown in a field and its unit box.
void setCounter(QLineEdit* field, QComboBox* unitBox, QString text)
{
    const TimeUnit* unit = TimeUnits::counterUnitIn(text);
    if (unit)
        text.remove(unit->text);
    unitBox->setCurrentText(unit ? QString(unit->text) : QStringLiteral("nsec"));
    field->setText(text);
}

// Fills in a settings dialog as the user would to give the block the example's settings.
void fillIn(QDialog* dialog, const BlockItem* want)
{
    const QString name = want->getName();
    if (auto* d = qobject_cast<EditInputDialog*>(dialog)) {
        d->portBox()->setCurrentText(name);
        d->nameEdit()->setText(want->getUserName());
        if (isOutput(want)) {
            bool nim = false, ttl = false;
            static_cast<const NIMOut*>(want)->getOutputProperty(nim, ttl);
            d->nimOutBox()->setChecked(nim);
            d->ttlOutBox()->setChecked(ttl);
        } else if (static_cast<const NIM_IN*>(want)->bUserControl()) {
            d->userControlBox()->setChecked(true);
        } else if (name == ChannelNames::USER_INPUT) {
            QString main, sub;
            want->getMainCntStr(main);
            want->getSubCntStr(sub);
            setCounter(d->oscillatorFields()->mainLineEdit, d->oscillatorFields()->mainComboBox, main);
            setCounter(d->oscillatorFields()->subLineEdit, d->oscillatorFields()->subComboBox, sub);
        } else {
            bool user = false, high = false;
            quint16 vth = 0;
            static_cast<const NIM_IN*>(want)->getInputProperty(user, high, vth);
            (user ? d->userButton() : high ? d->ttlButton() : d->nimButton())->setChecked(true);
            if (user) {
                (high ? d->highButton() : d->lowButton())->setChecked(true);
                d->vthEdit()->setText(EditInputDialog::vthText(vth));
            }
        }
    } else if (auto* d = qobject_cast<EditLogicDialog*>(dialog)) {
        d->textEdit()->setPlainText(want->getProperty());
    } else if (auto* d = qobject_cast<EditCntFncDialog*>(dialog)) {
        d->modeComboBox()->setCurrentIndex(NIMCntFnc::getMode(want));
        QString main, sub;
        want->getMainCntStr(main);
        want->getSubCntStr(sub);
        setCounter(d->fields()->mainLineEdit, d->fields()->mainComboBox, main);
        setCounter(d->fields()->subLineEdit, d->fields()->subComboBox, sub);
    } else if (auto* d = qobject_cast<EditDlyFncDialog*>(dialog)) {
        QString value = want->getProperty().section(QLatin1Char('='), 1);
        int at = 0;
        const TimeUnit* unit = TimeUnits::delayUnitIn(value, &at);
        d->unitComboBox()->setCurrentText(unit ? QString(unit->text) : QStringLiteral("ns"));
        d->delayEdit()->setText(unit ? value.left(at) : value);
    } else if (auto* d = qobject_cast<EditMsrCntDialog*>(dialog)) {
        const int mode = NIMMsrCnt::getMode(want);
        d->counterComboBox()->setCurrentText(name);
        d->gateComboBox()->setCurrentIndex(mode & 3);
        d->srcComboBox()->setCurrentIndex((mode >> 2) & 3);
        QString unit, save, path;
        want->getStr(unit, QStringLiteral("Unit"));
        want->getStr(save, QStringLiteral("FileSave"));
        want->getStr(path, QStringLiteral("PATH"));
        for (int i = 0; i < 4; ++i) {
            if (d->unitButton(i)->text().remove(QLatin1Char('&')) == unit)
                d->unitButton(i)->setChecked(true);
        }
        d->fileSaveBox()->setChecked(save == QLatin1String("true"));
        d->pathEdit()->setText(path);
    }
    clickOk(*dialog);
}

// The palette entry a block comes from (the label panel's for label outputs).
QString entryOf(const BlockItem* b)
{
    if (isOutput(b))
        return ChannelNames::OUTPUT.prefix;
    if (isMsrCnt(b))
        return ChannelNames::MSR_CNT.prefix;
    if (isLabelIn(b))
        return BlockKinds::LABEL;
    if (isLabelOutput(b))
        return b->getName();
    return b->getType();
}
} // namespace

// Every example rebuilt from an empty sheet with the mouse, the dialogs and Rename compiles to the
// example's image; undone step by step it goes back to the empty document.
class TestBuildExamples : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }

    void build_data()
    {
        QTest::addColumn<QString>("file");
        const QDir examples(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
        for (const QString& file : examples.entryList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(file)) << examples.filePath(file);
    }
    void build()
    {
        QFETCH(QString, file);
        const QByteArray example = readFile(file);
        Document want;
        QVERIFY(want.parseFile(example));

        auto w = scriptedWindow(m_prompts);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        const QByteArray empty = w->document()->toXml();
        SheetDriver driver(w.get());
        QHash<const BlockItem*, BlockItem*> built;

        // Sheets: the "+" tab adds one; a double click on its tab names it.
        QTabBar* tabs = w->tabWidget()->tabBar();
        for (int tid = 0; tid < want.sheetCount(); ++tid) {
            if (tid > 0)
                QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(tid).center());
            QCOMPARE(w->currentTab(), tid);
            m_prompts->texts << want.sheetName(tid);
            QTest::mouseDClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(tid).center());
            QCOMPARE(tabs->tabText(tid), want.sheetName(tid));
        }
        // Blocks, sheet by sheet in slot order (label outputs once their labels exist), each given
        // its settings by double-click and its name by Rename.
        for (const bool outputs : {false, true}) {
            for (int tid = 0; tid < want.sheetCount(); ++tid) {
                QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier, tabs->tabRect(tid).center());
                for (int c = 0; c < SheetModel::ColumnCount; ++c) {
                    for (const BlockItem* b : want.sheet(tid)->column(SheetModel::Column(c))) {
                        if (isLabelOutput(b) != outputs)
                            continue;
                        const int x = isFncLabelIn(b) ? 450 : SheetModel::columnX(SheetModel::Column(c)) + 20;
                        if (outputs)
                            driver.placeLabel(b->getName(), QPoint(x, 500));
                        else
                            driver.place(entryOf(b), QPoint(x, 500));
                        BlockItem* made = driver.sheet()->currentItem();
                        QVERIFY2(made && made->getIndex() == b->getIndex(), qPrintable(b->getName()));
                        built.insert(b, made);
                        m_prompts->dialogs << [b](QDialog& dialog) {
                            fillIn(&dialog, b);
                            return dialog.result();
                        };
                        if (hasSettings(made))
                            QTest::mouseDClick(driver.sheet(), Qt::LeftButton, Qt::NoModifier,
                                               made->getPosition() + QPoint(20, 10));
                        if (isRenamable(made) && made->getUserName() != b->getUserName()) {
                            m_prompts->texts << b->getUserName();
                            for (QAction* action : ProgramWidget::labelOf(made)->actions()) {
                                if (action->text() == QLatin1String("&Rename"))
                                    action->trigger();
                            }
                        }
                        QVERIFY(m_prompts->dialogs.isEmpty() == hasSettings(made));
                        m_prompts->dialogs.clear();
                        QCOMPARE(made->getName(), b->getName());
                    }
                }
            }
        }
        // Wires, each from its source's output port to the target's input.
        for (auto it = built.constBegin(); it != built.constEnd(); ++it) {
            QTest::mouseClick(tabs, Qt::LeftButton, Qt::NoModifier,
                              tabs->tabRect(it.key()->getTid()).center());
            const QMap<int, BlockItem*>& ports = it.key()->getPort();
            for (auto port = ports.constBegin(); port != ports.constEnd(); ++port) {
                const int y = isMsrCnt(it.value()) && port.key() == 1 ? 24 : 10;
                driver.wire(built.value(port.value()), it.value()->getPosition() + QPoint(20, y));
                QCOMPARE(it.value()->getPort(port.key()), built.value(port.value()));
            }
        }
        QVERIFY2(m_prompts->shown.isEmpty(), qPrintable(m_prompts->shown.value(0).text));

        const QString saved = m_dir->filePath(QFileInfo(file).fileName());
        m_prompts->saveNames << saved;
        w->action(QStringLiteral("actionSave"))->trigger();
        QCOMPARE(imageOf(readFile(saved)), imageOf(example));

        QAction* undo = w->action(QStringLiteral("action_Undo"));
        while (undo->isEnabled())
            undo->trigger();
        QCOMPARE(w->document()->toXml(), empty);
        QAction* redo = w->action(QStringLiteral("actionRe_do"));
        while (redo->isEnabled())
            redo->trigger();
        QCOMPARE(w->document()->toXml(), readFile(saved));
        QVERIFY(!w->isWindowModified());
    }
};

QTEST_MAIN(TestBuildExamples)
#include "tst_buildexamples.moc"
