// The harvesting window's browser pane on the sample portal's browser pages
// (new windows, window.close(), script dialogs, frames, saving the page),
// and the window's own rules: the splitter snap, the delay selector and the
// closing steps. Runs under offscreen QtWebEngine; each page load costs.
#include "common/TextCodec.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSettings.h"
#include "download/dialogs/fSeleFileSavePath.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/flow/PageHarvester.h"
#include "harvest/flow/PortalAddress.h"
#include "harvest/ui/fWebSearch.h"
#include "harvest/ui/HarvestBrowserPage.h"
#include "harvest/ui/SplitterBar.h"
#include "platform/NetworkAccess.h"
#include "platform/web/BrowserProfile.h"
#include "platform/SettingsStore.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WebEngineWait.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QNetworkReply>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineHistory>
#include <QWebEngineView>

namespace {
constexpr int kLoadMs = 20000;

int webViews()
{
    int n = 0;
    for (QWidget *w : QApplication::allWidgets())
        n += qobject_cast<QWebEngineView *>(w) ? 1 : 0;
    return n;
}
} // namespace

class TestWebSearch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void newWindowRequestsOpenInThePane();
    void windowCloseByScriptIsRefused();
    void scriptDialogsFollowTheBox();
    void framesDoNotEndThePageLoad();
    void saveWebPageAsWritesLiveMarkup();
    void addThisPageAfterCancelledChooser();
    void browserSignInCarriesToDownloads();
    void downloadSignInCarriesToBrowser();
    void browserDownloadGoesToTheList();
    void closingEndsAddAllRun();
    void windowRules();

private:
    bool open(const QString &relative);

    QTemporaryDir m_dir;
    PortalProcess m_portal;
    ScriptedDialogs *m_dialogs = nullptr;
    QPointer<fWebSearch> m_window;
};

void TestWebSearch::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
    SettingsStore::instance().write(QStringLiteral("设置"), QStringLiteral("提取网页信息时提示下载保存路径"),
                                    QStringLiteral("0"));
    QVERIFY2(m_portal.start(), qPrintable(m_portal.errorString()));
    QVERIFY(PortalAddress::instance().overrideBase(m_portal.base()));
}

void TestWebSearch::init()
{
    m_dialogs = new ScriptedDialogs;
    m_window = fWebSearch::instance(true);
    m_window->show(); // opens the portal's home page
    QVERIFY(WaitForPageLoad(m_window->browserPage(),
                            [this](const QUrl &url) { return url == QUrl(m_portal.base()); }));
}

void TestWebSearch::cleanup()
{
    if (m_window)
        m_window->close();
    QVERIFY(SpinUntil([&] { return !m_window; })); // deleted on close
    delete m_dialogs;
    m_dialogs = nullptr;
}

bool TestWebSearch::open(const QString &relative)
{
    const QUrl target(m_portal.url(relative));
    PageLoadWatch loaded(m_window->browserPage(), [&target](const QUrl &url) { return url == target; });
    m_window->browser()->setUrl(target);
    return loaded.wait(kLoadMs);
}

void TestWebSearch::newWindowRequestsOpenInThePane()
{
    const int views = webViews();
    const int windows = QApplication::topLevelWidgets().size();
    const QString landing = m_portal.url(QStringLiteral("browser/landing.html"));

    auto atLanding = [&landing](const QUrl &url) { return url.toString() == landing; };
    QWebEnginePage *page = m_window->browserPage();

    QVERIFY(open(QStringLiteral("browser/blank-target.html")));
    PageLoadWatch viaTarget(page, atLanding);
    RunPageScript(page, QStringLiteral("document.getElementById('blank').click()"));
    QVERIFY(viaTarget.wait(kLoadMs));

    QVERIFY(open(QStringLiteral("browser/window-open.html")));
    PageLoadWatch viaScript(page, atLanding);
    RunPageScript(page, QStringLiteral("document.getElementById('open').click()"));
    QVERIFY(viaScript.wait(kLoadMs));

    QCOMPARE(webViews(), views);
    QCOMPARE(QApplication::topLevelWidgets().size(), windows);
}

void TestWebSearch::windowCloseByScriptIsRefused()
{
    // With one history entry the engine lets a script close its window and
    // asks the page to do so; the pane refuses.
    QWebEnginePage *page = m_window->browserPage();
    page->history()->clear();
    QSignalSpy asked(page, &QWebEnginePage::windowCloseRequested);
    QSignalSpy loaded(page, &QWebEnginePage::loadFinished);
    RunPageScript(page, QStringLiteral("location.replace('/browser/close.html')"));
    QVERIFY(loaded.wait(kLoadMs));
    QVERIFY(SpinUntil([&] { return !asked.isEmpty(); }, kLoadMs));
    SpinFor(300);
    QVERIFY(m_window && m_window->isVisible() && m_window->browser()->isVisible());
    QCOMPARE(m_window->browser()->page(), page);
    QCOMPARE(RunPageScript(page, QStringLiteral("document.getElementById('closing') !== null")), QVariant(true));
}

