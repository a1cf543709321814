#include "shell/fCover.h"

#include "common/ui/NamedWidget.h"
#include "common/ui/WindowLayout.h"
#include "download/core/DownloadSettings.h"
#include "platform/DialogService.h"
#include "platform/NetworkAccess.h"
#include "platform/SettingsStore.h"
#include "platform/SystemInfo.h"
#include "shell/core/BrowserEmulation.h"
#include "shell/core/StartupSequence.h"
#include "shell/core/VersionCheck.h"
#include "shell/core/VersionRule.h"
#include "shell/ProgramImages.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
constexpr int kPictureMarginPx = fCover::kPictureMarginTwips / kTwipsPerPixel;
constexpr int kExtraWidthPx = fCover::kExtraWidthTwips / kTwipsPerPixel;
} // namespace

fCover::fCover(QWidget *parent)
    : QWidget(parent)
    , m_image1(named(new QLabel(this), "Image1"))
    , m_controls(new QWidget(this))
    , m_label1(named(new QLabel, "Label1"))
    , m_label2(named(new QLabel(QStringLiteral("正在加载组件，请稍候...")), "Label2"))
    , m_label3(named(new QLabel(QStringLiteral("(该软件仅用于爱学习的人们辅助少量下载；请不要恶意下载和大量下载！)")),
                     "Label3"))
    , m_label4(named(new QLabel(QStringLiteral("最新版本：")), "Label4"))
    , m_command1(named(new QPushButton(QStringLiteral("搜索文档下载")), "Command1"))
    , m_command2(named(new QPushButton(QStringLiteral("退出软件")), "Command2"))
    , m_startup(new StartupSequence(this))
    , m_check(new VersionCheck(SharedNetworkAccess(), this))
{
    setObjectName(QStringLiteral("fCover"));
    setWindowIcon(ProgramIcon());
    openInBrowser = [](const QUrl &address) { QDesktopServices::openUrl(address); };

    const QPixmap picture = CoverPicture();
    m_image1->setPixmap(picture);
    m_image1->resize(picture.size());
    m_label3->setWordWrap(true);
    m_label4->setStyleSheet(QStringLiteral("color: rgb(0, 0, 255); text-decoration: underline;"));
    m_label4->setCursor(Qt::PointingHandCursor);
    m_label4->installEventFilter(this);
    m_label4->hide();
    m_command1->setEnabled(false);

    auto *info = new QHBoxLayout;
    info->addWidget(m_label1);
    info->addStretch();
    info->addWidget(m_label4);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_label2);
    buttons->addStretch();
    buttons->addWidget(m_command1);
    buttons->addWidget(m_command2);
    auto *column = new QVBoxLayout(m_controls);
    column->setContentsMargins(0, 4, 0, 4);
    column->addLayout(info);
    column->addWidget(m_label3);
    column->addLayout(buttons);

    connect(m_command1, &QPushButton::clicked, this, &fCover::searchRequested);
    connect(m_command2, &QPushButton::clicked, this, &QWidget::close);
    connect(m_check, &VersionCheck::newerVersionFound, this, &fCover::showNewerVersion);
    connect(m_check, &VersionCheck::requestFailed, this, [](int attempt) {
        ShowError(attempt == 1 ? QStringLiteral("请保持网络畅通-1！") : QStringLiteral("请保持网络畅通-2！"));
    });
    addStartupSteps();

    const int width = picture.width() + kExtraWidthPx;
    m_controls->setFixedWidth(picture.width());
    resize(width, kPictureMarginPx + picture.height() + m_controls->sizeHint().height());
}

fCover::~fCover() = default;

void fCover::addStartupSteps()
{
    m_startup->add(QStringLiteral("SystemBits"), [] {
        SystemBits();
        OsDescription();
    });
    m_startup->add(QStringLiteral("BrowserEmulation"), [this] {
        m_emulation = BrowserEmulationValue(QString::fromLatin1(kStartupEmulationMode), kStartupForceStandards);
    });
    m_startup->add(QStringLiteral("MaxFileSizeMB"), [] { DownloadSettings::instance().loadMaxFileSizeMB(); });
    m_startup->add(QStringLiteral("VersionCheck"), [this] { m_check->start(); });
    m_startup->add(QStringLiteral("Ready"), [this] {
        m_label2->hide();
        m_command1->setEnabled(true);
    });
}

void fCover::load()
{
    setWindowTitle(SettingsStore::applicationTitle());
    m_label1->setText(QStringLiteral("版本:") + ProgramVersionText());
    show();
    m_startup->start();
}

void fCover::showNewerVersion(const QString &version)
{
    m_label4->setText(QStringLiteral("有最新版本：V") + version + QStringLiteral("可以下载升级"));
    m_label4->show();
    openDownloadPage();
    ShowInformation(QStringLiteral("有最新版本可以更新升级！！"));
}

void fCover::openDownloadPage()
{
    const QUrl page = m_check->source().effectiveDownloadPage();
    if (page.isValid() && !page.isEmpty() && openInBrowser)
        openInBrowser(page);
}

bool fCover::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_label4 && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        openDownloadPage();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void fCover::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (isMinimized())
        return;
    m_image1->move(kPictureMarginPx, kPictureMarginPx);
    m_controls->move(kPictureMarginPx, kPictureMarginPx + m_image1->height());
    m_controls->resize(m_image1->width(), m_controls->sizeHint().height());
    const int wanted = m_image1->width() + kExtraWidthPx;
    if (width() != wanted)
        resize(wanted, height());
}

void fCover::closeEvent(QCloseEvent *event)
{
    hide();
    event->accept();
    emit closed();
}
