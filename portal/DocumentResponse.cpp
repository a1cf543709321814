#include "portal/DocumentResponse.h"

#include "portal/PortalStop.h"
#include "portal/SignIn.h"
#include "portal/TextCoding.h"

#include <httplib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

bool ParseUnsigned(const std::string &text, std::uint64_t max, std::uint64_t &value)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text.c_str(), nullptr, 10);
    if (errno != 0 || parsed > max)
        return false;
    value = parsed;
    return true;
}

// Streams one document body, applying the cut, stall and trickle the choice asks for.
class Transfer final {
public:
    explicit Transfer(const DocumentChoice &choice)
        : m_body(choice.kind, choice.size, choice.contentSeed)
        , m_stopAt(choice.cutPercent >= 0 && choice.cutPercent < 100
                       ? choice.size * static_cast<std::uint64_t>(choice.cutPercent) / 100
                       : choice.size)
        , m_stallAfter(choice.stallAfter)
        , m_stallSeconds(choice.stallSeconds)
        , m_trickle(choice.trickle)
        , m_buffer(64 * 1024)
        , m_paceStart(Clock::now())
    {
    }

    std::uint64_t size() const { return m_body.size(); }

    // Sends the next piece from offset; false closes the connection (a cut or a stop).
    bool sendFrom(std::uint64_t offset, httplib::DataSink &sink)
    {
        if (offset >= m_stopAt)
            return false;
        if (m_stallSeconds > 0 && !m_stalled && offset >= m_stallAfter) {
            m_stalled = true;
            if (!PauseFor(std::chrono::seconds(m_stallSeconds)))
                return false;
            m_paceStart = Clock::now();
            m_paceBase = offset;
        }

        std::uint64_t n = std::min<std::uint64_t>(m_buffer.size(), m_stopAt - offset);
        if (m_stallSeconds > 0 && !m_stalled)
            n = std::min(n, m_stallAfter - offset);
        if (m_trickle > 0) {
            n = std::min<std::uint64_t>(n, std::max<std::uint64_t>(1, m_trickle / 10));
            const auto due = m_paceStart
                             + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(
                                 double(offset - m_paceBase) / double(m_trickle)));
            const auto now = Clock::now();
            if (due > now && !PauseFor(due - now))
                return false;
        }
        if (PortalStopRequested())
            return false;
        m_body.read(offset, m_buffer.data(), static_cast<std::size_t>(n));
        return sink.write(m_buffer.data(), static_cast<std::size_t>(n));
    }

private:
    DocumentBody m_body;
    std::uint64_t m_stopAt;
    std::uint64_t m_stallAfter;
    int m_stallSeconds;
    bool m_stalled = false;
    std::uint64_t m_trickle;
    std::vector<char> m_buffer;
    Clock::time_point m_paceStart;
    std::uint64_t m_paceBase = 0;
};

// The request's own address with one query value replaced, for the next hop of a chain.
std::string WithQueryValue(const httplib::Request &request, const std::string &key, const std::string &value)
{
    const std::string &target = request.target;
    const std::size_t question = target.find('?');
    std::string path = target.substr(0, question);
    std::string query = question == std::string::npos ? std::string() : target.substr(question + 1);
    std::string rebuilt;
    bool replaced = false;
    std::size_t pos = 0;
    while (pos <= query.size() && !query.empty()) {
        const std::size_t end = std::min(query.find('&', pos), query.size());
        std::string part = query.substr(pos, end - pos);
        if (part.compare(0, key.size() + 1, key + "=") == 0) {
            part = key + "=" + value;
            replaced = true;
        }
        if (!part.empty())
            rebuilt += (rebuilt.empty() ? "" : "&") + part;
        pos = end + 1;
    }
    if (!replaced)
        rebuilt += (rebuilt.empty() ? "" : "&") + key + "=" + value;
    const std::string host = request.get_header_value("Host");
    return "http://" + host + path + "?" + rebuilt;
}

void InjectGarbageHeader(httplib::Response &response, int form)
{
    // set_header() refuses line breaks; a raw insert makes the server write lines that are
    // no proper header, as broken servers do.
    if (form == 2)
        response.headers.emplace("X-Portal-Note", "sample\r\nX Odd Header: value");
    else
        response.headers.emplace("X-Portal-Note", "sample\r\nThis line is no header at all");
}

} // namespace

