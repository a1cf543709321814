// The download scheduler: its ticks driven by hand under a manual clock, the
// slot table and handlers, the stop procedure and the automatic functions,
// with the real engines against the sample portal (or a closed loopback port
// where a download must fail at once).
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadRow.h"
#include "download/core/DownloadSession.h"
#include "download/engines/SlotDownloader.h"
#include "download/scheduler/DownloadScheduler.h"
#include "platform/Clock.h"
#include "platform/media/MediaSoundPlayer.h"
#include "platform/SoundPlayer.h"
#include "tests/support/ManualClock.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/RecordingSoundPlayer.h"
#include "tests/support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Everything a download window holds, without the window.
struct Rig
{
    Rig()
        : session(&list, &network)
        , scheduler(session)
    {
        scheduler.setManualTicks(true);
    }
    QNetworkAccessManager network;
    DownloadListModel list;
    DownloadSession session;
    DownloadScheduler scheduler;
};

// An address on which nothing listens: any fetch of it fails at once.
QString closedPortUrl(const QString &path)
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost);
    const quint16 port = server.serverPort();
    server.close();
    return QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(path);
}

// The same case with each download method.
void methodRows()
{
    QTest::addColumn<int>("method");
    QTest::newRow("slots") << 2;
    QTest::newRow("single connection") << 1;
}

// Files in the folder, hidden temporary ones included.
QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

} // namespace

class TestScheduler : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void intervalSeparatesEndFromNextStart_data();
    void intervalSeparatesEndFromNextStart();
    void threeSlotsStartThenFreedSlotsRefill();
    void skipModeSettlesExistingFilesWithoutNetwork_data();
    void skipModeSettlesExistingFilesWithoutNetwork();
    void stopDuringDownloads_data();
    void stopDuringDownloads();
    void busySingleConnectionRequeuesRow();
    void unmakeableFolderFailsRowInsteadOfRoot();
    void renameModeWithoutTypeSparesExtensionlessFile();
    void overwriteKeepsDocumentAgainstPage_data();
    void overwriteKeepsDocumentAgainstPage();
    void automaticStartNeedsWaitingRows();
    void handlersIgnoreElementZeroAndMissingRows();
    void autoRedownloadRetriesWithNextAlternative();
    void redownloadResets();
    void errorStopRule_data();
    void errorStopRule();
    void maximumSizeBoundary_data();
    void maximumSizeBoundary();
    void endToEnd_data();
    void endToEnd();
    void embeddedSounds();

private:
    QString portalUrl(const QString &query) const { return m_portal->url(QStringLiteral("file?") + query); }
    // A body that sends its first 100 of 1000 bytes, then waits a minute.
    // The headers come late, or Qt would hold back the first progress report.
    QString stalledUrl(int n) const
    {
        return portalUrl(QStringLiteral("kind=pdf&size=1000&stall=60&after=100&delay=300&n=%1").arg(n));
    }

    std::unique_ptr<PortalProcess> m_portal;
    std::unique_ptr<ManualClock> m_clock;
    std::unique_ptr<RecordingSoundPlayer> m_sounds;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_folder;
};

void TestScheduler::initTestCase()
{
    m_portal = std::make_unique<PortalProcess>();
    QVERIFY2(m_portal->start(), qPrintable(m_portal->errorString()));
}

void TestScheduler::init()
{
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
    m_sounds = std::make_unique<RecordingSoundPlayer>();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = m_dir->path() + QLatin1Char('/');
}

void TestScheduler::cleanup()
{
    Clock::setInstance(nullptr);
    m_sounds.reset();
    m_dialogs.reset();
    m_dir.reset();
}

void TestScheduler::intervalSeparatesEndFromNextStart_data()
{
    methodRows();
}

