#include "download/core/FileTypes.h"

#include "common/Paths.h"
#include "common/TextCodec.h"
#include "download/core/DownloadListModel.h"
#include "download/core/SaveNames.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <initializer_list>
#include <optional>

namespace {

constexpr qint64 kHeadBytes = 10240;
constexpr qint64 kTagTailBytes = 128;
constexpr qint64 kPageMaxBytes = 200 * 1024; // larger files are not taken for web pages
constexpr qint64 kCaaMaxBytes = 3 * 1024;

// Bytes that must stand at an offset of the head.
struct Run
{
    int offset;
    std::initializer_list<unsigned char> bytes;
};

struct Signature
{
    std::initializer_list<Run> runs;
    const char *type;
};

// Tested in this order; the first that matches names the type. The compound
// document (D0 CF 11 E0 ...) is decided after these, by its first sector.
const Signature kSignatures[] = {
    {{{0, {0x25, 0x50, 0x44, 0x46}}}, "PDF"},
    {{{0, {0xC8, 0x00, 0x00, 0x00}}}, "CAJ"},
    {{{0, {0x43, 0x41, 0x4A, 0x00}}}, "KDH"},
    {{{0, {0x4B, 0x44, 0x48, 0x20}}}, "KDH"},
    {{{0, {0x48, 0x4E, 0x00, 0x00}}}, "NH"},
    {{{0, {0x49, 0x49, 0x2A, 0x00}}}, "TIF"},
    {{{0, {0x7B, 0x5C, 0x72, 0x74, 0x66}}}, "RTF"},
    {{{0, {0x4D, 0x5A}}}, "EXE"},
    {{{0, {0x52, 0x61, 0x72, 0x21}}}, "RAR"},
    {{{0, {0x50, 0x4B, 0x03, 0x04, 0x14, 0x00, 0x00, 0x00, 0x08}}}, "ZIP"},
    {{{0, {0x50, 0x4B, 0x03, 0x04, 0x14, 0x00, 0x06, 0x00, 0x08, 0x00}}}, "docx"},
    {{{0, {0x43, 0x57, 0x53, 0x06}}}, "SWF"},
    {{{0, {0x2E, 0x52, 0x4D, 0x46}}}, "RM"},
    {{{0, {0x30, 0x26, 0xB2, 0x75, 0x8E}}}, "WMA"},
    {{{0, {0x49, 0x44, 0x33, 0x03}}}, "MP3"},
    {{{0, {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}}}, "png"},
    {{{0, {0x47, 0x49, 0x46, 0x38, 0x39, 0x61}}}, "gif"},
    {{{0, {0xFF, 0xD8, 0xFF, 0xE1}}, {6, {0x45, 0x78, 0x69, 0x66}}, {12, {0x4D, 0x4D, 0x00, 0x2A}}}, "jpg"},
    {{{0, {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 0x4A, 0x46, 0x49, 0x46}}}, "jpg"},
};

const Run kCompoundDocument{0, {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}};
constexpr int kFirstSector = 512;

int runEnd(const Run &run)
{
    return run.offset + int(run.bytes.size());
}

bool runMatches(const QByteArray &b, const Run &run)
{
    int at = run.offset;
    for (unsigned char byte : run.bytes)
        if (static_cast<unsigned char>(b[at++]) != byte)
            return false;
    return true;
}

// The type the head's signatures give: "" when none matches, nullopt when a
// test has to look past the head (a file too short to tell; detection stops).
// `head` holds the file's first bytes and one zero byte past a short file's
// end; `length` is the file's real length.
std::optional<QString> typeFromSignatures(const QByteArray &head, qint64 length)
{
    for (const Signature &sig : kSignatures) {
        bool match = true;
        for (const Run &run : sig.runs) {
            if (runEnd(run) > head.size())
                return std::nullopt;
            match = match && runMatches(head, run);
        }
        if (match)
            return QString::fromLatin1(sig.type);
    }
    if (runEnd(kCompoundDocument) > head.size())
        return std::nullopt;
    if (!runMatches(head, kCompoundDocument))
        return QString();
    // The first sector says which program wrote it. A file that ends before
    // it holds no document at all; the zero byte padding a short head must
    // not complete a marker either.
    if (length < kFirstSector + 4)
        return std::nullopt;
    if (runMatches(head, {kFirstSector, {0xEC, 0xA5, 0xC1, 0x00}}))
        return QStringLiteral("DOC");
    if (runMatches(head, {kFirstSector, {0x09, 0x08, 0x10, 0x00}}))
        return QStringLiteral("XLS");
    if (static_cast<unsigned char>(head[kFirstSector + 3]) == 0xF0)
        return QStringLiteral("ppt");
    return QString();
}

bool containsAny(const QString &text, std::initializer_list<const char *> needles)
{
    for (const char *n : needles)
        if (text.contains(QLatin1String(n), Qt::CaseInsensitive))
            return true;
    return false;
}

bool containsAll(const QString &text, std::initializer_list<const char *> needles)
{
    for (const char *n : needles)
        if (!text.contains(QLatin1String(n), Qt::CaseInsensitive))
            return false;
    return true;
}

} // namespace

