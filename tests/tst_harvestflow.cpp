// The harvesting window's work without a browser: the add-all run over a
// scripted page under a ManualClock, the analysis passes and the hand-over,
// the clearing commands and the export, the layout rule, the cache timer and
// the portal address.
#include "common/TextCodec.h"
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSettings.h"
#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/ResultPageParser.h"
#include "harvest/flow/AnalysisListCommands.h"
#include "harvest/flow/AnalysisPass.h"
#include "harvest/flow/CacheClearTimer.h"
#include "harvest/flow/HandOver.h"
#include "harvest/flow/HarvestFlags.h"
#include "harvest/flow/HarvestLayout.h"
#include "harvest/flow/HarvestPage.h"
#include "harvest/flow/MultiPageHarvest.h"
#include "harvest/flow/PageHarvester.h"
#include "harvest/flow/PortalAddress.h"
#include "platform/Clock.h"
#include "platform/SettingsStore.h"
#include "tests/support/ManualClock.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {
const QString kBase = QStringLiteral("http://portal.example/");

// A result page in the portal's markup with `count` results numbered from
// `first`; `next` adds the paging element with its "下一页" link.
QString resultPage(int first, int count, bool next = true, bool verification = false)
{
    QString blocks;
    for (int id = first; id < first + count; ++id) {
        blocks += QStringLiteral("<div class='julei-list'><a onclick='DownLoadFile(\"中文期刊文章\",\"http://\"+"
                                 "location.host+\"/download?id=%1&kind=pdf\",\"%1\",\"pdf\",\"文章%1\",\"1\")'>"
                                 "全文下载</a></div>")
                      .arg(id);
    }
    const QString notice = verification ? AccessBlockedNotice() : QString();
    const QString paging = next ? QStringLiteral("<div id='page'><a href='#'>下一页</a></div>") : QString();
    return QStringLiteral("<html><body>%1<ul id='ul_articlelist'>%2</ul>%3</body></html>").arg(notice, blocks, paging);
}

// A browser stand-in: a row of pages, a click moves to the next one after a
// turn of the event loop, and the load completes at once unless the test
// holds it back (finishLoad() then completes it).
class ScriptedPage final : public HarvestPage
{
public:
    QStringList pages;
    int current = 0;
    int clicks = 0;
    bool loading = false;
    bool holdLoads = false;
    std::function<void()> markupRequested; // runs while the markup is being read

    QString address() const override { return kBase + QStringLiteral("search?page=%1").arg(current + 1); }
    void fetchMarkup(std::function<void(const QString &)> done) override
    {
        if (markupRequested)
            markupRequested();
        const QString markup = pages.value(current);
        QTimer::singleShot(0, this, [done, markup] { done(markup); });
    }
    void clickNextPage(std::function<void(bool)> done) override
    {
        const bool found = pages.value(current).contains(QStringLiteral("下一页"));
        QTimer::singleShot(0, this, [this, done, found] {
            if (!found) {
                done(false);
                return;
            }
            ++clicks;
            loading = true;
            done(true);
            emit loadStarted();
            if (!holdLoads)
                QTimer::singleShot(0, this, [this] { finishLoad(); });
        });
    }
    bool isLoading() const override { return loading; }
    void finishLoad()
    {
        ++current;
        loading = false;
        emit topLevelLoadFinished(true);
    }
};

struct HarvestRig
{
    AnalysisListModel list;
    ScriptedPage page;
    HarvestFlags flags;
    PageHarvester harvester{list, page, flags};
    MultiPageHarvest run{harvester};
    HarvestRig() { harvester.setPortalBase(kBase); }
};

QStringList titles(const AnalysisListModel &list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.at(i).title;
    return out;
}

QStringList statuses(const AnalysisListModel &list)
{
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.at(i).status;
    return out;
}

void fillList(AnalysisListModel &list, const QStringList &itemStatuses)
{
    for (int i = 0; i < itemStatuses.size(); ++i) {
        list.加入LV1(QStringLiteral("文章 %1").arg(i), kBase + QStringLiteral("download?id=%1").arg(i),
                     kBase + QStringLiteral("search"), QStringLiteral("pdf"), QStringLiteral("/tmp/存放/"), QString());
        list.setStatus(i, itemStatuses.at(i));
    }
}
} // namespace

