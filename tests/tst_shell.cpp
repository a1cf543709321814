// The shell under offscreen QtWebEngine: the cover window's load step and its
// start-up steps, the passing between the cover, the harvesting window and
// the download window in both orders, the usage notes, the cache viewer and
// clean-up behind both windows' menus, and the newer-version notice against
// the sample portal's version file.
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSettings.h"
#include "download/ui/fFileDownload.h"
#include "harvest/flow/PortalAddress.h"
#include "harvest/ui/fWebSearch.h"
#include "platform/SettingsStore.h"
#include "shell/AppShell.h"
#include "shell/core/StartupSequence.h"
#include "shell/core/VersionCheck.h"
#include "shell/core/VersionRule.h"
#include "shell/fCover.h"
#include "shell/fUse.h"
#include "tools/ui/fIEcache.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WebEngineWait.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
constexpr int kReplyMs = 10000;

QUrl refusedAddress()
{
    return QUrl(RefusedLoopbackUrl(QStringLiteral("litharvest/newver.txt")));
}
} // namespace

class TestShell : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void coverLoadRunsTheStepsInOrder();
    void closingTheCoverEndsTheProgram();
    void harvestClosedFirst();
    void downloadClosedFirst();
    void usageNotes();
    void cacheViewerAndClearing();
    void versionNotice_data();
    void versionNotice();

private:
    // Both main windows gone, their deferred deletes done.
    bool mainWindowsGone();

    QTemporaryDir m_dir;
    PortalProcess m_portal;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<AppShell> m_shell;
};

void TestShell::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY2(m_portal.start(), qPrintable(m_portal.errorString()));
    QVERIFY(PortalAddress::instance().overrideBase(m_portal.base()));
}

void TestShell::init()
{
    const QString ini = m_dir.filePath(QStringLiteral("settings.ini"));
    QFile::remove(ini);
    SettingsStore::useFile(ini);
    DownloadSettings::instance().reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_shell = std::make_unique<AppShell>();
}

void TestShell::cleanup()
{
    if (fFileDownload *downloads = fFileDownload::instance(false))
        downloads->close();
    if (fWebSearch *harvest = fWebSearch::instance(false))
        harvest->close();
    QVERIFY(mainWindowsGone());
    m_shell.reset();
    m_dialogs.reset();
    SettingsStore::useFile(QString());
}

bool TestShell::mainWindowsGone()
{
    return SpinUntil([] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (qobject_cast<fWebSearch *>(w) || qobject_cast<fFileDownload *>(w))
                return false;
        }
        return true;
    });
}

void TestShell::coverLoadRunsTheStepsInOrder()
{
    SettingsStore::instance().write(QStringLiteral("设置"), QStringLiteral("文件最大值"), QStringLiteral("25"));
    fCover &cover = m_shell->cover();
    QStringList steps;
    connect(&cover.startup(), &StartupSequence::stepDone, this, [&](const QString &name) {
        // While the steps run the window is on screen with its notice.
        QVERIFY(cover.isVisible());
        QVERIFY(cover.loadingLabel()->isVisible() || name == QStringLiteral("Ready"));
        steps << name;
    });
    m_shell->start();

    QCOMPARE(cover.windowTitle(), SettingsStore::applicationTitle());
    QCOMPARE(cover.versionLabel()->text(), QStringLiteral("版本:") + ProgramVersionText());
    QCOMPARE(cover.noticeLabel()->text(),
             QStringLiteral("(该软件仅用于爱学习的人们辅助少量下载；请不要恶意下载和大量下载！)"));
    QCOMPARE(cover.searchButton()->text(), QStringLiteral("搜索文档下载"));
    QCOMPARE(cover.exitButton()->text(), QStringLiteral("退出软件"));
    QVERIFY(cover.isVisible());
    QVERIFY(cover.loadingLabel()->isVisible());
    QCOMPARE(cover.loadingLabel()->text(), QStringLiteral("正在加载组件，请稍候..."));
    QVERIFY(!cover.searchButton()->isEnabled());
    QVERIFY(steps.isEmpty()); // shown first; the steps come from the event loop

    QTRY_VERIFY(cover.startup().isDone());
    QCOMPARE(steps, QStringList({QStringLiteral("SystemBits"), QStringLiteral("BrowserEmulation"),
                                 QStringLiteral("MaxFileSizeMB"), QStringLiteral("VersionCheck"),
                                 QStringLiteral("Ready")}));
    QVERIFY(!cover.loadingLabel()->isVisible());
    QVERIFY(cover.searchButton()->isEnabled());
    QCOMPARE(cover.browserEmulationValue().value_or(0), 10001u);
    QCOMPARE(DownloadSettings::instance().maxFileSizeMB(), 25.0);
    // No version-file address: nothing asked, nothing shown.
    QVERIFY(!cover.versionCheck().isRunning());
    QVERIFY(!cover.newestVersionLabel()->isVisible());
    QVERIFY(m_dialogs->messages().isEmpty());

    // The picture 30 twips from the left and top; the window 150 twips wider.
    QVERIFY(!cover.picture()->pixmap().isNull());
    QCOMPARE(cover.picture()->pos(), QPoint(2, 2));
    QCOMPARE(cover.width(), cover.picture()->width() + 10);
    cover.resize(cover.width() + 300, cover.height());
    QCOMPARE(cover.width(), cover.picture()->width() + 10);
    QVERIFY(!cover.windowIcon().isNull());
}

