// The download window's list and file commands on a real list model, with
// scripted dialogs, a recording desktop and files in a temporary folder:
// which rows each command touches, the refusals while downloading, sorting
// and shuffling, the name export's bytes, the batch address replace and its
// collisions, and the commands that open, check and re-type files.
#include "common/ui/ListViewRoutines.h"
#include "download/commands/DesktopLauncher.h"
#include "download/commands/DownloadListCommands.h"
#include "download/core/DownloadListModel.h"
#include "download/ui/UrlReplace.h"
#include "tests/support/RowTexts.h"
#include "tests/support/ScriptedDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <functional>
#include <map>

namespace {

class RecordingLauncher final : public DesktopLauncher
{
public:
    QStringList calls;
    bool opens = true;
    bool selects = true;

    bool openWithAssociatedProgram(const QString &file) override
    {
        calls << QStringLiteral("open:") + file;
        return opens;
    }
    bool openFolder(const QString &folder) override
    {
        calls << QStringLiteral("folder:") + folder;
        return true;
    }
    void openFolderSelecting(const QString &file, std::function<void(bool)> done) override
    {
        calls << QStringLiteral("select:") + file;
        done(selects);
    }
    void openInTextEditor(const QString &file) override { calls << QStringLiteral("editor:") + file; }
    void openInWebBrowser(const QString &text) override { calls << QStringLiteral("browser:") + text; }
};

// One download window's worth of state: list, selection, dialogs, desktop,
// and the scheduler's answers, all under the test's control.
struct Fixture
{
    QTemporaryDir dir;
    DownloadListModel list;
    QItemSelectionModel selection{&list};
    ScriptedDialogs dialogs;
    RecordingLauncher launcher;
    DownloadListCommands commands{list};
    bool stopped = true;
    bool running = false;
    bool busy = false;

    Fixture()
    {
        commands.setSelectionModel(&selection);
        commands.setLauncher(&launcher);
        commands.setRunningQueries({[this] { return stopped; }, [this] { return running; }, [this] { return busy; }});
    }

    QString folder() const { return dir.path() + QLatin1Char('/'); }

    int add(const QString &name, const QString &type = QStringLiteral("pdf"), RowState state = RowState::Waiting,
            const QString &size = QString(), const QString &received = QString(),
            const QString &progress = QString(), const QString &address = QString())
    {
        const int at = list.count();
        if (!list.addRow(address.isEmpty() ? QStringLiteral("http://h/") + name : address, name, type, folder(),
                         QStringLiteral("http://h/page")))
            return -1;
        bool understood = false;
        list.modify(at, [&](DownloadRow &r) {
            r.state = state;
            understood = RowTexts::Set(r, size, received, progress);
        });
        if (!understood)
            return -1;
        return at;
    }

