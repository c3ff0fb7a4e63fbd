#include "app/mainwindow.h"
#include "editor/customscroll.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "tests/support/scriptedPrompts.h"

#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString FIXTURE = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/editor/data/two_sheets.vxt3");

BlockItem* findBlock(Document* doc, const QString& name, int tid)
{
    for (BlockItem* p : doc->diagram()->allBlocks()) {
        if (p->getName() == name && p->getTid() == tid)
            return p;
    }
    return nullptr;
}

// Paints a sheet as it would be shown (a hidden widget is not repainted).
QImage paint(QWidget* sheet)
{
    sheet->resize(sheet->minimumSize());
    QImage image(sheet->size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    sheet->render(&image);
    return image;
}

} // namespace

class TestSheetCanvas : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> openFixture() { return scriptedWindow(m_prompts, FIXTURE); }
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }

    void outputHeader()
    {
        auto w = openFixture();
        auto* label = w->programWidget(0)->findChild<QLabel*>(QStringLiteral("label_4"));
        QVERIFY(label);
        QCOMPARE(label->geometry(), QRect(567, 37, 111, 45));
        QCOMPARE(label->text(), QStringLiteral("Output\nFeedBack\nMeasure Counter"));
        QCOMPARE(w->programWidget(0)->minimumSize(), QSize(750, 1030));
    }

    void connectionLineFollowsSettings()
    {
        auto w = openFixture();
        ProgramWidget* sheet = w->programWidget(0);
        paint(sheet);
        QCOMPARE(sheet->connectionLine()->text(),
                 QStringLiteral("IP address: 192.168.10.16   TCP port: 24   UDP port: 4660"));
        QCOMPARE(sheet->connectionLine()->geometry(), QRect(10, 0, 600, 30));
        w->infoOstrum()->strAddr = QStringLiteral("10.1.2.3");
        w->infoOstrum()->tcpPort = 2400;
        w->infoOstrum()->udpPort = 4661;
        paint(sheet);
        QCOMPARE(sheet->connectionLine()->text(),
                 QStringLiteral("IP address: 10.1.2.3   TCP port: 2400   UDP port: 4661"));
    }

    void blockPictures_data()
    {
        QTest::addColumn<int>("tid");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("bold");
        auto row = [](const char* tag, int tid, const char* name, const char* image, const char* text,
                      bool bold) {
            QTest::newRow(tag) << tid << name << QStringLiteral(":/images/%1.png").arg(image) << text << bold;
        };
        row("prelogic shows its user name in bold", 0, "PreLgc0", "PreLgc", "COIN", true);
        row("counter function mode 9", 1, "CntFnc1", "Function0", "CntFnc1", false);
    }
    void blockPictures()
    {
        QFETCH(int, tid);
        QFETCH(QString, name);
        QFETCH(QString, image);
        QFETCH(QString, text);
        QFETCH(bool, bold);
        auto w = openFixture();
        BlockItem* p = findBlock(w->document(), name, tid);
        QVERIFY(p);
        QCOMPARE(p->getPixmap().toImage(), pictureWithText(image, text, bold));
    }

    // An edited block is redrawn at once, and the edit is one undo step.
    void redrawnWhenEdited_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("mode"); // measure counter mode; -1: the user name is edited
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("text");
        QTest::newRow("mode 0") << "MsrCnt0" << 0 << ":/images/MsrCnt3.png"
                                << "MsrCnt0";
        QTest::newRow("edited logic loses bold") << "PreLgc0" << -1 << ":/images/PreLgc.png"
                                                 << "AND2";
    }
    void redrawnWhenEdited()
    {
        QFETCH(QString, name);
        QFETCH(int, mode);
        QFETCH(QString, image);
        QFETCH(QString, text);
        auto w = openFixture();
        BlockItem* p = findBlock(w->document(), name, 0);
        if (mode < 0)
            p->setUserName(text);
        else
            p->setPropertyString(QStringLiteral("Mode=%1 FileSave=false PATH=/tmp").arg(mode));
        const int snapshots = w->history().count();
        w->programWidget(0)->setModified(p, nullptr);
        QCOMPARE(p->getBasePixmap().toImage(), QPixmap(image).toImage());
        QCOMPARE(p->getLabel()->pixmap()->toImage(), pictureWithText(image, text, false));
        QCOMPARE(w->history().count(), snapshots + 1);
        QVERIFY(w->isWindowModified());
    }

    void wiresFollowPorts()
    {
        const int tid = 0;
        auto w = openFixture();
        ProgramWidget* sheet = w->programWidget(tid);
        paint(sheet);
        QCOMPARE(sheet->lines().size(), 12);
        for (auto it = sheet->lines().constBegin(); it != sheet->lines().constEnd(); ++it) {
            QCOMPARE(it.key()->x2(), it.value()->getPosition().x());
            QVERIFY(it.value()->getType() != QLatin1String("Input"));
        }
        // A wire ends at its operand's pin: 5 pixels apart below the block's top edge.
        BlockItem* receiver = findBlock(w->document(), QStringLiteral("PstLgc0"), tid);
        const QLine expected(findBlock(w->document(), QStringLiteral("DlyFnc0"), tid)->getOutPos(),
                             QPoint(425, 90 + 3 + 5 * 1));
        QVERIFY(receiver);
        bool found = false;
        for (auto it = sheet->lines().constBegin(); it != sheet->lines().constEnd(); ++it)
            found = found || (*it.key() == expected && it.value() == receiver);
        QVERIFY(found);
    }

    void columnBands_data()
    {
        QTest::addColumn<int>("x");
        QTest::addColumn<QColor>("color");
        QTest::newRow("input") << 117 << QColor(255, 0, 0, 20);
        QTest::newRow("prelogic") << 118 << QColor(255, 255, 0, 50);
    }
    void columnBands()
    {
        QFETCH(int, x);
        QFETCH(QColor, color);
        QString none;
        MainWindow w(none, nullptr, nullptr);
        ProgramWidget* sheet = w.programWidget(0);
        const QImage image = paint(sheet);
        // The band is laid over the sheet's background from y 30 down.
        const QColor background = sheet->palette().color(sheet->backgroundRole());
        QImage expected(1, 1, QImage::Format_ARGB32);
        expected.fill(background);
        {
            QPainter painter(&expected);
            painter.fillRect(expected.rect(), color);
        }
        QCOMPARE(image.pixelColor(x, 29), background);
        QCOMPARE(image.pixelColor(x, 30), expected.pixelColor(0, 0));
        QCOMPARE(image.pixelColor(x, 1029), expected.pixelColor(0, 0));
    }

    void selectionTint()
    {
        auto w = openFixture();
        ProgramWidget* sheet = w->programWidget(0);
        BlockItem* p = findBlock(w->document(), QStringLiteral("CntFnc0"), 0);
        QSignalSpy selected(sheet, &ProgramWidget::itemSelect);
        sheet->addSelect(p);
        QCOMPARE(selected.count(), 1);
        QCOMPARE(selected.at(0).at(0).toBool(), true);
        QVERIFY(w->action(QStringLiteral("actionCut"))->isEnabled());
        QCOMPARE(p->getLabel()->pixmap()->toImage(),
                 ProgramWidget::tinted(p->getPixmap(), QColor(0, 0, 255, 70)).toImage());
        sheet->clearSelect(true);
        QCOMPARE(p->getLabel()->pixmap()->toImage(), p->getPixmap().toImage());
        QVERIFY(!w->action(QStringLiteral("actionCut"))->isEnabled());
    }

    void moveKeepsLabelWithBlock()
    {
        auto w = openFixture();
        ProgramWidget* sheet = w->programWidget(0);
        BlockItem* p = findBlock(w->document(), QStringLiteral("DlyFnc0"), 0);
        QVERIFY(sheet->move(p, 1)); // slot 2 holds the label input: lands in slot 3
        QCOMPARE(p->getIndex(), 3);
        QCOMPARE(p->getPosition(), QPoint(284, 104 + 3 * 40));
        QCOMPARE(p->getLabel()->pos(), p->getPosition());
        QVERIFY(w->isWindowModified());
        BlockItem* top = findBlock(w->document(), QStringLiteral("PreLgc0"), 0);
        const int snapshots = w->history().count();
        QVERIFY(!sheet->move(top, -1));
        QCOMPARE(w->history().count(), snapshots);
    }

    void scrollLeavesArrowKeysToTheSheet_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("up") << int(Qt::Key_Up) << false;
        QTest::newRow("page down") << int(Qt::Key_PageDown) << true;
    }
    void scrollLeavesArrowKeysToTheSheet()
    {
        QFETCH(int, key);
        QFETCH(bool, accepted);
        CustomScroll scroll;
        auto* inner = new QWidget;
        inner->setMinimumSize(100, 2000);
        scroll.setWidget(inner);
        scroll.resize(200, 200);
        scroll.show();
        scroll.verticalScrollBar()->setValue(500);
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(&scroll, &event);
        QCOMPARE(event.isAccepted(), accepted);
        QCOMPARE(scroll.verticalScrollBar()->value() != 500, accepted);
    }
};

QTEST_MAIN(TestSheetCanvas)
#include "tst_sheetcanvas.moc"
