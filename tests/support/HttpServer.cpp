#include "tests/support/HttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

namespace testsupport {

namespace {

bool sendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string headerValue(const std::string& request, const std::string& name) {
    size_t at = 0;
    while ((at = request.find("\r\n", at)) != std::string::npos) {
        at += 2;
        if (request.compare(at, name.size(), name) == 0 &&
            request.compare(at + name.size(), 1, ":") == 0) {
            size_t begin = request.find_first_not_of(' ', at + name.size() + 1);
            return request.substr(begin, request.find("\r\n", begin) - begin);
        }
    }
    return {};
}

const char* reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 304:
        return "Not Modified";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

HttpResponse Redirect(const std::string& location, int status) {
    return {status, "", {{"Location", location}}};
}

std::string Deflate(const std::string& body, int windowBits, int flush) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK)
        throw std::runtime_error("deflateInit2 failed");
    // Room for a flush's block marker beyond the bound.
    std::string out(deflateBound(&z, body.size()) + 64, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(body.data()));
    z.avail_in = static_cast<uInt>(body.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, flush);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::string Gzip(const std::string& body) {
    // 15 + 16: a gzip wrapper rather than a zlib one.
    return Deflate(body, 15 + 16);
}

HttpServer::HttpServer() {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int yes = 1;
    ::setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener_, 64) != 0)
        throw std::runtime_error("cannot listen on 127.0.0.1");
    socklen_t length = sizeof address;
    ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread(&HttpServer::acceptLoop, this);
}

HttpServer::~HttpServer() {
    Stop();
}

void HttpServer::Stop() {
    if (stopping_.exchange(true)) return;
    stopped_.notify_all();
    if (acceptor_.joinable()) acceptor_.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (std::thread& t : connections)
        t.join();
    ::close(listener_);
}

void HttpServer::Route(const std::string& path, HttpResponse response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
}

std::string HttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<HttpRequest> HttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

size_t HttpServer::RequestCount() const {
    std::lock_guard lock(mutex_);
    return requests_.size();
}

uint16_t HttpServer::ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

void HttpServer::acceptLoop() {
    pthread_setname_np(pthread_self(), kThreadName);
    while (!stopping_) {
        std::vector<std::thread> ended;
        {
            std::lock_guard lock(mutex_);
            for (std::thread::id id : ended_)
                for (auto t = connections_.begin(); t != connections_.end(); ++t)
                    if (t->get_id() == id) {
                        ended.push_back(std::move(*t));
                        connections_.erase(t);
                        break;
                    }
            ended_.clear();
        }
        for (std::thread& t : ended)
            t.join();
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back(&HttpServer::serve, this, fd);
    }
}

void HttpServer::serve(int fd) {
    pthread_setname_np(pthread_self(), kThreadName);
    struct Ended {
        HttpServer* server;
        ~Ended() {
            std::lock_guard lock(server->mutex_);
            server->ended_.push_back(std::this_thread::get_id());
        }
    } ended{this};
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && !stopping_) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<size_t>(n));
    }
    size_t space = request.find(' ');
    std::string path = request.substr(space + 1, request.find(' ', space + 1) - space - 1);
    HttpResponse response;
    {
        std::lock_guard lock(mutex_);
        auto it = routes_.find(path);
        if (it != routes_.end())
            response = it->second;
        else
            response.status = 404, response.body = "<html>not found</html>";
        HttpRequest recorded{
            path, headerValue(request, "User-Agent"), headerValue(request, "Accept-Encoding"),
            headerValue(request, "If-None-Match"), headerValue(request, "If-Modified-Since")};
        // An entity tag, when asked about, decides alone.
        bool byTag = !recorded.ifNoneMatch.empty();
        for (const auto& [name, value] : response.headers)
            if ((byTag && name == "ETag" && value == recorded.ifNoneMatch) ||
                (!byTag && name == "Last-Modified" && value == recorded.ifModifiedSince)) {
                response.status = 304;
                response.body.clear();
            }
        recorded.status = response.status;
        requests_.push_back(std::move(recorded));
    }
    auto waitForStop = [&](int ms) {
        std::unique_lock lock(mutex_);
        return stopped_.wait_for(lock, std::chrono::milliseconds(ms),
                                 [&] { return stopping_.load(); });
    };
    if (response.delayMs > 0 && waitForStop(response.delayMs)) {
        ::close(fd);
        return;
    }
    std::string head;
    if (!response.raw) {
        head =
            "HTTP/1.1 " + std::to_string(response.status) + " " + reason(response.status) + "\r\n";
        if (!response.noLength)
            head += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        for (const auto& [name, value] : response.headers)
            head += name + ": " + value + "\r\n";
        head += "Connection: close\r\n\r\n";
    }
    bool ok = sendAll(fd, head.data(), head.size());
    size_t bodyBytes = response.stallAfter >= 0 ? std::min(response.body.size(),
                                                           static_cast<size_t>(response.stallAfter))
                                                : response.body.size();
    if (response.trickleMs > 0) {
        size_t step = std::max<size_t>(response.trickleBytes, 1);
        for (size_t sent = 0; ok && sent < bodyBytes; sent += step) {
            ok = sendAll(fd, response.body.data() + sent, std::min(step, bodyBytes - sent));
            if (ok && sent + step < bodyBytes && waitForStop(response.trickleMs)) ok = false;
        }
    } else if (ok) {
        sendAll(fd, response.body.data(), bodyBytes);
    }
    if (response.stallAfter >= 0) waitForStop(60000);
    ::shutdown(fd, SHUT_RDWR);
    ::close(fd);
}

} // namespace testsupport
