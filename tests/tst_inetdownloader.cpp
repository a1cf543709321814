// The single-connection engine against the sample portal over loopback (and
// a real tinyproxy for the proxy path), driven by the scheduler as the
// download window drives it: the row texts for each kind of answer, the
// duplicate modes, the time checks on a test clock, the stop command and the
// end step.
#include "download/core/DownloadListModel.h"
#include "download/core/DownloadSession.h"
#include "download/engines/InetDownloader.h"
#include "download/engines/ResponseHeaders.h"
#include "download/engines/SlotDownloader.h"
#include "download/scheduler/DownloadScheduler.h"
#include "platform/Clock.h"
#include "platform/SoundPlayer.h"
#include "tests/support/HttpScripts.h"
#include "tests/support/ManualClock.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/RecordingSoundPlayer.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TinyProxy.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QNetworkAccessManager>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace TestFiles;

namespace {

// The engine's answer for a row: true when the row ended Done ("大文件，跳过"
// included).
bool endedDone(const QList<QVariant> &transferEnded)
{
    const TransferOutcome outcome = transferEnded.at(1).value<TransferResult>().outcome;
    return outcome == TransferOutcome::Complete || outcome == TransferOutcome::TooBig;
}

} // namespace

class TstInetDownloader final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void siteRoot_data();
    void siteRoot();
    void stateText_data();
    void stateText();
    void responseHeaders_data();
    void responseHeaders();

    void outcomes_data();
    void outcomes();
    void largeSizesAgainstTheMaximum_data();
    void largeSizesAgainstTheMaximum();
    void hostileServerNameStaysInFolder();
    void duplicateModes_data();
    void duplicateModes();
    void headerWait();
    void hostileServers_data();
    void hostileServers();
    void interruptedReceive_data();
    void interruptedReceive();
    void stateTextsFollowTheRequest();
    void endStep_data();
    void endStep();
    void pageKeptOutStartsSignIn();
    void proxyPath();
    void refererSent_data();
    void refererSent();
    void slotDownloadReachesThePortal();

private:
    int addRow(const QString &address, const QString &type = QStringLiteral("pdf"),
               const QString &referrer = QString());
    bool run(int row, int timeoutMs = 20000);
    QString folder() const { return m_dir.path() + QStringLiteral("/下载/"); }
    const DownloadRow &row(int index = 0) const { return m_list->at(index); }

    PortalProcess m_portal;
    QTemporaryDir m_dir;
    QNetworkAccessManager m_network;
    std::unique_ptr<DownloadListModel> m_list;
    std::unique_ptr<DownloadSession> m_session;
    std::unique_ptr<DownloadScheduler> m_scheduler;
    InetDownloader *m_engine = nullptr;
    std::unique_ptr<ManualClock> m_clock;
    bool m_lastResult = false;
};

void TstInetDownloader::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(m_portal.start(), qPrintable(m_portal.errorString()));
}

void TstInetDownloader::init()
{
    m_list = std::make_unique<DownloadListModel>();
    m_session = std::make_unique<DownloadSession>(m_list.get(), &m_network);
    m_scheduler = std::make_unique<DownloadScheduler>(*m_session);
    m_scheduler->setManualTicks(true);
    m_engine = m_scheduler->inetDownloader();
    QVERIFY(m_engine);
}

void TstInetDownloader::cleanup()
{
    m_engine = nullptr;
    m_scheduler.reset();
    m_session.reset();
    m_list.reset();
    Clock::setInstance(nullptr);
    m_clock.reset();
    QDir(folder()).removeRecursively();
    QDir(m_dir.path() + QStringLiteral("/a")).removeRecursively();
}

int TstInetDownloader::addRow(const QString &address, const QString &type, const QString &referrer)
{
    m_list->addRow(address, QStringLiteral("报告"), type, folder(), referrer);
    return m_list->count() - 1;
}

bool TstInetDownloader::run(int index, int timeoutMs)
{
    QSignalSpy finished(m_scheduler.get(), &DownloadScheduler::transferEnded);
    const quint64 id = m_list->idAt(index);
    m_scheduler->Inet下载当前文件(index);
    if (!QTest::qWaitFor([&] { return !finished.isEmpty(); }, timeoutMs))
        return false;
    QTest::qWait(20); // a second end would show up here
    if (finished.count() != 1 || finished.at(0).at(0).toULongLong() != id || m_engine->isExecuting())
        return false;
    m_lastResult = endedDone(finished.at(0));
    return true;
}

