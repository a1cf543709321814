#include "shell/fUse.h"

#include "platform/SettingsStore.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

QString fUse::usageText()
{
    return QStringLiteral(
        "一、检索文献\n"
        "1. 在“资料检索分析窗口”中打开文献门户首页，输入关键词检索。只检索不需要登录门户。\n"
        "2. 如果门户限制检索速度（检索太快会出现验证页面），请先在“限速延时”中选择每翻一页之前等待的秒数。\n"
        "\n"
        "二、加入列表\n"
        "3. 检索结果出来后，按“加入本页到列表”只加入当前这一页；按“加入全部到列表”则自动逐页翻到最后一页，"
        "把每一页的结果都加入列表，中途可以按“停止加入全部”。\n"
        "\n"
        "三、分析下载\n"
        "4. 按“分析下载”，在弹出的菜单中任选一项（分析未分析项、分析失败项、分析选中项或分析全部），"
        "分析成功的条目会交给下载窗口。\n"
        "\n"
        "四、下载文件\n"
        "5. 在下载窗口中选中一个条目，按“网页登录”，在打开的网页中登录门户的账号，"
        "登录好以后按“关闭（隐藏）”把网页藏起来。\n"
        "6. 选择下载方式一，按“开始下载”。\n"
        "7. 请勾选“有5个以上下载出错或者网页文件，就停止下载”：账号超过门户允许的下载数量时，"
        "下载会自动停下来；这时照第5步换另一个账号登录，再按“开始下载”继续。\n"
        "\n"
        "本软件只用于辅助少量下载，请不要恶意下载和大量下载。");
}

fUse::fUse(QWidget *parent)
    : QDialog(parent)
    , m_text1(new QPlainTextEdit)
{
    setObjectName(QStringLiteral("fUse"));
    setWindowTitle(QStringLiteral("使用说明") + QStringLiteral("-") + SettingsStore::applicationTitle());
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setReadOnly(true);
    m_text1->setPlainText(usageText());
    auto *close = new QPushButton(QStringLiteral("关闭"));
    close->setObjectName(QStringLiteral("Command1"));
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text1, 1);
    layout->addLayout(buttons);
    resize(560, 420);
}

fUse *fUse::showModal(QWidget *owner)
{
    auto *dialog = new fUse(owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->show();
    return dialog;
}
