#pragma once

// A single-threaded HTTP/1.0-style server on 127.0.0.1 for the demo site:
// one request per connection, at most kMaxConnections at once, each with a
// deadline and a size limit, so a stuck or hostile client costs bounded
// time and memory and never holds up the others.

#include "tools/demoserver/DemoSite.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class DemoServer {
public:
    static constexpr size_t kMaxConnections = 64;
    static constexpr size_t kMaxRequestBytes = 16384;

    // deadline: the time one connection may take, request and reply.
    explicit DemoServer(const DemoSite& site,
                        std::chrono::milliseconds deadline = std::chrono::milliseconds(5000));
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Listens on 127.0.0.1:port (0: a free port); false with error otherwise.
    bool Listen(uint16_t port, std::string& error);
    uint16_t Port() const { return port_; }

    // Serves until Stop() or until stopFd (if >= 0) becomes readable.
    void Run(int stopFd = -1);
    // Ends Run from any thread.
    void Stop();

private:
    class Fd;
    struct Connection;

    void accept();
    // False when the connection is done.
    bool readFrom(Connection& c);
    bool writeTo(Connection& c);
    void respond(Connection& c);

    const DemoSite& site_;
    std::chrono::milliseconds deadline_;
    std::unique_ptr<Fd> listener_;
    std::unique_ptr<Fd> wake_; // eventfd that Stop() writes
    uint16_t port_ = 0;
    std::vector<std::unique_ptr<Connection>> connections_;
};
