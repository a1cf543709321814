#include "download/core/SaveNames.h"

#include "common/Paths.h"
#include "common/TextCodec.h"
#include "platform/DialogService.h"

#include <QFile>
#include <QTimer>

#include <climits>
#include <sys/stat.h>

namespace {

const char16_t kBadFolderMessage[] = u"文件夹名称有误！不能创建文件夹！";

// An extension longer than this is no extension anyone wants; cutting it
// leaves room for a base name and a counter.
constexpr int kMaxExtensionBytes = 200;

// A bracket counter: optional sign and up to 15 digits, spaces around. Longer
// digit runs are not taken as counters, so counting on never overflows.
bool readsAsCounter(const QString &text, qint64 &value)
{
    const QString t = TrimSpaces(text);
    qsizetype i = (t.startsWith(u'+') || t.startsWith(u'-')) ? 1 : 0;
    const qsizetype digits = t.size() - i;
    if (digits < 1 || digits > 15)
        return false;
    for (; i < t.size(); ++i) {
        if (t.at(i) < u'0' || t.at(i) > u'9')
            return false;
    }
    bool ok = false;
    value = t.toLongLong(&ok);
    return ok;
}

// "[007]" for (7, 3), "[-007]" for (-7, 3), "[1000]" for (1000, 3).
QString counterText(qint64 n, int width)
{
    const QString digits = QString::number(n < 0 ? -n : n).rightJustified(width, u'0');
    return u'[' + (n < 0 ? QStringLiteral("-") : QString()) + digits + u']';
}

// The base cut (whole characters) so that base + tail fits a file name.
QString fitBase(const QString &base, const QString &tail)
{
    const int room = kFileNameMaxBytes - Utf8Length(tail);
    return Utf8Length(base) <= room ? base : LeftBytesUtf8(base, room);
}

QString fitExtension(const QString &ext)
{
    return LeftBytesUtf8(ext, kMaxExtensionBytes);
}

// A name that is a file's: once a counter such as "[3]" is taken off a name,
// what is left may be nothing, "." or "..", which name the folder itself.
bool namesAFile(const QString &name)
{
    return !name.isEmpty() && name != u"." && name != u"..";
}

// A file name of more than 255 bytes can never be opened: cut its base,
// keeping the extension.
QString fitFileName(const QString &name)
{
    if (Utf8Length(name) <= kFileNameMaxBytes)
        return name;
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot < 0)
        return LeftBytesUtf8(name, kFileNameMaxBytes);
    const QString tail = u'.' + fitExtension(name.mid(dot + 1));
    return fitBase(name.left(dot), tail) + tail;
}

// The first max characters, never half a surrogate pair.
QString leftChars(const QString &text, qsizetype max)
{
    if (text.size() <= max)
        return text;
    if (max > 0 && text.at(max - 1).isHighSurrogate() && text.at(max).isLowSurrogate())
        --max;
    return text.left(max);
}

bool makeFolder(const QString &path)
{
    if (path.contains(QChar(u'\0')))
        return false;
    return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0;
}

} // namespace

namespace {
// SanitizeFileName up to its cut to 400 GB18030 bytes, without the shorter
// UTF-8 cut that leaves a file name room for a number and an extension.
QString cleanName(const QString &text)
{
    static const QString removed = QStringLiteral("\\/:*?\"<>|\r\n");
    QString t;
    t.reserve(text.size());
    for (const QChar c : text) {
        if (c != QChar(u'\0') && !removed.contains(c))
            t += c;
    }
    qsizetype from = 0, to = t.size();
    while (from < to && t.at(from) == u'.')
        ++from;
    while (to > from && t.at(to - 1) == u'.')
        --to;
    // Halving pairs of spaces until none is left ends with every run of
    // spaces as a single space; doing it in one pass keeps long names cheap.
    QString out;
    out.reserve(to - from);
    for (qsizetype i = from; i < to; ++i) {
        const QChar c = t.at(i);
        if (c == u' ' && !out.isEmpty() && out.back() == u' ')
            continue;
        out += c;
    }
    out = ReplaceUnpairedSurrogates(out);
    return LeftBytesAnsi(out, 200);
}
} // namespace

QString SanitizeFileName(const QString &text)
{
    return LeftBytesUtf8(cleanName(text), kSanitizedNameMaxBytes);
}

