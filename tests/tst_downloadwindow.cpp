// The download window driven offscreen: its load steps from the store, the
// method switch, the menu tree and its enabling while running, the close
// question while downloading and what the close stores, and the remembered
// window layout under a changed screen resolution; and one run end to end
// against the sample portal.
#include "common/TextCodec.h"
#include "common/ui/WindowLayout.h"
#include "common/ui/WindowRoutines.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSession.h"
#include "download/core/DownloadSettings.h"
#include "download/scheduler/DownloadScheduler.h"
#include "download/ui/DownloadStateIcons.h"
#include "download/ui/fFileDownload.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "tests/support/ManualClock.h"
#include "tests/support/NamedControl.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedDialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <memory>

namespace {

QString stored(const QString &section, const QString &key)
{
    return SettingsStore::instance().read(section, key, QStringLiteral("<absent>"));
}

void store(const QString &section, const QString &key, const QString &value)
{
    SettingsStore::instance().write(section, key, value);
}

// A menu as text: captions, "-" for separators, submenus as "caption>" with
// their entries indented by two spaces.
void describe(const QMenu *menu, QStringList &out, const QString &indent = QString())
{
    for (const QAction *action : menu->actions()) {
        if (action->isSeparator())
            out << indent + QStringLiteral("-");
        else if (action->menu()) {
            out << indent + action->text() + QStringLiteral(">");
            describe(action->menu(), out, indent + QStringLiteral("  "));
        } else
            out << indent + action->text();
    }
}

void processDeferredDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

class TestDownloadWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadsFromStore_data();
    void loadsFromStore();
    void firstLoadDefaults();
    void methodSwitchResetsThreadCount();
    void closeStoresThreadIndexOfMethodOne();
    void closeWhileDownloadingAsks();
    void menuTree();
    void menuEnablingFollowsRunningState();
    void menusReachTheCommands();
    void listAndStatusBar();
    void layoutRoundTrip();
    void layoutIgnoredAfterResolutionChange();
    void layoutBounds();
    void handOverDownloadRetryExport();

private:
    fFileDownload *openWindow();
    template<typename T>
    T *control(const char *name) const
    {
        return NamedControl<T>(m_window, name);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<ManualClock> m_clock;
    QPointer<fFileDownload> m_window;
};

void TestDownloadWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

void TestDownloadWindow::init()
{
    const QString ini = m_dir.filePath(QStringLiteral("settings.ini"));
    QFile::remove(ini);
    SettingsStore::useFile(ini);
    DownloadSettings::instance().reset();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
}

void TestDownloadWindow::cleanup()
{
    delete m_window.data();
    processDeferredDeletes();
    QVERIFY(!fFileDownload::instance(false));
    Clock::setInstance(nullptr);
    m_clock.reset();
    m_dialogs.reset();
    SettingsStore::useFile(QString());
}

fFileDownload *TestDownloadWindow::openWindow()
{
    m_window = fFileDownload::instance(true);
    m_window->scheduler().setManualTicks(true);
    return m_window;
}

void TestDownloadWindow::loadsFromStore_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("threads");
    QTest::addColumn<QString>("policy");
    QTest::addColumn<QString>("label7");
    QTest::addColumn<QString>("combo1");
    QTest::addColumn<bool>("combo1Enabled");
    QTest::addColumn<QString>("checkedOption");
    QTest::newRow("method 2, index 4, skip") << "2" << "4" << "跳过" << "下载方式：2" << "5" << true << "Option1";
    QTest::newRow("method 1 ignores the index") << "1" << "4" << "覆盖" << "下载方式：1" << "1" << false << "Option2";
    QTest::newRow("index out of range") << "2" << "9" << "重命名" << "下载方式：2" << "1" << true << "Option3";
    QTest::newRow("index not a number") << "2" << "x" << "重命名" << "下载方式：2" << "1" << true << "Option3";
    QTest::newRow("unknown policy") << "2" << "0" << "跳过 " << "下载方式：2" << "1" << true << "Option3";
}

