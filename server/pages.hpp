#pragma once
// The server's pages: the list the game downloads (code page 932), the top page with the entry
// form and the short pages for errors (UTF-8).

#include <string>
#include <string_view>
#include <vector>

#include "server/ranking_store.hpp"

namespace kelvora::server {

inline constexpr int list_places = 10;
inline constexpr int top_page_places = 100;

// The top ten in the table layout the game's download reads: a place cell "N位", then name,
// date and score cells, each "<TD>" right after the previous "</TD>". Missing places read
// "-", "-", 0, like the game's own default net ranking.
std::string list_page(const std::vector<StoredEntry>& best);

// The best entries as a table, each marked verified or not, the form to upload a replay, and,
// when the server takes them, the form to enter a result with its password.
std::string top_page(const std::vector<StoredEntry>& best, bool accept_passwords = false);

// A short page: a heading, one paragraph per line, and a link back to the top page.
std::string message_page(std::string_view heading, const std::vector<std::string>& lines);

std::string html_escape(std::string_view text);

}  // namespace kelvora::server
