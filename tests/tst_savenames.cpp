// Save-name rules: cleaning names, creating folders, numbering duplicates,
// Content-Disposition, and the 255-byte file-name limit.
#include "common/TextCodec.h"
#include "download/core/DownloadListModel.h"
#include "download/core/SaveNames.h"
#include "download/core/SavePlan.h"
#include "tests/support/ScriptedDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
QString u8(const char *text) { return QString::fromUtf8(text); }

void touch(const QString &path)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
}

int lastComponentBytes(const QString &path)
{
    return Utf8Length(path.mid(path.lastIndexOf(u'/') + 1));
}

const QString kBadFolder = u8("文件夹名称有误！不能创建文件夹！");
}

class TestSaveNames : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void sanitize_data();
    void sanitize();
    void sanitizeLimits();
    void sanitizeHostileMegabyte();
    void createFolderPath();
    void createFolderPathRefuses();
    void rowFolderReportsLaterAndOnce();
    void rowFolderOddities_data();
    void rowFolderOddities();
    void nameFromUrl_data();
    void nameFromUrl();
    void renameSavePath();
    void renameSavePathLongNames();
    void uniqueFilePath();
    void uniqueFilePathLongNames();
    void contentDispositionLine();
    void contentDispositionName_data();
    void contentDispositionName();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root; // ends in "/"
};

void TestSaveNames::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_root = m_dir->path() + u'/';
}

void TestSaveNames::sanitize_data()
{
    QTest::addColumn<QString>("in");
    QTest::addColumn<QString>("out");
    QTest::newRow("reserved characters") << u8("a:b*c?.pdf") << u8("abc.pdf");
    QTest::newRow("all reserved") << u8("a\\b/c|d<e>f\"g") << u8("abcdefg");
    QTest::newRow("dots around") << u8("..报告..") << u8("报告");
    QTest::newRow("dots only") << u8("...") << QString();
    QTest::newRow("space runs halved") << u8("a  b   c") << u8("a b c");
    QTest::newRow("long space run") << u8("a") + QString(17, u' ') + u8("b") << u8("a b");
    QTest::newRow("outer spaces stay") << u8("  a  ") << u8(" a ");
    QTest::newRow("line breaks and NUL") << u8("a\r\nb\nc\rd") + QChar(0) + u8("e") << u8("abcde");
    QTest::newRow("parent folder") << u8("..") << QString();
    QTest::newRow("unpaired surrogate") << u8("a") + QChar(0xD800) << u8("a\xEF\xBF\xBD");
}

void TestSaveNames::sanitize()
{
    QFETCH(QString, in);
    QFETCH(QString, out);
    QCOMPARE(SanitizeFileName(in), out);
}

void TestSaveNames::sanitizeLimits()
{
    // 200 Chinese characters pass the 400-byte GBK limit but are 600 bytes
    // of UTF-8: the name is cut to whole characters within the reserve.
    const QString zhong = u8("中");
    const QString cut = SanitizeFileName(zhong.repeated(250));
    QCOMPARE(cut, zhong.repeated(kSanitizedNameMaxBytes / 3));
    QCOMPARE(SanitizeFileName(u8("a").repeated(500)), u8("a").repeated(kSanitizedNameMaxBytes));
    const QString emoji = SanitizeFileName(u8("😀").repeated(100));
    QCOMPARE(emoji, u8("😀").repeated(kSanitizedNameMaxBytes / 4));
    // Rare characters do not collapse into "?": different titles stay apart.
    QCOMPARE(SanitizeFileName(u8("𠀀报告")), u8("𠀀报告"));
    QVERIFY(SanitizeFileName(u8("𠀀报告")) != SanitizeFileName(u8("𠀁报告")));
}

void TestSaveNames::sanitizeHostileMegabyte()
{
    const QString chunk = u8("  ..a:%zz\r\n") + QChar(0) + QChar(0xDC00) + u8("中😀 ");
    const QString hostile = chunk.repeated((1 << 20) / chunk.size());
    const QString name = SanitizeFileName(hostile);
    QVERIFY(!name.isEmpty());
    QVERIFY(Utf8Length(name) <= kSanitizedNameMaxBytes);
    QVERIFY(!name.contains(u8("  ")));
    QCOMPARE(ReplaceUnpairedSurrogates(name), name);
}

