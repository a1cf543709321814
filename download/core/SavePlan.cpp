#include "download/core/SavePlan.h"

#include "common/Paths.h"
#include "download/core/DownloadListModel.h"

#include <QDir>
#include <QFileInfo>

bool PrepareSlotRow(DownloadListModel &list, int row)
{
    const QString folder = CreateRowFolder(list.at(row).folder);
    if (folder.isEmpty()) {
        list.modify(row, [](DownloadRow &r) {
            r.state = RowState::Failed;
            r.setSizeNote(RowNote::TransferFailed);
        });
        return false;
    }
    list.modify(row, [&folder](DownloadRow &r) {
        r.name = SanitizeFileName(r.name);
        r.folder = WithTrailingSlash(folder);
    });
    return true;
}

bool NeedsDownload(DownloadListModel &list, int row, DuplicateMode mode)
{
    const DownloadRow &r = list.at(row);
    QString path = WithTrailingSlash(r.folder) + r.name;
    if (!r.type.isEmpty())
        path += QLatin1Char('.') + r.type;
    if (mode != DuplicateMode::Skip || !FileExists(path))
        return true;
    const qint64 length = QFileInfo(path).size();
    list.modify(row, [length](DownloadRow &d) {
        d.state = RowState::Done;
        d.setSize(length);
        d.received = length;
        d.setProgressNote(RowNote::AlreadyThere);
    });
    return false;
}

QString PlanSlotSavePath(DownloadListModel &list, int row, DuplicateMode mode)
{
    const DownloadRow &r = list.at(row);
    QString baseName;
    const QString savePath = 重命名保存路径(r.folder, r.name, r.type, baseName, mode);
    list.modify(row, [&baseName](DownloadRow &d) { d.name = baseName; });
    return savePath;
}

QString PlanSingleConnectionSavePath(DownloadListModel &list, int row, const QString &extension, DuplicateMode mode)
{
    QString savePath;
    // Made before the edit: nothing that touches the file system or may
    // report runs inside the model's callback.
    const QString folder = CreateRowFolder(list.at(row).folder);
    const bool folderMade = !folder.isEmpty();
    list.modify(row, [&](DownloadRow &r) {
        r.name = SanitizeFileName(r.name);
        // A folder that could not be made keeps the text the row asked for.
        if (folderMade)
            r.folder = WithTrailingSlash(folder);
        if (!extension.isEmpty())
            r.type = extension;
        if (mode == DuplicateMode::Rename) {
            QString chosen;
            savePath = 重命名保存路径(r.folder, r.name, r.type, chosen, mode);
            r.name = chosen;
        } else {
            savePath = RowFilePath(r);
        }
    });
    // Whatever the name turned into, the file goes into the row's folder.
    const DownloadRow &r = list.at(row);
    const bool insideFolder = folderMade
        && QDir::cleanPath(QFileInfo(savePath).absolutePath())
            == QDir::cleanPath(QFileInfo(r.folder + QLatin1Char('x')).absolutePath());
    return insideFolder ? savePath : QString();
}
