#pragma once

// The threads of this process, the loopback servers' aside: what the code
// under test started, read from /proc.

#include "tests/support/HttpServer.h"

#include <filesystem>
#include <fstream>
#include <string>

namespace testsupport {

inline int OwnThreads() {
    int count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        // A thread that has just ended has no name left to read.
        if (std::getline(comm, name)) count += name != HttpServer::kThreadName;
    }
    return count;
}

} // namespace testsupport
