#pragma once
// The sign-in panel's browser Web1 on the program's one browser profile (the
// cookies of the harvesting window's pane and of both download engines).
//
// LoginBrowserPage is always silent: a page's alert, confirm and prompt boxes
// are not shown (confirm and prompt answer as cancelled) and script errors
// are not reported. A page's request for a new window opens the address in
// this page instead, unless it is empty or "about:blank"; a script's
// window.close() is refused (the request is not acted on).
//
// WebLoginPage gives the sign-in its LoginPage over that page: the form
// scripts run in the application's own script world, so the page's scripts
// cannot interfere with them.
#include "download/signin/LoginPage.h"

#include <QPointer>
#include <QWebEnginePage>

class LoginBrowserPage final : public QWebEnginePage
{
    Q_OBJECT
public:
    explicit LoginBrowserPage(QWebEngineProfile *profile, QObject *parent = nullptr);

signals:
    // A new-window request was turned into a navigation of this page.
    void newWindowOpenedHere(const QUrl &url);

protected:
    void javaScriptAlert(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &securityOrigin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &securityOrigin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;
};

class WebLoginPage final : public LoginPage
{
    Q_OBJECT
public:
    explicit WebLoginPage(QWebEnginePage *page, QObject *parent = nullptr);

    void open(const QString &address) override;
    void reload() override;
    bool isBusy() const override;
    void readInputs(std::function<void(std::optional<QList<PageInput>> inputs)> done) override;
    void applyWalk(const InputWalk &walk, const QString &account, const QString &password,
                   std::function<void(bool clicked)> done) override;
    void clickElement(const QString &id, std::function<void(bool clicked)> done) override;

private:
    void runScript(const QString &script, std::function<void(const QVariant &result)> done);

    QPointer<QWebEnginePage> m_page;
    // The inputs last read, to check that the walk still meets the same form.
    QList<PageInput> m_inputs;
};
