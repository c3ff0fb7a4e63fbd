#include "operations/moduleFleet.h"

#include "io/document.h"
#include "io/documentFile.h"
#include "operations/downloadOperation.h"
#include "operations/moduleOperations.h"

// One module's part of a run: its document and its operation, kept until the run has ended.
struct ModuleFleet::Job
{
    std::unique_ptr<Document> document;
    std::unique_ptr<DeviceOperation> operation;
};

ModuleFleet::ModuleFleet(const ModuleList& list, OperationPrompts& prompts, QObject* parent)
    : QObject(parent)
    , m_list(list)
    , m_prompts(prompts)
    , m_states(size_t(list.size()))
{
    qRegisterMetaType<ModuleFleet::Action>();
}

ModuleFleet::~ModuleFleet() = default; // running operations stop and wait for their workers

bool ModuleFleet::run(Action action, const QVector<int>& modules)
{
    if (m_run)
        return false;
    m_action = action;
    m_modules = modules;
    if (m_modules.isEmpty()) {
        for (int i = 0; i < m_list.size(); ++i)
            m_modules << i;
    }
    m_jobsOfRun.clear();
    m_jobsOfRun.resize(size_t(m_modules.size()));
    m_failed = 0;
    for (int module : qAsConst(m_modules)) {
        m_states[size_t(module)].bBusy = true;
        emit moduleChanged(module);
    }
    m_run = std::make_unique<FleetRun>(m_modules.size(), m_jobs, [this](int index) { return begin(index); });
    connect(m_run.get(), &FleetRun::moduleFinished, this, &ModuleFleet::over);
    connect(m_run.get(), &FleetRun::finished, this, [this] {
        // The run goes once the operation that reported the last end has returned.
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_run.reset();
                m_jobsOfRun.clear();
                emit finished(m_action, m_failed);
            },
            Qt::QueuedConnection);
    });
    emit progress(0, m_modules.size());
    m_run->start();
    return true;
}

void ModuleFleet::cancel()
{
    if (m_run)
        m_run->cancel();
}

std::unique_ptr<Document> ModuleFleet::readDocument(const ModuleEntry& entry, QString* error)
{
    QByteArray data;
    auto document = std::make_unique<Document>();
    error->clear();
    if (entry.document.isEmpty())
        *error = tr("The module list gives %1 no document.").arg(entry.name);
    else if (DocumentFile::read(entry.document, data, error) == DocumentFile::Read::Read &&
             !document->parseFile(data))
        *error = QStringLiteral("%1: %2").arg(entry.document, document->errorText());
    else if (error->isEmpty())
        return document;
    return nullptr;
}

DeviceOperation* ModuleFleet::begin(int index)
{
    const int module = m_modules.at(index);
    const ModuleEntry& entry = m_list.at(module);
    auto job = std::make_unique<Job>();
    if (m_action != Action::Status) {
        QString error;
        if (!(job->document = readDocument(entry, &error))) {
            fail(module, error);
            return nullptr;
        }
    }
    const InfoOstrum target = entry.target(job->document.get());
    switch (m_action) {
    case Action::Status:
        job->operation = std::make_unique<StatusOperation>(target);
        break;
    case Action::Download:
        job->operation = std::make_unique<DownloadOperation>(target, *job->document->diagram(), m_prompts);
        break;
    case Action::Verify:
        job->operation = std::make_unique<VerifyOperation>(target, *job->document->diagram(), m_prompts);
        break;
    }
    DeviceOperation* operation = job->operation.get();
    m_jobsOfRun[size_t(index)] = std::move(job);
    return operation;
}

void ModuleFleet::over(int index, bool begun)
{
    const int module = m_modules.at(index);
    ModuleState& state = m_states[size_t(module)];
    state.bBusy = false;
    if (begun) {
        const OperationOutcome& outcome = m_jobsOfRun[size_t(index)]->operation->outcome();
        update(state, outcome);
        if (!outcome.isDone())
            ++m_failed;
    }
    emit moduleChanged(module);
    emit progress(m_run->finishedCount(), m_modules.size());
}

void ModuleFleet::fail(int module, const QString& message)
{
    ModuleState& state = m_states[size_t(module)];
    state.bFailed = true;
    state.verdict.reset();
    state.message = message;
    ++m_failed;
}

void ModuleFleet::update(ModuleState& state, const OperationOutcome& outcome) const
{
    const ModuleStatus& status = outcome.status;
    if (!status.bytes().isEmpty()) {
        state.reach = ModuleState::Reach::Reachable;
        state.version = status.version();
        state.registersProtected = status.registersProtected();
        if (status.hasRomInformation())
            state.bootSlot = status.bootSlot();
    } else if (outcome.verdict == Verdict::CommunicationFailure) {
        state.reach = ModuleState::Reach::Unreachable;
    }
    state.bFailed = !outcome.isDone();
    state.verdict = outcome.verdict;
    state.message = outcome.message;
    if (outcome.verdict == Verdict::DrcErrors)
        state.message = outcome.report;
    if (m_action == Action::Status)
        return;
    // What the module holds is known after a verify that compared, a download that wrote it,
    // and a download that stopped half way; a failure before that says nothing.
    if (outcome.isDone())
        state.holds = ModuleState::Holds::Yes;
    else if (outcome.verdict == Verdict::Mismatch || outcome.bPartlyWritten)
        state.holds = ModuleState::Holds::No;
}
