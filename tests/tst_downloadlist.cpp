// The download list: address alternatives, row paths, the counters and
// queries the scheduler relies on, and the model's bookkeeping (address
// index, per-state counts, batched change notification) across edits,
// removals and reordering.
#include "download/core/DownloadListModel.h"

#include <QAbstractItemModelTester>
#include <QImage>
#include <QPixmap>
#include <QSignalSpy>
#include <QTest>

namespace {

QString addr(int i)
{
    return QStringLiteral("http://portal.test/doc?id=%1").arg(i);
}

// A list of n rows "r0".."r{n-1}" at addr(0)..addr(n-1).
void fill(DownloadListModel &list, int n)
{
    for (int i = 0; i < n; ++i)
        QVERIFY(list.addRow(addr(i), QStringLiteral("r%1").arg(i), QStringLiteral("pdf"), QStringLiteral("/d/"),
                            QString()));
}

// Every row is found at its own position, and nothing else is found.
void checkIndex(const DownloadListModel &list)
{
    for (int i = 0; i < list.count(); ++i)
        QCOMPARE(list.indexOfAddress(list.at(i).address), i);
}

} // namespace

class TestDownloadList : public QObject
{
    Q_OBJECT
private slots:
    void chooseAndRotate_data();
    void chooseAndRotate();
    void rowFilePath_data();
    void rowFilePath();
    void emptyList();
    void duplicateAddressAddsNothing();
    void countersFollowStates();
    void errorAndPageRowsCountedOnce();
    void requeuedRowIsNotUndownloaded();
    void addressChangeKeepsIndex();
    void changesAreBatched();
    void removeKeepsIndexAndCounts_data();
    void removeKeepsIndexAndCounts();
    void reorderKeepsIndexAndSelection();
    void modelPresentation();
};

void TestDownloadList::chooseAndRotate_data()
{
    QTest::addColumn<QString>("urls");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("rotated");
    QTest::newRow("one") << "a" << "a" << "a";
    QTest::newRow("two") << "a|b" << "a" << "b|a";
    QTest::newRow("three") << "a|b|c" << "a" << "c|a|b";
    QTest::newRow("four") << "a|b|c|d" << "a" << "a|b|c|d";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("empty second") << "a|" << "a" << "|a";
    QTest::newRow("urls with queries") << "http://h/x?a=1&b=2|http://h/y" << "http://h/x?a=1&b=2"
                                       << "http://h/y|http://h/x?a=1&b=2";
}

void TestDownloadList::chooseAndRotate()
{
    QFETCH(QString, urls);
    QFETCH(QString, chosen);
    QFETCH(QString, rotated);
    QCOMPARE(选择url(urls), chosen);
    QCOMPARE(对调url(urls), rotated);
}

void TestDownloadList::rowFilePath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("path");
    QTest::newRow("typed") << "/d/" << "论文" << "pdf" << "/d/论文.pdf";
    QTest::newRow("no type, no trailing dot") << "/d/" << "论文" << "" << "/d/论文";
    // Without the "/" the name would land in the parent folder.
    QTest::newRow("folder without slash") << "/home/u/12345" << "a" << "caj" << "/home/u/12345/a.caj";
    QTest::newRow("dots in name") << "/d/" << "v1.2" << "pdf" << "/d/v1.2.pdf";
}

void TestDownloadList::rowFilePath()
{
    QFETCH(QString, folder);
    QFETCH(QString, name);
    QFETCH(QString, type);
    QFETCH(QString, path);
    DownloadRow row;
    row.folder = folder;
    row.name = name;
    row.type = type;
    QCOMPARE(RowFilePath(row), path);
}

void TestDownloadList::emptyList()
{
    DownloadListModel list;
    QVERIFY(list.检测是否下载列表完毕());
    QCOMPARE(list.统计未下载项数目(), 0);
    QCOMPARE(list.CountErrorAndPageRows(), 0);
    QCOMPARE(list.counterText(), QStringLiteral("总数:0 正在下载:0 等待:0 已完成:0 失败:0"));
    QCOMPARE(list.indexOfAddress(QString()), -1);
}

