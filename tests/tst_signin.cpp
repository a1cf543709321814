// The sign-in's rules and steps without a browser: the INPUT walk over the
// portal's form variants, the field checks and their messages, the rule that
// starts the automatic sign-in after a download, the JSON arguments of the
// page scripts, the cookies file of the command-line tool, and RunSiteLogin
// driven on a scripted page under the test clock (the 10-second waits, the
// 5-second pause, two quick starts, the reload every minute).
#include "download/signin/CookiesFile.h"
#include "download/signin/LoginPage.h"
#include "download/signin/LoginScripts.h"
#include "download/signin/SignInRules.h"
#include "download/signin/SiteLogin.h"
#include "platform/Clock.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedDialogs.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkCookieJar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using Inputs = QList<PageInput>;
Q_DECLARE_METATYPE(Inputs)

namespace {

// A page that answers like the browser: later, from the event loop.
class ScriptedLoginPage final : public LoginPage
{
    Q_OBJECT
public:
    using LoginPage::LoginPage;

    QStringList opened;
    int reloads = 0;
    bool busy = false;
    std::optional<Inputs> inputs = Inputs{};
    QStringList clickableIds;
    struct Applied
    {
        InputWalk walk;
        QString account;
        QString password;
    };
    QList<Applied> applied;
    QStringList clickedIds;
    std::function<void()> whileApplying; // runs before the walk's answer

    void open(const QString &address) override { opened << address; }
    void reload() override { ++reloads; }
    bool isBusy() const override { return busy; }
    void readInputs(std::function<void(std::optional<Inputs>)> done) override
    {
        QTimer::singleShot(0, this, [this, done] { done(inputs); });
    }
    void applyWalk(const InputWalk &walk, const QString &account, const QString &password,
                   std::function<void(bool)> done) override
    {
        applied.append({walk, account, password});
        if (whileApplying)
            whileApplying();
        const bool clicked = walk.submitIndex >= 0;
        QTimer::singleShot(0, this, [done, clicked] { done(clicked); });
    }
    void clickElement(const QString &id, std::function<void(bool)> done) override
    {
        const bool exists = clickableIds.contains(id);
        if (exists)
            clickedIds << id;
        QTimer::singleShot(0, this, [done, exists] { done(exists); });
    }
    void finishLoad() { emit topLevelLoadFinished(); }
};

} // namespace

class TestSignIn : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void inputWalk_data();
    void inputWalk();
    void formChecks_data();
    void formChecks();
    void afterDownloadRule_data();
    void afterDownloadRule();
    void scriptArgumentsStayData();

    void cookiesFileReads();
    void cookiesFileRefusesBadLines_data();
    void cookiesFileRefusesBadLines();
    void cookiesGoOnlyWhereTheyName();

    void browseWaitsAtMostTenSeconds();
    void browseEndsWhenThePageIsIn();
    void accountSignInFillsSubmitsAndPauses();
    void secondStartReturnsWhileRunning();
    void ipSignInClicksSubmitip();
    void missingFieldsClearAutoLogin_data();
    void missingFieldsClearAutoLogin();
    void noDocumentStillPauses();
    void formWithoutSubmitLeavesOtherLoadsWaiting();
    void reloadsEveryMinute();

private:
    void advance(qint64 ms) { m_clock->advance(ms); }
    // Lets the poll timers look at the clock.
    void settle() { QTest::qWait(3 * SiteLogin::kPollMs); }

    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<ScriptedLoginPage> m_page;
    std::unique_ptr<SiteLogin> m_login;
    LoginForm m_form;
};

void TestSignIn::init()
{
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_page = std::make_unique<ScriptedLoginPage>();
    m_login = std::make_unique<SiteLogin>(*m_page);
    m_form = LoginForm{QStringLiteral(" http://127.0.0.1/login.html "), QStringLiteral(" 读者 "),
                       QStringLiteral("secret"), true};
    m_login->form = [this] { return m_form; };
}

void TestSignIn::cleanup()
{
    m_login.reset();
    m_page.reset();
    m_dialogs.reset();
    Clock::setInstance(nullptr);
    m_clock.reset();
}

