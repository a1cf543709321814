#pragma once
// One line of the download list: a document to fetch, keyed by its download
// address (up to three alternatives joined by "|", the first is fetched).
// Rows live in DownloadListModel; engines, the scheduler and the commands
// change them only through the model so that views are told.
#include <QString>

enum class RowState { Waiting = 1, Downloading = 2, Done = 3, Failed = 4 };

struct DownloadRow
{
    QString address;  // key; alternatives joined by "|"
    QString name;     // base name without extension
    QString type;     // extension without the dot; empty = none
    QString size;     // bytes as decimal text, a status word, or empty
    QString received; // bytes as decimal text, or empty
    QString progress; // "57%", a status text, or empty
    QString folder;   // save folder, ends with "/" once the scheduler saw it
    QString referrer; // result page the item came from; may be empty
    RowState state = RowState::Waiting;
};

// folder + name + ("." + type when type is not empty).
QString RowFilePath(const DownloadRow &row);

// The text before the first "|", or the whole text.
QString 选择url(const QString &urls);
// a|b -> b|a; a|b|c -> c|a|b; anything else unchanged.
QString 对调url(const QString &urls);