bool ApplyDocumentParams(const httplib::Request &request, DocumentChoice &choice, std::string &error)
{
    auto text = [&](const char *key, std::string &value) {
        if (!request.has_param(key))
            return false;
        value = request.get_param_value(key);
        return true;
    };
    auto number = [&](const char *key, std::uint64_t max, std::uint64_t &value) {
        std::string raw;
        if (!text(key, raw))
            return true;
        if (!ParseUnsigned(raw, max, value)) {
            error = std::string("bad value for ") + key + ": " + raw;
            return false;
        }
        return true;
    };
    auto flag = [&](const char *key, bool &value) {
        std::string raw;
        if (text(key, raw))
            value = raw == "1" || raw == "true" || raw == "yes";
    };

    std::string raw;
    if (text("kind", raw) && !DocumentKindFromName(raw, choice.kind)) {
        error = "unknown kind: " + raw;
        return false;
    }
    if (text("ct", raw)) {
        choice.hasContentType = true;
        choice.contentType = raw;
    }
    if (text("cd", raw)) {
        static const char *const forms[] = {"plain", "quoted", "utf8", "gbk", "star", "none"};
        if (std::find(std::begin(forms), std::end(forms), raw) == std::end(forms)) {
            error = "unknown cd form: " + raw;
            return false;
        }
        choice.disposition = raw;
    }
    text("name", choice.name);
    text("ext", choice.ext);
    flag("nolength", choice.noLength);
    flag("chunked", choice.chunked);
    flag("badscheme", choice.badScheme);
    std::uint64_t garbage = std::uint64_t(choice.garbage);
    if (!number("garbage", 2, garbage))
        return false;
    choice.garbage = int(garbage);
    flag("login", choice.login);

    std::uint64_t value = 0;
    if (!number("size", std::uint64_t(1) << 50, choice.size))
        return false;
    if (!number("seed", UINT64_MAX, choice.contentSeed))
        return false;
    std::uint64_t cut = 1000;
    if (!number("cut", 100, cut))
        return false;
    if (cut <= 100)
        choice.cutPercent = int(cut);
    value = std::uint64_t(choice.stallSeconds);
    if (!number("stall", 86400, value))
        return false;
    choice.stallSeconds = int(value);
    if (!number("after", UINT64_MAX, choice.stallAfter))
        return false;
    if (!number("trickle", UINT64_MAX, choice.trickle))
        return false;
    value = std::uint64_t(choice.status);
    if (!number("status", 599, value))
        return false;
    choice.status = int(value);
    value = std::uint64_t(choice.redirects);
    if (!number("redirects", 100, value))
        return false;
    choice.redirects = int(value);
    value = std::uint64_t(choice.delayMs);
    if (!number("delay", 600000, value))
        return false;
    choice.delayMs = int(value);
    return true;
}

std::string ContentDispositionValue(const DocumentChoice &choice)
{
    const std::string ext = choice.ext.empty() ? DocumentKindName(choice.kind) : choice.ext;
    const std::string file = choice.name + "." + ext;
    if (choice.disposition == "plain")
        return "attachment; filename=" + file;
    if (choice.disposition == "quoted")
        return "attachment; filename=\"" + file + "\"";
    if (choice.disposition == "utf8")
        return "attachment; charset=utf-8; filename=\"" + PercentEncode(choice.name) + "." + ext + "\"";
    if (choice.disposition == "gbk") {
        std::string gbk;
        if (!Utf8ToGbk(choice.name, gbk))
            gbk = choice.name;
        return "attachment; filename=" + PercentEncode(gbk) + "." + ext;
    }
    if (choice.disposition == "star")
        return "attachment; filename*=UTF-8''" + PercentEncode(file);
    return std::string();
}

