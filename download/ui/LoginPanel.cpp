#include "download/ui/LoginPanel.h"

#include "common/TextCodec.h"
#include "common/ui/NamedWidget.h"
#include "download/signin/SiteLogin.h"
#include "download/ui/LoginBrowserPage.h"
#include "platform/web/BrowserProfile.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace {
// 40 twips at 15 twips a pixel.
constexpr int kBrowserMarginPx = 3;
} // namespace

LoginPanel::LoginPanel(QWidget *parent)
    : QFrame(parent)
{
    setObjectName(QStringLiteral("PicWebBK"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);

    m_text1 = named(new QLineEdit, "Text1");
    m_command2 = named(new QPushButton(QStringLiteral("浏览")), "Command2");
    m_check1 = named(new QCheckBox(QStringLiteral("自动刷新(每分钟)")), "Check1");
    m_command3 = named(new QPushButton(QStringLiteral("关闭(隐藏)")), "Command3");
    m_option4 = named(new QRadioButton(QStringLiteral("帐号登录：")), "Option4");
    m_text2 = named(new QLineEdit, "Text2");
    m_text3 = named(new QLineEdit, "Text3");
    m_text3->setEchoMode(QLineEdit::Password);
    m_option5 = named(new QRadioButton(QStringLiteral("IP登录")), "Option5");
    m_combo3 = named(new QComboBox, "Combo3");
    m_combo3->addItem(QStringLiteral("下载到网页文件(htm/html/asp)文件"));
    m_combo3->setCurrentIndex(0);
    m_command5 = named(new QPushButton(QStringLiteral("测试登录")), "Command5");
    m_check2 = named(new QCheckBox(QStringLiteral("自动登录")), "Check2");
    auto *group = new QButtonGroup(this);
    group->addButton(m_option4);
    group->addButton(m_option5);
    m_option4->setChecked(true);

    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(2, 2, 0, 0);
    auto *row1 = new QHBoxLayout;
    row1->addWidget(named(new QLabel(QStringLiteral("网址：")), "Label2"));
    row1->addWidget(m_text1, 1);
    row1->addWidget(m_command2);
    row1->addWidget(m_check1);
    row1->addWidget(m_command3);
    row1->setContentsMargins(0, 0, kBrowserMarginPx, 0);
    auto *row2 = new QHBoxLayout;
    row2->addWidget(m_option4);
    row2->addWidget(m_text2);
    row2->addWidget(named(new QLabel(QStringLiteral("密码：")), "Label3"));
    row2->addWidget(m_text3);
    row2->addWidget(m_option5);
    row2->addSpacing(8);
    row2->addWidget(named(new QLabel(QStringLiteral("自动登录条件：")), "Label4"));
    row2->addWidget(m_combo3);
    row2->addWidget(m_command5);
    row2->addWidget(m_check2);
    row2->addStretch();
    row2->setContentsMargins(0, 0, kBrowserMarginPx, 0);
    rows->addLayout(row1);
    rows->addLayout(row2);

    m_web1 = named(new QWebEngineView, "Web1");
    m_page = new LoginBrowserPage(&BrowserProfile(), m_web1);
    m_web1->setPage(m_page);
    auto *browserRow = new QHBoxLayout;
    browserRow->setContentsMargins(0, 0, kBrowserMarginPx, kBrowserMarginPx);
    browserRow->addWidget(m_web1);
    rows->addLayout(browserRow, 1);

    m_loginPage = new WebLoginPage(m_page, this);
    m_siteLogin = new SiteLogin(*m_loginPage, this);
    m_siteLogin->form = [this] {
        LoginForm form;
        form.address = m_text1->text();
        form.account = m_text2->text();
        form.password = m_text3->text();
        form.accountLogin = m_option4->isChecked();
        return form;
    };

    connect(m_command2, &QPushButton::clicked, m_siteLogin, &SiteLogin::browse);
    connect(m_command3, &QPushButton::clicked, this, &LoginPanel::关闭隐藏);
    connect(m_command5, &QPushButton::clicked, this, [this] { RunSiteLogin(true); });
    connect(m_check1, &QCheckBox::toggled, m_siteLogin, &SiteLogin::setReloading);
    connect(m_check2, &QCheckBox::toggled, this, [this](bool ticked) {
        if (ticked && !m_siteLogin->autoLoginTicked()) {
            m_check2->setChecked(false);
            return;
        }
        emit autoLoginChanged(ticked);
    });
    connect(m_siteLogin, &SiteLogin::autoLoginCleared, this, [this] { m_check2->setChecked(false); });
    connect(m_siteLogin, &SiteLogin::testLoginEnabledChanged, m_command5, &QWidget::setEnabled);
    connect(m_siteLogin, &SiteLogin::browseEnabledChanged, m_command2, &QWidget::setEnabled);
    connect(m_page, &QWebEnginePage::titleChanged, this, [this](const QString &title) {
        if (TrimSpaces(title).toLower() != u"about:blank")
            emit titleToShow(title);
    });

    // As the download window loads: silent (the page always is) and blank.
    m_siteLogin->navigate(QStringLiteral("about:blank"));
    hide();
}

LoginPanel::~LoginPanel()
{
    // The sign-in's steps refer to the page; they go first.
    delete m_siteLogin;
    m_siteLogin = nullptr;
}

bool LoginPanel::autoLoginTicked() const
{
    return m_check2->isChecked();
}

bool LoginPanel::reloadingTicked() const
{
    return m_check1->isChecked();
}

void LoginPanel::网页登录(const QString &selectedRowAddress)
{
    show();
    raise();
    if (m_check2->isChecked() || m_check1->isChecked() || selectedRowAddress.isEmpty())
        return;
    m_siteLogin->navigate(selectedRowAddress);
}

void LoginPanel::关闭隐藏()
{
    hide();
    if (!m_check1->isChecked())
        m_siteLogin->navigate(QStringLiteral("about:blank"));
}

void LoginPanel::RunSiteLogin(bool showMessages)
{
    m_siteLogin->runSiteLogin(showMessages);
}

void LoginPanel::stopReloading()
{
    m_siteLogin->setReloading(false);
}