void TestWebSearch::scriptDialogsFollowTheBox()
{
    QVERIFY(m_window->silentBox()->isChecked());
    QVERIFY(open(QStringLiteral("browser/script-error.html")));
    QVERIFY(m_dialogs->messages().isEmpty());

    m_window->silentBox()->click();
    QVERIFY(!m_window->browserPage()->isSilent());
    QVERIFY(open(QStringLiteral("browser/script-error.html")));
    // The alert, then the page's script error.
    SpinUntil([&] { return m_dialogs->messages().size() == 2; });
    QCOMPARE(m_dialogs->messages().size(), 2);
    QCOMPARE(m_dialogs->messages().at(0), QStringLiteral("这是一条脚本提示"));
    QVERIFY(m_dialogs->messages().at(1).startsWith(QStringLiteral("网页脚本错误：")));
    QVERIFY(m_dialogs->messages().at(1).contains(QStringLiteral("undefinedPortalFunction")));
    QCOMPARE(m_dialogs->shown().at(1).icon, MessageIcon::Error);

    m_window->silentBox()->click();
    QVERIFY(open(QStringLiteral("browser/script-error.html")));
    QTest::qWait(200);
    QCOMPARE(m_dialogs->messages().size(), 2);
}

void TestWebSearch::framesDoNotEndThePageLoad()
{
    HarvestFlags &flags = m_window->flags();
    QWebEnginePage *page = m_window->browserPage();
    QVERIFY(open(QStringLiteral("browser/frames.html")));
    QSignalSpy topLevel(page, &QWebEnginePage::loadFinished);
    flags.pageLoading = true;
    RunPageScript(page, QStringLiteral("frames[0].document.getElementsByTagName('a')[0].click()"));
    const QString framePath = QStringLiteral("frames[1].location.pathname");
    const QString landing = QStringLiteral("/browser/landing.html");
    SpinUntil([&] { return RunPageScript(page, framePath).toString() == landing; }, kLoadMs);
    QCOMPARE(RunPageScript(page, framePath).toString(), landing);
    SpinFor(300);
    QVERIFY(flags.pageLoading); // a frame completed, not the page
    QCOMPARE(topLevel.size(), 0);

    page->triggerAction(QWebEnginePage::Reload);
    QVERIFY(SpinUntil([&] { return !flags.pageLoading; }, kLoadMs));
}

