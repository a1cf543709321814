#pragma once
// The hand-over from the harvesting window to the download list: names the
// file (the title, or the address's last segment when the save-folder chooser
// chose "原文件名"), makes the name safe and appends a Waiting row. The
// analysis passes call it once per item they take.
#include <QString>

class DownloadListModel;

// The title as a row's name starts out: CR, LF, NUL and every other control
// character and bidi mark removed (a line break joins the lines), a TAB
// turned into a space, leading and trailing spaces trimmed. The window's
// hand-over and litharvest-cli harvest both name an item by it, so one item
// gets one file name either way.
QString HandOverTitle(const QString &标题);

// url, 标题 (title), 文章类型 (document type), 保存路径 (save folder; empty
// means DefaultSaveFolder) and 引用 (the referring page, sent as Referer).
// The title goes through HandOverTitle, so the row has one line.
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
