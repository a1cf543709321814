// The scheduler's own rules with scripted engines and a manual clock, no
// network: the interval between an end and the next start, refilling freed
// slots, the error-stop rule, the automatic start and re-download, the
// maximum size, and rows that move or go while their slot fetches; for the
// single connection of method 1 the one-at-a-time rule, the row each kind of
// end leaves, the save plan at the headers, the stop command, switching
// methods and a row removed while it is fetched.
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSession.h"
#include "download/engines/InetDownloader.h"
#include "download/scheduler/DownloadScheduler.h"
#include "platform/Clock.h"
#include "tests/support/ManualClock.h"
#include "tests/support/RecordingSoundPlayer.h"
#include "tests/support/ScriptedEngine.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestFiles;

namespace {

struct Rig
{
    explicit Rig(int rows, int slotCount = 1)
        : session(&list, &network)
        , scheduler(session)
    {
        scheduler.setManualTicks(true);
        scheduler.setEngineFactory(engines.factory());
        DownloadOptions &options = session.options();
        options.method = DownloadMethod::Slots;
        options.threadCount = slotCount;
        for (int i = 0; i < rows; ++i)
            list.addRow(QStringLiteral("http://h/%1|http://alt/%1").arg(i), QStringLiteral("r%1").arg(i),
                        QStringLiteral("pdf"), QStringLiteral("/nonexistent-lh-folder/"), QStringLiteral("http://h/page"));
    }
    // The scheduler tick after `ms` more milliseconds.
    void tickAfter(qint64 ms, ManualClock &clock)
    {
        clock.advance(ms);
        scheduler.schedulerTick();
    }
    QString states() const
    {
        QString out;
        for (int i = 0; i < list.count(); ++i)
            out += QStringLiteral(" WLDF").at(int(list.at(i).state));
        return out;
    }

    QNetworkAccessManager network;
    DownloadListModel list;
    DownloadSession session;
    DownloadScheduler scheduler;
    ScriptedEngines engines;
};

// Method 1 with a scripted engine in the single connection's place.
struct SingleRig : Rig
{
    explicit SingleRig(int rows)
        : Rig(rows)
        , inet(new ScriptedEngine)
    {
        scheduler.setSingleConnection(inet);
        session.options().method = DownloadMethod::SingleConnection;
    }
    ScriptedEngine *inet;
};

} // namespace

class TestSchedulerRules : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void intervalSeparatesEndFromNextStart_data();
    void intervalSeparatesEndFromNextStart();
    void freedSlotsRefill();
    void errorStopRule_data();
    void errorStopRule();
    void automaticStart_data();
    void automaticStart();
    void automaticRedownload_data();
    void automaticRedownload();
    void redownloadSparesFilesOutsideAbsoluteFolders();
    void oversizeEndsTheSlot();
    void failedRowNeverShowsComplete();
    void switchToMethodOneWhileSlotsFetch();
    void rowsMoveOrGoWhileFetching();

    void singleConnectionOneAtATime_data();
    void singleConnectionOneAtATime();
    void singleConnectionEnds_data();
    void singleConnectionEnds();
    void singleConnectionPlansAtTheHeaders();
    void stopEndsSingleConnection();
    void switchFromMethodOneWhileItFetches();
    void singleConnectionRowRemovedWhileFetching();

private:
    std::unique_ptr<ManualClock> m_clock;
};

void TestSchedulerRules::init()
{
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
}

void TestSchedulerRules::cleanup()
{
    Clock::setInstance(nullptr);
    m_clock.reset();
}

void TestSchedulerRules::intervalSeparatesEndFromNextStart_data()
{
    QTest::addColumn<int>("interval"); // seconds
    QTest::addColumn<int>("waitedMs"); // after the first row ended
    QTest::addColumn<bool>("started");
    QTest::newRow("no interval, same moment") << 0 << 0 << false;
    QTest::newRow("no interval, a moment later") << 0 << 1 << true;
    QTest::newRow("5 s, exactly 5 s") << 5 << 5000 << false;
    QTest::newRow("5 s, just over") << 5 << 5001 << true;
}

