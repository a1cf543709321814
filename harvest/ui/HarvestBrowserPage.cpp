#include "harvest/ui/HarvestBrowserPage.h"

#include "platform/DialogService.h"

#include <QTimer>
#include <QWebEngineNewWindowRequest>
#include <QWebEngineSettings>

namespace {
QString dialogTitle(const QUrl &origin)
{
    return origin.host().isEmpty() ? QStringLiteral("网页消息") : origin.host();
}
} // namespace

HarvestBrowserPage::HarvestBrowserPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{
    settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    // Not calling openIn() leaves the new window unmade; the address opens
    // here once the engine is done with the request.
    connect(this, &QWebEnginePage::newWindowRequested, this, [this](QWebEngineNewWindowRequest &request) {
        const QUrl url = request.requestedUrl();
        if (url.isEmpty())
            return;
        QTimer::singleShot(0, this, [this, url] {
            setUrl(url);
            emit newWindowOpenedHere(url);
        });
    });
    // windowCloseRequested is deliberately left unconnected: the pane stays.
}

bool HarvestBrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType, bool isMainFrame)
{
    if (isMainFrame)
        emit beforeNavigate(url);
    return true;
}

void HarvestBrowserPage::javaScriptAlert(const QUrl &securityOrigin, const QString &msg)
{
    if (m_silent)
        return;
    DialogService::instance().message(msg, MessageIcon::Information, dialogTitle(securityOrigin));
}

bool HarvestBrowserPage::javaScriptConfirm(const QUrl &securityOrigin, const QString &msg)
{
    if (m_silent)
        return false;
    return DialogService::instance().message(msg, MessageIcon::Question, dialogTitle(securityOrigin))
        == MessageAnswer::Yes;
}

bool HarvestBrowserPage::javaScriptPrompt(const QUrl &securityOrigin, const QString &msg,
                                          const QString &defaultValue, QString *result)
{
    if (m_silent)
        return false;
    const std::optional<QString> typed = DialogService::instance().input(msg, dialogTitle(securityOrigin), defaultValue);
    if (!typed)
        return false;
    if (result)
        *result = *typed;
    return true;
}

void HarvestBrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                                  int lineNumber, const QString &sourceID)
{
    if (m_silent || level != ErrorMessageLevel)
        return;
    const QString text = QStringLiteral("网页脚本错误：%1\n行：%2\n网址：%3").arg(message).arg(lineNumber).arg(sourceID);
    const QString title = dialogTitle(QUrl(sourceID));
    QTimer::singleShot(0, this, [text, title] { DialogService::instance().message(text, MessageIcon::Error, title); });
}