void TestScheduler::intervalSeparatesEndFromNextStart()
{
    QFETCH(int, method);
    Rig rig;
    rig.session.options().method = DownloadMethod(method);
    rig.session.options().threadCount = 1;
    rig.session.options().intervalSeconds = 5;
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&n=1")), QStringLiteral("a"), QStringLiteral("pdf"), m_folder, {});
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&n=2")), QStringLiteral("b"), QStringLiteral("pdf"), m_folder, {});
    rig.scheduler.start();

    // The window load counts as an end for the first row, the first row's
    // end for the second: 5 s later is still too early, a moment more is not.
    for (int i = 0; i < 2; ++i) {
        m_clock->advanceSeconds(5);
        rig.scheduler.schedulerTick();
        QCOMPARE(rig.list.at(i).state, RowState::Waiting);
        m_clock->advance(1);
        rig.scheduler.schedulerTick();
        QCOMPARE(rig.list.at(i).state, RowState::Downloading);
        QTRY_COMPARE(rig.list.at(i).state, RowState::Done);
        QTRY_VERIFY(!rig.session.transferBusy() || method == 2);
        rig.scheduler.housekeepingTick();
    }
}

void TestScheduler::threeSlotsStartThenFreedSlotsRefill()
{
    Rig rig;
    rig.session.options().threadCount = 3;
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&n=0")), QStringLiteral("r0"), QStringLiteral("pdf"), m_folder, {});
    rig.list.addRow(stalledUrl(1), QStringLiteral("r1"), QStringLiteral("pdf"), m_folder, {});
    rig.list.addRow(stalledUrl(2), QStringLiteral("r2"), QStringLiteral("pdf"), m_folder, {});
    for (int i = 3; i < 10; ++i)
        rig.list.addRow(stalledUrl(i), QStringLiteral("r%1").arg(i), QStringLiteral("pdf"), m_folder, {});
    rig.scheduler.start();

    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.scheduler.CountSlotInstances(), 4);
    for (int k = 1; k <= 3; ++k) {
        QCOMPARE(rig.scheduler.slotRow(k), k - 1);
        QCOMPARE(rig.list.at(k - 1).state, RowState::Downloading);
    }
    QCOMPARE(rig.list.at(3).state, RowState::Waiting);
    QVERIFY(rig.session.transferBusy());
    QVERIFY(rig.scheduler.isRunning());
    QVERIFY(!rig.scheduler.downloadStopped());

    // Row 0 ends and frees slot 1; the two stalled slots stay busy.
    QTRY_COMPARE(rig.list.at(0).state, RowState::Done);
    QCOMPARE(ProgressText(rig.list.at(0)), QStringLiteral("100%"));
    QCOMPARE(rig.scheduler.CountSlotInstances(), 3);
    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.scheduler.slotRow(1), 3);
    QCOMPARE(rig.list.at(3).state, RowState::Downloading);
    QCOMPARE(rig.list.at(4).state, RowState::Waiting);
    QCOMPARE(rig.scheduler.CountSlotInstances(), 4);

    // Nothing is free, so another tick starts nothing.
    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.list.at(4).state, RowState::Waiting);
    rig.scheduler.stop();
}

void TestScheduler::skipModeSettlesExistingFilesWithoutNetwork_data()
{
    methodRows();
}

