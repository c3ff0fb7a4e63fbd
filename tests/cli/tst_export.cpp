#include "app/mainwindow.h"
#include "io/document.h"
#include "io/documentFile.h"
#include "model/blockItem.h"
#include "picture/sheetExport.h"
#include "tests/support/cliRun.h"
#include "tests/support/scriptedPrompts.h"

#include <QAction>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

namespace {
const QString EXAMPLES = QStringLiteral(VEXTOR_SOURCE_DIR "/examples/");

// The texts of a well-formed SVG drawing, or an empty list with the parser's complaint.
QStringList svgTexts(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QXmlStreamReader xml(&file);
    QStringList texts;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("text"))
            texts << xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
    }
    if (xml.hasError())
        qWarning() << fileName << xml.errorString();
    return xml.hasError() ? QStringList() : texts;
}

// The pages of a PDF file, -1 when it is none.
int pdfPages(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray data = file.readAll();
    const QString pdf = QString::fromLatin1(data.constData(), data.size()); // NULs included
    if (!pdf.startsWith(QLatin1String("%PDF-")))
        return -1;
    int pages = 0;
    auto it = QRegularExpression(QStringLiteral("/Type\\s*/Page\\b(?!s)")).globalMatch(pdf);
    for (; it.hasNext(); it.next())
        ++pages;
    return pages;
}

// The user names of the blocks on a sheet.
QStringList namesOn(Document& doc, int id)
{
    QStringList names;
    for (BlockItem* p : doc.diagram()->allBlocks()) {
        if (p->getTid() == id)
            names << p->getUserName();
    }
    return names;
}

QStringList firstSheetNames(const QString& document)
{
    Document doc;
    QByteArray data;
    if (DocumentFile::read(document, data, nullptr) != DocumentFile::Read::Read || !doc.parseFile(data))
        return {};
    return namesOn(doc, SheetExport::sheetIds(doc).first());
}
} // namespace

// vextor-cli export and File > Export draw the sheets as the editor shows them: an SVG that names
// every block as text, a PNG of the sheet, a PDF logbook with a page per sheet.
class TestExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QTemporaryDir> m_settings;

    QString out(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { m_settings = isolateSettings(); }

    void svgNamesEveryBlock_data()
    {
        QTest::addColumn<QString>("document");
        for (const char* name : {"coincidence", "delayed-veto", "scaler", "multi-sheet"})
            QTest::newRow(name) << EXAMPLES + QLatin1String(name) + QLatin1String(".vxt3");
    }
    void svgNamesEveryBlock()
    {
        QFETCH(QString, document);
        const QString svg = out(QFileInfo(document).completeBaseName() + QStringLiteral(".svg"));
        QCOMPARE(runCli({"export", document, svg}).exitCode, 0);
        const QStringList texts = svgTexts(svg);
        QVERIFY(!texts.isEmpty());
        const QStringList names = firstSheetNames(document);
        QVERIFY(!names.isEmpty());
        for (const QString& name : names)
            QVERIFY2(texts.contains(name), qPrintable(name));
    }

    void filesAndRefusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("pages"); // of the PDF written; -1: no PDF
        const QString multi = EXAMPLES + QStringLiteral("multi-sheet.vxt3");
        QTest::newRow("pdf, a page a sheet") << QStringList{"export", multi, "all.pdf"} << 0 << 3;
        QTest::newRow("pdf of one sheet")
            << QStringList{"export", multi, "one.pdf", "--sheet", "2"} << 0 << 1;
        QTest::newRow("png of the last sheet")
            << QStringList{"export", multi, "s3.png", "--sheet", "3"} << 0 << -1;
        QTest::newRow("no such sheet") << QStringList{"export", multi, "x.pdf", "--sheet", "4"} << 64 << -1;
        QTest::newRow("sheet not a number")
            << QStringList{"export", multi, "x.pdf", "--sheet", "two"} << 64 << -1;
        QTest::newRow("unknown format") << QStringList{"export", multi, "x.jpg"} << 64 << -1;
        QTest::newRow("missing document") << QStringList{"export", "missing.vxt3", "x.svg"} << 2 << -1;
        QTest::newRow("folder missing") << QStringList{"export", multi, "no/such/dir/x.svg"} << 2 << -1;
    }
    void filesAndRefusals()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(int, pages);
        args[2] = out(args[2]);
        QCOMPARE(runCli(args).exitCode, exitCode);
        if (pages >= 0)
            QCOMPARE(pdfPages(args[2]), pages);
        else if (exitCode == 0)
            QCOMPARE(QImage(args[2]).size(), QSize(771, 1031) * 2);
        else
            QVERIFY(!QFileInfo::exists(args[2]));
    }

    // The program itself draws without a display.
    void withoutDisplay()
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VEXTOR_BINARY_DIR "/cli/vextor-cli"),
                      {"export", EXAMPLES + QStringLiteral("coincidence.vxt3"), out("bin.png")});
        QVERIFY(process.waitForFinished(60000));
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!QImage(out("bin.png")).isNull());
    }

    // File > Export: the sheet in view as SVG, the whole document as PDF.
    void editorExport()
    {
        ScriptedPrompts* prompts = nullptr;
        std::unique_ptr<MainWindow> w =
            scriptedWindow(prompts, EXAMPLES + QStringLiteral("multi-sheet.vxt3"));
        w->tabWidget()->setCurrentIndex(1);
        prompts->saveNames << out("editor.svg") << out("editor.pdf");
        w->action(QStringLiteral("actionExport"))->trigger();
        w->action(QStringLiteral("actionExport"))->trigger();
        QCOMPARE(prompts->shownTexts(), QString());
        const QStringList texts = svgTexts(out("editor.svg"));
        const QStringList names = namesOn(*w->document(), 1);
        QVERIFY(!names.isEmpty());
        for (const QString& name : names)
            QVERIFY2(texts.contains(name), qPrintable(name));
        QCOMPARE(pdfPages(out("editor.pdf")), 3);
    }
};

QTEST_MAIN(TestExport)
#include "tst_export.moc"
