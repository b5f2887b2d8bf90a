#include "game/play_input.hpp"
#include "screens/ranking_screen.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/game_setup.hpp"
#include "ranking/rank_file.hpp"
#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

using testing::make_test_app;
using testing::TestApp;

std::string read_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(NameTyping, AcceptsCodes33To122UpToThreeCharacters) {
    GameState s;
    type_name_char(s, ' ');
    type_name_char(s, '{');
    type_name_char(s, 7);
    EXPECT_EQ(s.player_name, "");
    type_name_char(s, '!');
    type_name_char(s, 'z');
    type_name_char(s, '5');
    type_name_char(s, 'A');  // a fourth character
    EXPECT_EQ(s.player_name, "!z5");
    EXPECT_EQ(s.name_length, 3);
    type_name_char(s, backspace_code);
    EXPECT_EQ(s.player_name, "!z");
    EXPECT_EQ(s.name_length, 2);
    type_name_char(s, backspace_code);
    type_name_char(s, backspace_code);
    type_name_char(s, backspace_code);  // on an empty name: nothing
    EXPECT_EQ(s.player_name, "");
    EXPECT_EQ(s.name_length, 0);
}

TEST(NameEntryRules, BlankNames) {
    EXPECT_TRUE(name_is_blank(""));
    EXPECT_TRUE(name_is_blank(" "));
    EXPECT_TRUE(name_is_blank("   "));
    EXPECT_FALSE(name_is_blank(" a"));
    EXPECT_FALSE(name_is_blank("abc"));
}

TEST(NameEntryRules, HoverNeedsANameForOk) {
    GameState s;
    name_entry_hover(s, 311, 281);
    EXPECT_EQ(s.name_button_hover, 1);
    name_entry_hover(s, 359, 309);
    EXPECT_EQ(s.name_button_hover, 1);
    name_entry_hover(s, 310, 290);
    EXPECT_EQ(s.name_button_hover, 0);
    name_entry_hover(s, 335, 330);
    EXPECT_EQ(s.name_button_hover, 0);  // empty name: "O.K" stays grey
    s.player_name = "AB";
    name_entry_hover(s, 335, 330);
    EXPECT_EQ(s.name_button_hover, 2);
    name_entry_hover(s, 335, 345);
    EXPECT_EQ(s.name_button_hover, 0);
}

TEST(NameEntryRules, ModeText) {
    GameState s;
    s.screen_state = screen::option_play;
    EXPECT_EQ(mode_text(s), " 4 3 1 3 2 2");
    s.settings = {0, 9, 5, 5, 1, 9, 5};
    EXPECT_EQ(mode_text(s), " 9 5 5 1 9 5");
    s.screen_state = screen::official_play;
    EXPECT_EQ(mode_text(s), "official");
}

// A finished game waiting in the name entry, with all three rank files on disk.
struct Registration : ::testing::Test {
    void SetUp() override {
        t = make_test_app();
        GameState& s = t->state;
        s.official_ranking = make_rank_table(1000, 100);
        s.point_ranking = make_rank_table(1000, 100);
        s.chain_ranking = make_rank_table(10, 1);
        for (auto [file, table] : {std::pair{official_rank_file, &s.official_ranking},
                                   {point_rank_file, &s.point_ranking}, {chain_rank_file, &s.chain_ranking}})
            save_ranking(t->app, file, *table);
        for (const char* file : {official_rank_file, point_rank_file, chain_rank_file})
            before[file] = read_bytes(t->app.data_dir + file);
        s.name_entry = true;
        s.player_name = "Ab!";
        s.name_length = 3;
    }
    bool changed(const char* file) { return read_bytes(t->app.data_dir + file) != before[file]; }
    std::unique_ptr<TestApp> t;
    std::map<std::string, std::string> before;
};

TEST_F(Registration, OnlyTheChainFileIsRewrittenForAChainPlace) {
    GameState& s = t->state;
    s.screen_state = screen::option_play;
    s.total_score = 10;
    s.max_chain = 15;
    s.chain_rank_pos = 5;
    name_entry_press(t->app, 335, 330);
    EXPECT_FALSE(changed(official_rank_file));
    EXPECT_FALSE(changed(point_rank_file));
    EXPECT_TRUE(changed(chain_rank_file));
    EXPECT_EQ(s.chain_ranking.score[5], 15);
    EXPECT_EQ(s.chain_ranking.name[5], "Ab!");
    EXPECT_EQ(s.chain_ranking.note[5], " 4 3 1 3 2 2");
    EXPECT_FALSE(s.name_entry);
    EXPECT_EQ(s.total_score, 0);
    EXPECT_EQ(s.max_chain, 0);
    EXPECT_EQ(t->sound.waves(), (std::vector<std::string>{"over.wav"}));
    rank_table loaded;
    std::string error;
    ASSERT_TRUE(load_rank_file(t->app.data_dir + chain_rank_file, make_rank_table(10, 1), loaded, error));
    EXPECT_EQ(loaded, s.chain_ranking);
}

TEST_F(Registration, OfficialPlayCanWriteAllThree) {
    GameState& s = t->state;
    s.screen_state = screen::official_play;
    s.total_score = 2500;
    s.max_chain = 30;
    s.official_rank_pos = 1;
    s.point_rank_pos = 1;
    s.chain_rank_pos = 1;
    name_entry_press(t->app, 311, 316);
    EXPECT_TRUE(changed(official_rank_file));
    EXPECT_TRUE(changed(point_rank_file));
    EXPECT_TRUE(changed(chain_rank_file));
    EXPECT_EQ(s.official_ranking.note[1], make_password(2500));
    EXPECT_EQ(s.point_ranking.note[1], "official");
    EXPECT_EQ(s.point_ranking.score[2], 1900);  // the old first place moved down
    EXPECT_EQ(s.chain_ranking.score[1], 30);
}

