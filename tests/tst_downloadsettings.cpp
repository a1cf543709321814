// The download manager's settings: first-run defaults, what the store holds
// after each store step, the thread-count index rules, the recent-folder file
// "SaveList.dat", and the two dialogs that store them: the options dialog
// (which stores as it goes, so a refused 确定 leaves earlier values stored)
// and the save-folder chooser, with the folder picker under both.
#include "common/TextCodec.h"
#include "common/ui/DialogRoutines.h"
#include "download/core/DownloadSession.h"
#include "download/core/DownloadSettings.h"
#include "download/core/RecentFolderList.h"
#include "download/dialogs/fOption.h"
#include "download/dialogs/fSeleFileSavePath.h"
#include "download/scheduler/DownloadScheduler.h"
#include "download/ui/fFileDownload.h"
#include "platform/SettingsStore.h"
#include "tests/support/NamedControl.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

namespace {
QString stored(const QString &section, const QString &key)
{
    return SettingsStore::instance().read(section, key, QStringLiteral("<absent>"));
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

    void optionsStoreAndClose();
    void optionsRefusalKeepsEarlierStores_data();
    void optionsRefusalKeepsEarlierStores();
    void optionsShowValuesAndReachTheWindow();
    void optionsWithoutDownloadWindowShowStoredValues();
    void maxSizeStoredAsPlainDecimal_data();
    void maxSizeStoredAsPlainDecimal();
    void malformedFolderKeepsDialogsOpen();
    void chooserAcceptsAndRemembers();
    void chooserCancelAndBadFolder();
    void chooserFullListMakesRoom();
    void browseForFolder_data();
    void browseForFolder();

private:
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestDownloadSettings::init()
{
    QStandardPaths::setTestModeEnabled(true);
    QFile::remove(SaveListFilePath());
    m_dialogs = std::make_unique<ScriptedDialogs>();
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
    DownloadSettings::instance().reset();
}

void TestDownloadSettings::cleanup()
{
    delete fFileDownload::instance(false);
    m_dialogs.reset();
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
    options.duplicateMode = DuplicateMode::Skip;
    s.fillOptions(options);
    QCOMPARE(DuplicateModeText(options.duplicateMode), QStringLiteral("重命名"));
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
    QCOMPARE(int(options.method), 1);
    QCOMPARE(DuplicateModeText(options.duplicateMode), QStringLiteral("覆盖"));
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
    QVERIFY(TestFiles::WriteFile(path, bytes));
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
    QVERIFY(TestFiles::WriteFile(path, bytes));
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
    QCOMPARE(TestFiles::ReadAll(path), EncodeAnsi(QStringLiteral("/资料/下载\r\n/data/a\r\n/data/a\r\n")));
    QVERIFY(TestFiles::ReadAll(path).startsWith("/\xd7\xca\xc1\xcf/")); // 资料 in GBK

    QVERIFY(SaveListToFile(QStringList(), path));
    QCOMPARE(TestFiles::ReadAll(path), QByteArray("\r\n"));
    QStringList back({QStringLiteral("/old")});
    QVERIFY(LoadListFromFile(back, path));
    QVERIFY(back.isEmpty());
}

namespace {
template<typename T>
T *child(QWidget *dialog, const char *name)
{
    return NamedControl<T>(dialog, name);
}
} // namespace

void TestDownloadSettings::optionsStoreAndClose()
{
    fFileDownload *window = fFileDownload::instance(true);
    window->scheduler().setManualTicks(true);
    QPointer<fOption> dialog = fOption::showModal(window);
    child<QRadioButton>(dialog, "Option1")->setChecked(true);
    child<QCheckBox>(dialog, "Check1")->setChecked(true);
    child<QLineEdit>(dialog, "Text6")->setText(QStringLiteral(" proxy.example.net "));
    child<QLineEdit>(dialog, "Text8")->setText(QStringLiteral("abc"));
    child<QCheckBox>(dialog, "Check2")->setChecked(false);
    child<QLineEdit>(dialog, "Text1")->setText(QStringLiteral("25.5"));
    child<QLineEdit>(dialog, "Text2")->setText(path(QStringLiteral("新下载")));
    dialog->Command1_Click();

    // The port check complains but stops nothing.
    QCOMPARE(m_dialogs->messages(), QStringList({QStringLiteral("代理服务器网址或者端口格式不对！")}));
    QCOMPARE(m_dialogs->shown().first().icon, MessageIcon::Error);
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器有效")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器网址")), QStringLiteral("proxy.example.net"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器端口")), QStringLiteral("abc"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("文件最大值")), QStringLiteral("25.5"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载文件保存路径")), path(QStringLiteral("新下载/")));
    QVERIFY(QFileInfo(path(QStringLiteral("新下载"))).isDir());
    QCOMPARE(DownloadSettings::instance().defaultSaveFolder(), path(QStringLiteral("新下载/")));
    QVERIFY(!dialog || !dialog->isVisible());

    // The open download window follows at once.
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("Label7"))->text(), QStringLiteral("下载方式：1"));
    QVERIFY(!window->findChild<QComboBox *>(QStringLiteral("Combo1"))->isEnabled());
    QCOMPARE(int(window->session().options().method), 1);
    QCOMPARE(window->session().options().maxFileSizeMB, 25.5);
    QCOMPARE(window->session().options().proxyPort, QStringLiteral("abc"));
}

