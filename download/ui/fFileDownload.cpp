#include "download/ui/fFileDownload.h"

#include "common/TextCodec.h"
#include "common/ui/DialogRoutines.h"
#include "common/ui/ListViewRoutines.h"
#include "common/ui/NamedWidget.h"
#include "common/ui/WindowLayout.h"
#include "common/ui/WindowRoutines.h"
#include "download/commands/DownloadListCommands.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSession.h"
#include "download/core/DownloadSettings.h"
#include "download/dialogs/fOption.h"
#include "download/scheduler/DownloadScheduler.h"
#include "download/ui/DownloadStateIcons.h"
#include "download/ui/LoginPanel.h"
#include "download/ui/UrlReplace.h"
#include "platform/DialogService.h"
#include "platform/NetworkAccess.h"
#include "platform/SettingsStore.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr int kListRowHeightPx = 17;


} // namespace

QPointer<fFileDownload> fFileDownload::s_instance;

fFileDownload *fFileDownload::instance(bool create)
{
    if (!s_instance && create)
        s_instance = new fFileDownload;
    return s_instance;
}

fFileDownload *fFileDownload::显示下载窗口()
{
    fFileDownload *window = instance(true);
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    window->refreshLabel1();
    return window;
}

fFileDownload::fFileDownload(QWidget *parent)
    : QMainWindow(parent)
    , m_list(new DownloadListModel(this))
    , m_network(&SharedNetworkAccess()) // cookies shared with the browser pane
    , m_session(new DownloadSession(m_list, m_network, this))
    , m_scheduler(new DownloadScheduler(*m_session, this))
    , m_commands(new DownloadListCommands(*m_list, this))
{
    setObjectName(QStringLiteral("fFileDownload"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Load, in this order: caption, the automatic re-download choice,
    // LastFinishTime, the empty list, the stored settings, the layout, the
    // interval box. Timer1 runs from the scheduler's creation on.
    setWindowTitle(QStringLiteral("文件下载-") + SettingsStore::applicationTitle());

    auto *central = new QWidget;
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(buildToolbar());
    buildList();
    layout->addWidget(m_listView3, 1);
    setCentralWidget(central);
    buildStatusBar();
    m_menus.setup(menuBar());

    m_combo4->setCurrentIndex(0);
    FitComboDropDownWidth(m_combo4);
    m_session->markFinished();
    m_list->clear();
    loadSettings();
    RestoreWindowLayout(*this);
    m_combo2->clear();
    for (int s = 0; s <= 600; ++s)
        m_combo2->addItem(QString::number(s));
    m_combo2->setCurrentIndex(0);
    // The sign-in panel over the list; its browser opens "about:blank".
    m_loginPanel = new LoginPanel(central);
    wireLoginPanel();

    m_commands->setSelectionModel(m_listView3->selectionModel());
    DownloadListCommands::RunningQueries queries;
    queries.downloadStopped = [this] { return m_scheduler->downloadStopped(); };
    queries.running = [this] { return m_scheduler->isRunning(); };
    queries.transferBusy = [this] { return m_session->transferBusy(); };
    m_commands->setRunningQueries(std::move(queries));
    wireMenus();
    wireScheduler();
    DownloadSettings &settings = DownloadSettings::instance();
    connect(&settings, &DownloadSettings::downloadMethodChosen, this, &fFileDownload::showMethodFromOptions);
    connect(&settings, &DownloadSettings::changed, this, &fFileDownload::applySettingsToSession);
    applySettingsToSession();
    refreshLabel1();
}

fFileDownload::~fFileDownload()
{
    m_session->siteLogin = nullptr;
    if (s_instance == this)
        s_instance = nullptr;
}

QWidget *fFileDownload::buildToolbar()
{
    auto *panel = named(new QFrame, "Picture1");
    auto *rows = new QVBoxLayout(panel);
    rows->setContentsMargins(1, 1, 1, 1);
    auto *row1 = new QHBoxLayout;
    auto *row2 = new QHBoxLayout;
    rows->addLayout(row1);
    rows->addLayout(row2);

    m_label7 = named(new QLabel, "Label7");
    auto *command26 = named(new QPushButton(QStringLiteral("切换")), "Command26");
    command26->setToolTip(QStringLiteral("更改下载方式"));
    m_combo1 = named(new QComboBox, "Combo1");
    for (int n = 1; n <= 6; ++n)
        m_combo1->addItem(QString::number(n));
    m_combo2 = named(new QComboBox, "Combo2");
    row1->addWidget(m_label7);
    row1->addWidget(command26);
    row1->addSpacing(8);
    row1->addWidget(new QLabel(QStringLiteral("线程数：")));
    row1->addWidget(m_combo1);
    row1->addSpacing(8);
    row1->addWidget(new QLabel(QStringLiteral("两个文件下载间隔：")));
    row1->addWidget(m_combo2);
    row1->addWidget(new QLabel(QStringLiteral("秒")));
    row1->addSpacing(8);
    row1->addWidget(new QLabel(QStringLiteral("同名文件：")));
    auto *group = new QButtonGroup(panel);
    const char *optionNames[3] = {"Option1", "Option2", "Option3"};
    const QString captions[3] = {QStringLiteral("跳过"), QStringLiteral("覆盖"), QStringLiteral("重命名")};
    for (int i = 0; i < 3; ++i) {
        m_option[i] = named(new QRadioButton(captions[i]), optionNames[i]);
        group->addButton(m_option[i]);
        row1->addWidget(m_option[i]);
    }
    row1->addSpacing(8);
    auto *start = named(new QPushButton(QStringLiteral("开始下载")), "CommandStart");
    auto *stop = named(new QPushButton(QStringLiteral("停止下载")), "CommandStop");
    row1->addWidget(start);
    row1->addWidget(stop);
    m_shape1 = named(new QFrame, "Shape1");
    m_shape1->setFixedSize(12, 12);
    m_shape1->setStyleSheet(QStringLiteral("background-color: rgb(0, 190, 0); border-radius: 6px;"));
    m_shape1->setToolTip(QStringLiteral("正在下载"));
    m_shape1->hide();
    row1->addWidget(m_shape1);
    m_command1 = named(new QPushButton(QStringLiteral("网页登录")), "Command1");
    row1->addWidget(m_command1);
    row1->addStretch();
    m_label1 = named(new QLabel(QStringLiteral("0条")), "Label1");
    row1->addWidget(m_label1);

    m_check6 = named(new QCheckBox(QStringLiteral("声音提示")), "Check6");
    m_check5 = named(new QCheckBox(QStringLiteral("有5个以上下载出错或者网页文件，就停止下载")), "Check5");
    m_check4 = named(new QCheckBox(QStringLiteral("当有待下载项时，自动启动下载")), "Check4");
    m_check3 = named(new QCheckBox(QStringLiteral("自动重新下载：")), "Check3");
    m_combo4 = named(new QComboBox, "Combo4");
    m_combo4->addItems({QStringLiteral("出错项"), QStringLiteral("文件类型为HTM和HTML项"),
                        QStringLiteral("出错项和文件类型为HTM和HTML项")});
    row2->addWidget(m_check6);
    row2->addWidget(m_check5);
    row2->addWidget(m_check4);
    row2->addWidget(m_check3);
    row2->addWidget(m_combo4);
    row2->addStretch();

    connect(command26, &QPushButton::clicked, this, &fFileDownload::Command26_Click);
    connect(start, &QPushButton::clicked, m_scheduler, &DownloadScheduler::start);
    connect(stop, &QPushButton::clicked, m_scheduler, &DownloadScheduler::stop);
    for (QComboBox *box : {m_combo1, m_combo2, m_combo4})
        connect(box, &QComboBox::currentIndexChanged, this, &fFileDownload::applySettingsToSession);
    for (QAbstractButton *button : std::initializer_list<QAbstractButton *>{
             m_option[0], m_option[1], m_option[2], m_check3, m_check4, m_check5, m_check6})
        connect(button, &QAbstractButton::toggled, this, &fFileDownload::applySettingsToSession);
    return panel;
}

void fFileDownload::buildList()
{
    m_listView3 = named(new QTreeView, "ListView3");
    m_listView3->setModel(m_list);
    m_listView3->setItemDelegate(new DownloadStateIconDelegate(kListRowHeightPx, m_listView3));
    m_listView3->setRootIsDecorated(false);
    m_listView3->setItemsExpandable(false);
    m_listView3->setUniformRowHeights(true);
    m_listView3->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView3->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_listView3->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView3->setAllColumnsShowFocus(true);
    m_listView3->setToolTip(QStringLiteral("双击鼠标：下载当前项或者打开文件"));
    m_listView3->setContextMenuPolicy(Qt::CustomContextMenu);
    m_listView3->header()->setSectionsClickable(true);
    m_listView3->header()->setSortIndicatorShown(false);
    m_listView3->header()->setStretchLastSection(false);
    const int widths[DownloadListModel::ColumnCount] = {320, 50, 90, 90, 80, 260, 30};
    for (int c = 0; c < DownloadListModel::ColumnCount; ++c)
        m_listView3->setColumnWidth(c, widths[c]);
    StripeListRows(m_listView3, kListRowHeightPx);
}

void fFileDownload::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const int stretch[4] = {0, 3, 2, 0};
    for (int i = 0; i < 4; ++i) {
        m_panels[i] = new QLabel;
        m_panels[i]->setObjectName(QStringLiteral("Panel%1").arg(i + 1));
        m_panels[i]->setMinimumWidth(i == 3 ? 320 : 80);
        bar->addWidget(m_panels[i], stretch[i]);
    }
    // Panel 2 shows paths and addresses; a click opens its text in the browser.
    m_panels[1]->setCursor(Qt::PointingHandCursor);
    m_panels[1]->installEventFilter(this);
}

void fFileDownload::wireMenus()
{
    const DownloadMenuBar &m = m_menus;
    DownloadListCommands *c = m_commands;
    connect(m.menu下载, &QMenu::aboutToShow, this, [this] { m_menus.applyRunningState(m_scheduler->isRunning()); });
    connect(m_listView3, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_menus.menu下载->popup(m_listView3->viewport()->mapToGlobal(pos)); });

    connect(m.menu全选专利列表, &QAction::triggered, c, &DownloadListCommands::全选专利列表);
    connect(m.menu全不选, &QAction::triggered, c, &DownloadListCommands::全不选);
    connect(m.menu随机排序列表, &QAction::triggered, c, &DownloadListCommands::随机排序列表);
    connect(m.menu自动列宽, &QAction::triggered, this, [this] { FitDownloadListColumns(m_listView3); });

    connect(m.menu重新下载选中项, &QAction::triggered, c, &DownloadListCommands::重新下载选中项);
    connect(m.menu重新下载出错项, &QAction::triggered, c, &DownloadListCommands::重新下载出错项);
    connect(m.menu重新下载文件类型为HTM和HTML项, &QAction::triggered, c,
            &DownloadListCommands::重新下载文件类型为HTM和HTML项);
    connect(m.menu重新下载出错项和网页项, &QAction::triggered, c, &DownloadListCommands::重新下载出错项和网页项);
    connect(m.menu重新下载文件大小小于指定数字的项, &QAction::triggered, c,
            &DownloadListCommands::重新下载文件大小小于指定数字的项);

    connect(m.menu清除选中项, &QAction::triggered, c, &DownloadListCommands::清除选中项);
    connect(m.menu清除完成项, &QAction::triggered, c, &DownloadListCommands::清除完成项);
    connect(m.menu移除未完成项, &QAction::triggered, c, &DownloadListCommands::移除未完成项);
    connect(m.menu清除全部出错项, &QAction::triggered, c, &DownloadListCommands::清除全部出错项);
    connect(m.menu清空, &QAction::triggered, c, &DownloadListCommands::清空);

    connect(m.menu删除网页类型文件项, &QAction::triggered, c, &DownloadListCommands::删除网页类型文件项);
    connect(m.menu删除出错项, &QAction::triggered, c, &DownloadListCommands::删除出错项);
    connect(m.menu删除选中项文件, &QAction::triggered, c, &DownloadListCommands::删除选中项文件);
    connect(m.menu文件大小小于指定数的, &QAction::triggered, c, &DownloadListCommands::删除文件大小小于指定数的);

    connect(m.menu下载全部, &QAction::triggered, m_scheduler, &DownloadScheduler::start);
    connect(m.menu停止下载, &QAction::triggered, m_scheduler, &DownloadScheduler::stop);
    connect(m.menu取消下载选中项, &QAction::triggered, c, &DownloadListCommands::取消下载选中项);

    connect(m.menu打开下载文件, &QAction::triggered, c, &DownloadListCommands::打开下载文件);
    connect(m.menu打开文件所在文件夹, &QAction::triggered, c, &DownloadListCommands::打开文件所在文件夹);
    connect(m.menu用记事本打开文件, &QAction::triggered, c, &DownloadListCommands::用记事本打开文件);

    connect(m.menu复制名称, &QAction::triggered, c, &DownloadListCommands::复制名称);
    connect(m.menu批量替换网址, &QAction::triggered, this, [this] { UrlReplace::showFor(*m_commands, this); });
    connect(m.menu导出全部名称, &QAction::triggered, c, &DownloadListCommands::导出全部名称);
    connect(m.menu导出未完成项名称, &QAction::triggered, c, &DownloadListCommands::导出未完成项名称);
    connect(m.menu退出本下载窗口, &QAction::triggered, this, &QWidget::close);

    connect(m.menu资料检索分析窗口, &QAction::triggered, this, &fFileDownload::harvestWindowRequested);
    connect(m.设置, &QAction::triggered, this, [this] { fOption::showModal(this); });
    connect(m.menu自动定位到下载项, &QAction::toggled, this, &fFileDownload::applySettingsToSession);
    connect(m.menu检查文件是否存在, &QAction::triggered, c, &DownloadListCommands::检查文件是否存在);
    connect(m.menu检查并纠正磁盘文件类型, &QAction::triggered, c, &DownloadListCommands::检查并纠正磁盘文件类型);
    connect(m.menu清空IE浏览器缓存, &QAction::triggered, this, &fFileDownload::browserCacheClearRequested);
    connect(m.menu打开文件判断类型, &QAction::triggered, c, &DownloadListCommands::打开文件判断类型);
    connect(m.menu关于, &QAction::triggered, this, &fFileDownload::showAbout);

    // The list view's own events: sort by header, clicks on rows.
    connect(m_listView3->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_commands->sortByColumn(column);
        m_listView3->header()->setSortIndicatorShown(true);
        m_listView3->header()->setSortIndicator(m_commands->sortColumn(), m_commands->sortOrder());
    });
    connect(m_listView3, &QAbstractItemView::clicked, this,
            [this](const QModelIndex &index) { m_commands->rowClicked(index.row()); });
    connect(m_listView3, &QAbstractItemView::doubleClicked, c, &DownloadListCommands::rowDoubleClicked);
    connect(c, &DownloadListCommands::label1TextChanged, m_label1, &QLabel::setText);
    connect(c, &DownloadListCommands::statusPanelChanged, m_session,
            [this](int panel, const QString &text) { m_session->setStatusPanel(StatusPanel(panel), text); });
}

