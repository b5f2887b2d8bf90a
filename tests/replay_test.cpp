#include "rules/replay.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/erasure.hpp"
#include "game/game_setup.hpp"
#include "game/rain_tick.hpp"
#include "game/replay_files.hpp"
#include "rules/random.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

// The draws are the rules: a change here changes every recorded game, and needs a new
// rules_version.
TEST(Random, DrawsAreTheSameEverywhere) {
    Random random;
    random.seed(20261209);
    std::vector<int> draws;
    for (int i = 0; i < 12; ++i) draws.push_back(random.one_to(8));
    for (int i = 0; i < 12; ++i) draws.push_back(random.one_to(4));
    EXPECT_EQ(draws, (std::vector<int>{6, 7, 7, 6, 4, 8, 1, 6, 2, 2, 4, 2, 4, 4, 2, 3, 4, 2, 1, 4, 3, 3, 1, 4}));
    random.seed(0xFFFF'FFFF'FFFF'FFFFu);
    for (int i = 0; i < 10000; ++i) ASSERT_LE(random.one_to(7), 7);
}

std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// An official game through the controller, to its game over, with random presses between ticks.
void play_to_game_over(testing::TestApp& t, Random& player) {
    GameState& s = t.state;
    s.screen_state = screen::official_play;
    s.name_entry = false;
    s.escape_ready = true;
    game_init(t.app);
    s.rain_running = true;
    while (s.field_live) {
        for (int press = player.one_to(3); press > 1; --press) {
            s.pointer_col = player.one_to(s.field_width);
            s.pointer_row = player.one_to(s.field_height);
            erase_at_pointer(t.app, 0, 0);
        }
        game_tick(t.app);
    }
}

// Official games played through the controller by a random player, to their game over: each
// leaves one replay that plays again to the same score, chain and length, and a replay whose
// claim or bytes were changed is refused.
TEST(Replay, RecordedGamesReplayToTheSameResult) {
    auto t = testing::make_test_app();
    GameState& s = t->state;
    Random player;
    player.seed(5);
    for (int game = 1; game <= 4; ++game) {
        play_to_game_over(*t, player);
        const std::string folder = replay_folder(t->app);
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(folder)) files.push_back(entry.path());
        ASSERT_EQ(files.size(), 1u) << game;
        const std::string bytes = read_bytes(files[0]);
        std::string refusal;
        const auto result = verify_replay(bytes, refusal);
        ASSERT_TRUE(result) << refusal;
        EXPECT_EQ(result->score, s.total_score);
        EXPECT_EQ(result->max_chain, s.max_chain);
        EXPECT_EQ(result->ticks, s.ticks_played);
        EXPECT_GT(s.total_score, 0);

        Replay forged = *decode_replay(bytes, refusal);
        forged.score += 1;
        EXPECT_FALSE(verify_replay(encode_replay(forged), refusal));
        EXPECT_NE(refusal.find("claim"), std::string::npos) << refusal;
        forged = *decode_replay(bytes, refusal);
        forged.end_tick += 4;
        EXPECT_FALSE(verify_replay(encode_replay(forged), refusal));
        std::string flipped = bytes;
        flipped[20] = char(flipped[20] ^ 1);
        EXPECT_FALSE(verify_replay(flipped, refusal));
        EXPECT_FALSE(verify_replay(bytes.substr(0, bytes.size() - 1), refusal));
        std::filesystem::remove(files[0]);
    }
}

// The folder keeps the 100 newest replays and older ones whose score is in the official top ten.
TEST(Replay, TheFolderKeepsTheNewestAndTheTopTen) {
    auto t = testing::make_test_app();
    const std::filesystem::path folder = replay_folder(t->app);
    std::filesystem::create_directories(folder);
    for (int i = 0; i < 105; ++i)
        std::ofstream(folder / ("20200101-" + std::to_string(100000 + i) + "-" + std::to_string(7000 + i) + ".kvr"));
    t->state.official_ranking.score[4] = 7001;
    Random player;
    player.seed(9);
    play_to_game_over(*t, player);
    std::vector<std::string> kept;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) kept.push_back(entry.path().filename());
    std::sort(kept.begin(), kept.end());
    ASSERT_EQ(kept.size(), 101u);
    EXPECT_EQ(kept[0], "20200101-100001-7001.kvr");  // in the top ten
    EXPECT_EQ(kept[1], "20200101-100006-7006.kvr");  // the oldest of the 99 newest beside the game's
    EXPECT_FALSE(kept[100].starts_with("20200101")) << "the game's own replay, the newest";
}

}  // namespace
}  // namespace kelvora
