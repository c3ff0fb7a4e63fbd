#include "dialogs/previewWindow.h"

#include "dialogs/waveformView.h"
#include "io/document.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <QtAlgorithms>

namespace {
// The room a line edit keeps between its frame and its text, and for the cursor, on each side.
constexpr int PLACEHOLDER_MARGIN = 4;

// The waves of the signals to show, from the run's trace in one pass.
QVector<WaveformView::Wave> wavesOf(const Emulator& emulator, const QVector<TraceSignal>& shown)
{
    QVector<WaveformView::Wave> waves(shown.size());
    int byBit[Emulator::TRACE_BITS];
    std::fill(std::begin(byBit), std::end(byBit), -1);
    for (int i = 0; i < shown.size(); ++i) {
        waves[i].name = shown.at(i).name;
        byBit[shown.at(i).bit] = i;
    }
    const QVector<Emulator::Change>& trace = emulator.trace();
    quint64 word = 0;
    for (const Emulator::Change& change : trace) {
        quint64 diff = change.cycle == 0 ? 0 : word ^ change.word;
        if (change.cycle == 0) {
            for (int i = 0; i < shown.size(); ++i)
                waves[i].initial = (change.word >> shown.at(i).bit) & 1;
        }
        for (; diff; diff &= diff - 1) {
            const int i = byBit[qCountTrailingZeroBits(diff)];
            if (i >= 0)
                waves[i].toggles.append(Timing::nsOf(change.cycle));
        }
        word = change.word;
    }
    return waves;
}
} // namespace

PreviewWorker::PreviewWorker(std::unique_ptr<PreviewRun> run, QObject* parent)
    : QThread(parent)
    , m_pRun(std::move(run))
{}

PreviewWorker::~PreviewWorker()
{
    cancel();
    wait();
}

void PreviewWorker::run()
{
    int shown = -1;
    while (!m_bCancel && m_pRun->advance(SLICE)) {
        const int percent = int(m_pRun->progress() * 100);
        if (percent != shown)
            emit progress(shown = percent);
    }
}

// ---------------------------------------------------------------------------------------------

