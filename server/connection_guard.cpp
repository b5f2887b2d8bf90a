#include "server/connection_guard.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstring>

namespace kelvora::server {
namespace {

// Past this many networks, those quiet for a minute are forgotten.
constexpr std::size_t prune_above = 4096;
constexpr auto log_interval = std::chrono::minutes(1);

std::string ipv6_network(const in6_addr& address) {
    if (IN6_IS_ADDR_V4MAPPED(&address)) {
        char text[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &address.s6_addr[12], text, sizeof text);
        return text;
    }
    in6_addr network{};
    std::memcpy(network.s6_addr, address.s6_addr, 8);
    char text[INET6_ADDRSTRLEN];
    inet_ntop(AF_INET6, &network, text, sizeof text);
    return std::string(text) + "/64";
}

}  // namespace

std::string network_of(const std::string& address) {
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) return ipv6_network(v6);
    return address;
}

std::string address_text(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = "?";
    if (address && address->sa_family == AF_INET)
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text, sizeof text);
    else if (address && address->sa_family == AF_INET6)
        inet_ntop(AF_INET6, &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr, text, sizeof text);
    return text;
}

bool LogGate::allow(const std::string& network, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    if (last_.size() > prune_above) {
        for (auto it = last_.begin(); it != last_.end();)
            it = now - it->second >= log_interval ? last_.erase(it) : std::next(it);
    }
    auto [it, added] = last_.try_emplace(network, now);
    if (added) return true;
    if (now - it->second < log_interval) return false;
    it->second = now;
    return true;
}

ConnectionGuard::ConnectionGuard(Limits limits) : limits_(limits), sweeper_([this] {
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::milliseconds(500), [this] { return stopping_; })) sweep();
}) {}

ConnectionGuard::~ConnectionGuard() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    sweeper_.join();
}

void ConnectionGuard::refuse(const std::string& network, const char* why) {
    if (!log_gate_.allow(network, Clock::now())) return;
    const std::string line = "kelvora-server: " + network + ": " + why + " (logged once a minute)\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

bool ConnectionGuard::opened(const void* id, int fd, const sockaddr* peer) {
    std::string network = network_of(address_text(peer));
    std::lock_guard lock(mutex_);
    int& count = per_network_[network];
    ++count;
    connections_[id] = {fd, network, State::idle, Clock::now()};
    if (count <= limits_.per_network || network == limits_.unlimited) return true;
    // The library then reads the end of the stream and closes the connection.
    static constexpr char busy[] =
        "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nRetry-After: 10\r\nConnection: close\r\n\r\n";
    (void)!::send(fd, busy, sizeof busy - 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_RDWR);
    refuse(network, ("more than " + std::to_string(limits_.per_network) + " connections at once, refused").c_str());
    return false;
}

void ConnectionGuard::set_state(const void* id, State state) {
    std::lock_guard lock(mutex_);
    const auto it = connections_.find(id);
    if (it == connections_.end()) return;
    it->second.state = state;
    it->second.since = Clock::now();
}

void ConnectionGuard::closed(const void* id) {
    std::lock_guard lock(mutex_);
    const auto it = connections_.find(id);
    if (it == connections_.end()) return;
    const auto count = per_network_.find(it->second.network);
    if (count != per_network_.end() && --count->second <= 0) per_network_.erase(count);
    connections_.erase(it);
}

// Called every half second with the mutex held. The library closes a connection whose stream
// has ended, and tells closed() before the socket goes, so the descriptor is still this one.
void ConnectionGuard::sweep() {
    const auto now = Clock::now();
    for (auto& [id, connection] : connections_) {
        const bool late = (connection.state == State::reading && now - connection.since > limits_.request) ||
                          (connection.state == State::idle && now - connection.since > limits_.idle);
        if (!late) continue;
        ::shutdown(connection.fd, SHUT_RDWR);
        if (connection.state == State::reading)
            refuse(connection.network, "a request not complete within 10 s, connection closed");
        connection.state = State::closing;
    }
}

}  // namespace kelvora::server
