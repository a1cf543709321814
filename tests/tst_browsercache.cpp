// The cache viewer: entry files read as the browser engine writes them, the
// my-cache and all-users listings (the latter over a temporary tree of fake
// homes), the deletion rules (cookies and "txt" files stay, emptied folders
// go, the listing is repeated), the SIZE sort, the window with its copy
// hand-over, ClearBrowserCache, and one pass over the real browser profile.
#include "platform/NetworkAccess.h"
#include "platform/SettingsStore.h"
#include "platform/web/BrowserProfile.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WebEngineWait.h"
#include "tools/core/BrowserCacheFiles.h"
#include "tools/core/BrowserCacheViewer.h"
#include "tools/core/ProgramCacheLocation.h"
#include "tools/ui/fIEcache.h"
#include "tools/ui/Form_Copy_Move.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QtEndian>

using TestFiles::FilesUnder;
using TestFiles::WriteFile;

namespace {
// An entry file as the engine writes it: header, key, then the body.
QByteArray entryBytes(const QByteArray &key, const QByteArray &body)
{
    QByteArray header(24, '\0');
    qToLittleEndian<quint64>(0xfcfb6d1ba7725c30ULL, header.data());
    qToLittleEndian<quint32>(5, header.data() + 8);
    qToLittleEndian<quint32>(quint32(key.size()), header.data() + 12);
    return header + key + body;
}

QStringList column(const QList<CacheRow> &rows, CacheColumn c)
{
    QStringList texts;
    for (const CacheRow &row : rows)
        texts << CacheRowText(row, c);
    return texts;
}

QNetworkCookie cookie(const char *name, const char *domain)
{
    QNetworkCookie c(name, "v");
    c.setDomain(QLatin1String(domain));
    c.setPath(QStringLiteral("/"));
    return c;
}

bool LoadAndWait(QWebEnginePage *page, const QUrl &url)
{
    PageLoadWatch watch(page, [url](const QUrl &loaded) { return loaded == url; });
    page->load(url);
    return watch.wait(20000);
}

const QString kBelowHome = QStringLiteral("/.local/share/litharvest/browser/cache");
} // namespace

class TestBrowserCache : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void entryKeys_data();
    void entryKeys();
    void profilesRoot_data();
    void profilesRoot();
    void myCacheListingAndDeletion();
    void listingCutShortByABadEntry();
    void allUsersListingAndDeletion();
    void sizeSortBothWays();
    void viewerWindow();
    void clearBrowserCacheClosesTheViewer();
    void realProfileCache();

private:
    BrowserCacheLocation fakeLocation();
    QString writeEntry(const QString &hash, const QString &address, int bodyBytes);

    QTemporaryDir m_tmp;
    QString m_cache;
    QString m_root;
    QList<QNetworkCookie> m_cookies;
    ScriptedDialogs *m_dialogs = nullptr;
};

void TestBrowserCache::initTestCase()
{
    QVERIFY(m_tmp.isValid());
    // The real profile lives in a home of its own below the temporary folder,
    // which is then the profiles root: no other user's cache is touched.
    QVERIFY(QDir().mkpath(m_tmp.filePath(QStringLiteral("realhome"))));
    qputenv("HOME", QFile::encodeName(m_tmp.filePath(QStringLiteral("realhome"))));
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setApplicationName(QStringLiteral("litharvest"));
    QVERIFY(m_tmp.isValid());
    SettingsStore::useFile(m_tmp.filePath(QStringLiteral("settings.ini")));
    fIEcache::setLocationSource([this] { return fakeLocation(); });
}

void TestBrowserCache::init()
{
    const QString base = m_tmp.filePath(QString::fromLatin1(QTest::currentTestFunction()));
    m_cache = base + QStringLiteral("/mine/Cache/Cache_Data");
    m_root = base + QStringLiteral("/home/");
    QDir().mkpath(m_cache);
    QDir().mkpath(m_root);
    m_cookies = {cookie("sid", "127.0.0.1")};
    m_dialogs = new ScriptedDialogs;
}

void TestBrowserCache::cleanup()
{
    delete fIEcache::instance(false);
    delete m_dialogs;
    m_dialogs = nullptr;
}