void TestDownloadSettings::optionsRefusalKeepsEarlierStores_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("storedSize");
    QTest::newRow("blank folder") << "12" << "   " << "下载文件默认保存路径设置错误！" << "12";
    QTest::newRow("folder under a file") << "12" << "$T/plain.txt/sub" << "下载文件默认保存路径设置错误！" << "12";
    QTest::newRow("size not a number") << "viel" << "$T/ok" << "下载文件大小设置错误！" << "<absent>";
    QTest::newRow("size zero") << "0" << "$T/ok" << "下载文件大小设置错误！" << "<absent>";
}

void TestDownloadSettings::optionsRefusalKeepsEarlierStores()
{
    QFETCH(QString, size);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    QFile plain(path(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    QPointer<fOption> dialog = fOption::showModal(nullptr); // no download window open
    child<QRadioButton>(dialog, "Option2")->setChecked(true);
    child<QLineEdit>(dialog, "Text6")->setText(QStringLiteral("host"));
    child<QLineEdit>(dialog, "Text1")->setText(size);
    child<QLineEdit>(dialog, "Text2")->setText(folder.replace(QStringLiteral("$T"), m_dir.path()));
    dialog->Command1_Click();
    QCOMPARE(m_dialogs->lastMessage(), message);
    QVERIFY(dialog && dialog->isVisible());
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("2"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器网址")), QStringLiteral("host"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径")), QStringLiteral("1"));
    QTEST(stored(QStringLiteral("设置"), QStringLiteral("文件最大值")), "storedSize");
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载文件保存路径")), QStringLiteral("<absent>"));
    dialog->Command2_Click(); // 关闭 stores nothing more
    QVERIFY(!dialog->isVisible());
    delete dialog.data();
}

void TestDownloadSettings::optionsShowValuesAndReachTheWindow()
{
    SettingsStore::instance().write(QStringLiteral("设置"), QStringLiteral("下载文件保存路径"), path(QStringLiteral("存/")));
    SettingsStore::instance().write(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("1"));
    fFileDownload *window = fFileDownload::instance(true);
    window->scheduler().setManualTicks(true);
    auto *combo1 = window->findChild<QComboBox *>(QStringLiteral("Combo1"));
    QVERIFY(!combo1->isEnabled());
    std::unique_ptr<fOption> dialog(new fOption(window));
    QVERIFY(child<QRadioButton>(dialog.get(), "Option1")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog.get(), "Text1")->text(), QStringLiteral("10"));
    QVERIFY(child<QCheckBox>(dialog.get(), "Check2")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog.get(), "Text2")->text(), path(QStringLiteral("存/")));
    child<QRadioButton>(dialog.get(), "Option2")->setChecked(true);
    dialog->Command1_Click();
    QVERIFY(m_dialogs->messages().isEmpty());
    QCOMPARE(window->findChild<QLabel *>(QStringLiteral("Label7"))->text(), QStringLiteral("下载方式：2"));
    QVERIFY(combo1->isEnabled());
    QCOMPARE(combo1->currentText(), QStringLiteral("1"));
}

