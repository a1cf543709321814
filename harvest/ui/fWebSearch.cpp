#include "harvest/ui/fWebSearch.h"

#include "common/TextCodec.h"
#include "common/ui/ListViewRoutines.h"
#include "common/ui/NamedWidget.h"
#include "common/ui/WindowLayout.h"
#include "common/ui/WindowRoutines.h"
#include "download/core/DownloadSettings.h"
#include "download/dialogs/fOption.h"
#include "download/dialogs/fSeleFileSavePath.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/PageSource.h"
#include "harvest/flow/AnalysisListCommands.h"
#include "harvest/flow/AnalysisPass.h"
#include "harvest/flow/CacheClearTimer.h"
#include "harvest/flow/HandOver.h"
#include "harvest/flow/HarvestLayout.h"
#include "harvest/flow/MultiPageHarvest.h"
#include "harvest/core/MarkupNesting.h"
#include "harvest/flow/PageHarvester.h"
#include "harvest/flow/PortalAddress.h"
#include "harvest/ui/HarvestBrowserPage.h"
#include "harvest/ui/SplitterBar.h"
#include "harvest/ui/WebHarvestPage.h"
#include "platform/DialogService.h"
#include "platform/SettingsStore.h"
#include "platform/web/BrowserProfile.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QSysInfo>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {
const QString kSection = QStringLiteral("fWebSearch");
const QString kKeyDelay = QStringLiteral("Combo1");

// The layout rule measures the whole window, frame included: its width
// takes the borders as well (120 twips), its height the caption, menu bar
// and borders (870 twips), on top of the client area that the central
// widget and the status bar cover.
constexpr int kFrameWidthTwips = 120;


int toPx(int twips)
{
    return twips / kTwipsPerPixel;
}

QRect toPx(const QRect &twips)
{
    return QRect(toPx(twips.x()), toPx(twips.y()), toPx(twips.width()), toPx(twips.height()));
}
} // namespace

QPointer<fWebSearch> fWebSearch::s_instance;

fWebSearch *fWebSearch::instance(bool create)
{
    if (!s_instance && create)
        s_instance = new fWebSearch;
    return s_instance;
}

std::function<void(QWidget *)> &fWebSearch::cacheViewerOpener()
{
    static std::function<void(QWidget *)> opener;
    return opener;
}

std::function<void(QWidget *)> &fWebSearch::usageNotesOpener()
{
    static std::function<void(QWidget *)> opener;
    return opener;
}

