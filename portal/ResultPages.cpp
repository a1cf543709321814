#include "portal/ResultPages.h"

#include "portal/ResultCatalogue.h"
#include "portal/TextCoding.h"

#include <algorithm>

const char *const kVerificationNotice = "您的访问过于频繁，为确认本次访问为正常用户行为，需要您协助验证";

namespace {

const char *const kPageScript = R"JS(<script>
var LH_TYPES = {"中文期刊文章": 1, "外文期刊文章": 2, "古籍": 3, "外文图书": 4};
function DownLoadFile(type, url, id, kind, title, page) {
  var code = LH_TYPES[String(type).replace(/^\s+|\s+$/g, "")];
  location.href = url + (code ? "&type=" + code : "");
  return false;
}
function DownLoadFile2(channel, type, url, id, kind, title, page) {
  return DownLoadFile(type, url, id, kind, title, page);
}
function ReadOnline() { return false; }
</script>
)JS";

std::string Frame(const std::string &title, const std::string &head, const std::string &body)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title
           + "</title>\n" + head + "</head>\n<body>\n" + body + "</body>\n</html>\n";
}

std::string SearchForm(const std::string &keyword)
{
    return "<form id=\"searchform\" action=\"search\" method=\"get\">\n"
           "<input type=\"text\" name=\"q\" value=\""
           + HtmlEscape(keyword)
           + "\">\n<input type=\"hidden\" name=\"page\" value=\"1\">\n"
             "<input type=\"submit\" value=\"检索\">\n</form>\n";
}

// Escapes text for an attribute delimited by quote; the other quote character stays raw.
std::string AttributeText(const std::string &text, char quote)
{
    std::string out;
    for (char c : text) {
        if (c == '&')
            out += "&amp;";
        else if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else if (c == quote)
            out += quote == '"' ? "&quot;" : "&#39;";
        else
            out += c;
    }
    return out;
}

std::string Attribute(const std::string &name, const std::string &value, char quote)
{
    return " " + name + "=" + quote + AttributeText(value, quote) + quote;
}

struct CallArgs {
    std::string type;
    std::string path; // relative to the base address
    std::string id;
    std::string kind;
    std::string title;
    std::string page;
};

// The six-field call: split at "," it gives exactly six fields, field 1 ends with ("TYPE
// (or ,"TYPE in the second form), field 2 holds "/PATH, field 5 is the title.
std::string DownloadCall(const CallArgs &a, bool commaForm, const char *function = nullptr)
{
    std::string call = function ? function : (commaForm ? "DownLoadFile2" : "DownLoadFile");
    call += commaForm ? "(0,\"" : "(\"";
    call += a.type + "\",\"http://\"+location.host+\"/" + a.path + "\",\"" + a.id + "\",\"" + a.kind + "\",\""
            + a.title + "\",\"" + a.page + "\")";
    return call;
}

std::string Link(const std::string &text, const std::string &onclick, char quote)
{
    std::string a = "<a href=\"javascript:void(0)\"";
    if (!onclick.empty())
        a += Attribute("onclick", onclick, quote);
    return a + ">" + text + "</a>";
}

std::string Block(const std::string &cssClass, const std::string &title, const std::string &info,
                  const std::string &links)
{
    return "<li>\n<div class=\"" + cssClass + "\">\n<div class=\"julei-title\"><a href=\"javascript:void(0)\">"
           + HtmlEscape(title) + "</a></div>\n<div class=\"julei-info\">" + info
           + "</div>\n<div class=\"julei-op\">" + links + "</div>\n</div>\n</li>\n";
}

