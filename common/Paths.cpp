#include "common/Paths.h"

#include "common/TextCodec.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <dlfcn.h>
#include <sys/stat.h>

#include <vector>

namespace {

// The name as the file system sees it, or empty when it cannot be one: a
// NUL would cut the name short and make us test another file.
QByteArray nativeName(const QString &path)
{
    if (path.isEmpty() || path.contains(QChar(u'\0')))
        return QByteArray();
    return QFile::encodeName(path);
}

// Optional sign, digits, optional decimal part (digits are ASCII only).
bool readsAsNumber(const QString &text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    if (i < n && (text.at(i) == u'+' || text.at(i) == u'-'))
        ++i;
    const qsizetype digitsFrom = i;
    while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9')
        ++i;
    if (i == digitsFrom)
        return false;
    if (i < n && text.at(i) == u'.') {
        ++i;
        while (i < n && text.at(i) >= u'0' && text.at(i) <= u'9')
            ++i;
    }
    return i == n;
}

enum class Collect { Folders, Files };

// The walk of GetSubFolders and GetAllFiles: a folder's listing is finished
// before any of its subfolders is opened, and the subfolders are then walked
// in listing order, each one completely before the next.
void walk(const QString &root, QStringList &list, bool recurse, Collect what)
{
    std::vector<QString> pending{root}; // stack; back() is walked next
    while (!pending.empty()) {
        const QString folder = pending.back();
        pending.pop_back();
        const bool atRoot = folder == QLatin1String("/");
        QStringList subfolders;
        QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            const QString name = info.fileName();
            if (name.compare(QLatin1String("pagefile.sys"), Qt::CaseInsensitive) == 0)
                continue;
            if (atRoot && name.compare(QLatin1String("RECYCLER"), Qt::CaseInsensitive) == 0)
                continue;
            const QString full = folder + name;
            if (info.isSymLink()) {
                // Listed as what it is, never followed: a link may lead
                // anywhere, and a link to a folder may lead back up the tree.
                if (what == Collect::Files && !info.isDir())
                    list.append(full);
                continue;
            }
            if (info.isDir()) {
                if (what == Collect::Folders)
                    list.append(full);
                if (recurse)
                    subfolders.append(full + u'/');
            } else if (info.isFile() && what == Collect::Files) {
                list.append(full);
            }
        }
        for (qsizetype k = subfolders.size() - 1; k >= 0; --k)
            pending.push_back(subfolders.at(k));
    }
}

} // namespace

QString WithTrailingSlash(const QString &folder)
{
    return folder.endsWith(u'/') ? folder : folder + u'/';
}

bool IsAbsoluteFilePath(const QString &path)
{
    return !path.startsWith(u':') && QDir::isAbsolutePath(path);
}

QString AbsoluteFilePath(const QString &path, const QString &base)
{
    if (IsAbsoluteFilePath(path))
        return QDir::cleanPath(path);
    const QString root = base.isEmpty() ? QDir::currentPath() : AbsoluteFilePath(base);
    return QDir::cleanPath(root + u'/' + path);
}

bool FileExists(const QString &path)
{
    QString t = TrimSpaces(path);
    if (t.left(7).compare(QLatin1String("file://"), Qt::CaseInsensitive) == 0)
        t.remove(0, 7);
    const QByteArray native = nativeName(t);
    if (native.isEmpty())
        return false;
    struct stat st;
    if (::lstat(native.constData(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode)) {
        struct stat target;
        return ::stat(native.constData(), &target) != 0 || !S_ISDIR(target.st_mode);
    }
    return !S_ISDIR(st.st_mode);
}

bool FolderExists(const QString &path)
{
    if (TrimSpaces(path).isEmpty())
        return false;
    const QByteArray native = nativeName(path);
    struct stat st;
    return !native.isEmpty() && ::stat(native.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

PathParts SplitPath(const QString &path)
{
    PathParts parts;
    QString t = TrimSpaces(path);
    const qsizetype slash = t.lastIndexOf(u'/');
    if (slash >= 0) {
        parts.folder = t.left(slash + 1);
        t = t.mid(slash + 1);
    }
    const qsizetype dot = t.lastIndexOf(u'.');
    if (dot >= 0 && t.size() - dot - 1 <= 6) {
        parts.baseName = TrimSpaces(t.left(dot));
        parts.extension = TrimSpaces(t.mid(dot + 1));
    } else {
        parts.baseName = TrimSpaces(t);
    }
    if (parts.baseName.isEmpty()) {
        parts.baseName = t;
        parts.extension.clear();
    }
    return parts;
}

BracketNumber SplitBracketNumber(const QString &name)
{
    const qsizetype open = name.lastIndexOf(u'[');
    const qsizetype close = name.lastIndexOf(u']');
    if (open >= 0 && close == name.size() - 1 && open < close) {
        const QString inner = TrimSpaces(name.mid(open + 1, close - open - 1));
        if (readsAsNumber(inner) && open > 0)
            return {name.left(open), inner};
    }
    return {name, QString()};
}

void GetSubFolders(QString &folder, QStringList &list, bool recurse)
{
    if (!folder.startsWith(u'/'))
        return;
    folder = WithTrailingSlash(folder);
    walk(folder, list, recurse, Collect::Folders);
}

void GetAllFiles(QString &folder, QStringList &list, bool recurse)
{
    // An empty text would become "/" and walk the whole file system.
    if (TrimSpaces(folder).isEmpty())
        return;
    folder = WithTrailingSlash(folder);
    walk(folder, list, recurse, Collect::Files);
}

QString GetUrlFileExt(const QString &text)
{
    QString t = text;
    const qsizetype scheme = t.indexOf(QLatin1String("://"));
    if (scheme >= 0) {
        t = t.mid(scheme + 3);
        const qsizetype second = t.indexOf(QLatin1String("://"));
        if (second >= 0)
            t.truncate(second);
    }
    // Browsers read "\" in a link as "/", so both end a segment.
    const qsizetype segment = qMax(t.lastIndexOf(u'/'), t.lastIndexOf(u'\\'));
    if (segment >= 0)
        t = t.mid(segment + 1);
    static const QString stops = QStringLiteral("#\b\t\n\r:*<>|\"'=?");
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (stops.contains(t.at(i))) {
            t.truncate(i);
            break;
        }
    }
    const qsizetype dot = t.lastIndexOf(u'.');
    if (dot < 0)
        return QString();
    const QString ext = TrimSpaces(t.mid(dot + 1));
    return ext.size() <= 6 ? ext : QString();
}

QString GetInternetCacheFolder()
{
    // Where the web engine keeps the caches of persistent profiles unless
    // told otherwise: one subfolder per profile storage name.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return cache.isEmpty() ? QString() : cache + QStringLiteral("/QtWebEngine");
}

QString GetSystemFolder()
{
    Dl_info info{};
    // A function only the C library defines tells where it was loaded from.
    void *probe = ::dlsym(RTLD_DEFAULT, "gnu_get_libc_version");
    if (probe && ::dladdr(probe, &info) != 0 && info.dli_fname) {
        const QString folder = QFileInfo(QFile::decodeName(info.dli_fname)).canonicalPath();
        if (folder.startsWith(u'/') && folder.size() > 1)
            return folder;
    }
    return QStringLiteral("/usr/lib");
}

QString GetShortPath(const QString &path)
{
    const QByteArray native = nativeName(path);
    struct stat st;
    return (!native.isEmpty() && ::lstat(native.constData(), &st) == 0) ? path : QString();
}
