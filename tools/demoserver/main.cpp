// The demo news server: serves the sample front pages on 127.0.0.1 until it
// is told to stop (SIGTERM, SIGINT, SIGHUP) or the process that started it
// ends. Its first line on stdout is its address.

#include "tools/demoserver/DemoServer.h"
#include "tools/demoserver/DemoSite.h"

#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* kUsage = "usage: demoserver [--port N] [--pages FOLDER]\n"
                     "  serves the sample front pages of FOLDER (default: the source tree's\n"
                     "  demo folder) on 127.0.0.1:N (default: a free port) and prints its\n"
                     "  address: /sjis/ /euc/ /jis/ /utf8/ (one code each), /frames/ (a\n"
                     "  frameset) and /moved/ (a redirect)\n";

} // namespace

int main(int argc, char** argv) {
    pid_t parent = getppid();
    long port = 0;
    std::string pages = NEWS_DEMO_DIR;
    for (int i = 1; i < argc; ++i) {
        char* end = nullptr;
        if (!std::strcmp(argv[i], "--port") && i + 1 < argc) {
            port = std::strtol(argv[++i], &end, 10);
            if (*end || port < 0 || port > 65535) {
                std::fputs(kUsage, stderr);
                return 2;
            }
        } else if (!std::strcmp(argv[i], "--pages") && i + 1 < argc) {
            pages = argv[++i];
        } else if (!std::strcmp(argv[i], "--help")) {
            std::fputs(kUsage, stdout);
            return 0;
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }

    // Stop signals arrive as reads, so they end the loop between requests;
    // a parent that dies sends one too.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGHUP);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    int signals = signalfd(-1, &stops, SFD_CLOEXEC);
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (signals < 0 || getppid() != parent) return 1;

    DemoSite site;
    std::string error;
    if (!site.Load(pages, error)) {
        std::fprintf(stderr, "demoserver: %s\n", error.c_str());
        return 1;
    }
    DemoServer server(site);
    if (!server.Listen(static_cast<uint16_t>(port), error)) {
        std::fprintf(stderr, "demoserver: %s\n", error.c_str());
        return 1;
    }
    std::printf("http://127.0.0.1:%u/\n", server.Port());
    std::fflush(stdout);
    server.Run(signals);
    close(signals);
    return 0;
}
