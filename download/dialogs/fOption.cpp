#include "download/dialogs/fOption.h"

#include "common/Paths.h"
#include "common/TextCodec.h"
#include "common/ui/DialogRoutines.h"
#include "common/ui/NamedWidget.h"
#include "download/core/DownloadSettings.h"
#include "download/core/SaveNames.h"
#include "platform/DialogService.h"
#include "platform/SettingsStore.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

fOption::fOption(QWidget *parent)
    : QDialog(parent)
    , m_option1(named(new QRadioButton(QStringLiteral("下载方式一 (支持HTTP，单线程，代理服务器下载)")), "Option1"))
    , m_option2(named(new QRadioButton(QStringLiteral("下载方式二 (支持HTTP，多线程下载)")), "Option2"))
    , m_check1(named(new QCheckBox(QStringLiteral("下载使用代理服务器")), "Check1"))
    , m_text6(named(new QLineEdit, "Text6"))
    , m_text8(named(new QLineEdit, "Text8"))
    , m_check2(named(new QCheckBox(QStringLiteral("提取网页信息时，提示下载保存路径")), "Check2"))
    , m_text1(named(new QLineEdit, "Text1"))
    , m_text2(named(new QLineEdit, "Text2"))
{
    setObjectName(QStringLiteral("fOption"));
    setWindowTitle(QStringLiteral("设置-") + SettingsStore::applicationTitle());

    auto *method = new QGroupBox(QStringLiteral("下载方式："));
    auto *methodLayout = new QVBoxLayout(method);
    methodLayout->addWidget(m_option1);
    methodLayout->addWidget(m_option2);

    auto *proxy = new QGroupBox;
    auto *proxyLayout = new QGridLayout(proxy);
    proxyLayout->addWidget(m_check1, 0, 0, 1, 3);
    proxyLayout->addWidget(new QLabel(QStringLiteral("地址：")), 1, 0);
    proxyLayout->addWidget(m_text6, 1, 1);
    proxyLayout->addWidget(new QLabel(QStringLiteral("(如：proxy.example.net 或者 192.168.1.10)")), 1, 2);
    proxyLayout->addWidget(new QLabel(QStringLiteral("端口：")), 2, 0);
    proxyLayout->addWidget(m_text8, 2, 1);
    proxyLayout->addWidget(new QLabel(QStringLiteral("(如：3128 或者 80 等等)")), 2, 2);

    auto *size = new QHBoxLayout;
    size->addWidget(new QLabel(QStringLiteral("下载文件大小不超过：")));
    m_text1->setMaximumWidth(80);
    size->addWidget(m_text1);
    size->addWidget(new QLabel(QStringLiteral("MB")));
    size->addStretch();

    auto *folder = new QHBoxLayout;
    folder->addWidget(new QLabel(QStringLiteral("下载文件默认保存路径：")));
    folder->addWidget(m_text2, 1);
    auto *command3 = named(new QPushButton(QStringLiteral("指定")), "Command3");
    folder->addWidget(command3);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    auto *command1 = named(new QPushButton(QStringLiteral("确定")), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("关闭")), "Command2");
    command1->setDefault(true);
    buttons->addWidget(command1);
    buttons->addWidget(command2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(method);
    layout->addWidget(proxy);
    layout->addWidget(m_check2);
    layout->addLayout(size);
    layout->addLayout(folder);
    layout->addLayout(buttons);

    connect(command1, &QPushButton::clicked, this, &fOption::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &fOption::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &fOption::Command3_Click);

    loadValues();
}

fOption *fOption::showModal(QWidget *owner)
{
    auto *dialog = new fOption(owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    return dialog;
}

void fOption::loadValues()
{
    DownloadSettings &settings = DownloadSettings::instance();
    settings.loadForOptionsDialog();
    m_check1->setChecked(settings.proxyEnabled() == 1);
    m_text6->setText(settings.proxyUrl());
    m_text8->setText(settings.proxyPort());
    m_option1->setChecked(settings.downloadMethod() == 1);
    m_option2->setChecked(settings.downloadMethod() == 2);
    m_check2->setChecked(settings.promptSaveFolderOnExtract() == 1);
    m_text1->setText(PlainDecimalText(float(settings.maxFileSizeMB())));
    m_text2->setText(settings.defaultSaveFolder());
}

void fOption::Command1_Click()
{
    const bool accepted = storeValues();
    // An open download window's run takes whatever got stored, also when a
    // check keeps the dialog open.
    DownloadSettings::instance().announceChanges();
    if (accepted)
        accept();
}

bool fOption::storeValues()
{
    DownloadSettings &settings = DownloadSettings::instance();
    if (m_option1->isChecked())
        settings.chooseDownloadMethod(1);
    else if (m_option2->isChecked())
        settings.chooseDownloadMethod(2);
    settings.storeDownloadMethod();

    settings.setProxyEnabled(m_check1->isChecked() ? 1 : 0);
    settings.storeProxyEnabled();
    settings.setProxyUrl(m_text6->text());
    settings.storeProxyUrl();
    settings.setProxyPort(m_text8->text());
    settings.storeProxyPort();
    if (settings.proxyEnabled() == 1 && (settings.proxyUrl().isEmpty() || !IsNumericText(settings.proxyPort())))
        ShowError(QStringLiteral("代理服务器网址或者端口格式不对！"));

    settings.setPromptSaveFolderOnExtract(m_check2->isChecked() ? 1 : 0);
    settings.storePromptSaveFolderOnExtract();

    // A size that is not a positive number would skip every download as too
    // big (or none at all); refuse it like the folder check below does.
    bool sizeOk = false;
    const double mb = TrimSpaces(m_text1->text()).toDouble(&sizeOk);
    if (!sizeOk || !(mb > 0)) {
        ShowError(QStringLiteral("下载文件大小设置错误！"));
        return false;
    }
    settings.setMaxFileSizeMB(mb);
    settings.storeMaxFileSizeMB();

    if (TrimSpaces(m_text2->text()).isEmpty()) {
        ShowError(QStringLiteral("下载文件默认保存路径设置错误！"));
        return false;
    }
    // After "文件夹名称有误！不能创建文件夹！" the answer is only the part
    // before the bad name; the folder stays as typed for the user to mend.
    bool malformed = false;
    const QString created = CreateFolderPath(WithTrailingSlash(m_text2->text()), &malformed);
    if (malformed)
        return false;
    m_text2->setText(created);
    if (m_text2->text().isEmpty()) {
        ShowError(QStringLiteral("下载文件默认保存路径设置错误！"));
        return false;
    }
    settings.setDefaultSaveFolder(WithTrailingSlash(m_text2->text()));
    settings.storeDefaultSaveFolder();
    return true;
}

void fOption::Command2_Click()
{
    reject();
}

void fOption::Command3_Click()
{
    m_text2->setText(BrowseForFolder(this, m_text2->text(), QStringLiteral("请选择要浏览的文件夹:"), false));
}
