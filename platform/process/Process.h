#pragma once

#include <string>

namespace platform {

// The running program's file path (Shift_JIS), from /proc/self/exe.
std::string ExecutablePath();
// Its file name without folder and extension: "plyx", "headlines".
std::string ExecutableBaseName();

} // namespace platform
