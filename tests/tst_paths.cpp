// Path and folder routines over a small temporary tree.
#include "common/Paths.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString u8(const char *text) { return QString::fromUtf8(text); }

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
}
}

class TestPaths : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void fileExists_data();
    void fileExists();
    void folderExists();
    void absoluteFilePath_data();
    void absoluteFilePath();
    void splitPath_data();
    void splitPath();
    void splitBracketNumber_data();
    void splitBracketNumber();
    void subFoldersListBeforeDescending();
    void subFoldersNeedAbsolutePath();
    void allFilesSkipAndStayInside();
    void urlFileExt_data();
    void urlFileExt();
    void platformFolders();

private:
    QTemporaryDir m_dir;
    QTemporaryDir m_outside; // what links point at: must never be walked
    QString m_root;          // ends in "/"
};

void TestPaths::initTestCase()
{
    QVERIFY(m_dir.isValid() && m_outside.isValid());
    m_root = m_dir.path() + u'/';
    // root: A/A1/A11, A/pagefile.sys, B/B1, RECYCLER/, a.pdf, .hidden,
    // dangling -> nowhere, toDir -> outside, toFile -> a.pdf
    QDir d(m_root);
    for (const char *sub : {"A/A1/A11", "B/B1", "RECYCLER"})
        QVERIFY(d.mkpath(u8(sub)));
    touch(m_root + u8("a.pdf"));
    touch(m_root + u8(".hidden"));
    touch(m_root + u8("A/PageFile.SYS"));
    touch(m_root + u8("A/A1/deep.caj"));
    touch(m_root + u8("B/B1/报告.pdf"));
    touch(m_outside.path() + u8("/secret.txt"));
    QVERIFY(QFile::link(m_root + u8("nowhere"), m_root + u8("dangling")));
    QVERIFY(QFile::link(m_outside.path(), m_root + u8("toDir")));
    QVERIFY(QFile::link(m_root + u8("a.pdf"), m_root + u8("toFile")));
}

void TestPaths::fileExists_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("exists");
    QTest::newRow("file URL with spaces") << u8("  file://") + m_root + u8("a.pdf  ") << true;
    QTest::newRow("FILE URL") << u8("FILE://") + m_root + u8("a.pdf") << true;
    QTest::newRow("hidden") << m_root + u8(".hidden") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("spaces") << u8("   ") << false;
    QTest::newRow("folder") << m_root + u8("A") << false;
    QTest::newRow("missing") << m_root + u8("b.pdf") << false;
    // A dangling link is not a free name: writing there would follow it.
    QTest::newRow("dangling link") << m_root + u8("dangling") << true;
    QTest::newRow("link to file") << m_root + u8("toFile") << true;
    QTest::newRow("link to folder") << m_root + u8("toDir") << false;
    // A NUL would otherwise cut the name short and test a.pdf.
    QTest::newRow("NUL inside") << m_root + u8("a.pdf") + QChar(0) + u8("x") << false;
}

void TestPaths::fileExists()
{
    QFETCH(QString, path);
    QFETCH(bool, exists);
    QCOMPARE(FileExists(path), exists);
}

void TestPaths::folderExists()
{
    QVERIFY(FolderExists(m_root + u8("A")));
    QVERIFY(FolderExists(m_root + u8("A/")));
    QVERIFY(FolderExists(m_root + u8("toDir")));
    QVERIFY(!FolderExists(u8("   ")));
    QVERIFY(!FolderExists(QString()));
    QVERIFY(!FolderExists(m_root + u8("a.pdf")));
    QVERIFY(!FolderExists(u8(" ") + m_root + u8("A"))); // not trimmed
    QVERIFY(!FolderExists(m_root + u8("A") + QChar(0)));
}

