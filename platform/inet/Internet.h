#pragma once

// Stands in for the Windows Internet functions over libcurl: a session with
// an agent name (InternetOpen), a URL opened for reading (InternetOpenUrl)
// and pull-style reads of its body (InternetReadFile). Failures set the
// thread's last error to the Internet codes of platform/errors.
//
// HTTP and HTTPS only; redirects are followed (at most 10), gzip and
// deflate bodies decoded as they are read, the proxy taken from curl's usual
// environment variables (http_proxy, https_proxy, no_proxy).

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class ContentDecoder;

struct InternetTimeouts {
    int connectMs = 15000; // a connection that cannot be made fails by then
    int stallMs = 30000;   // a transfer that receives nothing this long fails
    int totalMs = 120000;  // a transfer that has run this long in all fails
    // A transfer that receives fewer than lowSpeedBytes a second for
    // lowSpeedMs fails: a server trickling a byte now and then must not keep
    // it alive for ever. Counted in whole seconds.
    int lowSpeedBytes = 64;
    int lowSpeedMs = 30000;
};

// Process-wide; tests set short ones.
void SetInternetTimeouts(InternetTimeouts timeouts);

// Always succeeds: there is no dial-up connection to make here.
bool InternetAttemptConnect();

// Offline: there is no cache behind the session here, so an offline
// session opens nothing (ErrorInternetDisconnected); the cache flags of
// the original likewise change nothing.
class InternetSession {
public:
    InternetSession(std::string agent, bool offline)
        : agent_(std::move(agent)), offline_(offline) {}
    const std::string& Agent() const { return agent_; }
    bool Offline() const { return offline_; }

private:
    std::string agent_;
    bool offline_;
};

// What one request may take and what it already knows of the page.
struct RequestOptions {
    const std::atomic<bool>* abort = nullptr; // fails the request once true
    // The request fails (ErrorInternetTimeout) once this has passed, even
    // before the total limit.
    std::optional<std::chrono::steady_clock::time_point> deadline;
    // More bytes than this on the wire fail it (ErrorFileTooLarge), however
    // few they decode to; 0 for no limit.
    int64_t maxWireBytes = 0;
    // The validators of the copy in hand: sent as If-None-Match and
    // If-Modified-Since when not empty.
    std::string etag;
    std::string lastModified;
};

class InternetRequest {
public:
    // Sends the request and waits for the response's headers. Null on
    // failure: a connection or name failure, a stall, a bad URL, an HTTP
    // status of 400 or more (HttpStatusError), or the options' abort,
    // deadline or limit. A 304 (not modified) opens with an empty body.
    static std::unique_ptr<InternetRequest>
    Open(const InternetSession& session, std::string_view url, const RequestOptions& options = {});
    ~InternetRequest();
    InternetRequest(const InternetRequest&) = delete;
    InternetRequest& operator=(const InternetRequest&) = delete;

    // Up to size bytes of the body; read == 0 at its end. Waits for data,
    // but fails on a stall or once *abort turns true.
    bool Read(char* buffer, size_t size, size_t& read);

    long Status() const { return status_; }
    // The response's validators ("" when it sent none).
    const std::string& ETag() const { return etag_; }
    const std::string& LastModified() const { return lastModified_; }
    // The URL that answered: the one asked for, or after redirects the last
    // one (as sent, escaped).
    const std::string& EffectiveUrl() const { return effectiveUrl_; }

private:
    struct Handles;
    explicit InternetRequest(const RequestOptions& options);
    std::string header(const char* name) const;
    // False, with the last error set, once the deadline has passed or the
    // body decodes slower than the low-speed limit.
    bool inTime();
    // Runs the transfer until it has data buffered or has ended.
    bool fill();
    // Readies the decoding the response's Content-Encoding asks for; false
    // for one that is not on offer.
    bool startDecoding();
    bool decode(char* buffer, size_t size, size_t& read);
    void dropRead();
    static size_t onBody(char* data, size_t size, size_t count, void* self);

    std::unique_ptr<Handles> handles_;
    std::unique_ptr<ContentDecoder> decoder_; // null for a body sent as it is
    const std::atomic<bool>* abort_;
    std::optional<std::chrono::steady_clock::time_point> deadline_;
    int64_t maxWireBytes_ = 0;
    int64_t wireBytes_ = 0;
    bool tooLarge_ = false;
    // Decoded bytes since the start of the current low-speed window.
    int64_t windowStart_ = 0;
    int64_t windowBytes_ = 0;
    std::string etag_;
    std::string lastModified_;
    std::string buffer_;
    size_t head_ = 0;
    bool paused_ = false;
    bool done_ = false;
    int result_ = 0;
    long status_ = 0;
    std::string effectiveUrl_;
    int64_t lastActivity_ = 0;
};

} // namespace platform
