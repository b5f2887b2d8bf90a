#include "server/http_server.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <microhttpd.h>
#include <netdb.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <strings.h>
#include <thread>

namespace kelvora::server {
namespace {

// Each connection's buffers (request line, headers, the answer's head) come from one pool of
// this size: an oversized request is refused by the library instead of growing memory.
constexpr std::size_t connection_memory_bytes = 32 * 1024;
constexpr int connections_per_network = 16;
constexpr unsigned max_connections = 4096;
// A request line with its headers; more is refused with 431.
constexpr std::size_t max_header_bytes = 16 * 1024;
constexpr std::size_t max_headers = 100;
// An idle keep-alive connection is let go after this, and so is one whose answer stalls; a
// request must be complete within request_seconds of its request line.
constexpr unsigned idle_timeout_seconds = 30;
constexpr int request_seconds = 10;

// A request line as it may be logged: control bytes escaped, long targets cut.
std::string printable(std::string_view text) {
    std::string out;
    for (unsigned char c : text.substr(0, 300)) {
        if (c < 0x20 || c == 0x7F || c == '\\') {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
            out += escaped;
        } else {
            out.push_back(char(c));
        }
    }
    if (text.size() > 300) out += "...";
    return out;
}

std::optional<std::string> first_value(const Fields& fields, std::string_view name, bool ignore_case) {
    for (const auto& [key, value] : fields) {
        if (ignore_case ? key.size() == name.size() && strncasecmp(key.data(), name.data(), name.size()) == 0
                        : key == name)
            return value;
    }
    return std::nullopt;
}

MHD_Result collect(void* fields, MHD_ValueKind, const char* key, const char* value) {
    static_cast<Fields*>(fields)->emplace_back(key ? key : "", value ? value : "");
    return MHD_YES;
}

}  // namespace

std::optional<std::string> HttpRequest::header(std::string_view name) const { return first_value(headers, name, true); }

std::optional<std::string> HttpRequest::query_value(std::string_view name) const {
    return first_value(query, name, false);
}

void HttpResponse::set_content(std::string content, std::string content_type) {
    body = std::move(content);
    set_header("Content-Type", std::move(content_type));
}

// One request on a connection, from its request line to the end of its answer.
struct HttpServer::Exchange {
    MHD_Connection* connection = nullptr;
    HttpRequest request;
    bool headers_read = false;
    bool dispatched = false;
    bool queued = false;
    int refusal = 0;  // a status owed once the (small) body has been read
    std::size_t received = 0;
    int status = 0;
    std::size_t body_bytes = 0;
    // Between the handler and a reply from another thread.
    std::mutex mutex;
    bool suspended = false;
    std::optional<HttpResponse> answer;
};

namespace {

void* on_request_line(void* cls, const char* uri, MHD_Connection* connection) {
    static_cast<HttpServer*>(cls)->guard().set_state(connection, ConnectionGuard::State::reading);
    auto* exchange = new HttpServer::Exchange;
    exchange->connection = connection;
    exchange->request.target = uri ? uri : "";
    if (const auto* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS))
        exchange->request.client = address_text(info->client_addr);
    return exchange;
}

void on_connection(void* cls, MHD_Connection* connection, void**, MHD_ConnectionNotificationCode code) {
    auto& guard = static_cast<HttpServer*>(cls)->guard();
    if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        guard.closed(connection);
        return;
    }
    const auto* fd = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
    const auto* peer = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (fd && peer) guard.opened(connection, fd->connect_fd, peer->client_addr);
}

void on_completed(void* cls, MHD_Connection*, void** request_cls, MHD_RequestTerminationCode) {
    auto* exchange = static_cast<HttpServer::Exchange*>(*request_cls);
    if (!exchange) return;
    auto& server = *static_cast<HttpServer*>(cls);
    server.log(*exchange);
    server.guard().set_state(exchange->connection, ConnectionGuard::State::idle);
    delete exchange;
    *request_cls = nullptr;
}

