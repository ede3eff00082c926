#pragma once

// Stands in for the named mutex: a name shared by every process of the
// user, held while this object lives and gone with its holder (a crashed
// process releases it too). Backed by flock on a lock file in
// $NEWS_LOCK_DIR, else $XDG_RUNTIME_DIR, else /tmp.

#include <string>
#include <string_view>

namespace platform {

class NamedMutex {
public:
    // Takes the name if nobody holds it. created() tells whether it was
    // free; otherwise GetLastError() is ErrorAlreadyExists (or the reason
    // the lock file could not be made) and nothing is held.
    explicit NamedMutex(std::string_view name);
    ~NamedMutex();
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

    bool created() const { return fd_ >= 0; }

    // The lock file that stands for name (for tests and diagnostics).
    static std::string LockPath(std::string_view name);

private:
    int fd_ = -1;
};

} // namespace platform