void TestDownloadWindow::loadsFromStore()
{
    QFETCH(QString, method);
    QFETCH(QString, threads);
    QFETCH(QString, policy);
    store(QStringLiteral("设置"), QStringLiteral("下载方式"), method);
    store(QStringLiteral("下载"), QStringLiteral("线程"), threads);
    store(QStringLiteral("专利下载"), QStringLiteral("重复文件名设置"), policy);
    openWindow();
    QTEST(control<QLabel>("Label7")->text(), "label7");
    QTEST(control<QComboBox>("Combo1")->currentText(), "combo1");
    QTEST(control<QComboBox>("Combo1")->isEnabled(), "combo1Enabled");
    QFETCH(QString, checkedOption);
    QVERIFY(control<QRadioButton>(checkedOption.toUtf8().constData())->isChecked());
    // What the engines read follows the controls.
    const DownloadOptions &o = m_window->session().options();
    QCOMPARE(int(o.method), method.toInt());
    QCOMPARE(o.threadCount, control<QComboBox>("Combo1")->currentText().toInt());
    QCOMPARE(DuplicateModeText(o.duplicateMode), TrimSpaces(control<QRadioButton>(checkedOption.toUtf8().constData())->text()));
}

void TestDownloadWindow::firstLoadDefaults()
{
    openWindow();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("文件下载-") + SettingsStore::applicationTitle());
    QCOMPARE(control<QLabel>("Label7")->text(), QStringLiteral("下载方式：2"));
    QCOMPARE(control<QComboBox>("Combo1")->currentText(), QStringLiteral("3"));
    QVERIFY(control<QRadioButton>("Option3")->isChecked());
    auto *combo2 = control<QComboBox>("Combo2");
    QCOMPARE(combo2->count(), 601);
    QCOMPARE(combo2->currentText(), QStringLiteral("0"));
    QCOMPARE(combo2->itemText(600), QStringLiteral("600"));
    QCOMPARE(control<QComboBox>("Combo4")->currentIndex(), 0);
    QCOMPARE(control<QComboBox>("Combo4")->count(), 3);
    for (const char *name : {"Check3", "Check4", "Check5", "Check6"})
        QVERIFY(!control<QCheckBox>(name)->isChecked());
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("0条"));
    QCOMPARE(control<QPushButton>("Command26")->toolTip(), QStringLiteral("更改下载方式"));
    QVERIFY(!m_window->scheduler().schedulerTickOn());
    QCOMPARE(m_window->listModel().count(), 0);
    // Nothing stored by loading; the first run opens maximised.
    QVERIFY(!SettingsStore::instance().contains(QStringLiteral("设置"), QStringLiteral("下载方式")));
    QVERIFY(m_window->isMaximized() || (m_window->windowState() & Qt::WindowMaximized));
    // The toolbar's settings reach the engines as they change.
    combo2->setCurrentIndex(5);
    control<QCheckBox>("Check6")->setChecked(true);
    control<QRadioButton>("Option1")->setChecked(true);
    QCOMPARE(m_window->session().options().intervalSeconds, 5);
    QVERIFY(m_window->session().options().soundPrompt);
    QCOMPARE(DuplicateModeText(m_window->session().options().duplicateMode), QStringLiteral("跳过"));
}

void TestDownloadWindow::methodSwitchResetsThreadCount()
{
    store(QStringLiteral("下载"), QStringLiteral("线程"), QStringLiteral("5"));
    openWindow();
    auto *combo1 = control<QComboBox>("Combo1");
    auto *switchButton = control<QPushButton>("Command26");
    QCOMPARE(combo1->currentText(), QStringLiteral("6"));
    switchButton->click();
    QCOMPARE(control<QLabel>("Label7")->text(), QStringLiteral("下载方式：1"));
    QCOMPARE(combo1->currentText(), QStringLiteral("1"));
    QVERIFY(!combo1->isEnabled());
    QCOMPARE(int(m_window->session().options().method), 1);
    combo1->setCurrentIndex(3); // cannot happen by hand while disabled, but the switch back must reset it
    switchButton->click();
    QCOMPARE(control<QLabel>("Label7")->text(), QStringLiteral("下载方式：2"));
    QCOMPARE(combo1->currentText(), QStringLiteral("1"));
    QVERIFY(combo1->isEnabled());
    QCOMPARE(m_window->session().options().threadCount, 1);
    // The switch stores nothing.
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("<absent>"));
}