void fFileDownload::wireScheduler()
{
    DownloadListCommands *c = m_commands;
    m_scheduler->redownloadFailedRows = [c] { c->重新下载出错项(); };
    m_scheduler->redownloadPageRows = [c] { c->重新下载文件类型为HTM和HTML项(); };
    m_menus.menu下载全部->setEnabled(m_scheduler->startEnabled());
    connect(m_scheduler, &DownloadScheduler::startEnabledChanged, m_menus.menu下载全部, &QAction::setEnabled);
    connect(m_scheduler, &DownloadScheduler::runningIndicatorChanged, m_shape1, &QWidget::setVisible);
    // "切换": either direction sets the thread count back to one.
    connect(m_scheduler, &DownloadScheduler::methodChanged, this, [this](int method, int) {
        DownloadSettings::instance().setDownloadMethod(method);
        m_combo1->setCurrentIndex(0);
        showMethod(method, method == 2);
    });
    connect(m_scheduler, &DownloadScheduler::automaticOptionsCleared, this, [this] {
        m_check4->setChecked(false);
        m_check3->setChecked(false);
    });
    // Why the last row failed, in the first panel: the row's name and a few words.
    connect(m_scheduler, &DownloadScheduler::rowFailed, this, [this](quint64 id, const QString &reason) {
        const int row = m_list->indexOfId(id);
        if (row >= 0)
            m_session->setStatusPanel(StatusPanel::First, m_list->at(row).name + QStringLiteral(": ") + reason);
    });
    connect(m_session, &DownloadSession::statusPanelChanged, this, &fFileDownload::setPanel);
    connect(m_session, &DownloadSession::locateRowRequested, this, [this](int row) {
        m_listView3->scrollTo(m_list->index(row, 0));
    });
}

