// The download slot against the sample portal over loopback: what each kind
// of answer ends as, the watchdog on a test clock, and that an existing file
// survives everything but a complete new copy.
#include "download/engines/SlotDownloader.h"
#include "platform/Clock.h"
#include "tests/support/FileFaults.h"
#include "tests/support/HttpScripts.h"
#include "tests/support/ManualClock.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestFiles;

namespace {

struct SlotResult
{
    bool ended = false;
    QString event;      // "complete" or "error"
    qint64 cur = -1;
    qint64 max = -1;
    QString missCode;
    int progressCount = 0;
};

} // namespace

class TstSlotDownloader final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void outcomes_data();
    void outcomes();
    void addressIsCleaned();
    void refusesWhatIsNotHttp_data();
    void refusesWhatIsNotHttp();
    void streamsIntoTemporaryFileNotTarget();
    void watchdog_data();
    void watchdog();
    void existingFileSurvives_data();
    void existingFileSurvives();
    void readOnlyExistingFileIsLeftAlone();
    void unloadingAbandonsTransfer_data();
    void unloadingAbandonsTransfer();
    void bodyWithoutTotalOverMaximum();
    void sixSlotsAtOnce();
    void hostileServers_data();
    void hostileServers();
    void silentServerTimesOut_data();
    void silentServerTimesOut();
    void diskFaults_data();
    void diskFaults();

private:
    // On the test clock: no end one second before `seconds`, "超时" at it.
    void timesOutAfter(SlotDownloader &slot, QSignalSpy &error, int seconds);
    SlotResult run(SlotDownloader &slot, const QString &url, const QString &save, int timeoutMs = 15000);
    QString savePath(const QString &name) const { return m_dir.filePath(name); }

    PortalProcess m_portal;
    QNetworkAccessManager m_network;
    QTemporaryDir m_dir;
    std::unique_ptr<ManualClock> m_clock;
};

void TstSlotDownloader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_portal.start(), qPrintable(m_portal.errorString()));
}

void TstSlotDownloader::cleanup()
{
    Clock::setInstance(nullptr);
    m_clock.reset();
    // Each test starts in an empty folder.
    const auto entries = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : entries) {
        QFile::setPermissions(m_dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner);
        QFile::remove(m_dir.filePath(name));
    }
}

SlotResult TstSlotDownloader::run(SlotDownloader &slot, const QString &url, const QString &save, int timeoutMs)
{
    SlotResult result;
    QSignalSpy progress(&slot, &SlotDownloader::DownloadProgress);
    QSignalSpy complete(&slot, &SlotDownloader::DownloadComplete);
    QSignalSpy error(&slot, &SlotDownloader::DownloadError);
    slot.BeginDownload(url, save, QStringLiteral("http://referrer.invalid/"));
    result.ended = QTest::qWaitFor([&] { return complete.count() + error.count() > 0; }, timeoutMs);
    QTest::qWait(20); // a second end event would show up here
    result.progressCount = int(progress.count());
    if (complete.count() + error.count() != 1)
        return result;
    if (!complete.isEmpty()) {
        result.event = QStringLiteral("complete");
        result.cur = complete.at(0).at(0).toLongLong();
        result.max = complete.at(0).at(1).toLongLong();
        if (complete.at(0).at(2).toString() != save)
            result.event = QStringLiteral("wrong save path");
    } else {
        result.event = QStringLiteral("error");
        result.missCode = error.at(0).at(0).toString();
        if (error.at(0).at(1).toString() != save)
            result.event = QStringLiteral("wrong save path");
    }
    return result;
}

