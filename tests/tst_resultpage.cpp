// Result-page extraction and the analysis list: the markup rules a portal
// result page is read by, and what repeated harvesting leaves in the list.
#include "harvest/core/AnalysisListModel.h"
#include "harvest/core/HtmlDocument.h"
#include "harvest/core/PageSource.h"
#include "harvest/core/ResultPageParser.h"

#include <QSignalSpy>
#include <QStringEncoder>
#include <QTest>

namespace {
const QString kBase = QStringLiteral("http://portal.example/");
const QString kPage = QStringLiteral("http://portal.example/search?q=x&page=1");

// The portal's click handler: six quoted arguments, the document path after
// the first quotation-mark-solidus pair of the second.
QString handler(const QString &type, const QString &path, const QString &title)
{
    return QStringLiteral("DownLoadFile(\"%1\",\"http://\"+location.host+\"/%2\",\"7\",\"pdf\",\"%3\",\"1\")")
        .arg(type, path, title);
}

QString block(const QString &onclick, const QString &linkText = QStringLiteral("全文下载"),
              const QString &cls = QStringLiteral("julei-list"))
{
    return QStringLiteral("<div class='%1'><a href='#'>摘要</a> <a href='#' onclick='%2'>%3</a></div>")
        .arg(cls, onclick, linkText);
}

QString page(const QString &blocks)
{
    return QStringLiteral("<html><head><meta charset='utf-8'></head><body>"
                          "<ul id='ul_articlelist'>%1</ul><div id='page'><a href='#'>下一页</a></div>"
                          "</body></html>")
        .arg(blocks);
}

QString zh(const QString &title, const QString &path = QStringLiteral("download?id=1"))
{
    return block(handler(QStringLiteral("中文期刊文章"), path, title));
}

// "title|url" for each item, the shape the table compares.
QStringList summary(const ResultPage &parsed)
{
    QStringList out;
    for (const AnalysisItem &item : parsed.items)
        out << item.title + u'|' + item.url;
    return out;
}
} // namespace

class TestResultPage : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void itemFields();
    void repeatedHarvestKeepsList();
    void listModel();
    void pageBytes_data();
    void pageBytes();
    void nesting_data();
    void nesting();
    void innerTextOfDeepTree_data();
    void innerTextOfDeepTree();
};

