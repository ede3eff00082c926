#pragma once

// One transfer, run on a worker of the download pool. Created idle; Start
// queues it; the destructor takes it out of the queue, or aborts it if it
// runs and waits for it to end.

#include "engine/inet/DownloadPool.h"
#include "engine/inet/TWinInet.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

class TDownloadThread : private DownloadPool::Job {
public:
    TDownloadThread();
    ~TDownloadThread();
    TDownloadThread(const TDownloadThread&) = delete;
    TDownloadThread& operator=(const TDownloadThread&) = delete;

    // False, with State 5 and nothing queued, when url or file is empty or
    // no worker can be made (LastError says why). With wait, runs the
    // application's events until the transfer has ended and returns whether
    // it succeeded.
    bool Start(const std::string& url, const std::string& file, bool wait);
    // Any thread: the transfer fails at once, or at its next block if it
    // runs. The owner still destroys the object.
    void Abort();

    std::string FileName;
    std::string URL;
    bool UseCache = true;
    bool Wait = true;
    // When set, the transfer fails (ErrorInternetTimeout) once this moment
    // has passed, wherever it stands.
    std::optional<std::chrono::steady_clock::time_point> Deadline;
    // When set, the transfer fails as well once it has run this long,
    // counted from when a worker took it up (not while it waited its turn).
    std::optional<std::chrono::milliseconds> TimeLimit;
    // The validators of the copy in hand, sent with the request.
    std::string ETag;
    std::string LastModified;
    std::atomic<bool> Running{false};
    std::atomic<bool> Aborted{false};
    // 0 before the start, then the last event kind; 4 or 5 at the end.
    std::atomic<uint8_t> State{0};
    // Called on the download thread for every event of the transfer.
    std::function<void(TDownloadThread* sender, uint8_t kind, int32_t value)> OnProgress;

    // Waits until the transfer has ended (without aborting it).
    void Join();

    // The transfer's error code once it has ended (see TWinInet::LastError).
    uint32_t LastError() const { return lastError_.load(); }
    // The agent name the transfer used.
    std::string AgentName() const;
    // The URL that answered, after any redirects; URL until it is known.
    std::string EffectiveURL() const;
    // Once the URL has opened: whether the server answered 304 (the file
    // is left as it was), and the validators of its answer.
    bool NotModified() const;
    // When a worker took the transfer up; empty while it waits, or if it
    // never ran. Read after Join.
    std::optional<std::chrono::steady_clock::time_point> StartedAt() const { return startedAt_; }
    std::pair<std::string, std::string> Validators() const;

private:
    void Run() override;
    void Execute();

    // Guards Inet between Execute, which creates and destroys it, and an
    // abort from the destroying thread.
    mutable std::mutex inetMutex_;
    std::unique_ptr<TWinInet> Inet;
    std::string agent_;
    std::string effectiveUrl_;
    bool notModified_ = false;
    std::pair<std::string, std::string> validators_;
    std::optional<std::chrono::steady_clock::time_point> startedAt_;
    std::atomic<uint32_t> lastError_{0};
    std::shared_ptr<DownloadPool> pool_;
    // Set once Start has queued the transfer, cleared when it has ended.
    std::mutex doneMutex_;
    std::condition_variable doneSignal_;
    bool pending_ = false;
};
