#pragma once

// Command line of the sample portal. main() parses it once; every route reads the
// resulting values, so the whole server is a function of these options.
#include <cstdint>
#include <string>
#include <vector>

struct PortalOptions final {
    std::string host = "127.0.0.1";
    int port = 0;
    std::uint64_t seed = 1;
    int results = 45;
    int perPage = 20;
    int throttlePages = 0;   // 0: no verification page ever
    int throttleSeconds = 0;
    bool requireLogin = false;
    std::string versionText = "1.1.731";
    bool verbose = false;
    bool exitWithParent = false; // end when the process that started the portal ends
};

// What the command line asks for besides the options.
enum class PortalCommand { Serve, Help, Version };

// Parses argv into options. Returns false with a one-line message in error for a bad command
// line; command tells --help and --version from a server run.
bool ParsePortalOptions(const std::vector<std::string> &args, PortalOptions &options,
                        std::string &error, PortalCommand &command);

const char *PortalUsage();
