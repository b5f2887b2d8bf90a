#include "server/server.hpp"

#include <httplib.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <span>
#include <algorithm>

#include "server/entry_form.hpp"
#include "server/pages.hpp"

namespace kelvora::server {
namespace {

constexpr const char* html_utf8 = "text/html; charset=UTF-8";
constexpr const char* html_cp932 = "text/html; charset=Shift_JIS";
constexpr const char* game_list_name = "kelv";

// Limits against slow or oversized requests. Each open connection holds a worker, so the pool
// is larger than the clients expected at once, and idle keep-alive connections are let go soon.
constexpr std::size_t max_body_bytes = 4096;
constexpr int worker_threads = 64;
constexpr int read_timeout_seconds = 5;
constexpr int write_timeout_seconds = 5;
constexpr int keep_alive_seconds = 2;
constexpr int keep_alive_requests = 100;
// The game reads the list once per run, so a few seconds of staleness cost nothing.
constexpr const char* list_cache_control = "public, max-age=10";

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

void log_request(const httplib::Request& req, const httplib::Response& res) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &local);
    const std::string line = std::string(stamp) + " " + printable(req.remote_addr) + " " + printable(req.method) +
                             " " + printable(req.target) + " " + std::to_string(res.status) + " " +
                             std::to_string(res.body.size()) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);  // one write per line: lines never interleave
}

void send_page(httplib::Response& res, int status, const std::string& heading, const std::vector<std::string>& lines) {
    res.status = status;
    res.set_content(message_page(heading, lines), html_utf8);
}

bool is_form(const httplib::Request& req) {
    std::string type = req.get_header_value("Content-Type");
    for (char& c : type) c = char(std::tolower(static_cast<unsigned char>(c)));
    const std::string expected = "application/x-www-form-urlencoded";
    return type.compare(0, expected.size(), expected) == 0 &&
           (type.size() == expected.size() || type[expected.size()] == ';' || type[expected.size()] == ' ');
}

}  // namespace

RankingServer::RankingServer(const ServerOptions& options)
    : options_(options), rate_limit_(options.entries_per_minute), http_(std::make_unique<httplib::Server>()) {}

RankingServer::~RankingServer() = default;

std::unique_ptr<RankingServer> RankingServer::create(const ServerOptions& options, std::string& error) {
    std::unique_ptr<RankingServer> server(new RankingServer(options));
    server->store_ = RankingStore::open(options.db, error);
    if (!server->store_) return nullptr;
    std::vector<StoredEntry> best;
    if (!server->store_->top(top_page_places, best, error)) return nullptr;
    server->list_page_ = std::make_shared<const std::string>(list_page(best));
    server->top_page_ = std::make_shared<const std::string>(top_page(best));
    server->best_ = std::move(best);
    server->entries_ = std::make_unique<EntryQueue>(
        *server->store_, top_page_places, [s = server.get()](const std::vector<StoredEntry>& b) { s->pages_changed(b); });
    server->routes();
    return server;
}

// Called by the entry writer after a commit, before the entries are acknowledged, so the page a
// player is sent back to already shows the entry.
void RankingServer::pages_changed(const std::vector<StoredEntry>& best) {
    if (best == best_) return;
    auto top_ten = [](const std::vector<StoredEntry>& v) {
        return std::span(v.data(), std::min<std::size_t>(v.size(), list_places));
    };
    const bool top_ten_changed = !std::ranges::equal(top_ten(best), top_ten(best_));
    auto new_top = std::make_shared<const std::string>(top_page(best));
    auto new_list = top_ten_changed ? std::make_shared<const std::string>(list_page(best)) : nullptr;
    std::lock_guard lock(pages_mutex_);
    top_page_ = std::move(new_top);
    if (new_list) list_page_ = std::move(new_list);
    best_ = best;
}

std::shared_ptr<const std::string> RankingServer::cached_list_page() const {
    std::lock_guard lock(pages_mutex_);
    return list_page_;
}

std::shared_ptr<const std::string> RankingServer::cached_top_page() const {
    std::lock_guard lock(pages_mutex_);
    return top_page_;
}

