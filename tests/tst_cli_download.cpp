// litharvest-cli download: the built program run over lists against the
// sample portal, its exit statuses, and Ctrl-C in the middle of a transfer.
#include "tests/support/PortalProcess.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TestFiles.h"
#include "tests/support/TinyProxy.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookie>
#include <QNetworkReply>
#include <QProcess>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

struct Run
{
    int exitCode = -1;
    QStringList rows; // stdout lines
    QString errors;
};

Run runCli(const QStringList &arguments, const QByteArray &input = {}, int timeoutMs = 60000)
{
    QProcess process;
    process.start(QStringLiteral(LITHARVEST_CLI), QStringList{QStringLiteral("download")} + arguments);
    Run run;
    if (!process.waitForStarted())
        return run;
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.rows = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QStringList filesBelow(const QString &folder)
{
    QStringList files;
    const QDir dir(folder);
    for (const QFileInfo &info : dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (info.isDir())
            files += filesBelow(info.filePath());
        else
            files << info.filePath();
    }
    return files;
}

} // namespace

class TestCliDownload : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void downloadsList_data();
    void downloadsList();
    void failedRowsExitOne_data();
    void failedRowsExitOne();
    void tooBigRowsExitOne_data();
    void tooBigRowsExitOne();
    void folderOdditiesFailRows_data();
    void folderOdditiesFailRows();
    void proxyCarriesMethodOne();
    void badInputExitsTwo_data();
    void badInputExitsTwo();
    void cookiesFileSignsTheRunIn();
    void badCookiesLineExitsTwo();
    void interruptStopsAndLeavesNoPartialFile_data();
    void interruptStopsAndLeavesNoPartialFile();
    void faultyRowsLeaveNothingAndTheRunGoesOn();

private:
    QByteArray doc(const QString &query) const { return m_portal.url(QStringLiteral("file?") + query).toUtf8(); }

    PortalProcess m_portal;
};

void TestCliDownload::initTestCase()
{
    QVERIFY2(m_portal.start(), qPrintable(m_portal.errorString()));
}

void TestCliDownload::downloadsList_data()
{
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("source");
    QTest::newRow("slots, list file") << QStringLiteral("2") << QStringLiteral("file");
    QTest::newRow("single connection, standard input") << QStringLiteral("1") << QStringLiteral("stdin");
    QTest::newRow("slots, GBK list file") << QStringLiteral("2") << QStringLiteral("gbk");
}

void TestCliDownload::downloadsList()
{
    QFETCH(QString, method);
    QFETCH(QString, source);
    const bool fromStdin = source == u"stdin";
    QTemporaryDir dir;
    const QString folder = dir.path() + QStringLiteral("/下载");
    QByteArray list = "# documents of the sample portal\n"
        + doc(QStringLiteral("kind=pdf&size=20000")) + "\t论文:一\tpdf\n"
        + "\n"
        // No name: the last segment of the address; the content decides the type.
        + doc(QStringLiteral("kind=caj&size=3000")) + "\t\tpdf\tsub\r\n"
        + doc(QStringLiteral("kind=pdf&size=5000&nolength=1")) + "\t报告\n"
        // A relative folder with a leading ":" lies inside --folder (and
        // loses its ":" like any name).
        + doc(QStringLiteral("kind=pdf&size=4000")) + "\t冒号\tpdf\t:::冒号\n";
    if (source == u"gbk")
        list = QStringEncoder("GB18030").encode(QString::fromUtf8(list));
    QStringList arguments = {QStringLiteral("--folder"), folder, QStringLiteral("--method"), method};
    if (fromStdin)
        arguments << QStringLiteral("--list") << QStringLiteral("-");
    else {
        QVERIFY(TestFiles::WriteFile(dir.filePath(QStringLiteral("list.txt")), list));
        arguments << QStringLiteral("--list") << dir.filePath(QStringLiteral("list.txt"));
    }
    const Run run = runCli(arguments, fromStdin ? list : QByteArray());
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));

    const QString base = folder + QLatin1Char('/');
    const QStringList expected = {
        QStringLiteral("论文一\tpdf\t20000\t20000\t100%\t") + base + QStringLiteral("\tDone"),
        QStringLiteral("filekind=caj&size=3000\tcaj\t3000\t3000\t100%\t") + base
            + QStringLiteral("sub/\tDone"),
        QStringLiteral("报告\tpdf\t5000\t5000\t100%\t") + base + QStringLiteral("\tDone"),
        QStringLiteral("冒号\tpdf\t4000\t4000\t100%\t") + base + QStringLiteral("冒号/\tDone"),
    };
    QCOMPARE(run.rows, expected);
    QCOMPARE(QFileInfo(base + QStringLiteral("论文一.pdf")).size(), 20000);
    QCOMPARE(QFileInfo(base + QStringLiteral("sub/filekind=caj&size=3000.caj")).size(), 3000);
    QCOMPARE(QFileInfo(base + QStringLiteral("报告.pdf")).size(), 5000);
    QCOMPARE(QFileInfo(base + QStringLiteral("冒号/冒号.pdf")).size(), 4000);
    QCOMPARE(filesBelow(folder).size(), 4);
}