void TestDownloadWindow::closeStoresThreadIndexOfMethodOne()
{
    store(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("1"));
    store(QStringLiteral("下载"), QStringLiteral("线程"), QStringLiteral("4"));
    openWindow();
    control<QRadioButton>("Option2")->setChecked(true);
    QVERIFY(m_window->close());
    processDeferredDeletes();
    QVERIFY(!m_window);
    QVERIFY(m_dialogs->messages().isEmpty()); // an empty list is not busy
    QCOMPARE(stored(QStringLiteral("下载"), QStringLiteral("线程")), QStringLiteral("0"));
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("专利下载"), QStringLiteral("重复文件名设置")), QStringLiteral("覆盖"));
    QVERIFY(stored(QStringLiteral("fFileDownload"), QStringLiteral("分辨率")) != QStringLiteral("<absent>"));

    store(QStringLiteral("设置"), QStringLiteral("下载方式"), QStringLiteral("2"));
    openWindow();
    QCOMPARE(control<QComboBox>("Combo1")->currentText(), QStringLiteral("1"));
    QVERIFY(control<QRadioButton>("Option2")->isChecked());
}

void TestDownloadWindow::closeWhileDownloadingAsks()
{
    openWindow();
    QVERIFY(m_window->listModel().addRow(QStringLiteral("http://127.0.0.1:1/file?x=1"), QStringLiteral("甲"),
                                         QStringLiteral("pdf"), m_dir.path() + QStringLiteral("/"), QString()));
    control<QRadioButton>("Option1")->setChecked(true);
    control<QPushButton>("Command26")->click(); // method 1 for this run
    control<QCheckBox>("Check4")->setChecked(true);

    const QString question = QStringLiteral("正在下载文件或者下载没有完成，要强制关闭窗口吗？");
    m_dialogs->answerNo();
    QVERIFY(!m_window->close());
    QCOMPARE(m_dialogs->messages(), QStringList({question}));
    QCOMPARE(m_dialogs->shown().first().icon, MessageIcon::Question);
    QVERIFY(m_window);
    QCOMPARE(fFileDownload::instance(false), m_window.data());
    // Declined, but the method and the policy are stored already; the thread
    // index and the layout wait for a close that goes ahead.
    QCOMPARE(stored(QStringLiteral("设置"), QStringLiteral("下载方式")), QStringLiteral("1"));
    QCOMPARE(stored(QStringLiteral("专利下载"), QStringLiteral("重复文件名设置")), QStringLiteral("跳过"));
    QCOMPARE(stored(QStringLiteral("下载"), QStringLiteral("线程")), QStringLiteral("<absent>"));
    QCOMPARE(stored(QStringLiteral("fFileDownload"), QStringLiteral("分辨率")), QStringLiteral("<absent>"));
    QVERIFY(control<QCheckBox>("Check4")->isChecked());

    m_dialogs->answerYes();
    bool closedTold = false;
    connect(m_window.data(), &fFileDownload::closed, this, [&] { closedTold = true; });
    QVERIFY(m_window->close());
    QCOMPARE(m_dialogs->messages().size(), 2);
    QVERIFY(closedTold); // the shell shows the cover, no harvesting window being open
    QVERIFY(!fFileDownload::instance(false));
    QCOMPARE(stored(QStringLiteral("下载"), QStringLiteral("线程")), QStringLiteral("0"));
    processDeferredDeletes();
    QVERIFY(!m_window);
    QVERIFY(!IsFormLoaded(QStringLiteral("FFILEDOWNLOAD")));
}

