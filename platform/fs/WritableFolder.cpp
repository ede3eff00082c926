#include "platform/fs/WritableFolder.h"

#include "platform/fs/FileSystem.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace platform {

namespace {

std::string xdgFolder(const char* variable, const char* fallback) {
    if (const char* dir = std::getenv(variable); dir && *dir == '/') return dir;
    if (const char* home = std::getenv("HOME"); home && *home) return std::string(home) + fallback;
    return "/tmp";
}

} // namespace

std::string WritableFolder(const std::string& programFolder, WritableKind kind) {
    if (programFolder.empty()) return {};
    std::string folder = programFolder;
    if (folder.back() != '/') folder += '/';
    if (::access(NativePath(folder).c_str(), W_OK) == 0) return folder;
    std::string native = kind == WritableKind::Settings ? xdgFolder("XDG_CONFIG_HOME", "/.config")
                                                        : xdgFolder("XDG_CACHE_HOME", "/.cache");
    native += "/plyx";
    std::error_code ec;
    std::filesystem::create_directories(native, ec);
    return PathFromNative(native) + "/";
}

} // namespace platform