void TestResultPage::parse_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<bool>("removeSpaces");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<bool>("blocked");

    const QString u1 = kBase + QStringLiteral("download?id=1&type=1");
    const QString u3000 = QString(QChar(0x3000));

    QTest::newRow("four types and an unknown one")
        << page(block(handler(QStringLiteral("中文期刊文章"), QStringLiteral("d?id=1"), QStringLiteral("甲")))
                + block(handler(QStringLiteral("外文期刊文章"), QStringLiteral("d?id=2"), QStringLiteral("乙")))
                + block(handler(QStringLiteral("古籍"), QStringLiteral("d?id=3"), QStringLiteral("丙")))
                + block(handler(QStringLiteral("外文图书"), QStringLiteral("d?id=4"), QStringLiteral("丁")))
                + block(handler(QStringLiteral("会议论文"), QStringLiteral("d?id=5"), QStringLiteral("戊"))))
        << true
        << QStringList{QStringLiteral("甲|") + kBase + QStringLiteral("d?id=1&type=1"),
                       QStringLiteral("乙|") + kBase + QStringLiteral("d?id=2&type=2"),
                       QStringLiteral("丙|") + kBase + QStringLiteral("d?id=3&type=3"),
                       QStringLiteral("丁|") + kBase + QStringLiteral("d?id=4&type=4"),
                       QStringLiteral("戊|") + kBase + QStringLiteral("d?id=5")}
        << false;

    // The link text is what a browser shows: white space collapses, markup
    // inside the link does not count, only spaces around it are forgiven.
    const QString ok = handler(QStringLiteral("中文期刊文章"), QStringLiteral("download?id=1"), QStringLiteral("题"));
    QTest::newRow("link text with surrounding spaces") << page(block(ok, QStringLiteral("  全文下载 "))) << true
                                                       << QStringList{QStringLiteral("题|") + u1} << false;
    QTest::newRow("link text with line breaks and tabs")
        << page(block(ok, QStringLiteral("\n\t全文下载\n"))) << true << QStringList{QStringLiteral("题|") + u1} << false;
    QTest::newRow("link text split by inline markup")
        << page(block(ok, QStringLiteral("全文<b>下载</b><!-- x --><span hidden>PDF</span>"))) << true
        << QStringList{QStringLiteral("题|") + u1} << false;
    for (const QString &text : QStringList{QStringLiteral("全文下载 PDF"), QStringLiteral("全文 下载"),
                                QStringLiteral("&nbsp;全文下载"), QStringLiteral("全文<div>下载</div>"),
                                QString(QStringLiteral("全文下载") + u3000), QStringLiteral("全文下载x")}) {
        QTest::newRow(qPrintable(QStringLiteral("link text ") + text))
            << page(block(ok, text)) << true << QStringList() << false;
    }
    QTest::newRow("first full-text link decides, even when unusable")
        << page(QStringLiteral("<div class='julei-list'><a onclick='f(\"中文期刊文章\",\"1\"/x\",\"a\",\"b\",\"t\")'>全文下载</a>"
                               "<a onclick='%1'>全文下载</a></div>")
                    .arg(ok))
        << true << QStringList() << false;

    // A scripting browser holds noscript content as text: a link there is
    // no element of the block, and the block's real link decides.
    QTest::newRow("full-text link inside noscript is not an element")
        << page(QStringLiteral("<div class='julei-list'><noscript><a href='/nojs'>全文下载</a></noscript>"
                               "<template><a onclick='x'>全文下载</a></template><a onclick='%1'>全文下载</a></div>")
                    .arg(ok))
        << true << QStringList{QStringLiteral("题|") + u1} << false;

    QTest::newRow("five fields")
        << page(block(QStringLiteral("f(\"中文期刊文章\",\"1\"/d?id=1\",\"a\",\"题\",\"c\")"))) << true << QStringList()
        << false;
    QTest::newRow("seven fields")
        << page(block(QStringLiteral("f(\"中文期刊文章\",\"1\"/d?id=1\",\"a\",\"b\",\"题\",\"c\",\"d\")"))) << true
        << QStringList() << false;
    QTest::newRow("no onclick") << page(block(QString())) << true << QStringList() << false;
    QTest::newRow("entities in the attribute are decoded")
        << page(QStringLiteral("<div class='julei-list'><a onclick=\"f(&quot;古籍&quot;,&quot;1&quot;/d?id=7&amp;k=pdf"
                               "&quot;,&quot;a&quot;,&quot;b&quot;,&quot;A&amp;B&quot;,&quot;c&quot;)\">全文下载</a></div>"))
        << true << QStringList{QStringLiteral("A&B|") + kBase + QStringLiteral("d?id=7&k=pdf&type=3")} << false;

    // Article type: after the last (" of field 1, else after its last ,".
    QTest::newRow("type after the last comma-quote, spaces trimmed")
        << page(block(QStringLiteral("go(1,\" 外文图书 \",\"1\"/d?id=9\",\"a\",\"b\",\"题\",\"c\")"))) << true
        << QStringList{QStringLiteral("题|") + kBase + QStringLiteral("d?id=9&type=4")} << false;
    QTest::newRow("last open-paren-quote wins")
        << page(block(QStringLiteral("a(\"x\" + b(\"古籍 \",\"1\"/d?id=3\",\"a\",\"b\",\"题\",\"c\")"))) << true
        << QStringList{QStringLiteral("题|") + kBase + QStringLiteral("d?id=3&type=3")} << false;
    QTest::newRow("no quote pair in field 1: no type")
        << page(block(QStringLiteral("f(中文期刊文章\",\"1\"/d?id=1\",\"a\",\"b\",\"题\",\"c\")"))) << true
        << QStringList() << false;
    QTest::newRow("no quote-solidus in field 2: no address")
        << page(block(QStringLiteral("f(\"中文期刊文章\",\"d?id=1\",\"a\",\"b\",\"题\",\"c\")"))) << true
        << QStringList() << false;

    // Titles.
    const QString spaced = QStringLiteral("  Deep  Learning") + u3000 + QStringLiteral("研究 综述  ");
    QTest::newRow("remove spaces on: ASCII and ideographic spaces go")
        << page(zh(spaced)) << true << QStringList{QStringLiteral("DeepLearning研究综述|") + u1} << false;
    QTest::newRow("remove spaces off: only outer ASCII spaces go")
        << page(zh(spaced)) << false
        << QStringList{QStringLiteral("Deep  Learning") + u3000 + QStringLiteral("研究 综述|") + u1} << false;
    QTest::newRow("remove spaces keeps no-break and tab")
        << page(zh(QStringLiteral("A&nbsp;B\tC"))) << true
        << QStringList{QStringLiteral("A\u00a0B\tC|") + u1} << false;
    QTest::newRow("spaces-only title, option on") << page(zh(QStringLiteral("   "))) << true << QStringList() << false;
    QTest::newRow("spaces-only title, option off") << page(zh(QStringLiteral("   "))) << false << QStringList() << false;
    QTest::newRow("ideographic spaces only, option on")
        << page(zh(u3000 + u3000 + QStringLiteral(" "))) << true << QStringList() << false;

    // The page.
    QTest::newRow("verification notice beside result blocks")
        << page(zh(QStringLiteral("题")) + QStringLiteral("<p>") + AccessBlockedNotice() + QStringLiteral("</p>"))
        << true << QStringList() << true;
    QTest::newRow("no ul_articlelist")
        << QStringLiteral("<html><body><ul id='list'>%1</ul></body></html>").arg(zh(QStringLiteral("题"))) << true
        << QStringList() << false;
    QTest::newRow("not HTML at all") << QStringLiteral("%PDF-1.4\x01\x02") << true << QStringList() << false;
    QTest::newRow("blocks outside the list are not results")
        << QStringLiteral("<html><body>%1<ul id='ul_articlelist'>%2</ul></body></html>")
               .arg(zh(QStringLiteral("外"), QStringLiteral("d?id=8")), zh(QStringLiteral("内")))
        << true << QStringList{QStringLiteral("内|") + u1} << false;
    QTest::newRow("class trimmed and compared ignoring case")
        << page(block(handler(QStringLiteral("古籍"), QStringLiteral("d?id=1"), QStringLiteral("一")),
                      QStringLiteral("全文下载"), QStringLiteral("  julei-list "))
                + block(handler(QStringLiteral("古籍"), QStringLiteral("d?id=2"), QStringLiteral("二")),
                        QStringLiteral("全文下载"), QStringLiteral("JULEI-List")))
        << true
        << QStringList{QStringLiteral("一|") + kBase + QStringLiteral("d?id=1&type=3"),
                       QStringLiteral("二|") + kBase + QStringLiteral("d?id=2&type=3")}
        << false;
    QTest::newRow("class is compared whole, and only on div")
        << page(block(ok, QStringLiteral("全文下载"), QStringLiteral("julei-list item"))
                + QStringLiteral("<span class='julei-list'><a onclick='%1'>全文下载</a></span>").arg(ok))
        << true << QStringList() << false;
}

