#include "platform/curl/curl_http.hpp"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

namespace kelvora {
namespace {

using Clock = std::chrono::steady_clock;

// A listening socket on 127.0.0.1 with a port of the system's choosing.
int listen_on_loopback(int& port) {
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

std::string reply(const std::string& status, const std::string& body, bool with_length = true) {
    std::string head = "HTTP/1.1 " + status + "\r\nConnection: close\r\n";
    if (with_length) head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    return head + "\r\n" + body;
}

class CurlHttpTest : public ::testing::Test {
protected:
    void SetUp() override { ::setenv("no_proxy", "127.0.0.1", 1); }
    HttpLimits quick{1000, 1000, 1000};
};

TEST_F(CurlHttpTest, ReturnsTheBodyBytesWhateverTheStatus) {
    const std::string body = std::string("<TD>\x83\x50\x83\x8b\x83\x7b\x83\x89</TD>\0end", 22);
    LoopbackServer server({reply("200 OK", body), reply("404 Not Found", "gone"), reply("200 OK", "no length", false)});
    CurlHttp http(quick);
    EXPECT_EQ(http.get(server.url("/cgi-bin/list.cgi?filename=kelv&unit=")), body);
    EXPECT_EQ(http.get(server.url("/")), "gone");
    EXPECT_EQ(http.get(server.url("/")), "no length");
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(server.requests()[0].rfind("GET /cgi-bin/list.cgi?filename=kelv&unit= HTTP/1.1\r\n", 0), 0u)
        << server.requests()[0];
}

TEST_F(CurlHttpTest, BodiesOverTheLimitFail) {
    std::string full(quick.max_body_bytes, 'x');
    std::string over(quick.max_body_bytes + 1, 'x');
    std::string far_over(20 * quick.max_body_bytes, 'x');
    LoopbackServer server({reply("200 OK", full), reply("200 OK", over), reply("200 OK", far_over, false)});
    CurlHttp http(quick);
    EXPECT_EQ(http.get(server.url("/")), full);
    EXPECT_EQ(http.get(server.url("/")), std::nullopt);
    EXPECT_EQ(http.get(server.url("/")), std::nullopt) << "a body without a length is cut off as it comes";
}

TEST_F(CurlHttpTest, AServerThatNeverAnswersTimesOut) {
    int port = 0;
    int fd = listen_on_loopback(port);  // connections complete in the backlog and are never read
    CurlHttp http(quick);
    auto start = Clock::now();
    EXPECT_EQ(http.get("http://127.0.0.1:" + std::to_string(port) + "/"), std::nullopt);
    EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 5.0);
    ::close(fd);
}

TEST_F(CurlHttpTest, RefusedConnectionsAndOtherProtocolsFail) {
    int port = 0;
    ::close(listen_on_loopback(port));  // nobody listens there any more
    CurlHttp http(quick);
    EXPECT_EQ(http.get("http://127.0.0.1:" + std::to_string(port) + "/"), std::nullopt);
    EXPECT_EQ(http.get("file:///etc/hostname"), std::nullopt);
    EXPECT_EQ(http.get("not a url"), std::nullopt);

    LoopbackServer server({"HTTP/1.1 302 Found\r\nLocation: file:///etc/hostname\r\nContent-Length: 0\r\n\r\n",
                           reply("200 OK", "second reply")});
    EXPECT_EQ(http.get("ftp://127.0.0.1:" + std::to_string(server.port()) + "/"), std::nullopt);
    EXPECT_EQ(server.requests().size(), 0u);
    EXPECT_EQ(http.get(server.url("/")), std::nullopt) << "a redirect to a file is not followed";
    // The server's second reply goes to this client so that the server thread ends.
    EXPECT_EQ(http.get(server.url("/")), "second reply");
}

}  // namespace
}  // namespace kelvora