class TestHarvestFlow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void addAllHarvestsEveryPage();
    void addAllEndsOnVerificationPage();
    void addAllPassesOverTooDeepPage();
    void stopDuringDelayHarvestsReachedPage();
    void stopWhileReadingPageClicksNoMore_data();
    void stopWhileReadingPageClicksNoMore();
    void delayCountsFromLoadedPage();
    void loadTimeoutEndsRun();
    void promptSettingAsksFolderOnce();

    void analysisCommands_data();
    void analysisCommands();
    void commandDuringPassRunsAfterIt();
    void emptyListPassStillShowsDownloadWindow();
    void stopEndsPassAfterCurrentItem();
    void saveFolderQuestion();
    void autoAnalysisBox();
    void handOver();
    void browserDownloadItem_data();
    void browserDownloadItem();

    void clearingCommands_data();
    void clearingCommands();
    void clearingRefusedWhileAnalysing();
    void exportWritesAnsiLines();
    void kilobytes_data();
    void kilobytes();

    void layout_data();
    void layout();
    void cacheTimerCountsFromLoad();
    void portalAddress_data();
    void portalAddress();

private:
    QTemporaryDir m_dir;
    ManualClock m_clock;
};

void TestHarvestFlow::init()
{
    SettingsStore::useFile(m_dir.filePath(QStringLiteral("settings.ini")));
    DownloadSettings::instance().reset();
    DownloadSettings::instance().setPromptSaveFolderOnExtract(0);
    Clock::setInstance(&m_clock);
}

void TestHarvestFlow::cleanup()
{
    Clock::setInstance(nullptr);
}

void TestHarvestFlow::addAllHarvestsEveryPage()
{
    HarvestRig rig;
    rig.page.pages = {resultPage(1, 3), resultPage(4, 3), resultPage(7, 2, false)};
    QSignalSpy faces(&rig.run, &MultiPageHarvest::faceChanged);
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);

    rig.run.buttonClicked();
    QCOMPARE(rig.run.face(), MultiPageHarvest::Face::Running);
    QVERIFY(!rig.flags.addAllStop);
    QVERIFY(finished.wait(5000));

    QCOMPARE(rig.list.count(), 8); // each page harvested several times, one item per address
    QCOMPARE(rig.page.clicks, 2);
    QCOMPARE(rig.list.at(7).ref, kBase + QStringLiteral("search?page=3"));
    QVERIFY(rig.flags.addAllStop);
    QCOMPARE(faces.size(), 2);
    QCOMPARE(faces.at(1).at(0).value<MultiPageHarvest::Face>(), MultiPageHarvest::Face::Idle);
}

void TestHarvestFlow::addAllEndsOnVerificationPage()
{
    HarvestRig rig;
    rig.flags.accessBlocked = true; // left from an earlier run: cleared at the start
    rig.page.pages = {resultPage(1, 2), resultPage(3, 2, true, true), resultPage(5, 2)};
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);
    rig.run.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(titles(rig.list), (QStringList{QStringLiteral("文章1"), QStringLiteral("文章2")}));
    QCOMPARE(rig.page.clicks, 1);
    QVERIFY(rig.flags.accessBlocked);
}

void TestHarvestFlow::addAllPassesOverTooDeepPage()
{
    HarvestRig rig;
    const QString deep = QStringLiteral("<html><body>") + QStringLiteral("<div>").repeated(100000)
                         + QStringLiteral("<div id='page'><a href='#'>下一页</a></div></body></html>");
    rig.page.pages = {resultPage(1, 2), deep, resultPage(5, 1, false)};
    QSignalSpy tooDeep(&rig.harvester, &PageHarvester::pageTooDeep);
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);
    rig.run.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(titles(rig.list), (QStringList{QStringLiteral("文章1"), QStringLiteral("文章2"), QStringLiteral("文章5")}));
    QVERIFY(!tooDeep.isEmpty());
    QVERIFY(!rig.flags.accessBlocked);
}

void TestHarvestFlow::stopDuringDelayHarvestsReachedPage()
{
    HarvestRig rig;
    rig.run.delaySeconds = [] { return 30; };
    rig.page.pages = {resultPage(1, 1), resultPage(2, 1), resultPage(3, 1)};
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);
    QSignalSpy faces(&rig.run, &MultiPageHarvest::faceChanged);
    rig.run.start();
    QTRY_COMPARE(rig.page.current, 1); // page 2 is in, the delay runs
    QTest::qWait(3 * MultiPageHarvest::kPollMs);
    QCOMPARE(rig.list.count(), 1);

    rig.run.buttonClicked(); // "停止加入全部"
    QCOMPARE(rig.run.face(), MultiPageHarvest::Face::Stopping);
    QVERIFY(finished.wait(5000));
    QCOMPARE(titles(rig.list), (QStringList{QStringLiteral("文章1"), QStringLiteral("文章2")}));
    QCOMPARE(rig.page.clicks, 1);
    QCOMPARE(faces.last().at(0).value<MultiPageHarvest::Face>(), MultiPageHarvest::Face::Idle);
}

void TestHarvestFlow::stopWhileReadingPageClicksNoMore_data()
{
    QTest::addColumn<bool>("verificationPage");
    QTest::newRow("stop pressed") << false;
    QTest::newRow("run starts on the verification page") << true;
}