BrowserCacheLocation TestBrowserCache::fakeLocation()
{
    BrowserCacheLocation location;
    location.cacheFolder = m_cache;
    location.profilesRoot = m_root;
    location.cacheFoldersBelowHome = {kBelowHome};
    location.cookies = [this] { return m_cookies; };
    return location;
}

QString TestBrowserCache::writeEntry(const QString &hash, const QString &address, int bodyBytes)
{
    const QString path = m_cache + QLatin1Char('/') + hash + QStringLiteral("_0");
    WriteFile(path, entryBytes("1/0/" + address.toUtf8(), QByteArray(bodyBytes, 'e')));
    return path;
}

void TestBrowserCache::entryKeys_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("address");

    QTest::newRow("plain key") << entryBytes("1/0/http://h:1/dir/a.pdf", "body") << true << "http://h:1/dir/a.pdf";
    QTest::newRow("isolated key") << entryBytes("1/0/_dk_http://s http://s http://h/x?y=1", "")
                                  << true << "http://h/x?y=1";
    QTest::newRow("no prefix") << entryBytes("http://h/b", "") << true << "http://h/b";
    QByteArray wrongMagic = entryBytes("1/0/http://h/c", "");
    wrongMagic[0] = 'X';
    QTest::newRow("not an entry") << wrongMagic << false << "";
    QTest::newRow("key cut off") << entryBytes("1/0/http://h/d", "").left(30) << false << "";
    QTest::newRow("empty file") << QByteArray() << false << "";
}

void TestBrowserCache::entryKeys()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, readable);
    QFETCH(QString, address);
    const QString path = m_cache + QStringLiteral("/0123456789abcdef_0");
    QVERIFY(WriteFile(path, bytes));
    const std::optional<QString> key = ReadCacheEntryKey(path);
    QCOMPARE(key.has_value(), readable);
    if (key)
        QCOMPARE(AddressFromCacheKey(*key), address);
}

void TestBrowserCache::profilesRoot_data()
{
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("root");
    QTest::newRow("home below /home") << "/home/kim" << "/home/";
    QTest::newRow("trailing slash") << "/home/kim/" << "/home/";
    QTest::newRow("root's home") << "/root" << "/";
}

void TestBrowserCache::profilesRoot()
{
    QFETCH(QString, home);
    QFETCH(QString, root);
    QCOMPARE(ProfilesRootOf(home), root);
}

