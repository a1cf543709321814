#pragma once
// Where a downloaded document is written and under which name: cleaning
// names for the file system, creating save folders, numbering duplicates, and
// reading the server's file name from Content-Disposition. Shared by the
// scheduler, both download engines, type correction, the settings dialogs,
// the hand-over from the harvesting window and the copy/move tool.
//
// Every save path these routines answer has a last component of at most
// 255 UTF-8 bytes (the Linux file-name limit), counter and extension included.
#include <QString>

// Longest name SanitizeFileName lets through, in UTF-8 bytes: leaves room for
// a counter up to "[00001]", a dot and a six-letter extension within 255.
inline constexpr int kSanitizedNameMaxBytes = 240;
// A file name (last path component) must fit this many UTF-8 bytes.
inline constexpr int kFileNameMaxBytes = 255;

// Removes \ / : * ? " < > |, CR, LF and NUL, leading and trailing dots, halves
// runs of spaces, and cuts to 400 GB18030 bytes and kSanitizedNameMaxBytes
// UTF-8 bytes (whole characters). Unpaired surrogates become U+FFFD.
QString SanitizeFileName(const QString &text);

// Creates every missing folder of the path (each component cleaned as
// SanitizeFileName cleans a name, but never cut to kSanitizedNameMaxBytes)
// and answers it without a trailing "/" ("/" for the root),
// or an empty text when it cannot be made to exist. A malformed component
// (empty once cleaned, as ".." or "...", or longer than kFileNameMaxBytes, which
// a shorter cut would turn into another folder) shows
// "文件夹名称有误！不能创建文件夹！"; malformed, when given, then
// receives true (the answer is the part before that component), else false.
QString CreateFolderPath(const QString &folderPath, bool *malformed = nullptr);

// CreateFolderPath for a row's folder while downloads run (inside the
// scheduler tick, an engine's report or a row edit, where no modal box may
// open): a malformed component answers an empty text, so the row fails, and
// the message comes once, from the event loop, however many rows fail before
// it is shown.
QString CreateRowFolder(const QString &folderPath);

// The last segment of an address ("/" and "\" both separate), trimmed;
// without its extension when dropExtension is true.
QString NameFromUrl(const QString &address, bool dropExtension);

// What happens when a document's save name is already taken.
enum class DuplicateMode { Skip, Overwrite, Rename };
// "跳过", "覆盖", "重命名": the captions of the mode's radio buttons and the
// values of the stored setting.
QString DuplicateModeText(DuplicateMode mode);
// The mode a caption or stored text names (spaces around it allowed); any
// other text is "重命名", the default.
DuplicateMode DuplicateModeFromText(const QString &text);

// The full save path for folder, base name and extension under the duplicate
// mode; 新的文件名 receives the base name used,
// numbered "[001]" and up when the file exists and the mode is not Overwrite.
QString 重命名保存路径(const QString &保存路径, const QString &纯文件名, const QString &文件类型,
                      QString &新的文件名, DuplicateMode duplicateMode);

// The path itself when no file is there, otherwise the first free variant
// numbered "[0001]" and up (base cut to 100 characters).
QString UniqueFilePath(const QString &fullPath);

// The value of the Content-Disposition line of a raw header block, or empty.
QString 从网络文件Header获取ContentDisposition(const QString &header);

// The decoded base name from a Content-Disposition value's "filename=" part;
// 类型 receives its extension (letters only, at most 5, or empty).
QString 从下载头信息ContentDisposition获取文件名(const QString &ContentDisposition, QString &类型);