namespace {

std::string StatusPageText(int status, const std::string &text)
{
    return "<!DOCTYPE html>\n<html>\n<head><meta charset=\"utf-8\"><title>" + std::to_string(status)
        + "</title></head>\n<body>\n<h1>" + std::to_string(status) + "</h1>\n<p>" + HtmlEscape(text)
        + "</p>\n</body>\n</html>\n";
}

// An error page framed as the address asks: without a length (the closing connection ends
// it) or chunked, so a client's path for an unannounced error body can be exercised.
void ServeFramedStatusPage(httplib::Response &response, int status, const std::string &text,
                           const DocumentChoice &choice)
{
    response.status = status;
    auto page = std::make_shared<const std::string>(StatusPageText(status, text));
    const char *const type = "text/html; charset=utf-8";
    if (choice.chunked) {
        response.set_chunked_content_provider(type, [page](std::size_t offset, httplib::DataSink &sink) {
            if (offset >= page->size()) {
                sink.done();
                return true;
            }
            return sink.write(page->data() + offset, page->size() - offset);
        });
        return;
    }
    // As for documents: reporting the end as a failure makes httplib close the socket.
    response.set_header("Connection", "close");
    response.set_content_provider(type, [page](std::size_t offset, httplib::DataSink &sink) {
        return offset < page->size() && sink.write(page->data() + offset, page->size() - offset);
    });
}

} // namespace

void ServeStatusPage(httplib::Response &response, int status, const std::string &text)
{
    response.status = status;
    response.set_content(StatusPageText(status, text), "text/html; charset=utf-8");
}

void ServeDocument(const httplib::Request &request, httplib::Response &response, const DocumentChoice &choice,
                   const SessionStore &sessions, bool requireLogin)
{
    if (choice.delayMs > 0 && !PauseFor(std::chrono::milliseconds(choice.delayMs)))
        return ServeStatusPage(response, 503, "portal is stopping");

    if ((choice.login || requireLogin) && !sessions.isSignedIn(request)) {
        response.set_content(SignInGatePage(), "text/html; charset=utf-8");
        return;
    }
    if (choice.redirects > 0) {
        response.set_redirect(WithQueryValue(request, "redirects", std::to_string(choice.redirects - 1)), 302);
        response.set_content("<html><body>moved</body></html>\n", "text/html; charset=utf-8");
        return;
    }
    if (choice.badScheme) {
        response.set_redirect("ftp://127.0.0.1/x", 302);
        response.set_content("<html><body>moved</body></html>\n", "text/html; charset=utf-8");
        return;
    }
    if (choice.status != 0 && choice.status != 200) {
        const std::string text = choice.status == 404 ? "您请求的文献不存在。" : "服务器内部错误，请稍后再试。";
        if (choice.noLength || choice.chunked)
            return ServeFramedStatusPage(response, choice.status, text, choice);
        return ServeStatusPage(response, choice.status, text);
    }

    const std::string contentType = choice.hasContentType ? choice.contentType : DefaultContentType(choice.kind);
    const std::string disposition = ContentDispositionValue(choice);
    if (!disposition.empty())
        response.set_header("Content-Disposition", disposition);
    if (choice.garbage != 0)
        InjectGarbageHeader(response, choice.garbage);

    if (choice.size == 0 && !choice.chunked && !choice.noLength) {
        response.set_content(std::string(), contentType);
        return;
    }
    auto transfer = std::make_shared<Transfer>(choice);
    // A client that cannot read the headers (garbage) cannot see the body's end either:
    // like a body without length, such a response ends by closing the connection.
    const bool closeAfterBody = choice.noLength || choice.garbage != 0;
    if (choice.chunked) {
        response.set_chunked_content_provider(
            contentType, [transfer, closeAfterBody](std::size_t offset, httplib::DataSink &sink) {
                if (offset >= transfer->size()) {
                    sink.done();
                    return !closeAfterBody; // false makes httplib close the connection
                }
                return transfer->sendFrom(offset, sink);
            });
    } else if (closeAfterBody) {
        // httplib keeps the connection open after done(), so the end is reported as a
        // failure, which makes it close the socket once every byte is out.
        response.set_header("Connection", "close");
        if (!choice.noLength)
            response.set_header("Content-Length", std::to_string(choice.size));
        response.set_content_provider(contentType, [transfer](std::size_t offset, httplib::DataSink &sink) {
            return offset < transfer->size() && transfer->sendFrom(offset, sink);
        });
    } else {
        response.set_content_provider(static_cast<std::size_t>(choice.size), contentType,
                                      [transfer](std::size_t offset, std::size_t, httplib::DataSink &sink) {
                                          return transfer->sendFrom(offset, sink);
                                      });
    }
}
