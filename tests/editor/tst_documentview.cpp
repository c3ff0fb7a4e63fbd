#include "app/mainwindow.h"
#include "editor/labelWidget.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "model/labelModel.h"
#include "picture/blockPainter.h"
#include "tests/support/scriptedPrompts.h"

#include <QLabel>
#include <QtTest>

// Every shipped document opened: blocks on the grid with their pictures, wires drawn, labels listed.
class TestDocumentView : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }

    void openShowSave_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("two_sheets") << FIXTURE;
        const QDir examples(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
        for (const QString& name : examples.entryList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << examples.filePath(name);
    }
    void openShowSave()
    {
        QFETCH(QString, file);
        ScriptedPrompts* prompts = nullptr;
        auto w = scriptedWindow(prompts, file);
        QVERIFY2(prompts->shown.isEmpty(), qPrintable(prompts->shown.value(0).text));
        Document* doc = w->document();
        QCOMPARE(w->sheetCount(), doc->sheetCount());
        QVector<int> wires(doc->sheetCount(), 0);
        for (BlockItem* p : doc->diagram()->allBlocks()) {
            const SheetModel::Column column = doc->sheet(p->getTid())->columnOf(p);
            QVERIFY2(column != SheetModel::ColumnCount, qPrintable(p->getName()));
            QCOMPARE(p->getPosition().x(), SheetModel::columnX(column));
            QCOMPARE(ProgramWidget::labelOf(p)->parentWidget(), w->programWidget(p->getTid()));
            QCOMPARE(ProgramWidget::labelOf(p)->pos(), p->getPosition());
            QCOMPARE(ProgramWidget::labelOf(p)->pixmap()->toImage(), BlockPainter::pixmap(p).toImage());
            if (column != SheetModel::InputColumn)
                wires[p->getTid()] += p->getLines().size();
        }
        for (int tid = 0; tid < w->sheetCount(); ++tid) {
            w->programWidget(tid)->grab(); // painting lays the wires
            QCOMPARE(w->programWidget(tid)->lines().size(), wires.at(tid));
        }
        LabelModel* labels = w->labelWidget()->model();
        for (const LabelModel::LabelInfo& entry : labels->feedbacks() + labels->labels())
            QVERIFY2(w->labelWidget()->entryLabel(entry.name), qPrintable(entry.name));
    }
};

QTEST_MAIN(TestDocumentView)
#include "tst_documentview.moc"
