#include "game/game_setup.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

using testing::make_test_app;
using testing::TestApp;

struct Derived {
    std::int16_t width, cell, interval, rain_period, chain_time;
};

Derived option_game(std::array<std::int16_t, 7> settings) {
    auto t = make_test_app();
    t->state.settings = settings;
    t->state.screen_state = screen::option_play;
    t->state.rain_running = true;  // as the start sequence leaves it; the game-over view resets the interval
    game_init(t->app);
    const GameState& s = t->state;
    EXPECT_EQ(s.field_height, 2 * s.field_width);
    EXPECT_EQ(s.colour_count, settings[1]);
    EXPECT_EQ(s.erase_count, settings[5]);
    return {s.field_width, s.cell_size, s.tick_interval, s.rain_period, s.chain_time};
}

TEST(GameInit, OptionSettingsGiveTheGameQuantities) {
    Derived d = option_game({0, 4, 3, 1, 3, 2, 2});
    EXPECT_EQ(d.width, 8);  // drop size 3 is the official field, not 200 \ 30
    EXPECT_EQ(d.cell, 25);
    EXPECT_EQ(d.interval, 200);
    EXPECT_EQ(d.rain_period, 3);
    EXPECT_EQ(d.chain_time, 30);

    d = option_game({0, 9, 1, 3, 5, 9, 1});
    EXPECT_EQ(d.width, 20);
    EXPECT_EQ(d.cell, 10);
    EXPECT_EQ(d.interval, 66);
    EXPECT_EQ(d.rain_period, 1);
    EXPECT_EQ(d.chain_time, 10);

    d = option_game({0, 2, 5, 5, 1, 2, 5});
    EXPECT_EQ(d.width, 4);
    EXPECT_EQ(d.cell, 50);
    EXPECT_EQ(d.interval, 40);
    EXPECT_EQ(d.rain_period, 5);
    EXPECT_EQ(d.chain_time, 90);
}

TEST(GameInit, OfficialPlayKeepsTheOfficialValues) {
    auto t = make_test_app();
    GameState& s = t->state;
    s.settings = {0, 9, 1, 5, 5, 9, 5};
    s.field_width = 20;
    s.tick_interval = 40;
    apply_official_values(s);
    s.screen_state = screen::official_play;
    game_init(t->app);
    EXPECT_EQ(s.field_width, 8);
    EXPECT_EQ(s.field_height, 16);
    EXPECT_EQ(s.cell_size, 25);
    EXPECT_EQ(s.colour_count, 4);
    EXPECT_EQ(s.tick_interval, 200);
    EXPECT_EQ(s.level_ticks, 1000);
}

TEST(GameInit, EmptiesTheFieldAndLaysTheFloor) {
    auto t = make_test_app();
    GameState& s = t->state;
    s.screen_state = screen::official_play;
    s.drop_grid[3][4] = 2;
    s.burst_colour[8][16] = 1;
    s.chain_cells[1][1] = -1;
    s.total_score = 55;
    s.max_chain = 3;
    s.speed_level = 7;
    game_init(t->app);
    EXPECT_EQ(s.drop_grid[3][4], 0);
    EXPECT_EQ(s.burst_colour[8][16], 0);
    EXPECT_EQ(s.chain_cells[1][1], 0);
    for (int c = 1; c <= 8; ++c) EXPECT_EQ(s.drop_grid[c][17], floor_cell);
    EXPECT_EQ(s.drop_grid[9][17], 0);
    EXPECT_EQ(s.total_score, 0);
    EXPECT_EQ(s.max_chain, 0);
    EXPECT_EQ(s.speed_level, 1);
    EXPECT_TRUE(s.field_live);
    EXPECT_FALSE(s.rain_running);
}

TEST(GameInit, PendingNameEntryKeepsTheScore) {
    auto t = make_test_app();
    t->state.screen_state = screen::official_play;
    t->state.name_entry = true;
    t->state.total_score = 1234;
    t->state.max_chain = 5;
    game_init(t->app);
    EXPECT_EQ(t->state.total_score, 1234);
    EXPECT_EQ(t->state.max_chain, 5);
}