    QString writeFile(int row, const QByteArray &bytes) const { return writeAt(RowFilePath(list.at(row)), bytes); }
    static QString writeAt(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    void select(const QVector<int> &rows)
    {
        for (int r : rows)
            selection.select(list.index(r, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
    void setCurrent(int row)
    {
        selection.setCurrentIndex(list.index(row, 0),
                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }

    QStringList names() const
    {
        QStringList out;
        for (int i = 0; i < list.count(); ++i)
            out << list.at(i).name;
        return out;
    }
    QStringList column(QString DownloadRow::*field) const
    {
        QStringList out;
        for (int i = 0; i < list.count(); ++i)
            out << list.at(i).*field;
        return out;
    }
};

bool sameRow(const DownloadRow &a, const DownloadRow &b)
{
    return a.address == b.address && a.name == b.name && a.type == b.type && SizeText(a) == SizeText(b)
        && ReceivedText(a) == ReceivedText(b) && ProgressText(a) == ProgressText(b) && a.folder == b.folder
        && a.referrer == b.referrer && a.state == b.state;
}

QVector<DownloadRow> snapshot(const DownloadListModel &list)
{
    QVector<DownloadRow> rows;
    for (int i = 0; i < list.count(); ++i)
        rows << list.at(i);
    return rows;
}

QVector<int> parseRows(const QString &text)
{
    QVector<int> rows;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        rows << part.toInt();
    return rows;
}

const QByteArray kPdfBytes = QByteArray("%PDF-1.4\n") + QByteArray(200, 'x');

} // namespace

class TestDownloadCommands : public QObject
{
    Q_OBJECT
private slots:
    void guardedCommandsRefuse_data();
    void guardedCommandsRefuse();
    void redownloadResetOfAWebRow();
    void redownloadPicksItsRows_data();
    void redownloadPicksItsRows();
    void removeCommands_data();
    void removeCommands();
    void deleteCommands_data();
    void deleteCommands();
    void cancelSelectedWaitingRows();
    void sortByColumn_data();
    void sortByColumn();
    void sortOrderFlips();
    void shuffleKeepsEveryRow();
    void exportNames_data();
    void exportNames();
    void exportFailureIsReported();
    void copyName();
    void replaceInAddresses_data();
    void replaceInAddresses();
    void urlReplaceDialog();
    void doubleClick();
    void singleClickShowsPathThenAddress();
    void openCommands();
    void textEditorSizeLimit();
    void checkFilesExist();
    void correctFileTypes();
    void openFileTellsType();
    void columnWidths();
    void execArguments_data();
    void execArguments();
    void fallbackEditor_data();
    void fallbackEditor();
};

// ---------------------------------------------------------------- guards

void TestDownloadCommands::guardedCommandsRefuse_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("icon");
    const QString stopFirst = QStringLiteral("停止下载以后，才能执行此操作！");
    const int info = int(MessageIcon::Information);
    for (const char *c : {"清除选中项", "清除完成项", "移除未完成项", "清除全部出错项", "清空", "随机排序列表",
                          "检查并纠正磁盘文件类型"})
        QTest::newRow(c) << QString::fromUtf8(c) << stopFirst << info;
    QTest::newRow("sort") << QStringLiteral("sort") << QStringLiteral("停止下载后方可排序！") << info;
    // The error-stop rule switched the tick off while slots still fetch:
    // not running, yet not stopped either.
    QTest::newRow("sort, slot still fetching") << QStringLiteral("sort, slot still fetching")
                                               << QStringLiteral("停止下载后方可排序！") << info;
    QTest::newRow("cancel") << QStringLiteral("取消下载选中项") << QStringLiteral("停止下载后方可设置！")
                            << int(MessageIcon::Error);
}

void TestDownloadCommands::guardedCommandsRefuse()
{
    QFETCH(QString, command);
    QFETCH(QString, message);
    QFETCH(int, icon);
    Fixture f;
    f.add(QStringLiteral("b"), QStringLiteral("pdf"), RowState::Done, QStringLiteral("900"));
    f.add(QStringLiteral("a"), QStringLiteral("caj"), RowState::Failed, QStringLiteral("12000"));
    f.add(QStringLiteral("c"), QStringLiteral("pdf"), RowState::Waiting);
    f.writeFile(1, kPdfBytes); // would be re-typed
    f.select({0, 1, 2});
    // Each command looks at the query its rule names, and at no other; the
    // sort also at the stopped check, as slots remember rows by position.
    f.stopped = false;
    f.running = command == QLatin1String("sort");
    f.busy = command == QStringLiteral("取消下载选中项");
    const QVector<DownloadRow> before = snapshot(f.list);

    const std::map<QString, std::function<void()>> commands = {
        {QStringLiteral("清除选中项"), [&] { f.commands.清除选中项(); }},
        {QStringLiteral("清除完成项"), [&] { f.commands.清除完成项(); }},
        {QStringLiteral("移除未完成项"), [&] { f.commands.移除未完成项(); }},
        {QStringLiteral("清除全部出错项"), [&] { f.commands.清除全部出错项(); }},
        {QStringLiteral("清空"), [&] { f.commands.清空(); }},
        {QStringLiteral("随机排序列表"), [&] { f.commands.随机排序列表(); }},
        {QStringLiteral("检查并纠正磁盘文件类型"), [&] { f.commands.检查并纠正磁盘文件类型(); }},
        {QStringLiteral("sort"), [&] { f.commands.sortByColumn(DownloadListModel::ColSize); }},
        {QStringLiteral("sort, slot still fetching"), [&] { f.commands.sortByColumn(DownloadListModel::ColSize); }},
        {QStringLiteral("取消下载选中项"), [&] { f.commands.取消下载选中项(); }},
    };
    f.dialogs.answerYes(); // "清空" must not even ask
    commands.at(command)();

    QCOMPARE(f.dialogs.shown().size(), 1);
    QCOMPARE(f.dialogs.shown().first().text, message);
    QCOMPARE(int(f.dialogs.shown().first().icon), icon);
    QCOMPARE(f.list.count(), before.size());
    for (int i = 0; i < before.size(); ++i)
        QVERIFY2(sameRow(f.list.at(i), before[i]), qPrintable(f.list.at(i).name));
    QCOMPARE(f.selection.selectedRows().size(), 3);
}

// ---------------------------------------------------------------- re-download

void TestDownloadCommands::redownloadResetOfAWebRow()
{
    Fixture f;
    const int row = f.add(QStringLiteral("paper"), QStringLiteral("htm"), RowState::Failed, QStringLiteral("2048"),
                           QStringLiteral("2048"), QStringLiteral("100%"), QStringLiteral("http://h/a|http://h/b"));
    const QString htm = f.writeFile(row, "<html></html>");
    const QString xxx = Fixture::writeAt(f.folder() + QStringLiteral("paper.xxx"), "old placeholder");
    const QString other = Fixture::writeAt(f.folder() + QStringLiteral("paper.pdf"), kPdfBytes);

    QCOMPARE(f.commands.重新下载出错项(), 1);

    const DownloadRow &r = f.list.at(row);
    QCOMPARE(r.state, RowState::Waiting);
    QCOMPARE(r.type, QStringLiteral("xxx"));
    QVERIFY(r.progressEmpty());
    QCOMPARE(r.address, QStringLiteral("http://h/b|http://h/a"));
    QCOMPARE(f.list.indexOfAddress(r.address), row);
    QVERIFY(!QFile::exists(htm));
    QVERIFY(!QFile::exists(xxx));
    QVERIFY(QFile::exists(other)); // another type of the same name is not the row's file
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestDownloadCommands::redownloadPicksItsRows_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("reset");     // rows put back to Waiting
    QTest::addColumn<QString>("typesAfter"); // types of all rows afterwards
    const QString unchangedTypes = QStringLiteral("pdf,pdf,pdf,pdf,htm,xml,html,pdf,pdf");
    QTest::newRow("选中项 skips waiting and downloading")
        << QStringLiteral("选中项") << std::optional<QString>() << QStringLiteral("0,1") << unchangedTypes;
    QTest::newRow("出错项") << QStringLiteral("出错项") << std::optional<QString>() << QStringLiteral("1,6")
                         << QStringLiteral("pdf,pdf,pdf,pdf,htm,xml,xxx,pdf,pdf");
    QTest::newRow("web rows, xml included, all become xxx")
        << QStringLiteral("网页") << std::optional<QString>() << QStringLiteral("4,5,6")
        << QStringLiteral("pdf,pdf,pdf,pdf,xxx,xxx,xxx,pdf,pdf");
    QTest::newRow("errors and htm/html pages") << QStringLiteral("出错和网页") << std::optional<QString>()
                                               << QStringLiteral("1,4,6")
                                               << QStringLiteral("pdf,pdf,pdf,pdf,xxx,xml,xxx,pdf,pdf");
    QTest::newRow("size below 5000")
        << QStringLiteral("size") << std::optional<QString>(QStringLiteral(" 5000 ")) << QStringLiteral("7")
        << unchangedTypes;
    QTest::newRow("size 4096 is not below 4096")
        << QStringLiteral("size") << std::optional<QString>(QStringLiteral("4096")) << QString() << unchangedTypes;
    QTest::newRow("size not a number") << QStringLiteral("size") << std::optional<QString>(QStringLiteral("abc"))
                                       << QString() << unchangedTypes;
    QTest::newRow("size box cancelled") << QStringLiteral("size") << std::optional<QString>() << QString()
                                        << unchangedTypes;
}

void TestDownloadCommands::redownloadPicksItsRows()
{
    QFETCH(QString, command);
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, reset);
    QFETCH(QString, typesAfter);
    Fixture f;
    const QString full = QStringLiteral("100%");
    f.add(QStringLiteral("r0"), QStringLiteral("pdf"), RowState::Done, QStringLiteral("90000"), QStringLiteral("90000"), full);
    f.add(QStringLiteral("r1"), QStringLiteral("pdf"), RowState::Failed, QStringLiteral("下载失败"));
    f.add(QStringLiteral("r2"), QStringLiteral("pdf"), RowState::Waiting, QStringLiteral("等待重新下载"));
    f.add(QStringLiteral("r3"), QStringLiteral("pdf"), RowState::Downloading, QStringLiteral("10"), QStringLiteral("5"));
    f.add(QStringLiteral("r4"), QStringLiteral("htm"), RowState::Done, QStringLiteral("30000"), QStringLiteral("30000"), full);
    f.add(QStringLiteral("r5"), QStringLiteral("xml"), RowState::Done, QStringLiteral("30000"), QStringLiteral("30000"), full);
    f.add(QStringLiteral("r6"), QStringLiteral("html"), RowState::Failed, QStringLiteral("300"));
    f.add(QStringLiteral("r7"), QStringLiteral("pdf"), RowState::Done, QStringLiteral("4096"), QStringLiteral("4096"), full);
    f.add(QStringLiteral("r8"), QStringLiteral("pdf"), RowState::Done, QStringLiteral("4096"), QStringLiteral("2048"));
    f.select({0, 1, 2, 3});
    const QVector<DownloadRow> before = snapshot(f.list);
    if (command == QLatin1String("size"))
        f.dialogs.answerInput(answer);

    if (command == QStringLiteral("选中项"))
        f.commands.重新下载选中项();
    else if (command == QStringLiteral("出错项"))
        f.commands.重新下载出错项();
    else if (command == QStringLiteral("网页"))
        f.commands.重新下载文件类型为HTM和HTML项();
    else if (command == QStringLiteral("出错和网页"))
        f.commands.重新下载出错项和网页项();
    else
        f.commands.重新下载文件大小小于指定数字的项();

    const QVector<int> resetRows = parseRows(reset);
    for (int i = 0; i < f.list.count(); ++i) {
        const DownloadRow &r = f.list.at(i);
        if (resetRows.contains(i)) {
            QCOMPARE(r.state, RowState::Waiting);
            QVERIFY(r.progressEmpty());
        } else {
            QCOMPARE(r.state, before[i].state);
            QCOMPARE(SizeText(r), SizeText(before[i]));
        }
    }
    QCOMPARE(f.column(&DownloadRow::type).join(QLatin1Char(',')), typesAfter);
    if (command == QLatin1String("size")) {
        QCOMPARE(f.dialogs.shown().size(), 1);
        QCOMPARE(f.dialogs.shown().first().kind, ScriptedDialogs::Kind::Input);
        QCOMPARE(f.dialogs.shown().first().text, QStringLiteral("请输入数字："));
    } else {
        QVERIFY(f.dialogs.shown().isEmpty());
    }
}

// ---------------------------------------------------------------- remove

void TestDownloadCommands::removeCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("remaining");
    QTest::newRow("selected") << QStringLiteral("选中项") << false << QStringLiteral("d1,d2,f1,d3");
    QTest::newRow("done, leading run included") << QStringLiteral("完成项") << false << QStringLiteral("f1,w1");
    QTest::newRow("unfinished") << QStringLiteral("未完成项") << false << QStringLiteral("d1,d2,d3");
    QTest::newRow("failed") << QStringLiteral("出错项") << false << QStringLiteral("d1,d2,w1,d3");
    QTest::newRow("clear all, yes") << QStringLiteral("清空") << true << QString();
    QTest::newRow("clear all, no") << QStringLiteral("清空") << false << QStringLiteral("d1,d2,f1,w1,d3");
}

void TestDownloadCommands::removeCommands()
{
    QFETCH(QString, command);
    QFETCH(bool, yes);
    QFETCH(QString, remaining);
    Fixture f;
    f.add(QStringLiteral("d1"), QStringLiteral("pdf"), RowState::Done);
    f.add(QStringLiteral("d2"), QStringLiteral("pdf"), RowState::Done);
    f.add(QStringLiteral("f1"), QStringLiteral("pdf"), RowState::Failed);
    f.add(QStringLiteral("w1"), QStringLiteral("pdf"), RowState::Waiting);
    f.add(QStringLiteral("d3"), QStringLiteral("pdf"), RowState::Done);
    const QString kept = f.writeFile(0, kPdfBytes);
    f.select({3});
    if (yes)
        f.dialogs.answerYes();
    QSignalSpy label(&f.commands, &DownloadListCommands::label1TextChanged);

    if (command == QStringLiteral("选中项"))
        f.commands.清除选中项();
    else if (command == QStringLiteral("完成项"))
        f.commands.清除完成项();
    else if (command == QStringLiteral("未完成项"))
        f.commands.移除未完成项();
    else if (command == QStringLiteral("出错项"))
        f.commands.清除全部出错项();
    else
        f.commands.清空();

    QCOMPARE(f.names().join(QLatin1Char(',')), remaining);
    QVERIFY(QFile::exists(kept)); // removing never touches files
    for (int i = 0; i < f.list.count(); ++i)
        QCOMPARE(f.list.indexOfAddress(f.list.at(i).address), i);
    if (command == QStringLiteral("清空")) {
        QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("您确定要清空列表的所有信息吗？")});
        QCOMPARE(f.dialogs.shown().first().icon, MessageIcon::PlainQuestion); // Yes/No, no icon
    } else {
        QVERIFY(f.dialogs.shown().isEmpty());
    }
    if (command == QStringLiteral("清空") && !yes) {
        QCOMPARE(label.size(), 0);
    } else {
        QCOMPARE(label.size(), 1);
        QCOMPARE(label.first().first().toString(), QString::number(f.list.count()) + QStringLiteral("条"));
    }
}

