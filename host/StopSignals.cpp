#include "host/StopSignals.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace {

constexpr int kStopSignals[] = {SIGTERM, SIGINT, SIGHUP};

// The handler may only write: the notifier does the rest on the loop.
volatile sig_atomic_t writeEnd = -1;

void onSignal(int) {
    int saved = errno;
    char byte = 1;
    if (writeEnd >= 0) [[maybe_unused]]
        ssize_t n = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

StopSignals::StopSignals(std::function<void()> onStop) : onStop_(std::move(onStop)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(pipe_[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] {
        char bytes[64];
        while (::read(pipe_[0], bytes, sizeof bytes) > 0) {
        }
        if (stopped_) return;
        stopped_ = true;
        if (onStop_) onStop_();
    });
    writeEnd = pipe_[1];
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : kStopSignals) {
        struct sigaction old = {};
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler != SIG_IGN)
            ::sigaction(signal, &action, nullptr);
    }
}

StopSignals::~StopSignals() {
    restore();
    notifier_.reset();
    for (int fd : pipe_)
        if (fd >= 0) ::close(fd);
}

void StopSignals::restore() {
    for (int signal : kStopSignals) {
        struct sigaction current = {};
        if (::sigaction(signal, nullptr, &current) == 0 && current.sa_handler == onSignal)
            ::signal(signal, SIG_DFL);
    }
    writeEnd = -1;
    if (notifier_) notifier_->setEnabled(false);
}