void TestSaveNames::createFolderPath()
{
    ScriptedDialogs dialogs;
    const QString answer = CreateFolderPath(m_root + u8("下载/新建:文件夹/"));
    QCOMPARE(answer, m_root + u8("下载/新建文件夹"));
    QVERIFY(QFileInfo(m_root + u8("下载/新建文件夹")).isDir());
    // Existing folders are fine, and so is the root.
    QCOMPARE(CreateFolderPath(answer), answer);
    QCOMPARE(CreateFolderPath(u8("/")), u8("/"));
    QVERIFY(dialogs.shown().isEmpty());
}

void TestSaveNames::createFolderPathRefuses()
{
    ScriptedDialogs dialogs;
    QCOMPARE(CreateFolderPath(QString()), QString());
    QVERIFY(dialogs.shown().isEmpty());

    // "\\\share": the network form with an empty server name.
    QCOMPARE(CreateFolderPath(u8("///share")), QString());
    QCOMPARE(dialogs.messages(), QStringList{kBadFolder});
    QCOMPARE(dialogs.shown().constLast().icon, MessageIcon::Error);

    // ".." cleans to nothing: reported, and nothing is made beside the path.
    dialogs.clear();
    QCOMPARE(CreateFolderPath(m_root + u8("x/../y")), m_root + u8("x"));
    QCOMPARE(dialogs.messages(), QStringList{kBadFolder});
    QVERIFY(!QFileInfo::exists(m_root + u8("y")));

    // A file in the way: the folder cannot exist, and that is no name error.
    dialogs.clear();
    touch(m_root + u8("file"));
    QCOMPARE(CreateFolderPath(m_root + u8("file/sub")), QString());
    QVERIFY(dialogs.shown().isEmpty());

    // Longer than any path can be: nothing is created.
    QCOMPARE(CreateFolderPath(m_root + u8("d/").repeated(3000)), QString());
    QVERIFY(!QFileInfo::exists(m_root + u8("d")));
}

void TestSaveNames::nameFromUrl_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("drop");
    QTest::addColumn<QString>("name");
    QTest::newRow("last segment") << u8("http://h/a/报告.pdf") << false << u8("报告.pdf");
    QTest::newRow("dropped extension") << u8("http://h/a/报告.pdf") << true << u8("报告");
    QTest::newRow("last dot only") << u8("http://h/x.tar.gz") << true << u8("x.tar");
    QTest::newRow("trimmed") << u8("http://h/ x .pdf ") << true << u8("x");
    QTest::newRow("backslash") << u8("a\\b.c") << true << u8("b");
    QTest::newRow("folder link") << u8("http://h/dir/") << true << QString();
    QTest::newRow("no separator untrimmed") << u8(" a ") << false << u8(" a ");
}

void TestSaveNames::nameFromUrl()
{
    QFETCH(QString, address);
    QFETCH(bool, drop);
    QTEST(NameFromUrl(address, drop), "name");
}

void TestSaveNames::renameSavePath()
{
    const DuplicateMode rename = DuplicateMode::Rename;
    QString used;
    const QString folder = m_dir->path(); // no trailing "/": one is added
    QCOMPARE(重命名保存路径(folder, u8("报告"), u8("pdf"), used, rename), m_root + u8("报告.pdf"));
    QCOMPARE(used, u8("报告"));

    touch(m_root + u8("报告.pdf"));
    QCOMPARE(重命名保存路径(folder, u8("报告"), u8("pdf"), used, DuplicateMode::Overwrite), m_root + u8("报告.pdf"));
    QCOMPARE(used, u8("报告"));
    QCOMPARE(重命名保存路径(folder, u8("报告"), u8("pdf"), used, rename), m_root + u8("报告[001].pdf"));
    QCOMPARE(used, u8("报告[001]"));
    touch(m_root + u8("报告[001].pdf"));
    QCOMPARE(重命名保存路径(folder, u8("报告"), u8("pdf"), used, DuplicateMode::Skip), m_root + u8("报告[002].pdf"));

    // A numbered name goes on from its own number.
    touch(m_root + u8("报告[007].pdf"));
    QCOMPARE(重命名保存路径(folder, u8("报告[007]"), u8("pdf"), used, rename), m_root + u8("报告[008].pdf"));
    touch(m_root + u8("报告[999].pdf"));
    重命名保存路径(folder, u8("报告[999]"), u8("pdf"), used, rename);
    QCOMPARE(used, u8("报告[1000]"));

    // Brackets that are no counter are replaced.
    touch(m_root + u8("a[b].pdf"));
    重命名保存路径(folder, u8("a[b]"), u8("pdf"), used, rename);
    QCOMPARE(used, u8("a『b』"));

    // Without an extension the path is the row's own file, without a dot,
    // and numbering steps over an extensionless file that is there.
    QCOMPARE(重命名保存路径(folder, u8("报告"), QString(), used, rename), m_root + u8("报告"));
    touch(m_root + u8("报告"));
    QCOMPARE(重命名保存路径(folder, u8("报告"), QString(), used, rename), m_root + u8("报告[001]"));
    QCOMPARE(used, u8("报告[001]"));

    // A name that is nothing but a counter (or a dot and a counter) keeps
    // one: without it the answer would be the folder itself.
    touch(m_root + u8("[0]"));
    QCOMPARE(重命名保存路径(folder, u8("[0]"), QString(), used, rename), m_root + u8("[000]"));
    touch(m_root + u8(".[0]"));
    QCOMPARE(重命名保存路径(folder, u8(".[0]"), QString(), used, rename), m_root + u8(".[000]"));
    touch(m_root + u8("[5]"));
    QCOMPARE(重命名保存路径(folder, u8("[5]"), QString(), used, rename), m_root + u8("[005]"));
}