void RankingServer::routes() {
    httplib::Server& http = *http_;
    http.new_task_queue = [] { return new httplib::ThreadPool(worker_threads); };
    http.set_payload_max_length(max_body_bytes);
    http.set_read_timeout(read_timeout_seconds, 0);
    http.set_write_timeout(write_timeout_seconds, 0);
    http.set_keep_alive_timeout(keep_alive_seconds);
    http.set_keep_alive_max_count(keep_alive_requests);
    // Headers and body leave in separate writes; without this, Nagle's algorithm holds the body
    // back until the client's delayed acknowledgement, some 40 ms per page.
    http.set_tcp_nodelay(true);
    http.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                              {"Content-Security-Policy",
                               "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; frame-ancestors 'none'"}});
    http.set_logger(log_request);
    // The body limit is checked against Content-Length before a body is read; a chunked body
    // would only be checked chunk by chunk. Browsers send forms with a length, so refuse others.
    http.set_pre_routing_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.method == "GET" || req.method == "HEAD" || req.has_header("Content-Length"))
            return httplib::Server::HandlerResponse::Unhandled;
        send_page(res, 411, "送られたデータの長さがわかりません", {"Content-Length のある登録だけを受け付けます。"});
        return httplib::Server::HandlerResponse::Handled;
    });

    http.Get("/cgi-bin/list.cgi", [this](const httplib::Request& req, httplib::Response& res) {
        if (req.get_param_value("filename") != game_list_name) {
            send_page(res, 404, "ランキングが見つかりません",
                      {"このサーバーにあるのは filename=kelv のランキングだけです。"});
            return;
        }
        const auto page = cached_list_page();
        res.set_header("Cache-Control", list_cache_control);
        res.set_content(*page, html_cp932);
    });

    http.Get("/", [this](const httplib::Request&, httplib::Response& res) {
        const auto page = cached_top_page();
        res.set_header("Cache-Control", "no-cache");
        res.set_content(*page, html_utf8);
    });

    http.Post("/entry", [this](const httplib::Request& req, httplib::Response& res) {
        int retry_after = 0;
        if (!rate_limit_.allow(req.remote_addr, RateLimit::Clock::now(), retry_after)) {
            res.set_header("Retry-After", std::to_string(retry_after));
            send_page(res, 429, "登録が多すぎます",
                      {"同じところからの登録は1分に" + std::to_string(options_.entries_per_minute) +
                       "件までです。しばらくしてからもう一度お試しください。"});
            return;
        }
        const auto fields = is_form(req) ? decode_form(req.body) : std::nullopt;
        if (!fields) {
            send_page(res, 400, "登録できませんでした", {"送られたフォームを読めませんでした。"});
            return;
        }
        const EntryCheck check = check_entry(*fields);
        if (!check.entry) {
            send_page(res, 400, "登録できませんでした", check.problems);
            return;
        }
        if (entries_->submit(*check.entry) == EntryOutcome::failed) {
            send_page(res, 500, "登録できませんでした",
                      {"サーバーが結果を保存できませんでした。しばらくしてからもう一度お試しください。"});
            return;
        }
        // Stored now, or stored before by the same entry: either way it is in the ranking.
        res.set_redirect("/", 303);
    });

    http.set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return httplib::Server::HandlerResponse::Unhandled;
        if (res.status == 404)
            send_page(res, 404, "ページが見つかりません", {"このサーバーにそのページはありません。"});
        else if (res.status == 413)
            send_page(res, 413, "送られたデータが大きすぎます", {"登録のフォームは4キロバイトまでです。"});
        else
            send_page(res, res.status, "リクエストを処理できませんでした", {});
        return httplib::Server::HandlerResponse::Handled;
    }));
    http.set_exception_handler([](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
        send_page(res, 500, "サーバーの内部エラー", {"しばらくしてからもう一度お試しください。"});
    });
}

bool RankingServer::bind(std::string& error) {
    // The library's default options add SO_REUSEPORT, which would let a second server share a
    // taken port unnoticed; address reuse alone only spares the wait after a restart.
    // The listening socket is kept so that a second listen() can raise the library's short
    // backlog, else bursts of new connections are dropped and retried.
    int socket_fd = -1;
    http_->set_socket_options([&socket_fd](int fd) {
        int yes = 1;
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        socket_fd = fd;
    });
    errno = 0;
    if (options_.port == 0) {
        port_ = http_->bind_to_any_port(options_.bind);
    } else {
        port_ = http_->bind_to_port(options_.bind, options_.port) ? options_.port : -1;
    }
    if (port_ <= 0) {
        error = errno == EADDRINUSE ? "the port is already in use"
                : errno != 0        ? std::strerror(errno)
                                    : "the address is not one of this machine's";
        return false;
    }
    if (socket_fd >= 0) ::listen(socket_fd, SOMAXCONN);
    return true;
}

bool RankingServer::run() { return http_->listen_after_bind(); }

void RankingServer::stop() { http_->stop(); }

}  // namespace kelvora::server
