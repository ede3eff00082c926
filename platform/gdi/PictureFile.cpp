#include "platform/gdi/PictureFile.h"

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

bool ReadPictureFile(std::string_view sjisPath, std::string& bytes) {
    bytes.clear();
    // Non-blocking: opening a FIFO must not wait for a writer.
    UniqueFd fd(::open(NativePath(sjisPath).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) return false;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size < 0 ||
        static_cast<uint64_t>(st.st_size) > kMaxPictureFileBytes)
        return false;
    bytes.reserve(static_cast<size_t>(st.st_size));
    char buffer[65536];
    // The size can change while reading (a file still being written, or
    // one the kernel sizes as 0): the cap holds whatever fstat said.
    while (bytes.size() <= kMaxPictureFileBytes) {
        ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            bytes.clear();
            return false;
        }
        if (n == 0) return true;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    bytes.clear();
    return false;
}

} // namespace platform
