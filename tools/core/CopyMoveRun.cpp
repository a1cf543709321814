#include "tools/core/CopyMoveRun.h"

#include "common/Paths.h"
#include "tools/core/FileCopyJob.h"

#include <QFile>
#include <QFileInfo>

CopyMoveRun::CopyMoveRun(const QStringList &files, const QString &destination, CollisionPolicy policy,
                         bool isMove, QObject *parent)
    : QObject(parent), m_files(files), m_destination(destination), m_policy(policy), m_isMove(isMove)
{
    for (const QString &file : files)
        m_results.append({file, QString(), Outcome::NotReached, false});
    m_tick.setInterval(0);
    connect(&m_tick, &QTimer::timeout, this, &CopyMoveRun::tick);
}

CopyMoveRun::~CopyMoveRun() = default;

void CopyMoveRun::start()
{
    if (m_phase != Phase::Idle)
        return;
    m_running = true;
    m_phase = Phase::Announce;
    m_tick.start();
}

void CopyMoveRun::requestStop()
{
    m_running = false;
}

void CopyMoveRun::tick()
{
    switch (m_phase) {
    case Phase::Announce:
        announce();
        break;
    case Phase::Decide:
        decide();
        break;
    case Phase::Copying:
        copyChunk();
        break;
    case Phase::Idle:
    case Phase::Over:
        m_tick.stop();
        break;
    }
}

void CopyMoveRun::announce()
{
    if (!m_running || m_index >= m_files.size()) {
        m_phase = Phase::Over;
        m_running = false;
        m_tick.stop();
        emit finished();
        return;
    }
    emit fileReached(m_index + 1);
    const QString &source = m_files.at(m_index);
    if (IsSameFolder(source, m_destination)) {
        fileDone(Outcome::LeftAlone);
        return;
    }
    const QString name = CopyTargetName(source);
    m_results[m_index].target = m_destination + name;
    // The next turn of the event loop comes before the file is worked on.
    m_phase = Phase::Decide;
    emit fileStarted(m_index + 1, name);
}

void CopyMoveRun::decide()
{
    FileResult &result = m_results[m_index];
    const QString &source = result.source;
    m_sourceSize = FileExists(source) ? QFileInfo(source).size() : -1;
    if (FileExists(result.target)) {
        switch (DecideCollision(m_policy, ReadFileFacts(source), ReadFileFacts(result.target))) {
        case CollisionAction::Skip:
            fileDone(Outcome::Skipped);
            return;
        case CollisionAction::Overwrite:
            // The temporary copy replaces the existing target only when whole.
            break;
        case CollisionAction::AutoRename:
            result.target = AutoRenameTarget(source, m_destination);
            break;
        }
    }
    m_job = std::make_unique<FileCopyJob>(source, result.target, m_chunkBytes);
    m_phase = Phase::Copying;
}

void CopyMoveRun::copyChunk()
{
    switch (m_job->step()) {
    case FileCopyJob::Step::More:
        return;
    case FileCopyJob::Step::Done:
        m_job.reset();
        fileDone(Outcome::Copied);
        return;
    case FileCopyJob::Step::Failed:
        m_job.reset();
        fileDone(Outcome::Failed);
        return;
    }
}

void CopyMoveRun::fileDone(Outcome outcome)
{
    FileResult &result = m_results[m_index];
    result.outcome = outcome;
    // A source is only given up once its copy is there in full.
    if (m_isMove && outcome == Outcome::Copied && m_sourceSize >= 0
        && QFileInfo(result.target).size() == m_sourceSize)
        result.sourceDeleted = QFile::remove(result.source);
    ++m_index;
    m_phase = Phase::Announce;
}
