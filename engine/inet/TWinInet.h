#pragma once

// A small synchronous HTTP client: fetches one URL into one file, reporting
// progress and the outcome to a listener, on whatever thread calls it.

#include "platform/inet/Internet.h"
#include "platform/sync/NamedMutex.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class TWinInet {
public:
    // Event kinds: 1 transfer begins (0), 2 URL opened (0) and after every
    // block (bytes so far), 3 transfer loop ended, 4 succeeded, 5 failed
    // (the last three with the bytes received).
    enum : uint8_t {
        EventBegin = 1,
        EventProgress = 2,
        EventLoopEnded = 3,
        EventSucceeded = 4,
        EventFailed = 5
    };

    // A page larger than this is a failed download: nothing a front page
    // holds comes near it, and the cache file must not fill the disk.
    static constexpr int64_t kMaxPageBytes = 32 * 1024 * 1024;
    static constexpr size_t kBlockSize = 4096;
    // How many agent names are tried before giving up on a reserved one.
    static constexpr int kMaxAgentNumbers = 64;

    TWinInet() = default;
    ~TWinInet();
    TWinInet(const TWinInet&) = delete;
    TWinInet& operator=(const TWinInet&) = delete;

    bool AttemptConnect();
    bool OpenInternet();
    void CloseInternet();
    bool OpenURL(const std::string& url);
    void CloseURL();
    // Bytes read (0 at the end of the body), or -1 on failure.
    int ReadBlock(char* buffer, size_t size);
    bool Download(const std::string& url, const std::string& file);

    // Any thread: the transfer fails at its next block, or sooner if it is
    // waiting for the server.
    void Abort() { Aborted = true; }

    // The agent name the open session uses ("" when none).
    const std::string& AgentName() const { return agent_; }

    std::unique_ptr<platform::InternetSession> Internet;
    std::unique_ptr<platform::InternetRequest> UrlHandle;
    std::unique_ptr<platform::NamedMutex> Mutex;
    bool Offline = false;
    std::atomic<bool> Aborted{false};
    std::string URL;
    // The URL that answered the last open, after any redirects.
    std::string EffectiveURL;
    bool CacheWrite = true;
    bool UseCache = true;
    // The transfer fails (ErrorInternetTimeout) once this has passed.
    std::optional<std::chrono::steady_clock::time_point> Deadline;
    // The validators of the copy in hand, sent with the request; then those
    // of the answer ("" when it sent none).
    std::string ETag;
    std::string LastModified;
    // The server answered 304: the copy in hand is current, and the file
    // was left as it was.
    bool NotModified = false;
    uint32_t LastError = 0;
    std::function<void(TWinInet* sender, uint8_t kind, int32_t value)> OnEvent;

private:
    void event(uint8_t kind, int64_t value);
    std::string agent_;
};
