#pragma once
// A bounded HTTP server on the loopback address for the HTTP client's tests.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

namespace kelvora::testing {

// A listening socket on 127.0.0.1 with a port of the system's choosing.
inline int listen_on_loopback(int& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ADD_FAILURE() << "cannot listen on the loopback address";
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// Answers each of `replies` connections with the next reply, recording what was asked. Every
// wait is bounded, so a client that never comes cannot hang the test.
class LoopbackServer {
public:
    explicit LoopbackServer(std::vector<std::string> replies) : replies_(std::move(replies)) {
        fd_ = listen_on_loopback(port_);
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopbackServer() {
        thread_.join();
        if (fd_ >= 0) ::close(fd_);
    }
    std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
    int port() const { return port_; }
    // The requests received; safe to read once the client has its answer.
    const std::vector<std::string>& requests() const { return requests_; }

private:
    static bool wait_readable(int fd) {
        pollfd p{fd, POLLIN, 0};
        return ::poll(&p, 1, 5000) == 1;
    }

    void serve() {
        for (const std::string& reply : replies_) {
            if (fd_ < 0 || !wait_readable(fd_)) return;
            int client = ::accept(fd_, nullptr, nullptr);
            if (client < 0) return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos && wait_readable(client)) {
                ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, std::size_t(got));
            }
            requests_.push_back(request);
            // The client may hang up early on purpose; that must not raise SIGPIPE here.
            for (std::size_t sent = 0; sent < reply.size();) {
                ssize_t n = ::send(client, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) break;
                sent += std::size_t(n);
            }
            ::close(client);
        }
    }

    std::vector<std::string> replies_;
    std::vector<std::string> requests_;
    int fd_ = -1;
    int port_ = 0;
    std::thread thread_;
};

inline std::string reply(const std::string& status, const std::string& body, bool with_length = true) {
    std::string head = "HTTP/1.1 " + status + "\r\nConnection: close\r\n";
    if (with_length) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

}  // namespace kelvora::testing