void TestCliDownload::failedRowsExitOne_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("slots") << QStringLiteral("2");
    QTest::newRow("single connection") << QStringLiteral("1");
}

// A 404 answer (the engines keep its page as a web-page row) and a refused
// connection both keep the run from counting as done; the good row arrives,
// and the failed one says why on standard error.
void TestCliDownload::failedRowsExitOne()
{
    QFETCH(QString, method);
    QTemporaryDir dir;
    const QByteArray list = doc(QStringLiteral("kind=pdf&status=404")) + "\t缺失\tpdf\n"
        + doc(QStringLiteral("kind=pdf&size=1000")) + "\t好\tpdf\n"
        + "http://127.0.0.1:1/refused\t拒绝\tpdf\n";
    const Run run = runCli({QStringLiteral("--folder"), dir.path(), QStringLiteral("--method"), method}, list);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.rows.size(), 3);
    QVERIFY2(run.rows.at(0).startsWith(QStringLiteral("缺失\thtm")), qPrintable(run.rows.at(0)));
    QVERIFY(run.errors.contains(QStringLiteral("line 1: a web page came instead of the document")));
    QVERIFY(run.rows.at(1).endsWith(QStringLiteral("\tDone")));
    QVERIFY(run.rows.at(2).endsWith(QStringLiteral("\tFailed")));
    QVERIFY2(run.errors.contains(QStringLiteral("line 3: failed (connection refused)")), qPrintable(run.errors));
    QVERIFY(!run.errors.contains(QStringLiteral("line 2:")));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("好.pdf"))).size(), 1000);
}

void TestCliDownload::tooBigRowsExitOne_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("slots") << QStringLiteral("2");
    QTest::newRow("single connection") << QStringLiteral("1");
}

// "大文件，跳过" ends a row Done, but no document arrived: not success, and
// the run says which line it was (announced size or a body without one).
void TestCliDownload::tooBigRowsExitOne()
{
    QFETCH(QString, method);
    QTemporaryDir dir;
    const QByteArray list = doc(QStringLiteral("kind=pdf&size=1000")) + "\t好\tpdf\n"
        + doc(QStringLiteral("kind=pdf&size=300000")) + "\t大\tpdf\n"
        + doc(QStringLiteral("kind=pdf&size=300000&nolength=1")) + "\t无长度\tpdf\n";
    const Run run = runCli({QStringLiteral("--folder"), dir.path(), QStringLiteral("--method"), method,
                            QStringLiteral("--max-size"), QStringLiteral("0.1")},
                           list);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.rows.size(), 3);
    QVERIFY(!run.errors.contains(QStringLiteral("line 1:")));
    QVERIFY2(run.errors.contains(QStringLiteral("line 2: skipped as too big (大文件，跳过)")), qPrintable(run.errors));
    QVERIFY2(run.errors.contains(QStringLiteral("line 3: skipped as too big")), qPrintable(run.errors));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("好.pdf"))).size(), 1000);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("大.pdf"))));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("无长度.pdf"))));
}

void TestCliDownload::folderOdditiesFailRows_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("slots") << QStringLiteral("2");
    QTest::newRow("single connection") << QStringLiteral("1");
}

// A folder that cannot be made as named fails its row with the folder it
// asked for: no shorter cut of a long name, no falling back to --folder.
void TestCliDownload::folderOdditiesFailRows()
{
    QFETCH(QString, method);
    QTemporaryDir dir;
    const QByteArray list = doc(QStringLiteral("kind=pdf&size=1000")) + "\t好\tpdf\n"
        + doc(QStringLiteral("kind=pdf&size=1001")) + "\t长\tpdf\t" + QByteArray(300, 'x') + "\n"
        + doc(QStringLiteral("kind=pdf&size=1002")) + "\t点\tpdf\t...\n";
    const Run run = runCli({QStringLiteral("--folder"), dir.path(), QStringLiteral("--method"), method}, list);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.rows.size(), 3);
    QVERIFY(run.rows.at(0).endsWith(QStringLiteral("\tDone")));
    const QString base = dir.path() + u'/';
    QVERIFY2(run.rows.at(1).endsWith(u'\t' + base + QString(300, u'x') + QStringLiteral("/\tFailed")),
             qPrintable(run.rows.at(1)));
    QVERIFY2(run.rows.at(2).endsWith(u'\t' + base + QStringLiteral(".../\tFailed")), qPrintable(run.rows.at(2)));
    QVERIFY2(run.errors.contains(QStringLiteral("文件夹名称有误！不能创建文件夹！")), qPrintable(run.errors));
    QCOMPARE(filesBelow(dir.path()), QStringList{dir.filePath(QStringLiteral("好.pdf"))});
}

