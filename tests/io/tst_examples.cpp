#include "io/document.h"
#include "model/imageCapture.h"

#include <QDir>
#include <QFile>
#include <QTextDocument>
#include <QtTest>

namespace {
const QString EXAMPLES = QStringLiteral(VEXTOR_SOURCE_DIR "/examples");
const QString GOLDEN = QStringLiteral(VEXTOR_SOURCE_DIR "/tests/io/golden");

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

// The shipped examples load cleanly, pass the check, are written back unchanged and compile to
// the golden images (VEXTOR_UPDATE_GOLDEN=1 rewrites them: review the difference).
class TestExamples : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(QDir(EXAMPLES).entryList({QStringLiteral("*.vxt3")}, QDir::Files).size() >= 5);
    }

    void example_data()
    {
        QTest::addColumn<QString>("name");
        for (const QString& file :
             QDir(EXAMPLES).entryList({QStringLiteral("*.vxt3")}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(file)) << QFileInfo(file).completeBaseName();
    }

    void example()
    {
        QFETCH(QString, name);
        const QByteArray data = readAll(EXAMPLES + QLatin1Char('/') + name + QStringLiteral(".vxt3"));
        QVERIFY(!data.isEmpty());

        Document doc;
        QVERIFY2(doc.parseFile(data), qPrintable(doc.errorText()));
        QVERIFY(doc.readOK());
        QVERIFY(!doc.isEmptyDocument());
        for (const auto& message : doc.messages())
            QFAIL(qPrintable(message.first + QStringLiteral(": ") + message.second));
        QCOMPARE(doc.toXml(), data);

        int mode[4];
        QString logFolder[4], counterName[4], unit[4];
        doc.diagram()->checkMsrCnt(mode, logFolder, counterName, unit);
        for (const QString& folder : logFolder) // logging is the user's choice
            QVERIFY2(folder.isEmpty(), qPrintable(folder));

        QTextDocument report;
        const int verdict = doc.diagram()->drc(&report);
        QVERIFY2(verdict == 0, qPrintable(report.toPlainText()));

        ImageCapture capture;
        try {
            doc.diagram()->download(&capture);
        } catch (const QString& message) {
            QFAIL(qPrintable(message));
        }
        const QByteArray image = capture.text().toLatin1();
        const QString goldenPath = GOLDEN + QLatin1Char('/') + name + QStringLiteral(".image");
        if (qEnvironmentVariableIntValue("VEXTOR_UPDATE_GOLDEN") == 1) {
            QFile golden(goldenPath);
            QVERIFY(golden.open(QIODevice::WriteOnly));
            golden.write(image);
        }
        QCOMPARE(image, readAll(goldenPath));
    }
};

QTEST_GUILESS_MAIN(TestExamples)
#include "tst_examples.moc"
