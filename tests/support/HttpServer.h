#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests: fixed responses by path,
// with delays, stalls and redirects; every request is recorded. Each
// connection gets a thread, named kThreadName; ended ones are joined as new
// ones come, the rest when the server stops. A route whose response carries
// an ETag or Last-Modified header answers a request naming that value in
// If-None-Match (or, without one, If-Modified-Since) with 304.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <zlib.h>

namespace testsupport {

struct HttpResponse {
    HttpResponse(int status = 200, std::string body = {},
                 std::vector<std::pair<std::string, std::string>> headers = {})
        : status(status), body(std::move(body)), headers(std::move(headers)) {}

    int status = 200;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    int delayMs = 0;       // before anything is sent
    long stallAfter = -1;  // send this many body bytes, then nothing until the server stops
    bool noLength = false; // no Content-Length: the body ends when the connection closes
    int trickleMs = 0;     // the body goes out trickleBytes at a time, this far apart
    size_t trickleBytes = 1;
    bool raw = false; // body is the whole reply: no status line or headers are added
};

// Redirect with the given status to location.
HttpResponse Redirect(const std::string& location, int status = 302);
// body compressed with gzip, for a Content-Encoding: gzip reply.
std::string Gzip(const std::string& body);
// body deflated with zlib's wrapper (windowBits 15), without it (-15) or
// in gzip's (15 + 16), ended by flush.
std::string Deflate(const std::string& body, int windowBits, int flush = Z_FINISH);

struct HttpRequest {
    std::string path;
    std::string userAgent;
    std::string acceptEncoding;
    std::string ifNoneMatch;
    std::string ifModifiedSince;
    int status = 0; // what the server answered
};

class HttpServer {
public:
    static constexpr char kThreadName[] = "loopback";

    HttpServer();
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    void Route(const std::string& path, HttpResponse response);
    std::string Url(const std::string& path) const;
    uint16_t Port() const { return port_; }
    std::vector<HttpRequest> Requests() const;
    size_t RequestCount() const;
    void Stop();

    // A port on 127.0.0.1 where nothing listens.
    static uint16_t ClosedPort();

private:
    void acceptLoop();
    void serve(int fd);

    int listener_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::condition_variable stopped_;
    std::map<std::string, HttpResponse> routes_;
    std::vector<HttpRequest> requests_;
    std::vector<std::thread> connections_;
    std::vector<std::thread::id> ended_; // connections whose thread has ended
    std::thread acceptor_;
};

} // namespace testsupport
