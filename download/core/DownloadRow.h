#pragma once
// One line of the download list: a document to fetch, keyed by its download
// address (up to three alternatives joined by "|", the first is fetched).
// Rows live in DownloadListModel; engines, the scheduler and the commands
// change them only through the model so that views are told. The list also
// gives every row a stable id (DownloadListModel::idAt), which the scheduler
// and the engines hold while the row downloads.
//
// The three progress columns hold values, not texts: a byte count or a whole
// percentage, or a note (a status word such as "未知" or "大文件，跳过").
// SizeText, ReceivedText and ProgressText make the texts the list shows,
// exports and prints; nothing else spells them.
#include <QString>
#include <QtGlobal>

enum class RowState { Waiting = 1, Downloading = 2, Done = 3, Failed = 4 };

// What a progress column says instead of a number.
enum class RowNote : quint8 {
    None,
    UnknownSize,     // size: "未知", the server named no size
    TransferFailed,  // size: "下载失败"
    Cancelled,       // size: "下载取消", stopped by the stop command
    WaitingForRetry, // size: "等待重新下载", the single connection was busy
    AlreadyThere,    // progress: "已存在，跳过"
    TooBig,          // progress: "大文件，跳过"
    CannotReplace,   // progress: "无法替换"
    Missing,         // progress: "不存在", the row's file is gone
};

// The status word of a note; empty for RowNote::None.
QString RowNoteText(RowNote note);

struct DownloadRow
{
    QString address;  // key; alternatives joined by "|"
    QString name;     // base name without extension
    QString type;     // extension without the dot; empty = none
    QString folder;   // save folder, ends with "/" once the scheduler saw it
    QString referrer; // result page the item came from; may be empty
    RowState state = RowState::Waiting;

    // Total bytes, or -1 (then sizeNote or nothing shows).
    qint64 size = -1;
    RowNote sizeNote = RowNote::None;
    // Bytes received, or -1 for an empty column.
    qint64 received = -1;
    // Whole percentage, or -1 (then progressNote or nothing shows).
    qint64 percent = -1;
    RowNote progressNote = RowNote::None;

    void setSize(qint64 bytes) { size = bytes; sizeNote = RowNote::None; }
    void setSizeNote(RowNote note) { size = -1; sizeNote = note; }
    void setPercent(qint64 value) { percent = value; progressNote = RowNote::None; }
    void setProgressNote(RowNote note) { percent = -1; progressNote = note; }
    // Size, received and progress columns emptied.
    void clearProgress();
    // True when size, received and progress are all empty.
    bool progressEmpty() const;
    bool complete() const { return percent == 100 && progressNote == RowNote::None; }
};

// The texts of the three progress columns: "4096", "未知", "57%", "大文件，跳过", "".
QString SizeText(const DownloadRow &row);
QString ReceivedText(const DownloadRow &row);
QString ProgressText(const DownloadRow &row);

// folder + name + ("." + type when type is not empty).
QString RowFilePath(const DownloadRow &row);
// RowFilePath when the folder is absolute, otherwise "": a row without a
// proper folder must never make a command delete or open a file that happens
// to sit in the program's working folder.
QString GuardedRowFilePath(const DownloadRow &row);
// Deletes the row's file (GuardedRowFilePath) when it is there; a file that
// cannot be removed stays, the caller resets the row all the same.
void DeleteRowFile(const DownloadRow &row);

// Type "htm" or "html" in any letter case: a page came instead of the
// document (the error-stop rule, the sign-in, the "出错项和网页项" command).
bool IsHtmOrHtmlType(const QString &type);
// "htm", "html" or "xml" in any letter case: the web-page re-download and
// delete commands and the single connection's end-of-row rules.
bool IsWebPageType(const QString &type);

// The text before the first "|", or the whole text.
QString 选择url(const QString &urls);
// a|b -> b|a; a|b|c -> c|a|b; anything else unchanged.
QString 对调url(const QString &urls);
