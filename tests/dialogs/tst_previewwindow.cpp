#include "app/mainwindow.h"
#include "dialogs/previewWindow.h"
#include "dialogs/waveformView.h"
#include "io/document.h"
#include "tests/support/documents.h"
#include "tests/support/scriptedPrompts.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

namespace {
QStringList waveNames(const WaveformView* view)
{
    QStringList names;
    for (const WaveformView::Wave& w : view->waves())
        names << w.name;
    return names;
}
} // namespace

// The Preview window on the coincidence example.
class TestPreviewWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_settings = isolateSettings(); }
    void init()
    {
        m_doc = std::make_unique<Document>();
        QVERIFY(m_doc->parseFile(readFile(examplePath("coincidence.vxt3"))));
        m_window = std::make_unique<PreviewWindow>(m_doc.get(), examplePath("coincidence.vxt3"));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup()
    {
        m_window.reset();
        m_doc.reset();
    }

    // An empty duration field shows the whole of its placeholder, which says what empty means.
    void durationShowsItsPlaceholder()
    {
        const auto* duration = m_window->findChild<QLineEdit*>("duration");
        const QRect text = duration->contentsRect().marginsRemoved(duration->textMargins());
        QVERIFY(text.width() > duration->fontMetrics().horizontalAdvance(duration->placeholderText()));
    }

    // The stimulus next to the document is offered; Run shows what vextor-cli prints, as waves.
    void runShowsTotalsAndWaves()
    {
        QCOMPARE(m_window->stimulusFile(), examplePath("coincidence.stim"));
        QSignalSpy ended(m_window.get(), &PreviewWindow::runEnded);
        QTest::mouseClick(m_window->findChild<QPushButton*>("runButton"), Qt::LeftButton);
        QVERIFY(ended.wait(20000));
        QCOMPARE(m_window->statusText(), QString("Done."));
        const QString golden =
            QString::fromUtf8(readFile(VEXTOR_SOURCE_DIR "/tests/cli/golden/coincidence.preview"));
        QCOMPARE(m_window->totalsText(), golden.section('\n', 1));

        WaveformView* view = m_window->waveformView();
        QCOMPARE(waveNames(view),
                 (QStringList{"IN-CH0 PMT_A", "IN-CH1 PMT_B", "OUT-CH0 GATE_NIM", "OUT-CH1 GATE_TTL"}));
        QCOMPARE(view->endNs(), qint64(200000));
        // PMT_A: 20 ns pulses every microsecond.
        QVERIFY(WaveformView::levelAt(view->waves().at(0), 1010));
        QVERIFY(!WaveformView::levelAt(view->waves().at(0), 1020));

        m_window->findChild<QCheckBox*>("internal")->setChecked(true);
        QVERIFY(waveNames(view).contains("slot3 GATE_GEN"));
        QVERIFY(waveNames(view).contains("trigger0 GATE_GEN"));

        // Zoom keeps the time under the cursor; the scroll bar moves in time.
        const double fit = view->nsPerPixel();
        QCOMPARE(view->horizontalScrollBar()->maximum(), 0);
        view->zoomIn();
        view->zoomIn();
        QCOMPARE(view->nsPerPixel(), fit / 4);
        QVERIFY(view->startNs() > 0);
        view->scrollToNs(50000);
        QVERIFY(qAbs(view->startNs() - 50000) <= view->nsPerPixel());
        QTest::keyClick(view->horizontalScrollBar(), Qt::Key_PageDown);
        QVERIFY(view->startNs() > 50000);
        view->zoomToFit();
        QCOMPARE(view->nsPerPixel(), fit);
        QCOMPARE(view->startNs(), 0.0);
    }

    // Stop ends a long run early; the totals cover the time run.
    void stopEndsTheRun()
    {
        m_window->findChild<QLineEdit*>("duration")->setText("10s");
        QSignalSpy ended(m_window.get(), &PreviewWindow::runEnded);
        m_window->run();
        QVERIFY(m_window->isRunning());
        QTest::mouseClick(m_window->findChild<QPushButton*>("stopButton"), Qt::LeftButton);
        QVERIFY(ended.wait(20000));
        QVERIFY2(m_window->statusText().startsWith("Stopped after"), qPrintable(m_window->statusText()));
        QVERIFY(m_window->lastRun()->emulator().now() < m_window->lastRun()->endCycle());
        QVERIFY(m_window->findChild<QPushButton*>("runButton")->isEnabled());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("stimulus");
        QTest::addColumn<QString>("duration");
        QTest::addColumn<QString>("status");
        QTest::newRow("bad line") << QByteArray("PMT_A periodic width=5ns") << ""
                                  << "line 1: periodic needs period=";
        QTest::newRow("bad duration") << QByteArray("PMT_A periodic period=1us width=5ns") << "soon"
                                      << "The duration must be a time from 5ns to 10s, for example 200us.";
    }
    void refused()
    {
        QFETCH(QByteArray, stimulus);
        QFETCH(QString, duration);
        QFETCH(QString, status);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("x.stim"), stimulus));
        m_window->setStimulusFile(dir.filePath("x.stim"));
        m_window->findChild<QLineEdit*>("duration")->setText(duration);
        QSignalSpy ended(m_window.get(), &PreviewWindow::runEnded);
        m_window->run();
        QCOMPARE(ended.count(), 1);
        QVERIFY2(m_window->statusText().endsWith(status), qPrintable(m_window->statusText()));
        QVERIFY(!m_window->isRunning());
        QVERIFY(!m_window->lastRun());
    }

    // Edit > Preview opens one window for the document, without any module.
    void menuEntryOpensTheWindow()
    {
        ScriptedPrompts* prompts = nullptr;
        const auto window = scriptedWindow(prompts, examplePath("coincidence.vxt3"));
        QAction* preview = window->action("actionPreview");
        QVERIFY(preview && preview->isEnabled());
        QVERIFY(window->findChild<QMenu*>("menu_Edit")->actions().contains(preview));
        preview->trigger();
        preview->trigger();
        const QList<PreviewWindow*> windows = window->findChildren<PreviewWindow*>();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows.first()->isVisible());
        QCOMPARE(windows.first()->stimulusFile(), examplePath("coincidence.stim"));
    }

private:
    std::unique_ptr<QTemporaryDir> m_settings;
    std::unique_ptr<Document> m_doc;
    std::unique_ptr<PreviewWindow> m_window;
};

QTEST_MAIN(TestPreviewWindow)
#include "tst_previewwindow.moc"