void fFileDownload::loadSettings()
{
    DownloadSettings &settings = DownloadSettings::instance();
    settings.loadForDownloadWindow();
    m_label7->setText(QStringLiteral("下载方式：") + QString::number(settings.downloadMethod()));
    m_combo1->setCurrentIndex(0);
    if (settings.downloadMethod() == 1) {
        m_combo1->setEnabled(false);
    } else {
        m_combo1->setEnabled(true);
        m_combo1->setCurrentIndex(DownloadSettings::readThreadCountIndex());
    }
    showDuplicatePolicy(settings.duplicateNamePolicy());
}

void fFileDownload::showMethod(int method, bool enableThreads)
{
    m_label7->setText(QStringLiteral("下载方式：") + QString::number(method));
    m_combo1->setEnabled(enableThreads);
    applySettingsToSession();
}

void fFileDownload::showMethodFromOptions(int method)
{
    // Method 1 only disables the thread count; method 2 starts it at "1".
    if (method == 2)
        m_combo1->setCurrentIndex(0);
    showMethod(method, method == 2);
}

void fFileDownload::Command26_Click()
{
    // The scheduler flips the method and answers with methodChanged; the
    // close request or the options dialog stores it, not the switch.
    m_scheduler->switchMethod();
}

void fFileDownload::showDuplicatePolicy(const QString &policy)
{
    for (int i = 0; i < 2; ++i) {
        if (policy == TrimSpaces(m_option[i]->text())) {
            m_option[i]->setChecked(true);
            return;
        }
    }
    m_option[2]->setChecked(true);
}