void TestDownloadList::duplicateAddressAddsNothing()
{
    DownloadListModel list;
    QVERIFY(list.addRow(QStringLiteral("u1|u2"), QStringLiteral("甲"), QStringLiteral("caj"), QStringLiteral("/a/"),
                        QStringLiteral("http://ref")));
    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    QVERIFY(!list.addRow(QStringLiteral("u1|u2"), QStringLiteral("乙"), QStringLiteral("pdf"), QStringLiteral("/b/"),
                         QString()));
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(list.count(), 1);
    const DownloadRow &row = list.at(0);
    QCOMPARE(row.name, QStringLiteral("甲"));
    QCOMPARE(row.type, QStringLiteral("caj"));
    QCOMPARE(row.folder, QStringLiteral("/a/"));
    QCOMPARE(row.referrer, QStringLiteral("http://ref"));
    QCOMPARE(row.state, RowState::Waiting);
    QVERIFY(row.size.isEmpty() && row.received.isEmpty() && row.progress.isEmpty());
    // Exact comparison: another spelling is another row.
    QVERIFY(list.addRow(QStringLiteral("U1|u2"), QStringLiteral("丙"), QString(), QString(), QString()));
    QCOMPARE(list.indexOfAddress(QStringLiteral("U1|u2")), 1);
}

void TestDownloadList::countersFollowStates()
{
    DownloadListModel list;
    fill(list, 12);
    QVERIFY(!list.检测是否下载列表完毕());
    for (int i : {0, 1, 2})
        list.setState(i, RowState::Downloading);
    for (int i : {8, 9})
        list.setState(i, RowState::Done);
    list.modify(10, [](DownloadRow &r) { r.state = RowState::Done; r.progress = QStringLiteral("100%"); });
    list.setState(11, RowState::Failed);
    list.setState(11, RowState::Failed); // no double count
    QCOMPARE(list.counterText(), QStringLiteral("总数:12 正在下载:3 等待:5 已完成:3 失败:1"));

    list.removeRowsAt({0, 11});
    QCOMPARE(list.counterText(), QStringLiteral("总数:10 正在下载:2 等待:5 已完成:3 失败:0"));

    for (int i = 0; i < list.count(); ++i)
        list.setState(i, i % 2 ? RowState::Done : RowState::Failed);
    QVERIFY(list.检测是否下载列表完毕());
    QCOMPARE(list.counterText(), QStringLiteral("总数:10 正在下载:0 等待:0 已完成:5 失败:5"));

    list.clear();
    QCOMPARE(list.counterText(), QStringLiteral("总数:0 正在下载:0 等待:0 已完成:0 失败:0"));
}

void TestDownloadList::errorAndPageRowsCountedOnce()
{
    DownloadListModel list;
    struct Case { const char *type; RowState state; };
    const Case cases[] = {
        {"html", RowState::Failed}, // both: one
        {"HTM", RowState::Done},    // page in any case: one
        {"Html", RowState::Waiting},
        {"pdf", RowState::Failed}, // failed: one
        {"pdf", RowState::Done},   // neither
        {"xhtml", RowState::Done}, // not a page type
        {"htm ", RowState::Done},  // not exactly htm
    };
    int i = 0;
    for (const Case &c : cases) {
        list.addRow(addr(i), QStringLiteral("n"), QString::fromLatin1(c.type), QString(), QString());
        list.setState(i++, c.state);
    }
    QCOMPARE(list.CountErrorAndPageRows(), 4);
}

void TestDownloadList::requeuedRowIsNotUndownloaded()
{
    DownloadListModel list;
    fill(list, 3);
    QCOMPARE(list.统计未下载项数目(), 3);
    list.modify(0, [](DownloadRow &r) { r.size = QStringLiteral("等待重新下载"); });
    list.modify(1, [](DownloadRow &r) { r.progress = QStringLiteral("已存在，跳过"); r.state = RowState::Done; });
    QCOMPARE(list.at(0).state, RowState::Waiting);
    QCOMPARE(list.统计未下载项数目(), 1);
    // A finished row emptied by a re-queue counts again, whatever its state.
    list.clearTexts(1);
    QCOMPARE(list.统计未下载项数目(), 2);
}

