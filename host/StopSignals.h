#pragma once

// The stop signals (SIGTERM, SIGINT, SIGHUP) as a call on the event loop's
// thread: a player told to stop quits as if it were closed, so its
// plug-ins stop and keep their settings. Signals ignored at start (a
// background job's SIGINT, nohup's SIGHUP) stay ignored; after the first
// stop a second signal ends the process at once.

#include <QSocketNotifier>

#include <functional>
#include <memory>

class StopSignals {
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    void restore();

    std::function<void()> onStop_;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};