void TestSaveNames::renameSavePathLongNames()
{
    // A name that fills the file name: the plain path, its numbered
    // variants and a four-digit counter all fit 255 bytes.
    const DuplicateMode rename = DuplicateMode::Rename;
    const QString longName = u8("长").repeated(200);
    QString used;
    const QString plain = 重命名保存路径(m_root, longName, u8("pdf"), used, rename);
    QVERIFY(lastComponentBytes(plain) <= kFileNameMaxBytes);
    QVERIFY(longName.startsWith(used) && !used.isEmpty());
    touch(plain);

    const QString numbered = 重命名保存路径(m_root, longName, u8("pdf"), used, rename);
    QVERIFY(used.endsWith(u8("[001]")));
    QVERIFY(lastComponentBytes(numbered) <= kFileNameMaxBytes);
    touch(numbered);
    QVERIFY(重命名保存路径(m_root, longName, u8("pdf"), used, rename) != numbered);

    // The cut plain name loses the counter; once taken, numbering goes on
    // from it and widens past four digits, still within the limit.
    const QString counted = longName + u8("[9999]");
    touch(重命名保存路径(m_root, counted, u8("caj"), used, rename));
    const QString wide = 重命名保存路径(m_root, counted, u8("caj"), used, rename);
    QVERIFY(used.endsWith(u8("[9999]")));
    QVERIFY(lastComponentBytes(wide) <= kFileNameMaxBytes);
    touch(wide);
    const QString wider = 重命名保存路径(m_root, counted, u8("caj"), used, rename);
    QVERIFY(used.endsWith(u8("[10000]")));
    QVERIFY(lastComponentBytes(wider) <= kFileNameMaxBytes);

    // A silly extension is cut rather than making the name unopenable.
    const QString odd = 重命名保存路径(m_root, u8("a"), u8("x").repeated(400), used, rename);
    QVERIFY(lastComponentBytes(odd) <= kFileNameMaxBytes);
    // And a megabyte of name comes back at once, fitted.
    const QString huge = 重命名保存路径(m_root, u8("名").repeated(1 << 20), u8("pdf"), used, rename);
    QVERIFY(lastComponentBytes(huge) <= kFileNameMaxBytes);
}

void TestSaveNames::uniqueFilePath()
{
    QCOMPARE(UniqueFilePath(m_root + u8("a.caj")), m_root + u8("a.caj"));
    QCOMPARE(UniqueFilePath(u8("nofolder.caj")), u8("nofolder.caj"));
    touch(m_root + u8("a[0003].caj"));
    QCOMPARE(UniqueFilePath(m_root + u8("a[0003].caj")), m_root + u8("a.caj"));
    touch(m_root + u8("a.caj"));
    QCOMPARE(UniqueFilePath(m_root + u8("a[0003].caj")), m_root + u8("a[0001].caj"));
    touch(m_root + u8("a[0001].caj"));
    QCOMPARE(UniqueFilePath(m_root + u8("a.caj")), m_root + u8("a[0002].caj"));
    // Without an extension no dot is written.
    touch(m_root + u8("b"));
    QCOMPARE(UniqueFilePath(m_root + u8("b")), m_root + u8("b[0001]"));
    // A name that is only a counter is numbered anew, never the folder.
    touch(m_root + u8("[18030 ]"));
    QCOMPARE(UniqueFilePath(m_root + u8("[18030 ]")), m_root + u8("[0001]"));
    // Base cut to 100 characters.
    const QString base = u8("x").repeated(120);
    touch(m_root + base + u8(".pdf"));
    QCOMPARE(UniqueFilePath(m_root + base + u8(".pdf")), m_root + base.left(100) + u8(".pdf"));
}

