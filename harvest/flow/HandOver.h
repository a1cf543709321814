#pragma once
// The hand-over from the harvesting window to the download list: names the
// file (the title, or the address's last segment when the save-folder chooser
// chose "原文件名"), makes the name safe and appends a Waiting row. The
// analysis passes call it once per item they take.
#include <QString>

class DownloadListModel;

// url, 标题 (title), 文章类型 (document type), 保存路径 (save folder; empty
// means DefaultSaveFolder) and 引用 (the referring page, sent as Referer).
// Line breaks and NUL characters leave the title, so the row has one line.
// An address already listed adds nothing; the answer is true either way.
bool 加入下载列表(DownloadListModel &list, const QString &url, const QString &标题, const QString &文章类型,
                  const QString &保存路径, const QString &引用);

// A document the user opened in the browser pane that the browser would
// download itself: it goes to the download list instead. The title is the
// suggested file name without its extension (the whole name when it has
// none), the type its extension; the page it was opened from is the
// referrer, and the row takes the default save folder.
struct BrowserDownload
{
    QString url;
    QString title;
    QString type;
    QString referrer;
};
BrowserDownload BrowserDownloadItem(const QString &url, const QString &suggestedFileName, const QString &pageUrl);
