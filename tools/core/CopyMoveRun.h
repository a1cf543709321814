#pragma once
// The copy/move tool's run as a small state machine on the event loop: one
// file at a time in list order, each copied in chunks, with a turn of the
// event loop after a file is announced and between chunks, so that a click
// on "停止" is seen between files and the window never freezes on a big
// file. A stop request lets the file in progress finish. Form_Copy_Move
// owns one run while it is going; tests drive it without a window.
#include "tools/core/CopyMoveRules.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <memory>

class FileCopyJob;

class CopyMoveRun final : public QObject
{
    Q_OBJECT
public:
    enum class Outcome {
        LeftAlone, // the source already lives in the destination folder
        Copied,    // copied (under its own or a new name)
        Skipped,   // the name is taken and the policy skips it
        Failed,    // the copy did not arrive whole; nothing changed
        NotReached // the run was stopped before this file
    };
    struct FileResult
    {
        QString source;
        QString target; // the full target path, when one was chosen
        Outcome outcome = Outcome::NotReached;
        bool sourceDeleted = false;
    };

    // destination ends with "/".
    CopyMoveRun(const QStringList &files, const QString &destination, CollisionPolicy policy, bool isMove,
                QObject *parent = nullptr);
    ~CopyMoveRun() override;

    // Bytes copied per event-loop turn (1 MiB unless set).
    void setChunkBytes(qint64 bytes) { m_chunkBytes = bytes; }

    void start();
    // Clears the running flag: the file in progress is finished, the rest
    // are passed over.
    void requestStop();
    bool isRunning() const { return m_running; }
    bool isFinished() const { return m_phase == Phase::Over; }
    const QList<FileResult> &results() const { return m_results; }

signals:
    // A file's turn has come; position counts from 1.
    void fileReached(int position);
    // The file is worked on under this target name (not for a source that
    // already lives in the destination folder).
    void fileStarted(int position, const QString &targetName);
    void finished();

private:
    enum class Phase { Idle, Announce, Decide, Copying, Over };
    void tick();
    void announce();
    void decide();
    void copyChunk();
    void fileDone(Outcome outcome);

    QStringList m_files;
    QString m_destination;
    CollisionPolicy m_policy;
    bool m_isMove;
    qint64 m_chunkBytes = 1 << 20;

    bool m_running = false;
    Phase m_phase = Phase::Idle;
    int m_index = 0;
    qint64 m_sourceSize = -1;
    std::unique_ptr<FileCopyJob> m_job;
    QList<FileResult> m_results;
    QTimer m_tick;
};
