#include "operations/deviceOperation.h"

#include "device/connectionOptions.h"
#include "operations/operationTexts.h"

#include <QHostAddress>

DeviceOperation::DeviceOperation(const InfoOstrum& target, QObject* parent)
    : QObject(parent)
    , m_target(target)
{}

DeviceOperation::DeviceOperation(const InfoOstrum& target, OperationPrompts& prompts, QObject* parent)
    : QObject(parent)
    , m_target(target)
    , m_prompts(&prompts)
{}

DeviceOperation::~DeviceOperation() = default; // a running worker stops and is waited for

void DeviceOperation::start()
{
    if (m_bRunning)
        return;
    m_bRunning = true;
    m_outcome = OperationOutcome();
    QMetaObject::invokeMethod(
        this,
        [this] {
            // A worker aimed at a null address would end without a word.
            if (QHostAddress(m_target.strAddr).isNull())
                finish(Verdict::CommunicationFailure, invalidAddressText(m_target.strAddr));
            else if (m_bCancelled)
                finish(Verdict::Cancelled);
            else
                begin();
        },
        Qt::QueuedConnection);
}

void DeviceOperation::cancel()
{
    m_bCancelled = true;
    if (m_worker)
        m_worker->cancel();
}

std::unique_ptr<QUdpThread> DeviceOperation::newWorker() const
{
    auto worker = std::make_unique<QUdpThread>();
    worker->SetTimeout(m_target.timeout);
    worker->SetIpAddress(QHostAddress(m_target.strAddr), m_target.udpPort, 0);
    worker->setRomPollInterval(m_romPollMs);
    return worker;
}

void DeviceOperation::runJob(std::unique_ptr<QUdpThread> worker, Step next, const QString& label, int maximum)
{
    if (m_bCancelled)
        return finish(Verdict::Cancelled);
    m_worker = std::move(worker);
    m_report = JobReport();
    m_next = std::move(next);
    QUdpThread* w = m_worker.get();
    // The verify text arrives through error() right after setHtml(): it is the comparison's
    // result, not a failure.
    connect(w, &QTamp::error, this,
            [this](QString* text) { (m_report.bCompared ? m_report.comparison : m_report.error) = *text; });
    connect(w, &QUdpThread::setHtml, this, [this](QString* html) {
        m_report.bCompared = true;
        m_report.html = *html;
    });
    connect(w, &QUdpThread::readData, this, [this](QByteArray* bytes) { m_report.data = *bytes; });
    connect(w, &QUdpThread::setResult, this, [this](int result) { m_report.result = result; });
    connect(w, &QUdpThread::setXml, this, [this](QByteArray* bytes, QString name) {
        m_report.bXml = true;
        m_report.xml = bytes ? *bytes : QByteArray();
        m_report.name = name;
    });
    if (!label.isEmpty()) {
        connect(w, &QUdpThread::setProgress, this,
                [this, label, maximum](int value) { emit progress(label, maximum, value); });
        emit progress(label, maximum, 0);
    }
    connect(w, &QTamp::closed, this, &DeviceOperation::workerClosed);
    w->start();
}

void DeviceOperation::workerClosed(bool ok)
{
    // closed() is the worker's last signal; once its thread has ended the worker goes.
    m_worker->wait();
    m_report.bOk = ok;
    m_report.bRegistersModified = m_worker->registersModified();
    m_report.mismatch = m_worker->firstMismatch();
    m_report.bStopped = m_worker->stoppedByCancel();
    m_report.bWrote = m_worker->writeCommandsSent() > 0;
    m_report.bTimedOut = m_worker->timedOut();
    m_report.waitSeconds = m_worker->timeoutTicks() * QTamp::WAIT_MS / 1000;
    m_report.attempts = m_worker->retries();
    const std::unique_ptr<QUdpThread> done = std::move(m_worker);
    const Step next = std::move(m_next);
    next(m_report);
}

void DeviceOperation::readStatus(std::unique_ptr<QUdpThread> worker, bool bWriting, const Step& next)
{
    runJob(std::move(worker), [this, bWriting, next](const JobReport& report) {
        if (!report.bOk)
            return finishFailure(report);
        m_outcome.status = ModuleStatus(report.data);
        switchOffRomWriting(report, [this, bWriting, next](const JobReport& report) {
            if (bWriting && m_outcome.status.registersProtected())
                return finish(Verdict::WriteProtected, OperationText::WRITE_PROTECTED);
            if (m_bCancelled)
                return finish(Verdict::Cancelled);
            next(report);
        });
    });
}

void DeviceOperation::switchOffRomWriting(const JobReport& status, const Step& next)
{
    if (!m_outcome.status.romWritingEnabled())
        return next(status);
    auto worker = newWorker();
    worker->setRomWritingOffReq();
    runJob(std::move(worker), [this, status, next](const JobReport& report) {
        if (!report.bOk)
            return finishFailure(report);
        m_outcome.status = m_outcome.status.withRomWritingOff();
        addNotice(OperationText::ROM_WRITING_SWITCHED_OFF);
        next(status);
    });
}

void DeviceOperation::confirmThen(Question question, const std::function<void()>& next)
{
    if (m_prompts->confirm(question))
        next();
    else
        finish(Verdict::Cancelled);
}

void DeviceOperation::finishJob(const JobReport& report)
{
    if (report.bOk && !report.bStopped)
        finish(Verdict::Done);
    else
        finishFailure(report);
}

void DeviceOperation::finishFailure(const JobReport& report)
{
    finish(failureVerdict(), failureText(report));
}

QString DeviceOperation::failureText(const JobReport& report) const
{
    if (failureVerdict() != Verdict::CommunicationFailure)
        return report.error;
    // After the worker's own text: which module, and for a silence how long it was waited for.
    using namespace OperationText;
    const QString place = report.bTimedOut ? NO_ANSWER.arg(m_target.strAddr)
                                                 .arg(m_target.udpPort)
                                                 .arg(report.waitSeconds)
                                                 .arg(report.attempts)
                                           : FAILED_AT.arg(m_target.strAddr).arg(m_target.udpPort);
    const QString text = report.error.trimmed();
    return text.isEmpty() ? place : text + QLatin1Char('\n') + place;
}

void DeviceOperation::finish(Verdict verdict, const QString& message)
{
    m_outcome.verdict = verdict;
    m_outcome.message = message;
    if (verdict == Verdict::Done)
        m_outcome.confirmation = confirmation();
    m_bRunning = false;
    m_bCancelled = false; // the run's end uses up its cancel; one before the next start() holds
    emit finished();
}

void DeviceOperation::addNotice(const QString& text)
{
    if (!m_outcome.notice.isEmpty())
        m_outcome.notice += QLatin1Char('\n');
    m_outcome.notice += text;
}
