#include "portal/PortalServer.h"

#include "portal/DocumentResponse.h"
#include "portal/SignIn.h"

#include <httplib.h>

#include <cstdio>

struct PortalServer::State {
    explicit State(const PortalOptions &options)
        : sessions(options.seed)
    {
    }
    SessionStore sessions;
};

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

    // Bodies go out exactly as generated: no transparent compression, so lengths, cuts and
    // byte counts are what the address says.
    m_server->set_pre_routing_handler([](const httplib::Request &req, httplib::Response &) {
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

    m_server->Get("/file", [&state, requireLogin](const httplib::Request &req, httplib::Response &res) {
        DocumentChoice choice;
        std::string error;
        if (!ApplyDocumentParams(req, choice, error))
            return ServeStatusPage(res, 400, error);
        ServeDocument(req, res, choice, state.sessions, requireLogin);
    });

    const std::string versionText = m_options.versionText;
    auto version = [versionText](const httplib::Request &, httplib::Response &res) {
        res.set_content(versionText, "text/plain");
    };
    m_server->Get("/version.txt", version);
    m_server->Get("/newver.txt", version);
    m_server->Get(R"(/[^/]+/newver\.txt)", version);

    RegisterSignInRoutes(*m_server, state.sessions);
}