void TestPaths::absoluteFilePath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("base");
    QTest::addColumn<bool>("absolute");
    QTest::addColumn<QString>("answer");
    QTest::newRow("absolute, cleaned") << u8("/a//b/./c/") << u8("/x") << true << u8("/a/b/c");
    QTest::newRow("relative under the base") << u8("sub/dir") << u8("/x/y/") << false << u8("/x/y/sub/dir");
    // Qt's resource prefix is an ordinary character on disk: such a folder
    // lies under the base like any other relative one.
    QTest::newRow("leading colon") << u8(":::sub dir") << u8("/x") << false << u8("/x/:::sub dir");
    QTest::newRow("colon and slash") << u8(":/etc") << u8("/x") << false << u8("/x/:/etc");
    QTest::newRow("relative base") << u8("a") << u8("b") << false << QDir::currentPath() + u8("/b/a");
    QTest::newRow("no base: the working folder") << u8("a") << QString() << false << QDir::currentPath() + u8("/a");
}

void TestPaths::absoluteFilePath()
{
    QFETCH(QString, path);
    QFETCH(QString, base);
    QFETCH(bool, absolute);
    QFETCH(QString, answer);
    QCOMPARE(IsAbsoluteFilePath(path), absolute);
    QCOMPARE(AbsoluteFilePath(path, base), answer);
}

void TestPaths::splitPath_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("ext");
    QTest::newRow("plain") << u8("/a/report.pdf") << u8("/a/") << u8("report") << u8("pdf");
    QTest::newRow("extension of 7") << u8("/a/data.backup7") << u8("/a/") << u8("data.backup7") << QString();
    QTest::newRow("dot only name") << u8("/a/.pdf") << u8("/a/") << u8(".pdf") << QString();
    QTest::newRow("no folder") << u8("notes") << QString() << u8("notes") << QString();
    QTest::newRow("dot in folder") << u8("/a/b.c/file") << u8("/a/b.c/") << u8("file") << QString();
    QTest::newRow("last dot") << u8("x.tar.gz") << QString() << u8("x.tar") << u8("gz");
    QTest::newRow("trimmed parts") << u8("  /a/b .pdf ") << u8("/a/") << u8("b") << u8("pdf");
}

void TestPaths::splitPath()
{
    QFETCH(QString, path);
    const PathParts parts = SplitPath(path);
    QTEST(parts.folder, "folder");
    QTEST(parts.baseName, "base");
    QTEST(parts.extension, "ext");
}

void TestPaths::splitBracketNumber_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("counter");
    QTest::newRow("counter") << u8("report[003]") << u8("report") << u8("003");
    QTest::newRow("spaces") << u8("report [ 7 ]") << u8("report ") << u8("7");
    QTest::newRow("decimal") << u8("a[-1.5]") << u8("a") << u8("-1.5");
    QTest::newRow("letters") << u8("report[abc]") << u8("report[abc]") << QString();
    QTest::newRow("not at end") << u8("x[1]y") << u8("x[1]y") << QString();
    QTest::newRow("empty base") << u8("[12]") << u8("[12]") << QString();
    QTest::newRow("empty brackets") << u8("a[]") << u8("a[]") << QString();
    QTest::newRow("reversed") << u8("a]1[") << u8("a]1[") << QString();
}

void TestPaths::splitBracketNumber()
{
    QFETCH(QString, name);
    const BracketNumber split = SplitBracketNumber(name);
    QTEST(split.base, "base");
    QTEST(split.counter, "counter");
}

