// litharvest-portal: a loopback stand-in for the literature portal, used by the tests and
// by the README's demo run. See portal/README.md for the address contract.
#include "LitharvestVersion.h"
#include "portal/PortalOptions.h"
#include "portal/PortalServer.h"
#include "portal/PortalStop.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <pthread.h>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>

int main(int argc, char **argv)
{
    PortalOptions options;
    std::string error;
    PortalCommand command = PortalCommand::Serve;
    if (!ParsePortalOptions(std::vector<std::string>(argv + 1, argv + argc), options, error, command)) {
        std::fprintf(stderr, "litharvest-portal: %s\nTry 'litharvest-portal --help' for more information.\n",
                     error.c_str());
        return 2;
    }
    if (command == PortalCommand::Help) {
        std::fputs(PortalUsage(), stdout);
        return 0;
    }
    if (command == PortalCommand::Version) {
        std::puts("litharvest-portal " LITHARVEST_VERSION);
        return 0;
    }

    // SIGINT/SIGTERM are taken by one thread with sigwait, so stopping happens in normal
    // code, not in a signal handler; every other thread inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    // Asked for by the tests and the demo: a test that crashes never runs PortalProcess's
    // destructor, and ending with the process that started us keeps such portals from piling
    // up. Without the option the portal runs on like any server.
    if (options.exitWithParent) {
        const pid_t parent = getppid();
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            return 0;
    }

    PortalServer server(options);
    const int port = server.bind();
    if (port < 0) {
        std::fprintf(stderr, "litharvest-portal: cannot listen on %s:%d\n", options.host.c_str(), options.port);
        return 1;
    }

    std::atomic<bool> finished{false};
    std::thread signalWaiter([&server, &finished, stopSignals] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        RequestPortalStop();
        // A signal may arrive before run() has started listening, when stop() is a no-op.
        // Workers sitting in httplib's keep-alive wait only notice the stop after up to five
        // seconds; responses of our own end at once (PauseFor), so after a short grace the
        // idle connections are simply dropped with the process.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
        while (!finished) {
            server.stop();
            if (std::chrono::steady_clock::now() > giveUp) {
                std::fflush(stdout);
                std::fflush(stderr);
                _exit(0);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    const bool ipv6 = options.host.find(':') != std::string::npos;
    std::printf("http://%s%s%s:%d/\n", ipv6 ? "[" : "", options.host.c_str(), ipv6 ? "]" : "", port);
    std::fflush(stdout);

    const bool ok = server.run();
    finished = true;
    if (!PortalStopRequested()) {
        // Listening ended on its own: wake the signal thread so it can be joined.
        pthread_kill(signalWaiter.native_handle(), SIGTERM);
    }
    signalWaiter.join();
    return ok ? 0 : 1;
}