// The stop flag and the verification notice are tested between reading a
// page and clicking its next-page link: the portal gets no further request.
void TestHarvestFlow::stopWhileReadingPageClicksNoMore()
{
    QFETCH(bool, verificationPage);
    HarvestRig rig;
    rig.page.pages = {resultPage(1, 2, true, verificationPage), resultPage(3, 2)};
    if (!verificationPage) {
        rig.page.markupRequested = [&rig] {
            if (rig.run.face() == MultiPageHarvest::Face::Running)
                rig.run.buttonClicked(); // "停止加入全部"
        };
    }
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);
    rig.run.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(rig.page.clicks, 0);
    QCOMPARE(rig.run.face(), MultiPageHarvest::Face::Idle);
    QCOMPARE(rig.list.count(), verificationPage ? 0 : 2);
}

void TestHarvestFlow::delayCountsFromLoadedPage()
{
    HarvestRig rig;
    rig.run.delaySeconds = [] { return 3; };
    rig.page.holdLoads = true;
    rig.page.pages = {resultPage(1, 1), resultPage(2, 1), resultPage(3, 1, false)};
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);
    rig.run.start();
    QTRY_COMPARE(rig.page.clicks, 1);
    m_clock.advanceSeconds(10); // a slow page: the delay has not begun
    QTest::qWait(3 * MultiPageHarvest::kPollMs);
    rig.page.finishLoad();
    QTest::qWait(3 * MultiPageHarvest::kPollMs); // the delay starts when the page is in
    m_clock.advanceSeconds(2.9);
    QTest::qWait(4 * MultiPageHarvest::kPollMs);
    QCOMPARE(rig.page.clicks, 1);
    m_clock.advanceSeconds(0.1);
    QTRY_COMPARE(rig.page.clicks, 2);
    rig.page.finishLoad();
    QTest::qWait(3 * MultiPageHarvest::kPollMs);
    m_clock.advanceSeconds(3);
    QVERIFY(finished.wait(5000));
    QCOMPARE(rig.list.count(), 3);
}

void TestHarvestFlow::loadTimeoutEndsRun()
{
    HarvestRig rig;
    rig.page.holdLoads = true;
    rig.page.pages = {resultPage(1, 1), resultPage(2, 1)};
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);
    rig.run.start();
    QTRY_COMPARE(rig.page.clicks, 1);
    m_clock.advanceSeconds(MultiPageHarvest::kLoadTimeoutSeconds);
    QTest::qWait(3 * MultiPageHarvest::kPollMs);
    QVERIFY(rig.run.isRunning()); // 60 s are allowed, only more is too long
    m_clock.advance(1);
    QVERIFY(finished.wait(5000));
    QCOMPARE(rig.list.count(), 1);
}

void TestHarvestFlow::promptSettingAsksFolderOnce()
{
    DownloadSettings &settings = DownloadSettings::instance();
    settings.setPromptSaveFolderOnExtract(1);
    HarvestRig rig;
    rig.page.pages = {resultPage(1, 1), resultPage(2, 1, false)};
    int asked = 0;
    rig.run.askSaveFolder = [&](std::function<void(const SaveFolderChoice &)> done) {
        ++asked;
        settings.setDefaultSaveFolder(QStringLiteral("/data/论文/"));
        QTimer::singleShot(0, [done] { done(SaveFolderChoice()); }); // a cancelled answer: not consulted
    };
    QSignalSpy finished(&rig.run, &MultiPageHarvest::finished);
    rig.run.start();
    QVERIFY(finished.wait(5000));
    QCOMPARE(asked, 1);
    QCOMPARE(rig.list.count(), 2);
    QCOMPARE(rig.list.at(1).保存路径, QStringLiteral("/data/论文/"));
}

void TestHarvestFlow::analysisCommands_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QList<int>>("handed");
    QTest::addColumn<QStringList>("after");
    const QString ok = AnalysisStatus::success();
    const QString bad = AnalysisStatus::failed();
    QTest::newRow("未分析") << int(AnalysisPass::Command::Unanalysed) << QList<int>{0, 3}
                          << QStringList{ok, ok, bad, ok, ok};
    QTest::newRow("失败") << int(AnalysisPass::Command::Failed) << QList<int>{2}
                        << QStringList{QString(), ok, ok, QString(), ok};
    QTest::newRow("选中") << int(AnalysisPass::Command::Selected) << QList<int>{1, 2}
                        << QStringList{QString(), ok, ok, QString(), ok};
    QTest::newRow("全部") << int(AnalysisPass::Command::All) << QList<int>{0, 1, 2, 3, 4}
                        << QStringList{ok, ok, ok, ok, ok};
}

