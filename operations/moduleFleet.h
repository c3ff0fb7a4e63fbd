#pragma once

#include "operations/fleetRun.h"
#include "operations/moduleList.h"
#include "operations/operationPrompts.h"

#include <QObject>

class Document;

#include <memory>
#include <vector>

// What is known of one module of a list, from the operations last run on it.
struct ModuleState
{
    enum class Reach { Unknown, Reachable, Unreachable };
    // Whether it holds the document the list gives it: by the last verify, or a download.
    enum class Holds { Unknown, Yes, No };

    Reach reach = Reach::Unknown;
    QByteArray version; // hardware version bytes, once read
    std::optional<bool> registersProtected;
    int bootSlot = -1; // -1: not known
    Holds holds = Holds::Unknown;
    bool bBusy = false;
    bool bFailed = false;           // the last operation did not end Done
    std::optional<Verdict> verdict; // how it ended (none: it did not begin, its document did not load)
    QString message;                // what it said: its message, or the reason it failed
};

// The modules of a list and what is known of each. Runs status reads, downloads and verifies on
// some or all of them through one FleetRun (so a module that does not answer holds up no other)
// and keeps each module's state from the outcomes. Documents are read afresh for every run.
class ModuleFleet : public QObject
{
    Q_OBJECT
public:
    enum class Action { Status, Download, Verify };
    Q_ENUM(Action)
    static constexpr int DEFAULT_JOBS = 8;

    ModuleFleet(const ModuleList& list, OperationPrompts& prompts, QObject* parent = nullptr);
    ~ModuleFleet() override;

    const ModuleList& list() const { return m_list; }
    const ModuleState& state(int module) const { return m_states.at(size_t(module)); }

    // Runs the action on the given modules (every one when empty); false while a run goes on.
    bool run(Action action, const QVector<int>& modules = {});
    // Stops the run: running operations are cancelled, modules not yet begun are left as they were.
    void cancel();
    bool isRunning() const { return bool(m_run); }
    // The module's document as a run reads it; null with *error when it has none or it does not
    // read.
    static std::unique_ptr<Document> readDocument(const ModuleEntry& entry, QString* error);
    void setJobs(int jobs) { m_jobs = jobs; }

signals:
    void moduleChanged(int module);
    // modules of total are over; a long job of one module reports its bytes in `label`.
    void progress(int over, int total);
    void finished(ModuleFleet::Action action, int failed);

private:
    struct Job;

    DeviceOperation* begin(int index);
    void over(int index, bool begun);
    void update(ModuleState& state, const OperationOutcome& outcome) const;
    void fail(int module, const QString& message);

    ModuleList m_list;
    OperationPrompts& m_prompts;
    std::vector<ModuleState> m_states;
    int m_jobs = DEFAULT_JOBS;
    Action m_action = Action::Status;
    QVector<int> m_modules; // of the run, by its index
    std::vector<std::unique_ptr<Job>> m_jobsOfRun;
    std::unique_ptr<FleetRun> m_run;
    int m_failed = 0;
};
