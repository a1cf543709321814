#pragma once
// What the user does to the download list besides starting and stopping:
// the "列表操作(&D)" menu (select, re-download, remove, delete, cancel,
// shuffle, copy and export names, batch address replace, open files and
// folders), the Tools entries that check and re-type files, the header click
// that sorts, and the double and single click on a row. The download window
// fFileDownload wires its menus and view signals to these functions and
// installs the running-state queries from the scheduler; the scheduler's
// automatic re-download calls 重新下载出错项 and 重新下载文件类型为HTM和HTML项.
//
// No widget lives here: messages and pickers go through DialogService,
// programs through DesktopLauncher, the selection is the view's
// QItemSelectionModel on the list model, and rows are changed only through
// DownloadListModel so that the view repaints once per command.
#include "download/core/DownloadRow.h"

#include <QObject>
#include <QPointer>
#include <QVector>
#include <functional>

class DesktopLauncher;
class DownloadListModel;
class QItemSelectionModel;

class DownloadListCommands final : public QObject
{
    Q_OBJECT
public:
    // The scheduler's state as the commands see it. Unset queries answer
    // "stopped", "not running" and "not busy".
    struct RunningQueries
    {
        // No slot busy, the single connection idle and the scheduler tick off.
        std::function<bool()> downloadStopped;
        // The scheduler tick on or TransferBusy.
        std::function<bool()> running;
        std::function<bool()> transferBusy;
    };

    struct ReplaceResult
    {
        bool replaced = false; // false: the search text was empty, nothing changed
        int changed = 0;       // rows whose address or referrer changed
        int collisions = 0;    // rows left as they were because their new address was taken
    };

    explicit DownloadListCommands(DownloadListModel &list, QObject *parent = nullptr);
    ~DownloadListCommands() override;

    void setRunningQueries(RunningQueries queries);
    // The view's selection on the list model; not owned. Without one no row
    // counts as selected.
    void setSelectionModel(QItemSelectionModel *selection);
    // Not owned; nullptr restores the real desktop.
    void setLauncher(DesktopLauncher *launcher);

    // Selected rows in ascending order.
    QVector<int> selectedRows() const;
    // The row the single-row commands act on: the current row when it is
    // selected, else the first selected row, else -1.
    int selectedRow() const;

    // --- selecting
    void 全选专利列表();
    void 全不选();

    // --- "重新下载": each answers the number of rows reset. No state check.
    int 重新下载选中项();
    int 重新下载出错项();
    int 重新下载文件类型为HTM和HTML项();
    int 重新下载出错项和网页项();
    int 重新下载文件大小小于指定数字的项();
    // The reset of one row: file deleted, Waiting, web types to "xxx" (every
    // type when forceXxx), size columns emptied, the file of the new type
    // deleted, address alternatives rotated with 对调url.
    static void RedownloadReset(DownloadListModel &list, int row, bool forceXxx);

    // --- "移除(不删除文件)": download-stopped check, then rows removed
    // (files kept). Each answers the number of rows removed.
    int 清除选中项();
    int 清除完成项();
    int 移除未完成项();
    int 清除全部出错项();
    int 清空();

    // --- "删除文件(不移除)": no state check; files deleted, rows kept.
    // Rows that are downloading are passed over. Each answers the rows hit.
    int 删除网页类型文件项();
    int 删除出错项();
    int 删除选中项文件();
    int 删除文件大小小于指定数的();

    // Selected Waiting rows become Failed; refused while a transfer is busy.
    int 取消下载选中项();

    // --- sorting and shuffling
    // Header click: refused while running or while a slot still fetches;
    // flips the order and sorts once.
    void sortByColumn(int column);
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }
    void setSortOrder(Qt::SortOrder order) { m_sortOrder = order; }
    // The sort itself, without the running check or the flip.
    static void SortList(DownloadListModel &list, int column, Qt::SortOrder order);
    void 随机排序列表();

    // --- names and addresses
    void 复制名称();
    void 导出全部名称();
    void 导出未完成项名称();
    // "替换" of the UrlReplace dialog: "请输入字符串！" when the search text is
    // only spaces, otherwise every address and referrer rewritten. A row whose
    // new address another row already holds (or gets) keeps its address and
    // referrer; the first row in list order wins.
    ReplaceResult replaceInAddresses(const QString &find, const QString &replacement);
    // "全部网址替换完成！", and how many rows kept their address, if any.
    void reportReplaceFinished(const ReplaceResult &result);

    // --- file commands
    void rowDoubleClicked();
    // Single click: panel 2 shows the clicked row's file path (or nothing),
    // then the selected row's address, which also goes to the clipboard.
    void rowClicked(int clickedRow);
    void statusPanelClicked(const QString &panelText);
    void 打开下载文件();
    void 打开文件所在文件夹();
    void 用记事本打开文件();
    void 检查文件是否存在();
    int 检查并纠正磁盘文件类型();
    void 打开文件判断类型();

    // "文件不存在！" for a missing file, "打开失败！" when nothing would open it.
    bool OpenWithAssociatedProgram(const QString &file);

signals:
    // Label1 after a remove command: the new row count followed by "条".
    void label1TextChanged(const QString &text);
    // A status-bar panel (1 to 4) to show a text.
    void statusPanelChanged(int panel, const QString &text);

private:
    bool downloadStopped() const;
    bool running() const;
    bool transferBusy() const;
    // The download-stopped check with its message.
    bool checkStopped() const;
    DesktopLauncher &launcher() const;

    template<typename Pred>
    int redownloadWhere(Pred pred, bool forceXxx);
    template<typename Pred>
    int removeWhere(Pred pred);
    template<typename Pred>
    int deleteFilesWhere(Pred pred, bool toWaiting);
    void exportNames(bool unfinishedOnly);

    DownloadListModel &m_list;
    QPointer<QItemSelectionModel> m_selection;
    DesktopLauncher *m_launcher = nullptr;
    RunningQueries m_queries;
    int m_sortColumn = 0;
    // A fresh window sorts descending on its first click.
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};
