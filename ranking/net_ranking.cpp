#include "ranking/net_ranking.hpp"

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/sjis.hpp"
#include "ranking/leading_number.hpp"

namespace kelvora {
namespace {

// The page as characters, one element per character: a single byte as it is, a double-byte
// character as lead * 256 + trail. Positions below are 1-based character positions.
using Characters = std::u16string;

// Positions are 16-bit: a table that starts or ends past this ends the parse. Every later
// position lies inside the table, so it stays within the limit too.
constexpr std::size_t last_position = 32767;
// The rest of the page kept after each cell; rows that lie further on are not reached.
constexpr std::size_t rest_length = 10000;
// "</TD>" and the next cell's "<TD>": the characters between a closing tag and the next cell.
constexpr std::size_t cell_gap = 9;

constexpr std::u16string_view first_place = u"1\x88CA";  // "1位": the digit, then 0x88 0xCA
constexpr std::u16string_view table_end = u"</table>";
constexpr std::u16string_view cell_end = u"</td>";

Characters decode(std::string_view bytes, std::size_t max_characters) {
    Characters out;
    while (!bytes.empty() && out.size() < max_characters) {
        const std::size_t length = cp932_character_length(bytes);
        const auto first = static_cast<unsigned char>(bytes[0]);
        out.push_back(length == 2 ? char16_t(first << 8 | static_cast<unsigned char>(bytes[1])) : char16_t(first));
        bytes.remove_prefix(length);
    }
    return out;
}

std::string encode(const Characters& characters) {
    std::string out;
    for (char16_t c : characters) {
        if (c > 0xFF) out.push_back(char(c >> 8));
        out.push_back(char(c & 0xFF));
    }
    return out;
}

char16_t fold(char16_t c) { return c >= 'A' && c <= 'Z' ? char16_t(c - 'A' + 'a') : c; }

// The position of the first `marker` (given in lower case) at or after position `from`, letter
// case ignored; 0 when there is none.
std::size_t find_from(const Characters& text, std::size_t from, std::u16string_view marker) {
    if (from < 1) from = 1;
    for (std::size_t at = from - 1; at + marker.size() <= text.size(); ++at) {
        std::size_t i = 0;
        while (i < marker.size() && fold(text[at + i]) == marker[i]) ++i;
        if (i == marker.size()) return at + 1;
    }
    return 0;
}

// The `count` characters from position `from`, fewer when the text ends first.
Characters cut(const Characters& text, std::size_t from, std::size_t count) {
    return from > text.size() ? Characters() : text.substr(from - 1, count);
}

// Reads the next cell: the text between the 9 characters that start at the first "</TD>" and
// the next "</TD>". The page then keeps one character before that closing tag, so that the
// next cell starts from it.
std::optional<Characters> next_cell(Characters& page) {
    const std::size_t a = find_from(page, 1, cell_end);
    if (a == 0) return std::nullopt;
    const std::size_t b = find_from(page, a + cell_gap, cell_end);
    if (b == 0) return std::nullopt;
    Characters cell = cut(page, a + cell_gap, b - a - cell_gap);
    page = cut(page, b - 1, rest_length);
    return cell;
}

}  // namespace

bool parse_net_ranking(std::string_view page_bytes, rank_table& table) {
    // A marker has to start at a 16-bit position, so nothing past these characters can matter.
    Characters page = decode(page_bytes, last_position + table_end.size());
    const std::size_t o = find_from(page, 1, first_place);
    if (o == 0 || o > last_position) return false;
    const std::size_t t = find_from(page, o, table_end);
    if (t == 0 || t > last_position) return false;
    page = cut(page, o, t - o);

    // Changed: rows were written into the ranking as they were read, so a page that broke off
    // part-way left it half replaced; they are read into a copy, taken only when all ten are read.
    rank_table read = table;
    for (int p = 1; p <= 10; ++p) {
        const auto name = next_cell(page);
        if (!name) return false;
        const auto date = next_cell(page);
        if (!date) return false;
        const auto score_text = next_cell(page);
        if (!score_text) return false;
        const auto score = leading_int32(encode(*score_text));
        if (!score) return false;
        read.name[p] = encode(*name);
        read.note[p] = encode(*date);
        read.score[p] = *score;

        // Step into the score cell's closing tag, so the next row starts past it.
        const std::size_t a = find_from(page, 1, cell_end);
        if (a == 0) return false;
        page = cut(page, a + 1, rest_length);
    }
    table = read;
    return true;
}

std::string net_ranking_url(const std::string& server_base) {
    std::string base = server_base;
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base + "/cgi-bin/list.cgi?filename=kelv&unit=";
}

bool download_net_ranking(HttpClient& http, const std::string& server_base, rank_table& table) {
    const std::optional<std::string> body = http.get(net_ranking_url(server_base));
    return body && parse_net_ranking(*body, table);
}

}  // namespace kelvora