void TestBrowserCache::myCacheListingAndDeletion()
{
    const QString pdf = writeEntry(QStringLiteral("00000000000000a1"), QStringLiteral("http://h/doc/a.PDF?x=1"), 10);
    QVERIFY(WriteFile(m_cache + QStringLiteral("/00000000000000a1_1"), "stream 2"));
    QVERIFY(WriteFile(m_cache + QStringLiteral("/00000000000000a1_s"), "sparse"));
    writeEntry(QStringLiteral("00000000000000b2"), QStringLiteral("http://h/page.htm"), 20);
    const QString last = writeEntry(QStringLiteral("00000000000000c3"), QStringLiteral("http://h/last.js"), 30);
    QVERIFY(WriteFile(m_cache + QStringLiteral("/index"), "engine index"));
    BrowserCacheViewer viewer(fakeLocation());

    viewer.GetCacheURLList();
    QCOMPARE(viewer.mode(), CacheListMode::MyCache);
    QCOMPARE(viewer.countText(), QStringLiteral("共有4 个文件"));
    QStringList addresses = column(viewer.rows(), CacheColumn::Url);
    QVERIFY(addresses.contains(QStringLiteral("Cookie:sid@127.0.0.1/")));
    const int pdfRow = int(addresses.indexOf(QStringLiteral("http://h/doc/a.PDF?x=1")));
    QVERIFY(pdfRow >= 0);
    QCOMPARE(viewer.rows().at(pdfRow).type, QStringLiteral("PDF"));
    QCOMPARE(viewer.rows().at(pdfRow).filePath, pdf);
    QCOMPARE(viewer.rows().at(pdfRow).size, std::optional<qint64>(QFileInfo(pdf).size()));

    // The last row alone, then the pdf with the cookie: the cookie stays.
    const int lastRow = int(viewer.rows().size()) - 1;
    const int cookieRow = int(addresses.indexOf(QStringLiteral("Cookie:sid@127.0.0.1/")));
    std::optional<int> lastEntry;
    for (int i = lastRow; i >= 0 && !lastEntry; --i)
        if (i != cookieRow)
            lastEntry = i;
    // Put the entry last so that "the last row" is an entry, not the cookie.
    viewer.SortByColumn(CacheColumn::FilePath); // descending: empty paths (the cookie) last
    viewer.SortByColumn(CacheColumn::FilePath); // ascending: the cookie first, last.js last
    QCOMPARE(viewer.rows().last().filePath, last);
    viewer.DeleteRows({int(viewer.rows().size()) - 1});
    QVERIFY(!QFileInfo::exists(last));
    QCOMPARE(viewer.countText(), QStringLiteral("共有3 个文件")); // listed again

    addresses = column(viewer.rows(), CacheColumn::Url);
    viewer.DeleteRows({int(addresses.indexOf(QStringLiteral("http://h/doc/a.PDF?x=1"))),
                       int(addresses.indexOf(QStringLiteral("Cookie:sid@127.0.0.1/")))});
    QCOMPARE(FilesUnder(m_cache), (QStringList{"00000000000000b2_0", "index"}));
    QCOMPARE(column(viewer.rows(), CacheColumn::Url),
             (QStringList{"http://h/page.htm", "Cookie:sid@127.0.0.1/"}));

    viewer.DeleteAll();
    QCOMPARE(FilesUnder(m_cache), QStringList{"index"});
    QCOMPARE(column(viewer.rows(), CacheColumn::Url), QStringList{"Cookie:sid@127.0.0.1/"});
    QCOMPARE(viewer.countText(), QStringLiteral("共有1 个文件"));
}

void TestBrowserCache::listingCutShortByABadEntry()
{
    writeEntry(QStringLiteral("00000000000000a1"), QStringLiteral("http://h/a.pdf"), 10);
    QVERIFY(WriteFile(m_cache + QStringLiteral("/00000000000000b2_0"), "not an entry"));
    writeEntry(QStringLiteral("00000000000000c3"), QStringLiteral("http://h/c.pdf"), 10);
    BrowserCacheViewer viewer(fakeLocation());
    viewer.GetCacheURLList();
    QVERIFY(viewer.countText().startsWith(QStringLiteral("出错!!!共有")));
    QVERIFY(viewer.countText().endsWith(QStringLiteral(" 个文件")));
    QVERIFY(viewer.rows().size() <= 2);
    for (const CacheRow &row : viewer.rows()) {
        QVERIFY(row.filePath.isEmpty());
        QVERIFY(!row.size);
    }
    // Such a row still deletes its entry, found by its address.
    if (!viewer.rows().isEmpty()) {
        const QString address = viewer.rows().first().text;
        viewer.DeleteRows({0});
        for (const QString &file : CacheEntryFiles(m_cache)) {
            const auto key = ReadCacheEntryKey(file);
            QVERIFY(!key || AddressFromCacheKey(*key) != address);
        }
    }
}