// ---------------------------------------------------------------- delete

void TestDownloadCommands::deleteCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QString>("hit");    // rows whose file goes and whose sizes are emptied
    QTest::addColumn<QString>("states"); // states afterwards, W D F L(downloading)
    QTest::addColumn<QString>("message");
    // Rows: 0 htm Done, 1 pdf Failed, 2 pdf Done 102399 B, 3 pdf Done 102400 B,
    //       4 pdf Done "未知", 5 pdf Downloading 1000 B, 6 xml Failed.
    QTest::newRow("web rows") << QStringLiteral("网页") << std::optional<QString>() << QStringLiteral("0,6")
                              << QStringLiteral("DFDDDLF") << QString();
    QTest::newRow("failed rows keep Failed") << QStringLiteral("出错项") << std::optional<QString>()
                                             << QStringLiteral("1,6") << QStringLiteral("DFDDDLF") << QString();
    QTest::newRow("selected rows, downloading passed over")
        << QStringLiteral("选中项") << std::optional<QString>() << QStringLiteral("1,2,4")
        << QStringLiteral("DWWDWLF") << QString();
    QTest::newRow("below 100 KB") << QStringLiteral("size") << std::optional<QString>(QStringLiteral(" 100"))
                                  << QStringLiteral("0,2,6") << QStringLiteral("WFWDDLW") << QString();
    QTest::newRow("empty answer") << QStringLiteral("size") << std::optional<QString>(QString()) << QString()
                                  << QStringLiteral("DFDDDLF") << QStringLiteral("文件大小无效！");
    QTest::newRow("cancelled") << QStringLiteral("size") << std::optional<QString>() << QString()
                               << QStringLiteral("DFDDDLF") << QStringLiteral("文件大小无效！");
}

