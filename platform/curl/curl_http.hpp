#pragma once
// The HTTP GET of the net ranking, through libcurl.

#include <cstddef>
#include <optional>
#include <string>

#include "platform/platform.hpp"

namespace kelvora {

// The game waits for the reply, so every transfer is bounded in time and size. The defaults are
// the limits the game runs with.
struct HttpLimits {
    long connect_timeout_ms = 3000;
    long total_timeout_ms = 5000;
    // Changed: a reply was read whole, however large; past 1 MiB the transfer stops and fails.
    std::size_t max_body_bytes = 1 << 20;
    long max_redirects = 3;
};

class CurlHttp : public HttpClient {
public:
    explicit CurlHttp(HttpLimits limits = {});
    // One GET over http or https (redirects too); the body whatever the status, or nothing when
    // the transfer fails, takes too long or brings more than the limit. No cookies are kept.
    std::optional<std::string> get(const std::string& url) override;
    std::optional<HttpReply> post(const std::string& url, const std::string& body,
                                  const std::string& content_type) override;

private:
    // A GET, or a POST of `post_body` when it is given.
    std::optional<HttpReply> transfer(const std::string& url, const std::string* post_body,
                                      const std::string& content_type);
    HttpLimits limits_;
};

}  // namespace kelvora
