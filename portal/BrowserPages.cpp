#include "portal/BrowserPages.h"

#include "portal/PortalStop.h"

#include <httplib.h>

#include <chrono>
#include <cstdlib>
#include <string>

namespace {

std::string Page(const std::string &title, const std::string &body, const std::string &head = std::string())
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title + "</title>\n"
           + head + "</head>\n<body>\n" + body + "</body>\n</html>\n";
}

struct BrowserPage {
    const char *name;
    std::string html;
};

const BrowserPage kPages[] = {
    {"index.html",
     Page("浏览器行为页面", "<ul>\n"
                           "<li><a href=\"blank-target.html\">target=_blank 链接</a></li>\n"
                           "<li><a href=\"window-open.html\">window.open 链接</a></li>\n"
                           "<li><a href=\"frames.html\">框架页面</a></li>\n"
                           "<li><a href=\"iframe.html\">内嵌框架页面</a></li>\n"
                           "<li><a href=\"close.html\">调用 window.close() 的页面</a></li>\n"
                           "<li><a href=\"script-error.html\">脚本错误与提示框</a></li>\n"
                           "<li><a href=\"slow.html?delay=3000\">加载缓慢的页面</a></li>\n"
                           "</ul>\n")},
    {"landing.html", Page("新窗口页面", "<p id=\"landing\">这是新窗口请求打开的页面。</p>\n")},
    {"blank-target.html",
     Page("新窗口链接", "<p><a id=\"blank\" href=\"/browser/landing.html\" target=\"_blank\">在新窗口中打开</a></p>\n"
                       "<p><a id=\"blankdoc\" href=\"/file?kind=pdf&amp;size=2000&amp;cd=quoted&amp;name=blank\" "
                       "target=\"_blank\">在新窗口中下载全文</a></p>\n")},
    {"window-open.html",
     Page("脚本打开新窗口",
          "<p><a id=\"open\" href=\"javascript:void(0)\" "
          "onclick=\"window.open('/browser/landing.html', '_blank'); return false;\">用 window.open 打开</a></p>\n"
          "<p><a id=\"openblank\" href=\"javascript:void(0)\" "
          "onclick=\"window.open('about:blank'); return false;\">打开空白窗口</a></p>\n")},
    {"frames.html",
     "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>框架页面</title>\n</head>\n"
     "<frameset cols=\"30%,70%\">\n<frame name=\"nav\" src=\"/browser/frame-nav.html\">\n"
     "<frame name=\"main\" src=\"/browser/frame-main.html\">\n</frameset>\n</html>\n"},
    {"frame-nav.html",
     Page("导航框架", "<p><a href=\"/browser/landing.html\" target=\"main\">在右侧框架中打开</a></p>\n")},
    {"frame-main.html", Page("内容框架", "<p id=\"framemain\">右侧框架的内容。</p>\n")},
    {"iframe.html",
     Page("内嵌框架", "<p>外层页面</p>\n<iframe src=\"/browser/frame-main.html\" width=\"400\" height=\"200\"></iframe>\n"
                     "<iframe src=\"/browser/slow.html?delay=2000\" width=\"400\" height=\"200\"></iframe>\n")},
    {"close.html",
     Page("关闭窗口", "<p id=\"closing\">此页面在加载后调用 window.close()。</p>\n<script>window.close();</script>\n")},
    {"script-error.html",
     Page("脚本错误", "<p id=\"scripterror\">此页面弹出提示框并引发脚本错误。</p>\n"
                     "<script>alert(\"这是一条脚本提示\");</script>\n"
                     "<script>undefinedPortalFunction();</script>\n")},
};

} // namespace

void RegisterBrowserRoutes(httplib::Server &server)
{
    for (const BrowserPage &page : kPages) {
        server.Get(std::string("/browser/") + page.name, [&page](const httplib::Request &, httplib::Response &res) {
            res.set_content(page.html, "text/html; charset=utf-8");
        });
    }
    server.Get("/browser/slow.html", [](const httplib::Request &req, httplib::Response &res) {
        const long delay = req.has_param("delay") ? std::strtol(req.get_param_value("delay").c_str(), nullptr, 10) : 5000;
        PauseFor(std::chrono::milliseconds(std::max(0L, std::min(delay, 600000L))));
        res.set_content(Page("加载缓慢的页面", "<p id=\"slow\">加载完成。</p>\n"), "text/html; charset=utf-8");
    });
}