// The library's own complaints, at most a few a minute: a stream of broken clients must not
// fill the log.
void on_library_message(void*, const char* format, va_list arguments) {
    static std::mutex mutex;
    static std::time_t minute = 0;
    static int count = 0;
    {
        std::lock_guard lock(mutex);
        const std::time_t now = std::time(nullptr) / 60;
        if (now != minute) minute = now, count = 0;
        if (++count > 20) return;
    }
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    std::string line = "kelvora-server: http: " + printable(text);
    while (line.size() > 2 && line.compare(line.size() - 4, 4, "\\x0A") == 0) line.resize(line.size() - 4);
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// Queues the answer a handler gave; the caller holds the exchange's mutex.
MHD_Result send_answer(HttpServer::Exchange& exchange) {
    HttpResponse response = std::move(*exchange.answer);
    exchange.answer.reset();
    MHD_Response* answer =
        MHD_create_response_from_buffer(response.body.size(), response.body.data(), MHD_RESPMEM_MUST_COPY);
    if (!answer) return MHD_NO;
    for (const auto& [name, value] : response.headers) MHD_add_response_header(answer, name.c_str(), value.c_str());
    const MHD_Result queued = MHD_queue_response(exchange.connection, unsigned(response.status), answer);
    MHD_destroy_response(answer);
    exchange.queued = true;
    exchange.status = response.status;
    exchange.body_bytes = response.body.size();
    return queued;
}

// Refusals found before the handler runs are answered at once.
MHD_Result send_refusal(HttpServer::Exchange& exchange) {
    std::lock_guard lock(exchange.mutex);
    return exchange.answer ? send_answer(exchange) : MHD_YES;
}

MHD_Result on_request(void* cls, MHD_Connection* connection, const char* url, const char* method, const char*,
                      const char* upload_data, std::size_t* upload_size, void** request_cls) {
    auto& server = *static_cast<HttpServer*>(cls);
    auto* exchange = static_cast<HttpServer::Exchange*>(*request_cls);
    if (!exchange) return MHD_NO;  // never: every request line makes one
    HttpRequest& request = exchange->request;

    if (!exchange->headers_read) {
        exchange->headers_read = true;
        request.method = method;
        request.path = url;
        MHD_get_connection_values(connection, MHD_HEADER_KIND, collect, &request.headers);
        MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, collect, &request.query);
        std::size_t header_bytes = request.method.size() + request.target.size() + 11;
        for (const auto& [name, value] : request.headers) header_bytes += name.size() + value.size() + 4;
        if (header_bytes > max_header_bytes || request.headers.size() > max_headers) {
            server.error(*exchange, 431);
        } else if (request.method != "GET" && request.method != "HEAD") {
            // The body limit is held against Content-Length before any body is read; a chunked
            // body could only be checked piece by piece. Browsers send forms with a length. A short
            // refused body is still read, so that the client, still sending, gets the answer.
            const auto length = request.header("Content-Length");
            if (!length || request.header("Transfer-Encoding")) {
                exchange->refusal = 411;
            } else {
                char* end = nullptr;
                errno = 0;
                const unsigned long long bytes = std::strtoull(length->c_str(), &end, 10);
                if (errno != 0 || bytes > server.limits().max_body_bytes) server.error(*exchange, 413);
            }
        }
        return send_refusal(*exchange);
    }
    if (*upload_size != 0) {
        exchange->received += *upload_size;
        if (exchange->queued) {
            // Refused already: the rest is dropped as the connection closes.
        } else if (exchange->received > server.limits().max_body_bytes) {
            server.error(*exchange, exchange->refusal ? exchange->refusal : 413);
        } else if (!exchange->refusal) {
            request.body.append(upload_data, *upload_size);
        }
        *upload_size = 0;
        return exchange->queued ? MHD_YES : send_refusal(*exchange);
    }
    if (exchange->queued) return MHD_YES;
    server.guard().set_state(connection, ConnectionGuard::State::serving);
    if (exchange->refusal && !exchange->dispatched) server.error(*exchange, exchange->refusal);
    if (!exchange->dispatched) {
        exchange->dispatched = true;
        server.dispatch(*exchange);
    }
    std::lock_guard lock(exchange->mutex);
    if (!exchange->answer) {
        // The answer comes later from another thread, which resumes the connection.
        exchange->suspended = true;
        MHD_suspend_connection(connection);
        return MHD_YES;
    }
    return send_answer(*exchange);
}

}  // namespace

HttpServer::HttpServer(HttpLimits limits) : limits_(limits) {}

HttpServer::~HttpServer() { close(); }

void HttpServer::route(std::string method, std::string path, Handler handler) {
    routes_[{std::move(method), std::move(path)}] = std::move(handler);
}

void HttpServer::dispatch(Exchange& exchange) {
    const HttpRequest& request = exchange.request;
    const std::string& method = request.method == "HEAD" ? std::string("GET") : request.method;
    const auto route = routes_.find({method, request.path});
    if (route == routes_.end()) {
        error(exchange, 404);
        return;
    }
    route->second(request, [this, &exchange](HttpResponse response) { finish(exchange, std::move(response)); });
}

void HttpServer::finish(Exchange& exchange, HttpResponse response) {
    for (const auto& header : default_headers_) response.headers.push_back(header);
    std::lock_guard lock(exchange.mutex);
    exchange.answer = std::move(response);
    if (exchange.suspended) {
        exchange.suspended = false;
        MHD_resume_connection(exchange.connection);
    }
}

// Refusals before the body is read are queued at once; the library then closes the connection.
void HttpServer::error(Exchange& exchange, int status) {
    HttpResponse response;
    response.status = status;
    if (error_page_) error_page_(response);
    exchange.dispatched = true;
    finish(exchange, std::move(response));
}

// Answered requests get a line each.
// Changed: refusals, which an outsider can cause at will, got a line each; now one line per
// network and minute, as do requests the library itself cut short (too large, broken).
void HttpServer::log(const Exchange& exchange) {
    const HttpRequest& request = exchange.request;
    const int status = exchange.status;
    const bool refusal = status == 0 || status == 411 || status == 413 || status == 429 || status == 431 ||
                         status == 503;
    const std::string client = request.client.empty() ? "?" : request.client;
    if (refusal && !guard_->log_gate().allow(network_of(client), ConnectionGuard::Clock::now())) return;
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    std::string line = std::string(stamp) + " " + printable(client) + " " + printable(request.method) + " " +
                       printable(request.target) + " " + (status ? std::to_string(status) : "-") + " " +
                       std::to_string(exchange.body_bytes);
    if (refusal) line += " (refusals from " + network_of(client) + " logged once a minute)";
    line += "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);  // one write per line: lines never interleave
}

