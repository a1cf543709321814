#pragma once
// The harvesting window "页面数据检索分析": the portal in an embedded browser
// pane above the analysis list with its harvesting and analysis controls.
// It owns the list and the flags and wires the work of lh_harvestflow (the
// page harvest, the add-all run, the analysis passes, the list commands, the
// cache timer and the layout rule) to its controls; the work is theirs.
// There is at most one harvesting window; the shell creates it through
// instance() and connects it to the download window, which this window does
// not know: the hand-over and 显示下载窗口 go through the hooks below.
#include "harvest/flow/HarvestFlags.h"
#include "harvest/ui/WebSearchMenuBar.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>

class AnalysisListCommands;
class AnalysisListModel;
class AnalysisPass;
class CacheClearTimer;
class DownloadListModel;
class HarvestBrowserPage;
class MultiPageHarvest;
class PageHarvester;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTreeView;
class QWebEngineView;
class SplitterBar;
class WebHarvestPage;
struct SaveFolderChoice;

class fWebSearch final : public QMainWindow
{
    Q_OBJECT
public:
    // The harvesting window, created (not shown) when `create` is true and
    // there is none; nullptr otherwise. A closed window is gone.
    static fWebSearch *instance(bool create);

    // The windows of later tools, opened modally over `owner`; the menu
    // entries stay disabled while a hook is empty.
    static std::function<void(QWidget *owner)> &cacheViewerOpener(); // "查看IE浏览器缓存"
    static std::function<void(QWidget *owner)> &usageNotesOpener();  // "使用方法"

    // Rows of the analysis list in pixels.
    static constexpr int kListRowHeightPx = 13;
    // The delay selector offers 0 .. kMaxDelaySeconds.
    static constexpr int kMaxDelaySeconds = 120;

    explicit fWebSearch(QWidget *parent = nullptr);
    ~fWebSearch() override;

    // The download list that 加入下载列表 appends to; the first call loads
    // the download window. Nothing is handed over while it is unset.
    std::function<DownloadListModel *()> downloadList;
    // 显示下载窗口(前置窗口): acts only while the download window is loaded:
    // redraws its list, shows it when hidden and, with 前置窗口, restores it
    // from minimised. Every analysis pass ends with it.
    std::function<void(bool 前置窗口)> showDownloadWindow;

    QWebEngineView *browser() const { return m_browser; }
    HarvestBrowserPage *browserPage() const { return m_page; }
    AnalysisListModel &listModel() const { return *m_list; }
    QTreeView *listView() const { return m_listView1; }
    HarvestFlags &flags() { return m_flags; }
    PageHarvester &harvester() const { return *m_harvester; }
    MultiPageHarvest &addAllRun() const { return *m_addAll; }
    AnalysisPass &analysis() const { return *m_pass; }
    AnalysisListCommands &listCommands() const { return *m_commands; }
    CacheClearTimer &cacheTimer() const { return *m_cacheTimer; }
    const WebSearchMenuBar &menus() const { return m_menus; }
    QComboBox *delaySelector() const { return m_combo1; }
    QLabel *countLabel() const { return m_countLabel; }
    QLabel *statusPanel(int panel) const { return panel == 1 ? m_panel1 : m_panel2; }
    QPushButton *addAllButton() const { return m_addAllButton; }
    QPushButton *analyseButton() const { return m_analyseButton; }
    QCheckBox *removeSpacesBox() const { return m_removeSpaces; }
    QCheckBox *silentBox() const { return m_silent; }
    QCheckBox *autoAnalysisBox() const { return m_autoAnalysis; }
    QCheckBox *cacheClearingBox() const { return m_cacheClearing; }
    QWidget *progressPanel() const { return m_progress; }
    SplitterBar *splitterBar() const { return m_splitter; }

    void goHome();               // "打开…首页"
    void openGivenAddress();     // "打开指定网址"
    void addThisPageClicked();   // "加入本页到列表"
    void addAllClicked();        // "加入全部到列表" / "停止加入全部"
    // "分析下载": the pop-up "加入" opens at globalPos when items are selected.
    void analyseClicked(const QPoint &globalPos);
    void saveWebPageAs();        // "网页另存为"
    // Every column fitted to the wider of its header and contents.
    void fitListColumns();
    // The layout rule over the window's current size and splitter position.
    void layoutWindow();

signals:
    // "打开下载窗口": the download window is wanted, loaded and in front.
    void downloadWindowRequested();
    // The window has closed.
    void closed();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *buildControls();
    void buildStatusBar();
    void wireBrowser();
    void wireMenus();
    void wireWork();
    void loadDelaySelector();
    void showAddAllFace();
    void refreshCount();
    void startAnalysis(int command);
    void askSaveFolder(std::function<void(const SaveFolderChoice &choice)> done);
    void showAbout();

    AnalysisListModel *m_list;
    HarvestFlags m_flags;
    HarvestBrowserPage *m_page = nullptr;
    QWebEngineView *m_browser = nullptr;
    WebHarvestPage *m_harvestPage = nullptr;
    PageHarvester *m_harvester = nullptr;
    MultiPageHarvest *m_addAll = nullptr;
    AnalysisPass *m_pass = nullptr;
    AnalysisListCommands *m_commands = nullptr;
    CacheClearTimer *m_cacheTimer = nullptr;
    WebSearchMenuBar m_menus;

    QWidget *m_browserPane = nullptr;
    SplitterBar *m_splitter = nullptr;
    QWidget *m_listPane = nullptr;
    QWidget *m_controls = nullptr;
    QTreeView *m_listView1 = nullptr;
    QWidget *m_progress = nullptr;
    QPushButton *m_addThisButton = nullptr;
    QPushButton *m_addAllButton = nullptr;
    QPushButton *m_analyseButton = nullptr;
    QPushButton *m_exportButton = nullptr;
    QCheckBox *m_removeSpaces = nullptr;
    QCheckBox *m_silent = nullptr;
    QCheckBox *m_autoAnalysis = nullptr;
    QCheckBox *m_cacheClearing = nullptr;
    QComboBox *m_combo1 = nullptr; // the delay selector
    QLabel *m_countLabel = nullptr;
    QLabel *m_panel1 = nullptr;
    QLabel *m_panel2 = nullptr;
    bool m_homeOpened = false;

    static QPointer<fWebSearch> s_instance;
};