void TestDownloadCommands::deleteCommands()
{
    QFETCH(QString, command);
    QFETCH(std::optional<QString>, answer);
    QFETCH(QString, hit);
    QFETCH(QString, states);
    QFETCH(QString, message);
    Fixture f;
    f.add(QStringLiteral("p0"), QStringLiteral("htm"), RowState::Done, QStringLiteral("300"));
    f.add(QStringLiteral("p1"), QStringLiteral("pdf"), RowState::Failed, QStringLiteral("下载失败"));
    f.add(QStringLiteral("p2"), QStringLiteral("pdf"), RowState::Done, QStringLiteral("102399"));
    f.add(QStringLiteral("p3"), QStringLiteral("pdf"), RowState::Done, QStringLiteral("102400"));
    f.add(QStringLiteral("p4"), QStringLiteral("pdf"), RowState::Done, QStringLiteral("未知"));
    f.add(QStringLiteral("p5"), QStringLiteral("pdf"), RowState::Downloading, QStringLiteral("1000"));
    f.add(QStringLiteral("p6"), QStringLiteral("xml"), RowState::Failed, QStringLiteral("300"));
    QStringList files;
    for (int i = 0; i < f.list.count(); ++i)
        files << f.writeFile(i, "content");
    f.select({1, 2, 4, 5});
    if (command == QLatin1String("size"))
        f.dialogs.answerInput(answer);

    if (command == QStringLiteral("网页"))
        f.commands.删除网页类型文件项();
    else if (command == QStringLiteral("出错项"))
        f.commands.删除出错项();
    else if (command == QStringLiteral("选中项"))
        f.commands.删除选中项文件();
    else
        f.commands.删除文件大小小于指定数的();

    const QVector<int> hitRows = parseRows(hit);
    QString stateLetters;
    for (int i = 0; i < f.list.count(); ++i) {
        const DownloadRow &r = f.list.at(i);
        stateLetters += QStringLiteral(" WLDF").at(int(r.state));
        QCOMPARE(QFile::exists(files[i]), !hitRows.contains(i));
        QCOMPARE(SizeText(r).isEmpty(), hitRows.contains(i));
    }
    QCOMPARE(stateLetters, states);
    QCOMPARE(f.list.count(), 7);
    if (message.isEmpty()) {
        QCOMPARE(f.dialogs.messages(), QStringList());
    } else {
        QCOMPARE(f.dialogs.messages(), QStringList{message});
        QCOMPARE(f.dialogs.shown().last().icon, MessageIcon::Error);
    }
    if (command == QLatin1String("size")) {
        QCOMPARE(f.dialogs.shown().first().text, QStringLiteral("请输入文件大小（KB），小于这个数的文件将会被全部删除！"));
        QCOMPARE(f.dialogs.shown().first().title, QStringLiteral("删除文件大小小于指定数的全部文件"));
    }
}

void TestDownloadCommands::cancelSelectedWaitingRows()
{
    Fixture f;
    f.add(QStringLiteral("w1"), QStringLiteral("pdf"), RowState::Waiting);
    f.add(QStringLiteral("l1"), QStringLiteral("pdf"), RowState::Downloading);
    f.add(QStringLiteral("w2"), QStringLiteral("pdf"), RowState::Waiting);
    f.select({0, 1});
    f.stopped = false; // only TransferBusy refuses this command
    f.running = true;
    QCOMPARE(f.commands.取消下载选中项(), 1);
    QCOMPARE(f.list.at(0).state, RowState::Failed);
    QCOMPARE(f.list.at(1).state, RowState::Downloading);
    QCOMPARE(f.list.at(2).state, RowState::Waiting);
    QVERIFY(f.dialogs.shown().isEmpty());
}

// ---------------------------------------------------------------- sorting, shuffling

void TestDownloadCommands::sortByColumn_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("descending");
    const QStringList sizes{QStringLiteral("900"), QStringLiteral("12000"), QStringLiteral("5"), QStringLiteral("未知"),
                            QStringLiteral("4096"), QString()};
    QTest::newRow("size by value, words by text") << int(DownloadListModel::ColSize) << sizes
        << QStringList{QStringLiteral("未知"), QStringLiteral("12000"), QStringLiteral("4096"), QStringLiteral("900"),
                       QStringLiteral("5"), QString()};
    // Empty first, then numbers by value, then the words by their text.
    QTest::newRow("size, several words and empties") << int(DownloadListModel::ColSize)
        << QStringList{QStringLiteral("下载失败"), QString(), QStringLiteral("0"), QStringLiteral("等待重新下载"),
                       QStringLiteral("未知"), QStringLiteral("70"), QString()}
        << QStringList{QStringLiteral("等待重新下载"), QStringLiteral("未知"), QStringLiteral("下载失败"),
                       QStringLiteral("70"), QStringLiteral("0"), QString(), QString()};
    QTest::newRow("received") << int(DownloadListModel::ColReceived)
                              << QStringList{QStringLiteral("10"), QStringLiteral("9"), QStringLiteral("100")}
                              << QStringList{QStringLiteral("100"), QStringLiteral("10"), QStringLiteral("9")};
    QTest::newRow("progress") << int(DownloadListModel::ColProgress)
        << QStringList{QStringLiteral("57%"), QStringLiteral("大文件，跳过"), QStringLiteral("5%"), QStringLiteral("100%")}
        << QStringList{QStringLiteral("大文件，跳过"), QStringLiteral("100%"), QStringLiteral("57%"), QStringLiteral("5%")};
    QTest::newRow("name by text, letter case ignored") << int(DownloadListModel::ColName)
        << QStringList{QStringLiteral("b"), QStringLiteral("C"), QStringLiteral("a"), QStringLiteral("10"), QStringLiteral("9")}
        << QStringList{QStringLiteral("C"), QStringLiteral("b"), QStringLiteral("a"), QStringLiteral("9"), QStringLiteral("10")};
    // Chinese by the reader's order (pinyin), not by code point.
    QTest::newRow("Chinese names in the language's order") << int(DownloadListModel::ColName)
        << QStringList{QStringLiteral("李"), QStringLiteral("张"), QStringLiteral("阿"), QStringLiteral("王")}
        << QStringList{QStringLiteral("张"), QStringLiteral("王"), QStringLiteral("李"), QStringLiteral("阿")};
}