void TstInetDownloader::siteRoot_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("root");
    QTest::newRow("port and path") << "http://host:8080/a/b.pdf" << "http://host:8080";
    QTest::newRow("nothing after host") << "https://host" << "https://host";
    QTest::newRow("no scheme") << "host/a/b" << "host";
    QTest::newRow("no scheme, slash too early") << "ab/c" << "ab/c";
    QTest::newRow("no scheme, slash after three") << "abc/d" << "abc";
}

void TstInetDownloader::siteRoot()
{
    QFETCH(QString, address);
    QFETCH(QString, root);
    QCOMPARE(InetDownloader::SiteRoot(address), root);
}

void TstInetDownloader::stateText_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("text");
    const char16_t *texts[] = {u"0 无状态可报告。",
                               u"1 正在查询所指定的主机的 IP 地址...",
                               u"2 已成功地找到所指定的主机的 IP 地址。",
                               u"3 正在与主机连接...",
                               u"4 已与主机连接成功。",
                               u"5 正在向主机发送请求...",
                               u"6 发送请求已成功。",
                               u"7 正在接收主机的响应...",
                               u"8 已成功地接收到主机的响应。",
                               u"9 正在解除与主机的连接...",
                               u"10 已成功地与主机解除了连接。",
                               u"11 与主机通讯时出现了错误:404:Not Found",
                               u"12 该请求已经完成，并且所有数据均已接收到。"};
    for (int state = 0; state <= 12; ++state)
        QTest::addRow("%d", state) << state << QString::fromUtf16(texts[state]);
    QTest::newRow("other") << 13 << QStringLiteral("404:Not Found");
}

void TstInetDownloader::stateText()
{
    QFETCH(int, state);
    QFETCH(QString, text);
    QCOMPARE(InetDownloader::StateText(InetState(state), 404, QStringLiteral("Not Found")), text);
}

void TstInetDownloader::responseHeaders_data()
{
    QTest::addColumn<QByteArray>("block");
    QTest::addColumn<int>("status");
    QTest::addColumn<qint64>("announced");
    QTest::addColumn<bool>("tooBig"); // against 10 MB
    QTest::addColumn<QString>("extension");
    QTest::addColumn<bool>("successLine");
    QTest::addColumn<bool>("httpOk");
    QTest::newRow("pdf with length") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 1000\r\nContent-Type: application/pdf\r\n")
                                     << 200 << qint64(1000) << false << "pdf" << true << true;
    QTest::newRow("names in any case, html with charset")
        << QByteArray("HTTP/1.1 200 ok\r\ncontent-type: text/html; charset=utf-8\r\n") << 200 << qint64(0) << false
        << "html" << true << true;
    QTest::newRow("octet-stream named a.caj")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Disposition: attachment; filename=\"a.caj\"\r\n")
        << 200 << qint64(0) << false << "caj" << true << true;
    QTest::newRow("charset alone gives htm")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream;charset=utf-8\r\n") << 200 << qint64(0)
        << false << "htm" << true << true;
    QTest::newRow("charset after a space is none")
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream; charset=utf-8\r\n") << 200
        << qint64(0) << false << "" << true << true;
    QTest::newRow("error status") << QByteArray("HTTP/1.1 404 Not Found\r\nContent-Length: 12\r\n") << 404 << qint64(12)
                                  << false << "" << false << false;
    QTest::newRow("no reason phrase is no success line") << QByteArray("HTTP/2 200 \r\nContent-Length: 5\r\n") << 200
                                                         << qint64(5) << false << "" << false << true;
    QTest::newRow("length not a number") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 12a\r\n") << 200 << qint64(0)
                                         << false << "" << true << true;
    QTest::newRow("exactly 10 MB") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10485760\r\n") << 200
                                   << qint64(10485760) << false << "" << true << true;
    QTest::newRow("one byte more") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 10485761\r\n") << 200
                                   << qint64(10485761) << true << "" << true << true;
    QTest::newRow("empty block") << QByteArray() << 0 << qint64(0) << false << "" << false << false;
}

void TstInetDownloader::responseHeaders()
{
    QFETCH(QByteArray, block);
    QFETCH(int, status);
    QFETCH(qint64, announced);
    QFETCH(bool, tooBig);
    QFETCH(QString, extension);
    QFETCH(bool, successLine);
    QFETCH(bool, httpOk);
    const ResponseHeaderVerdict verdict = AnalyseResponseHeaders(block, status, 10);
    QCOMPARE(verdict.announced, announced);
    QCOMPARE(verdict.tooBig, tooBig);
    QCOMPARE(verdict.extension, extension);
    QCOMPARE(verdict.successLine, successLine);
    QCOMPARE(verdict.httpOk, httpOk);
}

