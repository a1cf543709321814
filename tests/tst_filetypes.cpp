// File-type recognition: the byte signatures in their order, the ID3 tail,
// the web-page and "caa" rules with their size limits, the Content-Type
// table, and moving a row's file to the extension its content shows.
#include "download/core/DownloadListModel.h"
#include "download/core/FileTypes.h"
#include "tests/support/TestFiles.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// `head` followed by `fill` up to `size` bytes.
QByteArray padded(const QByteArray &head, int size, char fill = ' ')
{
    QByteArray out = head;
    if (out.size() < size)
        out.append(QByteArray(size - out.size(), fill));
    return out;
}

// A compound document of `size` bytes whose first sector starts with `sector`.
QByteArray compound(const QByteArray &sector, int size)
{
    QByteArray out = padded(bytes({0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1}), 512, '\0');
    out.append(sector);
    return padded(out, size, '\0').left(size);
}

const QByteArray kPdf = "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n<<>>\nendobj\n";
const QByteArray kPage = "<!DOCTYPE html>\n<HTML lang=\"zh\"><Head><TITLE>Login</TITLE></Head><body>x</body></HTML>\n";

} // namespace

class TestFileTypes : public QObject
{
    Q_OBJECT
private slots:
    void detect_data();
    void detect();
    void detectMissing();
    void mimeToExtension_data();
    void mimeToExtension();
    void correctRowFileType_data();
    void correctRowFileType();
    void correctedWebPageCountsAsPageRow();
};

void TestFileTypes::detect_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("type");

    const int n = 64; // enough for every head signature
    QTest::newRow("pdf") << padded(kPdf, n) << "pdf";
    QTest::newRow("caj") << padded(bytes({0xC8, 0, 0, 0}), n) << "caj";
    QTest::newRow("kdh from CAJ\\0") << padded(QByteArray("CAJ\0", 4), n) << "kdh";
    QTest::newRow("kdh") << padded("KDH ", n) << "kdh";
    QTest::newRow("nh") << padded(QByteArray("HN\0\0", 4), n) << "nh";
    QTest::newRow("tif") << padded(QByteArray("II*\0", 4), n) << "tif";
    QTest::newRow("rtf") << padded("{\\rtf1\\ansi", n) << "rtf";
    QTest::newRow("exe") << padded("MZ\x90", n) << "exe";
    QTest::newRow("rar") << padded("Rar!\x1A\x07", n) << "rar";
    QTest::newRow("zip") << padded(bytes({0x50, 0x4B, 3, 4, 0x14, 0, 0, 0, 8}), n) << "zip";
    QTest::newRow("docx") << padded(bytes({0x50, 0x4B, 3, 4, 0x14, 0, 6, 0, 8, 0}), n) << "docx";
    QTest::newRow("zip of another version") << padded(bytes({0x50, 0x4B, 3, 4, 0x0A, 0, 0, 0, 8}), n) << "";
    QTest::newRow("docx with another flag") << padded(bytes({0x50, 0x4B, 3, 4, 0x14, 0, 8, 0, 8, 0}), n) << "";
    QTest::newRow("swf") << padded("CWS\x06", n) << "swf";
    QTest::newRow("swf other version") << padded("CWS\x0A", n) << "";
    QTest::newRow("rm") << padded(".RMF", n) << "rm";
    QTest::newRow("wma") << padded(bytes({0x30, 0x26, 0xB2, 0x75, 0x8E}), n) << "wma";
    QTest::newRow("mp3 id3v3") << padded("ID3\x03", n) << "mp3";
    QTest::newRow("id3v4 without tail") << padded("ID3\x04", n) << "";
    QTest::newRow("png") << padded("\x89PNG\r\n\x1A\n", n) << "png";
    QTest::newRow("gif89a") << padded("GIF89a", n) << "gif";
    QTest::newRow("gif87a") << padded("GIF87a", n) << "";
    // Offsets 4-5 and 10-11 are not compared.
    const QByteArray exif = bytes({0xFF, 0xD8, 0xFF, 0xE1, 0x12, 0x34, 'E', 'x', 'i', 'f', 0x56, 0x78, 'M', 'M', 0, 0x2A});
    QTest::newRow("jpg exif") << padded(exif, n) << "jpg";
    QByteArray exifII = exif;
    exifII[12] = 'I';
    exifII[13] = 'I';
    QTest::newRow("jpg exif little-endian") << padded(exifII, n) << "";
    QTest::newRow("jpg jfif") << padded(bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 0x10, 'J', 'F', 'I', 'F'}), n) << "jpg";
    // Earlier rows win: an MZ file with a PDF marker further in is an exe.
    QTest::newRow("order") << padded(QByteArray("MZ") + kPdf, n) << "exe";

    QTest::newRow("doc") << compound(bytes({0xEC, 0xA5, 0xC1, 0}), 1024) << "doc";
    QTest::newRow("xls") << compound(bytes({0x09, 0x08, 0x10, 0}), 1024) << "xls";
    QTest::newRow("ppt") << compound(bytes({0xA0, 0x46, 0x1D, 0xF0}), 1024) << "ppt";
    QTest::newRow("other compound") << compound(bytes({1, 2, 3, 4}), 1024) << "";
    QTest::newRow("compound of 515 bytes") << compound(bytes({0xEC, 0xA5, 0xC1}), 515) << "";
    QTest::newRow("compound of 300 bytes") << compound(QByteArray(), 300) << "";

    QTest::newRow("4 bytes %PD?") << QByteArray("%PDx") << "";
    QTest::newRow("empty") << QByteArray() << "";

    // ID3 version 1 tag in the last 128 bytes.
    QByteArray mp3 = padded("\xFF\xFB\x90\x64", 4000, '\x55');
    mp3.append(padded("TAGtitle", 128, '\0'));
    QTest::newRow("mp3 by tail") << mp3 << "mp3";
    QByteArray tagInside = mp3;
    tagInside.append('x');
    QTest::newRow("TAG not at tail start") << tagInside << "";
    QTest::newRow("128 bytes with TAG") << padded("TAG", 128, '\0') << "";

    QTest::newRow("page 50 KB") << padded(kPage, 50 * 1024) << "htm";
    QTest::newRow("page 250 KB") << padded(kPage, 250 * 1024) << "";
    QTest::newRow("page just under 200 KB") << padded(kPage, 200 * 1024 - 1) << "htm";
    QTest::newRow("page of 200 KB") << padded(kPage, 200 * 1024) << "";
    QTest::newRow("html> and body") << padded("<body>x</body></html>", 400) << "htm";
    QTest::newRow("html tag alone") << padded("<html lang=en>text", 400) << "";
    QTest::newRow("title alone") << padded("<title>x</title>", 400) << "";
    QTest::newRow("tags after the first 10 KB") << padded(QByteArray(12 * 1024, ' ') + kPage, 20 * 1024) << "";
    QStringEncoder gbk("GB18030");
    const QByteArray gbkPage = gbk.encode(QStringLiteral("<html ><head><title>登录失败，请重新登录</title></head></html>"));
    QTest::newRow("page in GBK") << padded(gbkPage, 3000) << "htm";

    const QByteArray caa = "[TARGET]\r\na1=x\r\nA2=y\r\nB1=1\r\nb2=2\r\nC1=3\r\nC2=4\r\nD1=5\r\nD2=6\r\nDocType=CAJ\r\n";
    QTest::newRow("caa 2 KB") << padded(caa, 2048) << "caa";
    QTest::newRow("caa 4 KB") << padded(caa, 4096) << "";
    QTest::newRow("caa without D2") << padded(QByteArray(caa).replace("D2=", "D3="), 2048) << "";
}

