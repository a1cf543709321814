#include "harvest/flow/HandOver.h"

#include "common/HttpAddress.h"
#include "common/TextCodec.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSettings.h"
#include "download/core/SaveNames.h"

QString HandOverTitle(const QString &标题)
{
    QString title;
    title.reserve(标题.size());
    for (const QChar c : 标题) {
        if (c == u'\t')
            title += u' ';
        else if (!IsControlOrBidiMark(c.unicode()))
            title += c;
    }
    return TrimSpaces(title);
}

bool 加入下载列表(DownloadListModel &list, const QString &url, const QString &标题, const QString &文章类型,
                  const QString &保存路径, const QString &引用)
{
    const QString title = HandOverTitle(标题);

    DownloadSettings &settings = DownloadSettings::instance();
    QString folder = 保存路径;
    if (folder.isEmpty()) {
        // DefaultSaveFolder stays empty until the chooser first opens; a row
        // without a folder would be written to the file-system root.
        if (settings.defaultSaveFolder().isEmpty())
            settings.loadDefaultSaveFolder();
        folder = settings.defaultSaveFolder();
    }
    const QString name = SanitizeFileName(settings.keepSourceFileName() ? NameFromUrl(url, true) : title);
    list.addRow(url, name, 文章类型, folder, 引用);
    return true;
}

BrowserDownload BrowserDownloadItem(const QString &url, const QString &suggestedFileName, const QString &pageUrl)
{
    BrowserDownload item;
    item.url = url;
    item.referrer = HasHttpScheme(pageUrl) ? pageUrl : QString();
    QString name = suggestedFileName.section(u'/', -1);
    const int dot = name.lastIndexOf(u'.');
    if (dot > 0 && dot < name.size() - 1) {
        item.type = name.mid(dot + 1).toLower();
        name.truncate(dot);
    }
    item.title = name.isEmpty() ? NameFromUrl(url, false) : name;
    return item;
}
