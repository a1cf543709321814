#pragma once
// The work of the sign-in panel: open-and-wait ("浏览"), the sign-in
// RunSiteLogin ("测试登录", and the automatic sign-in after a download), the
// checks when "自动登录" is ticked, and the reload every minute
// ("自动刷新(每分钟)", Timer2). The panel only shows the state this reports.
//
// Every wait is a step on the event loop (a short poll timer reading the
// program Clock, the page's load signal, the browser's script callbacks),
// never a nested loop: downloads, timers and clicks go on meanwhile, and
// tests move a ManualClock instead of waiting.
#include "download/signin/SignInRules.h"

#include <QObject>
#include <QTimer>

#include <functional>

class LoginPage;

class SiteLogin final : public QObject
{
    Q_OBJECT
public:
    static constexpr int kLoadWaitSeconds = 10; // a wait for a page ends after this
    static constexpr int kPauseSeconds = 5;     // the pause at the end of a sign-in
    static constexpr int kReloadIntervalMs = 60000;
    // How often a waiting step looks at the clock and the flags.
    static constexpr int kPollMs = 50;

    explicit SiteLogin(LoginPage &page, QObject *parent = nullptr);

    // The panel's fields as they are now; read afresh at every step.
    std::function<LoginForm()> form;

    // "浏览": open-and-wait on the address; nothing when it is empty.
    void browse();
    // Sends the browser to the address with the page-loading flag set.
    void navigate(const QString &address);
    // RunSiteLogin; showMessages is true for "测试登录".
    void runSiteLogin(bool showMessages);
    // The checks when "自动登录" is ticked: false (after the message) when
    // the box must be cleared again.
    bool autoLoginTicked();

    // "自动刷新(每分钟)": the reload timer runs exactly while this is on.
    void setReloading(bool on);
    bool reloading() const { return m_reloading; }
    // Timer2's body: the browser reloads its page once a minute has passed
    // since the timer started or last reloaded.
    void reloadTick();

    // A sign-in is running ("测试登录" disabled).
    bool running() const { return m_running; }
    // The running sign-in is in its closing pause (the form work is done).
    bool pausing() const { return m_pausing; }
    // No open-and-wait is waiting ("浏览" enabled).
    bool browseEnabled() const { return m_openWaits == 0; }
    bool pageLoading() const { return m_pageLoading; }

signals:
    void testLoginEnabledChanged(bool enabled);
    void browseEnabledChanged(bool enabled);
    // "自动登录" must be cleared: the fields do not allow a sign-in.
    void autoLoginCleared();
    // A sign-in ran to its end ("测试登录" enabled again).
    void finished();

private:
    // Runs done once the browser is not busy and the page-loading flag is
    // clear, or when more than kLoadWaitSeconds passed since startSeconds.
    void waitForPage(qint64 startSeconds, std::function<void()> done);
    void openAndWait(const QString &address, std::function<void()> done);
    void fillForm();
    void clickAndWait(bool clicked, qint64 startSeconds);
    void pause();
    void pauseStep(qint64 startSeconds);
    void endSignIn();
    void setRunning(bool running);
    static qint64 wholeSeconds();

    LoginPage &m_page;
    QTimer m_timer2; // polls the clock for the reload
    qint64 m_reloadStartMs = 0;
    bool m_reloading = false;
    bool m_running = false;
    bool m_pausing = false;
    bool m_pageLoading = false;
    int m_openWaits = 0;
};