void TestDownloadSettings::optionsWithoutDownloadWindowShowStoredValues()
{
    // Opened from the harvesting window before any download window: 确定
    // must store what the user had, not the built-in defaults.
    SettingsStore &store = SettingsStore::instance();
    store.write(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("1"));
    store.write(QStringLiteral("设置"), QStringLiteral("代理服务器有效"), QStringLiteral("1"));
    store.write(QStringLiteral("设置"), QStringLiteral("代理服务器网址"), QStringLiteral("proxy.example.net"));
    store.write(QStringLiteral("设置"), QStringLiteral("代理服务器端口"), QStringLiteral("3128"));
    store.write(QStringLiteral("设置"), QStringLiteral("文件最大值"), QStringLiteral("250"));
    store.write(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径"), QStringLiteral("0"));
    store.write(QStringLiteral("设置"), QStringLiteral("下载文件保存路径"), path(QStringLiteral("存/")));
    QPointer<fOption> dialog = fOption::showModal(nullptr);
    QVERIFY(child<QRadioButton>(dialog, "Option1")->isChecked());
    QVERIFY(child<QCheckBox>(dialog, "Check1")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "Text6")->text(), QStringLiteral("proxy.example.net"));
    QCOMPARE(child<QLineEdit>(dialog, "Text8")->text(), QStringLiteral("3128"));
    QCOMPARE(child<QLineEdit>(dialog, "Text1")->text(), QStringLiteral("250"));
    QVERIFY(!child<QCheckBox>(dialog, "Check2")->isChecked());
    QCOMPARE(child<QLineEdit>(dialog, "Text2")->text(), path(QStringLiteral("存/")));
    dialog->Command1_Click();
    QVERIFY(m_dialogs->messages().isEmpty());
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器有效")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器网址")), QStringLiteral("proxy.example.net"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("代理服务器端口")), QStringLiteral("3128"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("文件最大值")), QStringLiteral("250"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径")), QStringLiteral("0"));

    // A method chosen with "切换" in an open download window is this run's
    // value and the dialog shows it rather than the stored one.
    fFileDownload *window = fFileDownload::instance(true);
    window->scheduler().setManualTicks(true);
    DownloadSettings::instance().setDownloadMethod(2);
    std::unique_ptr<fOption> again(new fOption(window));
    QVERIFY(child<QRadioButton>(again.get(), "Option2")->isChecked());
}

void TestDownloadSettings::maxSizeStoredAsPlainDecimal_data()
{
    QTest::addColumn<double>("mb");
    QTest::addColumn<QString>("text");
    QTest::newRow("whole") << 10.0 << "10";
    QTest::newRow("fraction") << 0.1 << "0.1";
    QTest::newRow("seven digits") << 1234567.0 << "1234567";
    QTest::newRow("large with fraction") << 1234567.89 << "1234567.9";
}

void TestDownloadSettings::maxSizeStoredAsPlainDecimal()
{
    QFETCH(double, mb);
    DownloadSettings &s = DownloadSettings::instance();
    s.setMaxFileSizeMB(mb);
    s.storeMaxFileSizeMB();
    QTEST(stored(QStringLiteral("设置"), QStringLiteral("文件最大值")), "text");
    const float before = float(s.maxFileSizeMB());
    s.loadMaxFileSizeMB();
    QCOMPARE(float(s.maxFileSizeMB()), before);
    std::unique_ptr<fOption> dialog(new fOption);
    QTEST(child<QLineEdit>(dialog.get(), "Text1")->text(), "text");
}

