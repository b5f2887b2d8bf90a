#pragma once
// What one network may hold of the server: connections per network (an IPv4 address or an
// IPv6 /64, which one customer usually gets whole), time per request, and log lines per minute.

#include <sys/socket.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>

namespace kelvora::server {

// "192.0.2.7" for IPv4 (and IPv4-mapped IPv6), "2001:db8:1:2::/64" for IPv6; the text itself
// when it is not an address.
std::string network_of(const std::string& address);
std::string address_text(const sockaddr* address);

// At most one line per network and minute, so that a flood of refusals cannot fill the disk.
class LogGate {
public:
    using Clock = std::chrono::steady_clock;
    bool allow(const std::string& network, Clock::time_point now);

private:
    std::mutex mutex_;
    std::unordered_map<std::string, Clock::time_point> last_;
};

class ConnectionGuard {
public:
    using Clock = std::chrono::steady_clock;
    struct Limits {
        int per_network = 16;
        std::string unlimited;  // a network without the cap (a trusted proxy's)
        Clock::duration request = std::chrono::seconds(10);  // from its request line to its body's end
        Clock::duration idle = std::chrono::seconds(30);     // from the connection or last answer to the next request line
    };
    explicit ConnectionGuard(Limits limits);
    ~ConnectionGuard();

    // idle: waiting for a request line; reading: the rest of the request; serving: the answer
    // is being made or sent, which the library's own inactivity timeout bounds.
    enum class State { idle, reading, serving, closing };

    // A new connection; false (after a short 503 on the socket) when its network has too many.
    // `id` names the connection until closed(id).
    bool opened(const void* id, int fd, const sockaddr* peer);
    void set_state(const void* id, State state);
    void closed(const void* id);

    LogGate& log_gate() { return log_gate_; }

private:
    struct Connection {
        int fd;
        std::string network;
        State state;
        Clock::time_point since;
    };
    void sweep();
    void refuse(const std::string& network, const char* why);

    Limits limits_;
    std::mutex mutex_;
    std::unordered_map<const void*, Connection> connections_;
    std::unordered_map<std::string, int> per_network_;
    LogGate log_gate_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::thread sweeper_;
};

}  // namespace kelvora::server
