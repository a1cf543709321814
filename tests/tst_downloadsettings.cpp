// The download manager's settings: first-run defaults, what the store holds
// after each store step, the thread-count index rules, and the recent-folder
// file "SaveList.dat".
#include "common/TextCodec.h"
#include "download/DownloadSession.h"
#include "download/DownloadSettings.h"
#include "download/RecentFolderList.h"
#include "platform/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString stored(const QString &section, const QString &key)
{
    return SettingsStore::instance().read(section, key, QStringLiteral("<absent>"));
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

class TestDownloadSettings : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void firstRunDefaults();
    void storeAndLoadAgain();
    void threadCountIndex_data();
    void threadCountIndex();
    void oddStoredValues();
    void fillOptions();

    void loadKeepsFirstHundredNonEmptyLines();
    void loadDropsRepeatsIgnoringCase();
    void loadWithoutFileLeavesListAlone();
    void saveWritesAnsiWithCrLf();

private:
    QTemporaryDir m_dir;
};

void TestDownloadSettings::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
    DownloadSettings::instance().reset();
}

void TestDownloadSettings::cleanup()
{
    SettingsStore::useFile(QString());
}

void TestDownloadSettings::firstRunDefaults()
{
    DownloadSettings &s = DownloadSettings::instance();
    QVERIFY(s.defaultSaveFolder().isEmpty()); // empty until the chooser loads it
    s.loadForDownloadWindow();
    s.loadPromptSaveFolderOnExtract();
    s.loadDefaultSaveFolder();
    QCOMPARE(s.downloadMethod(), 2);
    QCOMPARE(DownloadSettings::readThreadCountIndex(), 2); // three slots
    QCOMPARE(s.duplicateNamePolicy(), QStringLiteral("重命名"));
    QCOMPARE(s.proxyEnabled(), 0);
    QCOMPARE(s.proxyUrl(), QString());
    QCOMPARE(s.proxyPort(), QString());
    QCOMPARE(s.maxFileSizeMB(), 10.0);
    QCOMPARE(s.promptSaveFolderOnExtract(), 1);
    QCOMPARE(s.defaultSaveFolder(), QDir::homePath() + QStringLiteral("/12345/"));
    QVERIFY(!s.keepSourceFileName());
    // Loading writes nothing.
    QVERIFY(!SettingsStore::instance().contains(QStringLiteral("设置"), QStringLiteral("下载方式")));
}

void TestDownloadSettings::storeAndLoadAgain()
{
    DownloadSettings &s = DownloadSettings::instance();
    s.setDownloadMethod(1);
    s.setDuplicateNamePolicy(QStringLiteral("跳过"));
    s.setProxyEnabled(1);
    s.setProxyUrl(QStringLiteral("  proxy.example.net "));
    s.setProxyPort(QStringLiteral(" 3128 "));
    s.setMaxFileSizeMB(1.5);
    s.setPromptSaveFolderOnExtract(0);
    s.setDefaultSaveFolder(QStringLiteral("/data/下载/"));

    // Setters alone store nothing: the callers choose the moment.
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("<absent>"));

    s.storeDownloadMethod();
    s.storeDuplicateNamePolicy();
    s.storeProxyEnabled();
    s.storeProxyUrl();
    s.storeProxyPort();
    s.storeMaxFileSizeMB();
    s.storePromptSaveFolderOnExtract();
    s.storeDefaultSaveFolder();
    DownloadSettings::storeThreadCountIndex(4);

    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("专利下载"), QStringLiteral("重复文件名设置")), QStringLiteral("跳过"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器有效")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器网址")), QStringLiteral("proxy.example.net"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器端口")), QStringLiteral("3128"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("文件最大值")), QStringLiteral("1.5"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载文件保存路径")), QStringLiteral("/data/下载/"));
    QCOMPARE(stored(QStringLiteral("下载"), QStringLiteral("线程")), QStringLiteral("4"));

    s.reset();
    s.loadForDownloadWindow();
    s.loadPromptSaveFolderOnExtract();
    s.loadDefaultSaveFolder();
    QCOMPARE(s.downloadMethod(), 1);
    QCOMPARE(s.duplicateNamePolicy(), QStringLiteral("跳过"));
    QCOMPARE(s.proxyEnabled(), 1);
    QCOMPARE(s.proxyUrl(), QStringLiteral("proxy.example.net"));
    QCOMPARE(s.proxyPort(), QStringLiteral("3128"));
    QCOMPARE(s.maxFileSizeMB(), 1.5);
    QCOMPARE(s.promptSaveFolderOnExtract(), 0);
    QCOMPARE(s.defaultSaveFolder(), QStringLiteral("/data/下载/"));
    QCOMPARE(DownloadSettings::readThreadCountIndex(), 4);
}

void TestDownloadSettings::threadCountIndex_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("index");
    QTest::newRow("first") << "0" << 0;
    QTest::newRow("last") << "5" << 5;
    QTest::newRow("spaces") << " 3 " << 3;
    QTest::newRow("above") << "6" << 0;
    QTest::newRow("negative") << "-1" << 0;
    QTest::newRow("word") << "abc" << 0;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("fraction") << "2.5" << 0;
}

void TestDownloadSettings::threadCountIndex()
{
    QFETCH(QString, stored);
    QFETCH(int, index);
    SettingsStore::instance().write(QStringLiteral("下载"), QStringLiteral("线程"), stored);
    QCOMPARE(DownloadSettings::readThreadCountIndex(), index);
}