void TestDownloadCommands::sortByColumn()
{
    QFETCH(int, column);
    QFETCH(QStringList, values);
    QFETCH(QStringList, descending);
    Fixture f;
    for (int i = 0; i < values.size(); ++i) {
        const int row = f.add(QStringLiteral("n%1").arg(i));
        bool understood = true;
        f.list.modify(row, [&](DownloadRow &r) {
            switch (column) {
            case DownloadListModel::ColName: r.name = values[i]; break;
            case DownloadListModel::ColSize: understood = RowTexts::Set(r, values[i], QString(), QString()); break;
            case DownloadListModel::ColReceived: understood = RowTexts::Set(r, QString(), values[i], QString()); break;
            default: understood = RowTexts::Set(r, QString(), QString(), values[i]); break;
            }
        });
        QVERIFY(understood);
    }
    const auto shown = [&] {
        QStringList out;
        for (int i = 0; i < f.list.count(); ++i)
            out << f.list.data(f.list.index(i, column), DownloadListModel::RawValueRole).toString();
        return out;
    };
    f.commands.sortByColumn(column);
    QCOMPARE(shown(), descending);
    QStringList ascending = descending;
    std::reverse(ascending.begin(), ascending.end());
    f.commands.sortByColumn(column);
    QCOMPARE(shown(), ascending);
    for (int i = 0; i < f.list.count(); ++i)
        QCOMPARE(f.list.indexOfAddress(f.list.at(i).address), i);
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestDownloadCommands::sortOrderFlips()
{
    Fixture f;
    f.add(QStringLiteral("a"), QStringLiteral("caj"));
    f.add(QStringLiteral("b"), QStringLiteral("pdf"));
    f.select({1});
    f.commands.sortByColumn(DownloadListModel::ColName);
    QCOMPARE(f.commands.sortOrder(), Qt::DescendingOrder);
    QCOMPARE(f.names(), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    // The order flips on every click, whichever column is clicked.
    f.commands.sortByColumn(DownloadListModel::ColType);
    QCOMPARE(f.commands.sortOrder(), Qt::AscendingOrder);
    QCOMPARE(f.commands.sortColumn(), int(DownloadListModel::ColType));
    QCOMPARE(f.names(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
    // The selection stays with its row.
    QCOMPARE(f.commands.selectedRows(), QVector<int>{1});
    // Equal texts keep their order both ways.
    f.commands.sortByColumn(DownloadListModel::ColB);
    QCOMPARE(f.names(), (QStringList{QStringLiteral("a"), QStringLiteral("b")}));
}

void TestDownloadCommands::shuffleKeepsEveryRow()
{
    Fixture f;
    f.commands.随机排序列表();
    QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("随机排序完成！")});
    f.dialogs.clear();

    for (int i = 0; i < 200; ++i)
        f.add(QStringLiteral("n%1").arg(i), QStringLiteral("pdf"), RowState(1 + i % 4), QString::number(i),
               QString::number(i / 2), QStringLiteral("%1%").arg(i % 100));
    f.select({3, 50, 199});
    const QVector<DownloadRow> before = snapshot(f.list);
    f.commands.随机排序列表();

    QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("随机排序完成！")});
    QCOMPARE(f.dialogs.shown().first().icon, MessageIcon::Information);
    QCOMPARE(f.list.count(), before.size());
    int moved = 0;
    for (const DownloadRow &old : before) {
        const int at = f.list.indexOfAddress(old.address);
        QVERIFY(at >= 0);
        QVERIFY(sameRow(f.list.at(at), old));
        moved += f.list.at(at).name != before[at].name;
    }
    QVERIFY(moved > 0);
    QVERIFY(f.commands.selectedRows().isEmpty());
    QCOMPARE(f.list.countInState(RowState::Done), 50);
}

// ---------------------------------------------------------------- names, addresses

void TestDownloadCommands::exportNames_data()
{
    QTest::addColumn<bool>("unfinishedOnly");
    QTest::addColumn<bool>("allDone");
    QTest::addColumn<QString>("expected");
    QTest::newRow("all") << false << false << QStringLiteral("论文一\r\nB 𠀀 rare\r\n第三篇\r\n");
    QTest::newRow("unfinished") << true << false << QStringLiteral("B 𠀀 rare\r\n第三篇\r\n");
    QTest::newRow("unfinished when all done") << true << true << QString();
}

void TestDownloadCommands::exportNames()
{
    QFETCH(bool, unfinishedOnly);
    QFETCH(bool, allDone);
    QFETCH(QString, expected);
    Fixture f;
    f.add(QStringLiteral("论文一"), QStringLiteral("pdf"), RowState::Done);
    f.add(QStringLiteral("B 𠀀 rare"), QStringLiteral("pdf"), allDone ? RowState::Done : RowState::Failed);
    f.add(QStringLiteral("第三篇"), QStringLiteral("caj"), allDone ? RowState::Done : RowState::Waiting);
    const QString target = Fixture::writeAt(f.folder() + QStringLiteral("names.txt"),
                                            QByteArray(4096, 'z')); // replaced, not overwritten in place
    f.dialogs.answerSaveFile(target);

    if (unfinishedOnly)
        f.commands.导出未完成项名称();
    else
        f.commands.导出全部名称();

    QFile file(target);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringEncoder gb18030("GB18030");
    const QByteArray want = gb18030.encode(expected);
    QCOMPARE(file.readAll(), want);
    QCOMPARE(f.dialogs.shown().size(), 1);
    QCOMPARE(f.dialogs.shown().first().kind, ScriptedDialogs::Kind::SaveFile);
    QCOMPARE(f.dialogs.shown().first().extra, QStringLiteral("*.txt (*.txt)"));
}

void TestDownloadCommands::exportFailureIsReported()
{
    Fixture f;
    f.commands.导出全部名称(); // empty list: no dialog at all
    QVERIFY(f.dialogs.shown().isEmpty());

    f.add(QStringLiteral("x"));
    f.dialogs.answerSaveFile(std::nullopt);
    f.commands.导出全部名称();
    QCOMPARE(f.dialogs.shown().size(), 1);

    f.dialogs.clear();
    f.dialogs.answerSaveFile(f.folder() + QStringLiteral("missing/names.txt"));
    f.commands.导出全部名称();
    QCOMPARE(f.dialogs.shown().size(), 2);
    QCOMPARE(f.dialogs.shown().last().icon, MessageIcon::Error);
    QVERIFY(!f.dialogs.shown().last().text.isEmpty());
}

void TestDownloadCommands::copyName()
{
    Fixture f;
    f.add(QStringLiteral("第一篇"));
    f.add(QStringLiteral("第二篇"));
    QClipboard *clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    f.commands.复制名称();
    QCOMPARE(clipboard->text(), QStringLiteral("before")); // nothing selected
    f.setCurrent(1);
    f.commands.复制名称();
    QCOMPARE(clipboard->text(), QStringLiteral("第二篇"));
}

