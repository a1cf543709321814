#include "tools/core/BrowserCacheFiles.h"

#include "common/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QtEndian>

namespace {
constexpr quint64 kEntryMagic = 0xfcfb6d1ba7725c30ULL;
constexpr int kHeaderBytes = 24;
constexpr quint32 kMaxKeyBytes = 64 * 1024;

QString entryStem(const QString &entryFile)
{
    return entryFile.left(entryFile.size() - 1); // ".../<hash>_"
}
} // namespace

bool IsCacheEntryFile(const QString &fileName)
{
    static const QRegularExpression pattern(QStringLiteral("^[0-9a-f]{16}_0$"));
    return pattern.match(fileName).hasMatch();
}

std::optional<QString> ReadCacheEntryKey(const QString &entryFile)
{
    QFile file(entryFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray header = file.read(kHeaderBytes);
    if (header.size() != kHeaderBytes || qFromLittleEndian<quint64>(header.constData()) != kEntryMagic)
        return std::nullopt;
    const quint32 keyLength = qFromLittleEndian<quint32>(header.constData() + 12);
    if (keyLength == 0 || keyLength > kMaxKeyBytes)
        return std::nullopt;
    const QByteArray key = file.read(keyLength);
    if (key.size() != static_cast<qsizetype>(keyLength))
        return std::nullopt;
    return QString::fromUtf8(key);
}

QString AddressFromCacheKey(const QString &key)
{
    QString address = key.section(QLatin1Char(' '), -1);
    static const QRegularExpression prefix(QStringLiteral("^(\\d+/)+"));
    address.remove(prefix);
    if (address.startsWith(QLatin1String("_dk_")))
        address.remove(0, 4);
    return address;
}

QStringList CacheEntryFiles(const QString &cacheFolder)
{
    QStringList files, entries;
    QString folder = cacheFolder;
    if (folder.isEmpty())
        return entries;
    GetAllFiles(folder, files, true);
    for (const QString &file : files)
        if (IsCacheEntryFile(file.section(QLatin1Char('/'), -1)))
            entries << file;
    return entries;
}

void DeleteCacheEntry(const QString &entryFile)
{
    if (!IsCacheEntryFile(entryFile.section(QLatin1Char('/'), -1)))
        return;
    const QString stem = entryStem(entryFile);
    for (const char *stream : {"0", "1", "s"})
        强制删除(stem + QLatin1String(stream));
}

void 强制删除(const QString &path)
{
    if (!FileExists(path))
        return;
    // A link goes by itself; the file it points to is none of ours.
    if (!QFileInfo(path).isSymLink())
        QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::WriteOwner | QFileDevice::ReadOwner);
    QFile::remove(path);
    if (FileExists(path))
        QFile::remove(path);
}

void 删除空文件夹(const QStringList &folders)
{
    for (auto it = folders.crbegin(); it != folders.crend(); ++it) {
        if (!FolderExists(*it))
            continue;
        QFile::setPermissions(*it, QFile::permissions(*it) | QFileDevice::WriteOwner | QFileDevice::ReadOwner
                                       | QFileDevice::ExeOwner);
        QDir().rmdir(*it); // only an empty folder goes
    }
}