void TstSlotDownloader::outcomes_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("event");
    QTest::addColumn<qint64>("cur");
    QTest::addColumn<qint64>("max");
    QTest::addColumn<QString>("missCode");
    QTest::addColumn<qint64>("fileSize"); // -1: no file at the save path
    QTest::addColumn<QByteArray>("fileStart");
    QTest::addColumn<bool>("progressSeen");

    const QByteArray pdf("%PDF");
    QTest::newRow("complete 1000 of 1000") << "file?kind=pdf&size=1000" << "complete" << 1000LL << 1000LL << ""
                                           << 1000LL << pdf << true;
    // The row shows 60% and fails; no cut body stands under the document's name.
    QTest::newRow("closed after 60%: no file") << "file?kind=pdf&size=1000&cut=60" << "complete" << 600LL << 1000LL
                                               << "" << -1LL << QByteArray() << true;
    QTest::newRow("no total: progress ignored, whole-body fallback")
        << "file?kind=pdf&size=1000&nolength=1" << "complete" << 1000LL << 1000LL << "" << 1000LL << pdf << false;
    QTest::newRow("chunked, no total") << "file?kind=caj&size=5000&chunked=1" << "complete" << 5000LL << 5000LL << ""
                                       << 5000LL << QByteArray("\xC8\x00\x00\x00", 4) << false;
    QTest::newRow("one byte without total") << "file?kind=bin&size=1&nolength=1" << "error" << -1LL << -1LL
                                            << "无法下载" << -1LL << QByteArray() << false;
    QTest::newRow("empty body") << "file?kind=pdf&size=0" << "error" << -1LL << -1LL << "无法下载" << -1LL
                                << QByteArray() << false;
    QTest::newRow("404 page is saved as the row's file") << "file?kind=pdf&status=404" << "complete" << -2LL
                                                         << -2LL << "" << -2LL << QByteArray("<!DOCTYPE") << true;
    QTest::newRow("500 page") << "file?kind=pdf&status=500" << "complete" << -2LL << -2LL << "" << -2LL
                              << QByteArray("<!DOCTYPE") << true;
    QTest::newRow("redirect chain") << "file?kind=pdf&size=2000&redirects=4" << "complete" << 2000LL << 2000LL << ""
                                    << 2000LL << pdf << true;
    QTest::newRow("ten redirects, the most followed") << "file?kind=pdf&size=2000&redirects=10" << "complete"
                                                      << 2000LL << 2000LL << "" << 2000LL << pdf << true;
    QTest::newRow("eleven redirects") << "file?kind=pdf&size=2000&redirects=11" << "error" << -1LL << -1LL
                                      << "无法下载" << -1LL << QByteArray() << false;
    QTest::newRow("too many redirects") << "file?kind=pdf&size=2000&redirects=15" << "error" << -1LL << -1LL
                                        << "无法下载" << -1LL << QByteArray() << false;
    QTest::newRow("redirect to ftp is not followed") << "file?kind=pdf&badscheme=1" << "error" << -1LL << -1LL
                                                     << "无法下载" << -1LL << QByteArray() << false;
    // Qt drops the whole header block over a line without a colon: no total,
    // so the document comes through the fallback.
    QTest::newRow("garbage header line") << "file?kind=pdf&size=1000&garbage=1" << "complete" << 1000LL << 1000LL
                                         << "" << 1000LL << pdf << false;
}

void TstSlotDownloader::outcomes()
{
    QFETCH(QString, query);
    QFETCH(QString, event);
    QFETCH(qint64, cur);
    QFETCH(qint64, max);
    QFETCH(QString, missCode);
    QFETCH(qint64, fileSize);
    QFETCH(QByteArray, fileStart);
    QFETCH(bool, progressSeen);

    const QString save = savePath(QStringLiteral("报告.pdf"));
    SlotDownloader slot(m_network);
    const SlotResult result = run(slot, m_portal.url(query), save);
    QVERIFY(result.ended);
    QCOMPARE(result.event, event);
    QCOMPARE(result.missCode, missCode);
    if (cur == -2) { // an error page whose length the portal decides: complete and consistent
        QVERIFY(result.cur > 0);
        QCOMPARE(result.max, result.cur);
        QCOMPARE(QFileInfo(save).size(), result.cur);
    } else {
        QCOMPARE(result.cur, cur);
        QCOMPARE(result.max, max);
    }
    QCOMPARE(result.progressCount > 0, progressSeen);
    if (fileSize == -1) {
        // Nothing arrived: the empty name reservation is gone again.
        QVERIFY(!QFileInfo::exists(save));
    } else {
        if (fileSize >= 0)
            QCOMPARE(QFileInfo(save).size(), fileSize);
        QVERIFY(ReadAll(save).startsWith(fileStart));
    }
    QCOMPARE(FilesUnder(m_dir.path()), fileSize == -1 ? QStringList() : QStringList{QStringLiteral("报告.pdf")});
}

