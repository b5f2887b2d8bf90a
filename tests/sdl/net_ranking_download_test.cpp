// The net ranking download through the real HTTP client against servers on the loopback address.
#include "ranking/net_ranking.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/curl/curl_http.hpp"
#include "platform/sjis.hpp"
#include "ranking/rank_file.hpp"
#include "sdl/loopback_server.hpp"

namespace kelvora {
namespace {

using testing::LoopbackServer;
using testing::reply;

std::string fixture_page() {
    std::ifstream in(std::string(KELVORA_TEST_DATA_DIR) + "net_ranking_page.html", std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class NetRankingDownload : public ::testing::Test {
protected:
    void SetUp() override {
        ::setenv("no_proxy", "127.0.0.1", 1);
        earlier = insert_rank(make_rank_table(0, 0), 1, 4321, "OLD", "2000/12/31");
    }
    CurlHttp http;
    rank_table earlier;
};

TEST_F(NetRankingDownload, ReadsTheServersPage) {
    LoopbackServer server({reply("200 OK", fixture_page())});
    rank_table table = earlier;
    ASSERT_TRUE(download_net_ranking(http, server.url("/"), table));
    EXPECT_EQ(table.name[1], utf8_to_cp932("あいう"));
    EXPECT_EQ(table.note[1], "2001/05/03");
    EXPECT_EQ(table.score[10], 9876);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].rfind("GET /cgi-bin/list.cgi?filename=kelv&unit= HTTP/1.1\r\n", 0), 0u);
}

TEST_F(NetRankingDownload, BadRepliesLeaveTheTableAsItWas) {
    const std::string page = fixture_page();
    const std::string cut_short = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Length: " +
                                  std::to_string(page.size()) + "\r\n\r\n" + page.substr(0, page.size() / 2);
    LoopbackServer server({
        reply("200 OK", "garbage </TD></td> 1 2 3"),
        reply("200 OK", std::string("\x00\xff\x81\x40\x1b$B", 7)),
        reply("404 Not Found", "<HTML><BODY>Not Found</BODY></HTML>"),
        cut_short,
        reply("200 OK", page + std::string(1 << 20, ' '), false),  // a valid table, then too much
        "not http at all\r\n\r\n",
    });
    for (std::size_t i = 0; i < 6; ++i) {
        rank_table table = earlier;
        EXPECT_FALSE(download_net_ranking(http, server.url("/"), table)) << i;
        EXPECT_EQ(table, earlier) << i;
    }
}

}  // namespace
}  // namespace kelvora
