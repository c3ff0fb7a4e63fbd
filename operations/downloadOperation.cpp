#include "operations/downloadOperation.h"

#include "model/blockDiagram.h"
#include "operations/operationPrompts.h"
#include "operations/operationTexts.h"

#include <QTimer>

QString imageError(BlockDiagram& diagram)
{
    try {
        RegisterImage::of(diagram);
    } catch (const QString& message) {
        return message;
    }
    return QString();
}

DesignCheck DesignCheck::of(BlockDiagram& diagram)
{
    DesignCheck check;
    QTextDocument report;
    check.rules = diagram.drc(&report);
    check.report = report.toPlainText();
    check.expressionError = imageError(diagram);
    if (check.expressionError.isEmpty())
        return check;
    // The line goes after the rules' errors and before their warnings.
    const QString line = QStringLiteral("error: ") + check.expressionError;
    if (check.rules == 0) {
        check.report = line;
    } else {
        QStringList lines = check.report.split(QLatin1Char('\n'));
        int at = 0;
        while (at < lines.size() && lines.at(at).startsWith(QLatin1String("error: ")))
            ++at;
        lines.insert(at, line);
        check.report = lines.join(QLatin1Char('\n'));
    }
    return check;
}

Verdict DesignCheck::verdict() const
{
    if (rules > 0)
        return Verdict::DrcErrors;
    return expressionError.isEmpty() ? Verdict::Done : Verdict::ExpressionError;
}

DownloadOperation::DownloadOperation(const InfoOstrum& target, BlockDiagram& diagram,
                                     OperationPrompts& prompts, QObject* parent)
    : DeviceOperation(target, prompts, parent)
    , m_diagram(diagram)
{}

void DownloadOperation::begin()
{
    // The whole image is computed here (well under a millisecond), so that an expression that
    // does not compile stops the download before the module is contacted.
    const DesignCheck check = DesignCheck::of(m_diagram);
    m_outcome.report = check.report;
    if (check.verdict() != Verdict::Done)
        return finish(check.verdict(),
                      check.verdict() == Verdict::ExpressionError ? check.expressionError : QString());
    if (check.rules < 0 && !m_prompts->continueAfterWarnings(m_outcome.report))
        return finish(Verdict::Cancelled);

    auto status = newWorker();
    status->setStatusReq(false);
    readStatus(std::move(status), true, [this](const JobReport&) {
        if (m_prompts->releaseModule())
            QTimer::singleShot(OperationPrompts::STREAM_RELEASE_MS, this, [this] { write(); });
        else
            write();
    });
}

void DownloadOperation::write()
{
    auto worker = newWorker();
    worker->setData(&m_diagram, nullptr);
    runJob(
        std::move(worker),
        [this](const JobReport& report) {
            if (!report.bOk && report.bWrote) {
                m_outcome.bPartlyWritten = true;
                return finish(failureVerdict(),
                              failureText(report) + QLatin1Char('\n') + OperationText::PARTLY_WRITTEN);
            }
            if (report.bOk) { // complete, however late a cancel came
                m_outcome.counters = CounterMonitorSetup::fromDiagram(m_diagram, m_target);
                m_outcome.userControl = UserControlSetup::fromDiagram(m_diagram, m_target);
                m_outcome.moduleImage = RegisterImage::of(m_diagram);
            }
            finishJob(report);
        },
        OperationText::PROGRESS_DOWNLOAD, OperationText::PROGRESS_DOWNLOAD_MAX);
}

VerifyOperation::VerifyOperation(const InfoOstrum& target, BlockDiagram& diagram, OperationPrompts& prompts,
                                 QObject* parent)
    : DeviceOperation(target, prompts, parent)
    , m_diagram(diagram)
{}

void VerifyOperation::begin()
{
    const QString expressionError = imageError(m_diagram);
    if (!expressionError.isEmpty())
        return finish(Verdict::ExpressionError, expressionError);
    auto status = newWorker();
    status->setStatusReq(false);
    readStatus(std::move(status), true,
               [this](const JobReport&) { confirmThen(Question::VerifyOutput, [this] { compare(); }); });
}

void VerifyOperation::compare()
{
    auto worker = newWorker();
    worker->setData(&m_diagram, &m_report);
    runJob(std::move(worker), [this](const JobReport& report) {
        if (!report.bCompared)
            return finishFailure(report);
        m_outcome.report = report.html;
        m_outcome.firstMismatch = report.mismatch;
        m_outcome.message = report.comparison;
        if (!report.bOk)
            return readModuleImage();
        // A verification that ran to its end has evaluated every expression.
        m_outcome.moduleImage = RegisterImage::of(m_diagram);
        finish(Verdict::Done, report.comparison);
    });
}

// The worker stops at the first difference; the whole image is read back to name every one.
void VerifyOperation::readModuleImage()
{
    auto worker = newWorker();
    worker->setReadReq(BlockDiagram::REG_DLY_FUNC, RegisterImage::FUNC_SIZE);
    runJob(std::move(worker), [this](const JobReport& func) {
        if (!func.bOk || isCancelled()) {
            m_outcome.detail = func.error;
            return finish(Verdict::Mismatch, m_outcome.message);
        }
        m_outcome.moduleImage.func = func.data;
        auto worker = newWorker();
        worker->setReadReq(BlockDiagram::REG_FRONTEND_LUT_BEGIN, RegisterImage::TABLES_SIZE);
        runJob(std::move(worker), [this](const JobReport& tables) {
            if (!tables.bOk || isCancelled()) {
                m_outcome.detail = tables.error;
                m_outcome.moduleImage = RegisterImage();
                return finish(Verdict::Mismatch, m_outcome.message);
            }
            listDifferences(tables.data);
        });
    });
}

void VerifyOperation::listDifferences(const QByteArray& tables)
{
    m_outcome.moduleImage.tables = tables;
    try {
        const RegisterImage expected = RegisterImage::of(m_diagram);
        m_outcome.differences = imageDifferences(m_diagram, expected, m_outcome.moduleImage);
    } catch (const QString& error) {
        // A table the comparison never reached does not compile: that is what differs.
        m_outcome.detail = error;
    }
    finish(Verdict::Mismatch, m_outcome.message);
}
