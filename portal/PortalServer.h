#pragma once

// The sample portal's HTTP server: owns the httplib server and the shared state (sessions,
// throttle) and registers every route. main() only parses options, binds and handles
// signals.
#include "portal/PortalOptions.h"

#include <memory>
#include <string>

namespace httplib {
class Server;
}

class PortalServer final {
public:
    explicit PortalServer(const PortalOptions &options);
    ~PortalServer();

    PortalServer(const PortalServer &) = delete;
    PortalServer &operator=(const PortalServer &) = delete;

    // Binds to the configured host and port (0: any free port). Returns the port, or -1.
    int bind();
    // Serves until stop(); returns false when listening failed.
    bool run();
    void stop();

private:
    struct State;
    void registerRoutes();

    PortalOptions m_options;
    std::unique_ptr<httplib::Server> m_server;
    std::unique_ptr<State> m_state;
};