void TestScheduler::skipModeSettlesExistingFilesWithoutNetwork()
{
    QFETCH(int, method);
    Rig rig;
    rig.session.options().method = DownloadMethod(method);
    rig.session.options().duplicateMode = DuplicateMode::Skip;
    rig.session.options().soundPrompt = true;
    for (int i = 0; i < 4; ++i) {
        const QString name = QStringLiteral("报告%1").arg(i);
        QFile file(m_folder + name + QStringLiteral(".pdf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(100 + i, 'x'));
        file.close();
        // Any fetch of these addresses would fail the row.
        rig.list.addRow(closedPortUrl(QString::number(i)), name, QStringLiteral("pdf"), m_dir->path(), {});
    }
    rig.scheduler.start();
    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.scheduler.CountSlotInstances(), 1);
    QVERIFY(!rig.session.transferBusy());
    for (int i = 0; i < 4; ++i) {
        const DownloadRow &row = rig.list.at(i);
        QCOMPARE(row.state, RowState::Done);
        QCOMPARE(ProgressText(row), QStringLiteral("已存在，跳过"));
        QCOMPARE(SizeText(row), QString::number(100 + i));
        QCOMPARE(ReceivedText(row), SizeText(row));
        QCOMPARE(row.folder, m_folder);
    }
    rig.scheduler.housekeepingTick();
    rig.scheduler.housekeepingTick();
    QVERIFY(!rig.scheduler.schedulerTickOn());
    QCOMPARE(m_sounds->played, QList<int>({102}));
    QCOMPARE(rig.session.statusPanel(StatusPanel::Counters), QStringLiteral("总数:4 正在下载:0 等待:0 已完成:4 失败:0"));
}

void TestScheduler::stopDuringDownloads_data()
{
    methodRows();
}

void TestScheduler::stopDuringDownloads()
{
    QFETCH(int, method);
    Rig rig;
    DownloadOptions &options = rig.session.options();
    options.method = DownloadMethod(method);
    options.threadCount = 2;
    options.autoStart = true;
    options.autoRedownload = true;
    for (int i = 0; i < 3; ++i)
        rig.list.addRow(stalledUrl(i), QStringLiteral("r%1").arg(i), QStringLiteral("pdf"), m_folder, {});
    QSignalSpy cleared(&rig.scheduler, &DownloadScheduler::automaticOptionsCleared);
    rig.scheduler.start();
    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    const int running = method == 2 ? 2 : 1;
    // Wait until the first bytes are on disk, so there is something to leave behind.
    for (int i = 0; i < running; ++i)
        QTRY_COMPARE(ReceivedText(rig.list.at(i)), QStringLiteral("100"));

    rig.scheduler.stop();
    QCOMPARE(cleared.count(), 1);
    QVERIFY(!options.autoStart);
    QVERIFY(!options.autoRedownload);
    QVERIFY(!rig.scheduler.schedulerTickOn());
    QVERIFY(!rig.session.transferBusy());
    QCOMPARE(rig.scheduler.CountSlotInstances(), 1);
    for (int i = 0; i < running; ++i)
        QCOMPARE(rig.list.at(i).state, RowState::Failed);
    QCOMPARE(rig.list.at(running).state, RowState::Waiting);
    if (method == 1)
        QTRY_COMPARE(SizeText(rig.list.at(0)), QStringLiteral("下载取消"));
    QTRY_VERIFY(rig.scheduler.downloadStopped());
    QTRY_COMPARE(filesIn(m_folder), QStringList());

    // Automatic start is unticked, so the waiting row stays put.
    rig.scheduler.housekeepingTick();
    QVERIFY(!rig.scheduler.schedulerTickOn());
}

void TestScheduler::busySingleConnectionRequeuesRow()
{
    Rig rig;
    rig.session.options().method = DownloadMethod(1);
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf")), QStringLiteral("a"), QStringLiteral("pdf"), m_folder, {});
    rig.list.setState(0, RowState::Downloading);
    rig.session.setTransferBusy(true);
    rig.scheduler.Inet下载当前文件(0);
    QCOMPARE(rig.list.at(0).state, RowState::Waiting);
    QCOMPARE(SizeText(rig.list.at(0)), QStringLiteral("等待重新下载"));
    QCOMPARE(rig.list.统计未下载项数目(), 0);

    // Not counted as waiting, yet started again once the engine is free.
    rig.session.setTransferBusy(false);
    rig.scheduler.start();
    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.list.at(0).state, RowState::Downloading);
    QTRY_COMPARE(rig.list.at(0).state, RowState::Done);
    QTRY_VERIFY(!rig.session.transferBusy());
}

