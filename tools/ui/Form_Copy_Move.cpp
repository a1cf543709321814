#include "tools/ui/Form_Copy_Move.h"

#include "common/Paths.h"
#include "common/ui/DialogRoutines.h"
#include "common/ui/NamedWidget.h"
#include "download/core/RecentFolderList.h"
#include "download/core/SaveNames.h"
#include "platform/DialogService.h"
#include "platform/SettingsStore.h"
#include "tools/core/CopyMoveRun.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const QString kStart = QStringLiteral("开始");
const QString kStop = QStringLiteral("停止");

QString defaultDestination()
{
    return WithTrailingSlash(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
}

// An ordinary file: hidden ones count as missing, as the run's list check has it.
bool isListedSource(const QString &path)
{
    return FileExists(path) && !QFileInfo(path).isHidden();
}
} // namespace

Form_Copy_Move::Form_Copy_Move(bool isMove, QWidget *parent) : QDialog(parent), m_isMove(isMove)
{
    setObjectName(QStringLiteral("Form_Copy_Move"));
    setWindowTitle(isMove ? QStringLiteral("移动文件...") : QStringLiteral("复制文件..."));

    auto *label1 = named(new QLabel(QStringLiteral("目的文件夹：")), "Label1");
    m_combo1 = named(new QComboBox, "Combo1");
    m_combo1->setEditable(true);
    m_combo1->setInsertPolicy(QComboBox::NoInsert);
    m_combo1->setMinimumWidth(360);
    auto *command3 = named(new QPushButton(QStringLiteral("浏览")), "Command3");

    auto *frame1 = named(new QGroupBox(QStringLiteral("如果同名文件已经存在")), "Frame1");
    auto *frameLayout = new QVBoxLayout(frame1);
    m_options = new QButtonGroup(this);
    for (int i = 1; i <= 5; ++i) {
        auto *option = new QRadioButton(CollisionPolicyCaption(static_cast<CollisionPolicy>(i)));
        option->setObjectName(QStringLiteral("Option%1").arg(i));
        m_options->addButton(option, i);
        frameLayout->addWidget(option);
    }

    auto *label2 = named(new QLabel(QStringLiteral("当前文件：")), "Label2");
    m_label3 = named(new QLabel, "Label3");
    auto *label4 = named(new QLabel(QStringLiteral("进度;")), "Label4");
    m_progressBar1 = named(new QProgressBar, "ProgressBar1");
    m_progressBar1->setTextVisible(false);
    m_command1 = named(new QPushButton(kStart), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("关闭")), "Command2");

    auto *grid = new QGridLayout;
    grid->addWidget(label1, 0, 0);
    grid->addWidget(m_combo1, 0, 1);
    grid->addWidget(command3, 0, 2);
    grid->addWidget(frame1, 1, 0, 1, 3);
    grid->addWidget(label2, 2, 0);
    grid->addWidget(m_label3, 2, 1, 1, 2);
    grid->addWidget(label4, 3, 0);
    grid->addWidget(m_progressBar1, 3, 1, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(command2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);

    connect(command3, &QPushButton::clicked, this, &Form_Copy_Move::Command3_Click);
    connect(m_command1, &QPushButton::clicked, this, [this] { 执行(true); });
    connect(command2, &QPushButton::clicked, this, &QDialog::close);
    connect(m_options, &QButtonGroup::idClicked, this,
            [this](int id) { m_opIndex = static_cast<CollisionPolicy>(id); });

    // Load: the recent folders, the remembered destination and policy.
    QStringList recent;
    if (LoadListFromFile(recent, SaveListFilePath()))
        m_combo1->addItems(recent);
    FitComboDropDownWidth(m_combo1);
    SettingsStore &settings = SettingsStore::instance();
    m_combo1->setEditText(settings.read(settingsSection(), QStringLiteral("目的文件夹"), defaultDestination()));
    m_opIndex = CollisionPolicyFromText(settings.read(settingsSection(), QStringLiteral("OpIndex"), QStringLiteral("4")));
    m_options->button(static_cast<int>(m_opIndex))->setChecked(true);
}