void TestDownloadList::addressChangeKeepsIndex()
{
    DownloadListModel list;
    fill(list, 3);
    QVERIFY(list.modify(0, [](DownloadRow &r) { r.address = 对调url(QStringLiteral("x|y")); }));
    QCOMPARE(list.indexOfAddress(QStringLiteral("y|x")), 0);
    QCOMPARE(list.indexOfAddress(addr(0)), -1);

    // Taking another row's address is refused; the other edits stay.
    QVERIFY(!list.modify(1, [](DownloadRow &r) {
        r.address = addr(2);
        r.name = QStringLiteral("changed");
    }));
    QCOMPARE(list.at(1).address, addr(1));
    QCOMPARE(list.at(1).name, QStringLiteral("changed"));
    QCOMPARE(list.indexOfAddress(addr(1)), 1);
    QCOMPARE(list.indexOfAddress(addr(2)), 2);

    // A report for a row that is gone changes nothing.
    QVERIFY(!list.modify(3, [](DownloadRow &r) { r.name = QStringLiteral("x"); }));
    list.setState(-1, RowState::Done);
    QCOMPARE(list.countInState(RowState::Done), 0);
}

void TestDownloadList::changesAreBatched()
{
    DownloadListModel list;
    fill(list, 10);
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    for (int k = 0; k < 50; ++k) {
        list.modify(5, [k](DownloadRow &r) { r.received = QString::number(k * 1000); });
        list.modify(2, [k](DownloadRow &r) { r.progress = QString::number(k) + QLatin1Char('%'); });
    }
    QCOMPARE(changed.count(), 0);
    QVERIFY(changed.wait(2000));
    QTest::qWait(250); // nothing more arrives
    QCOMPARE(changed.count(), 1);
    const QModelIndex topLeft = changed.at(0).at(0).value<QModelIndex>();
    const QModelIndex bottomRight = changed.at(0).at(1).value<QModelIndex>();
    QCOMPARE(topLeft.row(), 2);
    QCOMPARE(bottomRight.row(), 5);
    QCOMPARE(topLeft.column(), 0);
    QCOMPARE(bottomRight.column(), DownloadListModel::ColumnCount - 1);
    QCOMPARE(list.data(list.index(5, DownloadListModel::ColReceived)).toString(), QStringLiteral("49000"));

    // flushChanges tells at once and leaves nothing for the timer.
    changed.clear();
    list.setState(7, RowState::Downloading);
    list.flushChanges();
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 7);
    QCOMPARE(changed.at(0).at(1).value<QModelIndex>().row(), 7);
    QTest::qWait(250);
    QCOMPARE(changed.count(), 1);

    // Pending changes are told before rows move away under them.
    changed.clear();
    list.modify(9, [](DownloadRow &r) { r.size = QStringLiteral("1"); });
    list.removeRowsAt({0});
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 9);
}

void TestDownloadList::removeKeepsIndexAndCounts_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<QVector<int>>("remove");
    QTest::newRow("first and last") << 5 << QVector<int>{4, 0};
    QTest::newRow("run, duplicates, out of range") << 8 << QVector<int>{3, 2, 3, 4, -1, 8, 99};
    QTest::newRow("all") << 4 << QVector<int>{0, 1, 2, 3};
    QVector<int> everyOther;
    for (int i = 1; i < 400; i += 2)
        everyOther << i;
    QTest::newRow("scattered (many runs)") << 400 << everyOther;
}

void TestDownloadList::removeKeepsIndexAndCounts()
{
    QFETCH(int, rows);
    QFETCH(QVector<int>, remove);
    DownloadListModel list;
    fill(list, rows);
    for (int i = 0; i < rows; i += 3)
        list.setState(i, RowState::Done);
    // Checks that every signal matches what the model then answers.
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);

    QSet<int> gone;
    for (int i : remove)
        if (i >= 0 && i < rows)
            gone.insert(i);
    QStringList expected;
    int done = 0;
    for (int i = 0; i < rows; ++i) {
        if (!gone.contains(i)) {
            expected << addr(i);
            done += i % 3 == 0;
        }
    }

    list.removeRowsAt(remove);
    QCOMPARE(list.rowCount(), int(expected.size()));
    QStringList actual;
    for (int i = 0; i < list.count(); ++i)
        actual << list.at(i).address;
    QCOMPARE(actual, expected);
    checkIndex(list);
    for (int i : std::as_const(gone))
        QCOMPARE(list.indexOfAddress(addr(i)), -1);
    QCOMPARE(list.countInState(RowState::Done), done);
    QCOMPARE(list.countInState(RowState::Waiting), int(expected.size()) - done);
    // A removed address may be added again, at the end.
    if (!gone.isEmpty()) {
        const int back = *gone.begin();
        QVERIFY(list.addRow(addr(back), QStringLiteral("again"), QString(), QString(), QString()));
        QCOMPARE(list.indexOfAddress(addr(back)), list.count() - 1);
    }
}