QString fFileDownload::selectedDuplicatePolicy() const
{
    for (const QRadioButton *option : m_option) {
        if (option->isChecked())
            return TrimSpaces(option->text());
    }
    return QString();
}

void fFileDownload::applySettingsToSession()
{
    DownloadOptions &options = m_session->options();
    DownloadSettings::instance().fillOptions(options);
    options.threadCount = m_combo1->currentText().toInt();
    if (options.threadCount < 1)
        options.threadCount = 1;
    options.intervalSeconds = m_combo2 ? m_combo2->currentText().toInt() : 0;
    const QString policy = selectedDuplicatePolicy();
    if (!policy.isEmpty())
        options.duplicateMode = DuplicateModeFromText(policy);
    options.soundPrompt = m_check6->isChecked();
    options.stopOnErrors = m_check5->isChecked();
    options.autoStart = m_check4->isChecked();
    options.autoRedownload = m_check3->isChecked();
    options.autoRedownloadKind = std::max(0, m_combo4->currentIndex());
    options.autoLocate = m_menus.menu自动定位到下载项 && m_menus.menu自动定位到下载项->isChecked();
    options.autoLogin = m_loginPanel && m_loginPanel->autoLoginTicked();
}

void fFileDownload::refreshLabel1()
{
    m_label1->setText(QString::number(m_list->count()) + QStringLiteral("条"));
}

