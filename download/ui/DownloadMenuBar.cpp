#include "download/ui/DownloadMenuBar.h"

#include "common/ui/WindowRoutines.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace {

QMenu *subMenu(QWidget *parent, const QString &caption, const char *name)
{
    auto *menu = new QMenu(caption, parent);
    menu->setObjectName(QString::fromUtf8(name));
    return menu;
}

QAction *entry(QMenu *menu, const QString &caption, const char *name)
{
    return AddMenuEntry(menu, caption, name);
}

} // namespace

void DownloadMenuBar::setup(QMenuBar *bar)
{
    menu下载 = subMenu(bar, QStringLiteral("列表操作(&D)"), "menu下载");
    bar->addMenu(menu下载);
    menu全选专利列表 = entry(menu下载, QStringLiteral("全选"), "menu全选专利列表");
    menu全不选 = entry(menu下载, QStringLiteral("全不选"), "menu全不选");
    menu随机排序列表 = entry(menu下载, QStringLiteral("随机排序列表(打乱)"), "menu随机排序列表");
    menu自动列宽 = entry(menu下载, QStringLiteral("自动调整列宽"), "menu自动列宽");
    menu下载->addSeparator();

    menu重新下载 = subMenu(menu下载, QStringLiteral("重新下载"), "menu重新下载");
    menu下载->addMenu(menu重新下载);
    menu重新下载选中项 = entry(menu重新下载, QStringLiteral("选中项"), "menu重新下载选中项");
    menu重新下载出错项 = entry(menu重新下载, QStringLiteral("出错项"), "menu重新下载出错项");
    menu重新下载文件类型为HTM和HTML项 = entry(menu重新下载, QStringLiteral("网页类型文件(HTM/HTML/xml)项"),
                                   "menu重新下载文件类型为HTM和HTML项");
    menu重新下载出错项和网页项 =
        entry(menu重新下载, QStringLiteral("重新下载出错项和网页类型文件项"), "menu重新下载出错项和网页项");
    menu重新下载文件大小小于指定数字的项 = entry(menu重新下载, QStringLiteral("文件大小小于指定数字的项"),
                                      "menu重新下载文件大小小于指定数字的项");
    menu下载->addSeparator();

    menu清除 = subMenu(menu下载, QStringLiteral("移除(不删除文件)"), "menu清除");
    menu下载->addMenu(menu清除);
    menu清除选中项 = entry(menu清除, QStringLiteral("选中项"), "menu清除选中项");
    menu清除完成项 = entry(menu清除, QStringLiteral("完成项"), "menu清除完成项");
    menu移除未完成项 = entry(menu清除, QStringLiteral("未完成项"), "menu移除未完成项");
    menu清除全部出错项 = entry(menu清除, QStringLiteral("全部出错项"), "menu清除全部出错项");
    menu清空 = entry(menu清除, QStringLiteral("清空全部"), "menu清空");

    menu删除 = subMenu(menu下载, QStringLiteral("删除文件(不移除)"), "menu删除");
    menu下载->addMenu(menu删除);
    menu删除网页类型文件项 = entry(menu删除, QStringLiteral("网页类型文件(HTM/HTML/xml)项"), "menu删除网页类型文件项");
    menu删除出错项 = entry(menu删除, QStringLiteral("出错项"), "menu删除出错项");
    menu删除选中项文件 = entry(menu删除, QStringLiteral("选中项"), "menu删除选中项文件");
    menu文件大小小于指定数的 = entry(menu删除, QStringLiteral("文件大小小于指定数的"), "menu文件大小小于指定数的");
    menu下载->addSeparator();

    menu下载全部 = entry(menu下载, QStringLiteral("开始下载"), "menu下载全部");
    menu停止下载 = entry(menu下载, QStringLiteral("停止下载"), "menu停止下载");
    menu取消下载选中项 = entry(menu下载, QStringLiteral("取消下载选中项"), "menu取消下载选中项");
    menu下载->addSeparator();

    menu打开下载文件 = entry(menu下载, QStringLiteral("打开下载文件"), "menu打开下载文件");
    menu打开文件所在文件夹 = entry(menu下载, QStringLiteral("打开所在文件夹"), "menu打开文件所在文件夹");
    menu用记事本打开文件 = entry(menu下载, QStringLiteral("用记事本打开文件"), "menu用记事本打开文件");
    menu下载->addSeparator();

    menu复制名称 = entry(menu下载, QStringLiteral("复制名称"), "menu复制名称");
    menu批量替换网址 = entry(menu下载, QStringLiteral("批量替换网址"), "menu批量替换网址");
    menu导出名称 = subMenu(menu下载, QStringLiteral("导出名称"), "menu导出名称");
    menu下载->addMenu(menu导出名称);
    menu导出全部名称 = entry(menu导出名称, QStringLiteral("全部"), "menu导出全部名称");
    menu导出未完成项名称 = entry(menu导出名称, QStringLiteral("未完成项"), "menu导出未完成项名称");
    menu下载->addSeparator();

    menu退出本下载窗口 = entry(menu下载, QStringLiteral("关闭本下载窗口"), "menu退出本下载窗口");

    menu窗口 = subMenu(bar, QStringLiteral("窗口(&W)"), "menu窗口");
    bar->addMenu(menu窗口);
    menu资料检索分析窗口 = entry(menu窗口, QStringLiteral("资料检索分析窗口"), "menu资料检索分析窗口");

    menu工具 = subMenu(bar, QStringLiteral("工具(&T)"), "menu工具");
    bar->addMenu(menu工具);
    设置 = entry(menu工具, QStringLiteral("设置"), "设置");
    menu自动定位到下载项 = entry(menu工具, QStringLiteral("自动定位到下载项"), "menu自动定位到下载项");
    menu自动定位到下载项->setCheckable(true);
    menu工具->addSeparator();
    menu检查文件是否存在 = entry(menu工具, QStringLiteral("检查文件是否存在"), "menu检查文件是否存在");
    menu检查并纠正磁盘文件类型 = entry(menu工具, QStringLiteral("检查并纠正磁盘文件类型"), "menu检查并纠正磁盘文件类型");
    menu工具->addSeparator();
    menu清空IE浏览器缓存 = entry(menu工具, QStringLiteral("清空IE浏览器缓存"), "menu清空IE浏览器缓存");
    menu打开文件判断类型 = entry(menu工具, QStringLiteral("打开文件判断类型"), "menu打开文件判断类型");

    menu帮助 = subMenu(bar, QStringLiteral("帮助(&H)"), "menu帮助");
    bar->addMenu(menu帮助);
    menu关于 = entry(menu帮助, QStringLiteral("关于"), "menu关于");
}

void DownloadMenuBar::applyRunningState(bool running)
{
    menu全选专利列表->setEnabled(!running);
    menu清除->menuAction()->setEnabled(!running);
    menu清空->setEnabled(!running);
    menu停止下载->setEnabled(running);
}