fWebSearch::fWebSearch(QWidget *parent)
    : QMainWindow(parent)
    , m_list(new AnalysisListModel(this))
{
    setObjectName(QStringLiteral("fWebSearch"));
    setAttribute(Qt::WA_DeleteOnClose);
    // Load, in this order: caption and icon, the menus without "加入", the
    // prompt setting, the silent browser on about:blank; the home page
    // follows when the window is shown; then the idle flags and the delay.
    setWindowTitle(QStringLiteral("页面数据检索分析-") + SettingsStore::applicationTitle());
    setWindowIcon(QApplication::windowIcon());
    setMinimumSize(kHarvestMinWidthTwips / kTwipsPerPixel, kHarvestMinHeightTwips / kTwipsPerPixel);
    m_menus.setup(menuBar(), this, PortalAddress::instance().name());
    DownloadSettings::instance().loadPromptSaveFolderOnExtract();

    auto *central = new QWidget;
    setCentralWidget(central);
    m_browserPane = named(new QWidget(central), "Picture1");
    m_page = new HarvestBrowserPage(&BrowserProfile(), this);
    m_browser = named(new QWebEngineView(m_browserPane), "WebBrowser1");
    m_browser->setPage(m_page);
    m_splitter = new SplitterBar(central);
    m_listPane = named(new QWidget(central), "Picture2");
    m_controls = buildControls();
    m_controls->setParent(m_listPane);
    m_listView1 = named(new QTreeView(m_listPane), "ListView1");
    m_listView1->setModel(m_list);
    m_listView1->setRootIsDecorated(false);
    m_listView1->setUniformRowHeights(true);
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_listView1->setContextMenuPolicy(Qt::CustomContextMenu);
    m_listView1->move(0, m_controls->sizeHint().height());

    m_progress = named(new QFrame(m_listPane), "PicProgress");
    static_cast<QFrame *>(m_progress)->setFrameShape(QFrame::Box);
    m_progress->setAutoFillBackground(true);
    auto *progressLayout = new QHBoxLayout(m_progress);
    progressLayout->addWidget(new QLabel(QStringLiteral("正在分析,请稍候...")));
    auto *stop = named(new QPushButton(QStringLiteral("停止")), "CommandStop");
    progressLayout->addWidget(stop);
    m_progress->resize(m_progress->sizeHint());
    m_progress->hide();
    buildStatusBar();

    m_page->setSilent(true);
    m_browser->setUrl(QUrl(QStringLiteral("about:blank")));

    m_harvestPage = new WebHarvestPage(m_page, this);
    m_harvester = new PageHarvester(*m_list, *m_harvestPage, m_flags, this);
    m_addAll = new MultiPageHarvest(*m_harvester, this);
    m_pass = new AnalysisPass(*m_list, m_flags, this);
    m_commands = new AnalysisListCommands(*m_list, m_flags);
    m_cacheTimer = new CacheClearTimer(this);
    connect(stop, &QPushButton::clicked, m_pass, &AnalysisPass::stop);
    connect(m_splitter, &SplitterBar::released, this, &fWebSearch::layoutWindow);
    wireBrowser();
    wireWork();
    wireMenus();

    m_flags.addAllStop = true;
    m_flags.analysisRunning = false;
    loadDelaySelector();
    m_cacheTimer->start();

    resize(1000, 680);
    m_splitter->setGeometry(1, 340, 980, 4);
}

fWebSearch::~fWebSearch()
{
    delete m_commands;
    // The page goes before the view and the profile outlives both.
    m_browser->setPage(nullptr);
    delete m_page;
    if (s_instance == this)
        s_instance = nullptr;
}

QWidget *fWebSearch::buildControls()
{
    auto *panel = new QWidget;
    auto *rows = new QVBoxLayout(panel);
    rows->setContentsMargins(2, 2, 2, 2);
    rows->setSpacing(2);
    auto *row1 = new QHBoxLayout;
    auto *row2 = new QHBoxLayout;
    rows->addLayout(row1);
    rows->addLayout(row2);

    m_addThisButton = named(new QPushButton(QStringLiteral("加入本页到列表")), "Command1");
    m_addAllButton = named(new QPushButton(QStringLiteral("加入全部到列表")), "Command2");
    m_analyseButton = named(new QPushButton(QStringLiteral("分析下载")), "Command3");
    m_exportButton = named(new QPushButton(QStringLiteral("导出数据...")), "Command4");
    m_combo1 = named(new QComboBox, "Combo1");
    m_countLabel = named(new QLabel(QStringLiteral("0")), "Label2");
    for (QWidget *w : {static_cast<QWidget *>(m_addThisButton), static_cast<QWidget *>(m_addAllButton),
                       static_cast<QWidget *>(m_analyseButton), static_cast<QWidget *>(m_exportButton)})
        row1->addWidget(w);
    row1->addSpacing(8);
    row1->addWidget(new QLabel(QStringLiteral("限速延时：")));
    row1->addWidget(m_combo1);
    row1->addWidget(new QLabel(QStringLiteral("秒")));
    row1->addSpacing(8);
    row1->addWidget(new QLabel(QStringLiteral("待下载列表：")));
    row1->addWidget(m_countLabel);
    row1->addStretch();
    row1->addWidget(named(new QLabel(QStringLiteral("请使用下载方式一！")), "Label4"));

    m_removeSpaces = named(new QCheckBox(QStringLiteral("删除标题中的空格")), "Check1");
    m_silent = named(new QCheckBox(QStringLiteral("禁止网页脚本对话框")), "Check2");
    m_autoAnalysis = named(new QCheckBox(QStringLiteral("自动分析未分析项")), "Check3");
    m_cacheClearing = named(new QCheckBox(QStringLiteral("每隔10分钟自动清空IE缓存")), "Check4");
    m_removeSpaces->setChecked(true);
    m_silent->setChecked(true);
    for (QCheckBox *box : {m_removeSpaces, m_silent, m_autoAnalysis, m_cacheClearing})
        row2->addWidget(box);
    row2->addStretch();
    return panel;
}

