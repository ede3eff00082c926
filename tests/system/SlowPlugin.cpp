// A plug-in that takes its time to start, saying so first: a stop signal
// can reach the player while it loads its plug-ins.

#include <cstdint>
#include <cstdio>

#include <poll.h>

extern "C" __attribute__((visibility("default"))) intptr_t _pinRun(void*) {
    std::fprintf(stderr, "slow plug-in starting\n");
    ::poll(nullptr, 0, 1500);
    return 1;
}

extern "C" __attribute__((visibility("default"))) void _pinAbort() {}