void TestHarvestFlow::analysisCommands()
{
    QFETCH(int, command);
    QFETCH(QList<int>, handed);
    QFETCH(QStringList, after);
    DownloadSettings::instance().setPromptSaveFolderOnExtract(1);
    AnalysisListModel list;
    fillList(list, {QString(), AnalysisStatus::success(), AnalysisStatus::failed(), QString(), AnalysisStatus::success()});
    HarvestFlags flags;
    AnalysisPass pass(list, flags);
    QList<int> got;
    QStringList statusAtHandOver;
    pass.handOver = [&](const AnalysisItem &item) {
        const int row = list.indexOfUrl(item.url);
        got << row;
        statusAtHandOver << list.at(row).status;
        return true;
    };
    pass.isSelected = [](int row) { return row == 1 || row == 2; };
    int shown = 0;
    pass.showDownloadWindow = [&] { ++shown; };
    QSignalSpy progress(&pass, &AnalysisPass::progressVisibleChanged);
    QSignalSpy finished(&pass, &AnalysisPass::finished);

    QSignalSpy commandDone(&pass, &AnalysisPass::commandFinished);
    pass.run(AnalysisPass::Command(command));
    QVERIFY(flags.analysisRunning);
    QVERIFY(pass.commandActive());
    QVERIFY(finished.wait(5000));
    QCOMPARE(commandDone.size(), 1);
    QVERIFY(!pass.commandActive());

    QCOMPARE(got, handed);
    QCOMPARE(statusAtHandOver, QStringList(handed.size(), QString())); // re-analysis empties the status first
    QCOMPARE(statuses(list), after);
    QCOMPARE(shown, 1);
    QCOMPARE(progress.size(), 2);
    QVERIFY(!flags.analysisRunning);
}

// A command given while the auto-analysis pass (or an earlier command) runs
// is not dropped: it runs when that pass ends, and only the end of the
// user's own commands makes "分析下载" usable again.
void TestHarvestFlow::commandDuringPassRunsAfterIt()
{
    DownloadSettings::instance().setPromptSaveFolderOnExtract(1);
    AnalysisListModel list;
    fillList(list, {QString(), AnalysisStatus::failed(), QString()});
    HarvestFlags flags;
    AnalysisPass pass(list, flags);
    QStringList order;
    pass.handOver = [&](const AnalysisItem &item) {
        order << QString::number(list.indexOfUrl(item.url));
        return true;
    };
    QSignalSpy finished(&pass, &AnalysisPass::finished);
    QSignalSpy commandDone(&pass, &AnalysisPass::commandFinished);

    pass.autoTick(); // the auto pass over the unanalysed rows 0 and 2
    QVERIFY(pass.isRunning());
    QVERIFY(!pass.commandActive());
    pass.run(AnalysisPass::Command::Failed);
    pass.run(AnalysisPass::Command::All);
    QVERIFY(pass.commandActive());
    pass.autoTick(); // a waiting command keeps the timer's pass out

    QTRY_COMPARE(finished.size(), 3);
    QCOMPARE(commandDone.size(), 1);
    QCOMPARE(order, (QStringList{"0", "2", "1", "0", "1", "2"}));
    QVERIFY(!pass.commandActive());
    QVERIFY(!flags.analysisRunning);
}

void TestHarvestFlow::emptyListPassStillShowsDownloadWindow()
{
    AnalysisListModel list;
    HarvestFlags flags;
    AnalysisPass pass(list, flags);
    int handed = 0, shown = 0, asked = 0;
    pass.handOver = [&](const AnalysisItem &) { return ++handed > 0; };
    pass.showDownloadWindow = [&] { ++shown; };
    pass.askSaveFolder = [&](std::function<void(const SaveFolderChoice &)> done) {
        ++asked;
        SaveFolderChoice accepted;
        accepted.cancelled = false;
        done(accepted);
    };
    QSignalSpy progress(&pass, &AnalysisPass::progressVisibleChanged);
    QSignalSpy finished(&pass, &AnalysisPass::finished);
    pass.run(AnalysisPass::Command::All);
    QVERIFY(finished.wait(5000));
    QCOMPARE(handed, 0);
    QCOMPARE(asked, 0);
    QCOMPARE(shown, 1);
    QCOMPARE(progress.size(), 2);
}

