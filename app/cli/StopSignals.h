#pragma once
// Ctrl-C (SIGINT) and SIGTERM as a call on the event loop, so that a
// download run can stop its transfers and remove their partial files before
// it ends. The signal handler only writes the signal's number into a pipe
// that the event loop watches. Only the first signal is passed on; a second
// Ctrl-C ends the program the ordinary way. One instance at a time.
#include <functional>
#include <memory>

class QSocketNotifier;

class StopSignals final
{
public:
    // onStop receives the signal's number.
    explicit StopSignals(std::function<void(int)> onStop);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // False when the handlers could not be set up.
    bool watching() const { return m_notifier != nullptr; }
    // The first signal received, or 0.
    int received() const { return m_received; }

    // Gives both signals back their default handling.
    void release();

private:
    std::function<void(int)> m_onStop;
    std::unique_ptr<QSocketNotifier> m_notifier;
    int m_received = 0;
};