namespace {

// CreateFolderPath without its message: `malformed` tells whether a
// component was malformed (the answer is then the part before it, or empty
// for a network path without a server).
QString makeFolderPath(const QString &folderPath, bool &malformed)
{
    malformed = false;
    if (folderPath.isEmpty())
        return QString();
    const QStringList parts = folderPath.split(u'/');
    QString built;
    qsizetype from = 1;
    if (folderPath.startsWith(QLatin1String("//"))) {
        // The network form: "//server/share/...", the server used as given.
        if (parts.size() < 3 || parts.at(2).isEmpty()) {
            malformed = true;
            return QString();
        }
        built = QStringLiteral("//") + parts.at(2);
        from = 3;
    } else {
        built = parts.at(0);
    }
    // Clean the components first: a path that could never exist (longer than
    // the system allows) creates nothing at all.
    QStringList clean;
    qint64 bytes = Utf8Length(built);
    for (qsizetype k = from; k < parts.size(); ++k) {
        if (parts.at(k).isEmpty())
            break;
        // A component longer than a folder name can be is malformed too:
        // cut to fit, it would name another folder.
        QString part = cleanName(parts.at(k));
        if (part.isEmpty() || Utf8Length(part) > kFileNameMaxBytes) {
            malformed = true;
            break;
        }
        bytes += 1 + Utf8Length(part);
        clean.append(std::move(part));
    }
    if (bytes >= PATH_MAX)
        return QString();
    for (const QString &part : std::as_const(clean)) {
        built += u'/' + part;
        if (!FolderExists(built))
            makeFolder(built);
    }
    if (built.isEmpty())
        return (!malformed && folderPath.startsWith(u'/')) ? QStringLiteral("/") : QString();
    return FolderExists(built) ? built : QString();
}

// Set while a deferred "文件夹名称有误" message waits to be shown.
bool g_badFolderMessagePending = false;

} // namespace

QString CreateFolderPath(const QString &folderPath, bool *malformedName)
{
    bool malformed = false;
    const QString answer = makeFolderPath(folderPath, malformed);
    if (malformed)
        ShowError(QString::fromUtf16(kBadFolderMessage));
    if (malformedName)
        *malformedName = malformed;
    return answer;
}

QString CreateRowFolder(const QString &folderPath)
{
    bool malformed = false;
    const QString answer = makeFolderPath(folderPath, malformed);
    if (!malformed)
        return answer;
    if (!g_badFolderMessagePending) {
        g_badFolderMessagePending = true;
        QTimer::singleShot(0, [] {
            g_badFolderMessagePending = false;
            ShowError(QString::fromUtf16(kBadFolderMessage));
        });
    }
    return QString();
}

QString NameFromUrl(const QString &address, bool dropExtension)
{
    QString t = address;
    const qsizetype sep = qMax(t.lastIndexOf(u'/'), t.lastIndexOf(u'\\'));
    if (sep >= 0)
        t = TrimSpaces(t.mid(sep + 1));
    if (dropExtension) {
        const qsizetype dot = t.lastIndexOf(u'.');
        if (dot >= 0)
            t = TrimSpaces(t.left(dot));
    }
    return t;
}

QString DuplicateModeText(DuplicateMode mode)
{
    switch (mode) {
    case DuplicateMode::Skip: return QStringLiteral("跳过");
    case DuplicateMode::Overwrite: return QStringLiteral("覆盖");
    case DuplicateMode::Rename: break;
    }
    return QStringLiteral("重命名");
}

DuplicateMode DuplicateModeFromText(const QString &text)
{
    const QString t = TrimSpaces(text);
    if (t == DuplicateModeText(DuplicateMode::Skip))
        return DuplicateMode::Skip;
    if (t == DuplicateModeText(DuplicateMode::Overwrite))
        return DuplicateMode::Overwrite;
    return DuplicateMode::Rename;
}

