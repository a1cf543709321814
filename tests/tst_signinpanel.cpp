// The sign-in panel PicWebBK of the download window, with its real browser
// under offscreen QtWebEngine against the sample portal behind its sign-in
// gate: documents first come as sign-in pages; "测试登录" on each of the
// portal's sign-in forms (or "IP登录") signs in through the shared cookie
// store, and re-downloading the page rows brings the documents; "自动登录"
// signs in by itself after a page row, also when the page was kept out of an
// existing document. And the panel's controls, "网页登录", "关闭(隐藏)", the
// title in the status bar, and new-window links shown in the panel.
#include "download/commands/DownloadListCommands.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSession.h"
#include "download/core/DownloadSettings.h"
#include "download/scheduler/DownloadScheduler.h"
#include "download/signin/SiteLogin.h"
#include "download/ui/fFileDownload.h"
#include "download/ui/LoginBrowserPage.h"
#include "download/ui/LoginPanel.h"
#include "platform/Clock.h"
#include "platform/NetworkAccess.h"
#include "platform/SettingsStore.h"
#include "platform/web/BrowserProfile.h"
#include "tests/support/ManualClock.h"
#include "tests/support/NamedControl.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/WebEngineWait.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>
#include <QWebEngineCookieStore>
#include <QWebEngineProfile>
#include <QWebEngineView>

#include <memory>

namespace {
const QString kAccount = QStringLiteral("读者甲");
const QString kPassword = QStringLiteral("pw-7f3a9c");
} // namespace

class TestSignInPanel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void panelControls();
    void tickingAutoLoginChecksFields_data();
    void tickingAutoLoginChecksFields();
    void engineSignInWithoutFieldsClearsAutoLogin();
    void signsInWithEachForm_data();
    void signsInWithEachForm();
    void autoLoginAfterFirstPageRow_data();
    void autoLoginAfterFirstPageRow();
    void keptDocumentStillStartsSignIn();
    void loginButtonOpensSelectedRow_data();
    void loginButtonOpensSelectedRow();
    void closeHidesAndBlanks_data();
    void closeHidesAndBlanks();
    void newWindowShownInPanel_data();
    void pagesNeitherCloseNorSpeak();
    void newWindowShownInPanel();

private:
    fFileDownload *openWindow();
    template<typename T>
    T *control(const char *name) const
    {
        return NamedControl<T>(m_window, name);
    }
    LoginPanel *panel() const { return m_window->loginPanel(); }
    SiteLogin &login() const { return panel()->siteLogin(); }
    QWebEnginePage *page() const { return panel()->page(); }
    void fillForm(const QString &address, bool accountLogin);
    // Lets a running sign-in reach its closing pause, then moves the clock
    // past it; false when it never got there.
    bool finishSignIn();
    void runList();
    // One turn of the scheduler's ticks; the clock moves on, but never under
    // a sign-in's page waits: a running sign-in is only let through its pause.
    void tick();
    bool signedIn() const;
    void addRow(const QString &query, const QString &name);

    QTemporaryDir m_dir;
    QString m_folder;
    PortalProcess m_portal{{QStringLiteral("--require-login")}};
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<ManualClock> m_clock;
    QPointer<fFileDownload> m_window;
};

void TestSignInPanel::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_portal.start(), qPrintable(m_portal.errorString()));
}

void TestSignInPanel::init()
{
    const QString ini = m_dir.filePath(QStringLiteral("settings.ini"));
    QFile::remove(ini);
    SettingsStore::useFile(ini);
    DownloadSettings::instance().reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
    m_folder = m_dir.filePath(QStringLiteral("文献/%1/").arg(QString::fromUtf8(QTest::currentTestFunction())));
}

void TestSignInPanel::cleanup()
{
    delete m_window.data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // Signed out again for the next test, in the browser and the engines.
    BrowserProfile().cookieStore()->deleteAllCookies();
    for (const QNetworkCookie &cookie : SharedCookies().allCookies())
        SharedCookies().deleteCookie(cookie);
    Clock::setInstance(nullptr);
    m_clock.reset();
    m_dialogs.reset();
    SettingsStore::useFile(QString());
}