void TstInetDownloader::outcomes_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("size");     // "*": the page's own length
    QTest::addColumn<QString>("received"); // "*": as size
    QTest::addColumn<QString>("progress");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("file");     // expected file in the folder, or empty for none

    const int done = int(RowState::Done);
    const int failed = int(RowState::Failed);
    QTest::newRow("1000 of 1000") << "file?kind=pdf&size=1000" << true << done << "1000" << "1000" << "100%"
                                  << "pdf" << "报告.pdf";
    QTest::newRow("html with charset, no length")
        << "file?kind=txt&size=700&nolength=1&ct=text%2Fhtml%3B%20charset%3Dutf-8" << true << done << "700" << "700"
        << "100%" << "html" << "报告.html";
    QTest::newRow("octet-stream named a.caj") << "file?kind=caj&size=900&ct=application%2Foctet-stream&cd=plain&ext=caj"
                                              << true << done << "900" << "900" << "100%" << "caj" << "报告.caj";
    QTest::newRow("text/plain with charset is txt")
        << "file?kind=txt&size=800&ct=text%2Fplain%3B%20charset%3Dgbk" << true << done << "800" << "800" << "100%"
        << "txt" << "报告.txt";
    QTest::newRow("charset alone gives htm")
        << "file?kind=bin&size=800&ct=application%2Foctet-stream%3Bcharset%3Dutf-8&cd=none" << true << done << "800"
        << "800" << "100%" << "htm" << "报告.htm";
    // The first 8 characters after ";" are " charset": no charset, no page.
    QTest::newRow("charset after a space is no page")
        << "file?kind=pdf&size=800&ct=application%2Foctet-stream%3B%20charset%3DUTF-8&cd=none" << true << done
        << "800" << "800" << "100%" << "pdf" << "报告.pdf";
    QTest::newRow("pdf announced as text/html is renamed") << "file?kind=pdf&size=1200&ct=text%2Fhtml" << true << done
                                                           << "1200" << "1200" << "100%" << "pdf" << "报告.pdf";
    QTest::newRow("closed at 60%: partial file deleted") << "file?kind=pdf&size=1000&cut=60" << false << failed
                                                         << "下载失败" << "600" << "60%" << "pdf" << "";
    QTest::newRow("404 page with length is a web-page row") << "file?kind=pdf&status=404" << true << done << "*"
                                                            << "*" << "100%" << "htm" << "报告.htm";
    QTest::newRow("404 without length: whole-response fetch") << "file?kind=pdf&status=404&nolength=1" << true
                                                              << done << "*" << "*" << "100%" << "htm" << "报告.htm";
    QTest::newRow("redirect chain") << "file?kind=pdf&size=1500&redirects=3" << true << done << "1500" << "1500"
                                    << "100%" << "pdf" << "报告.pdf";
    QTest::newRow("too many redirects") << "file?kind=pdf&redirects=15" << false << failed << "" << "" << ""
                                        << "pdf" << "";
    QTest::newRow("redirect to ftp") << "file?kind=pdf&badscheme=1" << false << failed << "" << "" << "" << "pdf"
                                     << "";
    // Qt drops the whole header block over a line without a colon.
    QTest::newRow("garbage header line") << "file?kind=pdf&size=1000&garbage=1" << true << done << "1000" << "1000"
                                         << "100%" << "pdf" << "报告.pdf";
    QTest::newRow("nobody listening") << "http://127.0.0.1:1/x.pdf" << false << failed << "" << "" << "" << "pdf"
                                      << "";
    QTest::newRow("not http") << "ftp://127.0.0.1/x.pdf" << false << failed << "" << "" << "" << "pdf" << "";
}

void TstInetDownloader::outcomes()
{
    QFETCH(QString, query);
    QFETCH(bool, result);
    QFETCH(int, state);
    QFETCH(QString, size);
    QFETCH(QString, received);
    QFETCH(QString, progress);
    QFETCH(QString, type);
    QFETCH(QString, file);

    const QString address = query.contains(QLatin1String("://")) ? query : m_portal.url(query);
    const int index = addRow(address);
    QVERIFY(run(index));
    QCOMPARE(m_lastResult, result);
    QCOMPARE(int(row().state), state);
    if (size == QLatin1String("*")) {
        QVERIFY(!file.isEmpty());
        size = received = QString::number(QFileInfo(folder() + file).size());
        QVERIFY(size.toLongLong() > 0);
    }
    QCOMPARE(SizeText(row()), size);
    QCOMPARE(ReceivedText(row()), received);
    QCOMPARE(ProgressText(row()), progress);
    QCOMPARE(row().type, type);
    const QStringList expected = file.isEmpty() ? QStringList() : QStringList{file};
    QCOMPARE(FilesUnder(folder()), expected);
    QCOMPARE(m_session->statusPanel(StatusPanel::Transfer), QStringLiteral("完成下载:") + row().name);
}