void TestSignIn::inputWalk_data()
{
    QTest::addColumn<Inputs>("inputs");
    QTest::addColumn<QString>("fills"); // A account, P password, by position
    QTest::addColumn<int>("submit");
    const auto in = [](const char *name, const char *type) {
        return PageInput{QString::fromUtf8(name), QString::fromUtf8(type)};
    };
    QTest::newRow("login.html") << Inputs{in("form", "hidden"), in("userid", "text"), in("password", "password"),
                                          in("", "submit")}
                                << "1A 2P" << 3;
    QTest::newRow("mixed case names and type") << Inputs{in("User", "text"), in("PassWord", "password"),
                                                         in("go", "SUBMIT")}
                                               << "0A 1P" << 2;
    QTest::newRow("two user fields, no password") << Inputs{in("user", "text"), in("username", "text"),
                                                            in("", "submit")}
                                                  << "0A 1A" << 2;
    QTest::newRow("submit first: filled, not clicked") << Inputs{in("", "submit"), in("userid", "text"),
                                                                 in("passwd", "password")}
                                                       << "1A 2P" << -1;
    QTest::newRow("only the first submit after two fields") << Inputs{in("useruid", "text"), in("pass", "password"),
                                                                      in("a", "submit"), in("user", "text"),
                                                                      in("b", "submit")}
                                                            << "0A 1P" << 2;
    QTest::newRow("one field is not enough") << Inputs{in("userid", "text"), in("", "submit")} << "0A" << -1;
    QTest::newRow("ip form has no fields") << Inputs{in("", "submit")} << "" << -1;
}

void TestSignIn::inputWalk()
{
    QFETCH(Inputs, inputs);
    const InputWalk walk = WalkInputs(inputs);
    QStringList fills;
    for (const InputWalk::Fill &fill : walk.fills)
        fills << QString::number(fill.index) + (fill.value == InputWalk::Value::Account ? u'A' : u'P');
    QTEST(fills.join(u' '), "fills");
    QTEST(walk.submitIndex, "submit");
}

void TestSignIn::formChecks_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("account");
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("accountLogin");
    QTest::addColumn<QString>("message");
    const QString noAddress = QStringLiteral("必须先设置登录网址！");
    const QString noAccount = QStringLiteral("帐号登录,必须先设置登录帐号和登录密码！");
    QTest::newRow("account login, all there") << "http://h/" << "a" << "p" << true << "";
    QTest::newRow("no password") << "http://h/" << "a" << "" << true << noAccount;
    QTest::newRow("password of spaces") << "http://h/" << "a" << "   " << true << noAccount;
    QTest::newRow("no account") << "http://h/" << "" << "p" << true << noAccount;
    QTest::newRow("address of spaces") << "  " << "a" << "p" << true << noAddress;
    QTest::newRow("ip login: an address suffices") << "http://h/" << "" << "" << false << "";
    QTest::newRow("ip login without address") << "" << "" << "" << false << noAddress;
}

void TestSignIn::formChecks()
{
    QFETCH(QString, address);
    QFETCH(QString, account);
    QFETCH(QString, password);
    QFETCH(bool, accountLogin);
    QFETCH(QString, message);
    m_form = LoginForm{address, account, password, accountLogin};
    QTEST(LoginFormMessage(CheckLoginForm(m_form)), "message");
    // Ticking "自动登录": the same check, the message with the error icon.
    QCOMPARE(m_login->autoLoginTicked(), message.isEmpty());
    if (message.isEmpty()) {
        QVERIFY(m_dialogs->shown().isEmpty());
    } else {
        QCOMPARE(m_dialogs->messages(), QStringList{message});
        QCOMPARE(m_dialogs->shown().constFirst().icon, MessageIcon::Error);
    }
}

void TestSignIn::afterDownloadRule_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<QString>("type");
    QTest::addColumn<bool>("pageKeptOut");
    QTest::addColumn<bool>("starts");
    QTest::newRow("slots, htm") << 2 << "htm" << false << true;
    QTest::newRow("slots, HTML") << 2 << "HTML" << false << true;
    QTest::newRow("slots, xml") << 2 << "xml" << false << false;
    QTest::newRow("single connection, XML") << 1 << "XML" << false << true;
    QTest::newRow("single connection, pdf") << 1 << "pdf" << false << false;
    QTest::newRow("slots, page kept out of a pdf") << 2 << "pdf" << true << true;
    QTest::newRow("single connection, page kept out") << 1 << "caj" << true << true;
}

void TestSignIn::afterDownloadRule()
{
    QFETCH(int, method);
    QFETCH(QString, type);
    QFETCH(bool, pageKeptOut);
    QTEST(SiteLoginAfterDownload(method, type, pageKeptOut), "starts");
}

