#pragma once

// One transfer on a thread of its own. Created idle; Start runs it; the
// destructor aborts a running transfer and waits for the thread to end.

#include "engine/inet/TWinInet.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class TDownloadThread {
public:
    TDownloadThread() = default;
    ~TDownloadThread();
    TDownloadThread(const TDownloadThread&) = delete;
    TDownloadThread& operator=(const TDownloadThread&) = delete;

    // False, with State 5 and no thread, when url or file is empty. With
    // wait, runs the application's events until the transfer has ended and
    // returns whether it succeeded.
    bool Start(const std::string& url, const std::string& file, bool wait);

    std::string FileName;
    std::string URL;
    bool UseCache = true;
    bool Wait = true;
    std::atomic<bool> Running{false};
    std::atomic<bool> Aborted{false};
    // 0 before the start, then the last event kind; 4 or 5 at the end.
    std::atomic<uint8_t> State{0};
    // Called on the download thread for every event of the transfer.
    std::function<void(TDownloadThread* sender, uint8_t kind, int32_t value)> OnProgress;

    // Waits until the thread has ended (without aborting it).
    void Join();

    // The transfer's error code once it has ended (see TWinInet::LastError).
    uint32_t LastError() const { return lastError_.load(); }
    // The agent name the transfer used.
    std::string AgentName() const;
    // The URL that answered, after any redirects; URL until it is known.
    std::string EffectiveURL() const;

private:
    void Execute();

    // Guards Inet between Execute, which creates and destroys it, and an
    // abort from the destroying thread.
    mutable std::mutex inetMutex_;
    std::unique_ptr<TWinInet> Inet;
    std::string agent_;
    std::string effectiveUrl_;
    std::atomic<uint32_t> lastError_{0};
    std::thread thread_;
};