TEST(StartSequence, FromTheOptionsWipesTheOldLargerField) {
    auto t = make_test_app();
    GameState& s = t->state;
    s.screen_state = screen::options;
    s.settings[2] = 5;
    s.drop_grid[20][40] = 3;  // left by an earlier game of 20 columns
    s.drop_grid[15][41] = floor_cell;
    t->platform.set_interval(200);
    start_game_from_options(t->app);
    EXPECT_EQ(s.screen_state, screen::option_play);
    EXPECT_EQ(s.field_width, 4);
    EXPECT_EQ(s.drop_grid[20][40], 0);
    EXPECT_EQ(s.drop_grid[15][41], 0);
    EXPECT_EQ(s.drop_grid[4][9], floor_cell);
    EXPECT_TRUE(s.rain_running);
    EXPECT_TRUE(s.field_live);
    EXPECT_TRUE(t->platform.enabled());
    EXPECT_FALSE(start_sequence_running(t->app));
}

TEST(StartSequence, SoundsInTheirOrder) {
    auto t = make_test_app();
    t->state.screen_state = screen::title;
    t->platform.set_interval(200);
    double start = t->platform.clock_seconds();
    start_game_from_title(t->app);
    EXPECT_EQ(t->state.screen_state, screen::official_play);
    EXPECT_EQ(t->sound.waves(), (std::vector<std::string>{"po2.wav", "start.wav"}));
    EXPECT_EQ(t->sound.calls.front(), "close");
    auto open = std::find(t->sound.calls.begin(), t->sound.calls.end(), "open kelvora2.mid");
    ASSERT_NE(open, t->sound.calls.end());
    EXPECT_GT(open - t->sound.calls.begin(),
              std::find(t->sound.calls.begin(), t->sound.calls.end(), "wave start.wav") - t->sound.calls.begin());
    // Fade out, then 0.2 + 6 x 0.01 + 0.3 seconds of lettering.
    EXPECT_GT(t->platform.clock_seconds() - start, 1.5);
    EXPECT_EQ(t->platform.ticks_run(), 0);  // the timer was off throughout
}

TEST(StartSequence, InputDuringTheSequenceIsIgnored) {
    auto t = make_test_app();
    GameInput input(t->app);
    t->platform.set_input_handler(&input);
    GameState& s = t->state;
    s.screen_state = screen::title;
    s.escape_ready = true;
    t->platform.set_interval(200);
    // Esc during the fade and during the lettering, and a press on the restart button.
    t->platform.key_down_at(0.5, 27);
    t->platform.key_down_at(1.3, 27);
    t->platform.press_at(1.4, MouseButton::left, 240, 25);
    t->platform.menu_at(1.45, MenuCommand::form_back);
    start_game_from_title(t->app);
    EXPECT_EQ(s.screen_state, screen::official_play);
    EXPECT_TRUE(s.rain_running);
    auto waves = t->sound.waves();
    EXPECT_EQ(std::count(waves.begin(), waves.end(), "start.wav"), 1);
    EXPECT_EQ(std::count(t->sound.calls.begin(), t->sound.calls.end(), "open kelvora1.mid"), 0);
    // Once the game runs, Esc works again.
    t->platform.key_down_at(t->platform.clock_seconds() + 0.1, 27);
    t->platform.run_for(3.0);
    EXPECT_EQ(s.screen_state, screen::title);
}

TEST(StartSequence, OfficialStartsNeverKeepTheLastOptionGamesField) {
    auto t = make_test_app();
    GameInput input(t->app);
    t->platform.set_input_handler(&input);
    GameState& s = t->state;
    // An option game of 50-pixel drops has just been left: the title is back, but no tick has
    // composed it yet.
    s.settings = {0, 2, 5, 5, 1, 2, 5};
    s.screen_state = screen::option_play;
    game_init(t->app);
    ASSERT_EQ(s.field_width, 4);
    s.screen_state = screen::title;
    t->platform.set_interval(200);
    t->platform.move_at(0.0, 250, 425);
    t->platform.press_at(0.0, MouseButton::left, 250, 425);
    t->platform.run_for(3.0);
    ASSERT_EQ(s.screen_state, screen::official_play);
    EXPECT_EQ(s.field_width, 8);
    EXPECT_EQ(s.cell_size, 25);
    EXPECT_EQ(s.colour_count, 4);
    EXPECT_EQ(s.chain_time, 30);

    // The restart button of official play applies them again.
    s.field_width = 4;
    s.cell_size = 50;
    s.erase_count = 5;
    restart_game(t->app);
    EXPECT_EQ(s.field_width, 8);
    EXPECT_EQ(s.cell_size, 25);
    EXPECT_EQ(s.erase_count, 2);
}

}  // namespace
}  // namespace kelvora