void TestDownloadWindow::menuTree()
{
    openWindow();
    const DownloadMenuBar &m = m_window->menus();
    QStringList list;
    describe(m.menu下载, list);
    const QStringList expected = {
        "全选", "全不选", "随机排序列表(打乱)", "自动调整列宽", "-",
        "重新下载>", "  选中项", "  出错项", "  网页类型文件(HTM/HTML/xml)项", "  重新下载出错项和网页类型文件项",
        "  文件大小小于指定数字的项", "-",
        "移除(不删除文件)>", "  选中项", "  完成项", "  未完成项", "  全部出错项", "  清空全部",
        "删除文件(不移除)>", "  网页类型文件(HTM/HTML/xml)项", "  出错项", "  选中项", "  文件大小小于指定数的", "-",
        "开始下载", "停止下载", "取消下载选中项", "-",
        "打开下载文件", "打开所在文件夹", "用记事本打开文件", "-",
        "复制名称", "批量替换网址", "导出名称>", "  全部", "  未完成项", "-",
        "关闭本下载窗口"};
    QCOMPARE(list, expected);

    QStringList bar;
    for (const QAction *a : m_window->menuBar()->actions())
        bar << a->text();
    QCOMPARE(bar, QStringList({"列表操作(&D)", "窗口(&W)", "工具(&T)", "帮助(&H)"}));
    QStringList tools;
    describe(m.menu工具, tools);
    QCOMPARE(tools, QStringList({"设置", "自动定位到下载项", "-", "检查文件是否存在", "检查并纠正磁盘文件类型", "-",
                                 "清空IE浏览器缓存", "打开文件判断类型"}));
    QStringList windows;
    describe(m.menu窗口, windows);
    QCOMPARE(windows, QStringList({"资料检索分析窗口"}));
    // Control names as object names.
    QCOMPARE(m.menu清空->objectName(), QStringLiteral("menu清空"));
    QVERIFY(m_window->findChild<QAction *>(QStringLiteral("menu重新下载文件大小小于指定数字的项")));
    QVERIFY(m.menu自动定位到下载项->isCheckable());
    m.menu自动定位到下载项->trigger();
    QVERIFY(m_window->session().options().autoLocate);
}

void TestDownloadWindow::menuEnablingFollowsRunningState()
{
    openWindow();
    const DownloadMenuBar &m = m_window->menus();
    DownloadListModel &list = m_window->listModel();
    list.addRow(QStringLiteral("http://127.0.0.1:1/a"), QStringLiteral("a"), QStringLiteral("pdf"),
                m_dir.path() + QStringLiteral("/"), QString());
    auto opened = [&] { emit m.menu下载->aboutToShow(); };

    opened();
    QVERIFY(m.menu全选专利列表->isEnabled());
    QVERIFY(m.menu清除->menuAction()->isEnabled());
    QVERIFY(m.menu清空->isEnabled());
    QVERIFY(!m.menu停止下载->isEnabled());

    m.menu下载全部->trigger(); // scheduler tick on
    QVERIFY(m_window->scheduler().schedulerTickOn());
    opened();
    QVERIFY(!m.menu全选专利列表->isEnabled());
    QVERIFY(!m.menu清除->menuAction()->isEnabled());
    QVERIFY(!m.menu清空->isEnabled());
    QVERIFY(m.menu停止下载->isEnabled());
    // Entries outside the rule keep their state.
    QVERIFY(m.menu全不选->isEnabled());
    QVERIFY(m.menu删除->menuAction()->isEnabled());

    // The running indicator and "开始下载" follow the housekeeping tick.
    m_window->scheduler().housekeepingTick();
    QVERIFY(m_window->findChild<QWidget *>(QStringLiteral("Shape1"))->isVisibleTo(m_window));
    QVERIFY(!m.menu下载全部->isEnabled());

    m.menu停止下载->trigger();
    opened();
    QVERIFY(m.menu全选专利列表->isEnabled());
    QVERIFY(m.menu清空->isEnabled());
    QVERIFY(!m.menu停止下载->isEnabled());
    m_window->scheduler().housekeepingTick();
    QVERIFY(!m_window->findChild<QWidget *>(QStringLiteral("Shape1"))->isVisibleTo(m_window));
    QVERIFY(m.menu下载全部->isEnabled());
}

