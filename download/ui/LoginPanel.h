#pragma once
// The sign-in panel PicWebBK of the download window: the sign-in page's
// address with "浏览", "自动刷新(每分钟)" and "关闭(隐藏)", account and
// password or "IP登录", the automatic-login condition, "测试登录" and
// "自动登录", and the browser Web1 below them. The window lays it exactly
// over its download list. Nothing of it is stored: the fields start empty
// with each download window, and the account and password never leave them
// except into the sign-in form of the page on show.
#include <QFrame>

class LoginBrowserPage;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWebEngineView;
class SiteLogin;
class WebLoginPage;

class LoginPanel final : public QFrame
{
    Q_OBJECT
public:
    explicit LoginPanel(QWidget *parent = nullptr);
    ~LoginPanel() override;

    SiteLogin &siteLogin() const { return *m_siteLogin; }
    LoginBrowserPage *page() const { return m_page; }
    QWebEngineView *web1() const { return m_web1; }

    // "自动登录" is ticked.
    bool autoLoginTicked() const;
    // "自动刷新(每分钟)" is ticked.
    bool reloadingTicked() const;

    // "网页登录": shows the panel in front; unless "自动登录" or
    // "自动刷新(每分钟)" is ticked, the browser goes to the selected row's
    // first address (none given: it stays where it is).
    void 网页登录(const QString &selectedRowAddress);
    // "关闭(隐藏)": hides the panel; the browser goes to "about:blank" unless
    // it is reloading.
    void 关闭隐藏();
    void RunSiteLogin(bool showMessages);
    // The download window closes: the reload timer goes off.
    void stopReloading();

signals:
    // "自动登录" was ticked or cleared.
    void autoLoginChanged(bool ticked);
    // The page's title for the window's third status panel (not for
    // "about:blank").
    void titleToShow(const QString &title);

private:
    LoginBrowserPage *m_page = nullptr;
    WebLoginPage *m_loginPage = nullptr;
    SiteLogin *m_siteLogin = nullptr;
    QWebEngineView *m_web1 = nullptr;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
    QLineEdit *m_text3 = nullptr;
    QPushButton *m_command2 = nullptr;
    QPushButton *m_command3 = nullptr;
    QPushButton *m_command5 = nullptr;
    QCheckBox *m_check1 = nullptr;
    QCheckBox *m_check2 = nullptr;
    QRadioButton *m_option4 = nullptr;
    QRadioButton *m_option5 = nullptr;
    QComboBox *m_combo3 = nullptr;
};