void TestWebSearch::saveWebPageAsWritesLiveMarkup()
{
    QVERIFY(open(QStringLiteral("browser/landing.html")));
    RunPageScript(m_window->browserPage(),
              QStringLiteral("document.getElementById('landing').textContent = '脚本改写后的内容：䶮'"));
    const QString path = m_dir.filePath(QStringLiteral("页面.htm"));
    m_dialogs->answerSaveFile(path);
    m_window->menus().menu网页另存为->trigger();
    SpinUntil([&] { return m_dialogs->lastMessage() == QStringLiteral("OK!"); }, kLoadMs);
    QCOMPARE(m_dialogs->lastMessage(), QStringLiteral("OK!"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.contains(EncodeAnsi(QStringLiteral("脚本改写后的内容：䶮"))));
    QVERIFY(!bytes.contains(QByteArray("\xE8\x84\x9A"))); // not UTF-8
    QCOMPARE(m_dialogs->shown().at(0).extra, QStringLiteral("*.htm (*.htm)"));
}

void TestWebSearch::addThisPageAfterCancelledChooser()
{
    // With the prompt setting at 1 the chooser asks first; after 取消 the
    // page is still added, with the folder DefaultSaveFolder held before.
    const QString folder = m_dir.filePath(QStringLiteral("旧文件夹/"));
    SettingsStore::instance().write(QStringLiteral("设置"), QStringLiteral("下载文件保存路径"), folder);
    DownloadSettings::instance().setPromptSaveFolderOnExtract(1);
    QVERIFY(open(QStringLiteral("search?q=x&page=1")));
    m_window->findChild<QPushButton *>(QStringLiteral("Command1"))->click(); // "加入本页到列表"
    fSeleFileSavePath *chooser = nullptr;
    QVERIFY(SpinUntil([&] {
        chooser = qobject_cast<fSeleFileSavePath *>(QApplication::activeModalWidget());
        return chooser != nullptr;
    }));
    chooser->Command3_Click(); // 取消
    const AnalysisListModel &list = m_window->listModel();
    SpinUntil([&] { return list.count() == 20; }, kLoadMs);
    QCOMPARE(list.count(), 20);
    QCOMPARE(list.at(19).保存路径, folder);
    QCOMPARE(m_window->countLabel()->text(), QStringLiteral("20"));

    // Once more without the prompt: nothing new, the label refreshed anyway.
    DownloadSettings::instance().setPromptSaveFolderOnExtract(0);
    m_window->countLabel()->setText(QString());
    m_window->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    SpinUntil([&] { return m_window->countLabel()->text() == QStringLiteral("20"); }, kLoadMs);
    QCOMPARE(m_window->countLabel()->text(), QStringLiteral("20"));
    QCOMPARE(list.count(), 20);
}

void TestWebSearch::browserSignInCarriesToDownloads()
{
    const QUrl document(m_portal.url(QStringLiteral("file?kind=pdf&size=1500&login=1")));
    auto fetch = [&document] {
        QNetworkReply *reply = SharedNetworkAccess().get(QNetworkRequest(document));
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(kLoadMs);
        reply->deleteLater();
        return reply->readAll();
    };
    auto sessionCookies = [this] {
        int n = 0;
        for (const QNetworkCookie &c : SharedCookies().cookiesForUrl(QUrl(m_portal.base())))
            n += c.name() == "LHSESSION" ? 1 : 0;
        return n;
    };
    QVERIFY(!fetch().startsWith("%PDF"));

    QVERIFY(open(QStringLiteral("login?user=reader&pass=secret"))); // signs in, an HttpOnly session cookie
    SpinUntil([&] { return sessionCookies() == 1; }, kLoadMs);
    QCOMPARE(sessionCookies(), 1);
    const QByteArray body = fetch();
    QVERIFY(body.startsWith("%PDF"));
    QCOMPARE(body.size(), 1500);

    QVERIFY(open(QStringLiteral("logout")));
    SpinUntil([&] { return sessionCookies() == 0; }, kLoadMs);
    QCOMPARE(sessionCookies(), 0);
    QVERIFY(!fetch().startsWith("%PDF"));
}

// The other direction: a session cookie that arrives on a download engine's
// response reaches the browser's store, and the response that expires it
// takes the browser's copy away.
void TestWebSearch::downloadSignInCarriesToBrowser()
{
    auto fetch = [this](const QString &path) {
        QNetworkReply *reply = SharedNetworkAccess().get(QNetworkRequest(QUrl(m_portal.url(path))));
        QSignalSpy done(reply, &QNetworkReply::finished);
        done.wait(kLoadMs);
        reply->deleteLater();
    };
    auto browserSentSession = [this](const QString &marker) {
        const QList<PortalRequest> seen = m_portal.requestsTo(marker);
        return !seen.isEmpty() && seen.last().cookie.contains(QStringLiteral("LHSESSION="));
    };
    QSignalSpy added(BrowserProfile().cookieStore(), &QWebEngineCookieStore::cookieAdded);
    fetch(QStringLiteral("login?user=reader&pass=secret"));
    SpinUntil([&] { return !added.isEmpty(); }, kLoadMs);
    QVERIFY(!added.isEmpty());
    QCOMPARE(added.last().at(0).value<QNetworkCookie>().name(), QByteArray("LHSESSION"));
    QVERIFY(open(QStringLiteral("search?q=jar1&page=1")));
    QVERIFY(browserSentSession(QStringLiteral("q=jar1")));

    fetch(QStringLiteral("logout"));
    QVERIFY(open(QStringLiteral("search?q=jar2&page=1")));
    QVERIFY(!browserSentSession(QStringLiteral("q=jar2")));
}

// A document link clicked in the pane is not downloaded by the browser: it
// becomes a waiting row of the download list, with the page as referrer,
// and the download window is asked to come forward.
void TestWebSearch::browserDownloadGoesToTheList()
{
    DownloadListModel list;
    QList<bool> shown;
    m_window->downloadList = [&list] { return &list; };
    m_window->showDownloadWindow = [&shown](bool front) { shown << front; };
    QVERIFY(open(QStringLiteral("search?q=dl&page=1")));
    const QString page = m_window->browserPage()->url().toString(QUrl::FullyEncoded);
    RunPageScript(m_window->browserPage(),
                  QStringLiteral("location.href = '/file?kind=pdf&size=3000&cd=quoted&name=%E8%AE%BA%E6%96%87'; true"));
    QVERIFY(SpinUntil([&] { return list.count() == 1; }, kLoadMs));
    const DownloadRow &row = list.at(0);
    QVERIFY(row.address.contains(QStringLiteral("/file?kind=pdf&size=3000")));
    QCOMPARE(row.name, QStringLiteral("论文"));
    QCOMPARE(row.type, QStringLiteral("pdf"));
    QCOMPARE(row.referrer, page);
    QVERIFY(!row.folder.isEmpty());
    QCOMPARE(shown, QList<bool>{true});
    m_window->downloadList = nullptr;
    m_window->showDownloadWindow = nullptr;
}

void TestWebSearch::closingEndsAddAllRun()
{
    QVERIFY(open(QStringLiteral("search?q=x&page=1")));
    m_window->delaySelector()->setCurrentIndex(30);
    PageLoadWatch second(m_window->browserPage(),
                         [](const QUrl &url) { return url.query().contains(QStringLiteral("page=2")); });
    m_window->addAllButton()->click();
    QCOMPARE(m_window->addAllButton()->text(), QStringLiteral("停止加入全部"));
    // The running face is pure red, not a style's shade of it.
    const QImage face = m_window->addAllButton()->grab().toImage();
    int red = 0;
    for (int y = 0; y < face.height(); ++y) {
        for (int x = 0; x < face.width(); ++x)
            red += face.pixelColor(x, y) == QColor(255, 0, 0) ? 1 : 0;
    }
    QVERIFY2(red * 2 > face.width() * face.height(), qPrintable(QString::number(red)));
    QVERIFY(second.wait(kLoadMs)); // the 30-second delay runs now
    QSignalSpy cover(m_window.data(), &fWebSearch::closed);
    QPointer<QWebEnginePage> page = m_window->browserPage();
    m_window->close();
    QVERIFY(SpinUntil([&] { return !m_window && !page; }));
    QCOMPARE(cover.size(), 1);
    QCOMPARE(SettingsStore::instance().read(QStringLiteral("fWebSearch"), QStringLiteral("Combo1")), QStringLiteral("30"));
    SpinFor(300); // nothing of the run is left to fire
}

void TestWebSearch::windowRules()
{
    // The splitter dragged below the window height less 1200 twips snaps to
    // four fifths of the height when released.
    SplitterBar *bar = m_window->splitterBar();
    m_window->resize(1000, 700);
    const int start = bar->y();
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(5, 1));
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 1 + 60), bar->mapToGlobal(QPointF(5, 61)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, 61));
    QCOMPARE(bar->y(), start + 60); // within bounds: kept

    const int statusHeight = m_window->statusBar()->height();
    bar->move(bar->x(), m_window->centralWidget()->height() + statusHeight); // dragged onto the status bar
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(5, 1));
    const int formHeight = (m_window->centralWidget()->height() + statusHeight) * 15 + 870;
    QCOMPARE(bar->y(), formHeight * 4 / 5 / 15);

    // "分析下载" on an empty list.
    m_window->analyseButton()->click();
    QCOMPARE(m_dialogs->lastMessage(), QStringLiteral("列表没有数据哦！"));
    QVERIFY(m_window->analyseButton()->isEnabled());

    // The delay selector: 0..120, its position stored on close; a stored
    // position outside the range leaves 0.
    QComboBox *delay = m_window->delaySelector();
    QCOMPARE(delay->count(), 121);
    QCOMPARE(delay->itemText(120), QStringLiteral("120"));
    delay->setCurrentIndex(7);
    QSignalSpy cover(m_window.data(), &fWebSearch::closed);
    m_window->close();
    QCOMPARE(cover.size(), 1); // told once; the shell shows the cover, no download window being open
    QCOMPARE(SettingsStore::instance().read(QStringLiteral("fWebSearch"), QStringLiteral("Combo1")), QStringLiteral("7"));
    QVERIFY(SpinUntil([&] { return !m_window; }));

    m_window = fWebSearch::instance(true);
    QCOMPARE(m_window->delaySelector()->currentIndex(), 7);
    m_window->close();
    QVERIFY(SpinUntil([&] { return !m_window; }));
    SettingsStore::instance().write(QStringLiteral("fWebSearch"), QStringLiteral("Combo1"), QStringLiteral("200"));
    m_window = fWebSearch::instance(true);
    QCOMPARE(m_window->delaySelector()->currentIndex(), 0);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("页面数据检索分析-") + SettingsStore::applicationTitle());
    QCOMPARE(m_window->menus().menu首页->text(), QStringLiteral("打开文献门户首页"));
    QCOMPARE(m_window->statusPanel(1)->text(), PortalAddress::instance().name());
    QVERIFY(m_window->removeSpacesBox()->isChecked());
    QVERIFY(!m_window->autoAnalysisBox()->isChecked());
    QCOMPARE(m_window->addAllButton()->text(), QStringLiteral("加入全部到列表"));
}

QTEST_MAIN(TestWebSearch)
#include "tst_websearch.moc"