void TstSlotDownloader::timesOutAfter(SlotDownloader &slot, QSignalSpy &error, int seconds)
{
    m_clock->advanceSeconds(seconds - 1);
    slot.watchdogTick();
    QCOMPARE(error.count(), 0);
    m_clock->advanceSeconds(1);
    slot.watchdogTick();
    QCOMPARE(error.count(), 1);
    QCOMPARE(error.at(0).at(0).toString(), QStringLiteral("超时"));
}

void TstSlotDownloader::addressIsCleaned()
{
    const QString save = savePath(QStringLiteral("a.pdf"));
    SlotDownloader slot(m_network);
    const SlotResult result =
        run(slot, QStringLiteral("  ") + m_portal.url(QStringLiteral("file?kind=pdf&amp;size=1234&AMP;cd=none  ")), save);
    QCOMPARE(slot.address(), m_portal.url(QStringLiteral("file?kind=pdf&size=1234&cd=none")));
    QCOMPARE(slot.saveFile(), save);
    QCOMPARE(result.event, QStringLiteral("complete"));
    QCOMPARE(result.cur, 1234);
}

void TstSlotDownloader::refusesWhatIsNotHttp_data()
{
    QTest::addColumn<QString>("url");
    QTest::newRow("local file") << QStringLiteral("file:///etc/hostname");
    QTest::newRow("ftp") << QStringLiteral("ftp://127.0.0.1/x.pdf");
    QTest::newRow("no scheme") << QStringLiteral("127.0.0.1/x.pdf");
    QTest::newRow("nobody listening") << QStringLiteral("http://127.0.0.1:1/x.pdf");
}

void TstSlotDownloader::refusesWhatIsNotHttp()
{
    QFETCH(QString, url);
    const QString save = savePath(QStringLiteral("x.pdf"));
    SlotDownloader slot(m_network);
    const SlotResult result = run(slot, url, save);
    QCOMPARE(result.event, QStringLiteral("error"));
    QCOMPARE(result.missCode, QStringLiteral("无法下载"));
    QVERIFY(!QFileInfo::exists(save));
    QCOMPARE(FilesUnder(m_dir.path()), QStringList());
}

void TstSlotDownloader::streamsIntoTemporaryFileNotTarget()
{
    // While the portal pauses after 300 000 of 1 000 000 bytes, those bytes
    // are on disk in a temporary file, and the target is only the empty
    // name reservation.
    const QString save = savePath(QStringLiteral("大.pdf"));
    SlotDownloader slot(m_network);
    QSignalSpy progress(&slot, &SlotDownloader::DownloadProgress);
    slot.BeginDownload(m_portal.url(QStringLiteral("file?kind=pdf&size=1000000&stall=30&after=300000")), save, {});
    QVERIFY(QFileInfo::exists(save)); // the name is taken at once
    QVERIFY(QTest::qWaitFor([&] { return !progress.isEmpty() && progress.last().at(0).toLongLong() == 300000; }, 10000));
    QCOMPARE(progress.last().at(1).toLongLong(), 1000000);
    QCOMPARE(progress.last().at(2).toString(), save);
    QCOMPARE(QFileInfo(save).size(), 0);
    QStringList temporary = FilesUnder(m_dir.path());
    temporary.removeOne(QStringLiteral("大.pdf"));
    QCOMPARE(temporary.size(), 1);
    QVERIFY(temporary.at(0).startsWith(QLatin1String(".lh-")));
    QVERIFY(QTest::qWaitFor([&] { return QFileInfo(m_dir.filePath(temporary.at(0))).size() == 300000; }, 5000));
}

void TstSlotDownloader::watchdog_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("totalKnown");
    QTest::newRow("stalled with a total") << "file?kind=pdf&size=1000&stall=600&after=100" << true;
    QTest::newRow("stalled without a total") << "file?kind=pdf&size=1000&nolength=1&stall=600&after=100" << false;
}

void TstSlotDownloader::watchdog()
{
    QFETCH(QString, query);
    QFETCH(bool, totalKnown);
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());

    const QString save = savePath(QStringLiteral("w.pdf"));
    SlotDownloader slot(m_network);
    QSignalSpy progress(&slot, &SlotDownloader::DownloadProgress);
    QSignalSpy error(&slot, &SlotDownloader::DownloadError);
    slot.BeginDownload(m_portal.url(query), save, {});
    if (totalKnown) {
        QVERIFY(QTest::qWaitFor([&] { return !progress.isEmpty(); }, 10000));
        m_clock->advanceSeconds(200);
        slot.watchdogTick(); // the count changed: the 300 s start again from here
    } else {
        QTest::qWait(300); // the 100 bytes arrive, but no progress without a total
        QCOMPARE(progress.count(), 0);
    }
    timesOutAfter(slot, error, 300);
    QCOMPARE(error.at(0).at(1).toString(), save);
    slot.watchdogTick();
    QCOMPARE(error.count(), 1);
    QVERIFY(!QFileInfo::exists(save));
    QCOMPARE(FilesUnder(m_dir.path()), QStringList());
}

