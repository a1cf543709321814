#pragma once
// Time that moves only when a test advances it; installs itself as the
// program clock for as long as it lives when asked to.
#include "platform/Clock.h"

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