void TestShell::closingTheCoverEndsTheProgram()
{
    QSignalSpy quit(m_shell.get(), &AppShell::quitRequested);
    m_shell->start();
    QTRY_VERIFY(m_shell->cover().startup().isDone());
    m_shell->cover().exitButton()->click();
    QCOMPARE(quit.size(), 1);
    QVERIFY(!m_shell->cover().isVisible());

    m_shell->cover().show();
    m_shell->cover().close(); // the close box
    QCOMPARE(quit.size(), 2);
}

void TestShell::harvestClosedFirst()
{
    fCover &cover = m_shell->cover();
    m_shell->start();
    QTRY_VERIFY(cover.startup().isDone());
    cover.searchButton()->click();
    fWebSearch *harvest = fWebSearch::instance(false);
    QVERIFY(harvest && harvest->isVisible());
    QVERIFY(!cover.isVisible()); // hidden, not closed
    QCOMPARE(harvest->windowIcon().cacheKey(), cover.windowIcon().cacheKey());
    QVERIFY(!fFileDownload::instance(false));

    harvest->menus().menu打开下载窗口->trigger();
    fFileDownload *downloads = fFileDownload::instance(false);
    QVERIFY(downloads && downloads->isVisible());
    QCOMPARE(downloads->windowIcon().cacheKey(), cover.windowIcon().cacheKey());

    // Closing the harvesting window while the download window is open leaves
    // the cover hidden; closing the download window then shows it.
    QVERIFY(harvest->close());
    QVERIFY(!cover.isVisible());
    QVERIFY(downloads->close());
    QVERIFY(cover.isVisible());
    QVERIFY(mainWindowsGone());
}

void TestShell::downloadClosedFirst()
{
    fCover &cover = m_shell->cover();
    m_shell->start();
    QTRY_VERIFY(cover.startup().isDone());
    fWebSearch *harvest = m_shell->openHarvestWindow();
    harvest->menus().menu打开下载窗口->trigger();
    QPointer<fFileDownload> downloads = fFileDownload::instance(false);
    QVERIFY(downloads);
    QVERIFY(downloads->close());
    QVERIFY(!cover.isVisible()); // the harvesting window is still open

    // Opened again, the download window loads afresh: an empty list.
    QVERIFY(SpinUntil([&] { return !downloads; }));
    harvest->menus().menu打开下载窗口->trigger();
    downloads = fFileDownload::instance(false);
    QVERIFY(downloads && downloads->isVisible());
    QCOMPARE(downloads->listModel().count(), 0);

    // Its "资料检索分析窗口" brings a closed harvesting window back.
    QPointer<fWebSearch> first = harvest;
    QVERIFY(harvest->close());
    QVERIFY(!cover.isVisible());
    QVERIFY(SpinUntil([&] { return !first; }));
    downloads->menus().menu资料检索分析窗口->trigger();
    harvest = fWebSearch::instance(false);
    QVERIFY(harvest && harvest->isVisible());
    QVERIFY(!cover.isVisible());

    QVERIFY(downloads->close());
    QVERIFY(!cover.isVisible());
    QVERIFY(harvest->close());
    QVERIFY(cover.isVisible());
}

void TestShell::usageNotes()
{
    fWebSearch *harvest = m_shell->openHarvestWindow();
    QAction *entry = harvest->menus().menu使用方法;
    QVERIFY(entry->isEnabled());
    entry->trigger();
    auto *notes = qobject_cast<fUse *>(QApplication::activeModalWidget());
    QVERIFY(notes);
    QVERIFY(notes->isModal());
    QCOMPARE(notes->windowTitle(), QStringLiteral("使用说明-") + SettingsStore::applicationTitle());
    QVERIFY(notes->text()->isReadOnly());
    const QString text = notes->text()->toPlainText();
    for (const char *caption : {"限速延时", "加入本页到列表", "加入全部到列表", "分析下载", "网页登录", "关闭（隐藏）",
                                "下载方式一", "开始下载", "有5个以上下载出错或者网页文件，就停止下载"})
        QVERIFY2(text.contains(QString::fromUtf8(caption)), caption);
    QPointer<fUse> gone = notes;
    auto *close = notes->findChild<QPushButton *>(QStringLiteral("Command1"));
    QCOMPARE(close->text(), QStringLiteral("关闭"));
    close->click();
    QVERIFY(SpinUntil([&] { return !gone; }));
}

