#include "app/mainwindow.h"
#include "editor/labelWidget.h"
#include "io/document.h"
#include "model/labelModel.h"
#include "tests/support/scriptedPrompts.h"

#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString FIXTURE = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/editor/data/two_sheets.vxt3");

} // namespace

class TestLabelPanel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<MainWindow> openDocument(const QString& name) { return scriptedWindow(m_prompts, name); }
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }

    void entriesOfTheDocument()
    {
        auto w = openDocument(FIXTURE);
        LabelModel* model = w->labelWidget()->model();
        QStringList names;
        for (const LabelModel::LabelInfo& info : model->feedbacks() + model->labels())
            names << info.name;
        QCOMPARE(names, (QStringList{"FeedBack0", "Label0", "Label1"}));
        QCOMPARE(w->labelWidget()->entryLabel(QStringLiteral("FeedBack0"))->pos(), QPoint(0, 0));
        QCOMPARE(w->labelWidget()->entryLabel(QStringLiteral("Label0"))->pos(), QPoint(0, 24));
        QCOMPARE(w->labelWidget()->entryLabel(QStringLiteral("Label1"))->pos(), QPoint(91, 24));
    }

    void imagesPerSheet_data()
    {
        QTest::addColumn<int>("sheet");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("image");
        auto row = [](const char* tag, int sheet, const char* name, const char* image) {
            QTest::newRow(tag) << sheet << name << QStringLiteral(":/images/%1.png").arg(image);
        };
        row("feedback free on its own sheet", 0, "FeedBack0", "LabelON");
        row("label on its defining sheet", 0, "Label0", "LabelOFF");
        row("PreLabel kind on a new sheet", 2, "Label0", "LabelON");
        row("Label kind on a new sheet", 2, "Label1", "FncLabelON");
    }
    void imagesPerSheet()
    {
        QFETCH(int, sheet);
        QFETCH(QString, name);
        QFETCH(QString, image);
        auto w = openDocument(FIXTURE);
        if (sheet >= w->sheetCount())
            w->tabNew();
        w->tabWidget()->setCurrentIndex(sheet);
        QCOMPARE(w->labelWidget()->model()->currentTab(), sheet);
        QLabel* label = w->labelWidget()->entryLabel(name);
        QVERIFY(label);
        QCOMPARE(label->pixmap()->toImage(), pictureWithText(image, name));
    }

    void numericOrderAndRows()
    {
        const QStringList names{"Label3", "Label10", "Label2", "Label4", "Label5",
                                "Label6", "Label7",  "Label8", "Label9"};
        const QString file = m_dir->filePath(QStringLiteral("labels.vxt3"));
        QVERIFY(writeFile(file, oneSheetDocument(QStringLiteral("Label"), names)));
        auto w = openDocument(file);
        QStringList order;
        for (const LabelModel::LabelInfo& info : w->labelWidget()->model()->labels())
            order << info.name;
        QCOMPARE(order, (QStringList{"Label2", "Label3", "Label4", "Label5", "Label6", "Label7", "Label8",
                                     "Label9", "Label10"}));
        // A ninth label starts the second label row.
        QCOMPARE(w->labelWidget()->entryLabel(QStringLiteral("Label9"))->pos(), QPoint(7 * 91, 24));
        QCOMPARE(w->labelWidget()->entryLabel(QStringLiteral("Label10"))->pos(), QPoint(0, 48));
        QCOMPARE(w->labelWidget()->minimumSize(), QSize(8 * 91, 3 * 24));
    }

    void clearedWithTheDocument()
    {
        auto w = openDocument(FIXTURE);
        m_prompts->answers << QMessageBox::Discard;
        w->newDiagram();
        QVERIFY(w->labelWidget()->model()->labels().isEmpty());
        QVERIFY(w->labelWidget()->model()->feedbacks().isEmpty());
        QVERIFY(!w->labelWidget()->entryLabel(QStringLiteral("Label0")));
    }
};

QTEST_MAIN(TestLabelPanel)
#include "tst_labelpanel.moc"