void TestHarvestFlow::stopEndsPassAfterCurrentItem()
{
    DownloadSettings::instance().setPromptSaveFolderOnExtract(1);
    AnalysisListModel list;
    fillList(list, {AnalysisStatus::success(), AnalysisStatus::success(), AnalysisStatus::success()});
    HarvestFlags flags;
    AnalysisPass pass(list, flags);
    int handed = 0;
    pass.handOver = [&](const AnalysisItem &) {
        if (++handed == 1)
            pass.stop(); // "停止" while the first item is handed over
        return true;
    };
    QSignalSpy finished(&pass, &AnalysisPass::finished);
    pass.run(AnalysisPass::Command::All);
    QVERIFY(finished.wait(5000));
    QCOMPARE(handed, 1);
    QCOMPARE(statuses(list), QStringList(3, AnalysisStatus::success()));
}

void TestHarvestFlow::saveFolderQuestion()
{
    DownloadSettings &settings = DownloadSettings::instance();
    AnalysisListModel list;
    fillList(list, {QString(), QString()});
    HarvestFlags flags;
    AnalysisPass pass(list, flags);
    int handed = 0, asked = 0;
    bool cancel = true;
    pass.handOver = [&](const AnalysisItem &) { return ++handed > 0; };
    pass.askSaveFolder = [&](std::function<void(const SaveFolderChoice &)> done) {
        ++asked;
        SaveFolderChoice answer;
        answer.cancelled = cancel;
        done(answer);
    };
    QSignalSpy finished(&pass, &AnalysisPass::finished);

    pass.run(AnalysisPass::Command::Unanalysed); // prompt setting 0: asked, cancelled
    QVERIFY(finished.wait(5000));
    QCOMPARE(asked, 1);
    QCOMPARE(handed, 0);

    cancel = false;
    pass.run(AnalysisPass::Command::Unanalysed);
    QVERIFY(finished.wait(5000));
    QCOMPARE(asked, 2);
    QCOMPARE(handed, 2);

    settings.setPromptSaveFolderOnExtract(1); // the harvest asked already
    cancel = true; // an earlier cancelled answer plays no part
    pass.run(AnalysisPass::Command::All);
    QVERIFY(finished.wait(5000));
    QCOMPARE(asked, 2);
    QCOMPARE(handed, 4);
}

void TestHarvestFlow::autoAnalysisBox()
{
    DownloadSettings &settings = DownloadSettings::instance();
    AnalysisListModel list;
    HarvestFlags flags;
    AnalysisPass pass(list, flags);
    bool cancel = true;
    int asked = 0;
    pass.askSaveFolder = [&](std::function<void(const SaveFolderChoice &)> done) {
        ++asked;
        SaveFolderChoice answer;
        answer.cancelled = cancel;
        done(answer);
    };
    QSignalSpy box(&pass, &AnalysisPass::autoAnalysisChanged);
    pass.setAutoAnalysisWanted(true);
    QCOMPARE(box.last().at(0).toBool(), false); // cancelled: the box is unticked again
    QVERIFY(!pass.autoAnalysisOn());
    cancel = false;
    pass.setAutoAnalysisWanted(true);
    QCOMPARE(box.last().at(0).toBool(), true);
    QVERIFY(pass.autoAnalysisOn());

    // With the timer on, "分析未分析项" asks nothing; a tick during a pass starts no second one.
    fillList(list, {QString(), QString()});
    int handed = 0;
    pass.handOver = [&](const AnalysisItem &) { return ++handed > 0; };
    QSignalSpy finished(&pass, &AnalysisPass::finished);
    pass.autoTick();
    pass.autoTick();
    QVERIFY(finished.wait(5000));
    QCOMPARE(finished.size(), 1);
    QCOMPARE(handed, 2);
    QCOMPARE(asked, 2);

    pass.setAutoAnalysisWanted(false);
    QVERIFY(!pass.autoAnalysisOn());
    settings.setPromptSaveFolderOnExtract(1);
    pass.setAutoAnalysisWanted(true);
    QVERIFY(pass.autoAnalysisOn());
    QCOMPARE(asked, 2);
}

