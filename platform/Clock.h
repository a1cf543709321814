#pragma once
// The program's monotonic clock. Every interval and time-out (the download
// interval, the 300-second slot watchdog, the 120-second stall, the harvest
// waits) reads time from here, so that tests can advance time instead of
// sleeping. Times are seconds (fractional) since an arbitrary start.
#include <QtGlobal>

class Clock
{
public:
    virtual ~Clock() = default;
    virtual qint64 msecs() const = 0;
    double seconds() const { return double(msecs()) / 1000.0; }

    // The clock of the running program; tests install one they advance.
    static Clock &instance();
    // Install a clock (not owned); nullptr restores the steady clock.
    static void setInstance(Clock *clock);
};

// Real time from a monotonic source.
class SteadyClock final : public Clock
{
public:
    qint64 msecs() const override;
};