void TestDownloadWindow::menusReachTheCommands()
{
    openWindow();
    const DownloadMenuBar &m = m_window->menus();
    DownloadListModel &list = m_window->listModel();
    for (int i = 0; i < 3; ++i)
        list.addRow(QStringLiteral("http://127.0.0.1:1/%1").arg(i), QStringLiteral("n%1").arg(i),
                    QStringLiteral("pdf"), m_dir.path() + QStringLiteral("/"), QString());
    list.setState(0, RowState::Done);
    list.setState(1, RowState::Done);
    list.setState(2, RowState::Failed);

    // Refused while the scheduler tick is on, with no question asked.
    m.menu下载全部->trigger();
    m.menu清除完成项->trigger();
    m.menu清空->trigger();
    QCOMPARE(m_dialogs->messages(), QStringList({"停止下载以后，才能执行此操作！", "停止下载以后，才能执行此操作！"}));
    QCOMPARE(list.count(), 3);

    m.menu停止下载->trigger();
    m.menu清除完成项->trigger();
    QCOMPARE(list.count(), 1);
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("1条"));

    // The automatic re-download goes through the list command.
    control<QCheckBox>("Check3")->setChecked(true);
    m_window->scheduler().housekeepingTick();
    QCOMPARE(list.at(0).state, RowState::Waiting);
    QVERIFY(m_window->scheduler().schedulerTickOn());
    m.menu停止下载->trigger();
    QVERIFY(!control<QCheckBox>("Check3")->isChecked()); // the stop procedure unticks it

    m.menu全选专利列表->trigger();
    QCOMPARE(m_window->listView()->selectionModel()->selectedRows().size(), 1);
    m.menu全不选->trigger();
    QVERIFY(m_window->listView()->selectionModel()->selectedRows().isEmpty());
}

void TestDownloadWindow::listAndStatusBar()
{
    openWindow();
    QTreeView *view = m_window->listView();
    QCOMPARE(view->objectName(), QStringLiteral("ListView3"));
    QCOMPARE(view->model()->columnCount(), 7);
    QCOMPARE(view->editTriggers(), QAbstractItemView::NoEditTriggers);
    QCOMPARE(view->toolTip(), QStringLiteral("双击鼠标：下载当前项或者打开文件"));
    m_window->listModel().addRow(QStringLiteral("http://127.0.0.1:1/a"), QStringLiteral("名称"),
                                 QStringLiteral("pdf"), m_dir.path() + QStringLiteral("/"), QString());
    m_window->listModel().flushChanges();
    const QModelIndex first = view->model()->index(0, 0);
    QVERIFY(!(view->model()->flags(first) & Qt::ItemIsEditable));
    QCOMPARE(view->sizeHintForRow(0), 17);
    view->edit(first);
    QVERIFY(!view->findChild<QLineEdit *>());
    // Four states, four different icons, drawn by the view's delegate.
    QVERIFY(dynamic_cast<DownloadStateIconDelegate *>(view->itemDelegate()));
    QList<QImage> icons;
    for (RowState s : {RowState::Waiting, RowState::Downloading, RowState::Done, RowState::Failed}) {
        const QImage icon = DownloadStateIcon(s).toImage();
        QVERIFY(!icon.isNull() && !icons.contains(icon));
        icons << icon;
    }

    m_window->session().setStatusPanel(StatusPanel::Transfer, QStringLiteral("完成下载:名称"));
    m_window->session().setStatusPanel(StatusPanel::Counters, m_window->listModel().counterText());
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("Panel2"))->text(), QStringLiteral("完成下载:名称"));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("Panel4"))->text(),
             QStringLiteral("总数:1 正在下载:0 等待:1 已完成:0 失败:0"));

    QCOMPARE(fFileDownload::显示下载窗口(), m_window.data());
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("1条"));

    // Why a row failed goes to the first panel, the others keep their texts.
    emit m_window->scheduler().rowFailed(m_window->listModel().idAt(0), QStringLiteral("disk full"));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("Panel1"))->text(), QStringLiteral("名称: disk full"));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("Panel2"))->text(), QStringLiteral("完成下载:名称"));
}

