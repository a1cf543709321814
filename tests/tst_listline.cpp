// The line of a download list file: what the harvest command writes reads
// back as the same fields, the lines the download command accepts and
// refuses (with its messages), and a whole file's decoding and numbering.
#include "download/core/ListLine.h"

#include <QStringEncoder>
#include <QTest>
#include <QUrl>

namespace {
QStringList fieldsOf(const ListLine &line)
{
    return {line.address, line.name, line.type, line.folder, line.referrer};
}

ListLine lineOf(const QStringList &fields)
{
    return {fields.value(0), fields.value(1), fields.value(2), fields.value(3), fields.value(4)};
}
} // namespace

class TestListLine : public QObject
{
    Q_OBJECT
private slots:
    void formatThenParse_data();
    void formatThenParse();
    void addressRoundTrip_data();
    void addressRoundTrip();
    void parse_data();
    void parse();
    void parseFile_data();
    void parseFile();
};

void TestListLine::formatThenParse_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("readBack");
    const QStringList full = {QStringLiteral("http://h/a.pdf|https://h/b"), QStringLiteral("论文:一"),
                              QStringLiteral("caj"), QStringLiteral("/home/u/12345/"),
                              QStringLiteral("http://h/search?q=%E8%AE%BA")};
    QTest::newRow("every field") << full << full.join(u'\t') << full;
    const QStringList bare = {QStringLiteral("http://h/x"), {}, {}, {}, {}};
    QTest::newRow("address only") << bare << QStringLiteral("http://h/x\t\t\t\t") << bare;
    QTest::newRow("tab, CR and LF inside fields become spaces")
        << QStringList{QStringLiteral("http://h/x"), QStringLiteral("a\tb\r\nc"), QStringLiteral("pdf"),
                       QStringLiteral("sub\tdir"), QString()}
        << QStringLiteral("http://h/x\ta b  c\tpdf\tsub dir\t")
        << QStringList{QStringLiteral("http://h/x"), QStringLiteral("a b  c"), QStringLiteral("pdf"),
                       QStringLiteral("sub dir"), QString()};
    QTest::newRow("spaces at the ends of a field are not kept")
        << QStringList{QStringLiteral(" http://h/x"), QStringLiteral(" 标题 "), QStringLiteral(".pdf"), {}, {}}
        << QStringLiteral(" http://h/x\t 标题 \t.pdf\t\t")
        << QStringList{QStringLiteral("http://h/x"), QStringLiteral("标题"), QStringLiteral("pdf"), {}, {}};
}

void TestListLine::formatThenParse()
{
    QFETCH(QStringList, fields);
    QFETCH(QString, text);
    QFETCH(QStringList, readBack);
    QCOMPARE(FormatListLine(lineOf(fields)), text);
    ListLine read;
    QString error;
    QVERIFY2(ParseListLine(text, read, error), qPrintable(error));
    QCOMPARE(fieldsOf(read), readBack);
}

// What the harvest command writes for one document address reads back as
// that one address: no "|" inside it splits it into alternatives, no space
// or "<" makes the line refused, and it names the same resource.
void TestListLine::addressRoundTrip_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain") << QStringLiteral("http://h/download?id=1&kind=pdf&type=1")
                           << QStringLiteral("http://h/download?id=1&kind=pdf&type=1");
    QTest::newRow("space and \"|file:\"") << QStringLiteral("http://h/a b?x=1|file:///etc/passwd")
                                         << QStringLiteral("http://h/a%20b?x=1%7Cfile:///etc/passwd");
    QTest::newRow("\"|\" with another host") << QStringLiteral("http://h/p|http://other-host/")
                                           << QStringLiteral("http://h/p%7Chttp://other-host/");
    QTest::newRow("angle brackets, quote, tab") << QStringLiteral("http://h/d?n=<a>\"\tb")
                                                << QStringLiteral("http://h/d?n=%3Ca%3E%22%09b");
    QTest::newRow("brackets, braces, backslash, caret, backquote")
        << QStringLiteral("http://h/a[1]{2}\\^`?q=[x]{y}\\^`")
        << QStringLiteral("http://h/a[1]%7B2%7D%5C%5E%60?q=[x]%7By%7D%5C%5E%60");
    QTest::newRow("non-ASCII as UTF-8, escapes kept") << QStringLiteral("http://h/论文?q=%E8%AE%BA&r=50%")
                                                      << QStringLiteral("http://h/%E8%AE%BA%E6%96%87?q=%E8%AE%BA&r=50%25");
}

