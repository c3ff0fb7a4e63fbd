#include "io/document.h"
#include "model/blockKinds.h"
#include "tests/support/dataRow.h"
#include "tests/support/scriptedPrompts.h"
#include "tests/support/sheetDriver.h"

#include <QClipboard>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

// The sheet driven with the mouse and keys on the fixture (undo and redo: the randomized edit test).
class TestSheetInteraction : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_w;
    std::unique_ptr<SheetDriver> m_d;
    ScriptedPrompts* m_prompts = nullptr;

    BlockItem* block(const QString& name, int tid = 0) const
    {
        return findBlock(*m_w->document(), name, tid);
    }
    void showSheet(int tid) { m_w->tabWidget()->setCurrentIndex(tid); }
    void key(Qt::Key k) { QTest::keyClick(m_w.get(), k); }
    int free(const char* unit) const { return m_w->document()->counters()->count(QLatin1String(unit)); }
    QAction* act(const char* name) const { return m_w->action(QLatin1String(name)); }
    QAction* contextAction(const BlockItem* b, const QString& text) const
    {
        for (QAction* action : b->getLabel()->actions()) {
            if (action->text() == text)
                return action;
        }
        return nullptr;
    }

private slots:
    void initTestCase() { m_dir = isolateSettings(); }
    void init()
    {
        m_w = scriptedWindow(m_prompts, FIXTURE);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        m_d = std::make_unique<SheetDriver>(m_w.get());
    }
    void cleanup()
    {
        m_d.reset();
        m_w.reset();
    }

    // What a press starts, by where it lands: a wire within ten pixels left of an output port
    // (label and FeedBack outputs carry "OUT"), a move elsewhere on a block, a rubber band off
    // the blocks, nothing in the header band or on a label input's end.
    void pressStarts_data()
    {
        QTest::addColumn<QString>("name"); // the block pressed, or "" for the point alone
        QTest::addColumn<int>("tid");
        QTest::addColumn<QPoint>("at"); // from the block's output point, or on the sheet
        QTest::addColumn<QString>("payload");
        dataRow("input port", "IN-CH0", 0, QPoint(-10, 0), "IN-CH0");
        dataRow("input body", "IN-CH0", 0, QPoint(-11, 0), "Vextormove");
        dataRow("feedback output", "FeedBack0", 1, QPoint(-2, 0), "OUTFeedBack0");
        dataRow("function label output", "Label1", 1, QPoint(-2, 0), "OUTLabel1");
        dataRow("counter port", "CntFnc0", 0, QPoint(-2, 0), "CntFnc0");
        dataRow("label input of a prelogic", "Label0", 0, QPoint(-2, 0), "Vextormove");
        dataRow("label input of a function", "Label1", 0, QPoint(-2, 0), "");
        dataRow("output", "OUT-CH0", 0, QPoint(-2, 0), "Vextormove");
        dataRow("empty area", "", 0, QPoint(200, 600), "Vextorrect");
        dataRow("header band", "", 0, QPoint(200, 81), "");
    }
    void pressStarts()
    {
        QFETCH(QString, name);
        QFETCH(int, tid);
        QFETCH(QPoint, at);
        showSheet(tid);
        const QPoint press = name.isEmpty() ? at : block(name, tid)->getOutPos() + at;
        m_d->drag(press, QPoint(200, 600));
        QTEST(m_d->payload(), "payload");
    }

    // A block dragged by its body lands in the free slot under the drop, or the last free one
    // before an occupied slot; a selection moves as one, and Down moves it one slot: one undo step
    // each.
    void moves()
    {
        BlockItem* dly = block("DlyFnc0");
        m_d->drag(dly->getPosition() + QPoint(12, 8), QPoint(300, 104 + 6 * 40 + 5));
        QCOMPARE(dly->getIndex(), 6);
        QCOMPARE(dly->getLabel()->pos(), dly->getPosition());
        m_d->drag(dly->getPosition() + QPoint(12, 8), QPoint(300, 104 + 2 * 40 + 5)); // Label0 stands there
        QCOMPARE(dly->getIndex(), 3);
        QCOMPARE(m_w->session().history().count(), 2);
        BlockItem* cnt = block("CntFnc0");
        m_d->click(cnt);
        m_d->click(dly, Qt::ControlModifier);
        QCOMPARE(m_w->programWidget(0)->selectedItems(), (QVector<BlockItem*>{cnt, dly}));
        key(Qt::Key_Down);
        QCOMPARE(cnt->getIndex(), 1);
        QCOMPARE(dly->getIndex(), 4);
        QCOMPARE(m_w->session().history().count(), 3);
        key(Qt::Key_Up);
        key(Qt::Key_Up);
        QCOMPARE(cnt->getIndex(), 0); // the top one cannot go further; the other passes Label0
        QCOMPARE(dly->getIndex(), 1);
    }

    // A rubber band takes the blocks it touches; Shift takes the range from the anchor; Ctrl takes
    // a block out again; the edit actions follow.
    void selecting()
    {
        ProgramWidget* sheet = m_w->programWidget(0);
        m_d->drag(QPoint(270, 95), QPoint(420, 150));
        QCOMPARE(sheet->selectedItems(), (QVector<BlockItem*>{block("CntFnc0"), block("DlyFnc0")}));
        m_d->drag(QPoint(300, 180), QPoint(330, 160)); // through the delay's lower edge
        QCOMPARE(sheet->selectedItems(), (QVector<BlockItem*>{block("DlyFnc0")}));
        QVERIFY(act("actionCopy")->isEnabled());
        m_d->click(block("IN-CH0"));
        m_d->click(block("PstLgc0"), Qt::ShiftModifier); // a band from the top takes the first slots
        QCOMPARE(sheet->selectedItems(), (QVector<BlockItem*>{block("IN-CH0"), block("PreLgc0"),
                                                              block("CntFnc0"), block("PstLgc0")}));
        m_d->click(block("PreLgc0"), Qt::ControlModifier);
        QCOMPARE(sheet->selectedItems().size(), 3);
        m_d->click(QPoint(200, 81));
        QVERIFY(sheet->selectedItems().isEmpty());
        QVERIFY(!act("actionCut")->isEnabled());
        act("actionSelect_All")->trigger();
        QCOMPARE(sheet->selectedItems().size(), 12);
    }

    // Deleting gives every unit back.
    void deleting()
    {
        m_d->click(block("CntFnc0"));
        key(Qt::Key_Delete);
        QVERIFY(!block("CntFnc0"));
        QVERIFY(block("PreLgc0"));
        QCOMPARE(free("CntFnc"), 7);
        QCOMPARE(free("PreLogicInfo"), 7);
        QCOMPARE(m_w->session().history().count(), 1);
        // The defining block takes its outputs on the other sheet along.
        m_d->click(block("Label0"));
        contextAction(block("Label0"), QStringLiteral("&Delete"))->trigger();
        QVERIFY(!block("Label0", 1));
        QVERIFY(!m_w->labelWidget()->entryLabel(QStringLiteral("Label0")));
    }

    // A wire dropped from an output goes into the block under the drop, a measure counter's upper
    // half being its GATE; a drawn wire is one undo step and marks the document modified.
    void wires_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QPoint>("at"); // from the target's top-left corner
        QTest::addColumn<int>("port");  // the target's input that holds the source; -1: no wire
        dataRow("input into prelogic", "IN-CH0", "PreLgc1", QPoint(10, 5), 1);
        dataRow("left of the prelogic column", "IN-CH0", "PreLgc1", QPoint(-1, 5), -1);
        dataRow("counter source half", "PstLgc0", "MsrCnt0", QPoint(10, 16), 1);
        dataRow("beside every block", "PstLgc0", "MsrCnt0", QPoint(10, 400), -1);
        dataRow("prelogic into label", "PreLgc0", "Label0", QPoint(20, 5), 0);
    }
    void wires()
    {
        QFETCH(QString, source);
        QFETCH(QString, target);
        QFETCH(QPoint, at);
        QFETCH(int, port);
        BlockItem* to = block(target);
        const QByteArray before = m_w->document()->toXml();
        m_d->wire(block(source), to->getPosition() + at);
        const bool changed = m_w->document()->toXml() != before;
        QCOMPARE(changed, port >= 0);
        if (port >= 0)
            QCOMPARE(to->getPort(port), block(source));
        QCOMPARE(m_w->session().history().count(), changed ? 1 : 0);
        QCOMPARE(m_w->isWindowModified(), changed);
    }

    // A FeedBack signal cannot feed a pass-through: the user is told and nothing changes.
    void refusedWire()
    {
        showSheet(1);
        m_d->place(QStringLiteral("NonFnc"), QPoint(300, 600));
        BlockItem* pass = m_d->sheet()->currentItem();
        const QByteArray before = m_w->document()->toXml();
        m_d->wire(block("FeedBack0", 1), pass->getPosition() + QPoint(20, 5));
        QCOMPARE(m_prompts->shown.size(), 1);
        QCOMPARE(m_prompts->shown.first().text,
                 QStringLiteral("Cannot connect FeedBack and NonFnc. Please use DlyFnc with delay value 0."));
        QCOMPARE(m_w->document()->toXml(), before);
    }

    // A wire is chosen by a click near it; its menu deletes it (the unit comes back); off the
    // wires the menu offers Paste while the clipboard holds blocks.
    void wireMenu()
    {
        ProgramWidget* sheet = m_w->programWidget(0);
        BlockItem* dly = block("DlyFnc0");
        const QLine wire = dly->getLines().first();
        const QPoint onWire = (wire.p1() + wire.p2()) / 2;
        std::unique_ptr<QMenu> menu(sheet->createMenu(onWire));
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Delete"));
        menu->actions().first()->trigger();
        QVERIFY(dly->getPort().isEmpty());
        QCOMPARE(free("PreLogicInfo"), 7);
        QCOMPARE(m_w->session().history().count(), 1);
        QVERIFY(m_w->isWindowModified());
        QApplication::clipboard()->setText(QStringLiteral("<Vextor_Copy_Items>\n"));
        menu.reset(sheet->createMenu(QPoint(200, 600)));
        QCOMPARE(menu->actions().first()->text(), QStringLiteral("Paste"));
        QVERIFY(menu->actions().first()->isEnabled());
    }

    // Rename asks again after each refusal until a usable name is given.
    void rename()
    {
        BlockItem* cnt = block("CntFnc0");
        m_prompts->texts << "bad name"
                         << "COIN"
                         << "Shaper";
        contextAction(cnt, QStringLiteral("&Rename"))->trigger();
        QCOMPARE(m_prompts->shown.size(), 2);
        QVERIFY(m_prompts->shown.at(0).text.startsWith(QStringLiteral("A name can consist only")));
        QCOMPARE(m_prompts->shown.at(1).text,
                 QStringLiteral("\"COIN\" cannot be used or it is already in use."));
        QCOMPARE(cnt->getUserName(), QStringLiteral("Shaper"));
        QCOMPARE(m_w->session().history().count(), 1);
        // A label's name reaches its outputs on every sheet.
        m_prompts->texts << "Veto";
        contextAction(block("Label1"), QStringLiteral("&Rename"))->trigger();
        QCOMPARE(block("Label1", 1)->getUserName(), QStringLiteral("Veto"));
        QVERIFY(!contextAction(block("Label1", 1), QStringLiteral("&Rename")));
    }

    // A double-click opens the block's settings beside it (which dialog: the example-building test).
    void settingsDialogBeside()
    {
        BlockItem* b = block("CntFnc0");
        QPoint at;
        m_prompts->dialogs << [&at](QDialog& d) {
            at = d.pos();
            return int(QDialog::Rejected);
        };
        QTest::mouseDClick(m_w->programWidget(0), Qt::LeftButton, Qt::NoModifier,
                           b->getPosition() + QPoint(12, 8));
        const QPoint beside = m_w->programWidget(0)->mapToGlobal(b->getPosition() - QPoint(100, 0));
        QCOMPARE(at, QPoint(qMax(beside.x(), 20), qMax(beside.y(), 50)));
    }

    // A label input changes sides with the arrow keys, and back.
    void labelSides()
    {
        m_d->place(QStringLiteral("Label"), QPoint(450, 600));
        QCOMPARE(m_d->sheet()->currentItem()->getType(), QStringLiteral("Label"));
        key(Qt::Key_Left);
        BlockItem* moved = m_d->sheet()->currentItem();
        QCOMPARE(moved->getType(), QStringLiteral("PreLabel"));
        QCOMPARE(moved->getPosition().x(), 284);
        key(Qt::Key_Right);
        QCOMPARE(m_d->sheet()->currentItem()->getPosition().x(), 425);
        QCOMPARE(m_w->session().history().count(), 3);
    }

    // Copied blocks paste with new names and their wires among them; in another window too.
    void clipboard()
    {
        m_d->click(block("PreLgc0"));
        m_d->click(block("CntFnc0"), Qt::ControlModifier);
        act("actionCopy")->trigger();
        QVERIFY(act("actionPaste")->isEnabled());
        act("actionPaste")->trigger();
        QCOMPARE(block("CntFnc2")->getPort(0), block("PreLgc2"));
        QCOMPARE(block("PreLgc2")->getUserName(), QStringLiteral("COIN_2"));
        QCOMPARE(m_w->session().history().count(), 1);

        ScriptedPrompts* otherPrompts = nullptr;
        auto other = scriptedWindow(otherPrompts);
        QVERIFY(other->action(QStringLiteral("actionPaste"))->isEnabled());
        other->action(QStringLiteral("actionPaste"))->trigger();
        Document* pasted = other->document();
        QCOMPARE(pasted->sheet(0)->column(SheetModel::PreLogicColumn).first()->getName(),
                 QStringLiteral("PreLgc0"));
        QCOMPARE(pasted->diagram()->inputs().size(), 2); // made for the PreLogic's wires

        m_d->click(block("DlyFnc0"));
        act("actionCut")->trigger();
        QVERIFY(!block("DlyFnc0"));
        QVERIFY(QApplication::clipboard()->text().contains("<name>DlyFnc0</name>"));
    }

    // Cut and paste moves the blocks a band touched, the wires among them too: two steps.
    void cutAndPaste()
    {
        const QByteArray before = m_w->document()->toXml();
        // The band covers the delay's corner and only a strip of the PostLogic it feeds.
        m_d->drag(QPoint(280, 140), QPoint(440, 150));
        QCOMPARE(m_d->sheet()->selectedItems(), (QVector<BlockItem*>{block("DlyFnc0"), block("PstLgc0")}));
        act("actionCut")->trigger();
        QVERIFY(!block("PstLgc0"));
        act("actionPaste")->trigger();
        QCOMPARE(block("DlyFnc0")->getPort(0), block("PreLgc1"));
        QCOMPARE(block("PstLgc0")->getPort(1), block("DlyFnc0"));
        QCOMPARE(block("PstLgc0")->getPort(0), block("CntFnc0"));
        QCOMPARE(m_w->session().history().count(), 2);
        act("action_Undo")->trigger();
        act("action_Undo")->trigger();
        QCOMPARE(m_w->document()->toXml(), before);
    }

    // Undo and redo read again only the sheets that changed, and keep what the user looks at: the
    // sheet, the chosen blocks and where the sheets are scrolled to.
    void undoKeepsTheView()
    {
        const BlockItem* otherSheet = block("FeedBack0", 1);
        auto* scroll = qobject_cast<QScrollArea*>(m_w->programWidget(0)->parentWidget()->parentWidget());
        QVERIFY(scroll && scroll->verticalScrollBar()->maximum() > 0);
        m_d->click(block("CntFnc0"));
        m_d->click(block("DlyFnc0"), Qt::ControlModifier);
        key(Qt::Key_Down);
        scroll->verticalScrollBar()->setValue(40);
        for (const char* command : {"action_Undo", "actionRe_do", "action_Undo"}) {
            act(command)->trigger();
            QCOMPARE(m_w->programWidget(0)->selectedItems(),
                     (QVector<BlockItem*>{block("CntFnc0"), block("DlyFnc0")}));
            QCOMPARE(scroll->verticalScrollBar()->value(), 40);
            QVERIFY(act("actionCut")->isEnabled());
        }
        QCOMPARE(block("CntFnc0")->getIndex(), 0);
        QCOMPARE(block("FeedBack0", 1), otherSheet);
        // A sheet more or less: every page is made anew, and still shows what it showed.
        m_w->tabNew();
        act("action_Undo")->trigger();
        QCOMPARE(m_w->sheetCount(), 2);
        scroll = qobject_cast<QScrollArea*>(m_w->programWidget(0)->parentWidget()->parentWidget());
        QCOMPARE(scroll->verticalScrollBar()->value(), 40);
        QCOMPARE(m_w->programWidget(0)->selectedItems(),
                 (QVector<BlockItem*>{block("CntFnc0"), block("DlyFnc0")}));
    }
};

QTEST_MAIN(TestSheetInteraction)
#include "tst_sheetinteraction.moc"
