#pragma once
// The menu tree of the download window: "列表操作(&D)" (which doubles as the
// list's right-click menu), "窗口(&W)", "工具(&T)" and "帮助(&H)". Every
// action and submenu carries its control name as objectName; fFileDownload
// connects them. Kept out of the window so that the tree reads in one place.
class QAction;
class QMenu;
class QMenuBar;
class QObject;

struct DownloadMenuBar final
{
    // Builds the tree into the bar; the actions are children of the menus.
    void setup(QMenuBar *bar);

    // Before the list menu opens: "全选", the "移除(不删除文件)" submenu and
    // "清空全部" are enabled only when not running, "停止下载" only when
    // running. Other entries keep their state.
    void applyRunningState(bool running);

    QMenu *menu下载 = nullptr;
    QAction *menu全选专利列表 = nullptr;
    QAction *menu全不选 = nullptr;
    QAction *menu随机排序列表 = nullptr;
    QAction *menu自动列宽 = nullptr;
    QMenu *menu重新下载 = nullptr;
    QAction *menu重新下载选中项 = nullptr;
    QAction *menu重新下载出错项 = nullptr;
    QAction *menu重新下载文件类型为HTM和HTML项 = nullptr;
    QAction *menu重新下载出错项和网页项 = nullptr;
    QAction *menu重新下载文件大小小于指定数字的项 = nullptr;
    QMenu *menu清除 = nullptr;
    QAction *menu清除选中项 = nullptr;
    QAction *menu清除完成项 = nullptr;
    QAction *menu移除未完成项 = nullptr;
    QAction *menu清除全部出错项 = nullptr;
    QAction *menu清空 = nullptr;
    QMenu *menu删除 = nullptr;
    QAction *menu删除网页类型文件项 = nullptr;
    QAction *menu删除出错项 = nullptr;
    QAction *menu删除选中项文件 = nullptr;
    QAction *menu文件大小小于指定数的 = nullptr;
    QAction *menu下载全部 = nullptr;
    QAction *menu停止下载 = nullptr;
    QAction *menu取消下载选中项 = nullptr;
    QAction *menu打开下载文件 = nullptr;
    QAction *menu打开文件所在文件夹 = nullptr;
    QAction *menu用记事本打开文件 = nullptr;
    QAction *menu复制名称 = nullptr;
    QAction *menu批量替换网址 = nullptr;
    QMenu *menu导出名称 = nullptr;
    QAction *menu导出全部名称 = nullptr;
    QAction *menu导出未完成项名称 = nullptr;
    QAction *menu退出本下载窗口 = nullptr;

    QMenu *menu窗口 = nullptr;
    QAction *menu资料检索分析窗口 = nullptr;

    QMenu *menu工具 = nullptr;
    QAction *设置 = nullptr;
    QAction *menu自动定位到下载项 = nullptr;
    QAction *menu检查文件是否存在 = nullptr;
    QAction *menu检查并纠正磁盘文件类型 = nullptr;
    QAction *menu清空IE浏览器缓存 = nullptr;
    QAction *menu打开文件判断类型 = nullptr;

    QMenu *menu帮助 = nullptr;
    QAction *menu关于 = nullptr;
};
