// Checks the sample portal's address contract over real loopback HTTP: the markup the
// harvester reads, paging, the verification window, document bytes and headers, the
// misbehaviours downloads must survive, and the sign-in gate. Other tests rely on all of it.
#include "tests/support/PortalProcess.h"

#include <gumbo.h>

#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <functional>
#include <memory>

#include <csignal>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace {

struct Fetched {
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &pair : headers) {
            if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
                return pair.second;
        }
        return QByteArray();
    }
    bool hasHeader(const QByteArray &name) const
    {
        for (const auto &pair : headers) {
            if (pair.first.compare(name, Qt::CaseInsensitive) == 0)
                return true;
        }
        return false;
    }
};

Fetched Finish(QNetworkReply *reply)
{
    Fetched f;
    if (!QTest::qWaitFor([reply] { return reply->isFinished(); }, 20000)) {
        reply->abort();
        f.error = QNetworkReply::TimeoutError;
    } else {
        f.error = reply->error();
    }
    f.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    f.body = reply->readAll();
    f.headers = reply->rawHeaderPairs();
    reply->deleteLater();
    return f;
}

Fetched Get(QNetworkAccessManager &nam, const QString &url,
            QNetworkRequest::RedirectPolicy policy = QNetworkRequest::ManualRedirectPolicy)
{
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, policy);
    return Finish(nam.get(request));
}

// --- the harvester's reading of a result page, written out on gumbo's tree -------------

QString InnerText(const GumboNode *node)
{
    if (node->type == GUMBO_NODE_TEXT || node->type == GUMBO_NODE_WHITESPACE)
        return QString::fromUtf8(node->v.text.text);
    if (node->type != GUMBO_NODE_ELEMENT)
        return QString();
    QString text;
    const GumboVector &children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
        text += InnerText(static_cast<const GumboNode *>(children.data[i]));
    return text;
}

QString Attr(const GumboNode *node, const char *name)
{
    const GumboAttribute *a = gumbo_get_attribute(&node->v.element.attributes, name);
    return a ? QString::fromUtf8(a->value) : QString();
}

void Walk(const GumboNode *node, const std::function<void(const GumboNode *)> &visit)
{
    if (node->type != GUMBO_NODE_ELEMENT)
        return;
    visit(node);
    const GumboVector &children = node->v.element.children;
    for (unsigned i = 0; i < children.length; ++i)
        Walk(static_cast<const GumboNode *>(children.data[i]), visit);
}

const GumboNode *ById(const GumboNode *root, const QString &id)
{
    const GumboNode *found = nullptr;
    Walk(root, [&](const GumboNode *n) {
        if (!found && Attr(n, "id") == id)
            found = n;
    });
    return found;
}

QString TrimSpaces(const QString &text)
{
    int from = 0;
    int to = text.size();
    while (from < to && text.at(from) == QLatin1Char(' '))
        ++from;
    while (to > from && text.at(to - 1) == QLatin1Char(' '))
        --to;
    return text.mid(from, to - from);
}

struct Item {
    QString type;
    QString title;
    QString url;
};

struct Page {
    std::shared_ptr<GumboOutput> tree;
    QList<Item> items;
    QString nextHref; // empty: no "下一页" link
};