void TestDownloadCommands::replaceInAddresses_data()
{
    QTest::addColumn<QStringList>("addresses");
    QTest::addColumn<QString>("find");
    QTest::addColumn<QString>("replacement");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QStringList>("referrersAfter");
    QTest::addColumn<int>("collisions");
    QTest::addColumn<QStringList>("messages");
    const QString done = QStringLiteral("全部网址替换完成！");
    QTest::newRow("letter case ignored, every alternative")
        << QStringList{QStringLiteral("http://abc/1|http://ABC/2"), QStringLiteral("http://Abc/3")}
        << QStringLiteral("ABC") << QStringLiteral("xyz")
        << QStringList{QStringLiteral("http://xyz/1|http://xyz/2"), QStringLiteral("http://xyz/3")}
        << QStringList{QStringLiteral("ref xyz"), QStringLiteral("ref xyz")} << 0 << QStringList{done};
    QTest::newRow("spaces only count as empty")
        << QStringList{QStringLiteral("http://a b/1")} << QStringLiteral("   ") << QStringLiteral("x")
        << QStringList{QStringLiteral("http://a b/1")} << QStringList{QStringLiteral("ref abc")} << 0
        << QStringList{QStringLiteral("请输入字符串！")};
    QTest::newRow("a leading space is searched with it")
        << QStringList{QStringLiteral("http://h/a b"), QStringLiteral("http://h/ab")} << QStringLiteral(" b")
        << QString() << QStringList{QStringLiteral("http://h/a"), QStringLiteral("http://h/ab")}
        << QStringList{QStringLiteral("ref abc"), QStringLiteral("ref abc")} << 0 << QStringList{done};
    QTest::newRow("taken address: the row keeps its address and referrer")
        << QStringList{QStringLiteral("http://old/1"), QStringLiteral("http://new/1"), QStringLiteral("http://old/2")}
        << QStringLiteral("old") << QStringLiteral("new")
        << QStringList{QStringLiteral("http://old/1"), QStringLiteral("http://new/1"), QStringLiteral("http://new/2")}
        << QStringList{QStringLiteral("ref abc"), QStringLiteral("ref abc"), QStringLiteral("ref abc")} << 1
        << QStringList{done, QStringLiteral("1项替换后的网址与列表中其他项相同，保留原网址未替换。")};
    QTest::newRow("two rows to one address: the first wins")
        << QStringList{QStringLiteral("http://h/A"), QStringLiteral("http://h/a")} << QStringLiteral("/a")
        << QStringLiteral("/b") << QStringList{QStringLiteral("http://h/b"), QStringLiteral("http://h/a")}
        << QStringList{QStringLiteral("ref abc"), QStringLiteral("ref abc")} << 1
        << QStringList{done, QStringLiteral("1项替换后的网址与列表中其他项相同，保留原网址未替换。")};
    QTest::newRow("an address freed by a later row is no collision")
        << QStringList{QStringLiteral("a"), QStringLiteral("aa")} << QStringLiteral("a") << QStringLiteral("aa")
        << QStringList{QStringLiteral("aa"), QStringLiteral("aaaa")}
        << QStringList{QStringLiteral("ref aabc"), QStringLiteral("ref aabc")} << 0 << QStringList{done};
}

void TestDownloadCommands::replaceInAddresses()
{
    QFETCH(QStringList, addresses);
    QFETCH(QString, find);
    QFETCH(QString, replacement);
    QFETCH(QStringList, after);
    QFETCH(QStringList, referrersAfter);
    QFETCH(int, collisions);
    QFETCH(QStringList, messages);
    Fixture f;
    for (int i = 0; i < addresses.size(); ++i) {
        f.list.addRow(addresses[i], QStringLiteral("n%1").arg(i), QStringLiteral("pdf"), f.folder(),
                      QStringLiteral("ref abc"));
    }
    const DownloadListCommands::ReplaceResult result = f.commands.replaceInAddresses(find, replacement);
    if (result.replaced)
        f.commands.reportReplaceFinished(result);

    QCOMPARE(f.column(&DownloadRow::address), after);
    QCOMPARE(f.column(&DownloadRow::referrer), referrersAfter);
    QCOMPARE(result.collisions, collisions);
    QCOMPARE(f.dialogs.messages(), messages);
    for (int i = 0; i < f.list.count(); ++i)
        QCOMPARE(f.list.indexOfAddress(f.list.at(i).address), i);
}

void TestDownloadCommands::urlReplaceDialog()
{
    Fixture f;
    f.list.addRow(QStringLiteral("http://old/1"), QStringLiteral("n"), QStringLiteral("pdf"), f.folder(), QString());
    QPointer<UrlReplace> dialog = UrlReplace::showFor(f.commands, nullptr);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("网址批量替换"));
    dialog->text1()->setText(QStringLiteral("  "));
    dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("请输入字符串！")});
    QVERIFY(dialog->isVisible());

    dialog->text1()->setText(QStringLiteral("OLD"));
    dialog->text2()->setText(QStringLiteral("new"));
    dialog->findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QVERIFY(!dialog || !dialog->isVisible());
    QCOMPARE(f.list.at(0).address, QStringLiteral("http://new/1"));
    QCOMPARE(f.dialogs.lastMessage(), QStringLiteral("全部网址替换完成！"));
    QTRY_VERIFY(!dialog); // deleted on close

    QPointer<UrlReplace> second = UrlReplace::showFor(f.commands, nullptr);
    second->text1()->setText(QStringLiteral("new"));
    second->findChild<QPushButton *>(QStringLiteral("Command2"))->click();
    QCOMPARE(f.list.at(0).address, QStringLiteral("http://new/1"));
    QTRY_VERIFY(!second);
}

// ---------------------------------------------------------------- file commands

void TestDownloadCommands::doubleClick()
{
    Fixture f;
    const int failed = f.add(QStringLiteral("f"), QStringLiteral("pdf"), RowState::Failed, QStringLiteral("10"),
                              QStringLiteral("3"), QStringLiteral("30%"), QStringLiteral("http://h/1|http://h/2"));
    const int done = f.add(QStringLiteral("d"), QStringLiteral("pdf"), RowState::Done);
    const int missing = f.add(QStringLiteral("m"), QStringLiteral("pdf"), RowState::Done);
    const int waiting = f.add(QStringLiteral("w"), QStringLiteral("pdf"), RowState::Waiting, QStringLiteral("等待重新下载"));
    const QString doneFile = f.writeFile(done, kPdfBytes);

    f.commands.rowDoubleClicked(); // nothing selected
    QVERIFY(f.dialogs.shown().isEmpty() && f.launcher.calls.isEmpty());

    f.setCurrent(failed); // no file: put back all the same
    f.commands.rowDoubleClicked();
    QCOMPARE(f.list.at(failed).state, RowState::Waiting);
    QVERIFY(SizeText(f.list.at(failed)).isEmpty() && ReceivedText(f.list.at(failed)).isEmpty()
            && ProgressText(f.list.at(failed)).isEmpty());
    QCOMPARE(f.list.at(failed).address, QStringLiteral("http://h/1|http://h/2"));
    QCOMPARE(f.list.at(failed).type, QStringLiteral("pdf"));

    f.setCurrent(done);
    f.commands.rowDoubleClicked();
    QCOMPARE(f.launcher.calls, QStringList{QStringLiteral("open:") + doneFile});

    f.setCurrent(missing);
    f.commands.rowDoubleClicked();
    QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("文件不存在！")});

    f.dialogs.clear();
    f.setCurrent(waiting);
    f.commands.rowDoubleClicked();
    QVERIFY(f.dialogs.shown().isEmpty());
    QCOMPARE(SizeText(f.list.at(waiting)), QStringLiteral("等待重新下载"));
    QCOMPARE(f.launcher.calls.size(), 1);
}

