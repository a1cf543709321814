#pragma once
// The cache viewer "IE浏览器Cookie 缓存和历史列表": lists this program's browser
// cache and cookies, or the cache files of every user's profile, deletes
// selected or all of them (never a cookie, never a "txt" file), and hands
// selected files to the copy/move tool. There is one viewer; the harvesting
// window opens it modally, and ClearBrowserCache drives it unseen. The
// lists and rules are BrowserCacheViewer's; this window shows them.
#include "tools/core/BrowserCacheViewer.h"

#include <QDialog>

#include <functional>

class QLabel;
class QTreeWidget;

class fIEcache final : public QDialog
{
    Q_OBJECT
public:
    // The one viewer, made (not shown) when create is true and there is none.
    static fIEcache *instance(bool create);
    // Opens the viewer modally without blocking.
    static fIEcache *showModal(QWidget *owner);

    // Where the viewer looks; ProgramCacheLocation unless tests set another.
    static void setLocationSource(std::function<BrowserCacheLocation()> source);

    void Command1_Click(); // "查看我的缓存"
    void Command2_Click(); // "查看所有用户缓存"
    void Command3_Click(); // "删除所选文件"
    void Command4_Click(); // "全部删除"
    void Command5_Click(); // "复制选中..."

    const BrowserCacheViewer &viewer() const { return m_viewer; }
    ~fIEcache() override;

private:
    explicit fIEcache(QWidget *parent = nullptr);

    void showRows();
    void showAllLists();
    QList<int> selectedRows() const;

    BrowserCacheViewer m_viewer;
    QTreeWidget *m_listView1; // the entries
    QTreeWidget *m_listView2; // the users' cache folders
    QTreeWidget *m_listView3; // the folders below them
    QLabel *m_label1;         // the count
};

// "清空IE浏览器缓存": my cache listed and deleted, all users' caches listed and
// deleted, the viewer unloaded (also one the user has open), and with
// showMessage "IE缓存清空完毕！".
void ClearBrowserCache(bool showMessage);