void TestBrowserCache::allUsersListingAndDeletion()
{
    const QString alice = m_root + QStringLiteral("alice") + kBelowHome;
    QVERIFY(QDir().mkpath(alice + QStringLiteral("/Cache/Cache_Data/index-dir")));
    QVERIFY(WriteFile(alice + QStringLiteral("/Cache/Cache_Data/0000000000000001_0"), "entry"));
    QVERIFY(WriteFile(alice + QStringLiteral("/Cache/Cache_Data/index-dir/the-real-index"), "idx"));
    QVERIFY(WriteFile(alice + QStringLiteral("/Cache/notes.TXT"), "kept"));
    const QString bob = m_root + QStringLiteral("bob") + kBelowHome;
    QVERIFY(QDir().mkpath(bob));
    QVERIFY(WriteFile(bob + QStringLiteral("/page.htm"), "12345"));
    QVERIFY(QDir().mkpath(m_root + QStringLiteral("carol/.local"))); // no cache folder
    QVERIFY(WriteFile(m_root + QStringLiteral("not-a-home"), "a file beside the homes"));

    BrowserCacheViewer viewer(fakeLocation());
    viewer.ListAllUsers();
    QCOMPARE(viewer.mode(), CacheListMode::AllUsers);
    QStringList users;
    for (const CacheUserRow &user : viewer.users())
        users << user.userName + QLatin1Char('=') + user.folder;
    users.sort();
    QCOMPARE(users, (QStringList{"alice=" + alice + "/", "bob=" + bob + "/"}));
    QStringList folders = viewer.cacheFolders();
    folders.sort();
    QCOMPARE(folders, (QStringList{alice + "/Cache", alice + "/Cache/Cache_Data", alice + "/Cache/Cache_Data/index-dir"}));
    QCOMPARE(viewer.countText(), QStringLiteral("共有4 个文件"));
    QStringList rows;
    for (const CacheRow &row : viewer.rows())
        rows << row.text + QLatin1Char('|') + row.type + QLatin1Char('|') + CacheRowText(row, CacheColumn::Size) + '|'
                    + row.filePath.section(QLatin1Char('/'), -1);
    rows.sort();
    QCOMPARE(rows, (QStringList{"用户:alice|TXT|4|notes.TXT", "用户:alice||3|the-real-index",
                                "用户:alice||5|0000000000000001_0", "用户:bob|htm|5|page.htm"}));

    // The txt row alone survives a deletion of it; then everything else goes.
    int txtRow = -1;
    for (int i = 0; i < viewer.rows().size(); ++i)
        if (viewer.rows().at(i).type == QLatin1String("TXT"))
            txtRow = i;
    viewer.DeleteRows({txtRow});
    QCOMPARE(viewer.rows().size(), 4);
    viewer.DeleteAll();
    QCOMPARE(FilesUnder(m_root), (QStringList{"alice" + kBelowHome + "/Cache/notes.TXT", "not-a-home"}));
    // Emptied folders are gone, deepest first; the one holding the txt stays.
    QVERIFY(!QFileInfo::exists(alice + QStringLiteral("/Cache/Cache_Data")));
    QVERIFY(QFileInfo::exists(alice + QStringLiteral("/Cache")));
    QVERIFY(QFileInfo::exists(bob)); // the users' cache folders themselves stay
    QCOMPARE(viewer.countText(), QStringLiteral("共有1 个文件")); // listed again
    QCOMPARE(viewer.cacheFolders(), QStringList{alice + "/Cache"});
}

void TestBrowserCache::sizeSortBothWays()
{
    writeEntry(QStringLiteral("00000000000000a1"), QStringLiteral("http://h/a"), 10);
    BrowserCacheViewer viewer(fakeLocation());
    // Rows of chosen sizes: all-users files.
    const QString folder = m_root + QStringLiteral("u") + kBelowHome;
    QDir().mkpath(folder);
    for (int size : {10, 9, 100, 1000000000})
        WriteFile(folder + QStringLiteral("/f%1.bin").arg(size), QByteArray(size == 1000000000 ? 0 : size, 's'));
    QFile huge(folder + QStringLiteral("/f1000000000.bin"));
    QVERIFY(huge.open(QIODevice::ReadWrite) && huge.resize(1000000000)); // sparse
    huge.close();
    viewer.ListAllUsers();

    viewer.SortByColumn(CacheColumn::Size);
    QVERIFY(viewer.sortDescending());
    QCOMPARE(column(viewer.rows(), CacheColumn::Size), (QStringList{"1000000000", "100", "10", "9"}));
    viewer.SortByColumn(CacheColumn::Size);
    QCOMPARE(column(viewer.rows(), CacheColumn::Size), (QStringList{"9", "10", "100", "1000000000"}));
    // The order flips whichever column is clicked; empty sizes come first ascending.
    viewer.GetCacheURLList();
    viewer.SortByColumn(CacheColumn::Url);
    QVERIFY(viewer.sortDescending());
    viewer.SortByColumn(CacheColumn::Size);
    QCOMPARE(CacheRowText(viewer.rows().first(), CacheColumn::Size), QString());
}