void TestPaths::subFoldersListBeforeDescending()
{
    QString folder = m_dir.path(); // no trailing "/"
    QStringList list;
    GetSubFolders(folder, list, true);
    QCOMPARE(folder, m_root);
    // The three subfolders of the root first, in listing order, then A's and
    // B's subtrees in that same order; the folder link is neither listed nor
    // walked.
    QCOMPARE(list.size(), 6);
    const QSet<QString> top(list.cbegin(), list.cbegin() + 3);
    QCOMPARE(top, QSet<QString>({m_root + u8("A"), m_root + u8("B"), m_root + u8("RECYCLER")}));
    const QStringList tail = list.mid(3);
    const qsizetype a1 = tail.indexOf(m_root + u8("A/A1"));
    const qsizetype a11 = tail.indexOf(m_root + u8("A/A1/A11"));
    const qsizetype b1 = tail.indexOf(m_root + u8("B/B1"));
    QVERIFY(a1 >= 0 && a11 == a1 + 1 && b1 >= 0);
    QCOMPARE(a1 < b1, list.indexOf(m_root + u8("A")) < list.indexOf(m_root + u8("B")));

    QStringList flat;
    GetSubFolders(folder, flat, false);
    QCOMPARE(flat.size(), 3);
}

void TestPaths::subFoldersNeedAbsolutePath()
{
    QStringList list{u8("kept")};
    QString relative = u8("Data");
    GetSubFolders(relative, list, true);
    QCOMPARE(list, QStringList{u8("kept")});
    QCOMPARE(relative, u8("Data"));
    QString missing = m_root + u8("none");
    GetSubFolders(missing, list, true);
    QCOMPARE(list, QStringList{u8("kept")});
    QCOMPARE(missing, m_root + u8("none/"));
}

void TestPaths::allFilesSkipAndStayInside()
{
    QString folder = m_root;
    QStringList list;
    GetAllFiles(folder, list, true);
    // pagefile.sys in any case is never listed; links are listed as entries
    // (a folder link is not a file), the folder behind toDir is not walked.
    const QSet<QString> expected{m_root + u8("a.pdf"), m_root + u8(".hidden"), m_root + u8("dangling"),
                                 m_root + u8("toFile"), m_root + u8("A/A1/deep.caj"),
                                 m_root + u8("B/B1/报告.pdf")};
    QCOMPARE(QSet<QString>(list.cbegin(), list.cend()), expected);
    QCOMPARE(list.size(), expected.size());

    QStringList flat;
    GetAllFiles(folder, flat, false);
    QCOMPARE(flat.size(), 4);

    // An empty folder text must not turn into "/" and walk the whole disk.
    QString empty;
    QStringList none;
    GetAllFiles(empty, none, true);
    QVERIFY(none.isEmpty());
}

void TestPaths::urlFileExt_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("ext");
    QTest::newRow("query cut") << u8("http://h/dir/Report.PDF?x=1") << u8("PDF");
    QTest::newRow("cache path") << u8("/cache/a1b2/page[1].htm") << u8("htm");
    QTest::newRow("folder link") << u8("http://h/dir/") << QString();
    QTest::newRow("dot in folder") << u8("http://h/a.b/c") << QString();
    QTest::newRow("seven letters") << u8("http://h/file.longext") << QString();
    QTest::newRow("fragment") << u8("https://h/a.caj#page=2") << u8("caj");
    // The part between the two schemes is what counts.
    QTest::newRow("second link") << u8("http://h/a.pdf?u=http://x/y.doc") << u8("pdf");
    QTest::newRow("second link ignored") << u8("http://h/down?u=http://x/y.doc") << QString();
    QTest::newRow("backslash segment") << u8("http://h/x.pdf\\y.caj") << u8("caj");
    QTest::newRow("empty") << QString() << QString();
}

void TestPaths::urlFileExt()
{
    QFETCH(QString, text);
    QTEST(GetUrlFileExt(text), "ext");
}

void TestPaths::platformFolders()
{
    const QString system = GetSystemFolder();
    QVERIFY(system.startsWith(u'/') && !system.endsWith(u'/'));
    QVERIFY(!QDir(system).entryList({u8("libc.so*")}).isEmpty());
    QCOMPARE(GetShortPath(m_root + u8("a.pdf")), m_root + u8("a.pdf"));
    QCOMPARE(GetShortPath(m_root + u8("missing")), QString());
}

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_paths.moc"
