// The HTTP client as a module the program loads on its first request: libcurl brings dozens of
// libraries that nothing needs before then. It runs with the game's limits (HttpLimits' defaults).
#include "platform/curl/curl_http.hpp"
#include "platform/module_entry.hpp"

extern "C" kelvora::HttpClient* kelvora_make_http_client() { return new kelvora::CurlHttp(); }
