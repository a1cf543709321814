// The download list: address alternatives, row paths, the counters and
// queries the scheduler relies on, and the model's bookkeeping (address
// index, per-state counts, batched change notification) across edits,
// removals and reordering.
#include "download/core/DownloadListModel.h"

#include <QAbstractItemModelTester>
#include <QSet>
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
    void idsFollowRows();
    void progressTexts_data();
    void progressTexts();
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
    QVERIFY(SizeText(row).isEmpty() && ReceivedText(row).isEmpty() && ProgressText(row).isEmpty());
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
    list.modify(10, [](DownloadRow &r) { r.state = RowState::Done; r.setPercent(100); });
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
    list.modify(0, [](DownloadRow &r) { r.setSizeNote(RowNote::WaitingForRetry); });
    list.modify(1, [](DownloadRow &r) { r.setProgressNote(RowNote::AlreadyThere); r.state = RowState::Done; });
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
        list.modify(5, [k](DownloadRow &r) { r.received = k * 1000; });
        list.modify(2, [k](DownloadRow &r) { r.setPercent(k); });
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
    list.modify(9, [](DownloadRow &r) { r.setSize(1); });
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

void TestDownloadList::idsFollowRows()
{
    DownloadListModel list;
    fill(list, 200);
    QVector<quint64> ids;
    for (int i = 0; i < list.count(); ++i)
        ids << list.idAt(i);
    QVERIFY(!ids.contains(0));
    QCOMPARE(QSet<quint64>(ids.cbegin(), ids.cend()).size(), 200);

    QVector<int> reversed;
    for (int i = 199; i >= 0; --i)
        reversed << i;
    list.reorder(reversed);
    QVector<int> scattered; // many runs: the list is compacted in one pass
    for (int i = 0; i < 200; i += 2)
        scattered << i;
    list.removeRowsAt(scattered);
    for (int old = 0; old < 200; ++old) {
        const int at = list.indexOfId(ids[old]);
        // Row `old` ended at 199 - old; the even positions went.
        if ((199 - old) % 2 == 0) {
            QCOMPARE(at, -1);
        } else {
            QVERIFY(at >= 0);
            QCOMPARE(list.at(at).address, addr(old));
        }
    }
    QCOMPARE(list.indexOfId(0), -1);

    // An id is never handed out again, not even after the list was emptied.
    list.clear();
    fill(list, 1);
    QVERIFY(!ids.contains(list.idAt(0)));
    QCOMPARE(list.indexOfId(ids[1]), -1);
}

void TestDownloadList::progressTexts_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<int>("sizeNote");
    QTest::addColumn<qint64>("received");
    QTest::addColumn<qint64>("percent");
    QTest::addColumn<int>("progressNote");
    QTest::addColumn<QStringList>("texts");
    const int none = int(RowNote::None);
    QTest::newRow("empty") << qint64(-1) << none << qint64(-1) << qint64(-1) << none << QStringList{"", "", ""};
    QTest::newRow("numbers") << qint64(4096) << none << qint64(0) << qint64(57) << none
                             << QStringList{"4096", "0", "57%"};
    QTest::newRow("unknown size, too big") << qint64(-1) << int(RowNote::UnknownSize) << qint64(12) << qint64(-1)
                                           << int(RowNote::TooBig) << QStringList{"未知", "12", "大文件，跳过"};
    QTest::newRow("already there") << qint64(100) << none << qint64(100) << qint64(-1) << int(RowNote::AlreadyThere)
                                   << QStringList{"100", "100", "已存在，跳过"};
    QTest::newRow("failed") << qint64(-1) << int(RowNote::TransferFailed) << qint64(-1) << qint64(-1)
                            << int(RowNote::CannotReplace) << QStringList{"下载失败", "", "无法替换"};
    QTest::newRow("cancelled, missing") << qint64(-1) << int(RowNote::Cancelled) << qint64(-1) << qint64(-1)
                                        << int(RowNote::Missing) << QStringList{"下载取消", "", "不存在"};
    QTest::newRow("waiting for retry") << qint64(-1) << int(RowNote::WaitingForRetry) << qint64(-1) << qint64(-1)
                                       << none << QStringList{"等待重新下载", "", ""};
}

void TestDownloadList::progressTexts()
{
    QFETCH(qint64, size);
    QFETCH(int, sizeNote);
    QFETCH(qint64, received);
    QFETCH(qint64, percent);
    QFETCH(int, progressNote);
    QFETCH(QStringList, texts);
    DownloadListModel list;
    fill(list, 1);
    list.modify(0, [&](DownloadRow &r) {
        r.size = size;
        r.sizeNote = RowNote(sizeNote);
        r.received = received;
        r.percent = percent;
        r.progressNote = RowNote(progressNote);
    });
    const QStringList shown{list.index(0, DownloadListModel::ColSize).data().toString(),
                            list.index(0, DownloadListModel::ColReceived).data().toString(),
                            list.index(0, DownloadListModel::ColProgress).data().toString()};
    QCOMPARE(shown, texts);
    QCOMPARE((QStringList{SizeText(list.at(0)), ReceivedText(list.at(0)), ProgressText(list.at(0))}), texts);
    QCOMPARE(list.统计未下载项数目(), texts.join(QString()).isEmpty() ? 1 : 0);
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
        r.setSize(2048);
        r.received = 1024;
        r.setPercent(50);
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

    for (RowState st : {RowState::Waiting, RowState::Downloading, RowState::Done, RowState::Failed}) {
        list.setState(0, st);
        QCOMPARE(list.index(0, 0).data(DownloadListModel::StateRole).toInt(), int(st));
    }
}

QTEST_MAIN(TestDownloadList)
#include "tst_downloadlist.moc"
