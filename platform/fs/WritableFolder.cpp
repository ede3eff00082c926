#include "platform/fs/WritableFolder.h"

#include "platform/fs/FileSystem.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

namespace platform {

namespace {

bool absolute(const char* path) {
    return path && *path == '/';
}

// The user's home: $HOME, else the password database's.
std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); absolute(home)) return home;
    std::vector<char> buffer(16384);
    passwd entry{}, *found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        absolute(found->pw_dir))
        return found->pw_dir;
    return {};
}

bool makeFolders(const std::string& native) {
    std::error_code ec;
    std::filesystem::create_directories(native, ec);
    return std::filesystem::is_directory(native, ec) && ::access(native.c_str(), W_OK) == 0;
}

// A folder of the user's own under the shared temporary folder, for a user
// without a home: made 0700, and taken only when it is a real folder (no
// symbolic link) that this user owns and nobody else may enter, so that no
// one can read the settings or steer the writes elsewhere.
std::string privateTemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string folder =
        std::string(absolute(tmp) ? tmp : "/tmp") + "/plyx-" + std::to_string(::getuid());
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return {};
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid() ||
        (st.st_mode & 077) != 0)
        return {};
    return folder;
}

std::string userFolder(WritableKind kind) {
    const char* variable = kind == WritableKind::Settings ? "XDG_CONFIG_HOME" : "XDG_CACHE_HOME";
    const char* fallback = kind == WritableKind::Settings ? "/.config" : "/.cache";
    if (const char* dir = std::getenv(variable);
        absolute(dir) && makeFolders(dir + std::string("/plyx")))
        return dir + std::string("/plyx");
    if (std::string home = homeFolder(); !home.empty() && makeFolders(home + fallback + "/plyx"))
        return home + fallback + "/plyx";
    std::string tmp = privateTemporaryFolder();
    if (tmp.empty()) return {};
    std::string folder = tmp + (kind == WritableKind::Settings ? "/config" : "/cache");
    return ::mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST ? folder : std::string();
}

} // namespace

std::string WritableFolder(const std::string& programFolder, WritableKind kind) {
    if (programFolder.empty()) return {};
    std::string folder = programFolder;
    if (folder.back() != '/') folder += '/';
    if (::access(NativePath(folder).c_str(), W_OK) == 0) return folder;
    std::string native = userFolder(kind);
    if (native.empty()) {
        // Writes then fail where they are made, each with its reason.
        static std::atomic<bool> told = false;
        if (!told.exchange(true))
            std::fprintf(stderr,
                         "plyx: no folder of this user's own to write settings and pages in (no "
                         "home, and the temporary folder's plyx-%u is not private)\n",
                         static_cast<unsigned>(::getuid()));
        return folder;
    }
    return PathFromNative(native) + "/";
}

} // namespace platform
