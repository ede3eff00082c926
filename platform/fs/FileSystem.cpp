#include "platform/fs/FileSystem.h"

#include "platform/fs/UniqueFd.h"
#include "platform/text/Cp932.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string NativePath(std::string_view sjisPath) {
    return SjisToUtf8(sjisPath);
}
std::string PathFromNative(std::string_view nativePath) {
    return Utf8ToSjis(nativePath);
}

std::string UserCacheDir() {
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache && *cache)
        return PathFromNative(cache);
    if (const char* home = std::getenv("HOME"); home && *home)
        return PathFromNative(std::string(home) + "/.cache");
    return "/tmp";
}

bool ReadFileBytes(std::string_view sjisPath, std::string& out, const std::atomic<bool>* abort) {
    out.clear();
    UniqueFd fd(::open(NativePath(sjisPath).c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
        errno = EISDIR;
        return false;
    }
    if (st.st_size > 0) out.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    while (true) {
        if (abort && abort->load(std::memory_order_relaxed)) {
            out.clear();
            errno = ECANCELED;
            return false;
        }
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            out.clear();
            return false;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<size_t>(n));
    }
    return true;
}

OutputFile::OutputFile(std::string_view sjisPath)
    : fd_(::open(NativePath(sjisPath).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)) {}

OutputFile::~OutputFile() {
    Close();
}

bool OutputFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool OutputFile::Close() {
    int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
}

bool WriteFileBytes(std::string_view sjisPath, std::string_view bytes) {
    OutputFile file(sjisPath);
    return file.IsOpen() && file.Write(bytes) && file.Close();
}

bool FileExists(std::string_view sjisPath) {
    struct stat st {};
    return ::stat(NativePath(sjisPath).c_str(), &st) == 0;
}

bool RemoveFile(std::string_view sjisPath) {
    return ::unlink(NativePath(sjisPath).c_str()) == 0;
}

} // namespace platform