void TestCliDownload::proxyCarriesMethodOne()
{
    TinyProxy proxy;
    QVERIFY2(proxy.start(), qPrintable(proxy.errorString()));
    QTemporaryDir dir;
    const QByteArray address = doc(QStringLiteral("kind=pdf&size=4000&via=proxy"));
    const Run run = runCli({QStringLiteral("--folder"), dir.path(), QStringLiteral("--method"), QStringLiteral("1"),
                            QStringLiteral("--proxy"), QStringLiteral("127.0.0.1:%1").arg(proxy.port())},
                           address + "\t经代理\tpdf\n");
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("经代理.pdf"))).size(), 4000);
    QVERIFY2(proxy.waitForLog(QStringLiteral("via=proxy")), qPrintable(proxy.log()));
}

void TestCliDownload::badInputExitsTwo_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<QString>("message");
    const QByteArray good = "http://127.0.0.1:1/x\n";
    const QStringList none;
    QTest::newRow("not http") << none << QByteArray("# ok\nftp://127.0.0.1/x\n") << QStringLiteral("line 2");
    QTest::newRow("six fields") << none << QByteArray("http://h/x\ta\tpdf\t\t\textra\n") << QStringLiteral("line 1");
    QTest::newRow("type leaving the folder") << none << QByteArray("http://h/x\ta\t../../x\n") << QStringLiteral("type");
    QTest::newRow("a relative folder climbing out") << none << QByteArray("http://h/x\ta\tpdf\tsub/../../escape\n")
                                                    << QStringLiteral("line 1: the folder \"sub/../../escape\"");
    QTest::newRow("four alternatives") << none << QByteArray("http://h/1|http://h/2|http://h/3|http://h/4\n")
                                       << QStringLiteral("alternatives");
    QTest::newRow("UTF-16 list") << none << QByteArray("\xFF\xFEh\0t\0t\0p\0:\0", 12)
                                 << QStringLiteral("- line 1: the list is UTF-16");
    QTest::newRow("UTF-16 list without a mark") << none << QByteArray("h\0t\0t\0p\0:\0/\0/\0h\0\n\0", 18)
                                                << QStringLiteral("- line 1: UTF-16 text");
    QTest::newRow("a 10 MB line") << none << QByteArray("http://h/") + QByteArray(10 * 1024 * 1024, 'a') + "\n"
                                  << QStringLiteral("- line 1: 10485769 bytes long");
    QTest::newRow("bytes neither UTF-8 nor GB18030")
        << none << QByteArray("http://h/1\n\nhttp://h/2\t\xFF\n") << QStringLiteral("- line 3: bytes that are neither");
    QTest::newRow("threads 7") << QStringList{QStringLiteral("--threads"), QStringLiteral("7")} << good
                               << QStringLiteral("--threads");
    QTest::newRow("method 3") << QStringList{QStringLiteral("--method"), QStringLiteral("3")} << good
                              << QStringLiteral("--method");
    QTest::newRow("interval") << QStringList{QStringLiteral("--interval"), QStringLiteral("601")} << good
                              << QStringLiteral("--interval");
    QTest::newRow("duplicate") << QStringList{QStringLiteral("--duplicate"), QStringLiteral("替换")} << good
                               << QStringLiteral("--duplicate");
    QTest::newRow("max size") << QStringList{QStringLiteral("--max-size"), QStringLiteral("0")} << good
                              << QStringLiteral("--max-size");
    QTest::newRow("proxy without port") << QStringList{QStringLiteral("--method"), QStringLiteral("1"),
                                                       QStringLiteral("--proxy"), QStringLiteral("host")}
                                        << good << QStringLiteral("--proxy");
    QTest::newRow("proxy with slots") << QStringList{QStringLiteral("--proxy"), QStringLiteral("127.0.0.1:3128")}
                                      << good << QStringLiteral("--method 1");
    QTest::newRow("unknown option") << QStringList{QStringLiteral("--bogus")} << good << QStringLiteral("bogus");
    QTest::newRow("missing list") << QStringList{QStringLiteral("--list"), QStringLiteral("/nonexistent/list")}
                                  << good << QStringLiteral("/nonexistent/list");
}