void TestSignIn::scriptArgumentsStayData()
{
    // A password that would end a string literal and run code if it were
    // written into the script text arrives as one JSON string.
    const QString nasty = QStringLiteral("a\");alert(1);//\\'</script>\u2028x");
    const QString argument = ScriptArgument(nasty);
    QVERIFY(!argument.contains(QChar(0x2028)));
    QJsonParseError error{};
    const QJsonDocument back = QJsonDocument::fromJson((u'[' + argument + u']').toUtf8(), &error);
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(back.array().at(0).toString(), nasty);

    InputWalk walk;
    walk.fills = {{0, InputWalk::Value::Account}, {1, InputWalk::Value::Password}};
    walk.submitIndex = 2;
    const Inputs inputs{{QStringLiteral("userid"), {}}, {QStringLiteral("password"), {}}, {{}, QStringLiteral("submit")}};
    const QString script = ApplyWalkScript(walk, inputs, QStringLiteral("%1%2"), nasty);
    QVERIFY(script.contains(ScriptArgument(nasty)));
    QVERIFY(script.contains(QStringLiteral("\"%1%2\""))); // no second substitution
    QVERIFY(ClickElementScript(QStringLiteral("submitip")).endsWith(QStringLiteral("})(\"submitip\")")));
}

void TestSignIn::cookiesFileReads()
{
    const QByteArray text = "# Netscape HTTP Cookie File\r\n"
                            "\r\n"
                            "127.0.0.1\tFALSE\t/\tFALSE\t0\tLHSESSION\tabc\r\n"
                            "#HttpOnly_.example.test\tTRUE\t/docs\tTRUE\t4102444800\tkeep\tv=1\n"
                            "old.test\tFALSE\t/\tFALSE\t1000\tgone\tx\n"
                            "host.test\tFALSE\t/\tFALSE\t0\tempty\t\n";
    const CookiesFileResult result = ParseCookiesText(text);
    QVERIFY2(result.error.isEmpty(), qPrintable(result.error));
    QCOMPARE(result.cookies.size(), 3); // the expired one is left out
    const QNetworkCookie &session = result.cookies.at(0);
    QCOMPARE(session.name(), QByteArray("LHSESSION"));
    QCOMPARE(session.value(), QByteArray("abc"));
    QCOMPARE(session.domain(), QStringLiteral("127.0.0.1"));
    QVERIFY(session.isSessionCookie());
    const QNetworkCookie &keep = result.cookies.at(1);
    QCOMPARE(keep.domain(), QStringLiteral(".example.test"));
    QCOMPARE(keep.path(), QStringLiteral("/docs"));
    QVERIFY(keep.isSecure());
    QVERIFY(keep.isHttpOnly());
    QCOMPARE(keep.value(), QByteArray("v=1"));
    QCOMPARE(keep.expirationDate().toSecsSinceEpoch(), 4102444800LL);
    QCOMPARE(result.cookies.at(2).value(), QByteArray());
}

void TestSignIn::cookiesFileRefusesBadLines_data()
{
    QTest::addColumn<QByteArray>("badLine");
    QTest::newRow("six fields") << QByteArray("h\tFALSE\t/\tFALSE\t0\tname");
    QTest::newRow("spaces instead of TAB") << QByteArray("h FALSE / FALSE 0 name value");
    QTest::newRow("flag not TRUE/FALSE") << QByteArray("h\tyes\t/\tFALSE\t0\tn\tv");
    QTest::newRow("expiry not a number") << QByteArray("h\tFALSE\t/\tFALSE\tsoon\tn\tv");
    QTest::newRow("relative path") << QByteArray("h\tFALSE\tdocs\tFALSE\t0\tn\tv");
    QTest::newRow("no name") << QByteArray("h\tFALSE\t/\tFALSE\t0\t\tv");
    QTest::newRow("no domain") << QByteArray("\tFALSE\t/\tFALSE\t0\tn\tv");
}

void TestSignIn::cookiesFileRefusesBadLines()
{
    QFETCH(QByteArray, badLine);
    const QByteArray text = "# comment\nh\tFALSE\t/\tFALSE\t0\tgood\t1\n\n" + badLine + "\nh\tFALSE\t/\tFALSE\t0\tlater\t2\n";
    const CookiesFileResult result = ParseCookiesText(text);
    QCOMPARE(result.errorLine, 4);
    QVERIFY(!result.error.isEmpty());
    QVERIFY(result.cookies.isEmpty()); // never half-applied
}