QString 打开文件判断文件类型(const QString &文件路径)
{
    if (!FileExists(文件路径))
        return QString();
    QFile file(文件路径);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const qint64 length = file.size();

    // One byte more than the part that is examined; past a short file's end
    // the buffer holds zeros.
    QByteArray head(int(std::min(length, kHeadBytes) + 1), '\0');
    const qint64 got = file.read(head.data(), head.size());
    if (got < 0)
        return QString();

    const std::optional<QString> signed_ = typeFromSignatures(head, length);
    if (!signed_)
        return QString();
    QString type = *signed_;

    if (type.isEmpty() && length > kTagTailBytes) {
        // An ID3 version 1 tag sits in the last 128 bytes of an MP3.
        if (!file.seek(length - kTagTailBytes))
            return QString();
        const QByteArray tail = file.read(kTagTailBytes);
        if (tail.size() != kTagTailBytes)
            return QString();
        if (tail.startsWith("TAG"))
            type = QStringLiteral("MP3");
    }

    if (type.isEmpty() && length < kPageMaxBytes) {
        const QString text = DecodeAnsi(head);
        if (containsAny(text, {"<html ", "html>"}) && containsAny(text, {"<title>", "<head>", "<body>"}))
            type = QStringLiteral("htm");
    }

    if (type.isEmpty() && length < kCaaMaxBytes) {
        // Under 3 KB the head already holds the whole file.
        const QString text = DecodeAnsi(head.left(int(length)));
        if (containsAll(text, {"A1=", "[TARGET]", "A2=", "B1=", "B2=", "C1=", "C2=", "D1=", "D2=", "DOCTYPE="}))
            type = QStringLiteral("caa");
    }
    return type.toLower();
}

QString MimeToExtension(const QString &contentType)
{
    struct Entry
    {
        const char *minor;
        const char *extension; // nullptr: the minor itself
    };
    struct Major
    {
        const char *name;
        std::initializer_list<Entry> entries;
    };
    static const Major kMajors[] = {
        {"application",
         {{"octet-stream", ""},
          {"x-shockwave-flash", "swf"},
          {"x-javascript", "js"},
          {"vnd.rn-realmedia", "rm"},
          {"vnd.ms-wpl", "wpl"},
          {"vnd.ms-works", "wps"},
          {"vnd.ms-powerpoint", "ppt"},
          {"msword", "doc"},
          {"vnd.openxmlformats-officedocument.wordprocessingml.document", "docx"},
          {"vnd.ms-excel", "xls"},
          {"x-excel", "xls"},
          {"vnd.openxmlformats-officedocument.spreadsheetml.sheet", "xlsx"},
          {"vnd.openxmlformats-officedocument.presentationml.presentation", "pptx"},
          {"vnd.openxmlformats-officedocument.presentationml.slideshow", "ppsx"},
          {"x-msdownload", "dll"},
          {"x-tar", "tar"},
          {"x-compressed", "tgz"},
          {"x-zip-compressed", "zip"},
          {"x-compress", "z"}}},
        {"text", {{"plain", "txt"}}},
        {"image", {{"tiff", "tif"}, {"x-png", "png"}, {"x-ms-bmp", "bmp"}, {"x-icon", "ico"}}},
        {"video",
         {{"mpeg4", "mp4"},
          {"x-msvideo", "avi"},
          {"x-ms-asf", "asf"},
          {"x-ms-wmv", "wmv"},
          {"quicktime", "mov"}}},
        {"audio",
         {{"x-ms-wma", "wma"},
          {"x-wav", "wav"},
          {"x-pn-realaudio", "ram"},
          {"midi", "mid"},
          {"x-mpegurl", "mpeg"}}},
        {"message", {{"rfc822", "mht"}}},
    };
    // Minors that the table passes on as they are ("application/pdf" ->
    // "pdf") need no entries: any other minor of a known major is kept too.

    const QStringList parts = contentType.split(QLatin1Char('/'));
    QString candidate;
    if (parts.size() != 2) {
        candidate = TrimSpaces(parts.first()).toLower();
    } else {
        const QString major = TrimSpaces(parts[0]).toLower();
        const QString minor = QString(parts[1]).remove(QLatin1Char(' ')).toLower();
        candidate = minor;
        for (const Major &m : kMajors) {
            if (major != QLatin1String(m.name))
                continue;
            if (minor.isEmpty() || minor == QLatin1String("*"))
                candidate.clear();
            for (const Entry &e : m.entries)
                if (minor == QLatin1String(e.minor))
                    candidate = QLatin1String(e.extension);
            break;
        }
    }

    // Only the leading letters make an extension, and at most five of them.
    qsizetype letters = 0;
    while (letters < candidate.size()) {
        const char16_t c = candidate.at(letters).unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z')))
            break;
        ++letters;
    }
    return letters > 5 ? QString() : candidate.left(letters);
}

bool CorrectRowFileType(DownloadListModel &list, int rowIndex)
{
    if (rowIndex < 0 || rowIndex >= list.count())
        return false;
    const DownloadRow &row = list.at(rowIndex);
    const QString path = RowFilePath(row);
    if (!FileExists(path))
        return false;
    const QString detected = 打开文件判断文件类型(path);
    if (detected.isEmpty() || detected.toUpper() == row.type.toUpper())
        return false;

    DownloadRow moved = row;
    moved.type = detected;
    const QString target = UniqueFilePath(RowFilePath(moved));
    // Only a rename that succeeded makes the row point at the new file; a
    // file that happened to be at the target is somebody else's.
    if (!QFile::rename(path, target) || !FileExists(target))
        return false;
    const QString name = SplitPath(target).baseName;
    list.modify(rowIndex, [&](DownloadRow &r) {
        r.type = detected;
        r.name = name;
    });
    return true;
}
