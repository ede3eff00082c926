#include "tools/demoserver/DemoServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Internal Server Error";
    }
}

// The request line as a log may show it: printable ASCII, cut short.
std::string printable(const std::string& text) {
    std::string out = text.substr(0, 200);
    for (char& c : out)
        if (c < 0x20 || c > 0x7E) c = '?';
    return out;
}

} // namespace

class DemoServer::Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

struct DemoServer::Connection {
    Connection(int fd, Clock::time_point deadline) : fd(fd), deadline(deadline) {}
    Fd fd;
    Clock::time_point deadline;
    std::string request;
    std::string reply; // empty while the request is read
    size_t sent = 0;
};

DemoServer::DemoServer(const DemoSite& site, std::chrono::milliseconds deadline)
    : site_(site), deadline_(deadline),
      wake_(std::make_unique<Fd>(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK))) {}

DemoServer::~DemoServer() = default;

bool DemoServer::Listen(uint16_t port, std::string& error) {
    auto fd =
        std::make_unique<Fd>(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    int yes = 1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd->get() < 0 || wake_->get() < 0 ||
        ::setsockopt(fd->get(), SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes) != 0 ||
        ::bind(fd->get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd->get(), 64) != 0 ||
        ::getsockname(fd->get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    port_ = ntohs(address.sin_port);
    listener_ = std::move(fd);
    return true;
}

void DemoServer::Stop() {
    uint64_t one = 1;
    if (::write(wake_->get(), &one, sizeof one) < 0) return;
}

void DemoServer::Run(int stopFd) {
    if (!listener_) return;
    for (;;) {
        std::vector<pollfd> fds{{wake_->get(), POLLIN, 0}, {stopFd, POLLIN, 0}};
        bool accepting = connections_.size() < kMaxConnections;
        fds.push_back({accepting ? listener_->get() : -1, POLLIN, 0});
        auto now = Clock::now();
        auto wait = std::chrono::milliseconds(1000);
        for (const auto& c : connections_) {
            fds.push_back(
                {c->fd.get(), static_cast<short>(c->reply.empty() ? POLLIN : POLLOUT), 0});
            wait = std::min(wait, std::chrono::ceil<std::chrono::milliseconds>(c->deadline - now));
        }
        int timeout = static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0));
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) break;
        if (fds[0].revents || fds[1].revents) break;
        now = Clock::now();
        // Connections accepted below come after the polled ones.
        size_t polled = connections_.size();
        std::vector<bool> keep(polled, true);
        for (size_t i = 0; i < polled; ++i) {
            Connection& c = *connections_[i];
            short events = fds[3 + i].revents;
            if (events & (POLLERR | POLLNVAL))
                keep[i] = false;
            else if ((events & (POLLIN | POLLHUP)) && c.reply.empty())
                keep[i] = readFrom(c);
            else if (events & POLLOUT)
                keep[i] = writeTo(c);
            if (keep[i] && now >= c.deadline) keep[i] = false;
        }
        for (size_t i = polled; i-- > 0;)
            if (!keep[i]) connections_.erase(connections_.begin() + static_cast<long>(i));
        if (accepting && (fds[2].revents & POLLIN)) accept();
    }
    connections_.clear();
}

void DemoServer::accept() {
    while (connections_.size() < kMaxConnections) {
        int fd = ::accept4(listener_->get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return;
        connections_.push_back(std::make_unique<Connection>(fd, Clock::now() + deadline_));
    }
}

bool DemoServer::readFrom(Connection& c) {
    char buffer[4096];
    ssize_t n = ::recv(c.fd.get(), buffer, sizeof buffer, 0);
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n == 0) return false;
    c.request.append(buffer, static_cast<size_t>(n));
    if (c.request.find("\r\n\r\n") == std::string::npos &&
        c.request.find("\n\n") == std::string::npos) {
        if (c.request.size() <= kMaxRequestBytes) return true;
    }
    respond(c);
    return writeTo(c);
}

bool DemoServer::writeTo(Connection& c) {
    while (c.sent < c.reply.size()) {
        ssize_t n =
            ::send(c.fd.get(), c.reply.data() + c.sent, c.reply.size() - c.sent, MSG_NOSIGNAL);
        if (n < 0) return errno == EAGAIN || errno == EINTR;
        c.sent += static_cast<size_t>(n);
    }
    ::shutdown(c.fd.get(), SHUT_WR);
    return false;
}

void DemoServer::respond(Connection& c) {
    std::string line = c.request.substr(0, c.request.find_first_of("\r\n"));
    size_t space = line.find(' ');
    size_t second = space == std::string::npos ? std::string::npos : line.find(' ', space + 1);
    std::string method = line.substr(0, space);
    std::string target =
        space == std::string::npos ? "" : line.substr(space + 1, second - space - 1);

    DemoResponse r;
    if (c.request.size() > kMaxRequestBytes) {
        r.status = 431;
    } else if (target.empty() || target[0] != '/') {
        r.status = 400;
    } else if (method != "GET" && method != "HEAD") {
        r.status = 405;
    } else {
        r = site_.Respond(target, StampRewriter::LocalNow());
    }
    if (r.status >= 400 && r.body.empty()) {
        r.contentType = "text/plain; charset=UTF-8";
        r.body = std::string(reason(r.status)) + "\n";
    }
    std::string head = "HTTP/1.1 " + std::to_string(r.status) + " " + reason(r.status) + "\r\n";
    if (!r.contentType.empty()) head += "Content-Type: " + r.contentType + "\r\n";
    if (!r.location.empty()) head += "Location: " + r.location + "\r\n";
    head += "Content-Length: " + std::to_string(r.body.size()) +
            "\r\nCache-Control: no-cache\r\nConnection: close\r\n\r\n";
    c.reply = head + (method == "HEAD" ? "" : r.body);
    std::fprintf(stderr, "demoserver: %s %d\n", printable(line).c_str(), r.status);
}
