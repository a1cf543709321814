#include "portal/PortalServer.h"

#include "portal/BrowserPages.h"
#include "portal/DocumentResponse.h"
#include "portal/PageThrottle.h"
#include "portal/PortalStop.h"
#include "portal/RequestLog.h"
#include "portal/ResultCatalogue.h"
#include "portal/ResultPages.h"
#include "portal/SignIn.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <sys/socket.h>

struct PortalServer::State {
    explicit State(const PortalOptions &options)
        : sessions(options.seed)
        , catalogue(options.seed, options.results, options.perPage)
        , throttle(options.throttlePages, options.throttleSeconds)
    {
    }
    SessionStore sessions;
    ResultCatalogue catalogue;
    PageThrottle throttle;
    RequestLog requests;
};

namespace {

const char *const kHtml = "text/html; charset=utf-8";
const char *const kRequestLogPath = "/requests.txt";

// A whole positive number from the query, or fallback when absent or malformed.
int IntParam(const httplib::Request &req, const char *key, int fallback)
{
    if (!req.has_param(key))
        return fallback;
    const std::string text = req.get_param_value(key);
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        return fallback;
    return std::stoi(text);
}

} // namespace

PortalServer::PortalServer(const PortalOptions &options)
    : m_options(options)
    , m_server(std::make_unique<httplib::Server>())
    , m_state(std::make_unique<State>(options))
{
    // Stalled and trickling downloads hold a worker each; six slots, a browser and a test
    // client must never starve one another.
    m_server->new_task_queue = [] { return new httplib::ThreadPool(64); };
    m_server->set_keep_alive_max_count(1000);
    m_server->set_write_timeout(20, 0);
    m_server->set_tcp_nodelay(true);
    // httplib's default socket options set SO_REUSEPORT, with which a second portal binds a
    // port already in use and the kernel shares the connections between the two. Only
    // SO_REUSEADDR (a quick restart on the same port) is wanted.
    m_server->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });

    // Requests are remembered as they arrive, before any delay or stall, so a client that
    // has its answer always finds its request in the log.
    RequestLog &requests = m_state->requests;
    m_server->set_pre_routing_handler([&requests](const httplib::Request &req, httplib::Response &) {
        if (req.path != kRequestLogPath)
            requests.record(req);
        // Bodies go out exactly as generated: no transparent compression, so lengths, cuts
        // and byte counts are what the address says.
        const_cast<httplib::Request &>(req).headers.erase("Accept-Encoding");
        return httplib::Server::HandlerResponse::Unhandled;
    });

    if (m_options.verbose) {
        m_server->set_logger([](const httplib::Request &req, const httplib::Response &res) {
            std::fprintf(stderr, "portal: %s %s -> %d\n", req.method.c_str(), req.target.c_str(), res.status);
        });
    }
    registerRoutes();
}

PortalServer::~PortalServer() = default;

int PortalServer::bind()
{
    if (m_options.port == 0)
        return m_server->bind_to_any_port(m_options.host);
    return m_server->bind_to_port(m_options.host, m_options.port) ? m_options.port : -1;
}

bool PortalServer::run()
{
    return m_server->listen_after_bind();
}

void PortalServer::stop()
{
    m_server->stop();
}

void PortalServer::registerRoutes()
{
    State &state = *m_state;
    const bool requireLogin = m_options.requireLogin;

    auto home = [](const httplib::Request &, httplib::Response &res) { res.set_content(HomePage(), kHtml); };
    m_server->Get("/", home);
    m_server->Get("/index.html", home);

    m_server->Get("/search", [&state](const httplib::Request &req, httplib::Response &res) {
        const int delay = IntParam(req, "delay", 0);
        if (delay > 0 && !PauseFor(std::chrono::milliseconds(delay)))
            return ServeStatusPage(res, 503, "portal is stopping");
        const std::string keyword = req.has_param("q") ? req.get_param_value("q") : std::string();
        const int page = std::max(1, IntParam(req, "page", 1));
        const bool verification = !state.throttle.admit();
        res.set_content(SearchPage(state.catalogue, keyword, page, verification), kHtml);
    });

    m_server->Get("/catalogue.txt", [&state](const httplib::Request &req, httplib::Response &res) {
        const std::string keyword = req.has_param("q") ? req.get_param_value("q") : std::string();
        res.set_content(CatalogueText(state.catalogue, keyword), "text/plain; charset=utf-8");
    });

    m_server->Get("/download", [&state, requireLogin](const httplib::Request &req, httplib::Response &res) {
        const int id = IntParam(req, "id", 0);
        if (id < 1 || id > state.catalogue.results())
            return ServeStatusPage(res, 404, "您请求的文献不存在。");
        DocumentChoice choice = state.catalogue.documentChoice(id);
        std::string error;
        if (!ApplyDocumentParams(req, choice, error))
            return ServeStatusPage(res, 400, error);
        ServeDocument(req, res, choice, state.sessions, requireLogin);
    });

    m_server->Get("/file", [&state, requireLogin](const httplib::Request &req, httplib::Response &res) {
        DocumentChoice choice;
        std::string error;
        if (!ApplyDocumentParams(req, choice, error))
            return ServeStatusPage(res, 400, error);
        ServeDocument(req, res, choice, state.sessions, requireLogin);
    });

    m_server->Get(kRequestLogPath, [&state](const httplib::Request &, httplib::Response &res) {
        res.set_content(state.requests.text(), "text/plain; charset=utf-8");
    });

    const std::string versionText = m_options.versionText;
    auto version = [versionText](const httplib::Request &, httplib::Response &res) {
        res.set_content(versionText, "text/plain");
    };
    m_server->Get("/version.txt", version);
    m_server->Get("/newver.txt", version);
    m_server->Get(R"(/[^/]+/newver\.txt)", version);

    RegisterSignInRoutes(*m_server, state.sessions);
    RegisterBrowserRoutes(*m_server);

    // Unknown addresses get a page, as a real site would answer, not an empty 404. Answers
    // of our own always carry a Content-Type, streamed ones an empty body too.
    m_server->set_error_handler(httplib::Server::HandlerWithResponse(
        [](const httplib::Request &, httplib::Response &res) {
            if (!res.body.empty() || res.has_header("Content-Type") || res.status != 404)
                return httplib::Server::HandlerResponse::Unhandled;
            ServeStatusPage(res, 404, "页面不存在。");
            return httplib::Server::HandlerResponse::Handled;
        }));
}
