#pragma once

// A program started for a test, whose stdout (and, when asked, stderr)
// comes back through a pipe; it is killed and reaped with the object,
// however the test ends.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace testsupport {

class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> args, bool withStderr = false) {
        int out[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        if (withStderr) posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        // The stop signals and broken pipes as a fresh process has them, whatever ignores or
        // blocks them here (nohup, a background job).
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        sigset_t stops, none;
        sigemptyset(&stops);
        for (int s : {SIGTERM, SIGINT, SIGHUP, SIGPIPE})
            sigaddset(&stops, s);
        sigemptyset(&none);
        posix_spawnattr_setsigdefault(&attributes, &stops);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
        if (posix_spawn(&pid_, argv[0], &actions, &attributes, argv.data(), environ) != 0)
            pid_ = -1;
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        out_ = out[0];
    }
    ~ChildProcess() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (out_ >= 0) ::close(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return pid_ > 0; }

    // The output up to its first newline, or what came within the time given.
    std::string FirstLine(std::chrono::milliseconds within = std::chrono::seconds(10)) {
        return ReadUntil("\n", within, false);
    }

    // The output until it holds text (kept when keepText), it ends, or the
    // time given has passed.
    std::string ReadUntil(const std::string& text, std::chrono::milliseconds within,
                          bool keepText = true) {
        std::string read;
        auto end = std::chrono::steady_clock::now() + within;
        char c;
        while (out_ >= 0 && std::chrono::steady_clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            if (::read(out_, &c, 1) != 1) break;
            read += c;
            if (read.size() >= text.size() &&
                read.compare(read.size() - text.size(), text.size(), text) == 0) {
                if (!keepText) read.resize(read.size() - text.size());
                break;
            }
        }
        return read;
    }

    // Stops reading its output, as a pipeline whose reader has gone.
    void CloseOutput() {
        if (out_ >= 0) ::close(out_);
        out_ = -1;
    }

    void Signal(int signal) const {
        if (pid_ > 0) ::kill(pid_, signal);
    }

    // The exit status (128 + the signal for a killed one), or -1 when it has
    // not ended within the time given.
    int Wait(std::chrono::milliseconds within) {
        auto end = std::chrono::steady_clock::now() + within;
        while (pid_ > 0) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (std::chrono::steady_clock::now() > end) return -1;
            ::poll(nullptr, 0, 10);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1;
};

} // namespace testsupport