void TestFileTypes::detect()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, type);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.bin"));
    QVERIFY(TestFiles::WriteFile(path, content));
    QCOMPARE(打开文件判断文件类型(path), type);
}

void TestFileTypes::detectMissing()
{
    QTemporaryDir dir;
    QCOMPARE(打开文件判断文件类型(dir.filePath(QStringLiteral("none.pdf"))), QString());
    QCOMPARE(打开文件判断文件类型(dir.path()), QString());
    QCOMPARE(打开文件判断文件类型(QString()), QString());
}

void TestFileTypes::mimeToExtension_data()
{
    QTest::addColumn<QString>("contentType");
    QTest::addColumn<QString>("extension");
    const char *const cases[][2] = {
        {"application/pdf", "pdf"},
        {"text/html", "html"},
        {"application/octet-stream", ""},
        {"image/svg+xml", "svg"},
        {"image/g3fax", "g"},
        {"application/x-rar-compressed", "x"},
        {"application/json", "json"},
        {"text/richtext", ""},
        {"application/caj", "caj"},
        {"application/kdh", "kdh"},
        {"application/x-shockwave-flash", "swf"},
        {"application/x-javascript", "js"},
        {"application/vnd.rn-realmedia", "rm"},
        {"application/vnd.ms-wpl", "wpl"},
        {"application/vnd.ms-works", "wps"},
        {"application/vnd.ms-powerpoint", "ppt"},
        {"application/msword", "doc"},
        {"application/vnd.openxmlformats-officedocument.wordprocessingml.document", "docx"},
        {"application/vnd.ms-excel", "xls"},
        {"application/x-excel", "xls"},
        {"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", "xlsx"},
        {"application/vnd.openxmlformats-officedocument.presentationml.presentation", "pptx"},
        {"application/vnd.openxmlformats-officedocument.presentationml.slideshow", "ppsx"},
        {"application/x-msdownload", "dll"},
        {"application/x-tar", "tar"},
        {"application/x-compressed", "tgz"},
        {"application/x-zip-compressed", "zip"},
        {"application/x-compress", "z"},
        {"text/plain", "txt"},
        {"text/css", "css"},
        {"image/jpeg", "jpeg"},
        {"image/tiff", "tif"},
        {"image/x-png", "png"},
        {"image/x-ms-bmp", "bmp"},
        {"image/x-icon", "ico"},
        {"video/mpeg", "mpeg"},
        {"video/mpeg4", "mp"}, // "mp4", then only its leading letters
        {"video/x-msvideo", "avi"},
        {"video/x-ms-asf", "asf"},
        {"video/x-ms-wmv", "wmv"},
        {"video/quicktime", "mov"},
        {"audio/amr", "amr"},
        {"audio/x-ms-wma", "wma"},
        {"audio/x-wav", "wav"},
        {"audio/x-pn-realaudio", "ram"},
        {"audio/midi", "mid"},
        {"audio/x-mpegurl", "mpeg"},
        {"message/rfc822", "mht"},
        {"text/*", ""},
        {"image/", ""},
        {"font/woff", "woff"},
        {"model/*", ""},
        {" Application /  P D F ", "pdf"},
        {"TEXT/HTML", "html"},
        {"text/html;charset=gbk", "html"},
        {"pdf", "pdf"},
        {" PDF ", "pdf"},
        {"a/b/c", "a"},
        {"", ""},
        {"/", ""},
        {"application/chemical", ""}, // eight letters
        {"application/x.y", "x"},
    };
    for (const auto &c : cases)
        QTest::newRow(c[0]) << QString::fromLatin1(c[0]) << QString::fromLatin1(c[1]);
}

