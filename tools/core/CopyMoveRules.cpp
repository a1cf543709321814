#include "tools/core/CopyMoveRules.h"

#include "common/Paths.h"
#include "tools/core/FileCopyJob.h"

#include <QDir>
#include <QFileInfo>

CollisionPolicy CollisionPolicyFromText(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > 5)
        return kDefaultCollisionPolicy;
    return static_cast<CollisionPolicy>(n);
}

QString CollisionPolicyCaption(CollisionPolicy policy)
{
    switch (policy) {
    case CollisionPolicy::Skip:
        return QStringLiteral("跳过");
    case CollisionPolicy::Overwrite:
        return QStringLiteral("覆盖");
    case CollisionPolicy::AutoRename:
        return QStringLiteral("自动重命名");
    case CollisionPolicy::SameSizeAndTime:
        return QStringLiteral("文件大小和修改时间均相同：覆盖；否则：自动重命名");
    case CollisionPolicy::SameSize:
        return QStringLiteral("文件大小相同：覆盖；否则：自动重命名");
    }
    return QString();
}

FileFacts ReadFileFacts(const QString &path)
{
    FileFacts facts;
    const QFileInfo info(path);
    if (!info.isFile())
        return facts;
    facts.size = info.size();
    const QDateTime modified = info.lastModified();
    if (modified.isValid())
        facts.modified = modified;
    return facts;
}

CollisionAction DecideCollision(CollisionPolicy policy, const FileFacts &source, const FileFacts &target)
{
    const bool sizesEqual = source.size && target.size && *source.size == *target.size;
    switch (policy) {
    case CollisionPolicy::Skip:
        return CollisionAction::Skip;
    case CollisionPolicy::Overwrite:
        return CollisionAction::Overwrite;
    case CollisionPolicy::AutoRename:
        return CollisionAction::AutoRename;
    case CollisionPolicy::SameSizeAndTime: {
        // Full date and time down to the second, as the folder listing shows it.
        const bool timesEqual = source.modified && target.modified
                                && source.modified->toSecsSinceEpoch() == target.modified->toSecsSinceEpoch();
        return sizesEqual && timesEqual ? CollisionAction::Overwrite : CollisionAction::AutoRename;
    }
    case CollisionPolicy::SameSize:
        return sizesEqual ? CollisionAction::Overwrite : CollisionAction::AutoRename;
    }
    return CollisionAction::AutoRename;
}

namespace {
QString withExtension(const QString &base, const QString &extension)
{
    return extension.isEmpty() ? base : base + QLatin1Char('.') + extension;
}
} // namespace

QString CopyTargetName(const QString &sourcePath)
{
    const PathParts parts = SplitPath(sourcePath);
    return withExtension(parts.baseName, parts.extension);
}

bool IsSameFolder(const QString &sourcePath, const QString &destinationFolder)
{
    const QString folder = SplitPath(sourcePath).folder;
    if (folder.compare(destinationFolder, Qt::CaseInsensitive) == 0)
        return true;
    const QString a = QFileInfo(folder).canonicalFilePath();
    const QString b = QFileInfo(destinationFolder).canonicalFilePath();
    return !a.isEmpty() && a == b;
}

QString AutoRenameTarget(const QString &sourcePath, const QString &destinationFolder)
{
    const PathParts parts = SplitPath(sourcePath);
    const QString base = SplitBracketNumber(parts.baseName).base;
    QString candidate = destinationFolder + withExtension(base, parts.extension);
    for (int n = 1; FileExists(candidate) || QFileInfo(candidate).isDir(); ++n) {
        const QString name = base + QLatin1Char('[') + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0'))
                             + QLatin1Char(']');
        candidate = destinationFolder + withExtension(name, parts.extension);
    }
    return candidate;
}

bool CopyFileSafely(const QString &source, const QString &target)
{
    FileCopyJob job(source, target);
    return job.runToEnd() == FileCopyJob::Step::Done;
}

bool 复制相同文件自动重命名(const QString &sourcePath, const QString &destinationFolder)
{
    if (!FileExists(sourcePath))
        return false;
    return CopyFileSafely(sourcePath, AutoRenameTarget(sourcePath, destinationFolder));
}
