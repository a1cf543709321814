#include "portal/SignIn.h"

#include "portal/SeededRandom.h"
#include "portal/TextCoding.h"

#include <httplib.h>

#include <algorithm>
#include <cstdio>
#include <map>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string PageFrame(const std::string &title, const std::string &body)
{
    return "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + title
           + "</title>\n</head>\n<body>\n" + body + "</body>\n</html>\n";
}

// Each variant differs only in its INPUT elements, which is what automatic sign-in reads.
struct SignInVariant {
    const char *page;
    const char *form; // hidden "form" value: which fields the check expects
    const char *inputs;
};

const SignInVariant kVariants[] = {
    {"login.html", "account",
     "<p>用户名：<input type=\"text\" name=\"userid\" value=\"\"></p>\n"
     "<p>密码：<input type=\"password\" name=\"password\" value=\"\"></p>\n"
     "<p><input type=\"submit\" value=\"登录\"></p>\n"},
    {"login-mixed.html", "account",
     "<p>用户名：<input type=\"text\" name=\"User\" value=\"\"></p>\n"
     "<p>密码：<input type=\"password\" name=\"PassWord\" value=\"\"></p>\n"
     "<p><input type=\"SUBMIT\" value=\"登录\"></p>\n"},
    {"login-nopass.html", "nopass",
     "<p>用户：<input type=\"text\" name=\"user\" value=\"\"></p>\n"
     "<p>用户名：<input type=\"text\" name=\"username\" value=\"\"></p>\n"
     "<p><input type=\"submit\" value=\"登录\"></p>\n"},
    {"login-submitfirst.html", "account",
     "<p><input type=\"submit\" value=\"登录\"></p>\n"
     "<p>用户名：<input type=\"text\" name=\"userid\" value=\"\"></p>\n"
     "<p>密码：<input type=\"password\" name=\"password\" value=\"\"></p>\n"},
    {"login-ip.html", "ip",
     "<p>本机地址已在授权范围内，可直接使用 IP 登录。</p>\n"
     "<p><input type=\"submit\" id=\"submitip\" value=\"IP登录\"></p>\n"},
};

std::string SignInPage(const SignInVariant &variant, const std::string &notice)
{
    std::string body = "<h1>用户登录</h1>\n";
    if (!notice.empty())
        body += "<p class=\"notice\">" + notice + "</p>\n";
    body += "<form id=\"loginform\" method=\"post\" action=\"/login\">\n"
            "<input type=\"hidden\" name=\"form\" value=\"";
    body += variant.form;
    body += "\">\n";
    body += variant.inputs;
    body += "</form>\n";
    return PageFrame("用户登录", body);
}

std::string CookieValue(const std::string &header, const std::string &name)
{
    std::size_t pos = 0;
    while (pos <= header.size()) {
        const std::size_t end = std::min(header.find(';', pos), header.size());
        const std::string pair = TrimAscii(header.substr(pos, end - pos));
        const std::size_t eq = pair.find('=');
        if (eq != std::string::npos && pair.substr(0, eq) == name)
            return pair.substr(eq + 1);
        pos = end + 1;
    }
    return std::string();
}

} // namespace

std::string SessionStore::issue()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    char text[17];
    std::snprintf(text, sizeof text, "%016llx",
                  static_cast<unsigned long long>(Mix64(m_seed, ++m_counter)));
    m_tokens.insert(text);
    return text;
}

bool SessionStore::isValid(const std::string &token) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_tokens.count(token) != 0;
}

void SessionStore::revoke(const std::string &token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_tokens.erase(token);
}

bool SessionStore::isSignedIn(const httplib::Request &request) const
{
    for (std::size_t i = 0; i < request.get_header_value_count("Cookie"); ++i) {
        const std::string token = CookieValue(request.get_header_value("Cookie", i), cookieName());
        if (!token.empty() && isValid(token))
            return true;
    }
    return false;
}

std::string SignInGatePage()
{
    return SignInPage(kVariants[0], "您尚未登录或登录已过期，请先登录后再下载全文。");
}

void RegisterSignInRoutes(httplib::Server &server, SessionStore &sessions)
{
    for (const SignInVariant &variant : kVariants) {
        server.Get(std::string("/") + variant.page,
                   [&variant](const httplib::Request &, httplib::Response &res) {
                       res.set_content(SignInPage(variant, std::string()), "text/html; charset=utf-8");
                   });
    }

    auto signIn = [&sessions](const httplib::Request &req, httplib::Response &res) {
        std::string user;
        std::string password;
        bool hasPassword = false;
        for (const auto &[name, value] : req.params) {
            const std::string key = Lower(name);
            if (key == "userid" || key == "user" || key == "username" || key == "useruid") {
                if (user.empty())
                    user = TrimAscii(value);
            } else if (key == "pass" || key == "password" || key == "passwd") {
                hasPassword = true;
                password = TrimAscii(value);
            }
        }
        const std::string form = req.has_param("form") ? req.get_param_value("form") : "account";
        bool accepted = false;
        if (form == "ip")
            accepted = true;
        else if (form == "nopass")
            accepted = !user.empty();
        else
            accepted = !user.empty() && hasPassword && !password.empty() && password != "wrong";

        if (!accepted) {
            res.set_content(SignInPage(kVariants[0], "登录失败：帐号或密码错误。"),
                            "text/html; charset=utf-8");
            return;
        }
        const std::string token = sessions.issue();
        res.set_header("Set-Cookie",
                       std::string(SessionStore::cookieName()) + "=" + token + "; Path=/; HttpOnly");
        res.set_content(PageFrame("登录成功", "<h1>登录成功</h1>\n<p>欢迎，" + HtmlEscape(user)
                                                  + "。</p>\n<p><a href=\"/\">返回首页</a></p>\n"),
                        "text/html; charset=utf-8");
    };
    server.Post("/login", signIn);
    server.Get("/login", [signIn](const httplib::Request &req, httplib::Response &res) {
        // Opening the address by hand shows the form; a form sent with GET signs in.
        if (req.params.empty())
            return res.set_content(SignInPage(kVariants[0], std::string()), "text/html; charset=utf-8");
        signIn(req, res);
    });

    server.Get("/logout", [&sessions](const httplib::Request &req, httplib::Response &res) {
        const std::string token = CookieValue(req.get_header_value("Cookie"), SessionStore::cookieName());
        if (!token.empty())
            sessions.revoke(token);
        res.set_header("Set-Cookie", std::string(SessionStore::cookieName())
                                         + "=; Path=/; Expires=Thu, 01 Jan 1970 00:00:00 GMT");
        res.set_content(PageFrame("已退出", "<p>已退出登录。</p>\n"), "text/html; charset=utf-8");
    });
}