Page ReadPage(const QByteArray &html, const QString &base)
{
    Page page;
    page.tree.reset(gumbo_parse_with_options(&kGumboDefaultOptions, html.constData(), size_t(html.size())),
                    [](GumboOutput *o) { gumbo_destroy_output(&kGumboDefaultOptions, o); });
    const GumboNode *root = page.tree->root;

    if (const GumboNode *list = ById(root, QStringLiteral("ul_articlelist"))) {
        Walk(list, [&](const GumboNode *block) {
            if (block->v.element.tag != GUMBO_TAG_DIV
                || TrimSpaces(Attr(block, "class")).compare(QLatin1String("julei-list"), Qt::CaseInsensitive) != 0)
                return;
            const GumboNode *link = nullptr;
            Walk(block, [&](const GumboNode *a) {
                if (!link && a->v.element.tag == GUMBO_TAG_A && TrimSpaces(InnerText(a)) == QStringLiteral("全文下载"))
                    link = a;
            });
            if (!link)
                return;
            const QStringList f = Attr(link, "onclick").split(QStringLiteral("\",\""));
            if (f.size() != 6)
                return;
            const QString f1 = TrimSpaces(f[0]);
            int at = f1.lastIndexOf(QLatin1String("(\""));
            if (at < 0)
                at = f1.lastIndexOf(QLatin1String(",\""));
            const QString type = at < 0 ? QString() : TrimSpaces(f1.mid(at + 2));
            const QString title = TrimSpaces(f[4]);
            const int slash = f[1].indexOf(QLatin1String("\"/"));
            if (slash < 0 || type.isEmpty() || title.isEmpty())
                return;
            static const QStringList types{QStringLiteral("中文期刊文章"), QStringLiteral("外文期刊文章"),
                                           QStringLiteral("古籍"), QStringLiteral("外文图书")};
            const int code = types.indexOf(type) + 1;
            QString url = base + f[1].mid(slash + 2);
            if (code > 0)
                url += QStringLiteral("&type=%1").arg(code);
            page.items.append({type, title, url});
        });
    }
    if (const GumboNode *paging = ById(root, QStringLiteral("page"))) {
        Walk(paging, [&](const GumboNode *a) {
            if (page.nextHref.isEmpty() && a->v.element.tag == GUMBO_TAG_A
                && TrimSpaces(InnerText(a)).toLower() == QStringLiteral("下一页"))
                page.nextHref = Attr(a, "href");
        });
    }
    return page;
}

const QByteArray kNotice = QByteArrayLiteral("您的访问过于频繁，为确认本次访问为正常用户行为，需要您协助验证");

} // namespace

class TestPortal final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void resultPageYieldsTheListedItems();
    void nextPageLinkOnEveryPageButTheLast();
    void verificationNoticeUntilTheWindowHasPassed();
    void documentBytesAndHeaders_data();
    void documentBytesAndHeaders();
    void downloadAddressesServeTheirDocuments();
    void misbehaviours();
    void stallHoldsBackTheRestOfTheBody();
    void signInGate();
    void signInPagesInputOrder_data();
    void signInPagesInputOrder();
    void fixedPages();
    void sameSeedSameContent();
    void stopsPromptlyDuringAStall();
    void refusesAPortAlreadyInUse();
    void requestLogShowsWhatWasSent();
    void endsWithItsParentOnlyWhenAsked_data();
    void endsWithItsParentOnlyWhenAsked();

private:
    std::unique_ptr<PortalProcess> m_portal;
    QNetworkAccessManager m_nam;
};

void TestPortal::initTestCase()
{
    m_portal = std::make_unique<PortalProcess>(QStringList{QStringLiteral("--results"), QStringLiteral("23"),
                                                           QStringLiteral("--per-page"), QStringLiteral("10"),
                                                           QStringLiteral("--version-text"),
                                                           QStringLiteral("1.2.0")});
    QVERIFY2(m_portal->start(), qPrintable(m_portal->errorString()));
}

void TestPortal::cleanupTestCase()
{
    m_portal->stop();
    QVERIFY(m_portal->stoppedCleanly());
}

