#pragma once
// The net ranking: the top ten of the ranking server's page, cut out of its HTML table.

#include <string>
#include <string_view>

#include "platform/platform.hpp"
#include "core/rank_table.hpp"

namespace kelvora {

// Parses a ranking page (the body as code page 932 bytes) into `table`; the table is replaced
// only when all ten rows were read; false and untouched otherwise.
bool parse_net_ranking(std::string_view page, rank_table& table);

// The page's address for a server base URL (trailing slash tolerated).
std::string net_ranking_url(const std::string& server_base);

// One GET through the platform's HttpClient, then parse_net_ranking. False on any failure.
bool download_net_ranking(HttpClient& http, const std::string& server_base, rank_table& table);

}  // namespace kelvora