void fWebSearch::buildStatusBar()
{
    m_panel1 = named(new QLabel(PortalAddress::instance().name()), "Panel1");
    m_panel2 = named(new QLabel(QStringLiteral("如果网站对分析和下载速度敏感，请设置限速延时")), "Panel2");
    statusBar()->addWidget(m_panel1);
    statusBar()->addWidget(m_panel2, 1);
}

void fWebSearch::wireBrowser()
{
    connect(m_page, &QWebEnginePage::linkHovered, m_panel2, &QLabel::setText);
    connect(m_page, &QWebEnginePage::loadStarted, this,
            [this] { m_panel2->setText(QStringLiteral("正在打开网页 ") + m_page->requestedUrl().toString()); });
    connect(m_page, &QWebEnginePage::loadFinished, this,
            [this](bool ok) { m_panel2->setText(ok ? QStringLiteral("完成") : QStringLiteral("网页打开失败")); });
    connect(m_page, &HarvestBrowserPage::beforeNavigate, statusBar(), &QWidget::show);
    connect(m_silent, &QCheckBox::toggled, m_page, &HarvestBrowserPage::setSilent);
    // A document the pane would download itself goes to the download list
    // as a waiting row, and the download window comes forward.
    connect(&BrowserProfile(), &QWebEngineProfile::downloadRequested, this, [this](QWebEngineDownloadRequest *request) {
        if (request->page() != m_page)
            return; // another pane on the profile decides for itself
        const BrowserDownload item = BrowserDownloadItem(request->url().toString(QUrl::FullyEncoded),
                                                         request->suggestedFileName(),
                                                         m_page->url().toString(QUrl::FullyEncoded));
        request->cancel();
        DownloadListModel *list = downloadList ? downloadList() : nullptr;
        if (!list)
            return;
        加入下载列表(*list, item.url, item.title, item.type, QString(), item.referrer);
        if (showDownloadWindow)
            showDownloadWindow(true);
    });
}

void fWebSearch::wireWork()
{
    m_harvester->setPortalBase(PortalAddress::instance().base());
    m_harvester->removeSpaces = [this] { return m_removeSpaces->isChecked(); };
    connect(m_harvester, &PageHarvester::pageAdded, this, [this](int count) {
        m_countLabel->setText(QString::number(count));
    });
    connect(m_harvester, &PageHarvester::pageTooDeep, this, [this] {
        m_panel2->setText(QStringLiteral("本页元素嵌套超过 %1 层，无法分析，未加入列表").arg(kMaxElementNesting));
    });

    m_addAll->delaySeconds = [this] { return m_combo1->currentIndex(); };
    m_addAll->askSaveFolder = [this](std::function<void(const SaveFolderChoice &)> done) {
        askSaveFolder(std::move(done));
    };
    connect(m_addAllButton, &QPushButton::clicked, this, &fWebSearch::addAllClicked);
    connect(m_addAll, &MultiPageHarvest::faceChanged, this, &fWebSearch::showAddAllFace);
    connect(m_addAll, &MultiPageHarvest::finished, this, &fWebSearch::fitListColumns);
    connect(m_addThisButton, &QPushButton::clicked, this, &fWebSearch::addThisPageClicked);

    m_pass->handOver = [this](const AnalysisItem &item) {
        DownloadListModel *list = downloadList ? downloadList() : nullptr;
        return list && 加入下载列表(*list, item.url, item.title, item.stype, item.保存路径, item.ref);
    };
    m_pass->askSaveFolder = [this](std::function<void(const SaveFolderChoice &)> done) {
        askSaveFolder(std::move(done));
    };
    m_pass->isSelected = [this](int row) {
        return m_listView1->selectionModel()->isRowSelected(row, QModelIndex());
    };
    m_pass->showDownloadWindow = [this] {
        if (showDownloadWindow)
            showDownloadWindow(false);
    };
    connect(m_pass, &AnalysisPass::progressVisibleChanged, this, [this](bool visible) {
        m_progress->setVisible(visible);
        if (visible)
            m_progress->raise();
    });
    connect(m_pass, &AnalysisPass::commandFinished, m_analyseButton, [this] { m_analyseButton->setEnabled(true); });
    connect(m_analyseButton, &QPushButton::clicked, this, [this] { analyseClicked(QCursor::pos()); });
    connect(m_autoAnalysis, &QCheckBox::clicked, m_pass, &AnalysisPass::setAutoAnalysisWanted);
    connect(m_pass, &AnalysisPass::autoAnalysisChanged, m_autoAnalysis, [this](bool on) {
        const QSignalBlocker quiet(m_autoAnalysis);
        m_autoAnalysis->setChecked(on);
    });

    m_commands->hideList = [this](bool hidden) { m_listView1->setUpdatesEnabled(!hidden); };
    m_commands->refreshCount = [this] { refreshCount(); };
    connect(m_exportButton, &QPushButton::clicked, this, [this] { m_commands->导出数据(); });

    m_cacheTimer->clearingWanted = [this] { return m_cacheClearing->isChecked(); };
    m_cacheTimer->clearCache = [] { RunBrowserCacheClearing(false); };
}

