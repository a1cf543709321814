// litharvest-cli harvest as a user runs it: saved result pages in the
// encodings they come in, the options, the exit statuses, pages fetched
// from the sample portal over loopback HTTP, every way a fetch can fail, and
// its lines read by litharvest-cli download.
#include "harvest/core/PageSource.h"
#include "harvest/core/ResultPageParser.h"
#include "platform/SettingsStore.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

namespace {
struct CliRun
{
    int exitCode = -1;
    QString out;
    QString err;
};

CliRun runHarvest(const QStringList &args, const QString &workDir = QString())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(QStringLiteral(LITHARVEST_CLI), QStringList{QStringLiteral("harvest")} + args);
    CliRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("litharvest-cli did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QByteArray gb18030(const QString &text)
{
    QStringEncoder encoder("GB18030");
    return encoder.encode(text);
}

// A result page as the portal writes it, with a meta charset of choice.
QString resultPage(const QString &charset, const QString &blocks, const QString &prefix = QString())
{
    return prefix + QStringLiteral("<html><head><meta http-equiv='Content-Type' content='text/html; charset=%1'>"
                                   "</head><body><ul id='ul_articlelist'>%2</ul></body></html>")
                        .arg(charset, blocks);
}

QString result(const QString &type, const QString &path, const QString &title)
{
    return QStringLiteral("<li><div class='julei-list'><a onclick='DownLoadFile(\"%1\",\"http://\"+location.host+\"/%2\","
                          "\"1\",\"pdf\",\"%3\",\"1\")'>全文下载</a></div></li>")
        .arg(type, path, title);
}
} // namespace

class TestHarvestCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void savedPage_data();
    void savedPage();
    void portalPages();
    void portalVerification();
    void transferFaultsExitOne_data();
    void transferFaultsExitOne();
    void pipelineFetchesOddPaths();

private:
    // The settings the programs run with: a folder of this test's own.
    QTemporaryDir m_config;
};

