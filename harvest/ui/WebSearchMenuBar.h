#pragma once
// The menu tree of the harvesting window: "浏览(&B)", "清除(&C)" (which
// doubles as the analysis list's right-click menu), "工具(&T)" and
// "帮助(&H)", plus the menu "加入" that is never in the bar: its four
// entries are the pop-up of "分析下载". fWebSearch connects the actions;
// keeping the tree here lets it read in one place.
#include <QString>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

struct WebSearchMenuBar final
{
    // Builds the tree into the bar; portalName goes into the home-page entry
    // "打开" + name + "首页". "加入" is made with `owner` as its parent.
    void setup(QMenuBar *bar, QWidget *owner, const QString &portalName);

    QMenu *menu浏览 = nullptr;
    QAction *menu首页 = nullptr;
    QAction *menu打开指定网址 = nullptr;
    QAction *menu后退 = nullptr;
    QAction *menu前进 = nullptr;
    QAction *menu关闭本窗口 = nullptr;

    QMenu *menu清除 = nullptr;
    QAction *menu清除选中项 = nullptr;
    QAction *menu清除分析成功项 = nullptr;
    QAction *menu清除标题含指定字符项 = nullptr;
    QAction *menu清除标题不含指定字符项 = nullptr;
    QAction *menu清空全部 = nullptr;

    QMenu *menu工具 = nullptr;
    QAction *menu设置 = nullptr;
    QAction *menu打开下载窗口 = nullptr;
    QAction *menu查看IE浏览器缓存 = nullptr;
    QAction *menu清空IE浏览器缓存 = nullptr;
    QAction *menu网页另存为 = nullptr;

    QMenu *menu帮助 = nullptr;
    QAction *menu关于 = nullptr;
    QAction *menu使用方法 = nullptr;

    QMenu *menu加入 = nullptr;
    QAction *menu分析未分析项 = nullptr;
    QAction *menu分析失败项 = nullptr;
    QAction *menu分析选中项 = nullptr;
    QAction *menu分析全部 = nullptr;
};