void TestPortal::resultPageYieldsTheListedItems()
{
    const Fetched listing = Get(m_nam, m_portal->url(QStringLiteral("catalogue.txt?q=abc")));
    QCOMPARE(listing.status, 200);
    QStringList expectedUrls;
    for (const QString &line : QString::fromUtf8(listing.body).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (line.startsWith(QLatin1Char('#')))
            continue;
        const QStringList cols = line.split(QLatin1Char('\t'));
        QCOMPARE(cols.size(), 8);
        expectedUrls << m_portal->url(cols[6]) + (cols[2] == QLatin1String("0") ? QString() : QStringLiteral("&type=") + cols[2]);
    }
    QCOMPARE(expectedUrls.size(), 23);

    const Fetched first = Get(m_nam, m_portal->url(QStringLiteral("search?q=abc&page=1")));
    QCOMPARE(first.status, 200);
    QVERIFY(first.header("Content-Type").contains("charset=utf-8"));
    QVERIFY(first.body.contains("<meta charset=\"utf-8\">"));
    QVERIFY(!first.body.contains(kNotice));

    // Every block of the page goes through the harvester's rules: the ten real results come
    // out, in order, and none of the malformed blocks (ids from 900000, 899999) does.
    const Page page = ReadPage(first.body, m_portal->base());
    QStringList urls;
    for (const Item &item : page.items)
        urls << item.url;
    QCOMPARE(urls, expectedUrls.mid(0, 10));

    const QString longTitle = page.items.at(7).title;
    QCOMPARE(longTitle.size(), 300);
    const QList<QPair<QString, QString>> fixed{
        {QStringLiteral("中文期刊文章"), QStringLiteral("基于深度学习的文献计量分析研究")},
        {QStringLiteral("外文期刊文章"), QStringLiteral("A Survey of Information Retrieval Models")},
        {QStringLiteral("古籍"), QStringLiteral("中文 文本 分类 方法 研究")},
        {QStringLiteral("外文图书"), QStringLiteral("数据\u3000挖掘\u3000技术\u3000综述")},
        {QStringLiteral("会议论文"), QStringLiteral("文献计量视角下的学科演化分析")},
        {QStringLiteral("中文期刊文章"), QStringLiteral("知识图谱构建方法\n——以医学文献为例")},
        {QStringLiteral("外文期刊文章"), QStringLiteral("【综述】古籍数字化整理研究】续编")},
    };
    for (int i = 0; i < fixed.size(); ++i) {
        QCOMPARE(page.items.at(i).type, fixed[i].first);
        QCOMPARE(page.items.at(i).title, fixed[i].second);
    }
    // The unknown type keeps its item but gets no type parameter.
    QVERIFY(!page.items.at(4).url.contains(QLatin1String("&type=")));
}

void TestPortal::nextPageLinkOnEveryPageButTheLast()
{
    QString url = m_portal->url(QStringLiteral("search?q=%E6%B5%8B%E8%AF%95&page=1"));
    QList<int> counts;
    for (int hop = 0; hop < 5 && !url.isEmpty(); ++hop) {
        const Fetched f = Get(m_nam, url);
        QCOMPARE(f.status, 200);
        const Page page = ReadPage(f.body, m_portal->base());
        counts << int(page.items.size());
        url = page.nextHref.isEmpty() ? QString() : QUrl(url).resolved(QUrl(page.nextHref)).toString();
    }
    QCOMPARE(counts, (QList<int>{10, 10, 3}));

    const Page beyond = ReadPage(Get(m_nam, m_portal->url(QStringLiteral("search?q=x&page=9"))).body, m_portal->base());
    QVERIFY(beyond.items.isEmpty());
    QVERIFY(beyond.nextHref.isEmpty());
}

void TestPortal::verificationNoticeUntilTheWindowHasPassed()
{
    PortalProcess throttled({QStringLiteral("--throttle"), QStringLiteral("2/1")});
    QVERIFY2(throttled.start(), qPrintable(throttled.errorString()));
    const QString page = throttled.url(QStringLiteral("search?q=a&page=1"));

    QVERIFY(!Get(m_nam, page).body.contains(kNotice));
    QVERIFY(!Get(m_nam, page).body.contains(kNotice));
    const Fetched blocked = Get(m_nam, page);
    QVERIFY(blocked.body.contains(kNotice));
    // The notice page still carries result blocks; only the notice tells it apart.
    QVERIFY(!ReadPage(blocked.body, throttled.base()).items.isEmpty());
    QVERIFY(Get(m_nam, page).body.contains(kNotice));

    QTest::qWait(1100);
    QVERIFY(!Get(m_nam, page).body.contains(kNotice));
}