void TestHarvestFlow::handOver()
{
    DownloadSettings &settings = DownloadSettings::instance();
    DownloadListModel list;
    const QString url = kBase + QStringLiteral("download?id=5&kind=pdf&type=1");
    // Line breaks join the lines; controls (a terminal escape, C1) and bidi
    // marks never reach the name; a tab is a space.
    QVERIFY(加入下载列表(list, url, QStringLiteral("  第一行\r\n第二行\0\x1b[0m\u009B\u202Ecod.exe\u2069\t末  "),
                        QStringLiteral("pdf"),
                        QStringLiteral("/data/a/"), kBase + QStringLiteral("search")));
    QCOMPARE(list.count(), 1);
    const DownloadRow &row = list.at(0);
    QCOMPARE(row.name, QStringLiteral("第一行第二行[0mcod.exe 末"));
    QCOMPARE(row.type, QStringLiteral("pdf"));
    QCOMPARE(row.folder, QStringLiteral("/data/a/"));
    QCOMPARE(row.referrer, kBase + QStringLiteral("search"));
    QCOMPARE(row.state, RowState::Waiting);
    QVERIFY(row.progressEmpty());

    // Already listed: still true, still one row.
    QVERIFY(加入下载列表(list, url, QStringLiteral("别的"), QStringLiteral("pdf"), QString(), QString()));
    QCOMPARE(list.count(), 1);

    // "原文件名": the address's last segment, made safe; an empty folder is
    // DefaultSaveFolder, the stored one when the chooser never opened.
    settings.setKeepSourceFileName(true);
    QVERIFY(加入下载列表(list, kBase + QStringLiteral("docs/report.v2.caj"), QStringLiteral("标题"),
                        QStringLiteral("pdf"), QString(), QString()));
    QVERIFY(加入下载列表(list, url + QStringLiteral("&x"), QStringLiteral("标题"), QStringLiteral("pdf"),
                        QString(), QString()));
    QCOMPARE(list.at(1).name, QStringLiteral("report.v2"));
    QCOMPARE(list.at(1).folder, DownloadSettings::defaultSaveFolderOnRead());
    QCOMPARE(list.at(2).name, QStringLiteral("downloadid=5&kind=pdf&type=1&x"));
}

void TestHarvestFlow::browserDownloadItem_data()
{
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("referrer");
    const QString search = kBase + QStringLiteral("search?q=x");
    QTest::newRow("name and extension") << QStringLiteral("知识图谱.PDF") << search << QStringLiteral("知识图谱")
                                        << QStringLiteral("pdf") << search;
    QTest::newRow("no extension") << QStringLiteral("报告") << search << QStringLiteral("报告") << QString() << search;
    QTest::newRow("no name: from the address") << QString() << search << QStringLiteral("doc") << QString() << search;
    QTest::newRow("a local page is no referrer") << QStringLiteral("a.caj") << QStringLiteral("file:///home/u/p.html")
                                                 << QStringLiteral("a") << QStringLiteral("caj") << QString();
}

void TestHarvestFlow::browserDownloadItem()
{
    QFETCH(QString, suggested);
    QFETCH(QString, page);
    const BrowserDownload item = BrowserDownloadItem(kBase + QStringLiteral("files/doc"), suggested, page);
    QTEST(item.title, "title");
    QTEST(item.type, "type");
    QTEST(item.referrer, "referrer");
}

void TestHarvestFlow::clearingCommands_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QString>("typed"); // scripted input; "-" = cancelled
    QTest::addColumn<QStringList>("left");
    QTest::addColumn<bool>("countRefreshed");
    const QStringList three{QStringLiteral("Alpha"), QStringLiteral("ｂｅｔａ"), QStringLiteral("gamma")};
    QTest::newRow("含: either case, full width") << "含" << QStringList{"Apple", "ｐａｒｔ", "xyz", "Ｂ", "bAr"}
                                               << "A" << QStringList{"xyz", "Ｂ"} << true;
    QTest::newRow("含: adjacent matches") << "含" << QStringList{"论文一", "论文二", "报告", "论文三"} << "论文"
                                        << QStringList{"报告"} << true;
    QTest::newRow("含: empty entry") << "含" << three << "" << three << false;
    QTest::newRow("含: cancelled") << "含" << three << "-" << three << false;
    QTest::newRow("不含") << "不含" << three << "B" << QStringList{"ｂｅｔａ"} << true;
    QTest::newRow("不含: empty list") << "不含" << QStringList() << "x" << QStringList() << false;
    QTest::newRow("成功项") << "成功" << three << "" << QStringList{"ｂｅｔａ"} << true;
    QTest::newRow("选中项") << "选中" << three << "" << QStringList{"Alpha"} << true;
}

void TestHarvestFlow::clearingCommands()
{
    QFETCH(QString, command);
    QFETCH(QStringList, titles);
    QFETCH(QString, typed);
    QFETCH(QStringList, left);
    QFETCH(bool, countRefreshed);
    ScriptedDialogs dialogs;
    dialogs.answerInput(typed == QStringLiteral("-") ? std::nullopt : std::optional<QString>(typed));
    AnalysisListModel list;
    for (int i = 0; i < titles.size(); ++i) {
        list.加入LV1(titles.at(i), QString::number(i), QString(), QStringLiteral("pdf"), QString(), QString());
        if (i != 1)
            list.setStatus(i, AnalysisStatus::success());
    }
    HarvestFlags flags;
    AnalysisListCommands commands(list, flags);
    int refreshed = 0;
    QList<bool> hidden;
    commands.refreshCount = [&] { ++refreshed; };
    commands.hideList = [&](bool h) { hidden << h; };

    if (command == QStringLiteral("含"))
        commands.清除标题含指定字符项();
    else if (command == QStringLiteral("不含"))
        commands.清除标题不含指定字符项();
    else if (command == QStringLiteral("成功"))
        commands.清除分析成功项();
    else
        commands.清除选中项({1, 2, 7});

    QCOMPARE(::titles(list), left);
    QCOMPARE(refreshed, countRefreshed ? 1 : 0);
    const QList<bool> hiddenThenShown{true, false};
    QCOMPARE(hidden, countRefreshed ? hiddenThenShown : QList<bool>());
    const bool asks = command.contains(QStringLiteral("含"));
    QCOMPARE(dialogs.shown().size(), asks ? 1 : 0);
    if (asks)
        QCOMPARE(dialogs.shown().at(0).text, QStringLiteral("请输入指定字符："));
}

