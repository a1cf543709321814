#include "tools/core/FileCopyJob.h"

#include <QFileInfo>

FileCopyJob::FileCopyJob(const QString &source, const QString &target, qint64 chunkBytes)
    : m_source(source), m_target(target), m_chunk(chunkBytes > 0 ? chunkBytes : 1 << 20)
{
}

FileCopyJob::~FileCopyJob()
{
    if (m_out)
        m_out->cancelWriting();
}

bool FileCopyJob::open()
{
    m_opened = true;
    const QFileInfo info(m_source);
    if (!info.isFile())
        return false;
    m_expected = info.size();
    m_modified = info.lastModified();
    m_in.setFileName(m_source);
    if (!m_in.open(QIODevice::ReadOnly))
        return false;
    m_out = std::make_unique<QSaveFile>(m_target);
    return m_out->open(QIODevice::WriteOnly);
}

bool FileCopyJob::finish()
{
    // The source changed its length while it was read: the copy is not whole.
    if (m_written != m_expected || !m_in.atEnd())
        return false;
    if (!m_out->flush())
        return false;
    if (m_modified.isValid())
        m_out->setFileTime(m_modified, QFileDevice::FileModificationTime);
    if (!m_out->commit())
        return false;
    m_out.reset();
    return true;
}

FileCopyJob::Step FileCopyJob::step()
{
    if (m_over)
        return Step::Failed;
    if (!m_opened && !open()) {
        m_over = true;
        m_out.reset(); // QSaveFile's destructor drops the temporary file
        return Step::Failed;
    }
    const QByteArray chunk = m_in.read(m_chunk);
    const bool readFailed = chunk.isEmpty() && !m_in.atEnd();
    if (readFailed || (!chunk.isEmpty() && m_out->write(chunk) != chunk.size())) {
        m_over = true;
        m_out->cancelWriting();
        m_out.reset();
        return Step::Failed;
    }
    m_written += chunk.size();
    if (m_written < m_expected && !m_in.atEnd())
        return Step::More;
    m_over = true;
    if (finish())
        return Step::Done;
    if (m_out) {
        m_out->cancelWriting();
        m_out.reset();
    }
    return Step::Failed;
}

FileCopyJob::Step FileCopyJob::runToEnd()
{
    Step s = Step::More;
    while (s == Step::More)
        s = step();
    return s;
}