void TestListLine::addressRoundTrip()
{
    QFETCH(QString, address);
    QFETCH(QString, written);
    QCOMPARE(ListAddress(address), written);
    const QString text = FormatListLine({ListAddress(address), QStringLiteral("名"), QStringLiteral("pdf"), {}, {}});
    ListLine read;
    QString error;
    QVERIFY2(ParseListLine(text, read, error), qPrintable(error));
    QCOMPARE(read.address, written);
    // The same characters once escapes are undone: the same resource.
    QCOMPARE(QUrl::fromPercentEncoding(read.address.toUtf8()), QUrl::fromPercentEncoding(address.toUtf8()));
}

void TestListLine::parse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields"); // empty: refused
    QTest::addColumn<QString>("error");
    const QString none;
    QTest::newRow("short line") << QStringLiteral("https://h/x")
                                << QStringList{QStringLiteral("https://h/x"), {}, {}, {}, {}} << none;
    QTest::newRow("upper-case scheme, ten-letter type")
        << QStringLiteral("HTTP://h/x\t\tabcdefghij")
        << QStringList{QStringLiteral("HTTP://h/x"), {}, QStringLiteral("abcdefghij"), {}, {}} << none;
    QTest::newRow("non-ASCII path") << QStringLiteral("http://h/论文.pdf")
                                    << QStringList{QStringLiteral("http://h/论文.pdf"), {}, {}, {}, {}} << none;
    QTest::newRow("six fields") << QStringLiteral("http://h/x\ta\tpdf\t\t\textra") << QStringList()
                                << QStringLiteral("6 fields; a row has at most 5 (address, name, type, folder, referrer)");
    QTest::newRow("no address") << QStringLiteral("  \t名") << QStringList() << QStringLiteral("no address");
    QTest::newRow("four alternatives") << QStringLiteral("http://h/1|http://h/2|http://h/3|http://h/4")
                                       << QStringList() << QStringLiteral("more than three alternatives in the address");
    QTest::newRow("not http") << QStringLiteral("ftp://h/x") << QStringList()
                              << QStringLiteral("\"ftp://h/x\" is not an http or https address");
    QTest::newRow("no host") << QStringLiteral("http:///x") << QStringList()
                             << QStringLiteral("\"http:///x\" is not an http or https address");
    QTest::newRow("bad second alternative") << QStringLiteral("http://h/1|h/2") << QStringList()
                                            << QStringLiteral("\"h/2\" is not an http or https address");
    QTest::newRow("empty alternative") << QStringLiteral("http://h/1|") << QStringList()
                                       << QStringLiteral("\"\" is not an http or https address");
    QTest::newRow("space in the address") << QStringLiteral("http://h/a b") << QStringList()
                                          << QStringLiteral("\"http://h/a b\" is not an http or https address");
    QTest::newRow("type leaving the folder")
        << QStringLiteral("http://h/x\ta\t../../x") << QStringList()
        << QStringLiteral("type \"./../x\" is not an extension (letters and digits, at most 10)");
    QTest::newRow("a huge field is quoted short and escaped")
        << QStringLiteral("ftp://h/") + QString(100000, u'x') + QStringLiteral("\x1b[2J") << QStringList()
        << QStringLiteral("\"ftp://h/") + QString(72, u'x') + QStringLiteral("…(100012 characters)\" is not an http or https address");
    QTest::newRow("controls in a field are escaped")
        << QStringLiteral("http://h/x\ta\t\x1b[2J\u202E") << QStringList()
        << QStringLiteral("type \"\\x1b[2J\\u202e\" is not an extension (letters and digits, at most 10)");
    QTest::newRow("eleven-letter type")
        << QStringLiteral("http://h/x\t\tabcdefghijk") << QStringList()
        << QStringLiteral("type \"abcdefghijk\" is not an extension (letters and digits, at most 10)");
}

void TestListLine::parse()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QFETCH(QString, error);
    ListLine read;
    QString message;
    QCOMPARE(ParseListLine(text, read, message), !fields.isEmpty());
    if (fields.isEmpty())
        QCOMPARE(message, error);
    else
        QCOMPARE(fieldsOf(read), fields);
}