void TestHarvestFlow::clearingRefusedWhileAnalysing()
{
    ScriptedDialogs dialogs;
    AnalysisListModel list;
    fillList(list, {QString(), QString()});
    HarvestFlags flags;
    AnalysisListCommands commands(list, flags);
    int refreshed = 0;
    commands.refreshCount = [&] { ++refreshed; };

    dialogs.answerNo();
    commands.清空全部();
    QCOMPARE(list.count(), 2);
    QCOMPARE(dialogs.shown().at(0).icon, MessageIcon::Question);
    QCOMPARE(dialogs.shown().at(0).text, QStringLiteral("您确定要清空辛辛苦苦搜索的列表数据吗？"));
    QCOMPARE(refreshed, 0);

    flags.analysisRunning = true;
    dialogs.clear();
    dialogs.answerYes();
    commands.清空全部();
    commands.清除标题含指定字符项();
    commands.清除选中项({0});
    QCOMPARE(list.count(), 2);
    QCOMPARE(dialogs.messages(), QStringList(3, QStringLiteral("正在分析，不能清除！")));
    QCOMPARE(dialogs.shown().at(0).icon, MessageIcon::Error);

    flags.analysisRunning = false;
    commands.清空全部();
    QCOMPARE(list.count(), 0);
    QCOMPARE(refreshed, 1);
}

void TestHarvestFlow::exportWritesAnsiLines()
{
    ScriptedDialogs dialogs;
    AnalysisListModel list;
    const HarvestFlags flags;
    AnalysisListCommands commands(list, flags);
    commands.导出数据(); // empty list: no dialog at all
    QVERIFY(dialogs.shown().isEmpty());

    list.加入LV1(QStringLiteral("量子【综述】"), QStringLiteral("1"), QString(), QStringLiteral("pdf"), QString(), QString());
    list.加入LV1(QStringLiteral("Second"), QStringLiteral("2"), QString(), QStringLiteral("pdf"), QString(), QString());
    list.加入LV1(QStringLiteral("第三篇"), QStringLiteral("3"), QString(), QStringLiteral("pdf"), QString(), QString());
    list.setStatus(0, AnalysisStatus::success());
    list.setStatus(2, AnalysisStatus::failed());
    const QString path = m_dir.filePath(QStringLiteral("导出.txt"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(5000, 'x')); // replaced, not appended to
    old.close();

    dialogs.answerSaveFile(path);
    commands.导出数据();
    const QString expected = QStringLiteral("量子【综述】-【pdf】成功\r\nSecond-【pdf】\r\n第三篇-【pdf】分析失败\r\n");
    const QByteArray bytes = TestFiles::ReadAll(path);
    QCOMPARE(bytes, EncodeAnsi(expected));
    QCOMPARE(dialogs.shown().at(0).kind, ScriptedDialogs::Kind::SaveFile);
    QCOMPARE(dialogs.shown().at(0).extra, QStringLiteral("*.txt (*.txt)"));
    QCOMPARE(dialogs.lastMessage(), QStringLiteral("保存文件完毕：") + FormatKilobytes(bytes.size()) + QStringLiteral("KB"));

    dialogs.clear();
    dialogs.answerSaveFile(std::nullopt); // no name: nothing written, no message
    commands.导出数据();
    QVERIFY(dialogs.messages().isEmpty());
}

void TestHarvestFlow::kilobytes_data()
{
    QTest::addColumn<qint64>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("1,264,128") << qint64(1264128) << "1,234.5";
    QTest::newRow("2,560") << qint64(2560) << "2.5";
    QTest::newRow("100") << qint64(100) << "0.1";
    QTest::newRow("0") << qint64(0) << "0.0";
    QTest::newRow("2 GB") << qint64(2147483648LL) << "2,097,152.0";
}

void TestHarvestFlow::kilobytes()
{
    QFETCH(qint64, bytes);
    QFETCH(QString, text);
    QCOMPARE(FormatKilobytes(bytes), text);
}

void TestHarvestFlow::layout_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<int>("splitterTop");
    QTest::addColumn<int>("expectedTop");
    QTest::newRow("kept") << QSize(15000, 10000) << 6000 << 6000;
    QTest::newRow("at the lower bound") << QSize(15000, 10000) << 8800 << 8800;
    QTest::newRow("dragged too low") << QSize(15000, 10000) << 8801 << 8000;
    QTest::newRow("dragged above the browser pane") << QSize(15000, 10000) << 100 << 8000;
    QTest::newRow("small window raised to the minimum") << QSize(3000, 2000) << 3000 << 3000;
    QTest::newRow("minimum height, below its bound") << QSize(3000, 2000) << 3900 << 4000;
}