void TstSlotDownloader::existingFileSurvives_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("event");
    QTest::addColumn<bool>("replaced");
    QTest::newRow("complete copy replaces it") << "file?kind=pdf&size=3000" << "complete" << true;
    QTest::newRow("short copy does not") << "file?kind=pdf&size=3000&cut=60" << "complete" << false;
    QTest::newRow("error page does not") << "file?kind=pdf&status=500" << "error" << false;
    QTest::newRow("refused redirect does not") << "file?kind=pdf&badscheme=1" << "error" << false;
    QTest::newRow("nothing at all does not") << "file?kind=pdf&size=0" << "error" << false;
    // The portal's sign-in gate answers 200 with its form, as real portals do.
    QTest::newRow("sign-in page does not") << "file?kind=pdf&login=1" << "error" << false;
    QTest::newRow("page without a total does not") << "file?kind=html&size=800&nolength=1" << "error" << false;
}

void TstSlotDownloader::existingFileSurvives()
{
    QFETCH(QString, query);
    QFETCH(QString, event);
    QFETCH(bool, replaced);
    // Overwrite mode: the scheduler hands over the path of a file that is there.
    const QString save = savePath(QStringLiteral("旧.pdf"));
    const QByteArray old("%PDF-1.4 the copy the user already has");
    QVERIFY(WriteFile(save, old));
    SlotDownloader slot(m_network);
    const SlotResult result = run(slot, m_portal.url(query), save);
    QCOMPARE(result.event, event);
    const QByteArray now = ReadAll(save);
    if (replaced) {
        QCOMPARE(now.size(), 3000);
        QVERIFY(now.startsWith("%PDF"));
    } else {
        QCOMPARE(now, old);
    }
    if (event == QLatin1String("complete") && !replaced)
        QVERIFY(result.cur < result.max); // the row still ends below 100%
    QCOMPARE(FilesUnder(m_dir.path()), QStringList({QStringLiteral("旧.pdf")}));
}