fFileDownload *TestSignInPanel::openWindow()
{
    m_window = fFileDownload::instance(true);
    m_window->scheduler().setManualTicks(true);
    m_window->show();
    // The blank page of the load has come in.
    [&] { QVERIFY(SpinUntil([&] { return !login().pageLoading() && !page()->isLoading(); })); }();
    return m_window;
}

void TestSignInPanel::fillForm(const QString &address, bool accountLogin)
{
    control<QLineEdit>("Text1")->setText(address);
    control<QLineEdit>("Text2")->setText(accountLogin ? kAccount : QString());
    control<QLineEdit>("Text3")->setText(accountLogin ? kPassword : QString());
    control<QRadioButton>(accountLogin ? "Option4" : "Option5")->setChecked(true);
}

bool TestSignInPanel::finishSignIn()
{
    // The page loads and the form is sent in real time; only the pause is
    // the clock's.
    if (!SpinUntil([&] { return !login().running() || login().pausing(); }))
        return false;
    m_clock->advance(6000);
    return SpinUntil([&] { return !login().running(); });
}

void TestSignInPanel::addRow(const QString &query, const QString &name)
{
    QVERIFY(m_window->listModel().addRow(m_portal.url(QStringLiteral("file?") + query), name, QStringLiteral("pdf"),
                                         m_folder, m_portal.base()));
}

void TestSignInPanel::runList()
{
    DownloadListModel &list = m_window->listModel();
    DownloadScheduler &scheduler = m_window->scheduler();
    control<QPushButton>("CommandStart")->click();
    for (int i = 0; i < 1000 && !(list.检测是否下载列表完毕() && scheduler.downloadStopped()); ++i) {
        tick();
        QTest::qWait(20);
    }
    scheduler.housekeepingTick();
    QVERIFY(list.检测是否下载列表完毕());
}

void TestSignInPanel::tick()
{
    if (!login().running())
        m_clock->advanceSeconds(1);
    else if (login().pausing())
        m_clock->advanceSeconds(6);
    m_window->scheduler().schedulerTick();
    m_window->scheduler().housekeepingTick();
}

bool TestSignInPanel::signedIn() const
{
    for (const QNetworkCookie &cookie : SharedCookies().cookiesForUrl(QUrl(m_portal.base()))) {
        if (cookie.name() == "LHSESSION")
            return true;
    }
    return false;
}

void TestSignInPanel::panelControls()
{
    openWindow();
    auto *pic = control<LoginPanel>("PicWebBK");
    QVERIFY(!pic->isVisible());
    struct Caption
    {
        const char *name;
        const char *text;
    };
    for (const Caption &c : {Caption{"Command2", "浏览"}, Caption{"Command3", "关闭(隐藏)"},
                             Caption{"Command5", "测试登录"}}) {
        QCOMPARE(control<QPushButton>(c.name)->text(), QString::fromUtf8(c.text));
        QVERIFY(control<QPushButton>(c.name)->isEnabled());
    }
    for (const Caption &c : {Caption{"Check1", "自动刷新(每分钟)"}, Caption{"Check2", "自动登录"}}) {
        QCOMPARE(control<QCheckBox>(c.name)->text(), QString::fromUtf8(c.text));
        QVERIFY(!control<QCheckBox>(c.name)->isChecked());
    }
    QCOMPARE(control<QRadioButton>("Option4")->text(), QStringLiteral("帐号登录："));
    QVERIFY(control<QRadioButton>("Option4")->isChecked());
    QCOMPARE(control<QRadioButton>("Option5")->text(), QStringLiteral("IP登录"));
    QVERIFY(!control<QRadioButton>("Option5")->isChecked());
    for (const char *field : {"Text1", "Text2", "Text3"})
        QVERIFY(control<QLineEdit>(field)->text().isEmpty());
    QCOMPARE(control<QLineEdit>("Text3")->echoMode(), QLineEdit::Password);
    auto *combo3 = control<QComboBox>("Combo3");
    QCOMPARE(combo3->count(), 1);
    QCOMPARE(combo3->currentText(), QStringLiteral("下载到网页文件(htm/html/asp)文件"));
    auto *web1 = control<QWebEngineView>("Web1");
    QCOMPARE(web1->page()->profile(), &BrowserProfile()); // one cookie store with the engines

    control<QPushButton>("Command1")->click(); // "网页登录"
    QVERIFY(pic->isVisible());
    QCOMPARE(pic->geometry(), control<QTreeView>("ListView3")->geometry());
    QVERIFY(web1->geometry().bottom() < pic->height() - 1);
    QVERIFY(web1->geometry().right() < pic->width() - 1);
    m_window->resize(m_window->size() + QSize(60, 40));
    QTRY_COMPARE(pic->geometry(), control<QTreeView>("ListView3")->geometry());

    // Nothing of it is kept: a new window starts empty again.
    fillForm(m_portal.url(QStringLiteral("login.html")), true);
    delete m_window.data();
    openWindow();
    for (const char *field : {"Text1", "Text2", "Text3"})
        QVERIFY(control<QLineEdit>(field)->text().isEmpty());
}

