#pragma once

#include "emulator/previewRun.h"
#include "operations/previewSetup.h"

#include <QDialog>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <memory>

class Document;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class WaveformView;

// Runs a preview to its end (or until cancelled) in its own thread, slice by slice; the run
// comes back to its owner once the thread has finished.
class PreviewWorker : public QThread
{
    Q_OBJECT

public:
    // Cycles per slice: the cancel flag and the progress are looked at between slices.
    static constexpr qint64 SLICE = 100'000;

    explicit PreviewWorker(std::unique_ptr<PreviewRun> run, QObject* parent = nullptr);
    ~PreviewWorker() override;

    void cancel() { m_bCancel = true; }
    bool wasCancelled() const { return m_bCancel; }
    // The run, once finished() has been emitted.
    std::unique_ptr<PreviewRun> takeRun() { return std::move(m_pRun); }

signals:
    void progress(int percent);

protected:
    void run() override;

private:
    std::unique_ptr<PreviewRun> m_pRun;
    std::atomic<bool> m_bCancel{false};
};

// The "Preview" window: runs the open document in the emulator on a stimulus file, without any
// module, and shows the inputs and outputs as waveforms (zoom and scroll in time; optionally
// every internal signal the diagram uses) with the same totals vextor-cli prints. The run goes
// on a worker thread, so the window stays responsive and Stop ends it early.
class PreviewWindow : public QDialog
{
    Q_OBJECT

public:
    PreviewWindow(Document* document, const QString& documentFile, QWidget* parent = nullptr);
    ~PreviewWindow() override;

    // The window of parent, made on first use, shown and raised, with the stimulus next to the
    // document (same name, ".stim") offered when none is chosen yet.
    static PreviewWindow* showFor(QWidget* parent, Document* document, const QString& documentFile);

    void setDocumentFile(const QString& documentFile);
    void setStimulusFile(const QString& fileName);
    QString stimulusFile() const;
    bool isRunning() const { return m_pWorker != nullptr; }

    WaveformView* waveformView() const { return m_pView; }
    QString totalsText() const;
    QString statusText() const;
    // The finished run (null before the first one ends).
    const PreviewRun* lastRun() const { return m_pRun.get(); }

public slots:
    void run();
    void stop();
    void browse();

signals:
    // A run ended (finished, cancelled or refused); the totals and waveforms are in place.
    void runEnded();

private:
    void buildLayout();
    void finishRun();
    void showWaves();
    void fail(const QString& text);
    void setRunning(bool bRunning);

    QPointer<Document> m_pDocument;
    QString m_documentFile;
    PreviewSetup m_setup;
    std::unique_ptr<PreviewRun> m_pRun;
    PreviewWorker* m_pWorker = nullptr;

    QLineEdit* m_pStimulus = nullptr;
    QLineEdit* m_pDuration = nullptr;
    QPushButton* m_pRunButton = nullptr;
    QPushButton* m_pStopButton = nullptr;
    QCheckBox* m_pInternal = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pStatus = nullptr;
    WaveformView* m_pView = nullptr;
    QPlainTextEdit* m_pTotals = nullptr;
};
