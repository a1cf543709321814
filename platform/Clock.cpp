#include "platform/Clock.h"

#include <QElapsedTimer>

namespace {
Clock *g_clock = nullptr;
}

qint64 SteadyClock::msecs() const
{
    static QElapsedTimer timer;
    static bool started = false;
    if (!started) {
        timer.start();
        started = true;
    }
    // Offset so that "now" is never near zero: callers compare absolute
    // differences against times that start at zero before anything ran.
    return timer.elapsed() + 1000000;
}

Clock &Clock::instance()
{
    static SteadyClock steady;
    return g_clock ? *g_clock : steady;
}

void Clock::setInstance(Clock *clock)
{
    g_clock = clock;
}