void TestHarvestCli::initTestCase()
{
    QVERIFY(m_config.isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
}

void TestHarvestCli::savedPage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("configuredBase"); // the setting "门户网址"; empty: not set
    QTest::addColumn<QString>("expected");       // %D = the work folder
    QTest::addColumn<int>("exitCode");

    const QString base = QStringLiteral("--base=http://127.0.0.1:9");
    const QString blocks = result(QStringLiteral("中文期刊文章"), QStringLiteral("download?id=1&amp;kind=pdf"),
                                  QStringLiteral(" 深度 学习\u3000研究\t综述 "))
                           + result(QStringLiteral("古籍"), QStringLiteral("download?id=2"), QStringLiteral("史记"))
                           + result(QStringLiteral("古籍"), QStringLiteral("download?id=2"), QStringLiteral("史记重出"));
    // %R: the referrer, never the file's own file:// address.
    const QString lines = QStringLiteral("http://127.0.0.1:9/download?id=1&kind=pdf&type=1\t深度学习研究 综述\tpdf\t\t%R\n"
                                         "http://127.0.0.1:9/download?id=2&type=3\t史记\tpdf\t\t%R\n");
    const QString noReferrer = QString(lines).replace(QStringLiteral("%R"), QString());
    const QString savedFrom = QString(lines).replace(QStringLiteral("%R"),
                                                     QStringLiteral("http://127.0.0.1:9/search?q=x&page=3"));
    const QString mark = QStringLiteral("<!-- saved from url=(0041)http://127.0.0.1:9/search?q=x&page=3 -->\n");
    const QString none;

    QTest::newRow("GB18030 page declared gbk; one line per address, no referrer")
        << gb18030(resultPage(QStringLiteral("gbk"), blocks)) << QStringList{base} << none << noReferrer << 0;
    QTest::newRow("UTF-8 page with a byte-order mark, declared gb2312")
        << QByteArray("\xEF\xBB\xBF") + resultPage(QStringLiteral("gb2312"), blocks).toUtf8() << QStringList{base}
        << none << noReferrer << 0;
    // GB18030 bytes under a meta that still says utf-8 (a page saved by an
    // older build): read as GB18030. The saved-from mark names the portal
    // and is the referrer.
    QTest::newRow("saved by the window: GB18030 bytes under a utf-8 meta, portal from the mark")
        << gb18030(resultPage(QStringLiteral("utf-8"), blocks, mark)) << QStringList() << none << savedFrom << 0;
    // What "网页另存为" writes now: the mark in front, the charset naming the
    // code page the file is in.
    {
        const QString saved = SavedPageMarkup(resultPage(QStringLiteral("utf-8"), blocks),
                                              QUrl(QStringLiteral("http://127.0.0.1:9/search?q=x&page=3")));
        QVERIFY(saved.startsWith(QStringLiteral("<!-- saved from url=(0036)http://127.0.0.1:9/search?q=x&page=3 -->")));
        QVERIFY(saved.contains(QStringLiteral("charset=\"gb18030\"")) || saved.contains(QStringLiteral("charset=gb18030")));
        QVERIFY(!saved.contains(QStringLiteral("utf-8"), Qt::CaseInsensitive));
        QTest::newRow("saved by the window: the mark and a gb18030 meta")
            << gb18030(saved) << QStringList() << none << savedFrom << 0;
    }
    QTest::newRow("the configured portal base (with its path) for a page from its host")
        << resultPage(QStringLiteral("utf-8"), blocks, mark).toUtf8() << QStringList()
        << QStringLiteral("http://127.0.0.1:9/portal/")
        << QString(savedFrom).replace(QStringLiteral("9/download"), QStringLiteral("9/portal/download")) << 0;
    QTest::newRow("a configured portal on another port is not this page's")
        << resultPage(QStringLiteral("utf-8"), blocks, mark).toUtf8() << QStringList()
        << QStringLiteral("http://127.0.0.1:10/portal/") << savedFrom << 0;
    QTest::newRow("--keep-spaces, --folder and --ref")
        << resultPage(QStringLiteral("utf-8"), blocks).toUtf8()
        << QStringList{base, QStringLiteral("--keep-spaces"), QStringLiteral("--folder"), QStringLiteral("out"),
                       QStringLiteral("--ref"), QStringLiteral("http://127.0.0.1:9/search?q=x")}
        << none
        << QStringLiteral("http://127.0.0.1:9/download?id=1&kind=pdf&type=1\t深度 学习\u3000研究 综述\tpdf\t%D/out/\t"
                          "http://127.0.0.1:9/search?q=x\n"
                          "http://127.0.0.1:9/download?id=2&type=3\t史记\tpdf\t%D/out/\thttp://127.0.0.1:9/search?q=x\n")
        << 0;
    QTest::newRow("--ref names the portal when nothing else does")
        << resultPage(QStringLiteral("utf-8"), blocks).toUtf8()
        << QStringList{QStringLiteral("--ref=http://127.0.0.1:9/search?q=x")} << none
        << QString(lines).replace(QStringLiteral("%R"), QStringLiteral("http://127.0.0.1:9/search?q=x")) << 0;
    // The window's hand-over joins the lines of a title; so must the CLI,
    // or one item gets two file names. Controls and bidi marks never reach
    // a name or the terminal; a path's odd characters are encoded so that
    // the address reads back as one.
    QTest::newRow("titles lose line breaks, controls and bidi marks; odd paths are encoded")
        << resultPage(QStringLiteral("utf-8"),
                      result(QStringLiteral("中文期刊文章"), QStringLiteral("file?n=a b|file:///x&amp;m=<y>|http://other/"),
                             QStringLiteral("知识图谱构建方法\r\n——以医学文献为例\u202Efdp.exe\u2066")))
               .toUtf8()
        << QStringList{base} << none
        << QStringLiteral("http://127.0.0.1:9/file?n=a%20b%7Cfile:///x&m=%3Cy%3E%7Chttp://other/&type=1\t"
                          "知识图谱构建方法——以医学文献为例fdp.exe\tpdf\t\t\n")
        << 0;
    QTest::newRow("verification notice beside results: nothing printed")
        << resultPage(QStringLiteral("utf-8"), blocks + QStringLiteral("<p>") + AccessBlockedNotice()).toUtf8()
        << QStringList{base} << none << QString() << 3;
    QTest::newRow("no portal address known") << resultPage(QStringLiteral("utf-8"), blocks).toUtf8() << QStringList()
                                             << none << QString() << 2;
    QTest::newRow("a file over 32 MB") << QByteArray(32 * 1024 * 1024 + 1, ' ') << QStringList{base} << none
                                       << QString() << 1;
    QTest::newRow("100 000 nested elements, told before the portal question")
        << resultPage(QStringLiteral("utf-8"), blocks + QStringLiteral("<div>").repeated(100000)).toUtf8()
        << QStringList() << none << QString() << 1;
    QTest::newRow("unknown option") << QByteArray() << QStringList{base, QStringLiteral("--fast")} << none << QString()
                                    << 2;
    QTest::newRow("--base that is not http")
        << QByteArray() << QStringList{QStringLiteral("--base=ftp://127.0.0.1/")} << none << QString() << 2;
    QTest::newRow("--timeout that is no number of seconds")
        << QByteArray() << QStringList{base, QStringLiteral("--timeout=0")} << none << QString() << 2;
}

