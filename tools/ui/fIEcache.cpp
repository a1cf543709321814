#include "tools/ui/fIEcache.h"

#include "common/ui/ListViewRoutines.h"
#include "common/ui/NamedWidget.h"
#include "platform/DialogService.h"
#include "platform/SettingsStore.h"
#include "tools/core/ProgramCacheLocation.h"
#include "tools/ui/Form_Copy_Move.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QPointer<fIEcache> s_instance;

std::function<BrowserCacheLocation()> &locationSource()
{
    static std::function<BrowserCacheLocation()> source = ProgramCacheLocation;
    return source;
}

QTreeWidget *makeList(const char *name, const QStringList &headers)
{
    auto *list = named(new QTreeWidget, name);
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setHeaderLabels(headers);
    return list;
}
} // namespace

fIEcache *fIEcache::instance(bool create)
{
    if (!s_instance && create)
        s_instance = new fIEcache;
    return s_instance;
}

fIEcache *fIEcache::showModal(QWidget *owner)
{
    fIEcache *viewer = instance(false);
    if (!viewer) {
        viewer = new fIEcache(owner);
        s_instance = viewer;
    }
    viewer->setWindowModality(Qt::ApplicationModal);
    viewer->show();
    viewer->raise();
    return viewer;
}

void fIEcache::setLocationSource(std::function<BrowserCacheLocation()> source)
{
    locationSource() = source ? std::move(source) : std::function<BrowserCacheLocation()>(ProgramCacheLocation);
}

fIEcache::fIEcache(QWidget *parent) : QDialog(parent), m_viewer(locationSource()())
{
    setObjectName(QStringLiteral("fIEcache"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(SettingsStore::applicationTitle() + QStringLiteral("-") + QStringLiteral("IE浏览器Cookie 缓存和历史列表"));
    resize(900, 600);

    m_listView1 = makeList("ListView1", {QStringLiteral("URL"), QStringLiteral("TYPE"), QStringLiteral("SIZE(Byte)"),
                                         QStringLiteral("FilePath")});
    m_listView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_listView1->headerItem()->setTextAlignment(int(CacheColumn::Size), Qt::AlignRight | Qt::AlignVCenter);
    m_listView1->header()->setSectionsClickable(true);
    m_listView1->header()->setSortIndicatorShown(true);
    m_listView2 = makeList("ListView2", {QStringLiteral("用户名"), QStringLiteral("文件夹")});
    m_listView3 = makeList("ListView3", {QStringLiteral("文件夹")});
    m_label1 = named(new QLabel, "Label1");

    auto *command1 = named(new QPushButton(QStringLiteral("查看我的缓存")), "Command1");
    auto *command2 = named(new QPushButton(QStringLiteral("查看所有用户缓存")), "Command2");
    auto *command3 = named(new QPushButton(QStringLiteral("删除所选文件")), "Command3");
    auto *command4 = named(new QPushButton(QStringLiteral("全部删除")), "Command4");
    auto *command5 = named(new QPushButton(QStringLiteral("复制选中...")), "Command5");
    auto *command6 = named(new QPushButton(QStringLiteral("关闭")), "Command6");

    auto *lower = new QSplitter(Qt::Horizontal);
    lower->addWidget(m_listView2);
    lower->addWidget(m_listView3);
    auto *lists = new QSplitter(Qt::Vertical);
    lists->addWidget(m_listView1);
    lists->addWidget(lower);
    lists->setStretchFactor(0, 3);
    lists->setStretchFactor(1, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_label1, 1);
    for (QPushButton *b : {command1, command2, command3, command4, command5, command6})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(lists, 1);
    layout->addLayout(buttons);

    connect(command1, &QPushButton::clicked, this, &fIEcache::Command1_Click);
    connect(command2, &QPushButton::clicked, this, &fIEcache::Command2_Click);
    connect(command3, &QPushButton::clicked, this, &fIEcache::Command3_Click);
    connect(command4, &QPushButton::clicked, this, &fIEcache::Command4_Click);
    connect(command5, &QPushButton::clicked, this, &fIEcache::Command5_Click);
    connect(command6, &QPushButton::clicked, this, &QDialog::close);
    connect(m_listView1->header(), &QHeaderView::sectionClicked, this, [this](int section) {
        m_viewer.SortByColumn(static_cast<CacheColumn>(section));
        m_listView1->header()->setSortIndicator(section, m_viewer.sortDescending() ? Qt::DescendingOrder
                                                                                   : Qt::AscendingOrder);
        showRows();
    });
}

fIEcache::~fIEcache() = default;

void fIEcache::showRows()
{
    m_listView1->clear();
    QList<QTreeWidgetItem *> items;
    items.reserve(m_viewer.rows().size());
    for (const CacheRow &row : m_viewer.rows()) {
        auto *item = new QTreeWidgetItem;
        for (CacheColumn c : {CacheColumn::Url, CacheColumn::Type, CacheColumn::Size, CacheColumn::FilePath})
            item->setText(int(c), CacheRowText(row, c));
        item->setTextAlignment(int(CacheColumn::Size), Qt::AlignRight | Qt::AlignVCenter);
        items << item;
    }
    m_listView1->addTopLevelItems(items);
    m_label1->setText(m_viewer.countText());
}

void fIEcache::showAllLists()
{
    showRows();
    m_listView2->clear();
    for (const CacheUserRow &user : m_viewer.users())
        m_listView2->addTopLevelItem(new QTreeWidgetItem({user.userName, user.folder}));
    m_listView3->clear();
    for (const QString &folder : m_viewer.cacheFolders())
        m_listView3->addTopLevelItem(new QTreeWidgetItem({folder}));
}

QList<int> fIEcache::selectedRows() const
{
    QList<int> rows;
    for (int i = 0; i < m_listView1->topLevelItemCount(); ++i)
        if (m_listView1->topLevelItem(i)->isSelected())
            rows << i;
    return rows;
}

void fIEcache::Command1_Click()
{
    m_viewer.GetCacheURLList();
    showRows();
    AutoSizeAllColumns(m_listView1, -2);
}

void fIEcache::Command2_Click()
{
    m_viewer.ListAllUsers();
    showAllLists();
    for (QTreeWidget *list : {m_listView1, m_listView2, m_listView3})
        AutoSizeAllColumns(list, -2);
}

void fIEcache::Command3_Click()
{
    m_viewer.DeleteRows(selectedRows());
    m_viewer.mode() == CacheListMode::AllUsers ? showAllLists() : showRows();
}

void fIEcache::Command4_Click()
{
    m_viewer.DeleteAll();
    m_viewer.mode() == CacheListMode::AllUsers ? showAllLists() : showRows();
}

void fIEcache::Command5_Click()
{
    const QStringList files = m_viewer.FilePathsOf(selectedRows());
    Form_Copy_Move::showModal(this, files, false,
                              QStringLiteral("复制文件：") + QString::number(files.size()) + QStringLiteral(" 个文件..."));
}

void ClearBrowserCache(bool showMessage)
{
    fIEcache *viewer = fIEcache::instance(true);
    viewer->Command1_Click();
    viewer->Command4_Click();
    viewer->Command2_Click();
    viewer->Command4_Click();
    viewer->hide();
    delete viewer;
    if (showMessage)
        ShowInformation(QStringLiteral("IE缓存清空完毕！"));
}