std::string ResultBlock(const ResultEntry &e, int page)
{
    const int i = e.id;
    static const char *const classes[] = {"julei-list", " julei-list ", "JULEI-LIST", "Julei-List  "};
    std::string linkText = "全文下载";
    if (i % 3 == 1)
        linkText = "  全文下载  ";
    else if (i % 7 == 3)
        linkText = "<b>全文下载</b>";
    const char quote = i % 2 == 0 ? '\'' : '"';
    const bool commaForm = i % 4 == 3;
    const std::string kind = DocumentKindName(e.kind);
    const std::string id = std::to_string(i);

    CallArgs download{e.articleType, "download?id=" + id + "&kind=" + kind, id, kind, e.title, std::to_string(page)};
    CallArgs read = download;
    read.path = "read?id=" + id;

    const std::string links = Link("在线阅读", DownloadCall(read, false, "ReadOnline"), quote) + "\n"
                              + Link(linkText, DownloadCall(download, commaForm), quote) + "\n"
                              + Link("收藏", std::string(), quote);
    const std::string info = "类型：" + HtmlEscape(e.articleType) + "　编号：" + id;
    return Block(classes[i % 4], e.title, info, links);
}

// Blocks that must yield no item; ids from 900000 up so a wrongly harvested one stands out.
std::string DecoyBlock(int which, int page)
{
    const std::string id = std::to_string(900000 + page * 10 + which);
    const std::string p = std::to_string(page);
    CallArgs a{"中文期刊文章", "download?id=" + id + "&kind=pdf", id, "pdf", "不应被提取的条目" + id, p};
    auto block = [&](const std::string &links, const std::string &cssClass = "julei-list") {
        return Block(cssClass, a.title, "类型：中文期刊文章　编号：" + id, links);
    };
    switch (which) {
    case 0: // no download link at all
        return block(Link("在线阅读", DownloadCall(a, false, "ReadOnline"), '\'') + "\n" + Link("收藏", "", '\''));
    case 1: // the text differs beyond surrounding spaces
        return block(Link("全文下载 PDF", DownloadCall(a, false), '\''));
    case 2: // five fields
        return block(Link("全文下载", "DownLoadFile(\"中文期刊文章\",\"http://\"+location.host+\"/" + a.path + "\",\""
                                         + id + "\",\"pdf\",\"" + a.title + "\")",
                          '\''));
    case 3: // seven fields
        return block(Link("全文下载", "DownLoadFile(\"中文期刊文章\",\"http://\"+location.host+\"/" + a.path + "\",\""
                                         + id + "\",\"pdf\",\"" + a.title + "\",\"" + p + "\",\"extra\")",
                          '\''));
    case 4: { // empty title
        CallArgs b = a;
        b.title = "";
        return block(Link("全文下载", DownloadCall(b, false), '\''));
    }
    case 5: { // title of spaces only
        CallArgs b = a;
        b.title = "   ";
        return block(Link("全文下载", DownloadCall(b, false), '\''));
    }
    case 6: { // no quotation-mark-solidus pair in field 2: no address
        return block(Link("全文下载", "DownLoadFile(\"中文期刊文章\",\"" + a.path + "\",\"" + id + "\",\"pdf\",\""
                                         + a.title + "\",\"" + p + "\")",
                          '\''));
    }
    case 7: { // empty article type
        CallArgs b = a;
        b.type = "";
        return block(Link("全文下载", DownloadCall(b, false), '\''));
    }
    case 8: // a valid call in a block whose class is not "julei-list"
        return block(Link("全文下载", DownloadCall(a, false), '\''), "julei-list-ad");
    }
    return std::string();
}
constexpr int kDecoyCount = 9;

std::string SearchHref(const std::string &keyword, int page)
{
    return "search?q=" + PercentEncode(keyword) + "&amp;page=" + std::to_string(page);
}

std::string Paging(const std::string &keyword, int page, int pageCount)
{
    std::string out = "<div id=\"page\">\n";
    if (page > 1) {
        out += "<a href=\"" + SearchHref(keyword, 1) + "\">首页</a>\n";
        out += "<a href=\"" + SearchHref(keyword, page - 1) + "\">上一页</a>\n";
    }
    const int first = std::max(1, std::min(page - 4, pageCount - 9));
    const int last = std::min(pageCount, first + 9);
    for (int n = first; n <= last; ++n) {
        if (n == page)
            out += "<span class=\"current\">" + std::to_string(n) + "</span>\n";
        else
            out += "<a href=\"" + SearchHref(keyword, n) + "\">" + std::to_string(n) + "</a>\n";
    }
    if (page < pageCount) {
        out += "<a href=\"" + SearchHref(keyword, page + 1) + "\">" + (page % 2 == 0 ? " 下一页 " : "下一页")
               + "</a>\n";
        out += "<a href=\"" + SearchHref(keyword, pageCount) + "\">尾页</a>\n";
    }
    return out + "</div>\n";
}

} // namespace