void TstInetDownloader::largeSizesAgainstTheMaximum_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<double>("maxMB");
    QTest::addColumn<QString>("progress");
    QTest::addColumn<bool>("fileKept");
    QTest::newRow("exactly 10 MB passes") << "file?kind=pdf&size=10485760" << 10.0 << "100%" << true;
    QTest::newRow("one byte more is skipped") << "file?kind=pdf&size=10485761" << 10.0 << "大文件，跳过" << false;
    // Without a size the body is cut off once it passes the maximum; the cut
    // body never lies under the document's name.
    QTest::newRow("no size, body over the maximum") << "file?kind=pdf&size=300000&nolength=1" << 0.1 << "大文件，跳过"
                                                    << false;
}

void TstInetDownloader::largeSizesAgainstTheMaximum()
{
    QFETCH(QString, query);
    QFETCH(double, maxMB);
    QFETCH(QString, progress);
    QFETCH(bool, fileKept);
    m_session->options().maxFileSizeMB = maxMB;
    QVERIFY(run(addRow(m_portal.url(query))));
    QVERIFY(m_lastResult);
    QCOMPARE(row().state, RowState::Done);
    QCOMPARE(ProgressText(row()), progress);
    QCOMPARE(QFileInfo::exists(folder() + QStringLiteral("报告.pdf")), fileKept);
    QCOMPARE(FilesUnder(folder()).size(), fileKept ? 1 : 0);
}

void TstInetDownloader::hostileServerNameStaysInFolder()
{
    // The server's name only lends its extension; "../" leads nowhere.
    const QString rowFolder = m_dir.path() + QStringLiteral("/a/b/");
    m_list->addRow(m_portal.url(QStringLiteral("file?kind=pdf&size=1000&ct=application%2Foctet-stream&cd=plain&name=..%2F..%2Fx")),
                   QStringLiteral("../../报告"), QString(), rowFolder, QString());
    QVERIFY(run(0));
    QCOMPARE(row().state, RowState::Done);
    QCOMPARE(row().type, QStringLiteral("pdf"));
    QCOMPARE(FilesUnder(m_dir.path() + QStringLiteral("/a")), QStringList{QStringLiteral("b/报告.pdf")});
    QVERIFY(!QFileInfo::exists(m_dir.path() + QStringLiteral("/x.pdf")));
}

void TstInetDownloader::duplicateModes_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<int>("state");
    QTest::addColumn<QString>("size");
    QTest::addColumn<QString>("progress");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("oldKept");

    const int done = int(RowState::Done);
    const int failed = int(RowState::Failed);
    QTest::newRow("覆盖: complete copy replaces") << "覆盖" << "file?kind=pdf&size=1000" << false << done << "1000"
                                                << "100%" << "报告" << false;
    QTest::newRow("覆盖: short copy keeps the old file") << "覆盖" << "file?kind=pdf&size=1000&cut=60" << false
                                                       << failed << "下载失败" << "60%" << "报告" << true;
    QTest::newRow("覆盖: read-only file cannot be replaced") << "覆盖" << "file?kind=pdf&size=1000" << true << failed
                                                           << "3" << "无法替换" << "报告" << true;
    QTest::newRow("跳过 (decided earlier): rewritten") << "跳过" << "file?kind=pdf&size=1000" << false << done << "1000"
                                                   << "100%" << "报告" << false;
    QTest::newRow("重命名: numbered beside it") << "重命名" << "file?kind=pdf&size=1000" << false << done << "1000"
                                             << "100%" << "报告[001]" << true;
}