void TestListLine::parseFile_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("read"); // "number:name" per row line
    QTest::addColumn<int>("faultLine");    // 0: none
    QTest::addColumn<QString>("fault");
    const QByteArray rows = "\xEF\xBB\xBF# comment\r\n"
                            "http://h/1\t一\r\n"
                            "\r\n"
                            " \t \n"
                            "http://h/2\t二\n"
                            "#http://h/3\t三\n"
                            "http://h/4";
    const QStringList read = {QStringLiteral("2:一"), QStringLiteral("5:二"), QStringLiteral("7:")};
    QTest::newRow("UTF-8 with BOM, CR LF, blanks, comments") << rows << read << 0 << QString();
    QTest::newRow("GB18030") << QByteArray(QStringEncoder("GB18030").encode(QString::fromUtf8(rows.mid(3)))) << read << 0
                             << QString();
    QTest::newRow("fault names its line") << QByteArray("# a\nhttp://h/1\n\n ftp://h/2\n") << QStringList() << 4
                                          << QStringLiteral("\"ftp://h/2\" is not an http or https address");
    QTest::newRow("UTF-16 with its byte-order mark") << QByteArray("\xFF\xFEh\0t\0t\0p\0") << QStringList() << 1
                                                     << QStringLiteral("the list is UTF-16 (it starts with a UTF-16 "
                                                                       "byte-order mark); save it as UTF-8 or GB18030");
    QTest::newRow("UTF-16 without a mark") << QByteArray("http://h/1\nh\0t\0t\0p\0", 18) << QStringList() << 2
                                           << QStringLiteral("UTF-16 text (a NUL byte beside every letter); save the "
                                                             "list as UTF-8 or GB18030");
    QTest::newRow("UTF-16 big-endian without a mark, from its first line")
        << QByteArray(QStringEncoder(QStringEncoder::Utf16BE, QStringEncoder::Flag::Default).encode(u"http://h/1\t一\n"))
        << QStringList() << 1
        << QStringLiteral("UTF-16 text (a NUL byte beside every letter); save the list as UTF-8 or GB18030");
    QTest::newRow("a NUL byte in a line") << QByteArray("http://h/1\nhttp://h/2\t\0x\n", 25) << QStringList() << 2
                                          << QStringLiteral("a NUL byte; a list is UTF-8 or GB18030 text");
    QTest::newRow("a 10 MB line") << QByteArray("http://h/1\nhttp://h/") + QByteArray(10 * 1024 * 1024, 'a')
                                  << QStringList() << 2 << QStringLiteral("10485769 bytes long; a row has at most 65536");
    {
        QByteArray many;
        QStringList numbers;
        for (int i = 1; i <= 200000; ++i) {
            many += "http://h/" + QByteArray::number(i) + "\t" + QByteArray::number(i) + "\n";
            if (i % 50000 == 0)
                numbers << QStringLiteral("%1:%1").arg(i);
        }
        many += "http://h/x\t\xFF\xFF\n";
        QTest::newRow("200 000 rows, then bytes neither encoding") << many << QStringList() << 200001
                                                                   << QStringLiteral("bytes that are neither UTF-8 nor GB18030 text");
        many.chop(14);
        QTest::newRow("200 000 rows") << many << numbers << 0 << QString();
    }
    QTest::newRow("bytes neither UTF-8 nor GB18030") << QByteArray("http://h/1\t一\nhttp://h/2\t\xFF\x80\n")
                                                     << QStringList() << 2
                                                     << QStringLiteral("bytes that are neither UTF-8 nor GB18030 text");
    QTest::newRow("UTF-8 and GB18030 lines mixed")
        << QByteArray("http://h/1\t\xE4\xB8\x80\nhttp://h/2\t\xD6\xD0\n") << QStringList() << 2
        << QStringLiteral("not UTF-8 although other lines are not GB18030; a list is in one encoding");
    QTest::newRow("\"#\" after a space is no comment") << QByteArray("http://h/1\n # note\n") << QStringList() << 2
                                                      << QStringLiteral("\"# note\" is not an http or https address");
}

void TestListLine::parseFile()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, read);
    QFETCH(int, faultLine);
    QFETCH(QString, fault);
    std::vector<NumberedListLine> lines;
    ListFileFault found;
    QCOMPARE(ParseListFile(bytes, lines, found), faultLine == 0);
    QCOMPARE(found.line, faultLine);
    QCOMPARE(found.message, fault);
    if (faultLine != 0)
        return;
    QStringList got;
    // A long list is compared on every 50 000th row.
    const bool sampled = lines.size() > 1000;
    for (const NumberedListLine &line : lines) {
        if (!sampled || line.number % 50000 == 0)
            got << QStringLiteral("%1:%2").arg(line.number).arg(line.line.name);
    }
    if (sampled)
        QCOMPARE(int(lines.size()), 200000);
    QCOMPARE(got, read);
}

QTEST_GUILESS_MAIN(TestListLine)
#include "tst_listline.moc"