void TestDownloadWindow::layoutRoundTrip()
{
    QWidget w;
    w.setObjectName(QStringLiteral("fFileDownload"));
    w.setGeometry(100, 80, 700, 500);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const QRect before(w.pos(), w.size());
    SaveWindowLayout(w);
    QCOMPARE(stored(QStringLiteral("fFileDownload"), QStringLiteral("分辨率")), ScreenResolutionText());
    QCOMPARE(stored(QStringLiteral("fFileDownload"), QStringLiteral("宽")), QStringLiteral("10500"));
    QCOMPARE(stored(QStringLiteral("fFileDownload"), QStringLiteral("高")), QStringLiteral("7500"));
    QCOMPARE(stored(QStringLiteral("fFileDownload"), QStringLiteral("左")), QString::number(before.x() * 15));

    QWidget again;
    again.setObjectName(QStringLiteral("fFileDownload"));
    RestoreWindowLayout(again);
    QVERIFY(!again.isMaximized());
    QCOMPARE(QRect(again.pos(), again.size()), before);

    // Closed maximised: only the mark is stored, and it opens maximised.
    store(QStringLiteral("fFileDownload"), QStringLiteral("宽"), QStringLiteral("9000"));
    w.showMaximized();
    SaveWindowLayout(w);
    QCOMPARE(stored(QStringLiteral("fFileDownload"), QStringLiteral("分辨率")), QStringLiteral("0*0"));
    QCOMPARE(stored(QStringLiteral("fFileDownload"), QStringLiteral("宽")), QStringLiteral("9000"));
    QWidget third;
    third.setObjectName(QStringLiteral("fFileDownload"));
    RestoreWindowLayout(third);
    QVERIFY(third.windowState() & Qt::WindowMaximized);
}

void TestDownloadWindow::layoutIgnoredAfterResolutionChange()
{
    store(QStringLiteral("fFileDownload"), QStringLiteral("分辨率"), QStringLiteral("1024*768"));
    store(QStringLiteral("fFileDownload"), QStringLiteral("上"), QStringLiteral("1500"));
    store(QStringLiteral("fFileDownload"), QStringLiteral("宽"), QStringLiteral("9000"));
    QVERIFY(ScreenResolutionText() != QStringLiteral("1024*768"));
    QWidget w;
    w.setObjectName(QStringLiteral("fFileDownload"));
    RestoreWindowLayout(w);
    QVERIFY(w.windowState() & Qt::WindowMaximized);

    // The same values under the current resolution are used.
    store(QStringLiteral("fFileDownload"), QStringLiteral("分辨率"), ScreenResolutionText());
    QWidget v;
    v.setObjectName(QStringLiteral("fFileDownload"));
    v.setWindowState(Qt::WindowMaximized);
    RestoreWindowLayout(v);
    QVERIFY(!(v.windowState() & Qt::WindowMaximized));
    QCOMPARE(v.width(), 600);
    QCOMPARE(v.pos().y(), 100);
}

void TestDownloadWindow::layoutBounds()
{
    store(QStringLiteral("fFileDownload"), QStringLiteral("分辨率"), ScreenResolutionText());
    store(QStringLiteral("fFileDownload"), QStringLiteral("上"), QStringLiteral("-500"));
    store(QStringLiteral("fFileDownload"), QStringLiteral("左"), QStringLiteral("abc"));
    store(QStringLiteral("fFileDownload"), QStringLiteral("宽"), QStringLiteral("2000"));
    store(QStringLiteral("fFileDownload"), QStringLiteral("高"), QStringLiteral("4507.6"));
    QWidget w;
    w.setObjectName(QStringLiteral("fFileDownload"));
    RestoreWindowLayout(w);
    QCOMPARE(w.pos(), QPoint(0, 0));
    QCOMPARE(w.width(), 267);  // 4000 twips
    QCOMPARE(w.height(), 301); // 4508 twips

    // Defaults when nothing but the resolution is stored.
    SettingsStore::instance().remove(QStringLiteral("fFileDownload"), QStringLiteral("上"));
    SettingsStore::instance().remove(QStringLiteral("fFileDownload"), QStringLiteral("左"));
    SettingsStore::instance().remove(QStringLiteral("fFileDownload"), QStringLiteral("宽"));
    SettingsStore::instance().remove(QStringLiteral("fFileDownload"), QStringLiteral("高"));
    QWidget d;
    d.setObjectName(QStringLiteral("fFileDownload"));
    RestoreWindowLayout(d);
    QCOMPARE(QRect(d.pos(), d.size()), QRect(7, 7, 1000, 667));
}