void TestSignInPanel::tickingAutoLoginChecksFields_data()
{
    QTest::addColumn<bool>("accountLogin");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("message");
    QTest::newRow("account login, no password") << true << "http://127.0.0.1/login.html" << ""
                                               << "帐号登录,必须先设置登录帐号和登录密码！";
    QTest::newRow("no address") << false << " " << "" << "必须先设置登录网址！";
    QTest::newRow("IP登录: the address suffices") << false << "http://127.0.0.1/login-ip.html" << "" << "";
}

void TestSignInPanel::tickingAutoLoginChecksFields()
{
    QFETCH(bool, accountLogin);
    QFETCH(QString, address);
    QFETCH(QString, password);
    QFETCH(QString, message);
    openWindow();
    control<QRadioButton>(accountLogin ? "Option4" : "Option5")->setChecked(true);
    control<QLineEdit>("Text1")->setText(address);
    control<QLineEdit>("Text2")->setText(kAccount);
    control<QLineEdit>("Text3")->setText(password);
    auto *check2 = control<QCheckBox>("Check2");
    check2->click();
    QCOMPARE(check2->isChecked(), message.isEmpty());
    QCOMPARE(m_window->session().options().autoLogin, message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(m_dialogs->shown().isEmpty());
    } else {
        QCOMPARE(m_dialogs->messages(), QStringList{message});
        QCOMPARE(m_dialogs->shown().constFirst().icon, MessageIcon::Error);
    }
}

// Fields emptied after "自动登录" was ticked: the engine's sign-in clears the
// box without a word, so later downloads start none.
void TestSignInPanel::engineSignInWithoutFieldsClearsAutoLogin()
{
    openWindow();
    fillForm(m_portal.url(QStringLiteral("login.html")), true);
    control<QCheckBox>("Check2")->setChecked(true);
    control<QLineEdit>("Text3")->clear();
    addRow(QStringLiteral("kind=pdf&size=1200&seed=7"), QStringLiteral("无密码"));
    runList();
    QCOMPARE(m_window->listModel().at(0).type, QStringLiteral("htm"));
    QVERIFY(!control<QCheckBox>("Check2")->isChecked());
    QVERIFY(!m_window->session().options().autoLogin);
    QVERIFY(!login().running());
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestSignInPanel::signsInWithEachForm_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("accountLogin");
    QTest::addColumn<bool>("signsIn");
    QTest::newRow("userid, password, submit") << "login.html" << true << true;
    QTest::newRow("User, PassWord, SUBMIT") << "login-mixed.html" << true << true;
    QTest::newRow("user and username, no password") << "login-nopass.html" << true << true;
    QTest::newRow("submit first: filled, never sent") << "login-submitfirst.html" << true << false;
    QTest::newRow("IP登录 on submitip") << "login-ip.html" << false << true;
}

