// The real program against what an outsider can send: each case once took the server down or
// made it spend without bound. Raw sockets on loopback, from chosen 127.x.y.z addresses.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <filesystem>

#include "ranking/rank_file.hpp"
#include "tests/server/server_process.hpp"
#include "tests/server/temp_folder.hpp"

namespace kelvora::server {
namespace {

using namespace std::chrono_literals;

int connect_from(int port, const char* source) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{AF_INET, 0, {}, {}}, server{AF_INET, htons(std::uint16_t(port)), {}, {}};
    inet_pton(AF_INET, source, &local.sin_addr);
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    // Generous, so that a loaded machine's slow answer is not taken for silence.
    timeval quiet{4, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &quiet, sizeof quiet);
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &quiet, sizeof quiet);
    bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
    connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server);
    return fd;
}

// Sends `head`, then `repeat` until `limit` bytes went or the server stopped taking them, and
// returns what came back before the server closed (or four quiet seconds).
std::string talk(int port, const std::string& head, const std::string& repeat = "", std::size_t limit = 0,
                     std::size_t* sent = nullptr, const char* source = "127.0.0.1") {
    const int fd = connect_from(port, source);
    std::size_t total = send(fd, head.data(), head.size(), MSG_NOSIGNAL);
    while (!repeat.empty() && total < limit && send(fd, repeat.data(), repeat.size(), MSG_NOSIGNAL) > 0)
        total += repeat.size();
    if (sent) *sent = total;
    std::string reply;
    char buffer[65536];
    for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) reply.append(buffer, std::size_t(n));
    close(fd);
    return reply;
}

long rss_kib(pid_t pid) {
    const std::string status = read_file("/proc/" + std::to_string(pid) + "/status");
    const auto at = status.find("VmRSS:");
    return at == std::string::npos ? -1 : std::stol(status.substr(at + 6));
}

std::string entry(const std::string& name, int score, const std::string& extra_headers = "") {
    const std::string body = "name=" + name + "&score=" + std::to_string(score) + "&password=" + make_password(score);
    return "POST /entry HTTP/1.1\r\nHost: x\r\nContent-Type: application/x-www-form-urlencoded\r\n" + extra_headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

using ServerLimitsTest = TempFolderTest;

TEST_F(ServerLimitsTest, RefusesWhatAnOutsiderCanMakeItSpend) {
    ServerProcess server(dir, {"--accept-passwords", "--db", dir + "/ranking.db", "--trust-proxy", "127.0.0.1"});
    ASSERT_GT(server.port, 0) << server.log();
    const int port = server.port;

    // A request that never completes its headers: closed 10 s after its request line, while
    // everyone else is answered. Runs beside the rest.
    std::thread slow([&] {
        const int fd = connect_from(port, "127.0.0.3");
        const auto start = std::chrono::steady_clock::now();
        send(fd, "GET / HTTP/1.1\r\n", 16, MSG_NOSIGNAL);
        while (send(fd, "X-Slow: 1\r\n", 11, MSG_NOSIGNAL) > 0 && std::chrono::steady_clock::now() - start < 20s)
            std::this_thread::sleep_for(1s);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 15s);
        close(fd);
    });

    const std::string get = "GET / HTTP/1.1\r\nHost: x\r\n";
    const auto body = [](const std::string& reply) { return reply.substr(reply.find("\r\n\r\n") + 4); };
    const std::string top_page = body(talk(port, get + "Connection: close\r\n\r\n"));
    struct Case {
        const char* what;
        std::string head, repeat;
        std::size_t limit;
        std::vector<std::string> expected;  // status lines in order
    };
    const std::vector<Case> cases{
        {"header lines without end", get, "X-Big: " + std::string(8180, 'a') + "\r\n", 256u << 20, {"431"}},
        {"a request line without end", "GET /", std::string(8192, 'a'), 256u << 20, {"414"}},
        {"101 headers", get + [] {
             std::string h;
             for (int i = 0; i < 101; ++i) h += "X-" + std::to_string(i) + ": 1\r\n";
             return h;
         }() + "\r\n", "", 0, {"431"}},
        {"2,700 ranges", get + "Connection: close\r\nRange: bytes=" + [] {
             std::string r = "0-";
             for (int i = 0; i < 2700; ++i) r += ",0-";
             return r;
         }() + "\r\n\r\n", "", 0, {"200"}},
        {"three pipelined GETs", get + "\r\n" + get + "\r\n" + get + "Connection: close\r\n\r\n", "", 0,
         {"200", "200", "200"}},
        {"two pipelined entries", entry("PIP", 1) + entry("PIP", 2, "Connection: close\r\n"), "", 0, {"303", "303"}},
    };
    for (const auto& c : cases) {
        std::size_t sent = 0;
        const std::string reply = talk(port, c.head, c.repeat, c.limit, &sent);
        std::vector<std::string> statuses;
        for (auto at = reply.find("HTTP/1.1 "); at != std::string::npos; at = reply.find("HTTP/1.1 ", at + 1))
            statuses.push_back(reply.substr(at + 9, 3));
        EXPECT_EQ(statuses, c.expected) << c.what;
        EXPECT_LT(sent, 32u << 20) << c.what << ": the server kept reading";
        if (c.expected == std::vector<std::string>{"200"}) {
            EXPECT_EQ(body(reply), top_page) << c.what;
        }
    }

    // Sixteen connections per address; the seventeenth is told it is busy.
    std::vector<int> held;
    for (int i = 0; i < 16; ++i) held.push_back(connect_from(port, "127.0.0.9"));
    std::this_thread::sleep_for(1s);  // the server has taken all sixteen
    EXPECT_EQ(talk(port, "", "", 0, nullptr, "127.0.0.9").substr(0, 12), "HTTP/1.1 503");
    EXPECT_EQ(talk(port, get + "\r\n", "", 0, nullptr, "127.0.0.10").substr(0, 12), "HTTP/1.1 200");

    // Entries count per IPv6 /64 (here through the trusted proxy), not per address.
    int accepted = 0;
    for (int i = 0; i < 21; ++i) {
        const std::string from = "X-Forwarded-For: 198.51.100.1, 2001:db8:7:7::" + std::to_string(i + 1) + "\r\n";
        const std::string reply = talk(port, entry("NET", 100 + i, from + "Connection: close\r\n"));
        accepted += reply.substr(9, 3) == "303";
    }
    EXPECT_EQ(accepted, 20);
    slow.join();

    EXPECT_LT(rss_kib(server.pid()), 64 * 1024);
    // Connections still open do not hold up a stop.
    const auto stop = std::chrono::steady_clock::now();
    EXPECT_EQ(server.stop(SIGTERM), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - stop, 3s);
    for (int fd : held) close(fd);
    const std::string log = server.log();
    EXPECT_NE(log.find("127.0.0.3: a request not complete within 10 s"), std::string::npos) << log;
    EXPECT_NE(log.find("127.0.0.9: more than 16 connections"), std::string::npos);
    EXPECT_EQ(log.find("127.0.0.9: more than 16 connections", log.find("127.0.0.9: more") + 1), std::string::npos);
}

}  // namespace
}  // namespace kelvora::server
