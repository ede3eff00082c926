#include "platform/process/Process.h"

#include "platform/text/Cp932.h"

#include <climits>
#include <unistd.h>

namespace platform {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    return Utf8ToSjis(std::string_view(buffer, static_cast<size_t>(n)));
}

std::string ExecutableBaseName() {
    std::string path = ExecutablePath();
    std::string name = path.substr(path.rfind('/') + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

} // namespace platform