void TestHarvestCli::savedPage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, options);
    QFETCH(QString, configuredBase);
    QFETCH(QString, expected);
    QFETCH(int, exitCode);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("结果 页.html"));
    QVERIFY(TestFiles::WriteFile(path, bytes));
    {
        SettingsStore store;
        if (configuredBase.isEmpty())
            store.remove(QStringLiteral("fWebSearch"), QStringLiteral("门户网址"));
        else
            store.write(QStringLiteral("fWebSearch"), QStringLiteral("门户网址"), configuredBase);
        store.sync();
    }

    const CliRun run = runHarvest(options + QStringList{path}, dir.path());
    QVERIFY2(run.exitCode == exitCode, qPrintable(QStringLiteral("exit %1: %2").arg(run.exitCode).arg(run.err)));
    QCOMPARE(run.out, QString(expected).replace(QStringLiteral("%D"), dir.path()));
    if (exitCode != 0)
        QVERIFY(!run.err.isEmpty());
}

// Every real result of a portal page comes out once, on one line of five
// fields, with the page's own address as referrer; the decoy blocks
// (numbered from 900000) never do.
void TestHarvestCli::portalPages()
{
    PortalProcess portal({QStringLiteral("--results"), QStringLiteral("30"), QStringLiteral("--per-page"),
                          QStringLiteral("20")});
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));

    const QList<QPair<int, int>> pages = {{1, 20}, {2, 10}};
    QSet<int> seen;
    for (const auto &[page, results] : pages) {
        const QUrl address(portal.url(QStringLiteral("search?q=%E6%96%87%E7%8C%AE&page=%1").arg(page)));
        const CliRun run = runHarvest({address.toString(QUrl::FullyEncoded)});
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        const QStringList lines = run.out.split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), results);
        static const QRegularExpression documentUrl(QStringLiteral("^download\\?id=(\\d+)&kind=\\w+(&type=[1-4])?$"));
        for (const QString &line : lines) {
            const QStringList fields = line.split(u'\t');
            QCOMPARE(fields.size(), 5);
            QVERIFY2(fields.at(0).startsWith(portal.base()), qPrintable(line));
            const QRegularExpressionMatch m = documentUrl.match(fields.at(0).mid(portal.base().size()));
            QVERIFY2(m.hasMatch(), qPrintable(line));
            const int id = m.captured(1).toInt();
            QVERIFY2(id < 900000, qPrintable(line));
            QVERIFY(!seen.contains(id));
            seen.insert(id);
            QVERIFY(!fields.at(1).isEmpty());
            QVERIFY2(!fields.at(1).contains(QChar(0x3000)), qPrintable(line)); // a line break may show as a space
            QCOMPARE(fields.at(2), QStringLiteral("pdf"));
            QCOMPARE(fields.at(3), QString());
            QCOMPARE(fields.at(4), address.toString(QUrl::FullyEncoded));
        }
    }
    QCOMPARE(seen.size(), 30);
}