TEST_F(Registration, BlankNameNeitherRegistersNorHighlights) {
    GameState& s = t->state;
    s.player_name.clear();
    s.name_length = 0;
    s.point_rank_pos = 3;
    name_entry_press(t->app, 335, 330);
    EXPECT_TRUE(s.name_entry);
    EXPECT_FALSE(changed(point_rank_file));
    name_entry_press(t->app, 335, 295);  // "BAS" on an empty name: just its sound
    EXPECT_EQ(t->sound.waves(), (std::vector<std::string>{"po.wav"}));
    EXPECT_EQ(s.player_name, "");
}

TEST_F(Registration, DeleteButtonRemovesTheLastCharacter) {
    GameState& s = t->state;
    name_entry_press(t->app, 335, 295);
    EXPECT_EQ(s.player_name, "Ab");
    EXPECT_EQ(s.name_length, 2);
    name_entry_press(t->app, 200, 200);  // elsewhere: nothing
    EXPECT_EQ(s.player_name, "Ab");
    EXPECT_TRUE(s.name_entry);
}

// Esc from a screen, with the game's input handler in place for scripted events.
struct Escape : ::testing::Test {
    void SetUp() override {
        t = make_test_app();
        input = std::make_unique<GameInput>(t->app);
        t->platform.set_input_handler(input.get());
        t->state.escape_ready = true;
        t->platform.set_interval(200);
    }
    int opened(const std::string& tune) {
        return int(std::count(t->sound.calls.begin(), t->sound.calls.end(), "open " + tune));
    }
    std::unique_ptr<TestApp> t;
    std::unique_ptr<GameInput> input;
};

TEST_F(Escape, OnTheTitleEndsTheProgram) {
    t->state.screen_state = screen::title;
    EXPECT_THROW(press_escape(t->app), ProgramEnded);
    EXPECT_TRUE(t->platform.ended());
    EXPECT_EQ(t->platform.exit_status(), 0);
}

TEST_F(Escape, FromOptionPlayBackToTheOptionsInSilence) {
    t->state.screen_state = screen::option_play;
    t->state.rain_running = true;
    press_escape(t->app);
    EXPECT_EQ(t->state.screen_state, screen::options);
    EXPECT_FALSE(t->state.rain_running);
    EXPECT_EQ(opened("kelvora1.mid"), 0);
    EXPECT_TRUE(t->state.escape_ready);
    EXPECT_TRUE(t->platform.enabled());
    EXPECT_FALSE(t->platform.ended());
}

TEST_F(Escape, FromOtherScreensToTheTitleWithMusic) {
    for (std::int16_t from : {screen::official_play, screen::story, screen::options, screen::rankings}) {
        SetUp();
        t->state.screen_state = from;
        t->state.title_choice = 3;
        t->state.rain_running = from == screen::official_play;
        press_escape(t->app);
        EXPECT_EQ(t->state.screen_state, screen::title) << from;
        EXPECT_EQ(t->state.title_choice, 0);
        EXPECT_FALSE(t->state.rain_running);
        EXPECT_EQ(opened("kelvora1.mid"), 1);
        EXPECT_EQ(t->sound.calls.back(), "play");
    }
}

TEST_F(Escape, ASecondEscDuringTheFadeIsIgnored) {
    t->state.screen_state = screen::official_play;
    t->state.rain_running = true;
    t->platform.key_down_at(0.3, escape_key);
    t->platform.key_down_at(1.5, escape_key);
    press_escape(t->app);
    EXPECT_EQ(t->state.screen_state, screen::title);
    EXPECT_EQ(opened("kelvora1.mid"), 1);
    EXPECT_FALSE(t->platform.ended());
}

TEST_F(Escape, IgnoredWhileTheNameEntryIsOpen) {
    t->state.screen_state = screen::official_play;
    t->state.name_entry = true;
    press_escape(t->app);
    EXPECT_EQ(t->state.screen_state, screen::official_play);
    EXPECT_TRUE(t->sound.calls.empty());
}

TEST_F(Escape, AbandonedGameNeverReachesTheRankingChecks) {
    GameState& s = t->state;
    s.screen_state = screen::official_play;
    game_init(t->app);
    s.rain_running = true;
    s.point_ranking = make_rank_table(-100, 1);
    t->platform.key_down_at(1.0, escape_key);
    t->platform.run_for(200.0);  // long enough for a rain left running to fill a column
    EXPECT_EQ(s.screen_state, screen::title);
    EXPECT_FALSE(s.name_entry);
    auto waves = t->sound.waves();
    EXPECT_EQ(std::count(waves.begin(), waves.end(), "over.wav"), 0);
    EXPECT_EQ(std::count(waves.begin(), waves.end(), "fan.wav"), 0);
}

TEST(SaveRanking, FailureEndsTheProgramNamingTheFile) {
    testing::TestApp test;
    const std::string dir = testing::make_temp_dir();
    test.app.data_dir = dir + "gone/";
    EXPECT_THROW(save_ranking(test.app, point_rank_file, make_rank_table(1000, 1000)), ProgramEnded);
    std::filesystem::remove_all(dir);
    ASSERT_EQ(test.platform.errors().size(), 1u);
    EXPECT_NE(test.platform.errors()[0].find("gone/point_rank.dat"), std::string::npos);
    EXPECT_TRUE(test.platform.ended());
    EXPECT_NE(test.platform.exit_status(), 0);
}

}  // namespace
}  // namespace kelvora