void TestSaveNames::uniqueFilePathLongNames()
{
    // 83 Chinese characters and ".pdf" are 253 bytes: the numbered name
    // must lose characters to fit.
    const QString name = u8("长").repeated(83);
    touch(m_root + name + u8(".pdf"));
    const QString next = UniqueFilePath(m_root + name + u8(".pdf"));
    QVERIFY(lastComponentBytes(next) <= kFileNameMaxBytes);
    QVERIFY(next.endsWith(u8("[0001].pdf")));
    QVERIFY(!QFileInfo::exists(next));

    // The 100-character cut never splits a surrogate pair.
    const QString emoji = u8("a") + u8("😀").repeated(60);
    touch(m_root + emoji + u8(".pdf"));
    const QString cut = UniqueFilePath(m_root + emoji + u8(".pdf"));
    QCOMPARE(cut, m_root + u8("a") + u8("😀").repeated(49) + u8(".pdf"));

    // An extension that nearly fills the name on its own leaves no room for
    // a counter unless it gives way too.
    const QString longExt = u8("a.") + u8("x").repeated(252);
    touch(m_root + longExt);
    const QString shorter = UniqueFilePath(m_root + longExt);
    QVERIFY(shorter.startsWith(m_root + u8("a.xxx")) && !QFileInfo::exists(shorter));
    touch(shorter);
    const QString counted = UniqueFilePath(m_root + longExt);
    QVERIFY(lastComponentBytes(counted) <= kFileNameMaxBytes);
    QVERIFY(counted.startsWith(m_root + u8("a[0001].xxx")));

    // A name too long to exist is fitted even when nothing is there.
    const QString tooLong = UniqueFilePath(m_root + u8("名").repeated(300) + u8(".caj"));
    QVERIFY(lastComponentBytes(tooLong) <= kFileNameMaxBytes);
    QVERIFY(tooLong.endsWith(u8(".caj")));
}

void TestSaveNames::contentDispositionLine()
{
    const QString block = u8("HTTP/1.1 200 OK\r\nContent-Type: application/pdf\r\n"
                             "  CONTENT-disposition:   attachment; filename=a.pdf  \r\n\r\n");
    QCOMPARE(从网络文件Header获取ContentDisposition(block), u8("attachment; filename=a.pdf"));
    QCOMPARE(从网络文件Header获取ContentDisposition(u8("content-disposition: x\nContent-Type: y")), u8("x"));
    QCOMPARE(从网络文件Header获取ContentDisposition(u8("Content-Type: text/html\r\n")), QString());
    QCOMPARE(从网络文件Header获取ContentDisposition(QString()), QString());
}

void TestSaveNames::contentDispositionName_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("ext");
    QTest::newRow("quoted UTF-8 escapes") << u8("attachment; filename=\"%E4%B8%AD.pdf\"") << u8("中") << u8("pdf");
    QTest::newRow("only the star form") << u8("attachment; filename*=UTF-8''%E4%B8%AD.pdf") << QString() << QString();
    QTest::newRow("letters only") << u8("attachment; filename=report.pdf1") << u8("report") << u8("pdf");
    QTest::newRow("too long extension") << u8("filename=data.verylong") << u8("data") << QString();
    QTest::newRow("GBK with utf-8 hint") << u8("attachment; filename=\"%D6%D0%CE%C4.caj\"; charset=UTF-8")
                                         << u8("中文") << u8("caj");
    QTest::newRow("quotes and case") << u8("Attachment; FileName='a b.PDF'; size=3") << u8("a b") << u8("PDF");
    QTest::newRow("no dot") << u8("inline; filename=readme") << u8("readme") << QString();
    QTest::newRow("control characters") << u8("filename=\"a\r\n\tb.pdf\"") << u8("ab") << u8("pdf");
    QTest::newRow("no filename") << u8("inline") << QString() << QString();
}

