#include "download/core/DownloadRow.h"

#include "common/Paths.h"

#include <QDir>
#include <QFile>
#include <QStringList>

QString RowNoteText(RowNote note)
{
    switch (note) {
    case RowNote::None: return QString();
    case RowNote::UnknownSize: return QStringLiteral("未知");
    case RowNote::TransferFailed: return QStringLiteral("下载失败");
    case RowNote::Cancelled: return QStringLiteral("下载取消");
    case RowNote::WaitingForRetry: return QStringLiteral("等待重新下载");
    case RowNote::AlreadyThere: return QStringLiteral("已存在，跳过");
    case RowNote::TooBig: return QStringLiteral("大文件，跳过");
    case RowNote::CannotReplace: return QStringLiteral("无法替换");
    case RowNote::Missing: return QStringLiteral("不存在");
    }
    return QString();
}

void DownloadRow::clearProgress()
{
    size = received = percent = -1;
    sizeNote = progressNote = RowNote::None;
}

bool DownloadRow::progressEmpty() const
{
    return size < 0 && sizeNote == RowNote::None && received < 0 && percent < 0 && progressNote == RowNote::None;
}

QString SizeText(const DownloadRow &row)
{
    if (row.sizeNote != RowNote::None)
        return RowNoteText(row.sizeNote);
    return row.size < 0 ? QString() : QString::number(row.size);
}

QString ReceivedText(const DownloadRow &row)
{
    return row.received < 0 ? QString() : QString::number(row.received);
}

QString ProgressText(const DownloadRow &row)
{
    if (row.progressNote != RowNote::None)
        return RowNoteText(row.progressNote);
    return row.percent < 0 ? QString() : QString::number(row.percent) + QLatin1Char('%');
}

QString RowFilePath(const DownloadRow &row)
{
    QString path = row.folder;
    // Rows that the scheduler has not seen yet may carry a folder without its
    // "/": gluing the name on would name a file in the parent folder, and the
    // delete and re-type commands would then touch a stranger's file.
    if (!path.isEmpty())
        path = WithTrailingSlash(path);
    path += row.name;
    if (!row.type.isEmpty())
        path += QLatin1Char('.') + row.type;
    return path;
}

QString GuardedRowFilePath(const DownloadRow &row)
{
    return IsAbsoluteFilePath(row.folder) ? RowFilePath(row) : QString();
}

void DeleteRowFile(const DownloadRow &row)
{
    const QString path = GuardedRowFilePath(row);
    if (FileExists(path))
        QFile::remove(path);
}

bool IsHtmOrHtmlType(const QString &type)
{
    return type.compare(QLatin1String("htm"), Qt::CaseInsensitive) == 0
        || type.compare(QLatin1String("html"), Qt::CaseInsensitive) == 0;
}

bool IsWebPageType(const QString &type)
{
    return IsHtmOrHtmlType(type) || type.compare(QLatin1String("xml"), Qt::CaseInsensitive) == 0;
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