void TestScheduler::unmakeableFolderFailsRowInsteadOfRoot()
{
    Rig rig;
    QFile blocker(m_folder + QStringLiteral("afile"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    rig.list.addRow(closedPortUrl(QStringLiteral("x")), QStringLiteral("无处"), QStringLiteral("pdf"),
                    m_folder + QStringLiteral("afile/sub/"), {});
    rig.list.addRow(stalledUrl(1), QStringLiteral("b"), QStringLiteral("pdf"), m_folder, {});
    rig.scheduler.start();
    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.list.at(0).state, RowState::Failed);
    QCOMPARE(SizeText(rig.list.at(0)), QStringLiteral("下载失败"));
    QCOMPARE(rig.list.at(0).folder, m_folder + QStringLiteral("afile/sub/"));
    QCOMPARE(rig.scheduler.slotRow(1), 1);
    QVERIFY(!QFileInfo::exists(QStringLiteral("/无处.pdf")));
    rig.scheduler.stop();
}

// Without a type the slot writes "报告", not "报告." (one file on Windows);
// an older "报告" must then count as taken.
void TestScheduler::renameModeWithoutTypeSparesExtensionlessFile()
{
    Rig rig;
    QFile old(m_folder + QStringLiteral("报告"));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("older file");
    old.close();
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&size=2000")), QStringLiteral("报告"), QString(), m_folder, {});
    rig.scheduler.start();
    m_clock->advanceSeconds(1);
    rig.scheduler.schedulerTick();
    QCOMPARE(rig.scheduler.slotInstance(1)->saveFile(), m_folder + QStringLiteral("报告[001]"));
    QTRY_COMPARE(rig.list.at(0).state, RowState::Done);
    QCOMPARE(rig.list.at(0).name, QStringLiteral("报告[001]"));
    QCOMPARE(rig.list.at(0).type, QStringLiteral("pdf"));
    QCOMPARE(QFileInfo(m_folder + QStringLiteral("报告[001].pdf")).size(), 2000);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("older file"));
}

void TestScheduler::overwriteKeepsDocumentAgainstPage_data()
{
    methodRows();
}

// "覆盖" over a document the user has, while the server answers 200 with a
// page (a sign-in gate, or a page announced as the document's own type): the
// document stays as it was. Method 1 names the gate's page after its header,
// beside the document, as a web-page row; a page that claims the document's
// type, and any page in a slot, fails the row instead.
void TestScheduler::overwriteKeepsDocumentAgainstPage()
{
    QFETCH(int, method);
    Rig rig;
    rig.session.options().method = DownloadMethod(method);
    rig.session.options().duplicateMode = DuplicateMode::Overwrite;
    const QByteArray document("%PDF-1.4 the copy the user already has");
    for (const QString &name : {QStringLiteral("论文一"), QStringLiteral("论文二")}) {
        QFile file(m_folder + name + QStringLiteral(".pdf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(document);
    }
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&login=1")), QStringLiteral("论文一"), QStringLiteral("pdf"),
                    m_folder, {});
    rig.list.addRow(portalUrl(QStringLiteral("kind=html&size=800&ct=application%2Fpdf")), QStringLiteral("论文二"),
                    QStringLiteral("pdf"), m_folder, {});
    rig.scheduler.start();
    for (int i = 0; i < 2; ++i) {
        m_clock->advanceSeconds(1);
        rig.scheduler.schedulerTick();
        QTRY_VERIFY(rig.list.at(i).state != RowState::Downloading);
        QTRY_VERIFY(!rig.session.transferBusy() || method == 2);
    }
    if (method == 1) {
        QCOMPARE(rig.list.at(0).state, RowState::Done);
        QCOMPARE(rig.list.at(0).type, QStringLiteral("htm"));
    } else {
        QCOMPARE(rig.list.at(0).state, RowState::Failed);
    }
    QCOMPARE(rig.list.at(1).state, RowState::Failed);
    for (const QString &name : {QStringLiteral("论文一.pdf"), QStringLiteral("论文二.pdf")}) {
        QFile file(m_folder + name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), document);
    }
    QStringList expected = {QStringLiteral("论文一.pdf"), QStringLiteral("论文二.pdf")};
    if (method == 1)
        expected.prepend(QStringLiteral("论文一.htm"));
    QTRY_COMPARE(filesIn(m_folder), expected);
}

