#pragma once

// The stop signals (SIGTERM, SIGINT, SIGHUP) as a call on the event loop's
// thread: a player told to stop quits as if it were closed, so its
// plug-ins stop and keep their settings. Signals ignored at start (a
// background job's SIGINT, nohup's SIGHUP) stay ignored. Further stop
// signals (GNU timeout sends two) change nothing: they stay handled for the
// object's life, which ends once the plug-ins have saved.

#include <QSocketNotifier>

#include <functional>
#include <memory>

class StopSignals {
public:
    explicit StopSignals(std::function<void()> onStop);
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Whether a stop signal has been taken on the event loop.
    bool Stopped() const { return stopped_; }

private:
    void restore();

    std::function<void()> onStop_;
    bool stopped_ = false;
    int pipe_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};