bool fFileDownload::isBusy() const
{
    return m_scheduler->CountSlotInstances() > 1 || m_scheduler->inet().isExecuting()
        || !m_list->检测是否下载列表完毕() || m_scheduler->schedulerTickOn();
}

void fFileDownload::closeEvent(QCloseEvent *event)
{
    DownloadSettings &settings = DownloadSettings::instance();
    const QString policy = selectedDuplicatePolicy();
    if (!policy.isEmpty())
        settings.setDuplicateNamePolicy(policy);
    settings.storeDuplicateNamePolicy();
    settings.storeDownloadMethod();
    if (isBusy() && !AskYesNo(QStringLiteral("正在下载文件或者下载没有完成，要强制关闭窗口吗？"))) {
        event->ignore();
        return;
    }
    m_scheduler->setManualTicks(true); // Timer1 and Timer_Down off for good
    m_loginPanel->stopReloading();        // Timer2
    m_scheduler->stop();
    m_scheduler->inet().cancel();
    SaveWindowLayout(*this);
    DownloadSettings::storeThreadCountIndex(m_combo1->currentIndex());
    event->accept();
    if (s_instance == this)
        s_instance = nullptr;
    emit closed();
}

void fFileDownload::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    if (isMinimized())
        return;
    StripeListRows(m_listView3, kListRowHeightPx);
    placeLoginPanel();
}

