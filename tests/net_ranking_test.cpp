#include "ranking/net_ranking.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <vector>

#include "platform/sjis.hpp"
#include "ranking/leading_number.hpp"
#include "ranking/rank_file.hpp"
#include "ranking/server_address.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

std::string fixture_page() {
    std::ifstream in(std::string(KELVORA_TEST_DATA_DIR) + "net_ranking_page.html", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The server's layout, one row a line: place, name "N1" ... "N10", date "D" and the given scores.
std::string page_of(const std::vector<std::string>& scores, const std::string& open = "<TD>",
                    const std::string& close = "</TD>", const std::string& table_end = "</TABLE>") {
    std::string page = "<TABLE>\n";
    for (std::size_t p = 1; p <= scores.size(); ++p) {
        page += "<TR>" + open + utf8_to_cp932(std::to_string(p) + "位") + close;
        for (const std::string& cell : {"N" + std::to_string(p), std::string("D"), scores[p - 1]})
            page += open + cell + close;
        page += "</TR>\n";
    }
    return page + table_end + "\n";
}

const std::vector<std::string> ten_scores = {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};

// A net ranking with something in element 0, which no download may touch.
rank_table earlier_net_ranking() {
    rank_table table = make_rank_table(0, 0);
    table = insert_rank(table, 1, 4321, "OLD", "2000/12/31");
    table.score[0] = 7;
    table.name[0] = "zero";
    return table;
}

TEST(NetRankingPage, ReadsTheServersPage) {
    rank_table table = earlier_net_ranking();
    ASSERT_TRUE(parse_net_ranking(fixture_page(), table));
    const char* names[] = {"あいう", "ABC", "ｹﾙﾎﾞ", "表示", "ソ", "---", "能", "ﾃｽﾄ", "X", "山田"};
    const std::int32_t scores[] = {98765, 87654, 76543, 65432, 54321, 43210, 32109, 21098, 10987, 9876};
    for (int p = 1; p <= 10; ++p) {
        EXPECT_EQ(table.name[p], utf8_to_cp932(names[p - 1])) << p;
        EXPECT_EQ(table.score[p], scores[p - 1]) << p;
    }
    EXPECT_EQ(table.note[1], "2001/05/03");
    EXPECT_EQ(table.note[10], "2001/01/01");
    EXPECT_EQ(table.score[0], 7);
    EXPECT_EQ(table.name[0], "zero");
}

TEST(NetRankingPage, ScoreCellsGiveTheirLeadingNumber) {
    // Lower-case tags are found as well.
    const std::string page = page_of({" 12 345", "1,234", "12.5", "13.5", "", "&H1F", "-7", "1E3", "\t9\n9", utf8_to_cp932("42点")},
                                      "<td>", "</td>", "</table>");
    rank_table table = earlier_net_ranking();
    ASSERT_TRUE(parse_net_ranking(page, table));
    const std::int32_t expected[] = {12345, 1, 12, 14, 0, 31, -7, 1000, 99, 42};
    for (int p = 1; p <= 10; ++p) EXPECT_EQ(table.score[p], expected[p - 1]) << p;
    EXPECT_EQ(table.name[10], "N10");
}

TEST(LeadingNumber, ReadsSignsPointsExponentsAndRadixPrefixes) {
    const std::pair<const char*, double> cases[] = {
        {"1.2.3", 1.2}, {"+.5", 0.5}, {"1 e 2", 100}, {"2.5e-1", 0.25}, {"1D2", 100}, {"1e", 1}, {"e5", 0},
        {"&hff", 255},  {"&O17", 15}, {"&o8", 0},     {"&Z1", 0},       {"1e-400", 0}, {"1e400", INFINITY},
    };
    for (const auto& [text, value] : cases) EXPECT_EQ(leading_number(text), value) << text;
    EXPECT_EQ(leading_int32("-2147483648.5"), -2147483647 - 1);  // halves to even, still in range
    EXPECT_EQ(leading_int32("2147483647.5"), std::nullopt);
    EXPECT_EQ(leading_int32("&H80000000"), std::nullopt);
}

TEST(NetRankingPage, OnlyTheServersCellLayoutReadsCleanly) {
    // A cell opened by a longer tag keeps the rest of that tag.
    rank_table table = earlier_net_ranking();
    ASSERT_TRUE(parse_net_ranking(page_of(ten_scores, "<TD ALIGN=right>"), table));
    EXPECT_EQ(table.name[1], "ALIGN=right>N1");
    EXPECT_EQ(table.score[3], 0) << "the score cell starts with the tag's rest, which is no number";

    // The parse starts at the page's first "1位", here in a headline table before the ranking.
    const std::string headline = "<TABLE><TR><TD>" + utf8_to_cp932("先週の1位") + "</TD><TD>AAA</TD></TR></TABLE>";
    const rank_table before = table;
    EXPECT_FALSE(parse_net_ranking(headline + page_of(ten_scores), table));
    EXPECT_EQ(table, before);
}

TEST(NetRankingPage, AFailedParseLeavesTheTableAsItWas) {
    const std::string page = fixture_page();
    const std::size_t table_end = page.find("</TABLE>");
    std::vector<std::string> bad_pages;
    // Every download that breaks off before the table's end: nine rows, half a cell, ...
    for (std::size_t length = 0; length < table_end + 8; ++length) bad_pages.push_back(page.substr(0, length));
    std::vector<std::string> scores = ten_scores;
    bad_pages.push_back(page_of({scores.begin(), scores.end() - 1}));  // nine rows
    scores.back() = "99999999999";
    bad_pages.push_back(page_of(scores));
    bad_pages.push_back("<HTML><BODY>Internal Server Error</BODY></HTML>");
    bad_pages.push_back(std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\xff\xfe\x81", 20));

    for (const std::string& bad : bad_pages) {
        rank_table table = earlier_net_ranking();
        EXPECT_FALSE(parse_net_ranking(bad, table)) << bad.size();
        EXPECT_EQ(table, earlier_net_ranking()) << bad.size();
    }
}

TEST(NetRankingPage, PositionsAreSixteenBitCharacterPositions) {
    const std::string table = page_of(ten_scores);
    std::size_t characters_before_end = 0;  // from the table's start up to "</TABLE>"
    for (std::string_view rest = std::string_view(table).substr(0, table.find("</TABLE>")); !rest.empty();
         ++characters_before_end)
        rest.remove_prefix(cp932_character_length(rest));
    // Double-byte filler counts one position per character: "</TABLE>" at 32767 still reads.
    const std::string kana = "\x82\xa0";
    std::string filler;
    for (std::size_t i = 0; i < 32766 - characters_before_end; ++i) filler += kana;
    rank_table read = earlier_net_ranking();
    EXPECT_TRUE(parse_net_ranking(filler + table, read));
    rank_table unread = earlier_net_ranking();
    EXPECT_FALSE(parse_net_ranking(kana + filler + table, unread));
    EXPECT_EQ(unread, earlier_net_ranking());
}

TEST(NetRankingPage, RandomlyDamagedPagesNeverBreakIt) {
    const std::string pieces[] = {utf8_to_cp932("1位"), "</TD>", "</td>", "<TD>", "</table>", "</TR>\n<TR><TD>",
                                  "&H", "E", "-.", "9999999999", "\x82", "\x95\x5c", std::string(1, '\0')};
    std::mt19937 random(20010503);
    auto below = [&](std::size_t n) { return std::size_t(random() % n); };
    int read = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string page = fixture_page();
        for (std::size_t edits = 1 + below(6); edits > 0; --edits) {
            const std::size_t at = below(page.size());
            switch (below(3)) {
                case 0: page.insert(at, pieces[below(std::size(pieces))]); break;
                case 1: page.erase(at, below(40)); break;
                default: page[at] = char(random()); break;
            }
        }
        rank_table table = earlier_net_ranking();
        if (!parse_net_ranking(page, table)) {
            ASSERT_EQ(table, earlier_net_ranking()) << round;
            continue;
        }
        ++read;
        ASSERT_EQ(table.name[0], "zero");
        for (int p = 1; p <= 10; ++p) {
            // A cell ends at the first closing tag after its start, so it never holds one.
            std::string cells = table.name[p] + "|" + table.note[p];
            std::transform(cells.begin(), cells.end(), cells.begin(), [](unsigned char c) { return std::tolower(c); });
            ASSERT_EQ(cells.find("</td>"), std::string::npos) << round;
        }
    }
    EXPECT_GT(read, 100) << "the edits should leave many pages readable";
}

TEST(RankingServerAddress, EnvironmentThenConfigurationThenDefault) {
    const std::string dir = testing::make_temp_dir();
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
    for (const char* name : {"KELVORA_RANKING_SERVER", "XDG_CONFIG_HOME", "HOME"}) {
        const char* value = std::getenv(name);
        saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        ::unsetenv(name);
    }
    auto write_config = [](const std::string& folder, const std::string& text) {
        std::filesystem::create_directories(folder + "kelvora");
        std::ofstream(folder + "kelvora/kelvora.conf") << text;
    };

    EXPECT_EQ(ranking_server_address(), "http://127.0.0.1:8470");
    ::setenv("HOME", (dir + "home").c_str(), 1);
    write_config(dir + "home/.config/", "# the ranking server\nranking_server = http://home.example\r\n");
    EXPECT_EQ(ranking_server_address(), "http://home.example");
    ::setenv("XDG_CONFIG_HOME", (dir + "xdg").c_str(), 1);
    write_config(dir + "xdg/", "volume=3\nranking_server=http://xdg.example:9000/\n");
    EXPECT_EQ(ranking_server_address(), "http://xdg.example:9000/");
    write_config(dir + "xdg/", "ranking_server=\n");
    EXPECT_EQ(ranking_server_address(), "http://127.0.0.1:8470") << "an empty value is no address";
    ::setenv("KELVORA_RANKING_SERVER", "https://env.example", 1);
    EXPECT_EQ(ranking_server_address(), "https://env.example");

    for (const auto& [name, value] : saved) value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelvora
