#include "platform/sync/NamedMutex.h"

#include "platform/errors/LastError.h"
#include "platform/text/Cp932.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string NamedMutex::LockPath(std::string_view name) {
    const char* dir = std::getenv("NEWS_LOCK_DIR");
    if (!dir || !*dir) dir = std::getenv("XDG_RUNTIME_DIR");
    if (!dir || !*dir) dir = "/tmp";
    // The name becomes one file name: no separators, no hidden files.
    std::string file = SjisToUtf8(name);
    for (char& c : file)
        if (c == '/' || static_cast<unsigned char>(c) < 0x20) c = '_';
    return std::string(dir) + "/news-mutex-" + file + ".lock";
}

NamedMutex::NamedMutex(std::string_view name) {
    int fd = ::open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        SetLastError(errno == EACCES ? ErrorAccessDenied : ErrorPathNotFound);
        return;
    }
    // A lock on an open file description: two objects in one process
    // exclude each other as two processes do.
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        SetLastError(ErrorAlreadyExists);
        return;
    }
    fd_ = fd;
    SetLastError(ErrorSuccess);
}

NamedMutex::~NamedMutex() {
    if (fd_ >= 0) ::close(fd_); // closing releases the lock
}

} // namespace platform
