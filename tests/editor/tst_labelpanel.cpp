#include "app/mainwindow.h"
#include "editor/labelWidget.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"

#include <QLabel>
#include <QtTest>

class TestLabelPanel : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    ScriptedPrompts* m_prompts = nullptr;

private slots:
    void initTestCase() { m_dir = isolateSettings(); }

    // Labels in number order in rows of 8 below the FeedBack row; a new document has none.
    void layout()
    {
        const QStringList names{"Label3", "Label10", "Label2", "Label4", "Label5",
                                "Label6", "Label7",  "Label8", "Label9"};
        const QString file = m_dir->filePath(QStringLiteral("labels.vxt3"));
        QVERIFY(writeFile(file, oneSheetDocument(QStringLiteral("Label"), names)));
        auto w = scriptedWindow(m_prompts, file);
        LabelWidget* panel = w->labelWidget();
        QCOMPARE(panel->entryLabel(QStringLiteral("Label2"))->pos(), QPoint(0, 24));
        QCOMPARE(panel->entryLabel(QStringLiteral("Label9"))->pos(), QPoint(7 * 91, 24));
        QCOMPARE(panel->entryLabel(QStringLiteral("Label10"))->pos(), QPoint(0, 48));
        w->newDiagram();
        QVERIFY(!panel->entryLabel(QStringLiteral("Label2")));
    }

    // An entry shows whether it may still be placed on the sheet in view.
    void imagesFollowTheSheetInView()
    {
        auto w = scriptedWindow(m_prompts, FIXTURE);
        auto image = [&w](const QString& name) {
            return w->labelWidget()->entryLabel(name)->pixmap()->toImage();
        };
        QCOMPARE(image(QStringLiteral("Label1")), pictureWithText(":/images/LabelOFF.png", "Label1"));
        w->tabWidget()->setCurrentIndex(2); // the "+" tab: a new sheet
        QCOMPARE(image(QStringLiteral("Label1")), pictureWithText(":/images/FncLabelON.png", "Label1"));
        QCOMPARE(image(QStringLiteral("FeedBack0")), pictureWithText(":/images/LabelON.png", "FeedBack0"));
        QCOMPARE(w->labelWidget()->entryLabel(QStringLiteral("FeedBack0"))->pos(), QPoint(0, 0));
    }
};

QTEST_MAIN(TestLabelPanel)
#include "tst_labelpanel.moc"
