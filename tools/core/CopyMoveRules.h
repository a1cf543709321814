#pragma once
// The copy/move tool's rules without a window: what happens when a file of
// the same name is already at the destination, the target names, and the
// copy that never leaves a half-written file under the final name. The copy
// run (CopyMoveRun) and Form_Copy_Move use them; other callers may too.
#include <QDateTime>
#include <QString>

#include <optional>

// The options of "如果同名文件已经存在", numbered as the tool stores them
// under "OpIndex".
enum class CollisionPolicy {
    Skip = 1,            // "跳过"
    Overwrite = 2,       // "覆盖"
    AutoRename = 3,      // "自动重命名"
    SameSizeAndTime = 4, // "文件大小和修改时间均相同：覆盖；否则：自动重命名"
    SameSize = 5,        // "文件大小相同：覆盖；否则：自动重命名"
};
inline constexpr CollisionPolicy kDefaultCollisionPolicy = CollisionPolicy::SameSizeAndTime;

// The policy stored as decimal text; anything outside 1..5 gives the default.
CollisionPolicy CollisionPolicyFromText(const QString &text);
QString CollisionPolicyCaption(CollisionPolicy policy);

// What the run does with one source whose target name is taken.
enum class CollisionAction { Skip, Overwrite, AutoRename };

// Size and last-modified time of a file; empty when they cannot be read.
struct FileFacts
{
    std::optional<qint64> size;
    std::optional<QDateTime> modified;
};
FileFacts ReadFileFacts(const QString &path);

// Policies 4 and 5 overwrite only when what they compare could be read on
// both sides and is equal; with anything unreadable they auto-rename, so
// neither the source nor the existing target is lost.
CollisionAction DecideCollision(CollisionPolicy policy, const FileFacts &source, const FileFacts &target);

// The target file name of a source: base name + "." + extension, without a
// trailing dot when the source has no extension.
QString CopyTargetName(const QString &sourcePath);

// True when the source's own folder is the destination: the same text but for
// letter case, or the same folder reached another way (a link, "..").
bool IsSameFolder(const QString &sourcePath, const QString &destinationFolder);

// The first free name for the source in the folder (which ends in "/"): the
// source's base name without its own "[n]" counter, then base[001],
// base[002], ... (at least three digits), each with "." + extension when
// there is one.
QString AutoRenameTarget(const QString &sourcePath, const QString &destinationFolder);

// Copies source to target whole or not at all: the bytes go to a temporary
// file beside the target, which replaces the target (an existing one too)
// only once complete, with the source's modification time. False on any
// failure; the target is then as it was.
bool CopyFileSafely(const QString &source, const QString &target);

// Copies the source into the folder under AutoRenameTarget's name; false
// when the source does not exist or the copy fails.
bool 复制相同文件自动重命名(const QString &sourcePath, const QString &destinationFolder);