void TestSchedulerRules::intervalSeparatesEndFromNextStart()
{
    QFETCH(int, interval);
    QFETCH(int, waitedMs);
    QFETCH(bool, started);
    Rig rig(2);
    rig.session.options().intervalSeconds = interval;
    rig.scheduler.start();
    rig.tickAfter(qint64(interval) * 1000 + 1, *m_clock);
    QCOMPARE(rig.engines.made.size(), 1);
    QCOMPARE(rig.engines.made[0]->address(), QStringLiteral("http://h/0"));
    QCOMPARE(rig.engines.made[0]->referrer, QStringLiteral("http://h/page"));

    rig.engines.made[0]->complete(100, 100);
    QCOMPARE(rig.states(), QStringLiteral("DW"));
    QCOMPARE(rig.session.statusPanel(StatusPanel::Transfer), QStringLiteral("完成下载:r0"));
    rig.tickAfter(waitedMs, *m_clock);
    QCOMPARE(rig.engines.made.size(), started ? 2 : 1);
    QCOMPARE(rig.states(), started ? QStringLiteral("DL") : QStringLiteral("DW"));
}

void TestSchedulerRules::freedSlotsRefill()
{
    Rig rig(5, 3);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LLLWW"));
    for (int k = 1; k <= 3; ++k)
        QCOMPARE(rig.scheduler.slotRow(k), k - 1);

    rig.engines.made[1]->complete(50, 100); // short: the row fails, slot 2 is free
    rig.engines.made[2]->fail();
    QCOMPARE(rig.states(), QStringLiteral("LFFWW"));
    QCOMPARE(SizeText(rig.list.at(1)) + u' ' + ProgressText(rig.list.at(1)), QStringLiteral("100 50%"));
    rig.tickAfter(1, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LFFLL"));
    QCOMPARE(rig.scheduler.slotRow(1), 0);
    QCOMPARE(rig.scheduler.slotRow(2), 3);
    QCOMPARE(rig.scheduler.slotRow(3), 4);
    QCOMPARE(rig.engines.made.size(), 5);
    QVERIFY(!rig.engines.made[0]->cancelled);
}

void TestSchedulerRules::errorStopRule_data()
{
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("pages"); // rows that ended as "htm" pages
    QTest::addColumn<bool>("stays");
    QTest::newRow("four failures") << 4 << 0 << true;
    QTest::newRow("five failures") << 5 << 0 << false;
    QTest::newRow("three failures, two pages") << 3 << 2 << false;
}

void TestSchedulerRules::errorStopRule()
{
    QFETCH(int, failures);
    QFETCH(int, pages);
    QFETCH(bool, stays);
    RecordingSoundPlayer sounds;
    Rig rig(8, 6);
    rig.session.options().stopOnErrors = true;
    rig.session.options().soundPrompt = true;
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    for (int i = 0; i < failures; ++i)
        rig.engines.made[i]->fail();
    for (int i = 0; i < pages; ++i) {
        const int row = failures + i;
        rig.list.modify(row, [](DownloadRow &r) { r.type = QStringLiteral("htm"); });
        rig.engines.made[row]->complete(10, 10);
    }
    sounds.played.clear();
    rig.scheduler.housekeepingTick();
    QCOMPARE(rig.scheduler.schedulerTickOn(), stays);
    QCOMPARE(sounds.played, stays ? QList<int>() : QList<int>{102});
}

void TestSchedulerRules::automaticStart_data()
{
    QTest::addColumn<bool>("autoStart");
    QTest::addColumn<bool>("untouchedRow"); // a row with all three progress columns empty
    QTest::addColumn<bool>("tickOn");
    QTest::newRow("waiting row") << true << true << true;
    QTest::newRow("only a re-queued row") << true << false << false;
    QTest::newRow("option off") << false << true << false;
}

void TestSchedulerRules::automaticStart()
{
    QFETCH(bool, autoStart);
    QFETCH(bool, untouchedRow);
    QFETCH(bool, tickOn);
    Rig rig(1);
    rig.session.options().autoStart = autoStart;
    if (!untouchedRow)
        rig.list.modify(0, [](DownloadRow &r) { r.setSizeNote(RowNote::WaitingForRetry); });
    rig.scheduler.housekeepingTick();
    QCOMPARE(rig.scheduler.schedulerTickOn(), tickOn);
}

void TestSchedulerRules::automaticRedownload_data()
{
    QTest::addColumn<int>("kind"); // 0 出错项, 1 HTM/HTML 项, 2 both
    QTest::addColumn<QString>("states");
    QTest::addColumn<QString>("types");
    QTest::newRow("failed rows") << 0 << QStringLiteral("WDD") << QStringLiteral("pdf,html,pdf");
    QTest::newRow("page rows") << 1 << QStringLiteral("FWD") << QStringLiteral("pdf,xxx,pdf");
    QTest::newRow("both") << 2 << QStringLiteral("WWD") << QStringLiteral("pdf,xxx,pdf");
}

void TestSchedulerRules::automaticRedownload()
{
    QFETCH(int, kind);
    QFETCH(QString, states);
    QFETCH(QString, types);
    Rig rig(3, 3);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    rig.engines.made[0]->fail();
    rig.list.modify(1, [](DownloadRow &r) { r.type = QStringLiteral("html"); });
    rig.engines.made[1]->complete(10, 10);
    rig.engines.made[2]->complete(10, 10);
    rig.scheduler.housekeepingTick(); // the list is finished: the tick goes off
    QVERIFY(!rig.scheduler.schedulerTickOn());

    rig.session.options().autoRedownload = true;
    rig.session.options().autoRedownloadKind = kind;
    rig.scheduler.housekeepingTick();
    QVERIFY(rig.scheduler.schedulerTickOn());
    QCOMPARE(rig.states(), states);
    QStringList typesNow;
    for (int i = 0; i < rig.list.count(); ++i)
        typesNow << rig.list.at(i).type;
    QCOMPARE(typesNow.join(u','), types);
    for (int i = 0; i < rig.list.count(); ++i) {
        const bool reset = states.at(i) == u'W';
        QCOMPARE(rig.list.at(i).address.startsWith(QStringLiteral("http://alt/")), reset);
        if (reset)
            QVERIFY(rig.list.at(i).progressEmpty());
    }
}

// The automatic re-download deletes a row's file before the next attempt; a
// row without an absolute folder must not make it delete a file of the same
// name in the working folder.
void TestSchedulerRules::redownloadSparesFilesOutsideAbsoluteFolders()
{
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QVERIFY(WriteFile(QStringLiteral("r.pdf"), "a stranger's file"));
    QVERIFY(WriteFile(dir.path() + QStringLiteral("/abs.pdf"), "old copy"));
    DownloadListModel list;
    list.addRow(QStringLiteral("http://h/r"), QStringLiteral("r"), QStringLiteral("pdf"), QString(), QString());
    list.addRow(QStringLiteral("http://h/abs"), QStringLiteral("abs"), QStringLiteral("pdf"), dir.path() + u'/',
                QString());
    list.setState(0, RowState::Failed);
    list.setState(1, RowState::Failed);
    DownloadScheduler::RedownloadFailedRows(list);
    QVERIFY(QDir::setCurrent(before));
    QCOMPARE(list.at(0).state, RowState::Waiting);
    QVERIFY(QFile::exists(dir.path() + QStringLiteral("/r.pdf")));
    QVERIFY(!QFile::exists(dir.path() + QStringLiteral("/abs.pdf")));
}

void TestSchedulerRules::oversizeEndsTheSlot()
{
    Rig rig(2);
    rig.session.options().maxFileSizeMB = 1;
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    ScriptedEngine *engine = rig.engines.made[0];
    QCOMPARE(engine->maximumBytes, qint64(1024 * 1024));
    engine->progress(1000, 1024 * 1024); // exactly the maximum: goes on
    QCOMPARE(rig.states(), QStringLiteral("LW"));
    engine->progress(2000, 1024 * 1024 + 1);
    QCOMPARE(rig.states(), QStringLiteral("DW"));
    QCOMPARE(ProgressText(rig.list.at(0)), QStringLiteral("大文件，跳过"));
    QVERIFY(engine->cancelled);
    QVERIFY(!rig.scheduler.slotLoaded(1));
    QCOMPARE(rig.session.lastFinishTime(), m_clock->seconds());

    // A body without a total passes the maximum: the size stays unknown.
    rig.tickAfter(1000, *m_clock);
    ScriptedEngine *second = rig.engines.made[1];
    second->progress(1024 * 1024 + 1, 0);
    QCOMPARE(rig.states(), QStringLiteral("DD"));
    QCOMPARE(SizeText(rig.list.at(1)), QStringLiteral("未知"));
    QCOMPARE(ReceivedText(rig.list.at(1)), QStringLiteral("1048577"));
    QCOMPARE(ProgressText(rig.list.at(1)), QStringLiteral("大文件，跳过"));
    QVERIFY(second->cancelled);
}

// Every byte arrived, then the file could not be kept: the failed row does
// not say "100%".
void TestSchedulerRules::failedRowNeverShowsComplete()
{
    Rig rig(1);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    rig.engines.made[0]->progress(100, 100);
    QCOMPARE(ProgressText(rig.list.at(0)), QStringLiteral("100%"));
    rig.engines.made[0]->fail();
    QCOMPARE(rig.states(), QStringLiteral("F"));
    QVERIFY(ProgressText(rig.list.at(0)) != QStringLiteral("100%"));
}

// Slots hold their rows by id: a row sorted elsewhere still gets its own
// report, a removed row gets none and the report touches no other row.
void TestSchedulerRules::rowsMoveOrGoWhileFetching()
{
    Rig rig(4, 2);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LLWW"));

    rig.list.reorder({3, 2, 1, 0}); // r3 r2 r1 r0
    QCOMPARE(rig.scheduler.slotRow(1), 3);
    rig.engines.made[0]->progress(30, 100);
    QCOMPARE(ProgressText(rig.list.at(3)), QStringLiteral("30%"));
    rig.engines.made[0]->complete(100, 100);
    QCOMPARE(rig.list.at(3).name, QStringLiteral("r0"));
    QCOMPARE(rig.states(), QStringLiteral("WWLD"));

    rig.list.removeRowsAt({2}); // r1, which slot 2 fetches
    QCOMPARE(rig.scheduler.slotRow(2), -1);
    rig.engines.made[1]->complete(100, 100);
    QCOMPARE(rig.states(), QStringLiteral("WWD"));
    for (int i = 0; i < 2; ++i)
        QVERIFY(rig.list.at(i).progressEmpty());
}

// "切换" to method 1 while two slots fetch: the single connection waits for
// both, then starts on the next tick after the last has ended.
void TestSchedulerRules::switchToMethodOneWhileSlotsFetch()
{
    Rig rig(3, 2);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LLW"));
    rig.scheduler.switchMethod();
    QCOMPARE(rig.session.options().method, DownloadMethod::SingleConnection);
    rig.scheduler.housekeepingTick();
    rig.tickAfter(1000, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LLW"));
    rig.engines.made[0]->complete(100, 100);
    rig.scheduler.housekeepingTick();
    rig.tickAfter(1000, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("DLW")); // one slot still fetches
    QVERIFY(!rig.scheduler.inet().isExecuting());
    rig.engines.made[1]->complete(100, 100);
    rig.scheduler.housekeepingTick();
    rig.tickAfter(1000, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("DDL"));
    QVERIFY(rig.scheduler.inet().isExecuting());
    QCOMPARE(rig.engines.made.size(), 2); // no slot for the third row
    rig.scheduler.stop();
}

void TestSchedulerRules::singleConnectionOneAtATime_data()
{
    intervalSeparatesEndFromNextStart_data();
}

// One row at a time, whatever the ticks; the next only once the interval
// since the end has passed.
void TestSchedulerRules::singleConnectionOneAtATime()
{
    QFETCH(int, interval);
    QFETCH(int, waitedMs);
    QFETCH(bool, started);
    SingleRig rig(3);
    rig.session.options().intervalSeconds = interval;
    rig.scheduler.start();
    rig.tickAfter(qint64(interval) * 1000 + 1, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LWW"));
    QCOMPARE(rig.inet->starts, 1);
    QCOMPARE(rig.inet->request.rowId, rig.list.idAt(0));
    QCOMPARE(rig.inet->address(), QStringLiteral("http://h/0"));
    QCOMPARE(rig.inet->referrer, QStringLiteral("http://h/page"));
    QCOMPARE(rig.session.statusPanel(StatusPanel::Transfer), QStringLiteral("正在下载:r0"));
    QVERIFY(rig.session.transferBusy());
    rig.tickAfter(60000, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LWW"));
    QCOMPARE(rig.inet->starts, 1);
    QVERIFY(rig.engines.made.isEmpty()); // no slot either

    m_clock->advance(60000);
    rig.inet->complete(100, 100);
    QCOMPARE(rig.states(), QStringLiteral("DWW"));
    QVERIFY(!rig.session.transferBusy());
    QCOMPARE(rig.session.statusPanel(StatusPanel::Transfer), QStringLiteral("完成下载:r0"));
    QCOMPARE(rig.session.lastFinishTime(), m_clock->seconds());
    rig.tickAfter(waitedMs, *m_clock);
    QCOMPARE(rig.inet->starts, started ? 2 : 1);
    QCOMPARE(rig.states(), started ? QStringLiteral("DLW") : QStringLiteral("DWW"));
}

void TestSchedulerRules::singleConnectionEnds_data()
{
    // Before the end: "receive N" announces a total of N (0: none named),
    // "fetch" is the whole-response fetch, "arrived N" that N bytes came.
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<int>("outcome");
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<bool>("wholeResponse");
    QTest::addColumn<QString>("row"); // state, size, received, progress
    QTest::addColumn<QList<int>>("sounds");

    const auto o = [](TransferOutcome outcome) { return int(outcome); };
    const QList<int> none;
    const QList<int> failed{103};
    QTest::newRow("complete with a total")
        << QStringList{"receive 1000", "arrived 400", "arrived 1000"} << o(TransferOutcome::Complete) << 1000LL
        << false << "D 1000 1000 100%" << none;
    QTest::newRow("complete without a total: the size is what came")
        << QStringList{"receive 0", "arrived 700"} << o(TransferOutcome::Complete) << 700LL << false
        << "D 700 700 100%" << none;
    QTest::newRow("whole-response fetch") << QStringList{"fetch"} << o(TransferOutcome::Complete) << 900LL << true
                                          << "D 900 900 100%" << none;
    QTest::newRow("too big at the headers") << QStringList{} << o(TransferOutcome::TooBig) << 0LL << false
                                            << "D   大文件，跳过" << none;
    QTest::newRow("too big while it grew") << QStringList{"receive 0", "arrived 2000"} << o(TransferOutcome::TooBig)
                                           << 2000LL << false << "D 未知 2000 大文件，跳过" << none;
    QTest::newRow("no answer: the sizes stay empty") << QStringList{} << o(TransferOutcome::NoAnswer) << 0LL << false
                                                     << "F   " << failed;
    QTest::newRow("stalled") << QStringList{"receive 1000", "arrived 100"} << o(TransferOutcome::TimedOut) << 100LL
                             << false << "F 下载失败 100 10%" << failed;
    QTest::newRow("broke off") << QStringList{"receive 1000", "arrived 600"} << o(TransferOutcome::Failed) << 600LL
                               << false << "F 下载失败 600 60%" << failed;
    QTest::newRow("stop command") << QStringList{"receive 1000", "arrived 100"} << o(TransferOutcome::Cancelled)
                                  << 100LL << false << "F 下载取消 100 10%" << failed;
    QTest::newRow("cannot replace") << QStringList{} << o(TransferOutcome::CannotReplace) << 3LL << false
                                    << "F 3 3 无法替换" << failed;
    QTest::newRow("page kept out") << QStringList{"receive 0", "arrived 50"} << o(TransferOutcome::PageKeptOut) << 50LL
                                   << false << "F 下载失败 50 " << failed;
    QTest::newRow("page kept out of the whole-response fetch") << QStringList{"fetch"}
                                                               << o(TransferOutcome::PageKeptOut) << 50LL << true
                                                               << "F   " << failed;
    QTest::newRow("whole-response fetch brought nothing") << QStringList{"fetch"} << o(TransferOutcome::NothingFetched)
                                                          << 1LL << true << "F   " << failed;
}

// Every kind of end leaves the row, the transfer panel, the end time and the
// sounds by method 1's rules, and a failed row says why.
void TestSchedulerRules::singleConnectionEnds()
{
    QFETCH(QStringList, steps);
    QFETCH(int, outcome);
    QFETCH(qint64, bytes);
    QFETCH(bool, wholeResponse);
    QFETCH(QString, row);
    QFETCH(QList<int>, sounds);
    RecordingSoundPlayer player;
    SingleRig rig(1);
    rig.session.options().soundPrompt = true;
    rig.session.options().maxFileSizeMB = 0.001;
    QSignalSpy failures(&rig.scheduler, &DownloadScheduler::rowFailed);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    for (const QString &step : steps) {
        const qint64 n = step.section(u' ', 1).toLongLong();
        if (step == QLatin1String("fetch"))
            rig.inet->receive(0, false);
        else if (step.startsWith(QLatin1String("receive")))
            rig.inet->receive(n);
        else
            rig.inet->arrived(n, rig.list.at(0).size > 0 ? rig.list.at(0).size : 0);
    }
    if (steps.contains(QStringLiteral("fetch")))
        QCOMPARE(SizeText(rig.list.at(0)) + u'|' + ReceivedText(rig.list.at(0)), QStringLiteral("未知|"));
    m_clock->advance(500);
    TransferResult result;
    result.outcome = TransferOutcome(outcome);
    result.bytes = bytes;
    result.wholeResponse = wholeResponse;
    result.reason = result.outcome == TransferOutcome::Complete || result.outcome == TransferOutcome::TooBig
        ? QString()
        : QStringLiteral("disk full");
    rig.inet->end(result);

    const DownloadRow &r = rig.list.at(0);
    QCOMPARE(rig.states() + u' ' + SizeText(r) + u' ' + ReceivedText(r) + u' ' + ProgressText(r), row);
    QCOMPARE(player.played, sounds);
    QCOMPARE(rig.session.statusPanel(StatusPanel::Transfer), QStringLiteral("完成下载:r0"));
    QCOMPARE(rig.session.lastFinishTime(), m_clock->seconds());
    QVERIFY(!rig.session.transferBusy());
    QCOMPARE(failures.count(), r.state == RowState::Failed ? 1 : 0);
    if (!failures.isEmpty()) {
        QCOMPARE(failures.at(0).at(0).toULongLong(), rig.list.idAt(0));
        QCOMPARE(failures.at(0).at(1).toString(), QStringLiteral("disk full"));
    }
}

// The save plan waits for the headers: the row takes the type they name,
// and the name is numbered beside an existing file in rename mode.
void TestSchedulerRules::singleConnectionPlansAtTheHeaders()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/新/");
    SingleRig rig(0);
    rig.list.addRow(QStringLiteral("http://h/x"), QStringLiteral("报告"), QStringLiteral("pdf"), folder, QString());
    rig.session.options().duplicateMode = DuplicateMode::Rename;
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    QVERIFY(rig.inet->request.savePath.isEmpty());
    QVERIFY(rig.inet->request.planSave);
    QVERIFY(!QFileInfo::exists(folder));

    ResponseHeaderVerdict verdict;
    verdict.extension = QStringLiteral("caj");
    QCOMPARE(rig.inet->headers(verdict), folder + QStringLiteral("报告.caj"));
    QCOMPARE(rig.list.at(0).type, QStringLiteral("caj"));
    QVERIFY(QFileInfo(folder).isDir());
    rig.inet->end(TransferOutcome::NoAnswer);

    QVERIFY(WriteFile(folder + QStringLiteral("报告.caj"), "older"));
    rig.list.modify(0, [](DownloadRow &r) { r.state = RowState::Waiting; });
    rig.tickAfter(1000, *m_clock);
    QCOMPARE(rig.inet->starts, 2);
    QCOMPARE(rig.inet->headers(verdict), folder + QStringLiteral("报告[001].caj"));
    QCOMPARE(rig.list.at(0).name, QStringLiteral("报告[001]"));
}

// "停止下载" while the single connection fetches: it is cancelled with
// TransferBusy off, the row fails, and the engine's end says "下载取消".
void TestSchedulerRules::stopEndsSingleConnection()
{
    SingleRig rig(2);
    rig.session.options().autoStart = true;
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    rig.inet->receive(1000);
    rig.inet->arrived(100, 1000);
    rig.scheduler.stop();
    QVERIFY(rig.inet->cancelled);
    QVERIFY(!rig.session.transferBusy());
    QVERIFY(!rig.session.options().autoStart);
    QVERIFY(!rig.scheduler.schedulerTickOn());
    QCOMPARE(rig.states(), QStringLiteral("FW"));
    rig.inet->end(TransferOutcome::Cancelled, 100, 1000, QStringLiteral("cancelled"));
    QCOMPARE(SizeText(rig.list.at(0)), QStringLiteral("下载取消"));
    QCOMPARE(rig.session.statusPanel(StatusPanel::Transfer), QStringLiteral("完成下载:r0"));
    QVERIFY(rig.scheduler.downloadStopped());
    rig.scheduler.housekeepingTick(); // automatic start is unticked: nothing restarts
    QVERIFY(!rig.scheduler.schedulerTickOn());
}

// "切换" to method 2 while the single connection fetches: the next tick
// fills a slot, and the single connection still ends its own row by its rules.
void TestSchedulerRules::switchFromMethodOneWhileItFetches()
{
    SingleRig rig(3);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LWW"));
    rig.scheduler.switchMethod();
    QCOMPARE(rig.session.options().method, DownloadMethod::Slots);
    QCOMPARE(rig.session.options().threadCount, 1);
    rig.tickAfter(1000, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("LLW"));
    QCOMPARE(rig.engines.made.size(), 1);
    rig.inet->receive(0);
    rig.inet->arrived(10, 0);
    rig.inet->end(TransferOutcome::Complete, 10);
    QCOMPARE(SizeText(rig.list.at(0)) + u' ' + ProgressText(rig.list.at(0)), QStringLiteral("10 100%"));
    rig.engines.made[0]->complete(100, 100);
    QCOMPARE(rig.states(), QStringLiteral("DDW"));
    QCOMPARE(rig.inet->starts, 1);
}

// The row the single connection fetches is removed: the transfer is dropped
// at once, its late end touches no row, and the next row starts.
void TestSchedulerRules::singleConnectionRowRemovedWhileFetching()
{
    SingleRig rig(2);
    QSignalSpy failures(&rig.scheduler, &DownloadScheduler::rowFailed);
    rig.scheduler.start();
    rig.tickAfter(1, *m_clock);
    rig.inet->receive(1000);
    rig.list.removeRowsAt({0});
    QVERIFY(rig.inet->abandoned);
    QVERIFY(!rig.scheduler.inet().isExecuting());
    QVERIFY(!rig.session.transferBusy());
    QCOMPARE(rig.session.statusPanel(StatusPanel::Transfer), QStringLiteral("正在下载:r0"));

    rig.inet->end(TransferOutcome::Failed, 0, 0, QStringLiteral("late"));
    QCOMPARE(rig.states(), QStringLiteral("W"));
    QVERIFY(rig.list.at(0).progressEmpty());
    QCOMPARE(failures.count(), 0);
    rig.tickAfter(1000, *m_clock);
    QCOMPARE(rig.states(), QStringLiteral("L"));
    QCOMPARE(rig.inet->request.rowId, rig.list.idAt(0));
}

QTEST_GUILESS_MAIN(TestSchedulerRules)
#include "tst_schedulerrules.moc"