PreviewWindow::PreviewWindow(Document* document, const QString& documentFile, QWidget* parent)
    : QDialog(parent)
    , m_pDocument(document)
{
    setWindowTitle(tr("Preview"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    buildLayout();
    setDocumentFile(documentFile);
    resize(900, 620);
}

PreviewWindow::~PreviewWindow()
{
    delete m_pWorker; // stops and waits
}

PreviewWindow* PreviewWindow::showFor(QWidget* parent, Document* document, const QString& documentFile)
{
    PreviewWindow* window = parent->findChild<PreviewWindow*>(QString(), Qt::FindDirectChildrenOnly);
    if (!window) {
        window = new PreviewWindow(document, documentFile, parent);
        window->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        window->setDocumentFile(documentFile);
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void PreviewWindow::buildLayout()
{
    m_pStimulus = new QLineEdit(this);
    m_pStimulus->setObjectName(QStringLiteral("stimulus"));
    auto* browseButton = new QPushButton(tr("&Browse ..."), this);
    m_pDuration = new QLineEdit(this);
    m_pDuration->setObjectName(QStringLiteral("duration"));
    m_pDuration->setPlaceholderText(tr("as the stimulus says"));
    // Wide enough to show the whole placeholder, which says what an empty field means: the text
    // plus the frame and the field's inner margins on both sides.
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_pDuration);
    m_pDuration->setFixedWidth(m_pDuration->fontMetrics().horizontalAdvance(m_pDuration->placeholderText()) +
                               2 * (frame + PLACEHOLDER_MARGIN));
    m_pRunButton = new QPushButton(tr("&Run"), this);
    m_pRunButton->setObjectName(QStringLiteral("runButton"));
    m_pRunButton->setDefault(true);
    m_pStopButton = new QPushButton(tr("&Stop"), this);
    m_pStopButton->setObjectName(QStringLiteral("stopButton"));
    m_pStopButton->setEnabled(false);
    auto* top = new QHBoxLayout;
    auto* stimulusLabel = new QLabel(tr("S&timulus:"), this);
    stimulusLabel->setBuddy(m_pStimulus);
    top->addWidget(stimulusLabel);
    top->addWidget(m_pStimulus, 1);
    top->addWidget(browseButton);
    auto* durationLabel = new QLabel(tr("&Duration:"), this);
    durationLabel->setBuddy(m_pDuration);
    top->addWidget(durationLabel);
    top->addWidget(m_pDuration);
    top->addWidget(m_pRunButton);
    top->addWidget(m_pStopButton);

    m_pProgress = new QProgressBar(this);
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pStatus = new QLabel(tr("Choose a stimulus file and press Run."), this);
    m_pStatus->setObjectName(QStringLiteral("status"));
    m_pStatus->setWordWrap(true);

    m_pView = new WaveformView(this);
    auto* zoomIn = new QPushButton(tr("Zoom &In"), this);
    auto* zoomOut = new QPushButton(tr("Zoom &Out"), this);
    auto* fit = new QPushButton(tr("&Fit"), this);
    m_pInternal = new QCheckBox(tr("&Internal signals"), this);
    m_pInternal->setObjectName(QStringLiteral("internal"));
    auto* zoomRow = new QHBoxLayout;
    zoomRow->addWidget(zoomIn);
    zoomRow->addWidget(zoomOut);
    zoomRow->addWidget(fit);
    zoomRow->addStretch(1);
    zoomRow->addWidget(m_pInternal);

    m_pTotals = new QPlainTextEdit(this);
    m_pTotals->setObjectName(QStringLiteral("totals"));
    m_pTotals->setReadOnly(true);
    m_pTotals->setMaximumHeight(150);
    m_pTotals->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_pProgress);
    layout->addWidget(m_pStatus);
    layout->addWidget(m_pView, 1);
    layout->addLayout(zoomRow);
    layout->addWidget(m_pTotals);

    connect(browseButton, &QPushButton::clicked, this, &PreviewWindow::browse);
    connect(m_pRunButton, &QPushButton::clicked, this, &PreviewWindow::run);
    connect(m_pStopButton, &QPushButton::clicked, this, &PreviewWindow::stop);
    connect(zoomIn, &QPushButton::clicked, m_pView, &WaveformView::zoomIn);
    connect(zoomOut, &QPushButton::clicked, m_pView, &WaveformView::zoomOut);
    connect(fit, &QPushButton::clicked, m_pView, &WaveformView::zoomToFit);
    connect(m_pInternal, &QCheckBox::toggled, this, &PreviewWindow::showWaves);
}

void PreviewWindow::setDocumentFile(const QString& documentFile)
{
    m_documentFile = documentFile;
    if (!m_pStimulus->text().isEmpty() || documentFile.isEmpty())
        return;
    const QFileInfo doc(documentFile);
    const QString next = doc.dir().filePath(doc.completeBaseName() + QStringLiteral(".stim"));
    if (QFileInfo::exists(next))
        m_pStimulus->setText(next);
}

void PreviewWindow::setStimulusFile(const QString& fileName)
{
    m_pStimulus->setText(fileName);
}

QString PreviewWindow::stimulusFile() const
{
    return m_pStimulus->text();
}

QString PreviewWindow::totalsText() const
{
    return m_pTotals->toPlainText();
}

QString PreviewWindow::statusText() const
{
    return m_pStatus->text();
}

void PreviewWindow::browse()
{
    const QString start =
        m_pStimulus->text().isEmpty() ? QFileInfo(m_documentFile).path() : m_pStimulus->text();
    const QString file =
        QFileDialog::getOpenFileName(this, tr("Stimulus"), start, tr("Stimulus (*.stim);;All files (*)"));
    if (!file.isEmpty())
        m_pStimulus->setText(file);
}

void PreviewWindow::fail(const QString& text)
{
    m_pStatus->setText(text);
    emit runEnded();
}

void PreviewWindow::setRunning(bool bRunning)
{
    m_pRunButton->setEnabled(!bRunning);
    m_pStopButton->setEnabled(bRunning);
}

void PreviewWindow::run()
{
    if (m_pWorker)
        return;
    if (!m_pDocument)
        return fail(tr("There is no document to preview."));
    QString error;
    if (!PreviewSetup::fromDiagram(*m_pDocument->diagram(), m_setup, error))
        return fail(error);
    if (m_pStimulus->text().isEmpty())
        return fail(tr("Choose a stimulus file first."));
    Stimulus stimulus;
    if (!Stimulus::load(m_pStimulus->text(), stimulus, error, m_setup.inputAliases))
        return fail(error);
    qint64 durationNs = 0;
    const QString duration = m_pDuration->text().trimmed();
    if (!duration.isEmpty() && (!Stimulus::parseTime(duration, durationNs) || durationNs < Timing::CLOCK_NS))
        return fail(tr("The duration must be a time from 5ns to 10s, for example 200us."));

    auto previewRun = std::make_unique<PreviewRun>(m_setup.image, stimulus, m_setup.names,
                                                   PreviewRun::durationFor(stimulus, durationNs),
                                                   PreviewRun::DEFAULT_TRACE_LIMIT);
    m_pWorker = new PreviewWorker(std::move(previewRun), this);
    connect(m_pWorker, &PreviewWorker::progress, m_pProgress, &QProgressBar::setValue);
    connect(m_pWorker, &QThread::finished, this, &PreviewWindow::finishRun);
    m_pProgress->setValue(0);
    m_pStatus->setText(tr("Running ..."));
    setRunning(true);
    m_pWorker->start();
}

void PreviewWindow::stop()
{
    if (m_pWorker)
        m_pWorker->cancel();
}

void PreviewWindow::finishRun()
{
    m_pRun = m_pWorker->takeRun();
    const bool cancelled = m_pWorker->wasCancelled() && !m_pRun->isFinished();
    delete m_pWorker;
    m_pWorker = nullptr;
    setRunning(false);
    m_pProgress->setValue(int(m_pRun->progress() * 100));
    m_pStatus->setText(
        cancelled
            ? tr("Stopped after %1.").arg(PreviewRun::formatTime(Timing::nsOf(m_pRun->emulator().now())))
            : tr("Done."));
    m_pTotals->setPlainText(m_pRun->report());
    showWaves();
    emit runEnded();
}

void PreviewWindow::showWaves()
{
    if (!m_pRun)
        return;
    // Inputs and outputs the diagram uses; with the internal signals, every used signal.
    QVector<TraceSignal> shown;
    for (const TraceSignal& s : traceSignals(m_pRun->names())) {
        const bool edge = s.group == QLatin1String("inputs") || s.group == QLatin1String("outputs");
        if (s.bUsed && (edge || m_pInternal->isChecked()))
            shown.append(s);
    }
    m_pView->setWaves(wavesOf(m_pRun->emulator(), shown), Timing::nsOf(m_pRun->emulator().now()));
}