void TstSlotDownloader::readOnlyExistingFileIsLeftAlone()
{
    const QString save = savePath(QStringLiteral("ro.pdf"));
    QVERIFY(WriteFile(save, "keep me"));
    QVERIFY(QFile::setPermissions(save, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    SlotDownloader slot(m_network);
    const SlotResult result = run(slot, m_portal.url(QStringLiteral("file?kind=pdf&size=1000")), save);
    QCOMPARE(result.event, QStringLiteral("error"));
    QCOMPARE(result.missCode, QStringLiteral("无法下载"));
    QCOMPARE(ReadAll(save), QByteArray("keep me"));
}

void TstSlotDownloader::unloadingAbandonsTransfer_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("new name: reservation removed") << false;
    QTest::newRow("existing file kept") << true;
}

void TstSlotDownloader::unloadingAbandonsTransfer()
{
    QFETCH(bool, existing);
    // What the stop command and "大文件，跳过" do: the window deletes the slot mid-transfer.
    const QString save = savePath(QStringLiteral("u.pdf"));
    if (existing)
        QVERIFY(WriteFile(save, "old"));
    auto slot = std::make_unique<SlotDownloader>(m_network);
    QSignalSpy progress(slot.get(), &SlotDownloader::DownloadProgress);
    slot->BeginDownload(m_portal.url(QStringLiteral("file?kind=pdf&size=100000&stall=30&after=5000")), save, {});
    QVERIFY(QTest::qWaitFor([&] { return !progress.isEmpty() && progress.last().at(0).toLongLong() == 5000; }, 10000));
    slot.reset();
    QTest::qWait(50);
    if (existing)
        QCOMPARE(ReadAll(save), QByteArray("old"));
    else
        QVERIFY(!QFileInfo::exists(save));
    QCOMPARE(FilesUnder(m_dir.path()), existing ? QStringList{QStringLiteral("u.pdf")} : QStringList());
}

void TstSlotDownloader::bodyWithoutTotalOverMaximum()
{
    // No total to judge by: once more than the maximum has arrived the slot
    // reports it as the total (the window then skips the row as too big) and
    // stops, keeping nothing.
    const QString save = savePath(QStringLiteral("big.pdf"));
    SlotDownloader slot(m_network);
    slot.setMaximumBytes(100000);
    QSignalSpy progress(&slot, &SlotDownloader::DownloadProgress);
    const SlotResult result = run(slot, m_portal.url(QStringLiteral("file?kind=pdf&size=5000000&chunked=1")), save);
    QCOMPARE(progress.count(), 1);
    const qint64 reported = progress.at(0).at(0).toLongLong();
    QVERIFY(reported > 100000 && reported < 5000000);
    QCOMPARE(progress.at(0).at(1).toLongLong(), 0); // no total known
    QCOMPARE(result.event, QStringLiteral("error"));
    QCOMPARE(FilesUnder(m_dir.path()), QStringList());
}

void TstSlotDownloader::sixSlotsAtOnce()
{
    // Six transfers interleave on one thread; each file must hold exactly
    // its own document, byte for byte as a plain fetch sees it.
    const QStringList kinds{"pdf", "caj", "kdh", "nh", "zip", "png"};
    std::vector<std::unique_ptr<SlotDownloader>> engines;
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (int i = 0; i < 6; ++i) {
        engines.push_back(std::make_unique<SlotDownloader>(m_network));
        spies.push_back(std::make_unique<QSignalSpy>(engines.back().get(), &SlotDownloader::DownloadComplete));
        const QString query = QStringLiteral("file?kind=%1&size=%2&trickle=400000").arg(kinds[i]).arg(300000 + i * 7777);
        engines.back()->BeginDownload(m_portal.url(query), savePath(QStringLiteral("s%1.%2").arg(i).arg(kinds[i])), {});
    }
    QVERIFY(QTest::qWaitFor([&] {
        for (const auto &spy : spies)
            if (spy->isEmpty())
                return false;
        return true;
    }, 30000));
    for (int i = 0; i < 6; ++i) {
        const qint64 size = 300000 + i * 7777;
        QCOMPARE(spies[i]->at(0).at(0).toLongLong(), size);
        QNetworkReply *reply = m_network.get(QNetworkRequest(
            QUrl(m_portal.url(QStringLiteral("file?kind=%1&size=%2").arg(kinds[i]).arg(size)))));
        QVERIFY(QTest::qWaitFor([&] { return reply->isFinished(); }, 10000));
        QCOMPARE(ReadAll(savePath(QStringLiteral("s%1.%2").arg(i).arg(kinds[i]))), reply->readAll());
        reply->deleteLater();
    }
}

using namespace HttpScripts;

// Answers the sample portal never gives. Each ends as the row's rules say,
// and whatever comes, nothing but a whole document (or, on a new name, the
// web page an error status shows) ends up under the save name, an existing
// file survives everything but a whole new copy, and no temporary file stays.
void TstSlotDownloader::hostileServers_data()
{
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("event");
    QTest::addColumn<QString>("outcome"); // "new": the answer's body is the file; "old"; "none"
    QTest::addColumn<QString>("reason");

    const HostileAnswers a;

    for (bool existing : {false, true}) {
        const char *suffix = existing ? " over an existing file" : "";
        const QString kept = existing ? QStringLiteral("old") : QStringLiteral("none");
        const auto row = [suffix](const char *name, const QByteArray &response) -> QTestData & {
            return QTest::newRow(qPrintable(QString::fromUtf8(name) + QString::fromUtf8(suffix))) << response;
        };

        row("403 with a text body", Head("403 Forbidden", "Content-Type: text/plain\r\n" + Length(a.denied)) + a.denied)
            << false << existing << "error" << kept << "HTTP status 403";
        row("500 with a PDF body, no length", Head("500 Internal Server Error", a.pdfType) + a.pdf)
            << false << existing << "error" << kept << "HTTP status 500";
        row("403 page", Head("403 Forbidden", "Content-Type: text/html\r\n" + Length(a.page)) + a.page)
            << false << existing << (existing ? "error" : "complete") << (existing ? "old" : "new") << "";
        row("no length, reset inside a PDF", Head("200 OK", a.pdfType) + a.cutPdf)
            << true << existing << "error" << kept << "ended short";
        row("no length, whole PDF", Head("200 OK", a.pdfType) + a.pdf)
            << false << existing << (existing ? "error" : "complete") << (existing ? "old" : "new")
            << (existing ? "end is not known" : "");
        row("chunked, whole PDF", Head("200 OK", a.pdfType + a.chunked) + Chunked(a.pdf))
            << false << existing << "complete" << "new" << "";
        row("chunked, bad size line inside a PDF",
            Head("200 OK", a.pdfType + a.chunked) + "2ee0\r\n" + a.cutPdf + "\r\nzz\r\n" + a.pdf.mid(12000)
                + "\r\n0\r\n\r\n")
            << false << existing << "error" << kept << "ended short";
        row("chunked, reset inside a chunk", Head("200 OK", a.pdfType + a.chunked) + "4e20\r\n" + a.cutPdf)
            << true << existing << "error" << kept << "ended short";
        row("length above the body", Head("200 OK", a.pdfType + "Content-Length: 30000\r\n") + a.pdf)
            << false << existing << "complete" << kept << "ended short";
        row("gzip although none was asked for",
            Head("200 OK", a.pdfType + "Content-Encoding: gzip\r\n" + Length(a.pdf)) + a.pdf)
            << false << existing << "error" << kept << "encoded body (gzip)";
        row("80 KB of header fields", Head("200 OK", a.fields80k + Length(a.pdf)) + a.pdf)
            << false << existing << "error" << kept << "headers over the limit";
        // Qt drops a header block this large, length included: the body's
        // end is then not known.
        const QString unknownEnd = existing ? QStringLiteral("end is not known") : QString();
        row("1 MB header line", Head("200 OK", a.bigLine + Length(a.pdf)) + a.pdf)
            << false << existing << (existing ? "error" : "complete") << (existing ? "old" : "new") << unknownEnd;
        row("10 000 header fields", Head("200 OK", a.manyFields + Length(a.pdf)) + a.pdf)
            << false << existing << (existing ? "error" : "complete") << (existing ? "old" : "new") << unknownEnd;
    }
}

void TstSlotDownloader::hostileServers()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, reset);
    QFETCH(bool, existing);
    QFETCH(QString, event);
    QFETCH(QString, outcome);
    QFETCH(QString, reason);

    ScriptedServer server(response, reset ? ScriptedServer::End::Reset : ScriptedServer::End::Close);
    QVERIFY(server.start());
    const QString save = savePath(QStringLiteral("文献.pdf"));
    const QByteArray old("%PDF-1.4 the copy the user already has\n%%EOF\n");
    if (existing)
        QVERIFY(WriteFile(save, old));
    SlotDownloader slot(m_network);
    const SlotResult result = run(slot, QString::fromLatin1(server.base() + "doc.pdf"), save, 30000);
    QVERIFY(result.ended);
    QCOMPARE(result.event, event);
    if (event == QLatin1String("complete") && outcome != QLatin1String("new"))
        QVERIFY2(result.cur < result.max, "a short body is never reported whole");
    QVERIFY2(slot.lastReason().contains(reason), qPrintable(slot.lastReason()));
    if (outcome == QLatin1String("new")) {
        const QByteArray body = response.mid(response.indexOf("\r\n\r\n") + 4);
        const QByteArray file = ReadAll(save);
        QVERIFY(file.startsWith(response.contains("%PDF") ? "%PDF" : "<!DOCTYPE"));
        QVERIFY(body.contains(file.right(7)));
        QCOMPARE(result.cur, QFileInfo(save).size());
    } else if (outcome == QLatin1String("old")) {
        QCOMPARE(ReadAll(save), old);
    } else {
        QVERIFY(!QFileInfo::exists(save));
    }
    QCOMPARE(FilesUnder(m_dir.path()), outcome == QLatin1String("none") ? QStringList() : QStringList{QStringLiteral("文献.pdf")});
}

