#include "download/core/DownloadRow.h"

#include <QStringList>

QString RowFilePath(const DownloadRow &row)
{
    QString path = row.folder;
    // Rows that the scheduler has not seen yet may carry a folder without its
    // "/": gluing the name on would name a file in the parent folder, and the
    // delete and re-type commands would then touch a stranger's file.
    if (!path.isEmpty() && !path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    path += row.name;
    if (!row.type.isEmpty())
        path += QLatin1Char('.') + row.type;
    return path;
}

QString 选择url(const QString &urls)
{
    const qsizetype bar = urls.indexOf(QLatin1Char('|'));
    return bar < 0 ? urls : urls.left(bar);
}

QString 对调url(const QString &urls)
{
    const QStringList parts = urls.split(QLatin1Char('|'));
    const QLatin1Char bar('|');
    if (parts.size() == 2)
        return parts[1] + bar + parts[0];
    if (parts.size() == 3)
        return parts[2] + bar + parts[0] + bar + parts[1];
    return urls;
}