void TestHarvestCli::portalVerification()
{
    PortalProcess portal({QStringLiteral("--throttle"), QStringLiteral("1/600")});
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));

    const CliRun first = runHarvest({portal.url(QStringLiteral("search?q=x&page=1"))});
    QVERIFY2(first.exitCode == 0, qPrintable(first.err));
    QVERIFY(!first.out.isEmpty());

    const CliRun blocked = runHarvest({portal.url(QStringLiteral("search?q=x&page=2"))});
    QCOMPARE(blocked.exitCode, 3);
    QCOMPARE(blocked.out, QString());
    QVERIFY(blocked.err.contains(AccessBlockedNotice()));
}

// Whatever way the transfer fails, `harvest URL` says why and exits 1; an
// empty page with exit 0 would make the pipeline lose every document
// silently. Where the sample portal has no misbehaving address, a scripted
// server answers.
void TestHarvestCli::transferFaultsExitOne_data()
{
    QTest::addColumn<QString>("portalPath");  // relative to the portal; empty: the scripted server
    QTest::addColumn<QByteArray>("script");   // the scripted server's answer
    QTest::addColumn<bool>("reset");          // the scripted server resets the connection after it
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("reason");      // part of the message on standard error

    const QByteArray none;
    const QStringList noOptions;
    QTest::newRow("connection closed early") << QStringLiteral("file?kind=html&size=300000&cut=50") << none << false
                                             << noOptions << QStringLiteral("cannot fetch");
    QTest::newRow("redirect loop") << QStringLiteral("file?kind=html&redirects=30") << none << false << noOptions
                                   << QStringLiteral("redirects");
    QTest::newRow("redirect to ftp:") << QStringLiteral("file?kind=html&badscheme=1") << none << false << noOptions
                                      << QStringLiteral("cannot fetch");
    QTest::newRow("stall past the time-out")
        << QStringLiteral("file?kind=html&size=5000&stall=30&after=200") << none << false
        << QStringList{QStringLiteral("--timeout"), QStringLiteral("1")} << QStringLiteral("no data for 1 s");
    QTest::newRow("HTTP 404") << QStringLiteral("file?status=404") << none << false << noOptions
                              << QStringLiteral("answered HTTP 404");
    QTest::newRow("page over 32 MB, announced") << QStringLiteral("file?kind=html&size=40000000") << none << false
                                                << noOptions << QStringLiteral("larger than 32 MB");
    QTest::newRow("page over 32 MB, no length") << QStringLiteral("file?kind=html&size=40000000&nolength=1") << none
                                                << false << noOptions << QStringLiteral("larger than 32 MB");
    QTest::newRow("redirect to file:")
        << QString() << QByteArray("HTTP/1.1 302 Found\r\nLocation: file:///etc/passwd\r\nContent-Length: 0\r\n\r\n")
        << false << noOptions << QStringLiteral("cannot fetch");
    QTest::newRow("redirect without a target")
        << QString() << QByteArray("HTTP/1.1 302 Found\r\nContent-Length: 0\r\n\r\n") << false << noOptions
        << QStringLiteral("cannot fetch");
    QTest::newRow("reset in the middle of a body")
        << QString()
        << QByteArray("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 5000\r\n\r\n<html><body><ul>")
        << true << noOptions << QStringLiteral("cannot fetch");
    {
        const QByteArray deep = QByteArray("<html><body><ul id='ul_articlelist'>") + QByteArray("<div>").repeated(100000);
        QTest::newRow("100 000 nested elements")
            << QString()
            << "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + QByteArray::number(deep.size())
                   + "\r\n\r\n" + deep
            << false << noOptions << QStringLiteral("more than 512 levels deep");
    }
    QTest::newRow("an address of 100 000 characters is quoted short")
        << QStringLiteral("file?status=500&x=") + QString(100000, u'x') << QByteArray() << false << noOptions
        << QStringLiteral("…(100");
}