void TestPortal::documentBytesAndHeaders_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<QByteArray>("signature");
    QTest::addColumn<int>("offset");
    QTest::addColumn<QByteArray>("contentType");
    QTest::addColumn<QByteArray>("disposition"); // empty: no such header

    QTest::newRow("pdf") << "kind=pdf" << QByteArray("%PDF") << 0 << QByteArray("application/pdf") << QByteArray();
    QTest::newRow("caj") << "kind=caj" << QByteArray("\xC8\x00\x00\x00", 4) << 0 << QByteArray("application/caj")
                         << QByteArray();
    QTest::newRow("kdh") << "kind=kdh" << QByteArray("KDH ") << 0 << QByteArray("application/kdh") << QByteArray();
    QTest::newRow("nh") << "kind=nh" << QByteArray("HN\x00\x00", 4) << 0 << QByteArray("application/nh") << QByteArray();
    QTest::newRow("zip") << "kind=zip" << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08", 9) << 0
                         << QByteArray("application/zip") << QByteArray();
    QTest::newRow("doc at 512") << "kind=doc" << QByteArray("\xEC\xA5\xC1\x00", 4) << 512
                                << QByteArray("application/msword") << QByteArray();
    QTest::newRow("png") << "kind=png" << QByteArray("\x89PNG\r\n\x1A\n") << 0 << QByteArray("image/png") << QByteArray();
    QTest::newRow("html") << "kind=html" << QByteArray("<!DOCTYPE html>") << 0
                          << QByteArray("text/html; charset=utf-8") << QByteArray();
    QTest::newRow("pdf as text/html") << "kind=pdf&ct=text%2Fhtml" << QByteArray("%PDF") << 0
                                      << QByteArray("text/html") << QByteArray();
    QTest::newRow("charset on binary") << "kind=caj&ct=application%2Foctet-stream%3B%20charset%3Dutf-8"
                                       << QByteArray("\xC8", 1) << 0
                                       << QByteArray("application/octet-stream; charset=utf-8") << QByteArray();
    QTest::newRow("cd plain") << "kind=caj&ct=application%2Foctet-stream&cd=plain&name=a"
                              << QByteArray("\xC8", 1) << 0 << QByteArray("application/octet-stream")
                              << QByteArray("attachment; filename=a.caj");
    QTest::newRow("cd quoted, own ext") << "kind=pdf&cd=quoted&name=report&ext=pdf1" << QByteArray("%PDF") << 0
                                        << QByteArray("application/pdf")
                                        << QByteArray("attachment; filename=\"report.pdf1\"");
    QTest::newRow("cd utf8") << "kind=pdf&cd=utf8&name=%E4%B8%AD" << QByteArray("%PDF") << 0
                             << QByteArray("application/pdf")
                             << QByteArray("attachment; charset=utf-8; filename=\"%E4%B8%AD.pdf\"");
    QTest::newRow("cd gbk") << "kind=pdf&cd=gbk" << QByteArray("%PDF") << 0 << QByteArray("application/pdf")
                            << QByteArray("attachment; filename=%B1%A8%B8%E6.pdf");
    QTest::newRow("cd star") << "kind=pdf&cd=star" << QByteArray("%PDF") << 0 << QByteArray("application/pdf")
                             << QByteArray("attachment; filename*=UTF-8''%E6%8A%A5%E5%91%8A.pdf");
}

void TestPortal::documentBytesAndHeaders()
{
    QFETCH(QString, query);
    QFETCH(QByteArray, signature);
    QFETCH(int, offset);
    QFETCH(QByteArray, contentType);
    QFETCH(QByteArray, disposition);

    const Fetched f = Get(m_nam, m_portal->url(QStringLiteral("file?size=1000&") + query));
    QCOMPARE(f.error, QNetworkReply::NoError);
    QCOMPARE(f.body.size(), 1000);
    QCOMPARE(f.header("Content-Length"), QByteArray("1000"));
    QCOMPARE(f.body.mid(offset, signature.size()), signature);
    QCOMPARE(f.header("Content-Type"), contentType);
    QCOMPARE(f.header("Content-Disposition"), disposition);
    QCOMPARE(f.hasHeader("Content-Disposition"), !disposition.isEmpty());
}