void fWebSearch::wireMenus()
{
    const WebSearchMenuBar &m = m_menus;
    connect(m.menu首页, &QAction::triggered, this, &fWebSearch::goHome);
    connect(m.menu打开指定网址, &QAction::triggered, this, &fWebSearch::openGivenAddress);
    connect(m.menu后退, &QAction::triggered, m_browser, &QWebEngineView::back);
    connect(m.menu前进, &QAction::triggered, m_browser, &QWebEngineView::forward);
    connect(m.menu关闭本窗口, &QAction::triggered, this, &QWidget::close);

    auto selectedRows = [this] {
        QVector<int> rows;
        for (const QModelIndex &index : m_listView1->selectionModel()->selectedRows())
            rows.push_back(index.row());
        return rows;
    };
    connect(m.menu清除选中项, &QAction::triggered, this, [this, selectedRows] { m_commands->清除选中项(selectedRows()); });
    connect(m.menu清除分析成功项, &QAction::triggered, this, [this] { m_commands->清除分析成功项(); });
    connect(m.menu清除标题含指定字符项, &QAction::triggered, this, [this] { m_commands->清除标题含指定字符项(); });
    connect(m.menu清除标题不含指定字符项, &QAction::triggered, this, [this] { m_commands->清除标题不含指定字符项(); });
    connect(m.menu清空全部, &QAction::triggered, this, [this] { m_commands->清空全部(); });
    connect(m_listView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { m_menus.menu清除->popup(m_listView1->viewport()->mapToGlobal(pos)); });

    connect(m.menu设置, &QAction::triggered, this, [this] { fOption::showModal(this); });
    connect(m.menu打开下载窗口, &QAction::triggered, this, &fWebSearch::downloadWindowRequested);
    m.menu查看IE浏览器缓存->setEnabled(bool(cacheViewerOpener()));
    connect(m.menu查看IE浏览器缓存, &QAction::triggered, this, [this] {
        if (cacheViewerOpener())
            cacheViewerOpener()(this);
    });
    connect(m.menu清空IE浏览器缓存, &QAction::triggered, this, [] { RunBrowserCacheClearing(true); });
    connect(m.menu网页另存为, &QAction::triggered, this, &fWebSearch::saveWebPageAs);
    connect(m.menu关于, &QAction::triggered, this, &fWebSearch::showAbout);
    m.menu使用方法->setEnabled(bool(usageNotesOpener()));
    connect(m.menu使用方法, &QAction::triggered, this, [this] {
        if (usageNotesOpener())
            usageNotesOpener()(this);
    });

    const std::pair<QAction *, AnalysisPass::Command> commands[] = {
        {m.menu分析未分析项, AnalysisPass::Command::Unanalysed},
        {m.menu分析失败项, AnalysisPass::Command::Failed},
        {m.menu分析选中项, AnalysisPass::Command::Selected},
        {m.menu分析全部, AnalysisPass::Command::All},
    };
    for (const auto &[action, command] : commands) {
        const int c = int(command);
        connect(action, &QAction::triggered, this, [this, c] { startAnalysis(c); });
    }
    // Closed without a choice: "分析下载" is usable again.
    connect(m.menu加入, &QMenu::aboutToHide, this, [this] {
        QTimer::singleShot(0, this, [this] {
            if (!m_pass->commandActive())
                m_analyseButton->setEnabled(true);
        });
    });
}