void TestHarvestCli::transferFaultsExitOne()
{
    QFETCH(QString, portalPath);
    QFETCH(QByteArray, script);
    QFETCH(bool, reset);
    QFETCH(QStringList, options);
    QFETCH(QString, reason);

    PortalProcess portal;
    ScriptedServer server(script, reset ? ScriptedServer::End::Reset : ScriptedServer::End::Close);
    QString address;
    if (portalPath.isEmpty()) {
        QVERIFY(server.start());
        address = QString::fromLatin1(server.base()) + QStringLiteral("search?q=x");
    } else {
        QVERIFY2(portal.start(), qPrintable(portal.errorString()));
        address = portal.url(portalPath);
    }
    const CliRun run = runHarvest(options + QStringList{address});
    QVERIFY2(run.exitCode == 1, qPrintable(QStringLiteral("exit %1: %2").arg(run.exitCode).arg(run.err)));
    QCOMPARE(run.out, QString());
    QVERIFY2(run.err.contains(reason), qPrintable(run.err));
    QVERIFY2(run.err.size() < 1000, qPrintable(run.err.left(1000)));
}

// harvest | download: a document path with a space, "|", "<" or "|file:"
// reaches the portal as the one address it is, and the document arrives.
void TestHarvestCli::pipelineFetchesOddPaths()
{
    PortalProcess portal;
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString page = dir.filePath(QStringLiteral("page.html"));
    const QString blocks =
        result(QStringLiteral("中文期刊文章"), QStringLiteral("file?kind=pdf&amp;size=3000&amp;mark=a b|file:///etc/passwd"),
               QStringLiteral("第一篇"))
        + result(QStringLiteral("会议论文"), QStringLiteral("file?kind=pdf&amp;mark=x<y>|http://127.0.0.1:1/other"),
                 QStringLiteral("第二篇"));
    QVERIFY(TestFiles::WriteFile(page, resultPage(QStringLiteral("utf-8"), blocks).toUtf8()));

    QProcess harvest, download;
    harvest.setStandardOutputProcess(&download);
    harvest.start(QStringLiteral(LITHARVEST_CLI), {QStringLiteral("harvest"), QStringLiteral("--base"), portal.base(), page});
    download.start(QStringLiteral(LITHARVEST_CLI),
                   {QStringLiteral("download"), QStringLiteral("--folder"), dir.filePath(QStringLiteral("out"))});
    QVERIFY(harvest.waitForFinished(60000));
    QVERIFY(download.waitForFinished(60000));
    QCOMPARE(harvest.exitCode(), 0);
    QVERIFY2(download.exitCode() == 0, download.readAllStandardError().constData());

    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("out/第一篇.pdf"))).size() == 3000);
    QVERIFY(QFileInfo::exists(dir.filePath(QStringLiteral("out/第二篇.pdf"))));
    QCOMPARE(portal.requestsTo(QStringLiteral("mark=a%20b%7Cfile:///etc/passwd&type=1")).size(), 1);
    QCOMPARE(portal.requestsTo(QStringLiteral("mark=x%3Cy%3E%7Chttp://127.0.0.1:1/other")).size(), 1);
}

QTEST_GUILESS_MAIN(TestHarvestCli)
#include "tst_harvestcli.moc"