void TestResultPage::parse()
{
    QFETCH(QString, markup);
    QFETCH(bool, removeSpaces);
    QFETCH(QStringList, expected);
    QFETCH(bool, blocked);

    const ResultPage parsed = ParseResultPage(markup, kPage, kBase, removeSpaces);
    QCOMPARE(summary(parsed), expected);
    QCOMPARE(parsed.accessBlocked, blocked);
}

void TestResultPage::itemFields()
{
    AnalysisListModel list;
    const QString markup = page(zh(QStringLiteral("题")));
    const ResultPageAdded added =
        AddResultPage(list, markup, kPage, kBase, true, QStringLiteral("/home/u/12345/"));
    QCOMPARE(added.handed, 1);
    QVERIFY(!added.accessBlocked);
    QCOMPARE(list.count(), 1);
    const AnalysisItem &item = list.at(0);
    QCOMPARE(item.ref, kPage);
    QCOMPARE(item.stype, QStringLiteral("pdf"));
    QCOMPARE(item.保存路径, QStringLiteral("/home/u/12345/"));
    QCOMPARE(item.网站类型, QString());
    QCOMPARE(item.status, QString());
}

// Multi-page harvesting offers every page several times, and a page may name
// one document twice: the list keeps the first item of each address, as it was.
void TestResultPage::repeatedHarvestKeepsList()
{
    AnalysisListModel list;
    const QString markup = page(zh(QStringLiteral("一"), QStringLiteral("d?id=1")) + zh(QStringLiteral("二"), QStringLiteral("d?id=2"))
                                + zh(QStringLiteral("一again"), QStringLiteral("d?id=1")));
    QCOMPARE(AddResultPage(list, markup, kPage, kBase, true, QString()).handed, 3);
    QCOMPARE(list.count(), 2);
    list.setStatus(0, AnalysisStatus::success());

    QSignalSpy inserted(&list, &QAbstractItemModel::rowsInserted);
    const ResultPageAdded again =
        AddResultPage(list, markup, QStringLiteral("http://portal.example/other"), kBase, true, QStringLiteral("/x/"));
    QCOMPARE(again.handed, 3);
    QCOMPARE(inserted.count(), 0);
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.at(0).title, QStringLiteral("一"));
    QCOMPARE(list.at(0).ref, kPage);
    QCOMPARE(list.at(0).status, AnalysisStatus::success());
    QCOMPARE(list.at(1).title, QStringLiteral("二"));
    QCOMPARE(list.at(1).保存路径, QString());

    const ResultPageAdded blocked = AddResultPage(
        list, markup + AccessBlockedNotice() + zh(QStringLiteral("三"), QStringLiteral("d?id=3")), kPage, kBase, true, QString());
    QVERIFY(blocked.accessBlocked);
    QCOMPARE(blocked.handed, 0);
    QCOMPARE(list.count(), 2);
}