void TestSaveNames::contentDispositionName()
{
    QFETCH(QString, value);
    QString type = u8("stale");
    QTEST(从下载头信息ContentDisposition获取文件名(value, type), "base");
    QTEST(type, "ext");
}

// While downloads run no box opens inside the caller: both methods' save
// plans fail the row at once, and the message comes once, from the event
// loop, however many rows failed; the document never lands in the parent.
void TestSaveNames::rowFolderReportsLaterAndOnce()
{
    ScriptedDialogs dialogs;
    DownloadListModel list;
    const QString bad = m_root + u8("下载/./论文/");
    list.addRow(u8("http://h/a"), u8("甲"), u8("pdf"), bad, QString());
    list.addRow(u8("http://h/b"), u8("乙"), u8("pdf"), bad, QString());
    QVERIFY(!PrepareSlotRow(list, 0));
    QCOMPARE(list.at(0).state, RowState::Failed);
    QCOMPARE(PlanSingleConnectionSavePath(list, 1, u8("pdf"), DuplicateMode::Rename), QString());
    QVERIFY(dialogs.shown().isEmpty());
    QTRY_COMPARE(dialogs.messages(), QStringList{kBadFolder});
    QTest::qWait(20);
    QCOMPARE(dialogs.messages(), QStringList{kBadFolder});
    QVERIFY(!QFileInfo::exists(m_root + u8("下载/甲.pdf")));
    QVERIFY(!QFileInfo::exists(m_root + u8("下载/乙.pdf")));

    // A later failure is told again.
    QCOMPARE(CreateRowFolder(bad), QString());
    QTRY_COMPARE(dialogs.messages().size(), 2);
}

// A row's folder is made as named or the row fails: never a shorter cut of
// its name, never its parent, never outside it, and the row keeps showing
// the folder it asked for.
void TestSaveNames::rowFolderOddities_data()
{
    QTest::addColumn<QString>("folder"); // below the test root
    QTest::addColumn<bool>("made");
    QTest::newRow("a 255-byte component") << QString(255, u'x') + u'/' << true;
    QTest::newRow("85 CJK characters, 255 bytes") << QString(85, QChar(0x8BBA)) + u'/' << true;
    QTest::newRow("a 300-byte component") << u8("下载/") + QString(300, u'x') + u'/' << false;
    QTest::newRow("86 CJK characters, 258 bytes") << QString(86, QChar(0x8BBA)) + u'/' << false;
    QTest::newRow("three dots") << u8("下载/.../") << false;
    QTest::newRow("climbing out with ..") << u8("下载/../../escape/") << false;
}

void TestSaveNames::rowFolderOddities()
{
    QFETCH(QString, folder);
    QFETCH(bool, made);
    ScriptedDialogs dialogs;
    const QString path = m_root + folder;
    QCOMPARE(CreateRowFolder(path), made ? QDir::cleanPath(path) : QString());
    QCOMPARE(QFileInfo(path).isDir(), made);
    if (made)
        return;
    QTRY_COMPARE(dialogs.messages(), QStringList{kBadFolder});

    DownloadListModel list;
    list.addRow(u8("http://h/a"), u8("甲"), u8("pdf"), path, QString());
    list.addRow(u8("http://h/b"), u8("乙"), u8("pdf"), path, QString());
    QVERIFY(!PrepareSlotRow(list, 0));
    QCOMPARE(list.at(0).folder, path);
    QCOMPARE(PlanSingleConnectionSavePath(list, 1, u8("pdf"), DuplicateMode::Rename), QString());
    QCOMPARE(list.at(1).folder, path);
    // Nothing was made beside it: not the cut name, not the parent's files.
    const QString cut = m_root + u8("下载/") + QString(kSanitizedNameMaxBytes, u'x');
    QVERIFY(!QFileInfo::exists(cut));
    QVERIFY(!QFileInfo::exists(m_root + u8("escape")));
    QVERIFY(!QFileInfo::exists(QDir::cleanPath(m_root + u8("..")) + u8("/escape")));
}

QTEST_GUILESS_MAIN(TestSaveNames)
#include "tst_savenames.moc"