void TestSignIn::cookiesGoOnlyWhereTheyName()
{
    const CookiesFileResult result = ParseCookiesText("portal.test\tFALSE\t/docs\tFALSE\t0\thostonly\t1\n"
                                                      ".wide.test\tTRUE\t/\tFALSE\t0\twide\t2\n"
                                                      "safe.test\tFALSE\t/\tTRUE\t0\tsecure\t3\n");
    QVERIFY(result.error.isEmpty());
    QNetworkCookieJar jar;
    AddCookiesToJar(jar, result.cookies);
    const auto names = [&jar](const char *url) {
        QStringList out;
        for (const QNetworkCookie &c : jar.cookiesForUrl(QUrl(QString::fromUtf8(url))))
            out << QString::fromUtf8(c.name());
        return out.join(u',');
    };
    QCOMPARE(names("http://portal.test/docs/a.pdf"), QStringLiteral("hostonly"));
    QCOMPARE(names("http://portal.test/other"), QString());
    QCOMPARE(names("http://sub.portal.test/docs/a.pdf"), QString());
    QCOMPARE(names("http://a.wide.test/x"), QStringLiteral("wide"));
    QCOMPARE(names("http://wide.test/x"), QStringLiteral("wide"));
    QCOMPARE(names("http://elsewhere.test/docs/"), QString());
    QCOMPARE(names("http://safe.test/"), QString());
    QCOMPARE(names("https://safe.test/"), QStringLiteral("secure"));

    QTemporaryDir dir;
    QCOMPARE(ReadCookiesFile(dir.filePath(QStringLiteral("none.txt"))).errorLine, 0);
    QVERIFY(!ReadCookiesFile(dir.filePath(QStringLiteral("none.txt"))).error.isEmpty());
}

void TestSignIn::browseWaitsAtMostTenSeconds()
{
    QSignalSpy browse(m_login.get(), &SiteLogin::browseEnabledChanged);
    m_page->busy = true;
    m_login->browse();
    QCOMPARE(m_page->opened, QStringList{QStringLiteral("http://127.0.0.1/login.html")}); // trimmed
    QVERIFY(!m_login->browseEnabled());
    QVERIFY(m_login->pageLoading());
    advance(10000); // exactly ten seconds is not more than ten
    settle();
    QVERIFY(!m_login->browseEnabled());
    advance(1000);
    QTRY_VERIFY(m_login->browseEnabled());
    QCOMPARE(browse.size(), 2);

    m_form.address = QStringLiteral("   ");
    m_login->browse();
    QCOMPARE(m_page->opened.size(), 1); // an empty address opens nothing
}

void TestSignIn::browseEndsWhenThePageIsIn()
{
    m_login->browse();
    settle();
    QVERIFY(!m_login->browseEnabled()); // the flag holds until the page reports
    m_page->finishLoad();
    QTRY_VERIFY(m_login->browseEnabled());
    QVERIFY(!m_login->pageLoading());
}

void TestSignIn::accountSignInFillsSubmitsAndPauses()
{
    m_page->inputs = Inputs{{QStringLiteral("userid"), QStringLiteral("text")},
                            {QStringLiteral("password"), QStringLiteral("password")},
                            {QString(), QStringLiteral("submit")}};
    QSignalSpy enabled(m_login.get(), &SiteLogin::testLoginEnabledChanged);
    QSignalSpy finished(m_login.get(), &SiteLogin::finished);
    m_login->runSiteLogin(true);
    QVERIFY(m_login->running());
    QCOMPARE(enabled.size(), 1);
    m_page->finishLoad();
    QTRY_COMPARE(m_page->applied.size(), 1);
    QCOMPARE(m_page->applied.at(0).account, QStringLiteral("读者")); // trimmed
    QCOMPARE(m_page->applied.at(0).password, QStringLiteral("secret"));
    QCOMPARE(m_page->applied.at(0).walk.submitIndex, 2);
    QTRY_VERIFY(m_login->pageLoading()); // set for the click
    m_page->finishLoad();                // the answer to the submit
    settle();
    // The five-second pause follows.
    advance(5000);
    settle();
    QVERIFY(m_login->running());
    advance(1000);
    QTRY_COMPARE(finished.size(), 1);
    QVERIFY(!m_login->running());
    QCOMPARE(enabled.size(), 2);
    QVERIFY(m_dialogs->shown().isEmpty());
}

