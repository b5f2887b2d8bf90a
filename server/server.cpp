#include "server/server.hpp"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <span>

#include "server/entry_form.hpp"
#include "server/pages.hpp"

namespace kelvora::server {
namespace {

constexpr const char* html_utf8 = "text/html; charset=UTF-8";
constexpr const char* html_cp932 = "text/html; charset=Shift_JIS";
constexpr const char* game_list_name = "kelv";
constexpr std::size_t max_body_bytes = 4096;
// The game reads the list once per run, so a few seconds of staleness cost nothing.
constexpr const char* list_cache_control = "public, max-age=10";

HttpResponse page(int status, const std::string& heading, const std::vector<std::string>& lines) {
    HttpResponse res;
    res.status = status;
    res.set_content(message_page(heading, lines), html_utf8);
    return res;
}

// Changed: entries counted per full address, so one IPv6 /64 had 2^64 limits.
// The network an entry counts against: the connection's, or behind the trusted proxy the last
// address it appended to X-Forwarded-For (earlier ones are whatever the client claimed).
std::string client_network(const HttpRequest& req, const std::string& trusted_proxy) {
    std::string client = req.client;
    if (!trusted_proxy.empty() && client == trusted_proxy) {
        if (const auto forwarded = req.header("X-Forwarded-For")) {
            std::string last = forwarded->substr(forwarded->rfind(',') + 1);
            last.erase(0, last.find_first_not_of(" \t"));
            last.erase(last.find_last_not_of(" \t") + 1);
            unsigned char address[16];
            if (inet_pton(AF_INET, last.c_str(), address) == 1 || inet_pton(AF_INET6, last.c_str(), address) == 1)
                client = last;
        }
    }
    return network_of(client);
}

std::string http_date(std::time_t time) {
    std::tm utc{};
    gmtime_r(&time, &utc);
    char text[40];
    std::strftime(text, sizeof text, "%a, %d %b %Y %H:%M:%S GMT", &utc);
    return text;
}

// A cached page, or 304 when the client's (or a cache's) copy is still this one.
HttpResponse cached(const HttpRequest& req, const CachedPage& page, const char* content_type,
                    const char* cache_control) {
    HttpResponse res;
    bool current = false;
    if (const auto tags = req.header("If-None-Match")) {
        current = *tags == "*" || tags->find(page.etag) != std::string::npos;
    } else if (const auto since = req.header("If-Modified-Since")) {
        std::tm parsed{};
        const char* end = strptime(since->c_str(), "%a, %d %b %Y %H:%M:%S GMT", &parsed);
        current = end && *end == '\0' && timegm(&parsed) >= page.modified;
    }
    res.set_header("Cache-Control", cache_control);
    res.set_header("ETag", page.etag);
    res.set_header("Last-Modified", page.last_modified);
    if (current)
        res.status = 304;
    else
        res.set_content(page.body, content_type);
    return res;
}

bool is_form(const HttpRequest& req) {
    std::string type = req.header("Content-Type").value_or("");
    for (char& c : type) c = char(std::tolower(static_cast<unsigned char>(c)));
    const std::string expected = "application/x-www-form-urlencoded";
    return type.compare(0, expected.size(), expected) == 0 &&
           (type.size() == expected.size() || type[expected.size()] == ';' || type[expected.size()] == ' ');
}

}  // namespace

RankingServer::RankingServer(const ServerOptions& options)
    : options_(options), rate_limit_(options.entries_per_minute), http_(HttpLimits{max_body_bytes, options.trust_proxy}) {}

// Entries still waiting are committed and answered before the connections close.
RankingServer::~RankingServer() {
    if (entries_) entries_->close();
    http_.close();
}

std::unique_ptr<RankingServer> RankingServer::create(const ServerOptions& options, std::string& error) {
    std::unique_ptr<RankingServer> server(new RankingServer(options));
    server->store_ = RankingStore::open(options.db, error);
    if (!server->store_) return nullptr;
    std::vector<StoredEntry> best;
    if (!server->store_->top(top_page_places, best, error)) return nullptr;
    server->list_page_ = CachedPage::make(list_page(best));
    server->top_page_ = CachedPage::make(top_page(best));
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
    auto new_top = CachedPage::make(top_page(best));
    auto new_list = top_ten_changed ? CachedPage::make(list_page(best)) : nullptr;
    std::lock_guard lock(pages_mutex_);
    top_page_ = std::move(new_top);
    if (new_list) list_page_ = std::move(new_list);
    best_ = best;
}

std::shared_ptr<const CachedPage> CachedPage::make(std::string body) {
    auto page = std::make_shared<CachedPage>();
    std::uint64_t hash = 0xcbf29ce484222325;  // FNV-1a: the same page gets the same tag after a restart
    for (unsigned char c : body) hash = (hash ^ c) * 0x100000001b3;
    char tag[24];
    std::snprintf(tag, sizeof tag, "\"%016llx\"", static_cast<unsigned long long>(hash));
    page->etag = tag;
    page->body = std::move(body);
    page->modified = std::time(nullptr);
    page->last_modified = http_date(page->modified);
    return page;
}

std::shared_ptr<const CachedPage> RankingServer::cached_list_page() const {
    std::lock_guard lock(pages_mutex_);
    return list_page_;
}

std::shared_ptr<const CachedPage> RankingServer::cached_top_page() const {
    std::lock_guard lock(pages_mutex_);
    return top_page_;
}

void RankingServer::routes() {
    http_.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                               {"Content-Security-Policy",
                                "default-src 'none'; style-src 'unsafe-inline'; form-action 'self'; frame-ancestors 'none'"}});
    http_.set_error_page([](HttpResponse& res) {
        if (res.status == 404)
            res = page(404, "ページが見つかりません", {"このサーバーにそのページはありません。"});
        else if (res.status == 411)
            res = page(411, "送られたデータの長さがわかりません", {"Content-Length のある登録だけを受け付けます。"});
        else if (res.status == 413)
            res = page(413, "送られたデータが大きすぎます", {"登録のフォームは4キロバイトまでです。"});
        else
            res = page(res.status, "リクエストを処理できませんでした", {});
    });

    http_.route("GET", "/cgi-bin/list.cgi", [this](const HttpRequest& req, const Reply& reply) {
        if (req.query_value("filename") != game_list_name) {
            reply(page(404, "ランキングが見つかりません", {"このサーバーにあるのは filename=kelv のランキングだけです。"}));
            return;
        }
        reply(cached(req, *cached_list_page(), html_cp932, list_cache_control));
    });

    http_.route("GET", "/", [this](const HttpRequest& req, const Reply& reply) {
        reply(cached(req, *cached_top_page(), html_utf8, "no-cache"));
    });

    http_.route("POST", "/entry", [this](const HttpRequest& req, const Reply& reply) {
        int retry_after = 0;
        if (!rate_limit_.allow(client_network(req, options_.trust_proxy), RateLimit::Clock::now(), retry_after)) {
            HttpResponse res = page(429, "登録が多すぎます",
                                    {"同じところからの登録は1分に" + std::to_string(options_.entries_per_minute) +
                                     "件までです。しばらくしてからもう一度お試しください。"});
            res.set_header("Retry-After", std::to_string(retry_after));
            reply(std::move(res));
            return;
        }
        const auto fields = is_form(req) ? decode_form(req.body) : std::nullopt;
        if (!fields) {
            reply(page(400, "登録できませんでした", {"送られたフォームを読めませんでした。"}));
            return;
        }
        const EntryCheck check = check_entry(*fields);
        if (!check.entry) {
            reply(page(400, "登録できませんでした", check.problems));
            return;
        }
        entries_->submit(*check.entry, [reply](EntryOutcome outcome) {
            if (outcome == EntryOutcome::unavailable) {
                HttpResponse res = page(503, "登録できませんでした",
                                        {"サーバーのデータベースが入れ替わりました。もう一度お試しください。"});
                res.set_header("Retry-After", "1");
                reply(std::move(res));
                return;
            }
            if (outcome == EntryOutcome::failed) {
                reply(page(500, "登録できませんでした",
                           {"サーバーが結果を保存できませんでした。しばらくしてからもう一度お試しください。"}));
                return;
            }
            // Stored now, or stored before by the same entry: either way it is in the ranking.
            HttpResponse res;
            res.status = 303;
            res.set_header("Location", "/");
            reply(std::move(res));
        });
    });
}

bool RankingServer::bind(std::string& error) {
    if (!http_.bind(options_.bind, options_.port, error)) return false;
    port_ = http_.port();
    if (!options_.tls_cert.empty() && !http_.set_tls(options_.tls_cert, options_.tls_key, error)) return false;
    return http_.start(error);
}

void RankingServer::run() { http_.wait(); }

void RankingServer::stop() { http_.stop(); }

}  // namespace kelvora::server
