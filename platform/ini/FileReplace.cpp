#include "platform/ini/FileReplace.h"

#include "platform/fs/FileSystem.h"
#include "platform/fs/UniqueFd.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string folderOf(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file the path finally names, through any symbolic links, also when
// the last link points at a file not made yet. A loop is left for open to
// report.
std::string followLinks(std::string path) {
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
        char target[PATH_MAX];
        ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof target) return path;
        std::string next(target, static_cast<size_t>(n));
        path = next.front() == '/' ? next : folderOf(path) + "/" + next;
    }
    return path;
}

bool writeAt(int fd, std::string_view bytes, off_t offset) {
    while (!bytes.empty()) {
        ssize_t n = ::pwrite(fd, bytes.data(), bytes.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
        offset += n;
    }
    return true;
}

bool readAll(int fd, std::string& out) {
    out.clear();
    char block[65536];
    for (off_t offset = 0;;) {
        ssize_t n = ::pread(fd, block, sizeof block, offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        out.append(block, static_cast<size_t>(n));
        offset += n;
    }
}

// The new bytes over the old, then cut to length. The old bytes are read
// first so that a failure part-way (a full disk) can put them back.
bool writeInPlace(const std::string& path, std::string_view bytes) {
    UniqueFd file(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666));
    std::string old;
    bool backedUp = file.get() >= 0 && readAll(file.get(), old);
    if (file.get() < 0) {
        if (errno != EACCES) return false;
        // Writable but not readable: nothing to put back.
        file.Reset(::open(path.c_str(), O_WRONLY | O_CLOEXEC));
        if (file.get() < 0) return false;
    }
    if (writeAt(file.get(), bytes, 0) &&
        ::ftruncate(file.get(), static_cast<off_t>(bytes.size())) == 0 && ::fsync(file.get()) == 0)
        return file.Close();
    int e = errno;
    if (backedUp && writeAt(file.get(), old, 0))
        (void)!::ftruncate(file.get(), static_cast<off_t>(old.size()));
    errno = e;
    return false;
}

// The temporary files ".NAME.XXXXXX" beside path that no save holds.
void removeStale(const std::string& path) {
    std::string folder = folderOf(path);
    std::string prefix = "." + path.substr(path.rfind('/') + 1) + ".";
    UniqueFd dirFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dirFd.get() < 0) return;
    DIR* dir = ::fdopendir(::dup(dirFd.get()));
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view name = entry->d_name;
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
        UniqueFd file(
            ::openat(dirFd.get(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (file.get() < 0 || ::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            st.st_uid != ::geteuid() || ::flock(file.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        ::unlinkat(dirFd.get(), entry->d_name, 0);
    }
    ::closedir(dir);
}

enum class Outcome { Written, Failed, InPlace };

Outcome writeByRename(const std::string& path, std::string_view bytes) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return Outcome::InPlace; // a new file has nothing to lose
    if (!S_ISREG(st.st_mode) || st.st_nlink > 1) return Outcome::InPlace;

    size_t slash = path.rfind('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folderOf(path) + "/." + name + ".XXXXXX";
    UniqueFd file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.get() < 0) return Outcome::InPlace;
    // Held while it is written: a file of this name that nobody holds was
    // left by a save that was killed, and may go.
    (void)::flock(file.get(), LOCK_EX);
    auto discard = [&](Outcome outcome) {
        int e = errno;
        file.Close();
        ::unlink(temporary.c_str());
        errno = e;
        return outcome;
    };
    // Owner first: a change of owner may clear the mode's set-id bits.
    if ((st.st_uid != ::geteuid() || st.st_gid != ::getegid()) &&
        ::fchown(file.get(), st.st_uid, st.st_gid) != 0)
        return discard(Outcome::InPlace);
    if (::fchmod(file.get(), st.st_mode & 07777) != 0) return discard(Outcome::InPlace);
    if (!writeAt(file.get(), bytes, 0) || ::fsync(file.get()) != 0 || !file.Close())
        return discard(Outcome::Failed);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return discard(Outcome::InPlace);
    UniqueFd folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return Outcome::Written;
}

} // namespace

void RemoveStaleReplacements(std::string_view sjisPath) {
    removeStale(followLinks(NativePath(sjisPath)));
}

bool ReplaceFileBytes(std::string_view sjisPath, std::string_view bytes) {
    std::string path = followLinks(NativePath(sjisPath));
    removeStale(path);
    switch (writeByRename(path, bytes)) {
    case Outcome::Written:
        return true;
    case Outcome::Failed:
        return false;
    case Outcome::InPlace:
        break;
    }
    bool existed = ::access(path.c_str(), F_OK) == 0;
    if (writeInPlace(path, bytes)) return true;
    int e = errno;
    if (!existed) ::unlink(path.c_str());
    errno = e;
    return false;
}

} // namespace platform