// Automatic start (step 5) comes after the indicator (step 2): the tick it
// switches on shows from the next housekeeping tick on.
void TestScheduler::automaticStartNeedsWaitingRows()
{
    Rig rig;
    rig.session.options().autoStart = true;
    rig.list.addRow(QStringLiteral("http://h/done"), QStringLiteral("d"), QStringLiteral("pdf"), m_folder, {});
    rig.list.modify(0, [](DownloadRow &row) {
        row.state = RowState::Done;
        row.setPercent(100);
    });
    rig.scheduler.housekeepingTick();
    QVERIFY(!rig.scheduler.schedulerTickOn());

    rig.list.addRow(QStringLiteral("http://h/new"), QStringLiteral("n"), QStringLiteral("pdf"), m_folder, {});
    rig.scheduler.housekeepingTick();
    QVERIFY(rig.scheduler.schedulerTickOn());
    QVERIFY(!rig.scheduler.runningIndicator());
    QVERIFY(rig.scheduler.startEnabled());
    rig.scheduler.housekeepingTick();
    QVERIFY(rig.scheduler.runningIndicator());
    QVERIFY(!rig.scheduler.startEnabled());
}

void TestScheduler::handlersIgnoreElementZeroAndMissingRows()
{
    Rig rig;
    rig.list.addRow(stalledUrl(1), QStringLiteral("a"), QStringLiteral("pdf"), m_folder, {});
    rig.scheduler.多线程下载(1, 0, stalledUrl(1), m_folder + QStringLiteral("a.pdf"));
    QVERIFY(rig.scheduler.slotLoaded(1));

    // Slot number 0 never downloads: reports for it change nothing.
    rig.scheduler.onDownloadComplete(0, 1000, 1000, m_folder + QStringLiteral("a.pdf"));
    rig.scheduler.onDownloadError(0, QStringLiteral("无法下载"), m_folder + QStringLiteral("a.pdf"));
    QCOMPARE(rig.list.at(0).state, RowState::Downloading);
    QVERIFY(rig.scheduler.slotLoaded(1));

    // A slot whose row position no longer exists.
    rig.list.removeRowsAt({0});
    rig.scheduler.onDownloadProgress(1, 10, 1000, m_folder + QStringLiteral("a.pdf"));
    rig.scheduler.onDownloadComplete(1, 1000, 1000, m_folder + QStringLiteral("a.pdf"));
    QCOMPARE(rig.list.count(), 0);
    QCOMPARE(rig.session.statusPanel(StatusPanel::Transfer), QString());
    rig.scheduler.stop();
}

void TestScheduler::autoRedownloadRetriesWithNextAlternative()
{
    Rig rig;
    rig.session.options().threadCount = 1;
    rig.session.options().autoRedownload = true;
    rig.session.options().autoRedownloadKind = 0;
    const QString a = closedPortUrl(QStringLiteral("a"));
    const QString b = closedPortUrl(QStringLiteral("b"));
    rig.list.addRow(a + QLatin1Char('|') + b, QStringLiteral("总失败"), QStringLiteral("pdf"), m_folder, {});

    // Automatic re-download switches the tick on by itself.
    rig.scheduler.housekeepingTick();
    QVERIFY(rig.scheduler.schedulerTickOn());
    const QStringList fetched = {a, b, a};
    for (const QString &expected : fetched) {
        m_clock->advanceSeconds(1);
        rig.scheduler.schedulerTick();
        QVERIFY(rig.scheduler.slotLoaded(1));
        QCOMPARE(rig.scheduler.slotInstance(1)->address(), expected);
        QTRY_COMPARE(rig.list.at(0).state, RowState::Failed);
        // Found finished, re-queued with the alternatives rotated, restarted.
        rig.scheduler.housekeepingTick();
        QCOMPARE(rig.list.at(0).state, RowState::Waiting);
        QVERIFY(rig.scheduler.schedulerTickOn());
    }
    QCOMPARE(rig.list.at(0).address, b + QLatin1Char('|') + a);

    rig.scheduler.stop();
    rig.scheduler.housekeepingTick();
    QVERIFY(!rig.scheduler.schedulerTickOn());
}