void TestDownloadSettings::malformedFolderKeepsDialogsOpen()
{
    // "." is no folder name: the message comes once and both dialogs stay
    // open with the folder as typed, never taking its parent.
    const QString typed = path(QStringLiteral("下载/./论文"));
    const QString badMessage = QStringLiteral("文件夹名称有误！不能创建文件夹！");
    QPointer<fOption> options = fOption::showModal(nullptr);
    child<QLineEdit>(options, "Text2")->setText(typed);
    options->Command1_Click();
    QCOMPARE(m_dialogs->messages(), QStringList({badMessage}));
    QVERIFY(options && options->isVisible());
    QCOMPARE(child<QLineEdit>(options, "Text2")->text(), typed);
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载文件保存路径")), QStringLiteral("<absent>"));
    delete options.data();

    bool done = false;
    QPointer<fSeleFileSavePath> chooser
        = fSeleFileSavePath::showModal(nullptr, [&](const SaveFolderChoice &) { done = true; });
    child<QComboBox>(chooser, "Combo1")->setEditText(typed);
    chooser->Command2_Click();
    QCOMPARE(m_dialogs->messages(), QStringList({badMessage, badMessage}));
    QVERIFY(!done);
    QVERIFY(chooser && chooser->isVisible());
    QCOMPARE(child<QComboBox>(chooser, "Combo1")->currentText(), typed);
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载文件保存路径")), QStringLiteral("<absent>"));
    QVERIFY(!QFile::exists(SaveListFilePath()));
    delete chooser.data();
}