void TestDownloadWindow::handOverDownloadRetryExport()
{
    PortalProcess portal;
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    openWindow();
    DownloadListModel &list = m_window->listModel();
    const QString folder = m_dir.filePath(QStringLiteral("文献")) + QStringLiteral("/");
    // As the harvesting window hands rows over: the first plain, the second
    // with an address that cannot answer before a good alternative, the
    // third a CAJ document the portal does not label as one.
    const QString dead = QStringLiteral("http://127.0.0.1:1/file?kind=pdf");
    const QString good = portal.url(QStringLiteral("file?kind=pdf&size=2500&seed=2"));
    QVERIFY(list.addRow(portal.url(QStringLiteral("file?kind=pdf&size=3000&seed=1")), QStringLiteral("第一篇 文章"),
                        QStringLiteral("pdf"), folder, portal.base()));
    QVERIFY(list.addRow(dead + QStringLiteral("|") + good, QStringLiteral("第二篇"), QStringLiteral("pdf"), folder,
                        portal.base()));
    QVERIFY(list.addRow(portal.url(QStringLiteral("file?kind=caj&size=4000&ct=application/octet-stream")),
                        QStringLiteral("第三篇"), QStringLiteral("pdf"), folder, portal.base()));
    m_window->refreshLabel1();
    QCOMPARE(control<QLabel>("Label1")->text(), QStringLiteral("3条"));
    control<QComboBox>("Combo1")->setCurrentIndex(2); // three slots

    auto runUntilFinished = [&] {
        control<QPushButton>("CommandStart")->click();
        for (int i = 0; i < 600 && !(list.检测是否下载列表完毕() && m_window->scheduler().downloadStopped()); ++i) {
            m_clock->advanceSeconds(1);
            m_window->scheduler().schedulerTick();
            m_window->scheduler().housekeepingTick();
            QTest::qWait(20);
        }
        m_window->scheduler().housekeepingTick();
        QVERIFY(!m_window->scheduler().schedulerTickOn()); // a finished list switches itself off
    };
    runUntilFinished();

    QCOMPARE(list.at(0).state, RowState::Done);
    QCOMPARE(QFileInfo(folder + QStringLiteral("第一篇 文章.pdf")).size(), 3000);
    QCOMPARE(list.at(2).state, RowState::Done);
    QCOMPARE(list.at(2).type, QStringLiteral("caj"));
    QVERIFY(QFileInfo::exists(RowFilePath(list.at(2))));
    QCOMPARE(list.at(1).state, RowState::Failed);
    QVERIFY(!QFileInfo::exists(folder + QStringLiteral("第二篇.pdf")));
    QCOMPARE(m_window->findChild<QLabel *>(QStringLiteral("Panel4"))->text(),
             QStringLiteral("总数:3 正在下载:0 等待:0 已完成:2 失败:1"));

    // "重新下载" → "出错项" puts the failed row back with its next alternative.
    m_window->menus().menu重新下载出错项->trigger();
    QCOMPARE(list.at(1).state, RowState::Waiting);
    QCOMPARE(list.at(1).address, good + QStringLiteral("|") + dead);
    runUntilFinished();
    QCOMPARE(list.at(1).state, RowState::Done);
    QCOMPARE(QFileInfo(folder + QStringLiteral("第二篇.pdf")).size(), 2500);

    // Names exported in list order, GB18030 with CR LF.
    const QString exported = m_dir.filePath(QStringLiteral("names.txt"));
    m_dialogs->answerSaveFile(exported);
    m_window->menus().menu导出全部名称->trigger();
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), EncodeAnsi(QStringLiteral("第一篇 文章\r\n第二篇\r\n第三篇\r\n")));
    portal.stop();
}

QTEST_MAIN(TestDownloadWindow)
#include "tst_downloadwindow.moc"