void TestScheduler::redownloadResets()
{
    DownloadListModel list;
    const auto addRow = [&list, this](const QString &address, const QString &name, const QString &type,
                                      RowState state) {
        list.addRow(address, name, type, m_folder, {});
        const int i = list.count() - 1;
        list.modify(i, [&](DownloadRow &row) {
            row.state = state;
            row.setSize(10);
            row.received = 10;
            row.setPercent(100);
        });
        QFile file(RowFilePath(list.at(i)));
        QVERIFY(file.open(QIODevice::WriteOnly));
    };
    addRow(QStringLiteral("http://h/1|http://h/2"), QStringLiteral("page"), QStringLiteral("htm"), RowState::Failed);
    addRow(QStringLiteral("http://h/3"), QStringLiteral("doc"), QStringLiteral("pdf"), RowState::Done);
    addRow(QStringLiteral("http://h/4|http://h/5|http://h/6"), QStringLiteral("data"), QStringLiteral("xml"),
           RowState::Done);
    QFile stale(m_folder + QStringLiteral("page.xxx"));
    QVERIFY(stale.open(QIODevice::WriteOnly));
    stale.close();

    DownloadScheduler::RedownloadFailedRows(list);
    QCOMPARE(list.at(0).state, RowState::Waiting);
    QCOMPARE(list.at(0).type, QStringLiteral("xxx"));
    QCOMPARE(list.at(0).address, QStringLiteral("http://h/2|http://h/1"));
    QCOMPARE(SizeText(list.at(0)) + ReceivedText(list.at(0)) + ProgressText(list.at(0)), QString());
    QVERIFY(!QFileInfo::exists(m_folder + QStringLiteral("page.htm")));
    QVERIFY(!QFileInfo::exists(m_folder + QStringLiteral("page.xxx")));
    QCOMPARE(list.at(1).state, RowState::Done);
    QCOMPARE(list.at(2).state, RowState::Done);

    // The web-page command: xml too, and its type always becomes "xxx".
    DownloadScheduler::RedownloadPageRows(list);
    QCOMPARE(list.at(1).state, RowState::Done);
    QVERIFY(QFileInfo::exists(m_folder + QStringLiteral("doc.pdf")));
    QCOMPARE(list.at(2).state, RowState::Waiting);
    QCOMPARE(list.at(2).type, QStringLiteral("xxx"));
    QCOMPARE(list.at(2).address, QStringLiteral("http://h/6|http://h/4|http://h/5"));
    QVERIFY(!QFileInfo::exists(m_folder + QStringLiteral("data.xml")));
}

void TestScheduler::errorStopRule_data()
{
    QTest::addColumn<int>("failedRows");
    QTest::addColumn<int>("pageRows");
    QTest::addColumn<bool>("autoRedownload");
    QTest::addColumn<bool>("stays");
    QTest::newRow("five failed") << 5 << 0 << false << false;
    QTest::newRow("four failed") << 4 << 0 << false << true;
    QTest::newRow("three failed, two pages") << 3 << 2 << false << false;
    // Re-queued and restarted in the tick that found the list finished, then
    // switched off again by the rule in that same tick: five page rows stay.
    QTest::newRow("pages, with re-download of failed rows") << 0 << 5 << true << false;
}

