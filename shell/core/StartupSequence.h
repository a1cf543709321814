#pragma once
// The cover window's start-up steps, run one per turn of the event loop
// after the window is shown, so that the window and its "正在加载组件，请稍候..."
// are on screen while they run; no step waits inside another.
#include <QObject>
#include <QStringList>

#include <functional>
#include <vector>

class StartupSequence final : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Appends a step; `name` is what stepDone reports.
    void add(const QString &name, std::function<void()> step);
    QStringList stepNames() const;

    // The first step runs on the next turn of the event loop, each further
    // step on the turn after the one before. Starting again while the steps
    // run or after they have run does nothing.
    void start();
    bool isRunning() const { return m_started && !m_done; }
    bool isDone() const { return m_done; }

signals:
    void stepDone(const QString &name);
    void finished();

private:
    void runNext();

    struct Step
    {
        QString name;
        std::function<void()> run;
    };
    std::vector<Step> m_steps;
    size_t m_next = 0;
    bool m_started = false;
    bool m_done = false;
};
