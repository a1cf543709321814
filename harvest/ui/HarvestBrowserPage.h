#pragma once
// The page of the harvesting window's browser pane, on the shared browser
// profile. It keeps the user in the one pane: a page's request for a new
// window (a link with target="_blank", window.open) opens the requested
// address right here, and a script's window.close() is refused (the request
// is not acted on). While silent ("禁止网页脚本对话框" ticked) the page's
// alert, confirm and prompt boxes are not shown: confirm and prompt answer
// as cancelled, and script errors are not reported. When not silent the
// boxes go through the dialog service, and each script error is shown there
// as well, after the engine's callback has returned.
#include <QWebEnginePage>

class HarvestBrowserPage final : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit HarvestBrowserPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    void setSilent(bool silent) { m_silent = silent; }
    bool isSilent() const { return m_silent; }

signals:
    // A navigation of the top-level document is about to start.
    void beforeNavigate(const QUrl &url);
    // A new-window request was turned into a navigation of this page.
    void newWindowOpenedHere(const QUrl &url);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    bool m_silent = true;
};