void TestResultPage::listModel()
{
    AnalysisListModel list;
    QCOMPARE(list.columnCount(), 5);
    QStringList captions;
    for (int c = 0; c < list.columnCount(); ++c)
        captions << list.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(captions, (QStringList{QStringLiteral("标题"), QStringLiteral("类型"), QStringLiteral("分析状态"),
                                    QStringLiteral("保存路径"), QStringLiteral(" ")}));

    // Insertion order, not alphabetical; the key is compared exactly.
    for (const char *key : {"c", "a", "b", "A", "d"})
        QVERIFY(list.加入LV1(QString::fromLatin1(key).toUpper(), QString::fromLatin1(key), QStringLiteral("r"),
                            QStringLiteral("pdf"), QStringLiteral("/f/"), QString()));
    QVERIFY(!list.加入LV1(QStringLiteral("other"), QStringLiteral("a"), QString(), QString(), QString(), QString()));
    QCOMPARE(list.count(), 5);
    QCOMPARE(list.data(list.index(1, AnalysisListModel::ColTitle)).toString(), QStringLiteral("A"));
    QCOMPARE(list.data(list.index(1, AnalysisListModel::ColFolder)).toString(), QStringLiteral("/f/"));
    QCOMPARE(list.data(list.index(1, 0), AnalysisListModel::UrlRole).toString(), QStringLiteral("a"));
    QVERIFY(!(list.flags(list.index(0, 0)) & Qt::ItemIsEditable));

    // Removing adjacent and scattered rows keeps the address lookup right.
    list.removeRowsAt({3, 1, 2, 1, 99});
    QCOMPARE(list.count(), 2);
    QCOMPARE(list.at(0).url, QStringLiteral("c"));
    QCOMPARE(list.at(1).url, QStringLiteral("d"));
    QCOMPARE(list.indexOfUrl(QStringLiteral("d")), 1);
    QCOMPARE(list.indexOfUrl(QStringLiteral("a")), -1);
    QVERIFY(list.加入LV1(QStringLiteral("A"), QStringLiteral("a"), QString(), QString(), QString(), QString()));
    QCOMPARE(list.indexOfUrl(QStringLiteral("a")), 2);

    QCOMPARE(list.removeIf([](const AnalysisItem &item) { return item.url != QStringLiteral("d"); }), 2);
    QCOMPARE(list.indexOfUrl(QStringLiteral("d")), 0);
    list.clear();
    QCOMPARE(list.count(), 0);
    QCOMPARE(list.indexOfUrl(QStringLiteral("d")), -1);
}