void TestPortal::downloadAddressesServeTheirDocuments()
{
    // Result documents answer with the header profile the listing names; a few of them,
    // with the delimiting each profile promises.
    const Fetched listing = Get(m_nam, m_portal->url(QStringLiteral("catalogue.txt?q=abc")));
    QSet<QString> seenProfiles;
    for (const QString &line : QString::fromUtf8(listing.body).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList cols = line.split(QLatin1Char('\t'));
        if (line.startsWith(QLatin1Char('#')) || seenProfiles.contains(cols[4]))
            continue;
        seenProfiles.insert(cols[4]);
        const Fetched f = Get(m_nam, m_portal->url(cols[6] + QStringLiteral("&type=1")));
        QCOMPARE(f.error, QNetworkReply::NoError);
        QCOMPARE(QByteArray::number(f.body.size()), cols[5].toUtf8());
        const QString &profile = cols[4];
        QCOMPARE(f.hasHeader("Content-Length"), profile != QLatin1String("no-length") && profile != QLatin1String("chunked"));
        QCOMPARE(f.header("Transfer-Encoding") == "chunked", profile == QLatin1String("chunked"));
        QCOMPARE(f.hasHeader("Content-Disposition"), profile.startsWith(QLatin1String("cd-")));
        if (profile == QLatin1String("html-type"))
            QCOMPARE(f.header("Content-Type"), QByteArray("text/html"));
        if (cols[3] == QLatin1String("pdf"))
            QVERIFY(f.body.startsWith("%PDF"));
    }
    QCOMPARE(seenProfiles.size(), 10);

    QCOMPARE(Get(m_nam, m_portal->url(QStringLiteral("download?id=24&kind=pdf"))).status, 404);
}

void TestPortal::misbehaviours()
{
    // Closed at 60 % of the announced length.
    Fetched f = Get(m_nam, m_portal->url(QStringLiteral("file?kind=pdf&size=100000&cut=60")));
    QCOMPARE(f.header("Content-Length"), QByteArray("100000"));
    QCOMPARE(f.error, QNetworkReply::RemoteHostClosedError);
    QCOMPARE(f.body.size(), 60000);

    // No length at all: the closing connection ends the body, which is complete.
    f = Get(m_nam, m_portal->url(QStringLiteral("file?kind=pdf&size=5000&nolength=1")));
    QCOMPARE(f.error, QNetworkReply::NoError);
    QVERIFY(!f.hasHeader("Content-Length"));
    QCOMPARE(f.body.size(), 5000);

    for (int status : {404, 500}) {
        f = Get(m_nam, m_portal->url(QStringLiteral("file?kind=pdf&status=%1").arg(status)));
        QCOMPARE(f.status, status);
        QVERIFY(f.header("Content-Type").startsWith("text/html"));
        QVERIFY(f.body.contains("<html>"));
    }
    // An error page is framed as asked too: without a length, or chunked.
    for (const char *framing : {"nolength", "chunked"}) {
        f = Get(m_nam, m_portal->url(QStringLiteral("file?kind=pdf&status=404&%1=1").arg(QLatin1String(framing))));
        QCOMPARE(f.status, 404);
        QVERIFY2(!f.hasHeader("Content-Length"), framing);
        QVERIFY(f.body.contains("您请求的文献不存在。"));
        QVERIFY(f.body.endsWith("</html>\n"));
    }

    f = Get(m_nam, m_portal->url(QStringLiteral("file?kind=pdf&redirects=3")));
    QCOMPARE(f.status, 302);
    QVERIFY(f.header("Location").endsWith("/file?kind=pdf&redirects=2"));
    f = Get(m_nam, m_portal->url(QStringLiteral("file?kind=pdf&redirects=3")), QNetworkRequest::NoLessSafeRedirectPolicy);
    QCOMPARE(f.status, 200);
    QVERIFY(f.body.startsWith("%PDF"));

    f = Get(m_nam, m_portal->url(QStringLiteral("file?badscheme=1")));
    QCOMPARE(f.status, 302);
    QCOMPARE(f.header("Location"), QByteArray("ftp://127.0.0.1/x"));

    // A line that is no header: Qt drops the whole header block, so the portal closes the
    // connection after the body and the client still gets the document whole.
    for (const char *form : {"1", "2"}) {
        f = Get(m_nam, m_portal->url(QStringLiteral("file?kind=caj&size=3000&garbage=") + QLatin1String(form)));
        QCOMPARE(f.error, QNetworkReply::NoError);
        QCOMPARE(f.body.size(), 3000);
        QVERIFY(f.body.startsWith("\xC8"));
    }

    // Several gigabytes are announced and generated as they go: read the start, then stop.
    QNetworkReply *big = m_nam.get(QNetworkRequest(QUrl(m_portal->url(QStringLiteral("file?kind=zip&size=5000000000")))));
    QVERIFY(QTest::qWaitFor([big] { return big->bytesAvailable() >= 9 || big->isFinished(); }, 10000));
    QCOMPARE(big->rawHeader("Content-Length"), QByteArray("5000000000"));
    QCOMPARE(big->read(4), QByteArray("PK\x03\x04"));
    big->abort();
    big->deleteLater();
}