// A server that accepts the connection and never answers, or never ends its
// header block: the slot gives the headers 30 seconds (on the test clock),
// then ends with "超时".
void TstSlotDownloader::silentServerTimesOut_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::newRow("never answers") << QByteArray();
    QTest::newRow("header block never ends") << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\n");
}

void TstSlotDownloader::silentServerTimesOut()
{
    QFETCH(QByteArray, script);
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
    ScriptedServer server(script, ScriptedServer::End::Hold);
    QVERIFY(server.start());
    const QString save = savePath(QStringLiteral("静.pdf"));
    SlotDownloader slot(m_network);
    QSignalSpy error(&slot, &SlotDownloader::DownloadError);
    slot.BeginDownload(QString::fromLatin1(server.base() + "doc.pdf"), save, {});
    QTest::qWait(300);
    timesOutAfter(slot, error, 30);
    QVERIFY(slot.lastReason().contains(QLatin1String("no response headers")));
    QCOMPARE(FilesUnder(m_dir.path()), QStringList());
}

// The disk fails under the transfer: each time the slot ends with
// "无法下载", an existing document keeps its bytes, nothing else stays in the
// folder, and the next download into the folder works once the fault is gone.
void TstSlotDownloader::diskFaults_data()
{
    QTest::addColumn<int>("operation");
    QTest::addColumn<int>("error");
    QTest::addColumn<qint64>("allowed");
    QTest::addColumn<QString>("name"); // relative to the folder
    QTest::addColumn<bool>("existing");

    const int write = int(FileFaults::Operation::Write);
    const int create = int(FileFaults::Operation::Create);
    const int rename = int(FileFaults::Operation::Rename);
    for (bool existing : {false, true}) {
        const QString suffix = existing ? QStringLiteral(" over an existing file") : QString();
        QTest::newRow(qPrintable("disk full from the start" + suffix)) << write << ENOSPC << 0LL << "满.pdf" << existing;
        QTest::newRow(qPrintable("disk full in the middle" + suffix)) << write << ENOSPC << 100000LL << "满.pdf" << existing;
        QTest::newRow(qPrintable("read-only folder" + suffix)) << create << EROFS << 0LL << "只读.pdf" << existing;
        QTest::newRow(qPrintable("permission denied" + suffix)) << create << EACCES << 0LL << "禁.pdf" << existing;
        QTest::newRow(qPrintable("rename refused" + suffix)) << rename << EACCES << 0LL << "改.pdf" << existing;
    }
    QTest::newRow("folder that is a file") << -1 << 0 << 0LL << "文件/doc.pdf" << false;
    QTest::newRow("name the file system refuses") << -1 << 0 << 0LL << QString(300, QLatin1Char('n')) + ".pdf" << false;
}