void TestScheduler::errorStopRule()
{
    QFETCH(int, failedRows);
    QFETCH(int, pageRows);
    QFETCH(bool, autoRedownload);
    QFETCH(bool, stays);
    Rig rig;
    DownloadOptions &options = rig.session.options();
    options.stopOnErrors = true;
    options.soundPrompt = true;
    options.autoRedownload = autoRedownload;
    for (int i = 0; i < failedRows + pageRows; ++i) {
        rig.list.addRow(QStringLiteral("http://h/%1").arg(i), QStringLiteral("r%1").arg(i),
                        i < failedRows ? QStringLiteral("pdf") : QStringLiteral("HTML"), m_folder, {});
        rig.list.setState(i, i < failedRows ? RowState::Failed : RowState::Done);
    }
    if (!autoRedownload) {
        // A waiting row keeps the list unfinished, so only the rule can stop it.
        rig.list.addRow(QStringLiteral("http://h/w"), QStringLiteral("w"), QStringLiteral("pdf"), m_folder, {});
        rig.scheduler.start();
    }
    rig.scheduler.housekeepingTick();
    QCOMPARE(rig.scheduler.schedulerTickOn(), stays);
    QCOMPARE(m_sounds->played, stays ? QList<int>() : QList<int>({102}));
}

void TestScheduler::maximumSizeBoundary_data()
{
    QTest::addColumn<int>("method");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("extra");
    QTest::addColumn<QString>("progress");
    QTest::newRow("slots, exactly 10 MB") << 2 << qint64(10485760) << QString() << QStringLiteral("100%");
    QTest::newRow("slots, one byte more") << 2 << qint64(10485761) << QString() << QStringLiteral("大文件，跳过");
    QTest::newRow("single, exactly 10 MB") << 1 << qint64(10485760) << QString() << QStringLiteral("100%");
    QTest::newRow("single, one byte more") << 1 << qint64(10485761) << QString() << QStringLiteral("大文件，跳过");
    // No total announced: the body itself is held to the maximum.
    QTest::newRow("slots, no length, too big")
        << 2 << qint64(12000000) << QStringLiteral("&nolength=1") << QStringLiteral("大文件，跳过");
    QTest::newRow("single, no length, too big")
        << 1 << qint64(12000000) << QStringLiteral("&nolength=1") << QStringLiteral("大文件，跳过");
}

void TestScheduler::maximumSizeBoundary()
{
    QFETCH(int, method);
    QFETCH(qint64, size);
    QFETCH(QString, extra);
    QFETCH(QString, progress);
    Rig rig;
    rig.session.options().method = DownloadMethod(method);
    rig.session.options().maxFileSizeMB = 10;
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&size=%1").arg(size) + extra), QStringLiteral("big"),
                    QStringLiteral("pdf"), m_folder, {});
    rig.scheduler.start();
    m_clock->advanceSeconds(1);
    const double before = rig.session.lastFinishTime();
    rig.scheduler.schedulerTick();
    QTRY_VERIFY_WITH_TIMEOUT(rig.list.at(0).state != RowState::Downloading, 30000);
    QCOMPARE(rig.list.at(0).state, RowState::Done);
    QCOMPARE(ProgressText(rig.list.at(0)), progress);
    QVERIFY(rig.session.lastFinishTime() > before);
    const QFileInfo file(m_folder + QStringLiteral("big.pdf"));
    if (progress == QStringLiteral("100%"))
        QCOMPARE(file.size(), size);
    else
        QTRY_COMPARE(filesIn(m_folder), QStringList()); // nothing half-fetched stays
    if (!extra.isEmpty()) // the received bytes are not the document's size
        QCOMPARE(SizeText(rig.list.at(0)), QStringLiteral("未知"));
    QCOMPARE(rig.scheduler.CountSlotInstances(), 1);
}

void TestScheduler::endToEnd_data()
{
    methodRows();
}