void TestPortal::stallHoldsBackTheRestOfTheBody()
{
    QNetworkReply *reply = m_nam.get(
        QNetworkRequest(QUrl(m_portal->url(QStringLiteral("file?kind=pdf&size=4000&stall=2&after=100&chunked=1")))));
    QByteArray body;
    QVERIFY(QTest::qWaitFor([&] { body += reply->readAll(); return body.size() >= 100; }, 10000));
    QTest::qWait(300);
    body += reply->readAll();
    QCOMPARE(body.size(), 100);
    const Fetched rest = Finish(reply);
    QCOMPARE(rest.error, QNetworkReply::NoError);
    QCOMPARE(body.size() + rest.body.size(), 4000);
}

void TestPortal::signInGate()
{
    PortalProcess gated({QStringLiteral("--require-login")});
    QVERIFY2(gated.start(), qPrintable(gated.errorString()));
    QNetworkAccessManager nam;
    nam.setCookieJar(new QNetworkCookieJar(&nam));
    const QString document = gated.url(QStringLiteral("download?id=1&kind=pdf&type=1"));

    Fetched f = Get(nam, document);
    QCOMPARE(f.status, 200);
    QVERIFY(f.header("Content-Type").startsWith("text/html"));
    QVERIFY(f.body.contains("name=\"userid\""));
    QVERIFY(!f.body.startsWith("%PDF"));

    auto post = [&](const QByteArray &form) {
        QNetworkRequest request{QUrl(gated.url(QStringLiteral("login")))};
        request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
        return Finish(nam.post(request, form));
    };
    f = post("form=account&userid=reader&password=wrong");
    QVERIFY(!f.hasHeader("Set-Cookie"));
    QVERIFY(!Get(nam, document).body.startsWith("%PDF"));

    f = post("form=account&userid=reader&password=secret");
    QVERIFY(f.header("Set-Cookie").startsWith("LHSESSION="));
    QVERIFY(Get(nam, document).body.startsWith("%PDF"));

    // A cookie the portal never issued does not open the gate.
    QNetworkAccessManager stranger;
    QNetworkRequest forged{QUrl(document)};
    forged.setRawHeader("Cookie", "LHSESSION=0123456789abcdef");
    QVERIFY(!Finish(stranger.get(forged)).body.startsWith("%PDF"));
}

void TestPortal::signInPagesInputOrder_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("inputs"); // names (or "submit", "#id") of the INPUT elements in order

    QTest::newRow("userid + password") << "login.html" << "form userid password submit";
    QTest::newRow("mixed case") << "login-mixed.html" << "form User PassWord submit";
    QTest::newRow("no password") << "login-nopass.html" << "form user username submit";
    QTest::newRow("submit first") << "login-submitfirst.html" << "form submit userid password";
    QTest::newRow("ip") << "login-ip.html" << "form #submitip";
}

void TestPortal::signInPagesInputOrder()
{
    QFETCH(QString, page);
    QFETCH(QString, inputs);
    const Fetched f = Get(m_nam, m_portal->url(page));
    QCOMPARE(f.status, 200);
    const Page parsed = ReadPage(f.body, m_portal->base());
    QStringList seen;
    Walk(parsed.tree->root, [&](const GumboNode *n) {
        if (n->v.element.tag != GUMBO_TAG_INPUT)
            return;
        if (!Attr(n, "id").isEmpty())
            seen << QLatin1Char('#') + Attr(n, "id");
        else if (Attr(n, "type").compare(QLatin1String("submit"), Qt::CaseInsensitive) == 0)
            seen << QStringLiteral("submit");
        else
            seen << Attr(n, "name");
    });
    QCOMPARE(seen.join(QLatin1Char(' ')), inputs);
}

