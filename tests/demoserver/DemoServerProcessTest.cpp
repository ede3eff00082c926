// The built server as the run command starts it: a child process that
// prints its address, and ends on a stop signal or with its parent.

#include "tests/demoserver/DemoClient.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using namespace std::chrono_literals;

// A child process whose stdout and stderr come back through pipes.
class Child {
public:
    explicit Child(std::vector<std::string> args) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Child() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        ::close(out_);
        ::close(err_);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    pid_t pid() const { return pid_; }

    // stdout up to its first newline.
    std::string firstLine(std::chrono::milliseconds within = 5s) {
        std::string line;
        auto end = std::chrono::steady_clock::now() + within;
        char c;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            if (::read(out_, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        return line;
    }

    // True when stdout reached its end (every writer gone) in time.
    bool outputEnds(std::chrono::milliseconds within = 5s) {
        auto end = std::chrono::steady_clock::now() + within;
        char buffer[256];
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            if (::read(out_, buffer, sizeof buffer) <= 0) return true;
        }
        return false;
    }

    std::string errors() {
        std::string text;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(err_, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<size_t>(n));
        return text;
    }

    // Exit status, or -1 when it has not ended in time.
    int wait(std::chrono::milliseconds within = 5s) {
        auto end = std::chrono::steady_clock::now() + within;
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

private:
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
};

uint16_t portOf(const std::string& address) {
    const std::string prefix = "http://127.0.0.1:";
    if (address.rfind(prefix, 0) != 0 || address.back() != '/') return 0;
    return static_cast<uint16_t>(std::stoi(address.substr(prefix.size())));
}

} // namespace

TEST(DemoServerProcess, PrintsItsAddressServesAndEndsCleanlyOnEachStopSignal) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        Child server({DEMOSERVER_PATH});
        uint16_t port = portOf(server.firstLine());
        ASSERT_NE(port, 0) << server.errors();
        demotest::Reply r = demotest::Get(port, "/jis/");
        EXPECT_NE(r.head.find("200 OK"), std::string::npos);

        ::kill(server.pid(), signal);
        EXPECT_EQ(server.wait(), 0) << strsignal(signal);
        EXPECT_FALSE(demotest::Client(port).connected());
    }
}

TEST(DemoServerProcess, EndsWhenTheProcessThatStartedItDies) {
    // A shell stands in for the run command: it starts the server and is killed.
    Child shell({"/bin/sh", "-c", "\"$0\" & wait", DEMOSERVER_PATH});
    uint16_t port = portOf(shell.firstLine());
    ASSERT_NE(port, 0) << shell.errors();
    ::kill(shell.pid(), SIGKILL);
    EXPECT_EQ(shell.wait(), 128 + SIGKILL);
    // The server held the other end of the pipe until it ended.
    EXPECT_TRUE(shell.outputEnds());
    EXPECT_FALSE(demotest::Client(port).connected());
}

TEST(DemoServerProcess, BadArgumentsAndMissingPagesFailWithAReason) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{"--port"}, 2, "usage: demoserver"},
        {{"--port", "70000"}, 2, "usage: demoserver"},
        {{"--bogus"}, 2, "usage: demoserver"},
        {{"--pages", "/nonexistent"}, 1, "demoserver: cannot read /nonexistent/front-sjis.html"},
    };
    for (Case& c : cases) {
        c.args.insert(c.args.begin(), DEMOSERVER_PATH);
        Child server(c.args);
        EXPECT_EQ(server.wait(), c.status) << c.args[1];
        EXPECT_NE(server.errors().find(c.message), std::string::npos) << c.args[1];
    }
}
