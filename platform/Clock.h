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

    // The clock of the running program; tests replace it with a ManualClock.
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

// Time that moves only when told to.
class ManualClock final : public Clock
{
public:
    explicit ManualClock(qint64 startMsecs = 1000000) : m_now(startMsecs) {}
    qint64 msecs() const override { return m_now; }
    void advance(qint64 ms) { m_now += ms; }
    void advanceSeconds(double s) { m_now += qint64(s * 1000.0); }

private:
    qint64 m_now;
};
