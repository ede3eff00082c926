#pragma once

// Raw HTTP exchanges with the demo server, for what a download hides:
// status lines, headers, bodies byte for byte, and misbehaving clients.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>

namespace demotest {

// A connected socket to 127.0.0.1:port, closed with the object.
class Client {
public:
    explicit Client(uint16_t port) : fd_(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        connected_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~Client() { ::close(fd_); }
    Client(const Client&) = delete;
    Client& operator=(const Client&) = delete;

    bool connected() const { return connected_; }

    bool send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (n <= 0) return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }

    // Everything until the server closes; closed is false when it did not
    // within the time given.
    std::string receiveAll(bool& closed,
                           std::chrono::milliseconds within = std::chrono::seconds(10)) {
        std::string data;
        auto end = std::chrono::steady_clock::now() + within;
        closed = false;
        while (std::chrono::steady_clock::now() < end) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char buffer[4096];
            ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
            if (n <= 0) {
                closed = true;
                break;
            }
            data.append(buffer, static_cast<size_t>(n));
        }
        return data;
    }

private:
    int fd_;
    bool connected_ = false;
};

struct Reply {
    std::string head, body;
    bool closed = false;
};

inline Reply Exchange(uint16_t port, const std::string& request) {
    Client client(port);
    Reply r;
    if (!client.connected() || !client.send(request)) return r;
    std::string all = client.receiveAll(r.closed);
    size_t split = all.find("\r\n\r\n");
    r.head = all.substr(0, split);
    if (split != std::string::npos) r.body = all.substr(split + 4);
    return r;
}

inline Reply Get(uint16_t port, const std::string& path) {
    return Exchange(port, "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
}

} // namespace demotest
