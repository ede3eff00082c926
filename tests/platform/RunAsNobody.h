#pragma once

// Permission checks need a user that permissions apply to: root passes them
// all, and CI runs as root. These run a check in a child process that has
// dropped to the user nobody when this process is root (as this user
// otherwise), so the same test holds either way.

#include <functional>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

inline uid_t ChildUid() {
    if (::geteuid() != 0) return ::geteuid();
    const passwd* nobody = ::getpwnam("nobody");
    return nobody ? nobody->pw_uid : 65534;
}

inline gid_t ChildGid() {
    if (::geteuid() != 0) return ::getegid();
    const passwd* nobody = ::getpwnam("nobody");
    return nobody ? nobody->pw_gid : 65534;
}

// Makes a file or folder the child's own (a no-op unless root).
inline void GiveToChild(const std::string& path) {
    if (::geteuid() == 0) (void)!::lchown(path.c_str(), ChildUid(), ChildGid());
}

// True when body ran in the child and returned true.
inline bool RunAsNobody(const std::function<bool()>& body) {
    pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(ChildGid()) != 0 ||
                                 ::setuid(ChildUid()) != 0))
            ::_exit(3);
        bool ok = false;
        try {
            ok = body();
        } catch (...) {
        }
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace testsupport
