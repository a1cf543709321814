#include "download/dialogs/fSeleFileSavePath.h"

#include "common/Paths.h"
#include "common/TextCodec.h"
#include "common/ui/DialogRoutines.h"
#include "download/core/DownloadSettings.h"
#include "download/core/RecentFolderList.h"
#include "download/core/SaveNames.h"
#include "platform/DialogService.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

fSeleFileSavePath::fSeleFileSavePath(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint)
    , m_combo1(new QComboBox)
    , m_option1(new QRadioButton(QStringLiteral("原文件名")))
    , m_option2(new QRadioButton(QStringLiteral("文章标题名称")))
{
    setObjectName(QStringLiteral("fSeleFileSavePath"));
    setWindowTitle(QStringLiteral("选择下载保存路径"));
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setMinimumWidth(360);
    m_option1->setObjectName(QStringLiteral("Option1"));
    m_option2->setObjectName(QStringLiteral("Option2"));

    auto *command1 = new QPushButton(QStringLiteral("..."));
    command1->setObjectName(QStringLiteral("Command1"));
    auto *command2 = new QPushButton(QStringLiteral("确定"));
    command2->setObjectName(QStringLiteral("Command2"));
    command2->setDefault(true);
    auto *command3 = new QPushButton(QStringLiteral("取消"));
    command3->setObjectName(QStringLiteral("Command3"));

    auto *grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("保存到文件夹：")), 0, 0);
    grid->addWidget(m_combo1, 0, 1);
    grid->addWidget(command1, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("保存文件名为：")), 1, 0);
    auto *names = new QHBoxLayout;
    names->addWidget(m_option1);
    names->addWidget(m_option2);
    names->addStretch();
    grid->addLayout(names, 1, 1, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(command2);
    buttons->addWidget(command3);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(command1, &QPushButton::clicked, this, &fSeleFileSavePath::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &fSeleFileSavePath::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &fSeleFileSavePath::Command3_Click);

    DownloadSettings &settings = DownloadSettings::instance();
    m_option2->setChecked(true);
    if (settings.keepSourceFileName())
        m_option1->setChecked(true);
    QStringList recent;
    if (LoadListFromFile(recent, SaveListFilePath()))
        m_combo1->addItems(recent);
    settings.loadDefaultSaveFolder();
    m_combo1->setEditText(settings.defaultSaveFolder());
    FitComboDropDownWidth(m_combo1);
}

fSeleFileSavePath *fSeleFileSavePath::showModal(QWidget *owner,
                                                std::function<void(const SaveFolderChoice &choice)> done)
{
    auto *dialog = new fSeleFileSavePath(owner);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::ApplicationModal);
    if (done)
        connect(dialog, &QDialog::finished, dialog, [dialog, done](int) { done(dialog->choice()); });
    dialog->show();
    return dialog;
}

void fSeleFileSavePath::Command1_Click()
{
    m_combo1->setEditText(
        BrowseForFolder(this, m_combo1->currentText(), QStringLiteral("请选择要浏览的文件夹:"), false));
}

void fSeleFileSavePath::Command2_Click()
{
    // After "文件夹名称有误！不能创建文件夹！" the answer is only the part
    // before the bad name; the folder stays as typed for the user to mend.
    bool malformed = false;
    const QString created = CreateFolderPath(WithTrailingSlash(m_combo1->currentText()), &malformed);
    if (malformed)
        return;
    m_combo1->setEditText(created);
    const QString folder = m_combo1->currentText();
    if (folder.isEmpty()) {
        ShowError(QStringLiteral("文件夹设置错误！"));
        return;
    }
    m_choice.cancelled = false;
    m_choice.folder = WithTrailingSlash(folder);
    m_choice.keepSourceFileName = m_option1->isChecked();
    DownloadSettings::storeDefaultSaveFolder(m_choice.folder);

    QStringList recent;
    for (int i = 0; i < m_combo1->count(); ++i)
        recent.append(m_combo1->itemText(i));
    const QString entry = TrimSpaces(folder);
    // Once the list is full, a new folder would land beyond the lines that
    // are read back and never be offered; the oldest folders make room.
    if (!recent.contains(entry, Qt::CaseInsensitive)) {
        while (recent.size() >= kMaxRecentFolders)
            recent.removeFirst();
    }
    recent.append(entry);
    SaveListToFile(recent, SaveListFilePath());
    QDialog::accept();
}

void fSeleFileSavePath::Command3_Click()
{
    reject();
}

void fSeleFileSavePath::reject()
{
    m_choice = SaveFolderChoice();
    QDialog::reject();
}
