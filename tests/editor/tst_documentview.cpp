#include "app/mainwindow.h"
#include "editor/labelWidget.h"
#include "editor/programWidget.h"
#include "io/document.h"
#include "model/labelModel.h"
#include "tests/support/scriptedPrompts.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Every document the project ships, opened in the window: each block stands where the grid puts
// it with its picture, each wire is drawn, the label panel lists the document's labels.
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
        QStringList files{QStringLiteral(VEXTOR_SOURCE_DIR "/tests/editor/data/two_sheets.vxt3")};
        const QDir examples(QStringLiteral(VEXTOR_SOURCE_DIR "/examples"));
        for (const QString& name : examples.entryList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Name))
            files << examples.filePath(name);
        for (const QString& file : files)
            QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file;
    }
    void openShowSave()
    {
        QFETCH(QString, file);
        ScriptedPrompts* prompts = nullptr;
        auto window = scriptedWindow(prompts, file);
        MainWindow& w = *window;
        QVERIFY2(prompts->shown.isEmpty(), qPrintable(prompts->shown.value(0).text));
        Document* doc = w.document();
        QCOMPARE(w.sheetCount(), doc->sheetCount());

        QVector<int> wires(doc->sheetCount(), 0);
        for (BlockItem* p : doc->diagram()->allBlocks()) {
            const int tid = p->getTid();
            SheetModel* sheet = doc->sheet(tid);
            const SheetModel::Column column = sheet->columnOf(p);
            QVERIFY2(column != SheetModel::ColumnCount, qPrintable(p->getName()));
            QCOMPARE(p->getPosition().x(), SheetModel::columnX(column));
            QLabel* label = p->getLabel();
            QVERIFY2(label, qPrintable(p->getName()));
            QCOMPARE(label->parentWidget(), w.programWidget(tid));
            QCOMPARE(label->pos(), p->getPosition());
            QVERIFY(!label->pixmap()->isNull());
            if (column != SheetModel::InputColumn)
                wires[tid] += p->getLines().size();
        }
        for (int tid = 0; tid < w.sheetCount(); ++tid) {
            ProgramWidget* canvas = w.programWidget(tid);
            canvas->resize(canvas->minimumSize());
            QImage image(canvas->size(), QImage::Format_ARGB32);
            canvas->render(&image);
            QCOMPARE(canvas->lines().size(), wires.at(tid));
        }

        LabelModel* labels = w.labelWidget()->model();
        for (const LabelModel::LabelInfo& entry : labels->feedbacks() + labels->labels())
            QVERIFY2(w.labelWidget()->entryLabel(entry.name), qPrintable(entry.name));
    }
};

QTEST_MAIN(TestDocumentView)
#include "tst_documentview.moc"
