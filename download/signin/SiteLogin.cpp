#include "download/signin/SiteLogin.h"

#include "common/TextCodec.h"
#include "download/signin/LoginPage.h"
#include "platform/Clock.h"
#include "platform/DialogService.h"

#include <QPointer>

#include <cmath>

namespace {
// The reload timer looks at the clock this often.
constexpr int kReloadPollMs = 500;
} // namespace

SiteLogin::SiteLogin(LoginPage &page, QObject *parent)
    : QObject(parent)
    , m_page(page)
{
    m_timer2.setObjectName(QStringLiteral("Timer2"));
    m_timer2.setInterval(kReloadPollMs);
    connect(&m_timer2, &QTimer::timeout, this, &SiteLogin::reloadTick);
    connect(&m_page, &LoginPage::topLevelLoadFinished, this, [this] { m_pageLoading = false; });
}

qint64 SiteLogin::wholeSeconds()
{
    return std::llround(Clock::instance().seconds());
}

void SiteLogin::navigate(const QString &address)
{
    m_pageLoading = true;
    m_page.open(address);
}

void SiteLogin::waitForPage(qint64 startSeconds, std::function<void()> done)
{
    const bool loaded = !m_page.isBusy() && !m_pageLoading;
    if (loaded || Clock::instance().seconds() - double(startSeconds) > kLoadWaitSeconds) {
        done();
        return;
    }
    QPointer<SiteLogin> self(this);
    QTimer::singleShot(kPollMs, this, [self, startSeconds, done = std::move(done)]() mutable {
        if (self)
            self->waitForPage(startSeconds, std::move(done));
    });
}

void SiteLogin::openAndWait(const QString &address, std::function<void()> done)
{
    if (m_openWaits++ == 0)
        emit browseEnabledChanged(false);
    const qint64 start = wholeSeconds();
    navigate(address);
    // The first look comes after the events pending now, as after the
    // browser was sent on its way.
    QPointer<SiteLogin> self(this);
    QTimer::singleShot(0, this, [self, start, done = std::move(done)]() mutable {
        if (!self)
            return;
        self->waitForPage(start, [self, done = std::move(done)] {
            if (!self)
                return;
            if (--self->m_openWaits == 0)
                emit self->browseEnabledChanged(true);
            if (done)
                done();
        });
    });
}

void SiteLogin::browse()
{
    const QString address = TrimSpaces(form ? form().address : QString());
    if (address.isEmpty())
        return;
    openAndWait(address, nullptr);
}

bool SiteLogin::autoLoginTicked()
{
    const LoginFormCheck check = CheckLoginForm(form ? form() : LoginForm());
    if (check == LoginFormCheck::Ready)
        return true;
    ShowError(LoginFormMessage(check));
    return false;
}

void SiteLogin::runSiteLogin(bool showMessages)
{
    const LoginForm fields = form ? form() : LoginForm();
    const LoginFormCheck check = CheckLoginForm(fields);
    if (check != LoginFormCheck::Ready) {
        if (showMessages)
            ShowError(LoginFormMessage(check));
        emit autoLoginCleared();
        return;
    }
    if (m_running)
        return;
    setRunning(true);
    QPointer<SiteLogin> self(this);
    openAndWait(TrimSpaces(fields.address), [self] {
        if (self)
            self->fillForm();
    });
}

void SiteLogin::fillForm()
{
    QPointer<SiteLogin> self(this);
    m_page.readInputs([self](std::optional<QList<PageInput>> inputs) {
        if (!self)
            return;
        if (!inputs) {
            self->pause();
            return;
        }
        const LoginForm fields = self->form ? self->form() : LoginForm();
        if (fields.accountLogin) {
            const InputWalk walk = WalkInputs(*inputs);
            const qint64 start = wholeSeconds();
            const bool submits = walk.submitIndex >= 0;
            if (submits)
                self->m_pageLoading = true;
            self->m_page.applyWalk(walk, TrimSpaces(fields.account), TrimSpaces(fields.password),
                                   [self, start, submits](bool clicked) {
                                       if (!self)
                                           return;
                                       if (submits)
                                           self->clickAndWait(clicked, start);
                                       else
                                           self->pause();
                                   });
        } else {
            const qint64 start = wholeSeconds();
            self->m_pageLoading = true;
            self->m_page.clickElement(QStringLiteral("submitip"), [self, start](bool clicked) {
                if (self)
                    self->clickAndWait(clicked, start);
            });
        }
    });
}

void SiteLogin::clickAndWait(bool clicked, qint64 startSeconds)
{
    if (!clicked) {
        // The flag was set for a click that did not happen: no page is coming.
        m_pageLoading = false;
        pause();
        return;
    }
    QPointer<SiteLogin> self(this);
    QTimer::singleShot(0, this, [self, startSeconds] {
        if (self)
            self->waitForPage(startSeconds, [self] {
                if (self)
                    self->pause();
            });
    });
}

void SiteLogin::pause()
{
    m_pausing = true;
    pauseStep(wholeSeconds());
}

void SiteLogin::pauseStep(qint64 startSeconds)
{
    if (Clock::instance().seconds() - double(startSeconds) > kPauseSeconds) {
        endSignIn();
        return;
    }
    QPointer<SiteLogin> self(this);
    QTimer::singleShot(kPollMs, this, [self, startSeconds] {
        if (self)
            self->pauseStep(startSeconds);
    });
}

void SiteLogin::endSignIn()
{
    m_pausing = false;
    setRunning(false);
    emit finished();
}

void SiteLogin::setRunning(bool running)
{
    if (m_running == running)
        return;
    m_running = running;
    emit testLoginEnabledChanged(!running);
}

void SiteLogin::setReloading(bool on)
{
    if (m_reloading == on)
        return;
    m_reloading = on;
    if (on) {
        m_reloadStartMs = Clock::instance().msecs();
        m_timer2.start();
    } else {
        m_timer2.stop();
    }
}

void SiteLogin::reloadTick()
{
    if (!m_reloading)
        return;
    const qint64 now = Clock::instance().msecs();
    if (now - m_reloadStartMs < kReloadIntervalMs)
        return;
    m_reloadStartMs = now;
    m_page.reload();
}
