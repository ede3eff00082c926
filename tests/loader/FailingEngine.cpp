// An engine library whose run entry refuses to start.

#include <cstdint>

extern "C" __attribute__((visibility("default"))) uintptr_t _newsRun(uintptr_t, void*) {
    return 0;
}

extern "C" __attribute__((visibility("default"))) uintptr_t _newsAbort() {
    return 0;
}