bool HttpServer::bind(const std::string& address, int port, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICHOST | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    if (getaddrinfo(address.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found) {
        error = "the address is not one of this machine's";
        return false;
    }
    const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // Address reuse only spares the wait after a restart; no SO_REUSEPORT, which would let a
    // second server share a taken port unnoticed.
    int yes = 1;
    if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    const bool bound = fd >= 0 && ::bind(fd, found->ai_addr, found->ai_addrlen) == 0 && ::listen(fd, SOMAXCONN) == 0;
    const int bind_errno = errno;
    freeaddrinfo(found);
    if (!bound) {
        if (fd >= 0) ::close(fd);
        error = bind_errno == EADDRINUSE      ? "the port is already in use"
                : bind_errno == EADDRNOTAVAIL ? "the address is not one of this machine's"
                                              : std::strerror(bind_errno);
        return false;
    }
    sockaddr_storage local{};
    socklen_t length = sizeof local;
    getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length);
    port_ = ntohs(local.ss_family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&local)->sin6_port
                                              : reinterpret_cast<sockaddr_in*>(&local)->sin_port);
    listen_fd_ = fd;
    return true;
}

bool HttpServer::set_tls(const std::string& cert_file, const std::string& key_file, std::string& error) {
    const auto read = [&](const std::string& path, std::string& text) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        if (!file) {
            error = "cannot read " + path + ": " + std::strerror(errno);
            return false;
        }
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0 && text.size() < (1 << 20);)
            text.append(buffer, n);
        std::fclose(file);
        return true;
    };
    return read(cert_file, tls_cert_) && read(key_file, tls_key_);
}

bool HttpServer::start(std::string& error) {
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 2u, 4u);
    ConnectionGuard::Limits limits;
    limits.per_network = connections_per_network;
    limits.unlimited = limits_.proxy.empty() ? std::string() : network_of(limits_.proxy);
    limits.request = std::chrono::seconds(request_seconds);
    limits.idle = std::chrono::seconds(idle_timeout_seconds);
    guard_ = std::make_unique<ConnectionGuard>(limits);
    // Every connection is a descriptor: keep the cap within what the process may open.
    rlimit files{};
    unsigned connections = max_connections;
    if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur != RLIM_INFINITY)
        connections = unsigned(std::clamp<rlim_t>(files.rlim_cur, 128, max_connections + 64) - 64);
    const bool tls = !tls_cert_.empty();
    daemon_ = MHD_start_daemon(
        MHD_USE_EPOLL_INTERNAL_THREAD | MHD_ALLOW_SUSPEND_RESUME | MHD_USE_ERROR_LOG | (tls ? MHD_USE_TLS : 0), 0,
        nullptr, nullptr,
        &on_request, this, MHD_OPTION_EXTERNAL_LOGGER, &on_library_message, this, MHD_OPTION_LISTEN_SOCKET, listen_fd_, MHD_OPTION_THREAD_POOL_SIZE, threads,
        MHD_OPTION_CONNECTION_MEMORY_LIMIT, connection_memory_bytes, MHD_OPTION_CONNECTION_LIMIT, connections,
        MHD_OPTION_NOTIFY_CONNECTION, &on_connection, this, MHD_OPTION_CONNECTION_TIMEOUT,
        idle_timeout_seconds, MHD_OPTION_URI_LOG_CALLBACK, &on_request_line, this, MHD_OPTION_NOTIFY_COMPLETED,
        &on_completed, this,
        MHD_OPTION_SIGPIPE_HANDLED_BY_APP, 1,
        // Without TLS the list ends here.
        tls ? MHD_OPTION_HTTPS_MEM_CERT : MHD_OPTION_END, tls_cert_.c_str(), MHD_OPTION_HTTPS_MEM_KEY,
        tls_key_.c_str(), MHD_OPTION_END);
    if (!daemon_) {
        error = tls ? "cannot start HTTPS with this certificate and key" : "the HTTP engine did not start";
        return false;
    }
    listen_fd_ = -1;  // the library's now: it closes the socket when it stops
    return true;
}

void HttpServer::wait() {
    std::unique_lock lock(stop_mutex_);
    stop_wake_.wait(lock, [this] { return stopping_; });
}

void HttpServer::stop() {
    {
        std::lock_guard lock(stop_mutex_);
        stopping_ = true;
    }
    stop_wake_.notify_all();
}

void HttpServer::close() {
    if (daemon_) {
        MHD_stop_daemon(daemon_);
        daemon_ = nullptr;
    }
    if (listen_fd_ >= 0) {
        ::close(listen_fd_);
        listen_fd_ = -1;
    }
}

}  // namespace kelvora::server