void TestCliDownload::badInputExitsTwo()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, list);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const Run run = runCli(QStringList{QStringLiteral("--folder"), dir.path()} + arguments, list);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errors.contains(message), qPrintable(run.errors));
    QCOMPARE(run.rows, QStringList());
    QCOMPARE(filesBelow(dir.path()), QStringList());
}

namespace {
// The session cookie of a sign-in on the portal, made outside the program.
QByteArray signInToken(const PortalProcess &portal)
{
    QNetworkAccessManager network;
    QNetworkReply *reply =
        network.get(QNetworkRequest(QUrl(portal.url(QStringLiteral("login?userid=reader&password=pw")))));
    QSignalSpy finished(reply, &QNetworkReply::finished);
    finished.wait(20000);
    QByteArray token;
    for (const QNetworkCookie &cookie :
         QNetworkCookie::parseCookies(reply->rawHeader(QByteArrayLiteral("Set-Cookie")))) {
        if (cookie.name() == "LHSESSION")
            token = cookie.value();
    }
    reply->deleteLater();
    return token;
}
} // namespace

// A sign-in made elsewhere, given as a cookies file: the portal that wants a
// session for every document serves them; its cookie goes to that host and
// path only; without the file the sign-in page comes instead.
void TestCliDownload::cookiesFileSignsTheRunIn()
{
    PortalProcess portal({QStringLiteral("--require-login")});
    QVERIFY2(portal.start(), qPrintable(portal.errorString()));
    const QByteArray token = signInToken(portal);
    QVERIFY(!token.isEmpty());
    QTemporaryDir dir;
    const QString cookies = dir.filePath(QStringLiteral("cookies.txt"));
    const QByteArray text = "# Netscape HTTP Cookie File\n"
                            "127.0.0.1\tFALSE\t/\tFALSE\t0\tLHSESSION\t" + token + "\n"
                            "127.0.0.1\tFALSE\t/elsewhere\tFALSE\t0\tpathonly\t1\n"
                            "other.test\tFALSE\t/\tFALSE\t0\totherhost\t1\n";
    QVERIFY(TestFiles::WriteFile(cookies, text));
    const QString folder = dir.filePath(QStringLiteral("docs"));
    const QByteArray list = portal.url(QStringLiteral("file?kind=pdf&size=3000&mark=c1")).toUtf8() + "\t登录后\tpdf\n";
    for (const char *method : {"1", "2"}) {
        const Run run = runCli({QStringLiteral("--folder"), folder, QStringLiteral("--duplicate"),
                                QStringLiteral("覆盖"), QStringLiteral("--method"), QString::fromLatin1(method),
                                QStringLiteral("--cookies"), cookies},
                               list);
        QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
        QCOMPARE(QFileInfo(folder + QStringLiteral("/登录后.pdf")).size(), 3000);
    }
    const QList<PortalRequest> asked = portal.requestsTo(QStringLiteral("mark=c1"));
    QVERIFY(!asked.isEmpty());
    for (const PortalRequest &request : asked)
        QCOMPARE(request.cookie, QStringLiteral("LHSESSION=") + QString::fromLatin1(token));
    QFile read(cookies);
    QVERIFY(read.open(QIODevice::ReadOnly));
    QCOMPARE(read.readAll(), text); // only read

    const Run without = runCli({QStringLiteral("--folder"), dir.filePath(QStringLiteral("plain"))}, list);
    QCOMPARE(without.exitCode, 1);
    QVERIFY(without.errors.contains(QStringLiteral("a web page came instead of the document")));
}

void TestCliDownload::badCookiesLineExitsTwo()
{
    QTemporaryDir dir;
    const QString cookies = dir.filePath(QStringLiteral("cookies.txt"));
    QVERIFY(TestFiles::WriteFile(cookies, "127.0.0.1\tFALSE\t/\tFALSE\t0\tgood\tsecret-value\n"
                                          "127.0.0.1 FALSE / FALSE 0 bad secret-value\n"));
    const QString folder = dir.filePath(QStringLiteral("docs"));
    const Run run = runCli({QStringLiteral("--folder"), folder, QStringLiteral("--cookies"), cookies},
                           doc(QStringLiteral("kind=pdf&size=1000&mark=c2")) + "\t不下载\tpdf\n");
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.errors.contains(cookies + QStringLiteral(":2:")), qPrintable(run.errors));
    QVERIFY(!run.errors.contains(QStringLiteral("secret-value"))); // cookie values are not echoed
    QCOMPARE(run.rows, QStringList());
    QCOMPARE(filesBelow(folder), QStringList());
    QVERIFY(m_portal.requestsTo(QStringLiteral("mark=c2")).isEmpty());

    const Run missing = runCli({QStringLiteral("--folder"), folder, QStringLiteral("--cookies"),
                                dir.filePath(QStringLiteral("none.txt"))},
                               doc(QStringLiteral("kind=pdf")) + "\n");
    QCOMPARE(missing.exitCode, 2);
    QVERIFY(missing.errors.contains(QStringLiteral("none.txt")));
}

