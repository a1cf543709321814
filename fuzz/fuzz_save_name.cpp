// SanitizeFileName and 重命名保存路径 on any name and type, as a row's save
// path is planned: the name cleaned, then the path in the row's folder under
// the duplicate mode, several times with the file of each answer created, so
// that the numbering runs. Rules checked on every answer: it lies directly
// in the folder (never above it, never in a folder below it), its last
// component fits 255 UTF-8 bytes with counter and extension, and in the
// renaming modes it is a name not yet taken.
//
// Input: first byte the mode and the number of rounds, then the name, a line
// feed, the type. The type keeps no "/", "." or NUL: every source of a row's
// type (a list line, a Content-Type, a Content-Disposition name, the browser's
// suggested name, the file's bytes) gives one without them.
#include "common/Paths.h"
#include "common/TextCodec.h"
#include "download/core/SaveNames.h"
#include "fuzz/FuzzSupport.h"

#include <QDir>
#include <QFile>

namespace {

void checkPath(const QString &path, const QString &folder, const QString &what)
{
    const QString detail = what + QStringLiteral(" -> ") + path;
    fuzz::require(path.startsWith(folder), "the answer starts with its folder", detail);
    const QString last = path.mid(folder.size());
    fuzz::require(!last.contains(u'/'), "the answer lies directly in its folder", detail);
    fuzz::require(!last.isEmpty() && last != u"." && last != u"..", "the answer names a file", detail);
    fuzz::require(Utf8Length(last) <= kFileNameMaxBytes, "the file name fits 255 bytes", detail);
    fuzz::require(QDir::cleanPath(path).startsWith(folder), "the clean answer stays in the folder", detail);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const QString folder = fuzz::scratchFolder() + QStringLiteral("/save/");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);

    const auto mode = static_cast<DuplicateMode>(data[0] % 3);
    const int rounds = 1 + (data[0] / 3) % 4;
    const std::vector<QByteArray> parts = fuzz::lines(data + 1, size - 1, 2);
    const QString raw = QString::fromUtf8(parts[0]);
    QString type = QString::fromUtf8(parts[1]);
    type.remove(u'/');
    type.remove(u'.');
    type.remove(QChar(u'\0'));

    const QString name = SanitizeFileName(raw);
    fuzz::require(Utf8Length(name) <= kSanitizedNameMaxBytes, "a cleaned name fits 240 bytes", name);
    fuzz::require(!name.contains(u'/') && !name.contains(QChar(u'\0')), "a cleaned name has no / and no NUL", name);
    fuzz::require(name != u"." && name != u"..", "a cleaned name is no folder reference", name);
    if (name.isEmpty() && type.isEmpty())
        return 0; // the callers put "download" or the address's name in

    for (int round = 0; round < rounds; ++round) {
        QString used;
        const QString path = 重命名保存路径(folder, name, type, used, mode);
        checkPath(path, folder, name + u'|' + type);
        fuzz::require(path.mid(folder.size()).startsWith(used), "the base name used is the answer's", path);
        if (mode != DuplicateMode::Overwrite)
            fuzz::require(!FileExists(path), "a renaming answer is a free name", path);
        const QString unique = UniqueFilePath(path);
        checkPath(unique, folder, path);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            fuzz::fail("the answer can be created", path);
    }
    return 0;
}