void TstSlotDownloader::diskFaults()
{
    QFETCH(int, operation);
    QFETCH(int, error);
    QFETCH(qint64, allowed);
    QFETCH(QString, name);
    QFETCH(bool, existing);

    const QString url = m_portal.url(QStringLiteral("file?kind=pdf&size=300000"));
    const QString save = savePath(name);
    const QByteArray old("%PDF-1.4 the copy the user already has\n%%EOF\n");
    QStringList expected;
    if (name.contains(QLatin1Char('/'))) {
        QVERIFY(WriteFile(savePath(QStringLiteral("文件")), "a file, not a folder"));
        expected << QStringLiteral("文件");
    }
    if (existing) {
        QVERIFY(WriteFile(save, old));
        expected << name;
    }
    {
        std::unique_ptr<FileFaults::Armed> fault;
        if (operation >= 0)
            fault = std::make_unique<FileFaults::Armed>(
                FileFaults::Fault{m_dir.path() + QLatin1Char('/'), FileFaults::Operation(operation), error, allowed});
        SlotDownloader slot(m_network);
        const SlotResult result = run(slot, url, save);
        QCOMPARE(result.event, QStringLiteral("error"));
        QCOMPARE(result.missCode, QStringLiteral("无法下载"));
        if (fault)
            QVERIFY(fault->refusals() > 0);
    }
    if (existing)
        QCOMPARE(ReadAll(save), old);
    QCOMPARE(FilesUnder(m_dir.path()), expected);

    const QString next = savePath(QStringLiteral("下一个.pdf"));
    SlotDownloader slot(m_network);
    const SlotResult after = run(slot, url, next);
    QCOMPARE(after.event, QStringLiteral("complete"));
    QCOMPARE(QFileInfo(next).size(), 300000);
}

QTEST_GUILESS_MAIN(TstSlotDownloader)
#include "tst_slotdownloader.moc"