void TestDownloadCommands::singleClickShowsPathThenAddress()
{
    Fixture f;
    const int withFile = f.add(QStringLiteral("a"), QStringLiteral("pdf"), RowState::Done, QString(), QString(), QString(),
                                QStringLiteral("http://h/1|http://h/2"));
    const int without = f.add(QStringLiteral("b"));
    const QString path = f.writeFile(withFile, kPdfBytes);
    QSignalSpy panel(&f.commands, &DownloadListCommands::statusPanelChanged);

    f.setCurrent(withFile);
    f.commands.rowClicked(withFile);
    QCOMPARE(panel.size(), 2);
    QCOMPARE(panel[0], (QVariantList{2, path}));
    QCOMPARE(panel[1], (QVariantList{2, QStringLiteral("http://h/1|http://h/2")}));
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("http://h/1|http://h/2"));

    panel.clear();
    f.setCurrent(without);
    f.commands.rowClicked(without);
    QCOMPARE(panel[0], (QVariantList{2, QString()}));
    QCOMPARE(panel[1], (QVariantList{2, QStringLiteral("http://h/b")}));

    f.commands.statusPanelClicked(QString());
    QVERIFY(f.launcher.calls.isEmpty());
    f.commands.statusPanelClicked(path);
    QCOMPARE(f.launcher.calls, QStringList{QStringLiteral("browser:") + path});
}

void TestDownloadCommands::openCommands()
{
    Fixture f;
    const int present = f.add(QStringLiteral("p"), QStringLiteral("pdf"), RowState::Done);
    const int absent = f.add(QStringLiteral("a"), QStringLiteral("pdf"), RowState::Done);
    const int noFolder = f.add(QStringLiteral("n"), QStringLiteral("pdf"), RowState::Done);
    const int relative = f.add(QStringLiteral("r"), QStringLiteral("pdf"), RowState::Done);
    const int colon = f.add(QStringLiteral("c"), QStringLiteral("pdf"), RowState::Done);
    f.list.modify(noFolder, [&](DownloadRow &r) { r.folder = f.folder() + QStringLiteral("gone/"); });
    f.list.modify(relative, [](DownloadRow &r) { r.folder = QStringLiteral("tests/"); });
    // Qt would take ":tests/" for one of its resources, an absolute path.
    f.list.modify(colon, [](DownloadRow &r) { r.folder = QStringLiteral(":tests/"); });
    const QString file = f.writeFile(present, kPdfBytes);

    f.setCurrent(present);
    f.commands.打开下载文件();
    f.commands.打开文件所在文件夹();
    f.launcher.selects = false;
    f.commands.打开文件所在文件夹();
    QCOMPARE(f.launcher.calls, (QStringList{QStringLiteral("open:") + file, QStringLiteral("select:") + file,
                                            QStringLiteral("select:") + file}));
    QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("打开失败！")});

    f.dialogs.clear();
    f.launcher.calls.clear();
    f.setCurrent(absent); // folder there, file not: the folder opens, no message
    f.commands.打开文件所在文件夹();
    QCOMPARE(f.launcher.calls, QStringList{QStringLiteral("folder:") + f.folder()});
    f.commands.打开下载文件();
    f.setCurrent(noFolder);
    f.commands.打开文件所在文件夹();
    f.setCurrent(relative); // never resolved against the working folder
    f.commands.打开文件所在文件夹();
    f.setCurrent(colon);
    f.commands.打开文件所在文件夹();
    QCOMPARE(f.dialogs.messages(), (QStringList{QStringLiteral("该文件不存在！"), QStringLiteral("文件夹不存在！"),
                                                QStringLiteral("文件夹不存在！"), QStringLiteral("文件夹不存在！")}));
    QCOMPARE(f.launcher.calls.size(), 1);
}

void TestDownloadCommands::textEditorSizeLimit()
{
    Fixture f;
    const int fits = f.add(QStringLiteral("fits"), QStringLiteral("txt"), RowState::Done);
    const int big = f.add(QStringLiteral("big"), QStringLiteral("txt"), RowState::Done);
    const int absent = f.add(QStringLiteral("absent"), QStringLiteral("txt"), RowState::Done);
    const QString fitsFile = f.writeFile(fits, QByteArray(2048 * 1024, 'a'));
    f.writeFile(big, QByteArray(2048 * 1024 + 1, 'a'));

    for (int row : {fits, big, absent}) {
        f.setCurrent(row);
        f.commands.用记事本打开文件();
    }
    QCOMPARE(f.launcher.calls, QStringList{QStringLiteral("editor:") + fitsFile});
    QCOMPARE(f.dialogs.messages(), (QStringList{QStringLiteral("该文件太大，超过了2M，不便于用记事本打开！"),
                                                QStringLiteral("该文件不存在！")}));
}

void TestDownloadCommands::checkFilesExist()
{
    Fixture f;
    const int present = f.add(QStringLiteral("p"), QStringLiteral("pdf"), RowState::Done, QString(), QString(), QStringLiteral("100%"));
    const int absent = f.add(QStringLiteral("a"), QStringLiteral("pdf"), RowState::Done, QString(), QString(), QStringLiteral("100%"));
    f.writeFile(present, kPdfBytes);

    f.commands.检查文件是否存在();
    f.commands.检查文件是否存在();
    QCOMPARE((QStringList{ProgressText(f.list.at(present)), ProgressText(f.list.at(absent))}),
             (QStringList{QStringLiteral("100%"), QStringLiteral("不存在")}));
    QCOMPARE(f.list.at(absent).state, RowState::Done);

    f.writeFile(absent, kPdfBytes); // the mark stays until the row is reset
    f.commands.检查文件是否存在();
    QCOMPARE(ProgressText(f.list.at(absent)), QStringLiteral("不存在"));
    QVERIFY(f.dialogs.shown().isEmpty());
}

