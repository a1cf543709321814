#include "tools/core/BrowserCacheViewer.h"

#include "common/Paths.h"
#include "tools/core/BrowserCacheFiles.h"

#include <QFileInfo>

#include <algorithm>

namespace {
const QString kUserPrefix = QStringLiteral("用户:");

bool isOrdinaryFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isHidden();
}

// Each position once, first row first: rows are always taken in list order.
QList<int> inListOrder(QList<int> positions)
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    return positions;
}

QString lastComponent(const QString &folder)
{
    QString f = folder;
    while (f.endsWith(QLatin1Char('/')))
        f.chop(1);
    return f.section(QLatin1Char('/'), -1);
}
} // namespace

QString CacheListModeTag(CacheListMode mode)
{
    switch (mode) {
    case CacheListMode::MyCache:
        return QStringLiteral("我的缓存");
    case CacheListMode::AllUsers:
        return QStringLiteral("所有缓存");
    case CacheListMode::None:
        break;
    }
    return QString();
}

QString CacheCountText(int count, bool failed)
{
    return (failed ? QStringLiteral("出错!!!共有") : QStringLiteral("共有")) + QString::number(count)
           + QStringLiteral(" 个文件");
}

QString CacheRowText(const CacheRow &row, CacheColumn column)
{
    switch (column) {
    case CacheColumn::Url:
        return row.text;
    case CacheColumn::Type:
        return row.type;
    case CacheColumn::Size:
        return row.size ? QString::number(*row.size) : QString();
    case CacheColumn::FilePath:
        return row.filePath;
    }
    return QString();
}

QString CookieRowText(const QNetworkCookie &cookie)
{
    const QString path = cookie.path().isEmpty() ? QStringLiteral("/") : cookie.path();
    return QStringLiteral("Cookie:") + QString::fromUtf8(cookie.name()) + QLatin1Char('@') + cookie.domain() + path;
}

BrowserCacheViewer::BrowserCacheViewer(BrowserCacheLocation location) : m_location(std::move(location)) {}

void BrowserCacheViewer::GetCacheURLList()
{
    m_rows.clear();
    bool failed = false;
    QStringList entryFiles;
    for (const QString &file : CacheEntryFiles(m_location.cacheFolder)) {
        const std::optional<QString> key = ReadCacheEntryKey(file);
        if (!key) {
            failed = true;
            break;
        }
        const QString address = AddressFromCacheKey(*key);
        m_rows.append({address, GetUrlFileExt(address), std::nullopt, QString()});
        entryFiles << file;
    }
    if (!failed) {
        判断文件在缓存中文件路径(entryFiles);
        if (m_location.cookies)
            for (const QNetworkCookie &cookie : m_location.cookies()) {
                const QString text = CookieRowText(cookie);
                m_rows.append({text, GetUrlFileExt(text), std::nullopt, QString()});
            }
    }
    m_countText = CacheCountText(int(m_rows.size()), failed);
    m_mode = CacheListMode::MyCache;
}

void BrowserCacheViewer::判断文件在缓存中文件路径(const QStringList &entryFiles)
{
    for (int i = 0; i < entryFiles.size() && i < m_rows.size(); ++i) {
        if (!isOrdinaryFile(entryFiles.at(i)))
            continue;
        m_rows[i].filePath = entryFiles.at(i);
        m_rows[i].size = QFileInfo(entryFiles.at(i)).size();
    }
}

std::optional<QString> BrowserCacheViewer::GetCacheLocalFileName(const QString &address) const
{
    for (const QString &file : CacheEntryFiles(m_location.cacheFolder)) {
        const std::optional<QString> key = ReadCacheEntryKey(file);
        if (key && AddressFromCacheKey(*key) == address)
            return file;
    }
    return std::nullopt;
}

void BrowserCacheViewer::ListAllUsers()
{
    m_rows.clear();
    m_users.clear();
    m_cacheFolders.clear();

    QStringList profiles;
    QString root = m_location.profilesRoot;
    if (!root.isEmpty())
        GetSubFolders(root, profiles, false);
    for (const QString &profile : profiles) {
        for (const QString &below : m_location.cacheFoldersBelowHome) {
            const QString folder = profile + below;
            if (!FolderExists(folder))
                continue; // missing, or a home the user may not read
            QString walked = folder;
            GetSubFolders(walked, m_cacheFolders, true);
            m_users.append({lastComponent(profile), walked});
        }
    }
    for (const CacheUserRow &user : m_users) {
        QStringList files;
        QString folder = user.folder;
        GetAllFiles(folder, files, true);
        for (const QString &file : files)
            m_rows.append({kUserPrefix + user.userName, GetUrlFileExt(file), QFileInfo(file).size(), file});
    }
    m_countText = CacheCountText(int(m_rows.size()), false);
    m_mode = CacheListMode::AllUsers;
}

void BrowserCacheViewer::deleteRow(const CacheRow &row)
{
    if (row.text.startsWith(kUserPrefix)) {
        if (row.type.toLower() != QLatin1String("txt") && !row.filePath.isEmpty())
            强制删除(row.filePath);
        return;
    }
    if (row.text.isEmpty() || row.text.contains(QLatin1String("cookie"), Qt::CaseInsensitive))
        return;
    if (!row.filePath.isEmpty()) {
        DeleteCacheEntry(row.filePath);
        强制删除(row.filePath);
        return;
    }
    // A row listed without its file (the listing was cut short): find the
    // entry by its address.
    if (const std::optional<QString> file = GetCacheLocalFileName(row.text))
        DeleteCacheEntry(*file);
}

void BrowserCacheViewer::relist()
{
    switch (m_mode) {
    case CacheListMode::MyCache:
        GetCacheURLList();
        break;
    case CacheListMode::AllUsers:
        ListAllUsers();
        break;
    case CacheListMode::None:
        break;
    }
}

void BrowserCacheViewer::DeleteRows(const QList<int> &positions)
{
    const QList<int> sorted = inListOrder(positions);
    for (int i : sorted)
        if (i >= 0 && i < m_rows.size())
            deleteRow(m_rows.at(i));
    删除空文件夹(m_cacheFolders);
    relist();
}

void BrowserCacheViewer::DeleteAll()
{
    // Entry by entry in my cache too: the profile's own clearing runs in the
    // background and says nothing when it is done, so nothing could wait for it.
    for (const CacheRow &row : std::as_const(m_rows))
        deleteRow(row);
    删除空文件夹(m_cacheFolders);
    relist();
}

QStringList BrowserCacheViewer::FilePathsOf(const QList<int> &positions) const
{
    const QList<int> sorted = inListOrder(positions);
    QStringList paths;
    for (int i : sorted)
        if (i >= 0 && i < m_rows.size() && !m_rows.at(i).filePath.isEmpty())
            paths << m_rows.at(i).filePath;
    return paths;
}

void BrowserCacheViewer::SortByColumn(CacheColumn column)
{
    m_sortColumn = column;
    m_descending = !m_descending;
    // Sizes compare as 12-digit texts with leading zeros, so 9 comes before 10.
    auto key = [column](const CacheRow &row) {
        if (column == CacheColumn::Size)
            return row.size ? QStringLiteral("%1").arg(*row.size, 12, 10, QLatin1Char('0')) : QString();
        return CacheRowText(row, column);
    };
    const bool descending = m_descending;
    std::stable_sort(m_rows.begin(), m_rows.end(), [&](const CacheRow &a, const CacheRow &b) {
        const int c = key(a).compare(key(b), Qt::CaseInsensitive);
        return descending ? c > 0 : c < 0;
    });
}