void TestCliDownload::interruptStopsAndLeavesNoPartialFile_data()
{
    QTest::addColumn<QString>("method");
    QTest::newRow("slots") << QStringLiteral("2");
    QTest::newRow("single connection") << QStringLiteral("1");
}

void TestCliDownload::interruptStopsAndLeavesNoPartialFile()
{
    QFETCH(QString, method);
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("out"));
    QProcess process;
    process.start(QStringLiteral(LITHARVEST_CLI),
                  {QStringLiteral("download"), QStringLiteral("--folder"), folder, QStringLiteral("--method"), method,
                   QStringLiteral("--threads"), QStringLiteral("1")});
    QVERIFY(process.waitForStarted());
    process.write(doc(QStringLiteral("kind=pdf&size=100000&stall=60&after=50000")) + "\t半途\tpdf\n" + doc(QStringLiteral("kind=pdf")) + "\t后面\tpdf\n");
    process.closeWriteChannel();
    // Half the body is on disk (in whatever file the engine writes) when Ctrl-C comes.
    const auto bytesOnDisk = [&folder] {
        qint64 total = 0;
        for (const QString &file : filesBelow(folder))
            total += QFileInfo(file).size();
        return total;
    };
    QTRY_COMPARE_WITH_TIMEOUT(bytesOnDisk(), qint64(50000), 15000);
    ::kill(pid_t(process.processId()), SIGINT);
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 130);
    const QStringList rows = QString::fromUtf8(process.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 2);
    QVERIFY2(rows.at(0).startsWith(QStringLiteral("半途\t")) && rows.at(0).endsWith(QStringLiteral("\tFailed")),
             qPrintable(rows.at(0)));
    QVERIFY(rows.at(1).endsWith(QStringLiteral("\tWaiting")));
    QCOMPARE(filesBelow(folder), QStringList());
}

QTEST_GUILESS_MAIN(TestCliDownload)
// Method 2 under rows that cannot end well: a folder that is a file, a body
// cut short of its length, an error status with a text body. Each row fails
// and leaves no file (no temporary one either); the rows after them arrive.
void TestCliDownload::faultyRowsLeaveNothingAndTheRunGoesOn()
{
    ScriptedServer denied("HTTP/1.1 403 Forbidden\r\nContent-Type: text/plain\r\nContent-Length: 13\r\n"
                          "Connection: close\r\n\r\naccess denied",
                          ScriptedServer::End::Close);
    QVERIFY(denied.start());
    QTemporaryDir dir;
    QVERIFY(TestFiles::WriteFile(dir.filePath(QStringLiteral("blocker")), "a file where a folder should be"));
    const QByteArray list = doc(QStringLiteral("kind=pdf&size=1000")) + "\t挡住\tpdf\tblocker\n"
        + doc(QStringLiteral("kind=pdf&size=1000&cut=60")) + "\t半截\tpdf\n"
        + denied.base() + "doc.pdf\t拒绝\tpdf\n"
        + doc(QStringLiteral("kind=pdf&size=2000")) + "\t好\tpdf\n";
    const Run run = runCli({QStringLiteral("--folder"), dir.path(), QStringLiteral("--method"), QStringLiteral("2")}, list);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.rows.size(), 4);
    for (int i = 0; i < 3; ++i)
        QVERIFY2(run.rows.at(i).endsWith(QStringLiteral("\tFailed")), qPrintable(run.rows.at(i)));
    QVERIFY(run.rows.at(3).endsWith(QStringLiteral("\tDone")));
    QCOMPARE(filesBelow(dir.path()), QStringList({dir.filePath(QStringLiteral("blocker")), dir.filePath(QStringLiteral("好.pdf"))}));
    QCOMPARE(QFileInfo(dir.filePath(QStringLiteral("好.pdf"))).size(), 2000);
}

#include "tst_cli_download.moc"
