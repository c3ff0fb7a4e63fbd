#pragma once

#include <QSocketNotifier>

#include <functional>
#include <memory>

#include <csignal>

// SIGINT and SIGTERM, while an instance lives, call onStop from the event loop instead of
// ending the process, so that a command that streams can flush its logs and print its totals.
// One instance at a time.
class StopSignals
{
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    static inline int s_fd[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};
