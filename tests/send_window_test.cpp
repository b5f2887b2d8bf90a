#include "shell/send_window.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "game/replay_files.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

// The window lists decodable unsent replays best first; each answer of the server decides
// whether a replay is done with (accepted, or entered before) or stays to be sent again.
TEST(SendWindow, ListsBestFirstAndKeepsWhatWasNotTaken) {
    auto t = testing::make_test_app();
    const std::string folder = replay_folder(t->app);
    std::filesystem::create_directories(folder);
    std::ifstream fixture(KELVORA_TEST_DATA_DIR "official_game.kvr", std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(fixture), {}};
    for (const char* name : {"20261209-100000-1004.kvr", "20261209-110000-1004.kvr"})
        std::ofstream(folder + name, std::ios::binary) << bytes;
    std::ofstream(folder + "20261209-120000-5000.kvr") << "not a replay";
    t->state.player_name = "ABC";

    auto& http = t->fakes.http;
    auto& window = t->platform;
    http.post_reply = HttpReply{422, "refused: the press at tick 9 erases no group\n"};
    window.send_presses = {{0, "ABC"}};
    open_send_window(t->app);
    ASSERT_EQ(window.send_window_lines.size(), 2u);
    EXPECT_EQ(window.send_window_lines[0], "得点 1004　最大連鎖 3　2026/12/09 11:00");
    EXPECT_EQ(window.send_window_name, "ABC");
    EXPECT_TRUE(http.urls.back().ends_with("/replay?name=ABC")) << http.urls.back();
    EXPECT_EQ(http.posted.back(), bytes);
    EXPECT_FALSE(window.send_results.back().done);
    EXPECT_NE(window.send_results.back().message.find("erases no group"), std::string::npos);

    http.post_reply = std::nullopt;  // no server
    window.send_presses = {{0, "A&B"}};
    open_send_window(t->app);
    EXPECT_TRUE(http.urls.back().ends_with("/replay?name=A%26B")) << http.urls.back();
    EXPECT_FALSE(window.send_results.back().done);

    http.post_reply = HttpReply{200, "accepted: place 7, score 1004, max chain 3\n"};
    window.send_presses = {{1, "ABC"}};
    open_send_window(t->app);
    EXPECT_EQ(window.send_results.back().message, "ネットランキングの7位に登録されました。");
    http.post_reply = HttpReply{409, "refused: already\n"};
    window.send_presses = {{0, "ABC"}};
    open_send_window(t->app);
    EXPECT_TRUE(window.send_results.back().done);
    open_send_window(t->app);
    EXPECT_TRUE(window.send_window_lines.empty());
}

}  // namespace
}  // namespace kelvora