void TestPortal::fixedPages()
{
    const Fetched home = Get(m_nam, m_portal->base().chopped(1));
    QCOMPARE(home.status, 200);
    QVERIFY(home.body.contains("action=\"search\""));
    QVERIFY(home.body.contains("name=\"q\""));

    QCOMPARE(Get(m_nam, m_portal->url(QStringLiteral("version.txt"))).body, QByteArray("1.2.0"));
    QCOMPARE(Get(m_nam, m_portal->url(QStringLiteral("litharvest/newver.txt"))).body, QByteArray("1.2.0"));

    const QList<QPair<QString, QByteArray>> browser{
        {QStringLiteral("browser/blank-target.html"), QByteArray("target=\"_blank\"")},
        {QStringLiteral("browser/window-open.html"), QByteArray("window.open(")},
        {QStringLiteral("browser/frames.html"), QByteArray("<frameset")},
        {QStringLiteral("browser/close.html"), QByteArray("window.close()")},
        {QStringLiteral("browser/script-error.html"), QByteArray("alert(")},
    };
    for (const auto &[path, marker] : browser) {
        const Fetched f = Get(m_nam, m_portal->url(path));
        QCOMPARE(f.status, 200);
        QVERIFY2(f.body.contains(marker), qPrintable(path));
    }
    QCOMPARE(Get(m_nam, m_portal->url(QStringLiteral("no/such/page"))).status, 404);
}

void TestPortal::sameSeedSameContent()
{
    PortalProcess again({QStringLiteral("--results"), QStringLiteral("23"), QStringLiteral("--per-page"),
                         QStringLiteral("10")});
    PortalProcess other({QStringLiteral("--results"), QStringLiteral("23"), QStringLiteral("--per-page"),
                         QStringLiteral("10"), QStringLiteral("--seed"), QStringLiteral("2")});
    QVERIFY(again.start());
    QVERIFY(other.start());
    const QString page = QStringLiteral("search?q=abc&page=2");
    const QString doc = QStringLiteral("download?id=12&kind=caj&type=2");
    QCOMPARE(Get(m_nam, again.url(page)).body, Get(m_nam, m_portal->url(page)).body);
    QCOMPARE(Get(m_nam, again.url(doc)).body, Get(m_nam, m_portal->url(doc)).body);
    QVERIFY(Get(m_nam, other.url(page)).body != Get(m_nam, m_portal->url(page)).body);
    QVERIFY(Get(m_nam, other.url(doc)).body != Get(m_nam, m_portal->url(doc)).body);
}

void TestPortal::stopsPromptlyDuringAStall()
{
    PortalProcess portal;
    QVERIFY(portal.start());
    QNetworkAccessManager nam;
    QNetworkReply *reply = nam.get(QNetworkRequest(QUrl(portal.url(QStringLiteral("file?size=1000&stall=300&after=10")))));
    QVERIFY(QTest::qWaitFor([reply] { return reply->bytesAvailable() >= 10; }, 10000));
    portal.stop();
    QVERIFY(portal.stoppedCleanly());
    QVERIFY(QTest::qWaitFor([reply] { return reply->isFinished(); }, 5000));
    QVERIFY(reply->error() != QNetworkReply::NoError);
    delete reply;
}

void TestPortal::refusesAPortAlreadyInUse()
{
    // A second portal on a taken port must fail, not share the port and answer half the
    // requests with its own sessions and throttle window.
    const QString port = QString::number(QUrl(m_portal->base()).port());
    PortalProcess second({QStringLiteral("--port"), port});
    QVERIFY(!second.start());
    QVERIFY2(second.errorString().contains(QLatin1String("ended before")), qPrintable(second.errorString()));
}