void TestFileTypes::mimeToExtension()
{
    QFETCH(QString, contentType);
    QFETCH(QString, extension);
    QCOMPARE(MimeToExtension(contentType), extension);
}

void TestFileTypes::correctRowFileType_data()
{
    QTest::addColumn<QString>("rowType");
    QTest::addColumn<QString>("fileName");  // the row's file, or "" for none
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("present"); // other files in the folder
    QTest::addColumn<bool>("moved");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("newType");

    QTest::newRow("pdf announced as html") << "html" << "论文.html" << kPdf << QStringList() << true << "论文" << "pdf";
    QTest::newRow("numbered when taken") << "html" << "论文.html" << kPdf << QStringList{"论文.pdf"} << true
                                         << "论文[0001]" << "pdf";
    QTest::newRow("no extension yet") << "" << "论文" << kPdf << QStringList() << true << "论文" << "pdf";
    QTest::newRow("same type in other case") << "PDF" << "论文.PDF" << kPdf << QStringList() << false << "论文"
                                             << "PDF";
    QTest::newRow("nothing recognised") << "caj" << "论文.caj" << QByteArray("plain words") << QStringList() << false
                                        << "论文" << "caj";
    QTest::newRow("file missing") << "pdf" << "" << QByteArray() << QStringList() << false << "论文" << "pdf";
}

void TestFileTypes::correctRowFileType()
{
    QFETCH(QString, rowType);
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, present);
    QFETCH(bool, moved);
    QFETCH(QString, newName);
    QFETCH(QString, newType);

    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    if (!fileName.isEmpty())
        QVERIFY(TestFiles::WriteFile(folder + fileName, content));
    for (const QString &other : std::as_const(present))
        QVERIFY(TestFiles::WriteFile(folder + other, "someone else's"));

    DownloadListModel list;
    list.addRow(QStringLiteral("http://portal.test/a"), QStringLiteral("论文"), rowType, folder, QString());
    list.setState(0, RowState::Done);
    QCOMPARE(CorrectRowFileType(list, 0), moved);
    QCOMPARE(list.at(0).name, newName);
    QCOMPARE(list.at(0).type, newType);
    if (!fileName.isEmpty()) {
        const QString now = RowFilePath(list.at(0));
        QCOMPARE(TestFiles::ReadAll(now), content);
        QCOMPARE(QFile::exists(folder + fileName), !moved || now == folder + fileName);
    }
    for (const QString &other : std::as_const(present))
        QCOMPARE(TestFiles::ReadAll(folder + other), QByteArray("someone else's"));
    QVERIFY(!CorrectRowFileType(list, 1));
}

void TestFileTypes::correctedWebPageCountsAsPageRow()
{
    // A login page saved under the document's name becomes a web-page row,
    // which the re-download commands and the stop rule look for.
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    QVERIFY(TestFiles::WriteFile(folder + QStringLiteral("doc.pdf"), padded(kPage, 4000)));
    DownloadListModel list;
    list.addRow(QStringLiteral("http://portal.test/d"), QStringLiteral("doc"), QStringLiteral("pdf"), folder, QString());
    list.setState(0, RowState::Done);
    QCOMPARE(list.CountErrorAndPageRows(), 0);
    QVERIFY(CorrectRowFileType(list, 0));
    QCOMPARE(RowFilePath(list.at(0)), folder + QStringLiteral("doc.htm"));
    QCOMPARE(list.CountErrorAndPageRows(), 1);
}

QTEST_MAIN(TestFileTypes)
#include "tst_filetypes.moc"