void TestDownloadSettings::oddStoredValues()
{
    SettingsStore &store = SettingsStore::instance();
    store.write(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("7"));
    store.write(QStringLiteral("设置"), QStringLiteral("文件最大值"), QStringLiteral("viel"));
    store.write(QStringLiteral("设置"), QStringLiteral("代理服务器有效"), QStringLiteral("ja"));
    store.write(QStringLiteral("专利下载"), QStringLiteral("重复文件名设置"), QStringLiteral("忽略"));
    DownloadSettings &s = DownloadSettings::instance();
    s.loadForDownloadWindow();
    QCOMPARE(s.downloadMethod(), 2);
    // Not 0 MB, which would skip every download as too big.
    QCOMPARE(s.maxFileSizeMB(), 10.0);
    QCOMPARE(s.proxyEnabled(), 0);
    // Kept as read; the window shows "重命名" for it and the engines get that.
    QCOMPARE(s.duplicateNamePolicy(), QStringLiteral("忽略"));
    DownloadOptions options;
    options.duplicateMode = QStringLiteral("跳过");
    s.fillOptions(options);
    QCOMPARE(options.duplicateMode, QStringLiteral("重命名"));
}

void TestDownloadSettings::fillOptions()
{
    DownloadSettings &s = DownloadSettings::instance();
    s.setDownloadMethod(1);
    s.setDuplicateNamePolicy(QStringLiteral("覆盖"));
    s.setMaxFileSizeMB(0.5);
    s.setProxyEnabled(1);
    s.setProxyUrl(QStringLiteral("127.0.0.1"));
    s.setProxyPort(QStringLiteral("8888"));
    DownloadOptions options;
    options.threadCount = 5;
    options.soundPrompt = true;
    s.fillOptions(options);
    QCOMPARE(options.method, 1);
    QCOMPARE(options.duplicateMode, QStringLiteral("覆盖"));
    QCOMPARE(options.maxFileSizeMB, 0.5);
    QVERIFY(options.proxyEnabled);
    QCOMPARE(options.proxyUrl, QStringLiteral("127.0.0.1"));
    QCOMPARE(options.proxyPort, QStringLiteral("8888"));
    // The window's controls own these.
    QCOMPARE(options.threadCount, 5);
    QVERIFY(options.soundPrompt);
}

void TestDownloadSettings::loadKeepsFirstHundredNonEmptyLines()
{
    QByteArray bytes;
    for (int i = 1; i <= 150; ++i)
        bytes += "/data/f" + QByteArray::number(i) + "\r\n" + (i % 10 == 0 ? "   \r\n\r\n" : "");
    const QString path = m_dir.filePath(QStringLiteral("SaveList.dat"));
    writeBytes(path, bytes);
    QStringList list;
    QVERIFY(LoadListFromFile(list, path));
    QCOMPARE(list.size(), 100);
    QCOMPARE(list.first(), QStringLiteral("/data/f1"));
    QCOMPARE(list.last(), QStringLiteral("/data/f100"));
}

void TestDownloadSettings::loadDropsRepeatsIgnoringCase()
{
    // GB18030 text, spaces around entries, and old files' bare LF ends.
    QByteArray bytes = EncodeAnsi(QStringLiteral("  /Data/Books\r\n/data/books\n/资料/下载\r\n/data/BOOKS\r\n"));
    // 96 more distinct lines: the repeats above counted, so line 101 is out.
    for (int i = 1; i <= 97; ++i)
        bytes += "/x" + QByteArray::number(i) + "\r\n";
    const QString path = m_dir.filePath(QStringLiteral("SaveList.dat"));
    writeBytes(path, bytes);
    QStringList list;
    QVERIFY(LoadListFromFile(list, path));
    QCOMPARE(list.mid(0, 2), QStringList({QStringLiteral("/Data/Books"), QStringLiteral("/资料/下载")}));
    QCOMPARE(list.last(), QStringLiteral("/x96"));
    QCOMPARE(list.size(), 98);
}

void TestDownloadSettings::loadWithoutFileLeavesListAlone()
{
    QStringList list({QStringLiteral("/keep")});
    QVERIFY(!LoadListFromFile(list, m_dir.filePath(QStringLiteral("none.dat"))));
    QCOMPARE(list, QStringList({QStringLiteral("/keep")}));
}

void TestDownloadSettings::saveWritesAnsiWithCrLf()
{
    const QString path = m_dir.filePath(QStringLiteral("sub/SaveList.dat"));
    const QStringList list({QStringLiteral("/资料/下载"), QStringLiteral("/data/a"), QStringLiteral("/data/a")});
    QVERIFY(SaveListToFile(list, path));
    QCOMPARE(readBytes(path), EncodeAnsi(QStringLiteral("/资料/下载\r\n/data/a\r\n/data/a\r\n")));
    QVERIFY(readBytes(path).startsWith("/\xd7\xca\xc1\xcf/")); // 资料 in GBK

    QVERIFY(SaveListToFile(QStringList(), path));
    QCOMPARE(readBytes(path), QByteArray("\r\n"));
    QStringList back({QStringLiteral("/old")});
    QVERIFY(LoadListFromFile(back, path));
    QVERIFY(back.isEmpty());
}

QTEST_GUILESS_MAIN(TestDownloadSettings)
#include "tst_downloadsettings.moc"
