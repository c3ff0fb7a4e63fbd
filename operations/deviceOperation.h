#pragma once

#include "device/qUdpThread.h"
#include "model/infoOstrum.h"
#include "operations/operationPrompts.h"
#include "operations/outcome.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

// What one worker job reported through its signals, gathered until closed(bool).
struct JobReport
{
    bool bOk = false;                // closed(true)
    bool bStopped = false;           // a ROM job that the cancel stopped short, though ok
    QString error;                   // the failure the worker reported
    bool bCompared = false;          // a verification ran to its end (setHtml came)
    QString comparison;              // then its text: matched, or the mismatch with the report
    QString html;                    // and the report of the first mismatch
    QByteArray data;                 // readData
    int result = -1;                 // setResult: 0 when the module holds the diagram
    bool bXml = false;               // setXml came
    QByteArray xml;                  // with these bytes
    QString name;                    // and this name
    bool bRegistersModified = false; // a synchronisation refused for changed registers
    bool bWrote = false;             // the job sent at least one write command
    bool bTimedOut = false;          // the module did not answer
    int waitSeconds = 0;             // the time-out of each attempt
    int attempts = 0;                // attempts per packet
    // The first mismatch of a verification as data.
    std::optional<RegisterMismatch> mismatch;
};

// One device operation as the editor and vextor-cli run it: a chain of device-worker jobs
// (QUdpThread) started from the caller's thread and continued by the workers' queued signals,
// so the caller's event loop keeps running. It ends with finished(); outcome() then holds the
// verdict, the text for the user and the data. It never prints and never shows a window; what
// the flow needs to know on the way it asks its OperationPrompts.
class DeviceOperation : public QObject
{
    Q_OBJECT
public:
    explicit DeviceOperation(const InfoOstrum& target, QObject* parent = nullptr);
    // For a flow that asks its caller on the way.
    DeviceOperation(const InfoOstrum& target, OperationPrompts& prompts, QObject* parent = nullptr);
    ~DeviceOperation() override;

    // Begins the operation from the event loop (finished() therefore never comes from start());
    // while it runs, a second start() does nothing.
    void start();
    // Stops the operation: the running job is asked to stop and no further step begins. The
    // outcome is Cancelled (carrying what the job reported, if anything), unless it came when the
    // operation's last job had already run to its end: then the operation ends as that job did.
    // Before start(), the next run ends Cancelled without contacting the module.
    void cancel();
    bool isRunning() const { return m_bRunning; }
    const OperationOutcome& outcome() const { return m_outcome; }

    // Pause between two polls of a running ROM command (short in tests).
    void setRomPollInterval(int ms) { m_romPollMs = ms; }

signals:
    // A long job is running: its label, the progress range 0..maximum and the value reached.
    void progress(const QString& label, int maximum, int value);
    void finished();

protected:
    using Step = std::function<void(const JobReport&)>;

    // The first step of the operation.
    virtual void begin() = 0;
    // What the operation did, said when it is done (the outcome's confirmation).
    virtual QString confirmation() const { return QString(); }

    // A worker aimed at the target, for one job.
    std::unique_ptr<QUdpThread> newWorker() const;
    // Starts the job; next runs once the worker has closed and its thread has ended. With a
    // label, the job's progress is reported under it.
    void runJob(std::unique_ptr<QUdpThread> worker, Step next, const QString& label = QString(),
                int maximum = 0);
    // A status job (the worker carries the request); then next, unless the job failed or, with
    // bWriting, the registers are write-protected. The status is kept in the outcome.
    void readStatus(std::unique_ptr<QUdpThread> worker, bool bWriting, const Step& next);
    // After a status job: a module left with ROM writing enabled (a ROM job did not finish) has it
    // switched off, and the outcome's notice says so; then next with the status job's report.
    void switchOffRomWriting(const JobReport& status, const Step& next);
    // Asks the question; next runs on yes, a no ends the operation Cancelled.
    void confirmThen(Question question, const std::function<void()>& next);
    // Done when the job ran to its end (even when a cancel came too late to stop it), else its
    // failure: Cancelled when the cancel stopped it.
    void finishJob(const JobReport& report);
    void finishFailure(const JobReport& report);
    // The worker's text of a failed job; for a communication failure followed by the module's
    // address and port (and how long it was waited for when it did not answer).
    QString failureText(const JobReport& report) const;
    void finish(Verdict verdict, const QString& message = QString());
    // Adds a line to the outcome's notice.
    void addNotice(const QString& text);

    bool isCancelled() const { return m_bCancelled; }
    // How a job that did not succeed ends the operation.
    Verdict failureVerdict() const
    {
        return m_bCancelled ? Verdict::Cancelled : Verdict::CommunicationFailure;
    }

    InfoOstrum m_target;
    OperationPrompts* m_prompts = nullptr;
    OperationOutcome m_outcome;

private:
    void workerClosed(bool ok);

    std::unique_ptr<QUdpThread> m_worker;
    JobReport m_report;
    Step m_next;
    int m_romPollMs = QUdpThread::ROM_POLL_MS;
    bool m_bRunning = false;
    bool m_bCancelled = false;
};
