#pragma once

// The process's peak resident memory (VmHWM), for tests that bound what an
// input may cost.

#include <fstream>
#include <string>

namespace testsupport {

// The peak in kB since the last reset, after resetting it when asked; -1
// when the system keeps no such figure.
inline long PeakMemoryKb(bool reset) {
    if (reset && !(std::ofstream("/proc/self/clear_refs") << "5")) return -1;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return -1;
}

} // namespace testsupport
