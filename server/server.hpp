#pragma once
// The ranking server: the game's list page, the top page and the entry form over HTTP.

#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/entry_queue.hpp"
#include "server/http_server.hpp"
#include "server/ranking_store.hpp"
#include "server/rate_limit.hpp"

namespace kelvora::server {

struct ServerOptions {
    std::string bind = "127.0.0.1";
    int port = 8470;  // 0: any free port
    std::string db = "kelvora-ranking.db";
    int entries_per_minute = 20;  // per IPv4 address or IPv6 /64; 0: no limit
    // A reverse proxy's address: only its connections name the client in X-Forwarded-For.
    std::string trust_proxy;
    // PEM files: when both are given the server speaks HTTPS only.
    std::string tls_cert, tls_key;
};

// A page as it is served, with what an HTTP cache needs to revalidate it.
struct CachedPage {
    std::string body;
    std::string etag;           // a quoted hash of the body
    std::time_t modified = 0;   // when this body was built
    std::string last_modified;  // `modified` as an HTTP date
    static std::shared_ptr<const CachedPage> make(std::string body);
};

class RankingServer {
public:
    // Opens the database and prepares the pages; nothing, with the reason, when it cannot.
    static std::unique_ptr<RankingServer> create(const ServerOptions& options, std::string& error);
    ~RankingServer();

    // Takes the address and port and starts answering; false with the reason when it cannot.
    bool bind(std::string& error);
    int port() const { return port_; }
    // Blocks until stop().
    void run();
    // Safe from any thread.
    void stop();

private:
    explicit RankingServer(const ServerOptions& options);
    void routes();
    void pages_changed(const std::vector<StoredEntry>& best);
    std::shared_ptr<const CachedPage> cached_list_page() const;
    std::shared_ptr<const CachedPage> cached_top_page() const;

    ServerOptions options_;
    int port_ = 0;
    std::unique_ptr<RankingStore> store_;
    RateLimit rate_limit_;
    mutable std::mutex pages_mutex_;
    std::vector<StoredEntry> best_;  // the top page's entries, as the pages show them
    std::shared_ptr<const CachedPage> list_page_, top_page_;
    HttpServer http_;
    std::unique_ptr<EntryQueue> entries_;
};

}  // namespace kelvora::server
