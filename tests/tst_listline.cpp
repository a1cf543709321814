// The line of a download list file: what the harvest command writes reads
// back as the same fields, the lines the download command accepts and
// refuses (with its messages), and a whole file's decoding and numbering.
#include "download/core/ListLine.h"

#include <QStringEncoder>
#include <QTest>

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
    for (const NumberedListLine &line : lines)
        got << QStringLiteral("%1:%2").arg(line.number).arg(line.line.name);
    QCOMPARE(got, read);
}

QTEST_GUILESS_MAIN(TestListLine)
#include "tst_listline.moc"
