// Replays entered on the real kelvora-server over loopback: verified and placed, refused with a
// reason, each game once; password entries refused unless the operator takes them.
#include <gtest/gtest.h>
#include <httplib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "server/entry_form.hpp"
#include "tests/official_replay.hpp"
#include "tests/server/server_process.hpp"
#include "tests/server/temp_folder.hpp"

namespace kelvora::server {
namespace {

// The test's folder is removed afterwards, with the database it made.
using ReplayRoute = TempFolderTest;

TEST_F(ReplayRoute, VerifiesPlacesAndRefuses) {
    ::setenv("no_proxy", "127.0.0.1", 1);
    ServerProcess server(dir, {"--db", dir + "/ranking.db"});
    ASSERT_GT(server.port, 0) << server.log();
    httplib::Client client("127.0.0.1", server.port);
    auto post = [&](const std::string& query, const std::string& body) {
        auto res = client.Post("/replay" + query, body, "application/octet-stream");
        return res ? std::to_string(res->status) + " " + res->body : std::string("no answer");
    };

    const Replay good = testing::play_official_game(41, 600);
    const Replay better = testing::play_official_game(42, 1200);
    ASSERT_GT(better.score, good.score);
    const std::string good_bytes = encode_replay(good);
    EXPECT_EQ(post("?name=ABC", good_bytes), "200 accepted: place 1, score " + std::to_string(good.score) +
                                                 ", max chain " + std::to_string(good.max_chain) + "\n");
    EXPECT_EQ(post("?name=XYZ", encode_replay(better)).substr(0, 21), "200 accepted: place 1");
    // The same game again, under any name.
    EXPECT_EQ(post("?name=DEF", good_bytes).substr(0, 4), "409 ");

    Replay forged = testing::play_official_game(43, 600);
    forged.score = 999'999'999;
    EXPECT_EQ(post("?name=ABC", encode_replay(forged)).substr(0, 30), "422 refused: the claim (score ");
    EXPECT_EQ(post("?name=ABC", good_bytes.substr(0, 30)), "422 refused: not a replay\n");
    const std::string fresh = encode_replay(testing::play_official_game(44, 100));
    EXPECT_EQ(post("?name=ABCD", fresh).substr(0, 4), "400 ");
    EXPECT_EQ(post("?name=%3Cb%3E", fresh).substr(0, 4), "400 ");
    EXPECT_EQ(post("", fresh).substr(0, 4), "400 ");
    EXPECT_EQ(post("?name=ABC", std::string(replay_size_limit + 1, 'K')).substr(0, 4), "413 ");

    // The browser's upload form takes the same path and answers with a page.
    httplib::MultipartFormDataItems upload{{"name", "GHI", "", ""},
                                           {"replay", fresh, "game.kvr", "application/octet-stream"}};
    auto page = client.Post("/replay", upload);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("accepted: place 3"), std::string::npos) << page->body;

    auto entry = client.Post("/entry", encode_form({{"name", "PWD"}, {"score", "100"}, {"password", "abcdef"}}),
                             "application/x-www-form-urlencoded");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->status, 403);
    auto top = client.Get("/");
    ASSERT_TRUE(top);
    EXPECT_NE(top->body.find("<td>XYZ</td>"), std::string::npos);
    EXPECT_NE(top->body.find("リプレイで確認済み"), std::string::npos);
    EXPECT_EQ(top->body.find("action=\"/entry\""), std::string::npos);
    EXPECT_NE(top->body.find("action=\"/replay\""), std::string::npos);

    // The same files, checked by the operator's command.
    const std::string good_file = dir + "/good.kvr", forged_file = dir + "/forged.kvr";
    std::ofstream(good_file, std::ios::binary) << good_bytes;
    std::ofstream(forged_file, std::ios::binary) << encode_replay(forged);
    const std::string out = dir + "/verify.txt";
    const std::string command = std::string(KELVORA_SERVER_PROGRAM) + " --verify " + good_file + " " + forged_file +
                                " > " + out;
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);
    std::ifstream lines(out);
    std::string first, second;
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_EQ(first, good_file + ": score " + std::to_string(good.score) + ", max chain " +
                         std::to_string(good.max_chain) + ", " + std::to_string(good.end_tick) + " ticks");
    EXPECT_EQ(second.substr(0, forged_file.size() + 10), forged_file + ": refused:");
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace kelvora::server
