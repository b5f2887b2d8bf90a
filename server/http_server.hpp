#pragma once
// The HTTP side of the ranking server, on GNU libmicrohttpd: event-driven (epoll and a small
// thread pool), every limit set deliberately. Routes see plain request and response values;
// nothing of the library leaks past this file.

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "server/connection_guard.hpp"

struct MHD_Daemon;

namespace kelvora::server {

using Fields = std::vector<std::pair<std::string, std::string>>;

struct HttpRequest {
    std::string method;
    std::string path;    // decoded, without the query
    std::string target;  // as sent, for the log
    std::string client;  // the peer's address
    Fields headers;
    Fields query;  // decoded query arguments
    std::string body;

    // The first value of a header (names compare without case) or query argument.
    std::optional<std::string> header(std::string_view name) const;
    std::optional<std::string> query_value(std::string_view name) const;
};

struct HttpResponse {
    int status = 200;
    Fields headers;
    std::string body;

    void set_content(std::string content, std::string content_type);
    void set_header(std::string name, std::string value) { headers.emplace_back(std::move(name), std::move(value)); }
};

// A handler answers through `reply`, at once or later from any thread (an entry answers after
// its commit); the connection waits without holding a thread meanwhile. Called exactly once.
using Reply = std::function<void(HttpResponse)>;
using Handler = std::function<void(const HttpRequest&, const Reply&)>;

struct HttpLimits {
    std::size_t max_body_bytes = 4096;
    // A reverse proxy's address, whose connections carry many clients: no per-address cap.
    std::string proxy;
};

class HttpServer {
public:
    explicit HttpServer(HttpLimits limits);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // The one table of routes: method and exact path. HEAD is answered by the GET route.
    void route(std::string method, std::string path, Handler handler);
    // Answers what no route takes: the status (404, 411, 413 ...) in `response`, to be given a page.
    void set_error_page(std::function<void(HttpResponse&)> page) { error_page_ = std::move(page); }
    // Headers every answer carries.
    void set_default_headers(Fields headers) { default_headers_ = std::move(headers); }

    // Takes the address and port (0: any free one); false with the reason when they cannot be had.
    bool bind(const std::string& address, int port, std::string& error);
    int port() const { return port_; }
    // HTTPS with the certificate chain and key in these PEM files; false with the reason when
    // they cannot be read.
    bool set_tls(const std::string& cert_file, const std::string& key_file, std::string& error);
    // Starts answering on the bound socket; false with the reason when it cannot.
    bool start(std::string& error);
    // Blocks until stop() (safe from any thread).
    void wait();
    void stop();
    // Stops accepting connections and closes every one; answers still owed are dropped.
    void close();

    // Used by the library's callbacks.
    struct Exchange;
    void dispatch(Exchange& exchange);
    void finish(Exchange& exchange, HttpResponse response);
    void error(Exchange& exchange, int status);
    void log(const Exchange& exchange);
    const HttpLimits& limits() const { return limits_; }
    ConnectionGuard& guard() { return *guard_; }

private:
    HttpLimits limits_;
    std::map<std::pair<std::string, std::string>, Handler> routes_;
    std::function<void(HttpResponse&)> error_page_;
    Fields default_headers_;
    std::string tls_cert_, tls_key_;
    int listen_fd_ = -1;
    int port_ = 0;
    std::unique_ptr<ConnectionGuard> guard_;
    MHD_Daemon* daemon_ = nullptr;
    std::mutex stop_mutex_;
    std::condition_variable stop_wake_;
    bool stopping_ = false;
};

}  // namespace kelvora::server
