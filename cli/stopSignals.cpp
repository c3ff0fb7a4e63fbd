#include "cli/stopSignals.h"

#include <sys/socket.h>
#include <unistd.h>

StopSignals::StopSignals(std::function<void()> onStop)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, s_fd) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(s_fd[1], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [onStop] {
        char byte = 0;
        if (::read(s_fd[1], &byte, 1) < 0) {
        }
        onStop();
    });
    struct sigaction action = {};
    action.sa_handler = [](int) {
        const char byte = 1;
        // Nothing else is safe in a signal handler: the event loop picks the byte up.
        if (::write(s_fd[0], &byte, 1) < 0) {
        }
    };
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &m_oldInt);
    sigaction(SIGTERM, &action, &m_oldTerm);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    m_notifier.reset();
    ::close(s_fd[0]);
    ::close(s_fd[1]);
}