void TestPortal::requestLogShowsWhatWasSent()
{
    QNetworkRequest request{QUrl(m_portal->url(QStringLiteral("file?kind=pdf&size=10&log=one")))};
    request.setRawHeader("Referer", "http://127.0.0.1/search?q=abc&page=2");
    request.setRawHeader("Cookie", "LHSESSION=abc");
    request.setRawHeader("User-Agent", "tester");
    QCOMPARE(Finish(m_nam.get(request)).status, 200);
    QNetworkRequest post{QUrl(m_portal->url(QStringLiteral("login?log=two")))};
    post.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    Finish(m_nam.post(post, QByteArray("userid=x&password=y")));
    QCOMPARE(Get(m_nam, m_portal->url(QStringLiteral("no/such?log=three"))).status, 404);

    const QList<PortalRequest> log = m_portal->requests();
    QVERIFY(log.size() >= 3);
    const PortalRequest &first = log.at(log.size() - 3);
    QCOMPARE(first.method, QStringLiteral("GET"));
    QCOMPARE(first.target, QStringLiteral("/file?kind=pdf&size=10&log=one"));
    QCOMPARE(first.referer, QStringLiteral("http://127.0.0.1/search?q=abc&page=2"));
    QCOMPARE(first.cookie, QStringLiteral("LHSESSION=abc"));
    QCOMPARE(first.userAgent, QStringLiteral("tester"));
    QCOMPARE(first.host, QUrl(m_portal->base()).authority());
    QCOMPARE(first.via, QString());
    QCOMPARE(log.at(log.size() - 2).method, QStringLiteral("POST"));
    QCOMPARE(log.at(log.size() - 2).target, QStringLiteral("/login?log=two"));
    QCOMPARE(log.last().target, QStringLiteral("/no/such?log=three"));
    QCOMPARE(log.last().referer, QString());

    // The log asked for is not in it, and only the newest 200 are kept.
    for (int i = 0; i < 200; ++i)
        QCOMPARE(Get(m_nam, m_portal->url(QStringLiteral("version.txt?n=%1").arg(i))).status, 200);
    const QList<PortalRequest> newest = m_portal->requests();
    QCOMPARE(newest.size(), 200);
    QCOMPARE(newest.first().target, QStringLiteral("/version.txt?n=0"));
    QCOMPARE(newest.last().target, QStringLiteral("/version.txt?n=199"));
}

void TestPortal::endsWithItsParentOnlyWhenAsked_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("endsWithParent");
    QTest::newRow("plain command") << QStringList() << false;
    QTest::newRow("--exit-with-parent") << QStringList{QStringLiteral("--exit-with-parent")} << true;
}

void TestPortal::endsWithItsParentOnlyWhenAsked()
{
    QFETCH(QStringList, options);
    QFETCH(bool, endsWithParent);
    // A script starts the portal in the background, waits until it listens and exits. The
    // test process takes the orphaned portal in, so it can see whether the portal lives on,
    // and reap it.
    QCOMPARE(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    const auto noLongerReaper = qScopeGuard([] { prctl(PR_SET_CHILD_SUBREAPER, 0); });
    QTemporaryDir dir;
    const QString addressFile = dir.filePath(QStringLiteral("address"));
    QProcess script;
    script.start(QStringLiteral("sh"),
                 QStringList{QStringLiteral("-c"),
                             QStringLiteral("f=$1; shift; \"$0\" --port 0 \"$@\" >\"$f\" & i=0; "
                                            "while [ ! -s \"$f\" ] && [ $i -lt 200 ]; do sleep 0.05; i=$((i+1)); done; "
                                            "echo $!"),
                             PortalProcess::programPath(), addressFile}
                     + options);
    QVERIFY(script.waitForFinished(20000));
    bool ok = false;
    const pid_t pid = pid_t(QString::fromLatin1(script.readAllStandardOutput()).trimmed().toInt(&ok));
    QVERIFY(ok && pid > 0);
    QFile file(addressFile);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString base = QString::fromUtf8(file.readLine()).trimmed();
    QVERIFY2(base.startsWith(QLatin1String("http://")), qPrintable(base));

    int status = 0;
    const auto ended = [pid, &status] { return waitpid(pid, &status, WNOHANG) == pid; };
    if (endsWithParent) {
        QVERIFY(QTest::qWaitFor(ended, 5000));
    } else {
        QCOMPARE(Get(m_nam, base).status, 200);
        QVERIFY(!ended());
        QCOMPARE(kill(pid, SIGTERM), 0);
        QVERIFY(QTest::qWaitFor(ended, 5000));
    }
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

QTEST_GUILESS_MAIN(TestPortal)
#include "tst_portal.moc"
