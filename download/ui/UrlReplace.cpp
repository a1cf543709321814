#include "download/ui/UrlReplace.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

UrlReplace::UrlReplace(DownloadListCommands &commands, QWidget *parent)
    : QDialog(parent)
    , m_commands(&commands)
    , m_text1(new QLineEdit(this))
    , m_text2(new QLineEdit(this))
    , m_command1(new QPushButton(QStringLiteral("替换"), this))
    , m_command2(new QPushButton(QStringLiteral("取消"), this))
{
    setObjectName(QStringLiteral("UrlReplace"));
    setWindowTitle(QStringLiteral("网址批量替换"));
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text2->setObjectName(QStringLiteral("Text2"));
    m_command1->setObjectName(QStringLiteral("Command1"));
    m_command2->setObjectName(QStringLiteral("Command2"));
    m_command1->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("所有网址中的字符串："), this), 0, 0);
    grid->addWidget(m_text1, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("将被全部替换为字符串："), this), 1, 0);
    grid->addWidget(m_text2, 1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    grid->addLayout(buttons, 2, 0, 1, 2);
    m_text1->setMinimumWidth(320);

    connect(m_command1, &QPushButton::clicked, this, &UrlReplace::Command1_Click);
    connect(m_command2, &QPushButton::clicked, this, &QDialog::reject);
}

UrlReplace *UrlReplace::showFor(DownloadListCommands &commands, QWidget *parent)
{
    auto *dialog = new UrlReplace(commands, parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

void UrlReplace::Command1_Click()
{
    if (!m_commands)
        return;
    // The texts are used as typed: a leading space is part of the search.
    const DownloadListCommands::ReplaceResult result = m_commands->replaceInAddresses(m_text1->text(), m_text2->text());
    if (!result.replaced)
        return;
    accept();
    m_commands->reportReplaceFinished(result);
}
