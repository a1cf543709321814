#include "download/engines/TransferFile.h"

#include "download/core/FileTypes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QRandomGenerator>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Large enough that a fast loopback transfer needs few system calls per
// megabyte.
constexpr qint64 kCopyBlock = 1024 * 1024;

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

bool somethingAt(const QString &path)
{
    struct stat st;
    return ::lstat(nativePath(path).constData(), &st) == 0;
}

} // namespace

TransferFile::TransferFile(const QString &target)
    : m_target(target)
{
}

TransferFile::~TransferFile()
{
    discard();
}

bool TransferFile::reserve()
{
    if (m_committed)
        return true;
    const int fd = ::open(nativePath(m_target).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
        ::close(fd);
        m_reservedByUs = true;
        return true;
    }
    if (errno == EEXIST) {
        m_existed = !m_reservedByUs;
        return true;
    }
    m_errno = errno;
    return false;
}

bool TransferFile::canReplaceTarget() const
{
    const QFileInfo info(m_target);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir() || !folder.isWritable())
        return false;
    if (info.isSymLink() || !somethingAt(m_target))
        return true;
    return info.isFile() && (info.permissions() & QFileDevice::WriteOwner);
}

bool TransferFile::open()
{
    closeTemp();
    removeTemp();
    m_size = 0;
    const QString folder = QFileInfo(m_target).absolutePath();
    static const char alphabet[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        QString name = QStringLiteral(".lh-");
        for (int i = 0; i < 6; ++i)
            name += QLatin1Char(alphabet[QRandomGenerator::global()->bounded(int(sizeof alphabet - 1))]);
        name += QStringLiteral(".part");
        const QString path = QDir(folder).filePath(name);
        const int fd = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            m_fd = fd;
            m_tempPath = path;
            return true;
        }
        if (errno != EEXIST) {
            m_errno = errno;
            return false;
        }
    }
    m_errno = EEXIST;
    return false;
}

bool TransferFile::append(const char *data, qint64 length)
{
    if (m_fd < 0)
        return false;
    while (length > 0) {
        const ssize_t written = ::write(m_fd, data, size_t(length));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            m_errno = errno;
            return false;
        }
        data += written;
        length -= written;
        m_size += written;
    }
    return true;
}

bool TransferFile::appendFrom(QIODevice &device)
{
    // Reading a QByteArray lets the device hand over the chunk it holds
    // instead of copying it once more.
    while (device.bytesAvailable() > 0) {
        const QByteArray chunk = device.read(qMin(device.bytesAvailable(), kCopyBlock));
        if (chunk.isEmpty())
            return true;
        if (!append(chunk.constData(), chunk.size()))
            return false;
    }
    return true;
}

bool TransferFile::commit()
{
    if (m_fd < 0)
        return false;
    closeTemp();
    if (::rename(nativePath(m_tempPath).constData(), nativePath(m_target).constData()) != 0) {
        m_errno = errno;
        removeTemp();
        return false;
    }
    m_tempPath.clear();
    m_committed = true;
    m_reservedByUs = false;
    return true;
}

void TransferFile::discard()
{
    closeTemp();
    removeTemp();
    if (m_reservedByUs) {
        // Only the empty file we made; anything written there since is not ours to remove.
        struct stat st;
        const QByteArray path = nativePath(m_target);
        if (::lstat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size == 0)
            ::unlink(path.constData());
        m_reservedByUs = false;
    }
}

bool TransferFile::pageWouldReplaceDocument() const
{
    if (!m_existed || m_tempPath.isEmpty())
        return false;
    const QFileInfo target(m_target);
    if (!target.isFile() || target.size() == 0)
        return false;
    const QString page = QStringLiteral("htm");
    const bool keptOut = 打开文件判断文件类型(m_tempPath) == page && 打开文件判断文件类型(m_target) != page;
    m_pageKeptOut = m_pageKeptOut || keptOut;
    return keptOut;
}

void TransferFile::closeTemp()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void TransferFile::removeTemp()
{
    if (!m_tempPath.isEmpty()) {
        ::unlink(nativePath(m_tempPath).constData());
        m_tempPath.clear();
    }
}
