#pragma once
// One file copied in chunks: the bytes go to a temporary file beside the
// target (QSaveFile) that replaces the target only when every byte has
// arrived, carrying the source's modification time. The copy/move run
// drives one job per file a chunk per event-loop turn, so the window stays
// responsive on a big file; CopyFileSafely runs a job to its end at once.
#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QString>

#include <memory>

class FileCopyJob final
{
public:
    enum class Step { More, Done, Failed };

    FileCopyJob(const QString &source, const QString &target, qint64 chunkBytes = 1 << 20);
    ~FileCopyJob();
    FileCopyJob(const FileCopyJob &) = delete;
    FileCopyJob &operator=(const FileCopyJob &) = delete;

    // Copies the next chunk; Done once the target is in place. After Failed
    // (or when the job is dropped unfinished) the temporary file is gone and
    // an existing target is untouched.
    Step step();
    Step runToEnd();

private:
    bool open();
    bool finish();

    QString m_source, m_target;
    qint64 m_chunk;
    QFile m_in;
    std::unique_ptr<QSaveFile> m_out;
    qint64 m_expected = -1;
    qint64 m_written = 0;
    QDateTime m_modified;
    bool m_opened = false;
    bool m_over = false;
};