void TstInetDownloader::duplicateModes()
{
    QFETCH(QString, mode);
    QFETCH(QString, query);
    QFETCH(bool, readOnly);
    QFETCH(int, state);
    QFETCH(QString, size);
    QFETCH(QString, progress);
    QFETCH(QString, name);
    QFETCH(bool, oldKept);

    QVERIFY(QDir().mkpath(folder()));
    const QString old = folder() + QStringLiteral("报告.pdf");
    QVERIFY(WriteFile(old, "old"));
    if (readOnly)
        QVERIFY(QFile::setPermissions(old, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    m_session->options().duplicateMode = DuplicateModeFromText(mode);
    QVERIFY(run(addRow(m_portal.url(query))));
    QCOMPARE(int(row().state), state);
    QCOMPARE(SizeText(row()), size);
    QCOMPARE(ProgressText(row()), progress);
    QCOMPARE(row().name, name);
    if (oldKept)
        QCOMPARE(ReadAll(old), QByteArray("old"));
    else
        QCOMPARE(QFileInfo(old).size(), 1000);
    if (name != QStringLiteral("报告"))
        QCOMPARE(QFileInfo(folder() + name + QStringLiteral(".pdf")).size(), 1000);
    QVERIFY(!FilesUnder(folder()).join(QLatin1Char(' ')).contains(QLatin1String(".part")));
    QFile::setPermissions(old, QFile::ReadOwner | QFile::WriteOwner);
}

void TstInetDownloader::headerWait()
{
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
    QSignalSpy finished(m_scheduler.get(), &DownloadScheduler::transferEnded);
    m_scheduler->Inet下载当前文件(addRow(m_portal.url(QStringLiteral("file?kind=pdf&delay=60000"))));
    QTest::qWait(100);
    m_clock->advanceSeconds(29.9);
    m_engine->stallTick();
    QVERIFY(m_engine->isExecuting());
    m_clock->advanceSeconds(0.1);
    m_engine->stallTick();
    QCOMPARE(finished.count(), 1);
    QCOMPARE(endedDone(finished.at(0)), false);
    QCOMPARE(row().state, RowState::Failed);
    QCOMPARE(SizeText(row()), QString());
    QCOMPARE(ProgressText(row()), QString());
    QVERIFY(!m_engine->isExecuting());
}

// Answers the sample portal never gives, on the single connection: an error
// status is kept only as the web page it shows, an encoded body and an
// over-large header block are refused, a cut body never takes the document's
// name nor replaces the file the user has, and no temporary file stays.
void TstInetDownloader::hostileServers_data()
{
    using namespace HttpScripts;
    QTest::addColumn<QByteArray>("response");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("outcome"); // "new": the answer's body is a file; "old"; "none"
    QTest::addColumn<QString>("reason");

    const HostileAnswers a;

    for (bool existing : {false, true}) {
        const char *suffix = existing ? " over an existing file" : "";
        const QString kept = existing ? QStringLiteral("old") : QStringLiteral("none");
        const auto row = [suffix](const char *name, const QByteArray &response) -> QTestData & {
            return QTest::newRow(qPrintable(QString::fromUtf8(name) + QString::fromUtf8(suffix))) << response;
        };
        row("403 with a text body", Head("403 Forbidden", "Content-Type: text/plain\r\n" + Length(a.denied)) + a.denied)
            << false << existing << kept << "HTTP status 403";
        row("500 with a PDF body, no length", Head("500 Internal Server Error", a.pdfType) + a.pdf)
            << false << existing << kept << "HTTP status 500";
        // A web page keeps its own name beside the document.
        row("403 page", Head("403 Forbidden", "Content-Type: text/html\r\n" + Length(a.page)) + a.page)
            << false << existing << "new" << "";
        row("no length, reset inside a PDF", Head("200 OK", a.pdfType) + a.cutPdf) << true << existing << kept << "";
        // A body that ended with the connection may have been cut by a
        // reset: it never replaces a file that is there.
        const QString unknownEnd = existing ? QStringLiteral("end is not known") : QString();
        const QString keptUnlessNew = existing ? QStringLiteral("old") : QStringLiteral("new");
        row("no length, whole PDF", Head("200 OK", a.pdfType) + a.pdf) << false << existing << keptUnlessNew
                                    << unknownEnd;
        row("chunked, whole PDF", Head("200 OK", a.pdfType + a.chunked) + Chunked(a.pdf))
            << false << existing << "new" << "";
        row("chunked, bad size line inside a PDF",
            Head("200 OK", a.pdfType + a.chunked) + "2ee0\r\n" + a.cutPdf + "\r\nzz\r\n" + a.pdf.mid(12000)
                + "\r\n0\r\n\r\n")
            << false << existing << kept << "";
        row("chunked, reset inside a chunk", Head("200 OK", a.pdfType + a.chunked) + "4e20\r\n" + a.cutPdf)
            << true << existing << kept << "";
        row("length above the body", Head("200 OK", a.pdfType + "Content-Length: 30000\r\n") + a.pdf)
            << false << existing << kept << "";
        row("gzip although none was asked for",
            Head("200 OK", a.pdfType + "Content-Encoding: gzip\r\n" + Length(a.pdf)) + a.pdf)
            << false << existing << kept << "encoded body (gzip)";
        row("80 KB of header fields", Head("200 OK", a.fields80k + Length(a.pdf)) + a.pdf)
            << false << existing << kept << "headers over the limit";
        // Qt drops a header block this large, length included: what is left
        // is a whole PDF without a length, kept like the one above.
        row("1 MB header line", Head("200 OK", a.bigLine + Length(a.pdf)) + a.pdf)
            << false << existing << keptUnlessNew << unknownEnd;
        row("10 000 header fields", Head("200 OK", a.manyFields + Length(a.pdf)) + a.pdf)
            << false << existing << keptUnlessNew << unknownEnd;
    }
}

void TstInetDownloader::hostileServers()
{
    QFETCH(QByteArray, response);
    QFETCH(bool, reset);
    QFETCH(bool, existing);
    QFETCH(QString, outcome);
    QFETCH(QString, reason);

    ScriptedServer server(response, reset ? ScriptedServer::End::Reset : ScriptedServer::End::Close);
    QVERIFY(server.start());
    QVERIFY(QDir().mkpath(folder()));
    const QString save = folder() + QStringLiteral("报告.pdf");
    const QByteArray old("%PDF-1.4 the copy the user already has\n%%EOF\n");
    if (existing)
        QVERIFY(WriteFile(save, old));
    m_session->options().duplicateMode = DuplicateMode::Overwrite;
    QSignalSpy finished(m_scheduler.get(), &DownloadScheduler::transferEnded);
    QVERIFY(run(addRow(QString::fromLatin1(server.base() + "doc.pdf")), 30000));
    const TransferResult result = finished.at(0).at(1).value<TransferResult>();
    QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
    QCOMPARE(result.outcome == TransferOutcome::Complete, outcome == QLatin1String("new"));
    const QStringList files = FilesUnder(folder());
    if (outcome == QLatin1String("new")) {
        const QByteArray body = response.mid(response.indexOf("\r\n\r\n") + 4);
        const bool isPdf = response.contains("%PDF");
        const QString name = isPdf ? QStringLiteral("报告.pdf") : QStringLiteral("报告.htm");
        const QByteArray file = ReadAll(folder() + name);
        QVERIFY(file.startsWith(isPdf ? "%PDF" : "<!DOCTYPE"));
        QVERIFY(body.contains(file.right(7)));
        QVERIFY(files.contains(name));
        QCOMPARE(files.size(), existing && !isPdf ? 2 : 1);
    } else if (outcome == QLatin1String("old")) {
        QCOMPARE(ReadAll(save), old);
        QCOMPARE(files.size(), 1);
    } else {
        QCOMPARE(files, QStringList());
    }
}

void TstInetDownloader::interruptedReceive_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("stop"); // the stop command, else 120 s without growth
    QTest::addColumn<QString>("size");
    const QString paused = QStringLiteral("file?kind=pdf&size=1000&stall=600&after=100");
    QTest::newRow("stall, new file") << paused << false << false << "下载失败";
    QTest::newRow("stall, 覆盖 over an existing file") << paused << true << false << "下载失败";
    QTest::newRow("stop, new file") << paused << false << true << "下载取消";
    QTest::newRow("stop, 覆盖 over an existing file") << paused << true << true << "下载取消";
    QTest::newRow("stop, no size announced") << paused + QStringLiteral("&nolength=1") << false << true << "下载取消";
}

void TstInetDownloader::interruptedReceive()
{
    QFETCH(QString, query);
    QFETCH(bool, existing);
    QFETCH(bool, stop);
    QFETCH(QString, size);
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
    QVERIFY(QDir().mkpath(folder()));
    if (existing)
        QVERIFY(WriteFile(folder() + QStringLiteral("报告.pdf"), "old"));
    m_session->options().duplicateMode = DuplicateMode::Overwrite;
    QSignalSpy finished(m_scheduler.get(), &DownloadScheduler::transferEnded);
    m_scheduler->Inet下载当前文件(addRow(m_portal.url(query)));
    QVERIFY(QTest::qWaitFor([&] { return ReceivedText(row()) == QLatin1String("100"); }, 10000));
    if (stop) {
        // The stop procedure: cancel, TransferBusy off, cancel once more.
        m_engine->cancel();
        m_session->setTransferBusy(false);
        m_engine->cancel();
        QVERIFY(QTest::qWaitFor([&] { return !finished.isEmpty(); }, 5000));
    } else {
        QCOMPARE(SizeText(row()), QStringLiteral("1000"));
        QCOMPARE(ProgressText(row()), QStringLiteral("10%"));
        m_clock->advanceSeconds(120);
        m_engine->stallTick();
        QCOMPARE(finished.count(), 0);
        m_clock->advanceSeconds(1);
        m_engine->stallTick();
    }
    QTest::qWait(20);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(row().state, RowState::Failed);
    QCOMPARE(SizeText(row()), size);
    // The partial file goes; an older file stays as it was.
    QCOMPARE(FilesUnder(folder()), existing ? QStringList{QStringLiteral("报告.pdf")} : QStringList());
    if (existing)
        QCOMPARE(ReadAll(folder() + QStringLiteral("报告.pdf")), QByteArray("old"));
}

void TstInetDownloader::stateTextsFollowTheRequest()
{
    QSignalSpy states(m_engine, &InetDownloader::stateChanged);
    QVERIFY(run(addRow(m_portal.url(QStringLiteral("file?kind=pdf&size=1000")))));
    QList<int> seen;
    for (const auto &args : states)
        seen << args.at(0).toInt();
    QVERIFY2(seen.indexOf(1) == 0 && seen.indexOf(7) > 0 && seen.indexOf(12) > seen.indexOf(7), qPrintable(QString::number(seen.size())));
    QVERIFY(!seen.contains(11));
    QCOMPARE(m_session->statusPanel(StatusPanel::EngineState), InetDownloader::StateText(InetState::Complete, 0, QString()));

    states.clear();
    QVERIFY(run(addRow(m_portal.url(QStringLiteral("file?kind=pdf&status=404")))));
    QCOMPARE(m_session->statusPanel(StatusPanel::EngineState), QStringLiteral("11 与主机通讯时出现了错误:404:Not Found"));
}

void TstInetDownloader::endStep_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QList<int>>("sounds");
    QTest::addColumn<int>("logins");
    QTest::newRow("document") << "file?kind=pdf&size=1000" << QList<int>{} << 0;
    QTest::newRow("web page instead") << "file?kind=pdf&status=404" << QList<int>{101} << 1;
    QTest::newRow("failed") << "file?kind=pdf&size=1000&cut=50" << QList<int>{103} << 0;
}