void TestHarvestFlow::layout()
{
    QFETCH(QSize, window);
    QFETCH(int, splitterTop);
    QFETCH(int, expectedTop);
    HarvestLayoutInput in;
    in.window = window;
    in.statusBarHeight = 300;
    in.splitterTop = splitterTop;
    in.splitterHeight = 60;
    in.browserPaneTop = 150;
    in.listOrigin = QPoint(30, 600);
    in.progressPanel = QSize(3000, 900);
    const HarvestLayoutResult out = LayoutHarvestWindow(in);
    const int width = qMax(window.width(), kHarvestMinWidthTwips);
    const int height = qMax(window.height(), kHarvestMinHeightTwips);

    QCOMPARE(out.splitter, QRect(20, expectedTop, width - 300, 60));
    QCOMPARE(out.browserPane, QRect(20, 150, width - 300, expectedTop - 150));
    QCOMPARE(out.listPane, QRect(20, expectedTop + 60, width - 300, qMax(0, height - 300 - expectedTop - 60 - 870)));
    QCOMPARE(out.browser, QRect(20, 0, width - 340, expectedTop - 170));
    QCOMPARE(out.list, QRect(30, 600, out.listPane.width() - 80, qMax(0, out.listPane.height() - 650)));
    QCOMPARE(out.progressPanel.size(), in.progressPanel);
    QVERIFY(qAbs(out.progressPanel.center().x() - out.listPane.width() / 2) <= 1);
    QVERIFY(qAbs(out.progressPanel.center().y() - out.listPane.height() / 2) <= 1);
}

void TestHarvestFlow::cacheTimerCountsFromLoad()
{
    CacheClearTimer timer;
    bool ticked = false;
    int cleared = 0;
    timer.clearingWanted = [&] { return ticked; };
    timer.clearCache = [&] { ++cleared; };
    for (int i = 0; i < 300; ++i)
        timer.tick();
    ticked = true; // five minutes after the load
    for (int i = 0; i < 299; ++i)
        timer.tick();
    QCOMPARE(cleared, 0);
    timer.tick(); // the 600th tick since the load
    QCOMPARE(cleared, 1);
    QCOMPARE(timer.ticks(), 0);
    ticked = false;
    for (int i = 0; i < 600; ++i)
        timer.tick();
    QCOMPARE(cleared, 1); // unticked at the 600th tick: no clearing
}

void TestHarvestFlow::portalAddress_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("base");
    QTest::newRow("root with slash") << "http://127.0.0.1:8642/" << "http://127.0.0.1:8642/";
    QTest::newRow("no slash") << "http://127.0.0.1:8642" << "http://127.0.0.1:8642/";
    QTest::newRow("no scheme") << " portal.example:81 " << "http://portal.example:81/";
    QTest::newRow("https with path") << "https://portal.example/wenxian" << "https://portal.example/wenxian/";
    QTest::newRow("query dropped") << "http://portal.example/?a=1#x" << "http://portal.example/";
    QTest::newRow("ftp refused") << "ftp://portal.example/" << "";
    QTest::newRow("empty") << "  " << "";
    QTest::newRow("no host") << "http:///x" << "";
}

void TestHarvestFlow::portalAddress()
{
    QFETCH(QString, typed);
    QFETCH(QString, base);
    QCOMPARE(PortalAddress::normalizedBase(typed), base);

    PortalAddress portal;
    SettingsStore::instance().write(QStringLiteral("fWebSearch"), QStringLiteral("门户网址"), typed);
    SettingsStore::instance().write(QStringLiteral("fWebSearch"), QStringLiteral("门户名称"), QStringLiteral("样例"));
    portal.load();
    QCOMPARE(portal.base(), base.isEmpty() ? PortalAddress::defaultBase() : base);
    QCOMPARE(portal.home() + u'/', portal.base());
    QCOMPARE(portal.name(), QStringLiteral("样例"));
    QCOMPARE(portal.overrideBase(typed), !base.isEmpty());
}

QTEST_GUILESS_MAIN(TestHarvestFlow)
#include "tst_harvestflow.moc"