void TestSignIn::secondStartReturnsWhileRunning()
{
    m_login->runSiteLogin(true);
    m_login->runSiteLogin(true); // "测试登录" pressed twice quickly
    m_login->runSiteLogin(false); // and an engine's sign-in meanwhile
    QCOMPARE(m_page->opened.size(), 1);
    m_page->finishLoad();
    QTRY_COMPARE(m_page->applied.size(), 1);
    advance(6000);
    QTRY_VERIFY(!m_login->running());
    m_login->runSiteLogin(true); // after the end a new one runs
    QCOMPARE(m_page->opened.size(), 2);
}

void TestSignIn::ipSignInClicksSubmitip()
{
    m_form = LoginForm{QStringLiteral("http://127.0.0.1/login-ip.html"), {}, {}, false};
    m_page->clickableIds = {QStringLiteral("submitip")};
    m_login->runSiteLogin(true);
    m_page->finishLoad();
    QTRY_COMPARE(m_page->clickedIds, QStringList{QStringLiteral("submitip")});
    QVERIFY(m_page->applied.isEmpty());
    // The answer to the click never comes: the wait ends after ten seconds,
    // then the pause.
    QTRY_VERIFY(m_login->pageLoading());
    advance(11000);
    settle();
    QVERIFY(m_login->running());
    advance(6000);
    QTRY_VERIFY(!m_login->running());
}

void TestSignIn::missingFieldsClearAutoLogin_data()
{
    QTest::addColumn<bool>("showMessages");
    QTest::addColumn<QString>("address");
    QTest::addColumn<int>("messages");
    QTest::newRow("测试登录 without password") << true << "http://h/" << 1;
    QTest::newRow("engine without password") << false << "http://h/" << 0;
    QTest::newRow("engine without address") << false << "" << 0;
}

void TestSignIn::missingFieldsClearAutoLogin()
{
    QFETCH(bool, showMessages);
    QFETCH(QString, address);
    m_form = LoginForm{address, QStringLiteral("a"), QString(), true};
    QSignalSpy cleared(m_login.get(), &SiteLogin::autoLoginCleared);
    m_login->runSiteLogin(showMessages);
    QCOMPARE(cleared.size(), 1);
    QVERIFY(!m_login->running());
    QVERIFY(m_page->opened.isEmpty());
    QTEST(int(m_dialogs->shown().size()), "messages");
}

void TestSignIn::noDocumentStillPauses()
{
    m_page->inputs = std::nullopt;
    QSignalSpy finished(m_login.get(), &SiteLogin::finished);
    m_login->runSiteLogin(false);
    m_page->finishLoad();
    settle();
    QVERIFY(m_page->applied.isEmpty());
    QVERIFY(m_login->running());
    advance(5001);
    QTRY_COMPARE(finished.size(), 1);
}

// A form whose submit button comes first is filled and not sent; the
// page-loading flag of a page opened meanwhile is not the sign-in's to clear.
void TestSignIn::formWithoutSubmitLeavesOtherLoadsWaiting()
{
    m_page->inputs = Inputs{{QString(), QStringLiteral("submit")},
                            {QStringLiteral("userid"), QStringLiteral("text")},
                            {QStringLiteral("password"), QStringLiteral("password")}};
    m_page->whileApplying = [this] { m_login->navigate(QStringLiteral("http://127.0.0.1/other.html")); };
    m_login->runSiteLogin(true);
    m_page->finishLoad();
    QTRY_VERIFY(m_login->pausing());
    QCOMPARE(m_page->applied.size(), 1);
    QCOMPARE(m_page->applied.at(0).walk.fills.size(), 2);
    QCOMPARE(m_page->applied.at(0).walk.submitIndex, -1);
    QVERIFY(m_login->pageLoading());
}

void TestSignIn::reloadsEveryMinute()
{
    m_login->setReloading(true);
    advance(59999);
    QTest::qWait(700);
    QCOMPARE(m_page->reloads, 0);
    advance(1);
    QTRY_COMPARE(m_page->reloads, 1);
    advance(60000);
    QTRY_COMPARE(m_page->reloads, 2);
    m_login->setReloading(false);
    advance(120000);
    QTest::qWait(700);
    QCOMPARE(m_page->reloads, 2);
}

QTEST_GUILESS_MAIN(TestSignIn)
#include "tst_signin.moc"