void TstInetDownloader::endStep()
{
    QFETCH(QString, query);
    QFETCH(QList<int>, sounds);
    QFETCH(int, logins);
    m_clock = std::make_unique<ManualClock>();
    Clock::setInstance(m_clock.get());
    RecordingSoundPlayer player;
    QList<bool> loginCalls;
    m_session->siteLogin = [&](bool showMessages) { loginCalls << showMessages; };
    m_session->options().soundPrompt = true;
    m_session->options().autoLogin = true;
    m_clock->advanceSeconds(50);
    QVERIFY(run(addRow(m_portal.url(query))));
    QCOMPARE(player.played, sounds);
    QCOMPARE(loginCalls, QList<bool>(logins, false));
    QCOMPARE(m_session->lastFinishTime(), m_clock->seconds());
    QCOMPARE(m_session->statusPanel(StatusPanel::Transfer), QStringLiteral("完成下载:报告"));
}

// A page sent as a PDF while "覆盖" would put it over the document: the
// document stays, the row fails with the document's type, and the automatic
// sign-in starts all the same, because the page came.
void TstInetDownloader::pageKeptOutStartsSignIn()
{
    QVERIFY(QDir().mkpath(folder()));
    const QString old = folder() + QStringLiteral("报告.pdf");
    QVERIFY(WriteFile(old, "%PDF-1.4 the document"));
    QList<bool> loginCalls;
    m_session->siteLogin = [&](bool showMessages) { loginCalls << showMessages; };
    m_session->options().autoLogin = true;
    m_session->options().duplicateMode = DuplicateMode::Overwrite;
    QVERIFY(run(addRow(m_portal.url(QStringLiteral("file?kind=html&size=2000&ct=application%2Fpdf")))));
    QCOMPARE(row().state, RowState::Failed);
    QCOMPARE(row().type, QStringLiteral("pdf"));
    QCOMPARE(ReadAll(old), QByteArray("%PDF-1.4 the document"));
    QCOMPARE(loginCalls, QList<bool>{false});
}

