#include "app/mainwindow.h"
#include "editor/labelWidget.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "model/labelModel.h"
#include "tests/support/scriptedPrompts.h"

#include <QAction>
#include <QLabel>
#include <QToolTip>
#include <QtTest>

class TestSheetCanvas : public QObject
{
    Q_OBJECT

private:
    BlockItem* block(const QString& name, int tid) const { return findBlock(*m_w->document(), name, tid); }
    static QImage shown(const BlockItem* p) { return p->getLabel()->pixmap()->toImage(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MainWindow> m_w; // the fixture, opened afresh for every test
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }
    void init() { m_w = scriptedWindow(m_prompts, FIXTURE); }

    void connectionLine()
    {
        ProgramWidget* sheet = m_w->programWidget(0);
        m_w->infoOstrum()->strAddr = QStringLiteral("10.1.2.3");
        m_w->infoOstrum()->tcpPort = 2400;
        sheet->grab();
        QCOMPARE(sheet->connectionLine()->text(),
                 QStringLiteral("IP address: 10.1.2.3   TCP port: 2400   UDP port: 4660"));
    }

    // Hovering a block names it whole, as its picture may shrink or cut the name short, with the
    // resource it stands for; hovering the empty sheet shows nothing.
    void toolTips()
    {
        ProgramWidget* sheet = m_w->programWidget(0);
        m_w->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.get()));
        const BlockItem* p = block("PreLgc0", 0);
        const QPoint at = p->getLabel()->geometry().center();
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), sheet->mapToGlobal(at));
        QApplication::sendEvent(p->getLabel(), &help);
        QCOMPARE(QToolTip::text(), QStringLiteral("COIN (PreLgc0)"));
        QHelpEvent empty(QEvent::ToolTip, QPoint(700, 500), sheet->mapToGlobal(QPoint(700, 500)));
        QApplication::sendEvent(sheet, &empty);
        QTRY_COMPARE(QToolTip::text(), QString());
    }

    // As opened, and redrawn at once when edited (the edit is one undo step).
    void pictures_data()
    {
        QTest::addColumn<int>("tid");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("edit"); // a property string, or a user name; "" opens only
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bold");
        auto row = [](const char* tag, int tid, const char* name, const char* edit, const char* image,
                      const char* text,
                      bool bold) { QTest::newRow(tag) << tid << name << edit << image << text << bold; };
        row("prelogic name in bold", 0, "PreLgc0", "", "PreLgc", "COIN", true);
        row("counter function mode 9", 1, "CntFnc1", "", "Function0", "CntFnc1", false);
        row("measure counter mode 0", 0, "MsrCnt0", "Mode=0 FileSave=false PATH=/tmp", "MsrCnt3", "MsrCnt0",
            false);
        row("edited logic loses bold", 0, "PreLgc0", "AND2", "PreLgc", "AND2", false);
    }
    void pictures()
    {
        QFETCH(int, tid);
        QFETCH(QString, name);
        QFETCH(QString, edit);
        QFETCH(QString, image);
        QFETCH(QString, text);
        QFETCH(bool, bold);
        BlockItem* p = block(name, tid);
        if (edit.contains(QLatin1Char('=')))
            p->setPropertyString(edit);
        else if (!edit.isEmpty())
            p->setUserName(edit);
        if (!edit.isEmpty())
            m_w->programWidget(tid)->setModified(p, nullptr);
        QCOMPARE(m_w->session().history().count(), edit.isEmpty() ? 0 : 1);
        QCOMPARE(shown(p), pictureWithText(QStringLiteral(":/images/%1.png").arg(image), text, bold));
    }

    void selectionTintsAndDrivesEditActions()
    {
        ProgramWidget* sheet = m_w->programWidget(0);
        BlockItem* p = block(QStringLiteral("CntFnc0"), 0);
        sheet->addSelect(p);
        QVERIFY(m_w->action(QStringLiteral("actionCut"))->isEnabled());
        QCOMPARE(shown(p), ProgramWidget::tinted(p->getPixmap(), QColor(0, 0, 255, 70)).toImage());
        sheet->clearSelect(true);
        QCOMPARE(shown(p), p->getPixmap().toImage());
        QVERIFY(!m_w->action(QStringLiteral("action_Delete"))->isEnabled());
    }

    // A rename on one sheet reaches every block of that name on every sheet and the label panel.
    void sharedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("blocks");
        QTest::newRow("label") << "Label0" << 2;
        QTest::newRow("input") << "IN-CH0" << 1;
    }
    void sharedNames()
    {
        QFETCH(QString, name);
        QString userName = QStringLiteral("Ready");
        m_w->programWidget(0)->setModified(name, userName);
        int renamed = 0;
        for (BlockItem* p : m_w->document()->diagram()->allBlocks()) {
            if (p->getName() == name) {
                QCOMPARE(p->getUserName(), userName);
                QCOMPARE(shown(p), p->getPixmap().toImage());
                ++renamed;
            }
        }
        QTEST(renamed, "blocks");
        QCOMPARE(m_w->session().history().count(), 1);
        for (const LabelModel::LabelInfo& entry : m_w->labelWidget()->model()->labels())
            QCOMPARE(LabelModel::displayName(entry) == userName, entry.name == name);
    }

    // An input switched to a channel another input has, without a user name of its own, takes
    // the other's.
    void inputChannel()
    {
        BlockItem* input = block(QStringLiteral("IN-CH2"), 1);
        BlockItem* other = block(QStringLiteral("IN-CH0"), 0);
        QString channel = QStringLiteral("IN-CH0");
        input->setUserName(channel);
        m_w->programWidget(1)->setModified(input, &channel);
        QCOMPARE(input->getName(), channel);
        QCOMPARE(input->getUserName(), other->getUserName());
        QCOMPARE(input->getUserName(), QStringLiteral("PMT-A"));
        QCOMPARE(shown(input), input->getPixmap().toImage());
    }

    // Deleting a label takes its outputs off every sheet with the routing units they held.
    void deleteLabel_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("feedBackFreed");
        QTest::newRow("feedback feeding a counter function") << "FeedBack0" << 1;
        QTest::newRow("label feeding a PostLogic") << "Label1" << 0;
    }
    void deleteLabel()
    {
        QFETCH(QString, name);
        QFETCH(int, feedBackFreed);
        ResourceCounters* counters = m_w->document()->counters();
        const int free = counters->count(QStringLiteral("FeedBackInfo"));
        QPointer<QLabel> output = block(name, 1)->getLabel();
        static_cast<SheetHost&>(*m_w).deleteLabel(name);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(output.isNull());
        QVERIFY(!block(name, 1));
        QCOMPARE(counters->count(QStringLiteral("FeedBackInfo")), free + feedBackFreed);
        QVERIFY(!m_w->labelWidget()->entryLabel(name));
    }
};

QTEST_MAIN(TestSheetCanvas)
#include "tst_sheetcanvas.moc"
