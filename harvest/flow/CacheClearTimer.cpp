#include "harvest/flow/CacheClearTimer.h"

CacheClearTimer::CacheClearTimer(QObject *parent)
    : QObject(parent)
{
    m_timer.setInterval(kIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &CacheClearTimer::tick);
}

void CacheClearTimer::tick()
{
    if (++m_ticks < kTicksPerRound)
        return;
    m_ticks = 0;
    if (clearingWanted && clearingWanted() && clearCache)
        clearCache();
}