void TestSignInPanel::signsInWithEachForm()
{
    QFETCH(QString, form);
    QFETCH(bool, accountLogin);
    QFETCH(bool, signsIn);
    openWindow();
    DownloadListModel &list = m_window->listModel();
    addRow(QStringLiteral("kind=pdf&size=3000&seed=3"), QStringLiteral("甲文"));
    addRow(QStringLiteral("kind=caj&size=2000&seed=4"), QStringLiteral("乙文"));
    runList();
    for (int i = 0; i < 2; ++i) // the gate answers with its sign-in page
        QCOMPARE(list.at(i).type, QStringLiteral("htm"));

    fillForm(m_portal.url(form), accountLogin);
    control<QPushButton>("Command5")->click(); // "测试登录"
    QVERIFY(!control<QPushButton>("Command5")->isEnabled());
    QVERIFY(finishSignIn());
    QVERIFY(control<QPushButton>("Command5")->isEnabled());
    QVERIFY(m_dialogs->shown().isEmpty());
    if (signsIn) {
        QVERIFY(SpinUntil([&] { return signedIn(); }));
    } else {
        // The fields were filled all the same.
        QCOMPARE(RunPageScript(page(), QStringLiteral("document.getElementsByName('userid')[0].value")).toString(),
                 kAccount);
        SpinFor(300);
        QVERIFY(!signedIn());
    }

    m_window->menus().menu重新下载文件类型为HTM和HTML项->trigger();
    runList();
    if (signsIn) {
        QCOMPARE(list.at(0).type, QStringLiteral("pdf"));
        QCOMPARE(list.at(1).type, QStringLiteral("caj"));
        QCOMPARE(QFileInfo(RowFilePath(list.at(0))).size(), 3000);
        QCOMPARE(QFileInfo(RowFilePath(list.at(1))).size(), 2000);
    } else {
        QCOMPARE(list.at(0).type, QStringLiteral("htm"));
    }

    // The account and the password are nowhere on disk: not in the
    // settings, not in the browser's or the program's data.
    m_window->close(); // the window stores its settings
    SettingsStore::instance().sync();
    const QStringList roots = {m_dir.path(), QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
    for (const QString &root : roots) {
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (file.size() > 8 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
                continue;
            const QByteArray bytes = file.readAll();
            QVERIFY2(!bytes.contains(kPassword.toUtf8()), qPrintable(file.fileName()));
            // The portal's welcome page names the reader, and the browser
            // caches pages as any browser does; nothing else may hold it.
            if (!file.fileName().contains(QStringLiteral("/browser/cache/")))
                QVERIFY2(!bytes.contains(kAccount.toUtf8()), qPrintable(file.fileName()));
        }
    }
}

void TestSignInPanel::autoLoginAfterFirstPageRow_data()
{
    QTest::addColumn<int>("method");
    QTest::newRow("slots") << 2;
    QTest::newRow("single connection") << 1;
}

void TestSignInPanel::autoLoginAfterFirstPageRow()
{
    QFETCH(int, method);
    SettingsStore::instance().write(QStringLiteral("设置"), QStringLiteral("下载方式"), QString::number(method));
    openWindow();
    fillForm(m_portal.url(QStringLiteral("login.html")), true);
    control<QCheckBox>("Check2")->setChecked(true);
    QVERIFY(control<QCheckBox>("Check2")->isChecked());
    QVERIFY(m_window->session().options().autoLogin);

    addRow(QStringLiteral("kind=pdf&size=1500&seed=5"), QStringLiteral("自动"));
    control<QPushButton>("CommandStart")->click();
    // The first row comes as a page and starts the sign-in by itself.
    QVERIFY(SpinUntil([&] {
        tick();
        return login().running();
    }));
    QVERIFY(!control<QPushButton>("Command5")->isEnabled());
    QVERIFY(finishSignIn());
    QVERIFY(SpinUntil([&] { return signedIn(); }));
    runList();
    DownloadListModel &list = m_window->listModel();
    QCOMPARE(list.at(0).type, QStringLiteral("htm"));
    m_window->menus().menu重新下载文件类型为HTM和HTML项->trigger();
    runList();
    QCOMPARE(list.at(0).type, QStringLiteral("pdf"));
    QVERIFY(m_dialogs->shown().isEmpty()); // an engine's sign-in says nothing
}

// With "覆盖" the sign-in page that comes to the slots after the session
// ended does not replace the document already downloaded: the row fails and
// keeps its type, and the automatic sign-in starts all the same. (The single
// connection names the file after the page's own type, so there the page
// lands beside the document.)
void TestSignInPanel::keptDocumentStillStartsSignIn()
{
    SettingsStore::instance().write(QStringLiteral("专利下载"), QStringLiteral("重复文件名设置"), QStringLiteral("覆盖"));
    openWindow();
    QVERIFY(control<QRadioButton>("Option2")->isChecked());
    fillForm(m_portal.url(QStringLiteral("login-ip.html")), false);
    control<QPushButton>("Command5")->click();
    QVERIFY(finishSignIn());
    QVERIFY(SpinUntil([&] { return signedIn(); }));
    addRow(QStringLiteral("kind=pdf&size=2500&seed=6"), QStringLiteral("保留"));
    runList();
    DownloadListModel &list = m_window->listModel();
    QCOMPARE(list.at(0).type, QStringLiteral("pdf"));
    const QString document = RowFilePath(list.at(0));
    QCOMPARE(QFileInfo(document).size(), 2500);

    // Signed out; the automatic sign-in is on.
    BrowserProfile().cookieStore()->deleteAllCookies();
    for (const QNetworkCookie &cookie : SharedCookies().allCookies())
        SharedCookies().deleteCookie(cookie);
    control<QCheckBox>("Check2")->setChecked(true);
    // The same document once more under the same name: the gate's page
    // arrives where the document is.
    addRow(QStringLiteral("kind=pdf&size=2500&seed=6&again=1"), QStringLiteral("保留"));
    control<QPushButton>("CommandStart")->click();
    QVERIFY(SpinUntil([&] {
        tick();
        return login().running();
    }));
    QCOMPARE(list.at(1).state, RowState::Failed);
    QCOMPARE(list.at(1).type, QStringLiteral("pdf"));
    QCOMPARE(RowFilePath(list.at(1)), document);
    QCOMPARE(QFileInfo(document).size(), 2500);
    QVERIFY(finishSignIn());
    QVERIFY(SpinUntil([&] { return signedIn(); }));
}

void TestSignInPanel::loginButtonOpensSelectedRow_data()
{
    QTest::addColumn<bool>("reloading");
    QTest::addColumn<bool>("autoLogin");
    QTest::addColumn<bool>("select");
    QTest::addColumn<bool>("opens");
    QTest::newRow("selected row, nothing ticked") << false << false << true << true;
    QTest::newRow("reloading ticked") << true << false << true << false;
    QTest::newRow("automatic login ticked") << false << true << true << false;
    QTest::newRow("no row selected") << false << false << false << false;
}

void TestSignInPanel::loginButtonOpensSelectedRow()
{
    QFETCH(bool, reloading);
    QFETCH(bool, autoLogin);
    QFETCH(bool, select);
    QFETCH(bool, opens);
    openWindow();
    const QString first = m_portal.url(QStringLiteral("file?kind=pdf&size=100&mark=first"));
    const QString second = m_portal.url(QStringLiteral("file?kind=pdf&size=100&mark=second"));
    QVERIFY(m_window->listModel().addRow(first + u'|' + second, QStringLiteral("行"), QStringLiteral("pdf"),
                                         m_folder, QString()));
    if (select)
        m_window->listView()->selectionModel()->setCurrentIndex(
            m_window->listModel().index(0, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    fillForm(m_portal.url(QStringLiteral("login-ip.html")), false);
    control<QCheckBox>("Check1")->setChecked(reloading);
    control<QCheckBox>("Check2")->setChecked(autoLogin);
    QCOMPARE(login().reloading(), reloading);

    control<QPushButton>("Command1")->click();
    QVERIFY(panel()->isVisible());
    if (opens) {
        QVERIFY(SpinUntil([&] { return page()->url() == QUrl(first) && !page()->isLoading(); }));
        // What the server answers for it: the gate's sign-in page, its title
        // in the third status panel.
        QVERIFY(SpinUntil([&] {
            return m_window->findChild<QLabel *>(QStringLiteral("Panel3"))->text() == QStringLiteral("用户登录");
        }));
    } else {
        SpinFor(400);
        QCOMPARE(page()->url(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(m_window->findChild<QLabel *>(QStringLiteral("Panel3"))->text().isEmpty());
    }
}

void TestSignInPanel::closeHidesAndBlanks_data()
{
    QTest::addColumn<bool>("reloading");
    QTest::newRow("blank page") << false;
    QTest::newRow("reloading keeps the page") << true;
}

void TestSignInPanel::closeHidesAndBlanks()
{
    QFETCH(bool, reloading);
    openWindow();
    control<QPushButton>("Command1")->click();
    fillForm(m_portal.url(QStringLiteral("login.html")), true);
    control<QPushButton>("Command2")->click(); // "浏览"
    QVERIFY(!control<QPushButton>("Command2")->isEnabled());
    QVERIFY(SpinUntil([&] { return control<QPushButton>("Command2")->isEnabled(); }));
    QCOMPARE(page()->url(), QUrl(m_portal.url(QStringLiteral("login.html"))));
    control<QCheckBox>("Check1")->setChecked(reloading);
    control<QPushButton>("Command3")->click(); // "关闭(隐藏)"
    QVERIFY(!panel()->isVisible());
    if (reloading) {
        SpinFor(300);
        QCOMPARE(page()->url(), QUrl(m_portal.url(QStringLiteral("login.html"))));
        // The browser keeps running hidden: a minute later it reloads.
        const int before = m_portal.requestsTo(QStringLiteral("/login.html")).size();
        m_clock->advance(SiteLogin::kReloadIntervalMs);
        QVERIFY(SpinUntil([&] { return m_portal.requestsTo(QStringLiteral("/login.html")).size() > before; }));
    } else {
        QVERIFY(SpinUntil([&] { return page()->url() == QUrl(QStringLiteral("about:blank")); }));
    }
}

void TestSignInPanel::newWindowShownInPanel_data()
{
    QTest::addColumn<QString>("start");
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("shown");
    QTest::newRow("target=_blank") << "browser/blank-target.html" << "blank" << "browser/landing.html";
    QTest::newRow("window.open") << "browser/window-open.html" << "open" << "browser/landing.html";
    QTest::newRow("window.open of about:blank") << "browser/window-open.html" << "openblank"
                                                << "browser/window-open.html";
}

void TestSignInPanel::newWindowShownInPanel()
{
    QFETCH(QString, start);
    QFETCH(QString, link);
    QFETCH(QString, shown);
    openWindow();
    control<QPushButton>("Command1")->click();
    PageLoadWatch started(page(), [&](const QUrl &url) { return url == QUrl(m_portal.url(start)); });
    page()->setUrl(QUrl(m_portal.url(start)));
    QVERIFY(started.wait());
    PageLoadWatch shownHere(page(), [&](const QUrl &url) { return url == QUrl(m_portal.url(shown)); });
    const int windows = int(QApplication::topLevelWidgets().size());
    RunPageScript(page(), QStringLiteral("document.getElementById(%1).click()").arg(u'"' + link + u'"'));
    if (shown != start)
        QVERIFY2(shownHere.wait(), qPrintable(page()->url().toString()));
    SpinFor(300);
    QCOMPARE(page()->url(), QUrl(m_portal.url(shown)));
    QCOMPARE(int(QApplication::topLevelWidgets().size()), windows);
}

// The panel's browser is silent (a script's alert and error show nothing)
// and stays when a page closes its window.
void TestSignInPanel::pagesNeitherCloseNorSpeak()
{
    openWindow();
    control<QPushButton>("Command1")->click();
    auto *web1 = control<QWebEngineView>("Web1");
    for (const char *path : {"browser/script-error.html", "browser/close.html"}) {
        const QUrl url(m_portal.url(QString::fromUtf8(path)));
        PageLoadWatch loaded(page(), [&](const QUrl &at) { return at == url; });
        page()->setUrl(url);
        QVERIFY(loaded.wait());
        SpinFor(300);
        QCOMPARE(page()->url(), url);
    }
    QVERIFY(m_dialogs->shown().isEmpty());
    QVERIFY(web1->isVisible());
    QCOMPARE(web1->page(), page());
}

QTEST_MAIN(TestSignInPanel)
#include "tst_signinpanel.moc"