void fWebSearch::loadDelaySelector()
{
    m_combo1->clear();
    for (int s = 0; s <= kMaxDelaySeconds; ++s)
        m_combo1->addItem(QString::number(s));
    m_combo1->setCurrentIndex(0);
    bool ok = false;
    const int stored = SettingsStore::instance().read(kSection, kKeyDelay, QStringLiteral("0")).trimmed().toInt(&ok);
    if (ok && stored >= 0 && stored <= kMaxDelaySeconds)
        m_combo1->setCurrentIndex(stored);
}

void fWebSearch::askSaveFolder(std::function<void(const SaveFolderChoice &)> done)
{
    // An accepted folder and file-name choice hold for this run's harvests
    // and hand-overs.
    fSeleFileSavePath::showModal(this, [done = std::move(done)](const SaveFolderChoice &choice) {
        DownloadSettings::instance().takeSaveFolderChoice(choice);
        if (done)
            done(choice);
    });
}

void fWebSearch::goHome()
{
    m_browser->setUrl(QUrl(PortalAddress::instance().home()));
}

void fWebSearch::openGivenAddress()
{
    const std::optional<QString> typed
        = AskInput(QStringLiteral("请输入需要打开的网址："), QStringLiteral("请输入..."), QString());
    const QString address = TrimSpaces(typed.value_or(QString()));
    if (!address.isEmpty())
        m_browser->setUrl(QUrl::fromUserInput(address));
}

void fWebSearch::addThisPageClicked()
{
    QPointer<fWebSearch> self(this);
    auto harvest = [self](const QString &folder) {
        if (self)
            self->m_harvester->AddThisPage(folder, [self] {
                if (self)
                    self->fitListColumns();
            });
    };
    if (DownloadSettings::instance().promptSaveFolderOnExtract() == 1) {
        // The chooser's outcome is not consulted: after 取消 the folder is
        // whatever DefaultSaveFolder was before.
        askSaveFolder(
            [harvest](const SaveFolderChoice &) { harvest(DownloadSettings::instance().defaultSaveFolder()); });
        return;
    }
    harvest(QString());
}

void fWebSearch::addAllClicked()
{
    if (m_addAll->isRunning())
        m_addAllButton->setEnabled(false); // enabled again when the run has wound down
    m_addAll->buttonClicked();
}

void fWebSearch::showAddAllFace()
{
    switch (m_addAll->face()) {
    case MultiPageHarvest::Face::Running:
        m_addAllButton->setText(QStringLiteral("停止加入全部"));
        // With a border of its own the style sheet paints the face flat;
        // a background colour alone only tints the style's gradient.
        m_addAllButton->setStyleSheet(QStringLiteral(
            "QPushButton { background-color: rgb(255, 0, 0); border: 1px solid rgb(128, 0, 0); padding: 3px 6px; }"));
        break;
    case MultiPageHarvest::Face::Stopping:
        m_addAllButton->setEnabled(false);
        break;
    case MultiPageHarvest::Face::Idle:
        m_addAllButton->setStyleSheet(QString());
        m_addAllButton->setText(QStringLiteral("加入全部到列表"));
        m_addAllButton->setEnabled(true);
        break;
    }
}