void TestBrowserCache::viewerWindow()
{
    writeEntry(QStringLiteral("00000000000000a1"), QStringLiteral("http://h/a.pdf"), 10);
    writeEntry(QStringLiteral("00000000000000b2"), QStringLiteral("http://h/b.pdf"), 10);
    fIEcache *viewer = fIEcache::showModal(nullptr);
    QCOMPARE(fIEcache::instance(false), viewer);
    QCOMPARE(viewer->objectName(), QStringLiteral("fIEcache"));
    QCOMPARE(viewer->windowTitle(), SettingsStore::applicationTitle() + QStringLiteral("-IE浏览器Cookie 缓存和历史列表"));
    auto *list = viewer->findChild<QTreeWidget *>(QStringLiteral("ListView1"));
    QStringList headers, captions;
    for (const char *name : {"ListView1", "ListView2", "ListView3"}) {
        auto *l = viewer->findChild<QTreeWidget *>(QLatin1String(name));
        for (int c = 0; c < l->columnCount(); ++c)
            headers << l->headerItem()->text(c);
    }
    QCOMPARE(headers, (QStringList{"URL", "TYPE", "SIZE(Byte)", "FilePath", "用户名", "文件夹", "文件夹"}));
    QVERIFY(list->headerItem()->textAlignment(2) & Qt::AlignRight);
    for (int i = 1; i <= 6; ++i)
        captions << viewer->findChild<QPushButton *>(QStringLiteral("Command%1").arg(i))->text();
    QCOMPARE(captions, (QStringList{"查看我的缓存", "查看所有用户缓存", "删除所选文件", "全部删除", "复制选中...", "关闭"}));
    QCOMPARE(list->editTriggers(), QAbstractItemView::NoEditTriggers);

    viewer->Command1_Click();
    QCOMPARE(list->topLevelItemCount(), 3);
    QCOMPARE(viewer->findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("共有3 个文件"));
    QVERIFY(list->topLevelItem(0)->textAlignment(2) & Qt::AlignRight);

    // "复制选中..." with only the cookie selected: an empty tool that ends silently.
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        list->topLevelItem(i)->setSelected(list->topLevelItem(i)->text(0).startsWith(QLatin1String("Cookie")));
    viewer->Command5_Click();
    auto *tool = viewer->findChild<Form_Copy_Move *>();
    QVERIFY(tool && tool->isVisible());
    QCOMPARE(tool->windowTitle(), QStringLiteral("复制文件：0 个文件..."));
    QVERIFY(!tool->IsMove());
    tool->执行(true);
    QVERIFY(!tool->isRunning());
    QVERIFY(m_dialogs->messages().isEmpty());
    tool->close();
    QTest::qWait(0);

    // Every row selected: the two files, in list order.
    list->selectAll();
    viewer->Command5_Click();
    tool = nullptr;
    for (Form_Copy_Move *t : viewer->findChildren<Form_Copy_Move *>())
        if (t->isVisible())
            tool = t;
    QVERIFY(tool);
    QCOMPARE(tool->windowTitle(), QStringLiteral("复制文件：2 个文件..."));
    QCOMPARE(tool->Files().size(), 2);
    tool->close();

    // A header click sorts the shown list.
    list->header()->sectionClicked(0);
    QCOMPARE(list->topLevelItem(0)->text(0), QStringLiteral("http://h/b.pdf"));

    // "删除所选文件" with everything selected keeps the cookie and lists again.
    list->selectAll();
    viewer->Command3_Click();
    QCOMPARE(list->topLevelItemCount(), 1);
    QVERIFY(list->topLevelItem(0)->text(0).startsWith(QLatin1String("Cookie")));
    QCOMPARE(FilesUnder(m_cache), QStringList{});
}

