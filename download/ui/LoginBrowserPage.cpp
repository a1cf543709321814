#include "download/ui/LoginBrowserPage.h"

#include "common/TextCodec.h"
#include "download/signin/LoginScripts.h"

#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>

LoginBrowserPage::LoginBrowserPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    // Not calling openIn() leaves the new window unmade; the address opens
    // here once the engine is done with the request.
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
        const QUrl url = request.requestedUrl();
        const QString text = TrimSpaces(url.toString());
        if (text.isEmpty() || text.toLower() == u"about:blank")
            return;
        QTimer::singleShot(0, this, [this, url] {
            setUrl(url);
            emit newWindowOpenedHere(url);
        });
    });
    // windowCloseRequested is deliberately left unconnected: the panel's
    // browser stays.
}

void LoginBrowserPage::javaScriptAlert(const QUrl &, const QString &) {}

bool LoginBrowserPage::javaScriptConfirm(const QUrl &, const QString &)
{
    return false;
}

bool LoginBrowserPage::javaScriptPrompt(const QUrl &, const QString &, const QString &, QString *)
{
    return false;
}

void LoginBrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &, int,
                                                const QString &)
{
}

WebLoginPage::WebLoginPage(QWebEnginePage *page, QObject *parent)
    : LoginPage(parent)
    , m_page(page)
{
    connect(page, &QWebEnginePage::loadFinished, this, &LoginPage::topLevelLoadFinished);
}

void WebLoginPage::open(const QString &address)
{
    if (m_page)
        m_page->setUrl(QUrl::fromUserInput(address));
}

void WebLoginPage::reload()
{
    if (m_page)
        m_page->triggerAction(QWebEnginePage::Reload);
}

bool WebLoginPage::isBusy() const
{
    return m_page && m_page->isLoading();
}

void WebLoginPage::runScript(const QString &script, std::function<void(const QVariant &result)> done)
{
    if (!m_page) {
        done(QVariant());
        return;
    }
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [done = std::move(done)](const QVariant &result) { done(result); });
}

void WebLoginPage::readInputs(std::function<void(std::optional<QList<PageInput>> inputs)> done)
{
    QPointer<WebLoginPage> self(this);
    runScript(ReadInputsScript(), [self, done = std::move(done)](const QVariant &result) {
        std::optional<QList<PageInput>> inputs = InputsFromScriptResult(result);
        if (self)
            self->m_inputs = inputs.value_or(QList<PageInput>());
        done(std::move(inputs));
    });
}

void WebLoginPage::applyWalk(const InputWalk &walk, const QString &account, const QString &password,
                             std::function<void(bool clicked)> done)
{
    runScript(ApplyWalkScript(walk, m_inputs, account, password),
              [done = std::move(done)](const QVariant &result) { done(result.toBool()); });
}

void WebLoginPage::clickElement(const QString &id, std::function<void(bool clicked)> done)
{
    runScript(ClickElementScript(id), [done = std::move(done)](const QVariant &result) { done(result.toBool()); });
}