bool fFileDownload::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        refreshLabel1();
    return QMainWindow::event(event);
}

bool fFileDownload::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_panels[1] && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
        m_commands->statusPanelClicked(m_panels[1]->text());
    return QMainWindow::eventFilter(watched, event);
}

void fFileDownload::setPanel(int panel, const QString &text)
{
    if (panel >= 1 && panel <= 4)
        m_panels[panel - 1]->setText(text);
}

void fFileDownload::wireLoginPanel()
{
    LoginPanel *panel = m_loginPanel;
    m_session->siteLogin = [panel](bool showMessages) { panel->RunSiteLogin(showMessages); };
    connect(m_command1, &QPushButton::clicked, this, &fFileDownload::Command1_Click);
    connect(panel, &LoginPanel::autoLoginChanged, this, &fFileDownload::applySettingsToSession);
    connect(panel, &LoginPanel::titleToShow, this,
            [this](const QString &title) { m_session->setStatusPanel(StatusPanel::EngineState, title); });
}

void fFileDownload::Command1_Click()
{
    placeLoginPanel();
    const int row = m_commands->selectedRow();
    m_loginPanel->网页登录(row >= 0 ? 选择url(m_list->at(row).address) : QString());
}

void fFileDownload::placeLoginPanel()
{
    if (m_loginPanel && m_listView3)
        m_loginPanel->setGeometry(m_listView3->geometry());
}

void fFileDownload::showAbout()
{
    QString text = SettingsStore::applicationTitle();
    if (!QCoreApplication::applicationVersion().isEmpty())
        text += QStringLiteral("\n版本:") + QCoreApplication::applicationVersion();
    ShowInformation(text);
}
