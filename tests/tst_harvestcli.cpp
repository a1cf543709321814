// litharvest-cli harvest as a user runs it: saved result pages in the
// encodings they come in, the options, the exit statuses, and pages fetched
// from the sample portal over loopback HTTP.
#include "harvest/core/PageSource.h"
#include "harvest/core/ResultPageParser.h"
#include "tests/support/PortalProcess.h"
#include "tests/support/TestFiles.h"

#include <QDir>
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
    void savedPage_data();
    void savedPage();
    void portalPages();
    void portalVerification();
};

void TestHarvestCli::savedPage_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("expected"); // %F = the file's own address, %D = the work folder
    QTest::addColumn<int>("exitCode");

    const QString base = QStringLiteral("--base=http://127.0.0.1:9");
    const QString blocks = result(QStringLiteral("中文期刊文章"), QStringLiteral("download?id=1&amp;kind=pdf"),
                                  QStringLiteral(" 深度 学习\u3000研究\t综述 "))
                           + result(QStringLiteral("古籍"), QStringLiteral("download?id=2"), QStringLiteral("史记"))
                           + result(QStringLiteral("古籍"), QStringLiteral("download?id=2"), QStringLiteral("史记重出"));
    const QString line1 = QStringLiteral("http://127.0.0.1:9/download?id=1&kind=pdf&type=1\t深度学习研究 综述\tpdf\t\t%F\n");
    const QString line2 = QStringLiteral("http://127.0.0.1:9/download?id=2&type=3\t史记\tpdf\t\t%F\n");

    QTest::newRow("GB18030 page declared gbk; one line per address")
        << gb18030(resultPage(QStringLiteral("gbk"), blocks)) << QStringList{base} << line1 + line2 << 0;
    QTest::newRow("UTF-8 page with a byte-order mark, declared gb2312")
        << QByteArray("\xEF\xBB\xBF") + resultPage(QStringLiteral("gb2312"), blocks).toUtf8() << QStringList{base}
        << line1 + line2 << 0;
    // GB18030 bytes under a meta that still says utf-8 (a page saved by an
    // older build): read as GB18030. The saved-from mark names the portal.
    QTest::newRow("saved by the window: GB18030 bytes under a utf-8 meta, portal from the mark")
        << gb18030(resultPage(QStringLiteral("utf-8"), blocks,
                              QStringLiteral("<!-- saved from url=(0041)http://127.0.0.1:9/search?q=x&page=3 -->\n")))
        << QStringList() << line1 + line2 << 0;
    // What "网页另存为" writes now: the mark in front, the charset naming the
    // code page the file is in.
    {
        const QString saved = SavedPageMarkup(resultPage(QStringLiteral("utf-8"), blocks),
                                              QUrl(QStringLiteral("http://127.0.0.1:9/search?q=x&page=3")));
        QVERIFY(saved.startsWith(QStringLiteral("<!-- saved from url=(0036)http://127.0.0.1:9/search?q=x&page=3 -->")));
        QVERIFY(saved.contains(QStringLiteral("charset=\"gb18030\"")) || saved.contains(QStringLiteral("charset=gb18030")));
        QVERIFY(!saved.contains(QStringLiteral("utf-8"), Qt::CaseInsensitive));
        QTest::newRow("saved by the window: the mark and a gb18030 meta")
            << gb18030(saved) << QStringList() << line1 + line2 << 0;
    }
    QTest::newRow("--keep-spaces, --folder and --ref")
        << resultPage(QStringLiteral("utf-8"), blocks).toUtf8()
        << QStringList{base, QStringLiteral("--keep-spaces"), QStringLiteral("--folder"), QStringLiteral("out"),
                       QStringLiteral("--ref"), QStringLiteral("http://127.0.0.1:9/search?q=x")}
        << QStringLiteral("http://127.0.0.1:9/download?id=1&kind=pdf&type=1\t深度 学习\u3000研究 综述\tpdf\t%D/out/\t"
                          "http://127.0.0.1:9/search?q=x\n"
                          "http://127.0.0.1:9/download?id=2&type=3\t史记\tpdf\t%D/out/\thttp://127.0.0.1:9/search?q=x\n")
        << 0;
    QTest::newRow("--ref names the portal when nothing else does")
        << resultPage(QStringLiteral("utf-8"), blocks).toUtf8()
        << QStringList{QStringLiteral("--ref=http://127.0.0.1:9/search?q=x")}
        << QString(line1 + line2).replace(QStringLiteral("%F"), QStringLiteral("http://127.0.0.1:9/search?q=x")) << 0;
    QTest::newRow("verification notice beside results: nothing printed")
        << resultPage(QStringLiteral("utf-8"), blocks + QStringLiteral("<p>") + AccessBlockedNotice()).toUtf8()
        << QStringList{base} << QString() << 3;
    QTest::newRow("no portal address known") << resultPage(QStringLiteral("utf-8"), blocks).toUtf8() << QStringList()
                                             << QString() << 2;
    QTest::newRow("unknown option") << QByteArray() << QStringList{base, QStringLiteral("--fast")} << QString() << 2;
    QTest::newRow("--base that is not http")
        << QByteArray() << QStringList{QStringLiteral("--base=ftp://127.0.0.1/")} << QString() << 2;
}

void TestHarvestCli::savedPage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, options);
    QFETCH(QString, expected);
    QFETCH(int, exitCode);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("结果 页.html"));
    QVERIFY(TestFiles::WriteFile(path, bytes));

    const CliRun run = runHarvest(options + QStringList{path}, dir.path());
    QVERIFY2(run.exitCode == exitCode, qPrintable(QStringLiteral("exit %1: %2").arg(run.exitCode).arg(run.err)));
    const QString own = QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
    QCOMPARE(run.out, QString(expected).replace(QStringLiteral("%F"), own).replace(QStringLiteral("%D"), dir.path()));
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

QTEST_GUILESS_MAIN(TestHarvestCli)
#include "tst_harvestcli.moc"