void TestDownloadSettings::chooserAcceptsAndRemembers()
{
    const QString a = path(QStringLiteral("甲"));
    const QString b = path(QStringLiteral("乙"));
    QVERIFY(SaveListToFile({a, b}, SaveListFilePath()));
    bool done = false;
    SaveFolderChoice answer;
    QPointer<fSeleFileSavePath> chooser = fSeleFileSavePath::showModal(nullptr, [&](const SaveFolderChoice &choice) {
        done = true;
        answer = choice;
        DownloadSettings::instance().takeSaveFolderChoice(choice); // as the harvesting window does
    });
    auto *combo = child<QComboBox>(chooser, "Combo1");
    QCOMPARE(combo->count(), 2);
    QCOMPARE(combo->currentText(), QDir::homePath() + QStringLiteral("/12345/"));
    QVERIFY(child<QRadioButton>(chooser, "Option2")->isChecked());
    QVERIFY(chooser->windowFlags() & Qt::WindowStaysOnTopHint);

    combo->setEditText(a); // a folder already listed
    child<QRadioButton>(chooser, "Option1")->setChecked(true);
    chooser->Command2_Click();
    QVERIFY(done);
    QVERIFY(m_dialogs->messages().isEmpty());
    QVERIFY(!answer.cancelled);
    QVERIFY(answer.keepSourceFileName);
    QCOMPARE(answer.folder, a + QStringLiteral("/"));
    QVERIFY(DownloadSettings::instance().keepSourceFileName());
    QCOMPARE(DownloadSettings::instance().defaultSaveFolder(), a + QStringLiteral("/"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载文件保存路径")), a + QStringLiteral("/"));
    QVERIFY(QFileInfo(a).isDir());
    // Written twice, offered once.
    QCOMPARE(TestFiles::ReadAll(SaveListFilePath()), EncodeAnsi(a + QStringLiteral("\r\n") + b + QStringLiteral("\r\n") + a + QStringLiteral("\r\n")));

    std::unique_ptr<fSeleFileSavePath> again(new fSeleFileSavePath);
    auto *combo2 = child<QComboBox>(again.get(), "Combo1");
    QCOMPARE(combo2->count(), 2);
    QCOMPARE(combo2->currentText(), a + QStringLiteral("/"));
    QVERIFY(child<QRadioButton>(again.get(), "Option1")->isChecked());
}

void TestDownloadSettings::chooserCancelAndBadFolder()
{
    QFile plain(path(QStringLiteral("plain.txt")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    std::unique_ptr<fSeleFileSavePath> chooser(new fSeleFileSavePath);
    child<QComboBox>(chooser.get(), "Combo1")->setEditText(path(QStringLiteral("plain.txt/sub")));
    child<QRadioButton>(chooser.get(), "Option1")->setChecked(true);
    chooser->Command2_Click();
    QCOMPARE(m_dialogs->lastMessage(), QStringLiteral("文件夹设置错误！"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载文件保存路径")), QStringLiteral("<absent>"));
    QVERIFY(!QFile::exists(SaveListFilePath()));
    QVERIFY(chooser->choice().folder.isEmpty()); // no answer yet: the chooser stays for a better folder

    chooser->Command3_Click();
    QVERIFY(chooser->choice().cancelled);
    // "原文件名" ticked before a refused folder and 取消 does not hold for the
    // hand-overs that follow.
    DownloadSettings::instance().takeSaveFolderChoice(chooser->choice());
    QVERIFY(!DownloadSettings::instance().keepSourceFileName());
    QCOMPARE(chooser->result(), int(QDialog::Rejected));
    QVERIFY(!QFile::exists(SaveListFilePath()));

    // The close box counts as 取消 too.
    std::optional<SaveFolderChoice> closedWith;
    QPointer<fSeleFileSavePath> other
        = fSeleFileSavePath::showModal(nullptr, [&](const SaveFolderChoice &choice) { closedWith = choice; });
    other->close();
    QVERIFY(closedWith && closedWith->cancelled);
}

void TestDownloadSettings::chooserFullListMakesRoom()
{
    QStringList full;
    for (int i = 1; i <= 100; ++i)
        full << QStringLiteral("/data/f%1").arg(i);
    QVERIFY(SaveListToFile(full, SaveListFilePath()));
    std::unique_ptr<fSeleFileSavePath> chooser(new fSeleFileSavePath);
    child<QComboBox>(chooser.get(), "Combo1")->setEditText(path(QStringLiteral("新")));
    chooser->Command2_Click();
    QStringList back;
    QVERIFY(LoadListFromFile(back, SaveListFilePath()));
    QCOMPARE(back.size(), 100);
    QCOMPARE(back.first(), QStringLiteral("/data/f2"));
    QCOMPARE(back.last(), path(QStringLiteral("新")));
}

void TestDownloadSettings::browseForFolder_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("pickerStart");
    QTest::addColumn<QString>("answer"); // "-" cancels
    QTest::addColumn<QString>("result");
    QTest::newRow("blank start opens home") << "  " << "~/" << "-" << "  ";
    QTest::newRow("folder opens its parent") << "$T/Down/" << "$T/" << "/x/y" << "/x/y/";
    QTest::newRow("path opens its folder") << "$T/a" << "$T/" << "-" << "$T/a/";
    QTest::newRow("missing folder opens home") << "/nonexistent-lh/a/b/" << "~/" << "-" << "/nonexistent-lh/a/b/";
    QTest::newRow("chosen root") << "$T/" << "$P/" << "/" << "/";
}

void TestDownloadSettings::browseForFolder()
{
    QFETCH(QString, start);
    QFETCH(QString, pickerStart);
    QFETCH(QString, answer);
    QFETCH(QString, result);
    QFile marker(path(QStringLiteral("marker")));
    QVERIFY(marker.open(QIODevice::WriteOnly)); // the temporary folder is not empty
    marker.close();
    auto expand = [this](QString s) {
        return s.replace(QStringLiteral("$T"), m_dir.path())
            .replace(QStringLiteral("$P"), QFileInfo(m_dir.path()).absolutePath())
            .replace(QStringLiteral("~"), QDir::homePath());
    };
    m_dialogs->answerFolder(answer == QStringLiteral("-") ? std::nullopt : std::optional<QString>(answer));
    QCOMPARE(BrowseForFolder(nullptr, expand(start), QStringLiteral("请选择要浏览的文件夹:"), false), expand(result));
    QCOMPARE(m_dialogs->shown().size(), 1);
    QCOMPARE(m_dialogs->shown().first().text, QStringLiteral("请选择要浏览的文件夹:"));
    QCOMPARE(m_dialogs->shown().first().extra, expand(pickerStart));
}

QTEST_MAIN(TestDownloadSettings)
#include "tst_downloadsettings.moc"