void TestDownloadCommands::correctFileTypes()
{
    Fixture f;
    f.add(QStringLiteral("fine"), QStringLiteral("pdf"), RowState::Done);
    f.writeFile(0, kPdfBytes);
    f.commands.检查并纠正磁盘文件类型();
    QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("纠正文件类型：0个.")});

    f.dialogs.clear();
    const int wrong = f.add(QStringLiteral("wrong"), QStringLiteral("caj"), RowState::Done);
    f.add(QStringLiteral("missing"), QStringLiteral("caj"), RowState::Done);
    const QString oldPath = f.writeFile(wrong, kPdfBytes);
    QCOMPARE(f.commands.检查并纠正磁盘文件类型(), 1);
    QCOMPARE(f.dialogs.messages(), QStringList{QStringLiteral("纠正文件类型：1个.")});
    QCOMPARE(f.dialogs.shown().first().icon, MessageIcon::Information);
    QCOMPARE(f.list.at(wrong).type.toLower(), QStringLiteral("pdf"));
    QVERIFY(!QFile::exists(oldPath));
    QVERIFY(QFile::exists(RowFilePath(f.list.at(wrong))));
}

void TestDownloadCommands::openFileTellsType()
{
    Fixture f;
    const QString pdf = Fixture::writeAt(f.folder() + QStringLiteral("doc.bin"), kPdfBytes);
    const QString unknown = Fixture::writeAt(f.folder() + QStringLiteral("x.bin"), QByteArray(5000, '\x07'));
    f.dialogs.answerOpenFile(std::nullopt);
    f.dialogs.answerOpenFile(pdf);
    f.dialogs.answerOpenFile(unknown);
    for (int i = 0; i < 3; ++i)
        f.commands.打开文件判断类型();
    const QStringList messages = f.dialogs.messages();
    QCOMPARE(messages.size(), 2);
    QCOMPARE(messages[0].toLower(), QStringLiteral("文件类型为：pdf"));
    QCOMPARE(messages[1], QStringLiteral("目前还无法判断。"));
    QCOMPARE(f.dialogs.shown().first().kind, ScriptedDialogs::Kind::OpenFile);
}

void TestDownloadCommands::columnWidths()
{
    DownloadListModel list;
    list.addRow(QStringLiteral("http://h/1"), QStringLiteral("一个相当长的文献名称，用来撑开第一列"), QStringLiteral("pdf"),
                QStringLiteral("/tmp/"), QString());
    QTreeView view;
    view.setModel(&list);
    view.resize(800, 300);
    view.show();
    QHeaderView *header = view.header();
    header->setStretchLastSection(false);
    const int columns = DownloadListModel::ColumnCount;
    for (int c = 0; c < columns; ++c)
        header->resizeSection(c, 40);

    SetColumnWidth(&view, 0, 123);
    SetColumnWidth(&view, columns + 1, 123);
    for (int c = 0; c < columns; ++c)
        QCOMPARE(header->sectionSize(c), 40);

    SetColumnWidth(&view, 2, 77); // counted from 1
    QCOMPARE(header->sectionSize(1), 77);

    AutoSizeAllColumns(&view, -1);
    QVERIFY(header->sectionSize(0) > 40); // the long name
    AutoSizeAllColumns(&view, -2);
    for (int c = 0; c < columns; ++c) // at least the header text
        QVERIFY(header->sectionSize(c) >= header->sectionSizeHint(c));
}

void TestDownloadCommands::execArguments_data()
{
    QTest::addColumn<QString>("exec");
    QTest::addColumn<QStringList>("args");
    const QString file = QStringLiteral("/tmp/a b/论文.txt");
    QTest::newRow("file code") << QStringLiteral("gedit %U") << QStringList{QStringLiteral("gedit"), file};
    QTest::newRow("other codes dropped, %% kept")
        << QStringLiteral("kate -b %i --x=%% %F %c")
        << QStringList{QStringLiteral("kate"), QStringLiteral("-b"), QStringLiteral("--x=%"), file};
    QTest::newRow("quoted program with a space")
        << QStringLiteral("\"/opt/my editor/run\" --new \"%f\"")
        << QStringList{QStringLiteral("/opt/my editor/run"), QStringLiteral("--new"), file};
    QTest::newRow("escaped quote inside quotes")
        << QStringLiteral("run \"say \\\"hi\\\"\" %u")
        << QStringList{QStringLiteral("run"), QStringLiteral("say \"hi\""), file};
    QTest::newRow("no file code: appended") << QStringLiteral("mousepad") << QStringList{QStringLiteral("mousepad"), file};
    QTest::newRow("empty") << QString() << QStringList();
}

void TestDownloadCommands::execArguments()
{
    QFETCH(QString, exec);
    QFETCH(QStringList, args);
    QCOMPARE(SystemDesktopLauncher::ExecArguments(exec, QStringLiteral("/tmp/a b/论文.txt")), args);
}

void TestDownloadCommands::fallbackEditor_data()
{
    QTest::addColumn<QString>("visual");
    QTest::addColumn<QString>("editor");
    QTest::addColumn<QStringList>("installed");
    QTest::addColumn<QStringList>("args");
    const QString file = QStringLiteral("/tmp/论文.pdf");
    const QString term = QStringLiteral("/usr/bin/x-terminal-emulator");
    QTest::newRow("VISUAL in a terminal") << "vim -R" << "nano" << QStringList{"vim", "nano", "x-terminal-emulator"}
                                          << QStringList{term, "-e", "/usr/bin/vim", "-R", file};
    QTest::newRow("VISUAL missing: EDITOR") << "nosuch" << "nano" << QStringList{"nano"}
                                            << QStringList{"/usr/bin/nano", file};
    QTest::newRow("graphical EDITOR without terminal") << "" << "gedit" << QStringList{"gedit", "x-terminal-emulator"}
                                                        << QStringList{"/usr/bin/gedit", file};
    QTest::newRow("no variables: a text editor") << "" << "" << QStringList{"evince", "mousepad", "kate"}
                                                 << QStringList{"/usr/bin/kate", file};
    QTest::newRow("nothing but viewers") << "" << "" << QStringList{"evince", "xdg-open"} << QStringList();
}

void TestDownloadCommands::fallbackEditor()
{
    QFETCH(QString, visual);
    QFETCH(QString, editor);
    QFETCH(QStringList, installed);
    const auto find = [&](const QString &program) {
        return installed.contains(program) ? QStringLiteral("/usr/bin/") + program : QString();
    };
    QTEST(SystemDesktopLauncher::FallbackEditorArguments(visual, editor, find, QStringLiteral("/tmp/论文.pdf")), "args");
}

QTEST_MAIN(TestDownloadCommands)
#include "tst_downloadcommands.moc"
