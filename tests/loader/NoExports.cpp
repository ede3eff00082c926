// A library that is no engine: it lacks _newsRun and _newsAbort.
extern "C" __attribute__((visibility("default"))) int unrelated() {
    return 1;
}