void fWebSearch::analyseClicked(const QPoint &globalPos)
{
    m_analyseButton->setEnabled(false);
    if (m_list->count() == 0) {
        ShowInformation(QStringLiteral("列表没有数据哦！"));
        m_analyseButton->setEnabled(true);
        return;
    }
    if (!m_listView1->selectionModel()->hasSelection()) {
        startAnalysis(int(AnalysisPass::Command::All));
        return;
    }
    m_menus.menu加入->popup(globalPos);
}

void fWebSearch::startAnalysis(int command)
{
    m_pass->run(AnalysisPass::Command(command));
}

void fWebSearch::refreshCount()
{
    m_countLabel->setText(QString::number(m_list->count()));
}

void fWebSearch::fitListColumns()
{
    AutoSizeAllColumns(m_listView1, -2);
}

void fWebSearch::saveWebPageAs()
{
    if (m_page->url().isEmpty())
        return; // no document
    FileDialogRequest request;
    request.filter = QStringLiteral("*.htm (*.htm)");
    request.defaultExt = QStringLiteral("htm");
    request.askOverwrite = false;
    const std::optional<QString> path = DialogService::instance().saveFile(request);
    if (!path || path->isEmpty())
        return;
    const QString file = *path;
    const QUrl address = m_page->url();
    QPointer<fWebSearch> self(this);
    m_page->toHtml([self, file, address](const QString &markup) {
        if (self && WriteAnsiTextFile(file, SavedPageMarkup(markup, address)))
            ShowInformation(QStringLiteral("OK!"));
    });
}

void fWebSearch::showAbout()
{
    QString text = SettingsStore::applicationTitle();
    if (!QCoreApplication::applicationVersion().isEmpty())
        text += QStringLiteral("\n版本:") + QCoreApplication::applicationVersion();
    text += QStringLiteral("\n") + QSysInfo::prettyProductName();
    ShowInformation(text);
}

void fWebSearch::layoutWindow()
{
    if (isMinimized())
        return;
    const QWidget *client = centralWidget();
    const int statusHeight = statusBar()->isVisible() ? statusBar()->height() : 0;
    HarvestLayoutInput in;
    in.window = QSize(client->width() * kTwipsPerPixel + kFrameWidthTwips,
                      (client->height() + statusHeight) * kTwipsPerPixel + kHarvestFrameAllowanceTwips);
    in.statusBarHeight = statusHeight * kTwipsPerPixel;
    in.splitterTop = m_splitter->y() * kTwipsPerPixel;
    in.splitterHeight = m_splitter->height() * kTwipsPerPixel;
    in.browserPaneTop = 0;
    in.listOrigin = QPoint(0, m_controls->sizeHint().height() * kTwipsPerPixel);
    in.progressPanel = m_progress->size() * kTwipsPerPixel;
    const HarvestLayoutResult out = LayoutHarvestWindow(in);

    m_splitter->setGeometry(toPx(out.splitter));
    m_browserPane->setGeometry(toPx(out.browserPane));
    m_listPane->setGeometry(toPx(out.listPane));
    m_browser->setGeometry(toPx(out.browser));
    m_controls->setGeometry(0, 0, m_listPane->width(), m_controls->sizeHint().height());
    m_listView1->setGeometry(toPx(out.list));
    m_progress->move(toPx(out.progressPanel).topLeft());
    StripeListRows(m_listView1, kListRowHeightPx);
}

void fWebSearch::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    layoutWindow();
    if (!m_homeOpened) {
        m_homeOpened = true;
        goHome();
    }
}

void fWebSearch::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    layoutWindow();
}

void fWebSearch::closeEvent(QCloseEvent *event)
{
    // A running add-all run or analysis pass ends at its next test.
    m_addAll->requestStop();
    m_flags.addAllStop = true;
    m_pass->stop();
    SettingsStore::instance().write(kSection, kKeyDelay, QString::number(m_combo1->currentIndex()));
    m_pass->setAutoAnalysisWanted(false);
    QMainWindow::closeEvent(event);
    if (s_instance == this)
        s_instance = nullptr;
    emit closed();
}