void TstInetDownloader::proxyPath()
{
    TinyProxy proxy;
    QVERIFY2(proxy.start(), qPrintable(proxy.errorString()));
    DownloadOptions &options = m_session->options();
    options.proxyEnabled = true;
    options.proxyUrl = QStringLiteral("127.0.0.1");
    options.proxyPort = QString::number(proxy.port());

    const QString address = m_portal.url(QStringLiteral("file?kind=pdf&size=4000&via=proxy"));
    QVERIFY(run(addRow(address)));
    QCOMPARE(row(0).state, RowState::Done);
    QCOMPARE(ReceivedText(row(0)), QStringLiteral("4000"));
    QVERIFY2(proxy.waitForLog(QStringLiteral("GET ") + address), qPrintable(proxy.log()));
    // The portal got it from tinyproxy, Referer and all.
    const QList<PortalRequest> proxied = m_portal.requestsTo(QStringLiteral("via=proxy"));
    QCOMPARE(proxied.size(), 1);
    QVERIFY2(proxied.first().via.contains(QLatin1String("tinyproxy")), qPrintable(proxied.first().via));
    QCOMPARE(proxied.first().referer, m_portal.base().chopped(1));

    // https goes to 443 through the proxy too (nothing listens there: the row fails).
    QVERIFY(run(addRow(QStringLiteral("https://127.0.0.1/x.pdf"))));
    QCOMPARE(row(1).state, RowState::Failed);
    QVERIFY2(proxy.waitForLog(QStringLiteral("CONNECT 127.0.0.1:443")), qPrintable(proxy.log()));

    options.proxyEnabled = false;
    const QString direct = m_portal.url(QStringLiteral("file?kind=pdf&size=4000&via=direct"));
    QVERIFY(run(addRow(direct)));
    QCOMPARE(row(2).state, RowState::Done);
    QTest::qWait(200);
    QVERIFY(!proxy.log().contains(QLatin1String("via=direct")));
    const QList<PortalRequest> straight = m_portal.requestsTo(QStringLiteral("via=direct"));
    QCOMPARE(straight.size(), 1);
    QCOMPARE(straight.first().via, QString());
}

