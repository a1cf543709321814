#include "harvest/ui/WebSearchMenuBar.h"

#include "common/ui/WindowRoutines.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {
QMenu *topMenu(QMenuBar *bar, const QString &caption, const char *name)
{
    QMenu *menu = bar->addMenu(caption);
    menu->setObjectName(QString::fromUtf8(name));
    return menu;
}

QAction *entry(QMenu *menu, const QString &caption, const char *name)
{
    return AddMenuEntry(menu, caption, name);
}
} // namespace

void WebSearchMenuBar::setup(QMenuBar *bar, QWidget *owner, const QString &portalName)
{
    menu浏览 = topMenu(bar, QStringLiteral("浏览(&B)"), "menu浏览");
    menu首页 = entry(menu浏览, QStringLiteral("打开") + portalName + QStringLiteral("首页"), "menu首页");
    menu打开指定网址 = entry(menu浏览, QStringLiteral("打开指定网址"), "menu打开指定网址");
    menu浏览->addSeparator();
    menu后退 = entry(menu浏览, QStringLiteral("后退"), "menu后退");
    menu前进 = entry(menu浏览, QStringLiteral("前进"), "menu前进");
    menu浏览->addSeparator();
    menu关闭本窗口 = entry(menu浏览, QStringLiteral("关闭本窗口"), "menu关闭本窗口");

    menu清除 = topMenu(bar, QStringLiteral("清除(&C)"), "menu清除");
    menu清除选中项 = entry(menu清除, QStringLiteral("清除选中项"), "menu清除选中项");
    menu清除分析成功项 = entry(menu清除, QStringLiteral("清除分析成功项"), "menu清除分析成功项");
    menu清除标题含指定字符项 = entry(menu清除, QStringLiteral("清除标题含指定字符项"), "menu清除标题含指定字符项");
    menu清除标题不含指定字符项
        = entry(menu清除, QStringLiteral("清除标题不含指定字符项"), "menu清除标题不含指定字符项");
    menu清空全部 = entry(menu清除, QStringLiteral("清空全部"), "menu清空全部");

    menu工具 = topMenu(bar, QStringLiteral("工具(&T)"), "menu工具");
    menu设置 = entry(menu工具, QStringLiteral("设置"), "menu设置");
    menu打开下载窗口 = entry(menu工具, QStringLiteral("打开下载窗口"), "menu打开下载窗口");
    menu工具->addSeparator();
    menu查看IE浏览器缓存 = entry(menu工具, QStringLiteral("查看IE浏览器缓存"), "menu查看IE浏览器缓存");
    menu清空IE浏览器缓存 = entry(menu工具, QStringLiteral("清空IE浏览器缓存"), "menu清空IE浏览器缓存");
    menu网页另存为 = entry(menu工具, QStringLiteral("网页另存为"), "menu网页另存为");

    menu帮助 = topMenu(bar, QStringLiteral("帮助(&H)"), "menu帮助");
    menu关于 = entry(menu帮助, QStringLiteral("关于(&A)"), "menu关于");
    menu使用方法 = entry(menu帮助, QStringLiteral("使用方法"), "menu使用方法");

    menu加入 = new QMenu(QStringLiteral("加入"), owner);
    menu加入->setObjectName(QStringLiteral("menu加入"));
    menu分析未分析项 = entry(menu加入, QStringLiteral("分析未分析项"), "menu分析未分析项");
    menu分析失败项 = entry(menu加入, QStringLiteral("分析失败项"), "menu分析失败项");
    menu分析选中项 = entry(menu加入, QStringLiteral("分析选中项"), "menu分析选中项");
    menu分析全部 = entry(menu加入, QStringLiteral("分析全部"), "menu分析全部");
}
