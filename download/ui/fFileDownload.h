#pragma once
// The download window "文件下载": the toolbar of run settings, the download
// list ListView3, the four-panel status bar and the menu tree. It owns the
// list, the session, the scheduler and the list commands and only wires them
// to its controls; the work is theirs. There is at most one download window;
// the shell creates it through instance() and hands the harvested rows to its
// list.
#include "download/ui/DownloadMenuBar.h"

#include <QMainWindow>
#include <QPointer>

class DownloadListCommands;
class DownloadListModel;
class DownloadScheduler;
class DownloadSession;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QNetworkAccessManager;
class QPushButton;
class QRadioButton;
class QTreeView;

class fFileDownload final : public QMainWindow
{
    Q_OBJECT
public:
    // The download window, created (not shown) when `create` is true and
    // there is none; nullptr otherwise. A closed window is gone: the next
    // call with true loads a fresh one with an empty list.
    static fFileDownload *instance(bool create);
    // 显示下载窗口: creates the window when needed, shows it in its
    // restored state, raises it and refreshes Label1.
    static fFileDownload *显示下载窗口();

    explicit fFileDownload(QWidget *parent = nullptr);
    ~fFileDownload() override;

    DownloadListModel &listModel() const { return *m_list; }
    DownloadSession &session() const { return *m_session; }
    DownloadScheduler &scheduler() const { return *m_scheduler; }
    DownloadListCommands &commands() const { return *m_commands; }
    const DownloadMenuBar &menus() const { return m_menus; }
    QTreeView *listView() const { return m_listView3; }

    // The options dialog chose a method (DownloadSettings::downloadMethodChosen):
    // its label, and the thread count box (method 1 disables it, method 2
    // enables it and sets it to "1").
    void showMethodFromOptions(int method);
    // Copies the settings and the controls into the options the scheduler
    // and the engines read; also whenever DownloadSettings::changed.
    void applySettingsToSession();

    void Command26_Click(); // "切换"
    void refreshLabel1();    // Label1 := row count + "条"

signals:
    // "资料检索分析窗口": the harvesting window is wanted, not modal.
    void harvestWindowRequested();
    // The window has closed (the close went ahead).
    void closed();
    // "清空IE浏览器缓存": the cache tool empties the embedded browser's cache.
    void browserCacheClearRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildToolbar();
    void buildStatusBar();
    void buildList();
    void wireMenus();
    void wireScheduler();
    void loadSettings();
    void showMethod(int method, bool enableThreads);
    void showDuplicatePolicy(const QString &policy);
    QString selectedDuplicatePolicy() const;
    bool isBusy() const;
    void setPanel(int panel, const QString &text);
    void toggleLoginPanel(bool visible);
    void placeLoginPanel();
    void showAbout();

    DownloadListModel *m_list;
    QNetworkAccessManager *m_network;
    DownloadSession *m_session;
    DownloadScheduler *m_scheduler;
    DownloadListCommands *m_commands;
    DownloadMenuBar m_menus;

    QLabel *m_label7 = nullptr;
    QLabel *m_label1 = nullptr;
    QComboBox *m_combo1 = nullptr;
    QComboBox *m_combo2 = nullptr;
    QComboBox *m_combo4 = nullptr;
    QRadioButton *m_option[3] = {};
    QCheckBox *m_check3 = nullptr;
    QCheckBox *m_check4 = nullptr;
    QCheckBox *m_check5 = nullptr;
    QCheckBox *m_check6 = nullptr;
    QFrame *m_shape1 = nullptr; // the running indicator
    QTreeView *m_listView3 = nullptr;
    QWidget *m_loginPanel = nullptr;
    QLabel *m_panels[4] = {};

    static QPointer<fFileDownload> s_instance;
};