void TestBrowserCache::clearBrowserCacheClosesTheViewer()
{
    writeEntry(QStringLiteral("00000000000000a1"), QStringLiteral("http://h/a.pdf"), 10);
    const QString other = m_root + QStringLiteral("zoe") + kBelowHome;
    QDir().mkpath(other + QStringLiteral("/sub"));
    WriteFile(other + QStringLiteral("/sub/x.dat"), "x");
    WriteFile(other + QStringLiteral("/keep.txt"), "t");
    QPointer<fIEcache> open = fIEcache::showModal(nullptr);

    ClearBrowserCache(false);
    QVERIFY(open.isNull());
    QVERIFY(m_dialogs->messages().isEmpty());
    QCOMPARE(FilesUnder(m_cache), QStringList{});
    QCOMPARE(FilesUnder(other), QStringList{"keep.txt"});
    QVERIFY(!QFileInfo::exists(other + QStringLiteral("/sub")));
    QCOMPARE(m_cookies.size(), 1);

    ClearBrowserCache(true); // loaded unseen when there is none
    QCOMPARE(m_dialogs->messages(), QStringList{"IE缓存清空完毕！"});
    QCOMPARE(m_dialogs->shown().last().icon, MessageIcon::Information);
    QVERIFY(!fIEcache::instance(false));
}

void TestBrowserCache::realProfileCache()
{
    PortalProcess portal;
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    const BrowserCacheLocation location = ProgramCacheLocation();
    QVERIFY(location.cacheFolder.startsWith(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    QVERIFY(!location.cacheFoldersBelowHome.isEmpty());
    BrowserCacheViewer viewer(location);
    auto listed = [&](const QString &address) {
        viewer.GetCacheURLList();
        for (const CacheRow &row : viewer.rows())
            if (row.text == address && !row.filePath.isEmpty() && row.size.value_or(0) > 0)
                return true;
        return false;
    };

    auto *page = new QWebEnginePage(&BrowserProfile());
    const QString first = portal.url(QStringLiteral("search?q=cache&page=1"));
    QVERIFY(LoadAndWait(page, QUrl(first)));
    RunPageScript(page, QStringLiteral("document.cookie = 'keep=1; path=/; max-age=3600'; 1"));
    QVERIFY2(SpinUntil([&] { return listed(first); }), qPrintable(viewer.countText()));
    QVERIFY(SpinUntil([&] {
        viewer.GetCacheURLList();
        for (const CacheRow &row : viewer.rows())
            if (row.text.startsWith(QLatin1String("Cookie:keep@")))
                return true;
        return false;
    }));

    viewer.DeleteAll();
    QVERIFY(!listed(first));
    bool cookieKept = false;
    for (const CacheRow &row : viewer.rows())
        cookieKept = cookieKept || row.text.startsWith(QLatin1String("Cookie:keep@"));
    QVERIFY(cookieKept);

    // The browser goes on working on its cache and fills it again.
    const QString second = portal.url(QStringLiteral("search?q=cache&page=2"));
    QVERIFY(LoadAndWait(page, QUrl(second)));
    QVERIFY(SpinUntil([&] { return listed(second); }));
    QVERIFY(LoadAndWait(page, QUrl(first)));
    QVERIFY(SpinUntil([&] { return listed(first); }));
    QCOMPARE(portal.requestsTo(QStringLiteral("q=cache&page=1")).size(), 2);

    // All users' caches emptied, this profile's among them: it still caches.
    QCOMPARE(location.profilesRoot, m_tmp.path() + QLatin1Char('/'));
    viewer.ListAllUsers();
    QVERIFY(!viewer.users().isEmpty());
    for (const CacheUserRow &user : viewer.users())
        QCOMPARE(user.userName, QStringLiteral("realhome"));
    QVERIFY(!viewer.rows().isEmpty());
    viewer.DeleteAll();
    QVERIFY(CacheEntryFiles(location.cacheFolder).isEmpty());
    const QString third = portal.url(QStringLiteral("search?q=cache&page=3"));
    QVERIFY(LoadAndWait(page, QUrl(third)));
    viewer.GetCacheURLList();
    QVERIFY(SpinUntil([&] { return listed(third); }));
    delete page;
}

QTEST_MAIN(TestBrowserCache)
#include "tst_browsercache.moc"