std::string HomePage()
{
    const std::string body = "<h1>样例文献门户</h1>\n<p>本站是 litharvest 的本机样例门户，供测试与演示使用。</p>\n"
                             + SearchForm(std::string())
                             + "<ul class=\"nav\">\n"
                               "<li><a href=\"login.html\">用户登录</a></li>\n"
                               "<li><a href=\"login-ip.html\">IP登录</a></li>\n"
                               "<li><a href=\"browser/index.html\">浏览器行为页面</a></li>\n"
                               "</ul>\n";
    return Frame("样例文献门户", std::string(), body);
}

std::string SearchPage(const ResultCatalogue &catalogue, const std::string &keyword, int page, bool verification)
{
    const int pageCount = catalogue.pageCount();
    const int first = (page - 1) * catalogue.perPage() + 1;
    const int last = std::min(catalogue.results(), page * catalogue.perPage());

    std::string body = "<div class=\"search-head\">\n" + SearchForm(keyword) + "</div>\n";
    if (verification) {
        body += "<div class=\"verify-notice\">" + std::string(kVerificationNotice)
                + "</div>\n<form action=\"search\" method=\"get\">\n<input type=\"hidden\" name=\"q\" value=\""
                + HtmlEscape(keyword) + "\">\n<input type=\"hidden\" name=\"page\" value=\"" + std::to_string(page)
                + "\">\n验证码：<input type=\"text\" name=\"code\">\n<input type=\"submit\" value=\"提交\">\n</form>\n";
    }
    body += "<p class=\"summary\">检索“" + HtmlEscape(keyword) + "”共找到 " + std::to_string(catalogue.results())
            + " 条结果，第 " + std::to_string(page) + "/" + std::to_string(pageCount) + " 页</p>\n";
    body += "<ul id=\"ul_articlelist\">\n";
    int decoy = 0;
    for (int index = first; index <= last; ++index) {
        body += ResultBlock(catalogue.entry(index, keyword), page);
        if (decoy < kDecoyCount)
            body += DecoyBlock(decoy++, page);
    }
    if (page <= pageCount) {
        while (decoy < kDecoyCount)
            body += DecoyBlock(decoy++, page);
    }
    body += "</ul>\n";
    body += Paging(keyword, page, pageCount);
    // Outside the result list: a harvester that looks beyond "ul_articlelist" picks this up.
    body += "<div class=\"sidebar\">\n<h3>推荐文献</h3>\n<div class=\"julei-list\">"
            "<a href=\"javascript:void(0)\" onclick='DownLoadFile(\"中文期刊文章\",\"http://\"+location.host+"
            "\"/download?id=899999&amp;kind=pdf\",\"899999\",\"pdf\",\"侧栏推荐条目\",\"1\")'>全文下载</a></div>\n</div>\n";
    return Frame(verification ? "安全验证" : "检索结果 - 样例文献门户", kPageScript, body);
}

std::string CatalogueText(const ResultCatalogue &catalogue, const std::string &keyword)
{
    std::string out = "# id\ttype\ttypecode\tkind\tprofile\tsize\tpath\ttitle\n";
    for (int index = 1; index <= catalogue.results(); ++index) {
        const ResultEntry e = catalogue.entry(index, keyword);
        const DocumentChoice choice = catalogue.documentChoice(index);
        std::string title;
        for (char c : e.title)
            title += c == '\n' ? std::string("\\n") : std::string(1, c);
        const std::string kind = DocumentKindName(e.kind);
        out += std::to_string(index) + "\t" + e.articleType + "\t" + std::to_string(ResultCatalogue::typeCode(e.articleType))
               + "\t" + kind + "\t" + DocumentProfileName(catalogue.profile(index)) + "\t" + std::to_string(choice.size)
               + "\tdownload?id=" + std::to_string(index) + "&kind=" + kind + "\t" + title + "\n";
    }
    return out;
}
