#include "app/cli/StopSignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onStopSignal(int signalNumber)
{
    const auto byte = static_cast<unsigned char>(signalNumber);
    const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    (void)written;
}

bool installHandlers()
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    for (int fd : g_signalPipe)
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    ::fcntl(g_signalPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    // SA_RESETHAND: a second Ctrl-C finds the default handling back.
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    return true;
}

void restoreHandlers()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    for (int &fd : g_signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

} // namespace

StopSignals::StopSignals(std::function<void(int)> onStop)
    : m_onStop(std::move(onStop))
{
    if (!installHandlers())
        return;
    m_notifier = std::make_unique<QSocketNotifier>(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        if (::read(g_signalPipe[0], &byte, 1) != 1 || m_received != 0)
            return;
        m_received = byte;
        m_onStop(m_received);
    });
}

StopSignals::~StopSignals()
{
    release();
}

void StopSignals::release()
{
    m_notifier.reset();
    restoreHandlers();
}