void TstInetDownloader::refererSent_data()
{
    // "<page>": a result page of the portal, "<root>": the portal's site root.
    QTest::addColumn<QString>("query");    // carries a marker to find its requests in the portal's log
    QTest::addColumn<QString>("referrer"); // the row's
    QTest::addColumn<QString>("sent");
    QTest::addColumn<int>("requests"); // at least: Qt may send a request again on a closing connection
    QTest::newRow("the row's referrer") << "file?kind=pdf&size=1000&mark=r1" << "<page>" << "<page>" << 1;
    QTest::newRow("empty referrer: the site root, no trailing slash") << "file?kind=pdf&size=1000&mark=r2" << ""
                                                                     << "<root>" << 1;
    QTest::newRow("whole-response fetch sends it again") << "file?kind=pdf&status=404&nolength=1&mark=r3"
                                                         << "<page>" << "<page>" << 2;
    QTest::newRow("every redirect hop carries it") << "file?kind=pdf&size=1000&redirects=2&mark=r4" << ""
                                                   << "<root>" << 3;
    // The portal's log shows bytes outside printable ASCII as %XX, decoded by the server or not.
    QTest::newRow("non-ASCII page address arrives as the same text")
        << "file?kind=pdf&size=1000&mark=r5" << "<page>?q=文献" << "<page>?q=%E6%96%87%E7%8C%AE" << 1;
    QTest::newRow("line break in the referrer starts no header of its own")
        << "file?kind=pdf&size=1000&mark=r6" << "<page>\r\nVia: injected" << "<page>%0D%0AVia: injected" << 1;
}

void TstInetDownloader::refererSent()
{
    QFETCH(QString, query);
    QFETCH(QString, referrer);
    QFETCH(QString, sent);
    QFETCH(int, requests);
    const auto expand = [this](QString text) {
        return text.replace(QLatin1String("<page>"), m_portal.url(QStringLiteral("search")))
            .replace(QLatin1String("<root>"), m_portal.base().chopped(1));
    };
    QVERIFY(run(addRow(m_portal.url(query), QStringLiteral("pdf"), expand(referrer))));
    QCOMPARE(row().state, RowState::Done);
    const QList<PortalRequest> seen = m_portal.requestsTo(query.mid(query.lastIndexOf(QLatin1Char('&'))));
    QVERIFY2(seen.size() >= requests, qPrintable(QString::number(seen.size())));
    for (const PortalRequest &request : seen) {
        QCOMPARE(request.referer, expand(sent));
        QCOMPARE(request.via, QString());
    }
}

void TstInetDownloader::slotDownloadReachesThePortal()
{
    // Method 2 is handed the row's referrer but does not send it.
    SlotDownloader slot(m_network);
    QSignalSpy complete(&slot, &SlotDownloader::DownloadComplete);
    QVERIFY(QDir().mkpath(folder()));
    slot.BeginDownload(m_portal.url(QStringLiteral("file?kind=pdf&size=1000&mark=slot")),
                       folder() + QStringLiteral("报告.pdf"), m_portal.url(QStringLiteral("search")));
    QVERIFY(QTest::qWaitFor([&] { return !complete.isEmpty(); }, 10000));
    QCOMPARE(QFileInfo(folder() + QStringLiteral("报告.pdf")).size(), 1000);
    const QList<PortalRequest> seen = m_portal.requestsTo(QStringLiteral("&mark=slot"));
    QCOMPARE(seen.size(), 1);
    QCOMPARE(seen.first().method, QStringLiteral("GET"));
    QCOMPARE(seen.first().referer, QString());
}

QTEST_GUILESS_MAIN(TstInetDownloader)
#include "tst_inetdownloader.moc"
