#include "portal/PortalOptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

bool ParseNumber(const std::string &text, long long min, long long max, long long &value)
{
    if (text.empty())
        return false;
    char *end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max)
        return false;
    value = parsed;
    return true;
}

} // namespace

const char *PortalUsage()
{
    return "usage: litharvest-portal [--host 127.0.0.1] [--port N] [--seed S] [--results N]\n"
           "                         [--per-page N] [--throttle PAGES/SECONDS] [--require-login]\n"
           "                         [--version-text X.Y.Z] [--verbose] [--exit-with-parent]\n"
           "       litharvest-portal --help | --version\n"
           "\n"
           "A loopback stand-in for the literature portal, serving search result pages,\n"
           "documents and sign-in pages generated from the seed.\n"
           "\n"
           "  --host ADDRESS       address to listen on (default 127.0.0.1)\n"
           "  --port N             port, 0 picks a free one (default 0)\n"
           "  --seed S             seed of every title, kind and document (default 1)\n"
           "  --results N          results of every search, 0 to 100000 (default 45)\n"
           "  --per-page N         results per result page, 1 to 1000 (default 20)\n"
           "  --throttle P/S       at most P result pages per S seconds, then the\n"
           "                       verification notice (default off)\n"
           "  --require-login      every document needs the session cookie\n"
           "  --version-text TEXT  answer of version.txt and newver.txt (default 1.1.731)\n"
           "  --verbose            one log line per request on standard error\n"
           "  --exit-with-parent   end when the process that started the portal ends\n"
           "  -h, --help           show this help and exit\n"
           "  --version            show the program version and exit\n"
           "\n"
           "Prints its base address on the first line of standard output once it listens;\n"
           "SIGINT or SIGTERM stop it. Exit status: 0 stopped, 1 cannot listen (port in\n"
           "use), 2 bad command line.\n";
}

bool ParsePortalOptions(const std::vector<std::string> &args, PortalOptions &options,
                        std::string &error, PortalCommand &command)
{
    command = PortalCommand::Serve;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto needValue = [&](std::string &value) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        auto numberOption = [&](long long min, long long max, long long &value) {
            std::string text;
            if (!needValue(text))
                return false;
            if (!ParseNumber(text, min, max, value)) {
                error = "bad value for " + arg + ": " + text;
                return false;
            }
            return true;
        };

        long long number = 0;
        if (arg == "--help" || arg == "-h") {
            command = PortalCommand::Help;
            return true;
        } else if (arg == "--version") {
            command = PortalCommand::Version;
            return true;
        } else if (arg == "--host") {
            if (!needValue(options.host))
                return false;
        } else if (arg == "--port") {
            if (!numberOption(0, 65535, number))
                return false;
            options.port = int(number);
        } else if (arg == "--seed") {
            if (!numberOption(0, (1LL << 62), number))
                return false;
            options.seed = std::uint64_t(number);
        } else if (arg == "--results") {
            if (!numberOption(0, 100000, number))
                return false;
            options.results = int(number);
        } else if (arg == "--per-page") {
            if (!numberOption(1, 1000, number))
                return false;
            options.perPage = int(number);
        } else if (arg == "--throttle") {
            std::string text;
            if (!needValue(text))
                return false;
            const auto slash = text.find('/');
            long long pages = 0;
            long long seconds = 0;
            if (slash == std::string::npos || !ParseNumber(text.substr(0, slash), 1, 1000000, pages)
                || !ParseNumber(text.substr(slash + 1), 1, 86400, seconds)) {
                error = "bad value for --throttle (want PAGES/SECONDS): " + text;
                return false;
            }
            options.throttlePages = int(pages);
            options.throttleSeconds = int(seconds);
        } else if (arg == "--require-login") {
            options.requireLogin = true;
        } else if (arg == "--version-text") {
            if (!needValue(options.versionText))
                return false;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--exit-with-parent") {
            options.exitWithParent = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option '" + arg + "'";
            return false;
        } else {
            error = "unexpected argument '" + arg + "'";
            return false;
        }
    }
    return true;
}
