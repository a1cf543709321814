#pragma once
// The harvesting window's cache timer: a tick every second from the moment
// the window loads; every 600th tick starts the count again and, when the
// check box "每隔10分钟自动清空IE缓存" is ticked at that moment, clears the
// browser cache without a message. The ten minutes are counted from the
// window's load, not from the ticking of the box.
#include <QObject>
#include <QTimer>

#include <functional>

class CacheClearTimer final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 1000;
    static constexpr int kTicksPerRound = 600;

    explicit CacheClearTimer(QObject *parent = nullptr);

    // The check box; off while unset.
    std::function<bool()> clearingWanted;
    // The cache tool's clearing with its message off.
    std::function<void()> clearCache;

    void start() { m_timer.start(); }
    bool isActive() const { return m_timer.isActive(); }
    int ticks() const { return m_ticks; }
    void tick();

private:
    QTimer m_timer;
    int m_ticks = 0;
};
