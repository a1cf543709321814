#include "portal/PortalStop.h"

#include <condition_variable>
#include <mutex>

namespace {

std::mutex g_mutex;
std::condition_variable g_wake;
bool g_stop = false;

} // namespace

void RequestPortalStop()
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_stop = true;
    }
    g_wake.notify_all();
}

bool PortalStopRequested()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return g_stop;
}

bool PauseFor(std::chrono::steady_clock::duration duration)
{
    std::unique_lock<std::mutex> lock(g_mutex);
    const auto until = std::chrono::steady_clock::now() + duration;
    g_wake.wait_until(lock, until, [] { return g_stop; });
    return !g_stop;
}
