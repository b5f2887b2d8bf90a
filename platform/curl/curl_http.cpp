#include "platform/curl/curl_http.hpp"

#include <curl/curl.h>

#include <memory>
#include <mutex>
#include <utility>

namespace kelvora {
namespace {

struct Body {
    std::string bytes;
    std::size_t limit = 0;
};

std::size_t append_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    std::size_t length = size * count;
    // Returning less than was given aborts the transfer with a write error.
    if (length > body->limit - body->bytes.size()) return 0;
    body->bytes.append(data, length);
    return length;
}

struct EasyDeleter {
    void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};

}  // namespace

CurlHttp::CurlHttp(HttpLimits limits) : limits_(limits) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::optional<HttpReply> CurlHttp::transfer(const std::string& url, const std::string* post_body,
                                             const std::string& content_type) {
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) return std::nullopt;
    CURL* e = easy.get();
    Body body;
    body.limit = limits_.max_body_bytes;

    bool set = curl_easy_setopt(e, CURLOPT_URL, url.c_str()) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
               // A sent result is never sent on to another address.
               curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, post_body ? 0L : 1L) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_MAXREDIRS, limits_.max_redirects) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, limits_.connect_timeout_ms) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, limits_.total_timeout_ms) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits_.max_body_bytes)) == CURLE_OK &&
               // Timeouts without signals: the game's other threads must not see SIGALRM.
               curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_USERAGENT, "Kelvora") == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, append_body) == CURLE_OK &&
               curl_easy_setopt(e, CURLOPT_WRITEDATA, &body) == CURLE_OK;
    // The cookie engine stays off (no CURLOPT_COOKIEFILE) and every request has a fresh handle,
    // so a cookie set by the server, even on a redirect, is never sent back.
    std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headers(nullptr, curl_slist_free_all);
    if (set && post_body) {
        headers.reset(curl_slist_append(nullptr, ("Content-Type: " + content_type).c_str()));
        set = headers && curl_easy_setopt(e, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK &&
              curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(post_body->size())) == CURLE_OK &&
              curl_easy_setopt(e, CURLOPT_POSTFIELDS, post_body->data()) == CURLE_OK;
    }
    if (!set) return std::nullopt;
    if (curl_easy_perform(e) != CURLE_OK) return std::nullopt;
    HttpReply reply;
    curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &reply.status);
    reply.body = std::move(body.bytes);
    return reply;
}

std::optional<std::string> CurlHttp::get(const std::string& url) {
    std::optional<HttpReply> reply = transfer(url, nullptr, "");
    if (!reply) return std::nullopt;
    return std::move(reply->body);
}

std::optional<HttpReply> CurlHttp::post(const std::string& url, const std::string& body,
                                        const std::string& content_type) {
    return transfer(url, &body, content_type);
}

}  // namespace kelvora