void TestShell::cacheViewerAndClearing()
{
    // A cache of its own, so that no real profile's files are touched.
    const QString cache = m_dir.filePath(QStringLiteral("cache"));
    QVERIFY(QDir().mkpath(cache));
    fIEcache::setLocationSource([cache] {
        BrowserCacheLocation location;
        location.cacheFolder = cache;
        return location;
    });
    fWebSearch *harvest = m_shell->openHarvestWindow();
    QAction *view = harvest->menus().menu查看IE浏览器缓存;
    QVERIFY(view->isEnabled());
    view->trigger();
    QPointer<fIEcache> viewer = qobject_cast<fIEcache *>(QApplication::activeModalWidget());
    QVERIFY(viewer);
    QCOMPARE(viewer->parentWidget(), harvest);

    // Both windows' "清空IE浏览器缓存" run the tool's clean-up, which closes
    // an open viewer.
    harvest->menus().menu清空IE浏览器缓存->trigger();
    QVERIFY(viewer.isNull());
    fFileDownload *downloads = m_shell->loadDownloadWindow();
    downloads->menus().menu清空IE浏览器缓存->trigger();
    QCOMPARE(m_dialogs->messages(), (QStringList{"IE缓存清空完毕！", "IE缓存清空完毕！"}));
    fIEcache::setLocationSource(nullptr);
}

void TestShell::versionNotice_data()
{
    QTest::addColumn<QString>("answer");       // the portal's version file
    QTest::addColumn<bool>("primaryFails");
    QTest::addColumn<bool>("secondaryFails");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("label");        // empty: the label stays hidden
    const QString newer = QStringLiteral("有最新版本可以更新升级！！");
    const QString fail1 = QStringLiteral("请保持网络畅通-1！");
    const QString fail2 = QStringLiteral("请保持网络畅通-2！");
    QTest::newRow("equal") << "1.1.731" << false << false << QStringList() << "";
    QTest::newRow("newer") << "1.2.0" << false << false << QStringList({newer}) << "有最新版本：V1.2.0可以下载升级";
    QTest::newRow("malformed") << "1.2.0.1" << false << false << QStringList() << "";
    QTest::newRow("secondary answers") << "1.2.0" << true << false << QStringList({fail1, newer})
                                       << "有最新版本：V1.2.0可以下载升级";
    QTest::newRow("both fail") << "1.2.0" << true << true << QStringList({fail1, fail2}) << "";
}

void TestShell::versionNotice()
{
    QFETCH(QString, answer);
    QFETCH(bool, primaryFails);
    QFETCH(bool, secondaryFails);
    QFETCH(QStringList, messages);
    QFETCH(QString, label);
    PortalProcess versions({QStringLiteral("--version-text"), answer});
    QVERIFY2(versions.start(), qPrintable(versions.errorString()));
    const QUrl file(versions.url(QStringLiteral("litharvest/newver.txt")));

    fCover &cover = m_shell->cover();
    QList<QUrl> opened;
    cover.openInBrowser = [&](const QUrl &page) { opened << page; };
    VersionSource source;
    source.primary = primaryFails ? refusedAddress() : file;
    source.secondary = secondaryFails ? refusedAddress() : file;
    source.downloadPage = QUrl(versions.url(QStringLiteral("litharvest/")));
    cover.versionCheck().setSource(source);
    cover.versionCheck().setRunningVersion(QStringLiteral("1.1.731"));
    QSignalSpy finished(&cover.versionCheck(), &VersionCheck::finished);
    m_shell->start();
    QVERIFY(finished.wait(kReplyMs));

    QCOMPARE(m_dialogs->messages(), messages);
    QCOMPARE(cover.newestVersionLabel()->isVisible(), !label.isEmpty());
    if (label.isEmpty()) {
        QVERIFY(opened.isEmpty());
        return;
    }
    QCOMPARE(cover.newestVersionLabel()->text(), label);
    QCOMPARE(opened, QList<QUrl>({source.downloadPage}));
    QTest::mouseClick(cover.newestVersionLabel(), Qt::LeftButton);
    QCOMPARE(opened.size(), 2); // a click on the label opens the page again
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