// Real ticks on the real clock, both engines, from start to the end of the list.
void TestScheduler::endToEnd()
{
    QFETCH(int, method);
    Clock::setInstance(nullptr);
    Rig rig;
    rig.scheduler.setManualTicks(false);
    rig.session.options().method = DownloadMethod(method);
    rig.session.options().threadCount = 3;
    rig.session.options().soundPrompt = true;
    const QString sub = m_folder + QStringLiteral("新 文件夹/");
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&size=20000")), QStringLiteral("论文:一"), QStringLiteral("pdf"),
                    m_folder, {});
    rig.list.addRow(portalUrl(QStringLiteral("kind=caj&size=3000&ct=application%2Foctet-stream")),
                    QStringLiteral("论文二"), QStringLiteral("pdf"), sub, {});
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&size=5000&nolength=1")), QStringLiteral("无类型"), QString(),
                    m_folder, {});
    rig.list.addRow(portalUrl(QStringLiteral("kind=html&size=800")), QStringLiteral("登录页"), QStringLiteral("pdf"),
                    m_folder, {});
    rig.list.addRow(portalUrl(QStringLiteral("kind=pdf&size=1000&cut=60")), QStringLiteral("半截"),
                    QStringLiteral("pdf"), m_folder, {});
    QSignalSpy tick(&rig.scheduler, &DownloadScheduler::schedulerTickChanged);
    rig.scheduler.start();
    QTRY_VERIFY_WITH_TIMEOUT(!rig.scheduler.schedulerTickOn() && rig.list.检测是否下载列表完毕(), 60000);
    QTRY_VERIFY(rig.scheduler.downloadStopped());

    const auto row = [&rig](int i) { return rig.list.at(i); };
    QCOMPARE(row(0).state, RowState::Done);
    QCOMPARE(row(0).name, QStringLiteral("论文一"));
    QCOMPARE(QFileInfo(m_folder + QStringLiteral("论文一.pdf")).size(), 20000);
    QCOMPARE(row(1).state, RowState::Done);
    QCOMPARE(row(1).type, QStringLiteral("caj"));
    QCOMPARE(QFileInfo(sub + QStringLiteral("论文二.caj")).size(), 3000);
    QCOMPARE(row(2).state, RowState::Done);
    QCOMPARE(row(2).type, QStringLiteral("pdf"));
    QCOMPARE(QFileInfo(m_folder + QStringLiteral("无类型.pdf")).size(), 5000);
    QVERIFY(!QFileInfo::exists(m_folder + QStringLiteral("无类型.")));
    QCOMPARE(row(3).state, RowState::Done);
    QVERIFY2(row(3).type.startsWith(QLatin1String("htm")), qPrintable(row(3).type));
    QCOMPARE(row(4).state, RowState::Failed);
    QVERIFY(rig.session.statusPanel(StatusPanel::Transfer).startsWith(QStringLiteral("完成下载:")));
    QCOMPARE(rig.session.statusPanel(StatusPanel::Counters), QStringLiteral("总数:5 正在下载:0 等待:0 已完成:4 失败:1"));
    // Sounds: the page, the failure, and once the end of the list.
    QCOMPARE(m_sounds->played.count(101), 1);
    QCOMPARE(m_sounds->played.count(103), 1);
    QCOMPARE(m_sounds->played.count(102), 1);
    QCOMPARE(m_sounds->played.last(), 102);
    QCOMPARE(tick.count(), 2);
    const QStringList leftovers = filesIn(m_folder).filter(QStringLiteral(".part"));
    QCOMPARE(leftovers, QStringList());
}

void TestScheduler::embeddedSounds()
{
    QByteArray previous;
    {
        m_sounds.reset();
        MediaSoundPlayer player;
        QCOMPARE(&SoundPlayer::instance(), static_cast<SoundPlayer *>(&player));
        for (int id : {101, 102, 103}) {
            QFile wav(MediaSoundPlayer::resourcePath(id));
            QVERIFY2(wav.open(QIODevice::ReadOnly), qPrintable(wav.fileName()));
            const QByteArray bytes = wav.readAll();
            QCOMPARE(bytes.left(4), QByteArray("RIFF"));
            QCOMPARE(bytes.mid(8, 4), QByteArray("WAVE"));
            QVERIFY(bytes != previous);
            previous = bytes;
            // Heard where there is an output, silent elsewhere; never a failure.
            PlaySoundResource(id);
        }
    }
    QVERIFY(dynamic_cast<SilentSoundPlayer *>(&SoundPlayer::instance()));
}

QTEST_MAIN(TestScheduler)
#include "tst_scheduler.moc"