void TestResultPage::pageBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("transport");
    QTest::addColumn<QString>("expected");

    const QString text = QStringLiteral("<meta charset='utf-8'><p>知识图谱构建方法研究</p>");
    QStringEncoder gb("GB18030");
    const QByteArray gbBytes = gb.encode(text);
    QByteArray oneBad = text.toUtf8();
    oneBad.insert(oneBad.indexOf("<p>") + 3, '\xff');

    QTest::newRow("UTF-8") << text.toUtf8() << QByteArray() << text;
    QTest::newRow("UTF-8 with one bad byte keeps its text")
        << oneBad << QByteArray() << QString(text).insert(text.indexOf(QStringLiteral("<p>")) + 3, QChar(0xFFFD));
    QTest::newRow("GB18030 bytes under a utf-8 meta") << gbBytes << QByteArray() << text;
    QTest::newRow("GB18030 by transport charset") << gbBytes << QByteArray("gbk") << text;
    // "+ADw-" is "<" in UTF-7: refused, the bytes are read as UTF-8.
    QTest::newRow("UTF-7 is refused") << QByteArray("+ADw-p+AD4-") << QByteArray("utf-7")
                                      << QStringLiteral("+ADw-p+AD4-");
}

void TestResultPage::pageBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, transport);
    QFETCH(QString, expected);
    QCOMPARE(DecodePageBytes(bytes, transport), expected);
}