void TestDownloadList::reorderKeepsIndexAndSelection()
{
    DownloadListModel list;
    fill(list, 6);
    list.setState(1, RowState::Failed);
    QAbstractItemModelTester tester(&list, QAbstractItemModelTester::FailureReportingMode::QtTest);
    const QPersistentModelIndex selected = list.index(1, DownloadListModel::ColSize);
    QSignalSpy layout(&list, &QAbstractItemModel::layoutChanged);

    list.reorder({5, 1, 0, 4, 3, 2}); // old index of the row that ends at each position
    QCOMPARE(layout.count(), 1);
    const int order[] = {5, 1, 0, 4, 3, 2};
    for (int i = 0; i < 6; ++i)
        QCOMPARE(list.at(i).address, addr(order[i]));
    checkIndex(list);
    QCOMPARE(selected.row(), 1);
    QCOMPARE(selected.column(), int(DownloadListModel::ColSize));
    list.reorder({1, 2, 3, 4, 5, 0});
    QCOMPARE(selected.row(), 0);
    QCOMPARE(list.at(0).address, addr(1));
    QCOMPARE(list.at(0).state, RowState::Failed);
    checkIndex(list);

    // Anything that is not a permutation is refused as a whole.
    const QVector<QVector<int>> bad = {{0, 1, 2}, {0, 0, 1, 2, 3, 4}, {0, 1, 2, 3, 4, 6}, {-1, 1, 2, 3, 4, 5}};
    for (const QVector<int> &order2 : bad) {
        list.reorder(order2);
        QCOMPARE(list.at(0).address, addr(1));
        checkIndex(list);
    }
    QCOMPARE(layout.count(), 2);
}

void TestDownloadList::modelPresentation()
{
    DownloadListModel list;
    const QStringList captions = {QStringLiteral("名称"),   QStringLiteral("类型"),     QStringLiteral("文件大小"),
                                  QStringLiteral("已下载数"), QStringLiteral("百分比"), QStringLiteral("保存路径"),
                                  QStringLiteral("B")};
    QCOMPARE(list.columnCount(), int(captions.size()));
    for (int c = 0; c < captions.size(); ++c)
        QCOMPARE(list.headerData(c, Qt::Horizontal).toString(), captions[c]);

    list.addRow(QStringLiteral("a|b"), QStringLiteral("名"), QStringLiteral("pdf"), QStringLiteral("/f/"), QString());
    list.modify(0, [](DownloadRow &r) {
        r.size = QStringLiteral("2048");
        r.received = QStringLiteral("1024");
        r.progress = QStringLiteral("50%");
    });
    const QStringList texts = {QStringLiteral("名"),  QStringLiteral("pdf"), QStringLiteral("2048"), QStringLiteral("1024"),
                               QStringLiteral("50%"), QStringLiteral("/f/"), QString()};
    for (int c = 0; c < texts.size(); ++c) {
        const QModelIndex idx = list.index(0, c);
        QCOMPARE(idx.data().toString(), texts[c]);
        QCOMPARE(idx.data(DownloadListModel::RawValueRole).toString(), texts[c]);
        QVERIFY(!(list.flags(idx) & Qt::ItemIsEditable));
        QVERIFY(list.flags(idx) & Qt::ItemIsSelectable);
    }
    QCOMPARE(list.index(0, 3).data(DownloadListModel::AddressRole).toString(), QStringLiteral("a|b"));

    // Four states, four different icons.
    QList<QImage> icons;
    for (RowState s : {RowState::Waiting, RowState::Downloading, RowState::Done, RowState::Failed}) {
        list.setState(0, s);
        QCOMPARE(list.index(0, 0).data(DownloadListModel::StateRole).toInt(), int(s));
        const QPixmap icon = list.index(0, 0).data(Qt::DecorationRole).value<QPixmap>();
        QVERIFY(!icon.isNull());
        const QImage image = icon.toImage();
        QVERIFY(!icons.contains(image));
        icons << image;
    }
}

QTEST_MAIN(TestDownloadList)
#include "tst_downloadlist.moc"