QString 重命名保存路径(const QString &保存路径, const QString &纯文件名, const QString &文件类型,
                      QString &新的文件名, DuplicateMode duplicateMode)
{
    const QString d = WithTrailingSlash(保存路径);
    // Without an extension there is no dot: on Windows "报告." named the file
    // "报告", the row's own file; here the two would be different files.
    const QString ext = fitExtension(文件类型);
    const QString tail = ext.isEmpty() ? QString() : u'.' + ext;
    const QString plain = fitBase(纯文件名, tail);
    新的文件名 = plain;
    const QString p = d + plain + tail;
    if (duplicateMode == DuplicateMode::Overwrite || !FileExists(p))
        return p;

    QString b = 纯文件名;
    qint64 n = 0;
    const qsizetype open = b.lastIndexOf(u'[');
    const qsizetype close = b.lastIndexOf(u']');
    if (open >= 0 && close > open && readsAsCounter(b.mid(open + 1, close - open - 1), n))
        b.truncate(open);
    else
        n = 0;
    b.replace(u'[', u'『');
    b.replace(u']', u'』');
    auto numbered = [&](qint64 k) -> QString {
        const QString counter = counterText(k, 3);
        return fitBase(b, counter + tail) + counter;
    };
    // A name that was nothing but a counter keeps one.
    QString candidate = n != 0 || !namesAFile(fitBase(b, tail) + tail) ? numbered(n) : fitBase(b, tail);
    while (FileExists(d + candidate + tail))
        candidate = numbered(++n);
    新的文件名 = candidate;
    return d + candidate + tail;
}

QString UniqueFilePath(const QString &fullPath)
{
    const qsizetype slash = fullPath.lastIndexOf(u'/');
    const QString d = fullPath.left(slash + 1);
    const QString f = fitFileName(fullPath.mid(slash + 1));
    const QString path = d + f;
    if (slash < 0 || !FileExists(path))
        return path;

    const qsizetype dot = f.lastIndexOf(u'.');
    QString base = dot >= 0 ? f.left(dot) : f;
    // The name must change anyway; an absurdly long extension is cut so that
    // a counter still fits beside it.
    const QString ext = dot >= 0 ? fitExtension(f.mid(dot + 1)) : QString();
    base = leftChars(base, 100);
    const qsizetype open = base.lastIndexOf(u'[');
    qint64 ignored = 0;
    if (base.endsWith(u']') && open >= 0
        && readsAsCounter(base.mid(open + 1, base.size() - open - 2), ignored))
        base.truncate(open);
    const QString tail = ext.isEmpty() ? QString() : u'.' + ext;
    QString candidate = d + fitBase(base, tail) + tail;
    for (qint64 n = 1; !namesAFile(candidate.mid(d.size())) || FileExists(candidate); ++n) {
        const QString counter = counterText(n, 4);
        candidate = d + fitBase(base, counter + tail) + counter + tail;
    }
    return candidate;
}

QString 从网络文件Header获取ContentDisposition(const QString &header)
{
    static const QString field = QStringLiteral("content-disposition:");
    // Lines end in CR LF; a bare LF is taken as a line end too.
    for (QString line : header.split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = TrimSpaces(line);
        if (line.left(20).toLower() == field)
            return TrimSpaces(line.mid(20));
    }
    return QString();
}

QString 从下载头信息ContentDisposition获取文件名(const QString &ContentDisposition, QString &类型)
{
    类型.clear();
    QString v = TrimSpaces(ContentDisposition);
    const qsizetype at = v.indexOf(QLatin1String("filename="), 0, Qt::CaseInsensitive);
    if (at < 0)
        return QString();
    v = TrimSpaces(v.mid(at + 9));
    const qsizetype semicolon = v.indexOf(u';');
    if (semicolon >= 0)
        v = TrimSpaces(v.left(semicolon));
    v.remove(u'"');
    v.remove(u'\'');
    v = StripControlChars(v);

    QString base = v, ext;
    const qsizetype dot = v.lastIndexOf(u'.');
    if (dot >= 0) {
        ext = TrimSpaces(v.mid(dot + 1));
        base = TrimSpaces(v.left(dot));
        qsizetype letters = 0;
        while (letters < ext.size()
               && ((ext.at(letters) >= u'a' && ext.at(letters) <= u'z')
                   || (ext.at(letters) >= u'A' && ext.at(letters) <= u'Z')))
            ++letters;
        ext.truncate(letters);
        if (ext.size() > 5)
            ext.clear();
    }
    const bool utf8 = ContentDisposition.contains(QLatin1String("utf-8"), Qt::CaseInsensitive);
    const QString decoded = TrimSpaces(utf8 ? PercentDecodeAuto(base) : PercentDecodeUtf8(base));
    类型 = ext;
    return decoded;
}