Form_Copy_Move::~Form_Copy_Move() = default;

Form_Copy_Move *Form_Copy_Move::showModal(QWidget *owner, const QStringList &files, bool isMove,
                                          const QString &caption)
{
    auto *tool = new Form_Copy_Move(isMove, owner);
    tool->setAttribute(Qt::WA_DeleteOnClose);
    tool->setWindowModality(Qt::ApplicationModal);
    tool->m_files = files;
    if (!caption.isEmpty())
        tool->setWindowTitle(caption);
    tool->show();
    return tool;
}

bool Form_Copy_Move::isRunning() const
{
    return m_run && m_run->isRunning();
}

void Form_Copy_Move::Command3_Click()
{
    const QString folder = BrowseForFolder(this, m_combo1->currentText(), QStringLiteral("请选择要浏览的文件夹:"), false);
    m_combo1->setEditText(WithTrailingSlash(folder));
}

void Form_Copy_Move::执行(bool showMessage)
{
    // A click on "停止" runs the same steps as a start before it stops the
    // run; a step that ends a start early still lets the stop through.
    const bool stopRequest = m_command1->text() != kStart;
    auto stopRun = [this] {
        m_command1->setText(kStart);
        if (m_run)
            m_run->requestStop();
    };

    const QString created = CreateFolderPath(m_combo1->currentText());
    m_combo1->setEditText(created);
    if (created.isEmpty()) {
        ShowError(QStringLiteral("创建文件夹出错！"));
        if (stopRequest)
            stopRun();
        return;
    }
    const QString destination = WithTrailingSlash(created);
    m_combo1->setEditText(destination);

    SettingsStore &settings = SettingsStore::instance();
    settings.write(settingsSection(), QStringLiteral("目的文件夹"), destination);
    settings.write(settingsSection(), QStringLiteral("OpIndex"), QString::number(static_cast<int>(m_opIndex)));

    const QString trimmed = destination.trimmed();
    QStringList recent;
    bool listed = false;
    for (int i = 0; i < m_combo1->count(); ++i) {
        recent << m_combo1->itemText(i);
        listed = listed || m_combo1->itemText(i).trimmed().compare(trimmed, Qt::CaseInsensitive) == 0;
    }
    if (!listed) {
        m_combo1->addItem(trimmed);
        m_combo1->setEditText(destination);
        recent << trimmed;
    }
    SaveListToFile(recent, SaveListFilePath());

    m_label3->clear();
    m_files.erase(std::remove_if(m_files.begin(), m_files.end(), [](const QString &f) { return !isListedSource(f); }),
                  m_files.end());
    if (m_files.isEmpty() && !stopRequest)
        return;

    if (stopRequest) {
        stopRun();
        return;
    }
    // The file in progress of a stopped run is still being finished.
    if (m_run)
        return;

    m_command1->setText(kStop);
    m_progressBar1->setRange(0, int(m_files.size()) + 1);
    m_progressBar1->setValue(0);
    auto *run = new CopyMoveRun(m_files, destination, m_opIndex, m_isMove, this);
    run->setChunkBytes(m_chunkBytes);
    m_run = run;
    connect(run, &CopyMoveRun::fileReached, m_progressBar1, &QProgressBar::setValue);
    connect(run, &CopyMoveRun::fileStarted, this, [this](int, const QString &name) { m_label3->setText(name); });
    connect(run, &CopyMoveRun::finished, this, [this, showMessage] { runEnded(showMessage); });
    run->start();
}

void Form_Copy_Move::runEnded(bool showMessage)
{
    if (m_run)
        m_run->deleteLater();
    m_run = nullptr;
    m_progressBar1->setValue(0);
    m_label3->clear();
    m_command1->setText(kStart);
    if (showMessage)
        ShowInformation(m_isMove ? QStringLiteral("移动文件完成！") : QStringLiteral("复制文件完成！"));
    emit runFinished();
}

void Form_Copy_Move::closeEvent(QCloseEvent *event)
{
    // Closing ends a run; a file half copied leaves no trace.
    delete m_run;
    m_files.clear();
    QDialog::closeEvent(event);
}