// Pages that nest deeper than the parser can take in linear time are
// refused whole; loose but ordinary markup, however long, is read.
void TestResultPage::nesting_data()
{
    QTest::addColumn<QString>("markup");
    QTest::addColumn<bool>("tooDeep");
    QTest::addColumn<int>("results");

    const auto times = [](const char *piece, int n) { return QString::fromLatin1(piece).repeated(n); };
    const QString one = zh(QStringLiteral("一"));
    const auto withOne = [&](const QString &rest) { return page(one + rest); };

    QTest::newRow("100 000 nested divs") << withOne(times("<div>", 100000)) << true << 0;
    QTest::newRow("nested divs with \"/>\", which HTML does not close")
        << withOne(times("<div/>", 100000)) << true << 0;
    QTest::newRow("end tags of elements never opened") << withOne(times("<div></x>", 100000)) << true << 0;
    QTest::newRow("an end tag the parser ignores behind a block")
        << withOne(times("<span><div></span>", 100000)) << true << 0;
    QTest::newRow("a formatting end tag across a block") << withOne(times("<b><div></b>", 100000)) << true << 0;
    QTest::newRow("out of svg, then \"/>\"") << withOne("<svg><p>" + times("<x/>", 100000)) << true << 0;
    QTest::newRow("HTML inside an svg title") << withOne("<svg><title>" + times("<div>", 100000)) << true << 0;
    QTest::newRow("end tags of cells where no cell is open")
        << withOne("<table>" + times("<div></td></tr>", 100000)) << true << 0;
    QTest::newRow("one level over the limit") << withOne(times("<div>", 512)) << true << 0;
    QTest::newRow("nested up to the limit") << times("<div>", 500) + page(one) << false << 1;

    QString blocks;
    for (int i = 0; i < 10000; ++i)
        blocks += zh(QStringLiteral("题%1").arg(i), QStringLiteral("download?id=%1").arg(i));
    QTest::newRow("10 000 result blocks") << page(blocks) << false << 10000;
    QTest::newRow("unclosed p, li, dd, option and cells")
        << withOne("<ul>" + times("<li><p>x", 5000) + "</ul><dl>" + times("<dt>a<dd>b", 5000) + "</dl><select>"
                   + times("<option>o", 5000) + "</select><table>" + times("<tr><td>a<td>b", 5000) + "</table>")
        << false << 1;
    QTest::newRow("unclosed links and spans") << withOne(times("<a href='#'>x", 5000) + times("<div><span>x</div>", 5000)
                                                         + "<table>" + times("<tr><td><span>x</td>", 5000) + "</table>")
                                              << false << 1;
    QTest::newRow("svg shapes closed by \"/>\"") << withOne("<svg>" + times("<path d='M0 0'/>", 5000) + "</svg>")
                                                << false << 1;
    QTest::newRow("tags inside scripts, styles, comments and attributes")
        << withOne("<script>" + times("<div>", 5000) + "</script><style>" + times("<div>", 5000) + "</style><!--"
                   + times("<div>", 5000) + "--><i title='" + times("<div>", 5000) + "'></i>")
        << false << 1;
}

void TestResultPage::nesting()
{
    QFETCH(QString, markup);
    QFETCH(bool, tooDeep);
    QFETCH(int, results);

    const ResultPage parsed = ParseResultPage(markup, kPage, kBase, true);
    QCOMPARE(parsed.tooDeep, tooDeep);
    QCOMPARE(parsed.items.size(), results);
    AnalysisListModel list;
    const ResultPageAdded added = AddResultPage(list, markup, kPage, kBase, true, QString());
    QCOMPARE(added.tooDeep, tooDeep);
    QCOMPARE(list.count(), results);
}

// A tree deeper than any page HtmlDocument takes, parsed directly: the text
// walk keeps its own stack, shown or hidden (a hidden element gives its
// plain text content), and does not exhaust the call stack.
void TestResultPage::innerTextOfDeepTree_data()
{
    QTest::addColumn<QString>("opening");
    QTest::newRow("shown") << QStringLiteral("<a>");
    QTest::newRow("hidden") << QStringLiteral("<a hidden>");
}

void TestResultPage::innerTextOfDeepTree()
{
    QFETCH(QString, opening);
    const QByteArray markup = (QStringLiteral("<body>") + opening + QStringLiteral("<span>").repeated(100000)
                               + QStringLiteral("全文下载"))
                                  .toUtf8();
    // Parse errors are not recorded: each holds a copy of the open elements.
    GumboOptions options = kGumboDefaultOptions;
    options.max_errors = 0;
    GumboOutput *output = gumbo_parse_with_options(&options, markup.constData(), size_t(markup.size()));
    QVERIFY(output);
    const QVector<const GumboNode *> links = CollectByTag(output->root, QStringLiteral("a"));
    QCOMPARE(links.size(), 1);
    const QString text = InnerText(links.first());
    gumbo_destroy_output(&options, output);
    QCOMPARE(text, QStringLiteral("全文下载"));
}

QTEST_GUILESS_MAIN(TestResultPage)
#include "tst_resultpage.moc"
