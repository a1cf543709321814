#include "shell/core/StartupSequence.h"

#include <QTimer>

void StartupSequence::add(const QString &name, std::function<void()> step)
{
    m_steps.push_back({name, std::move(step)});
}

QStringList StartupSequence::stepNames() const
{
    QStringList names;
    for (const Step &step : m_steps)
        names << step.name;
    return names;
}

void StartupSequence::start()
{
    if (m_started)
        return;
    m_started = true;
    QTimer::singleShot(0, this, &StartupSequence::runNext);
}

void StartupSequence::runNext()
{
    if (m_next >= m_steps.size()) {
        m_done = true;
        emit finished();
        return;
    }
    const Step step = m_steps[m_next++];
    if (step.run)
        step.run();
    emit stepDone(step.name);
    QTimer::singleShot(0, this, &StartupSequence::runNext);
}
