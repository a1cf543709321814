#pragma once
// The cache viewer's lists and commands without a window: "查看我的缓存"
// lists this program's browser profile (one row per disk-cache entry, one per
// cookie), "查看所有用户缓存" lists the cache files of every user's profile
// below the profiles root, and the deletions keep the fixed rules: cookies
// are never deleted, "txt" files in profile cache folders are never deleted,
// emptied folders are removed deepest first and the listing shown is
// repeated afterwards. fIEcache shows it; ClearBrowserCache drives it.
#include <QList>
#include <QNetworkCookie>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Where a profile keeps its cache, and the profiles of the other users.
struct BrowserCacheLocation
{
    QString cacheFolder;              // this program's profile cache folder
    QString profilesRoot;             // the folder above the home folders, ending in "/"
    QStringList cacheFoldersBelowHome; // e.g. "/.local/share/litharvest/browser/cache"
    std::function<QList<QNetworkCookie>()> cookies;
};

// Which listing the entry list holds; it decides the listing repeated after
// a deletion.
enum class CacheListMode { None, MyCache, AllUsers };
QString CacheListModeTag(CacheListMode mode); // "", "我的缓存", "所有缓存"

enum class CacheColumn { Url = 0, Type = 1, Size = 2, FilePath = 3 };

struct CacheRow
{
    QString text; // the address, a cookie's text, or "用户:" + user name
    QString type;
    std::optional<qint64> size;
    QString filePath;
};

struct CacheUserRow
{
    QString userName;
    QString folder; // ending in "/"
};

// "共有" / "出错!!!共有" + count + " 个文件".
QString CacheCountText(int count, bool failed);
// The entry list's texts of one row, column by column.
QString CacheRowText(const CacheRow &row, CacheColumn column);
// A cookie's row text, e.g. "Cookie:sid@portal.example/".
QString CookieRowText(const QNetworkCookie &cookie);

class BrowserCacheViewer final
{
public:
    explicit BrowserCacheViewer(BrowserCacheLocation location);

    // "查看我的缓存" (GetCacheURLList).
    void GetCacheURLList();
    // "查看所有用户缓存".
    void ListAllUsers();
    // "删除所选文件" with the rows' positions, "全部删除".
    void DeleteRows(const QList<int> &positions);
    void DeleteAll();
    // "复制选中...": the non-empty file paths of the rows, in list order.
    QStringList FilePathsOf(const QList<int> &positions) const;
    // A click on a column header: sorts by it, the order flipping on every click.
    void SortByColumn(CacheColumn column);

    const QList<CacheRow> &rows() const { return m_rows; }
    const QList<CacheUserRow> &users() const { return m_users; }
    const QStringList &cacheFolders() const { return m_cacheFolders; }
    CacheListMode mode() const { return m_mode; }
    QString countText() const { return m_countText; }
    bool sortDescending() const { return m_descending; }
    CacheColumn sortColumn() const { return m_sortColumn; }

    // The entry file that holds the address in this profile's cache, or
    // nothing when the address is not cached.
    std::optional<QString> GetCacheLocalFileName(const QString &address) const;

private:
    // Each listed entry's file and size, the files in row order.
    void 判断文件在缓存中文件路径(const QStringList &entryFiles);
    void deleteRow(const CacheRow &row);
    void relist();

    BrowserCacheLocation m_location;
    QList<CacheRow> m_rows;
    QList<CacheUserRow> m_users;
    QStringList m_cacheFolders;
    CacheListMode m_mode = CacheListMode::None;
    QString m_countText;
    CacheColumn m_sortColumn = CacheColumn::Url;
    bool m_descending = false;
};
