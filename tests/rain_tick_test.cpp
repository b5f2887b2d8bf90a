#include "game/rain_tick.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "game/game_setup.hpp"
#include "ranking/rank_file.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

using testing::make_test_app;
using testing::TestApp;

// An official game running on an empty field, without the start animation.
std::unique_ptr<TestApp> running_game(std::int16_t play_state = screen::official_play) {
    auto t = make_test_app();
    t->state.screen_state = play_state;
    t->state.escape_ready = true;
    game_init(t->app);
    t->state.rain_running = true;
    t->app.random.seed(7);
    return t;
}

int drop_count(const GameState& s) {
    int n = 0;
    for (int c = 1; c <= s.field_width; ++c)
        for (int r = 1; r <= s.field_height; ++r) n += s.drop_grid[c][r] != 0;
    return n;
}

TEST(FallStep, StackedDropsSeparateLikeRain) {
    GameState s;
    for (int c = 1; c <= s.field_width; ++c) s.drop_grid[c][s.field_height + 1] = floor_cell;
    s.drop_grid[3][5] = 1;
    s.drop_grid[3][6] = 2;
    s.drop_grid[3][7] = 3;
    fall_step(s);
    EXPECT_EQ(s.drop_grid[3][5], 1);
    EXPECT_EQ(s.drop_grid[3][6], 2);
    EXPECT_EQ(s.drop_grid[3][7], 0);
    EXPECT_EQ(s.drop_grid[3][8], 3);
    fall_step(s);
    EXPECT_EQ(s.drop_grid[3][5], 1);
    EXPECT_EQ(s.drop_grid[3][6], 0);
    EXPECT_EQ(s.drop_grid[3][7], 2);
    EXPECT_EQ(s.drop_grid[3][9], 3);
    EXPECT_EQ(drop_count(s), 3);
}

TEST(FallStep, DropReachesTheBottomRowAndStaysOnTheFloor) {
    GameState s;
    for (int c = 1; c <= s.field_width; ++c) s.drop_grid[c][s.field_height + 1] = floor_cell;
    s.drop_grid[2][1] = 4;
    for (int i = 0; i < 14; ++i) fall_step(s);
    EXPECT_EQ(s.drop_grid[2][15], 4);
    fall_step(s);
    EXPECT_EQ(s.drop_grid[2][16], 4);
    for (int i = 0; i < 5; ++i) fall_step(s);
    EXPECT_EQ(s.drop_grid[2][16], 4);
    EXPECT_EQ(s.drop_grid[2][17], floor_cell);
}

TEST(RainTick, DropsArriveEveryFourthTickInOfficialPlay) {
    auto t = running_game();
    std::vector<int> arrivals;
    int before = 0;
    for (int tick = 1; tick <= 12; ++tick) {
        game_tick(t->app);
        int now = drop_count(t->state);
        if (now > before) arrivals.push_back(tick);
        before = now;
    }
    EXPECT_EQ(arrivals, (std::vector<int>{4, 8, 12}));
    EXPECT_EQ(t->state.rain_counter, 0);
    EXPECT_EQ(t->platform.interval(), t->state.tick_interval);
}

TEST(RainTick, ChainWindowClosesWhenTheTimerReachesZero) {
    auto t = running_game();
    GameState& s = t->state;
    s.chain_timer = 2;
    s.chain_count = 3;
    s.chain_cells[4][10] = -1;
    s.chain_cells[5][16] = -1;
    game_tick(t->app);
    EXPECT_EQ(s.chain_timer, 1);
    EXPECT_EQ(s.chain_count, 3);
    EXPECT_EQ(s.chain_cells[4][10], -1);
    game_tick(t->app);
    EXPECT_EQ(s.chain_timer, 0);
    EXPECT_EQ(s.chain_count, 0);
    EXPECT_EQ(s.chain_cells[4][10], 0);
    EXPECT_EQ(s.chain_cells[5][16], 0);
}

TEST(SpeedUp, LevelBoundaryAndFloor) {
    GameState s;
    for (int i = 0; i < 1000; ++i) official_speed_up(s);
    EXPECT_EQ(s.speed_level, 1);
    EXPECT_EQ(s.tick_interval, 100);
    official_speed_up(s);
    EXPECT_EQ(s.speed_level, 2);
    EXPECT_EQ(s.tick_interval, 180);
    EXPECT_EQ(s.speed_ticks, 0);

    s.speed_level = 10;
    s.tick_interval = 100;
    for (int i = 0; i < 900; ++i) official_speed_up(s);
    EXPECT_EQ(s.tick_interval, 10);
    for (int i = 0; i < 100; ++i) official_speed_up(s);
    EXPECT_EQ(s.tick_interval, 10);
    official_speed_up(s);
    EXPECT_EQ(s.speed_level, 11);
    EXPECT_EQ(s.tick_interval, 90);

    s.speed_level = 25;
    s.speed_ticks = 1000;
    official_speed_up(s);
    EXPECT_EQ(s.tick_interval, 10);
}

TEST(SpeedUp, OnlyOfficialPlaySpeedsUp) {
    auto official = running_game(screen::official_play);
    auto option = running_game(screen::option_play);
    for (int i = 0; i < 10; ++i) {
        game_tick(official->app);
        game_tick(option->app);
    }
    EXPECT_EQ(official->state.speed_ticks, 10);
    EXPECT_EQ(official->state.tick_interval, 199);
    EXPECT_EQ(official->platform.interval(), 199);
    EXPECT_EQ(option->state.speed_ticks, 0);
    EXPECT_EQ(option->state.tick_interval, 200);
}

TEST(GameOver, OnlyTheChosenFullColumnEndsTheGame) {
    auto t = running_game();
    GameState& s = t->state;
    s.drop_grid[1][1] = 2;  // column 1 full to the top; the others empty
    Random probe = t->app.random;
    int first_column = probe.one_to(s.field_width);
    ASSERT_NE(first_column, 1) << "pick another seed";
    rain_step(t->app);
    EXPECT_TRUE(s.rain_running);
    EXPECT_NE(s.drop_grid[first_column][1], 0);

    // Every column full to the top, so nothing falls and any chosen column ends the game.
    for (int c = 1; c <= s.field_width; ++c)
        for (int r = 1; r <= s.field_height; ++r) s.drop_grid[c][r] = std::int16_t((c + r) % 4 + 1);
    s.rain_counter = s.rain_period;
    game_tick(t->app);
    EXPECT_FALSE(s.rain_running);
    EXPECT_FALSE(s.field_live);
    EXPECT_EQ(s.rain_counter, 0);
    EXPECT_EQ(s.screen_state, screen::official_play);
}

// Rankings whose tenth place holds `tenth`, each place 10 above the next.
void set_rankings(GameState& s, std::int16_t official, std::int16_t point, std::int16_t chain) {
    s.official_ranking = make_rank_table(official, 10);
    s.point_ranking = make_rank_table(point, 10);
    s.chain_ranking = make_rank_table(chain, 1);
}

TEST(GameOver, ScoreEqualToTheTenthEarnsNothing) {
    auto t = running_game();
    GameState& s = t->state;
    set_rankings(s, 500, 500, 5);
    s.total_score = 500;
    s.max_chain = 5;
    game_over(t->app);
    EXPECT_FALSE(s.name_entry);
    EXPECT_EQ(s.official_rank_pos, 0);
    EXPECT_EQ(s.point_rank_pos, 0);
    EXPECT_EQ(s.chain_rank_pos, 0);
    EXPECT_EQ(t->sound.waves(), (std::vector<std::string>{"over.wav"}));
    EXPECT_EQ(t->sound.calls.front(), "close");  // the play music stops first
}

TEST(GameOver, ScoreAboveTheTenthOpensTheNameEntry) {
    auto t = running_game();
    GameState& s = t->state;
    set_rankings(s, 500, 1000, 5);
    s.total_score = 501;
    s.max_chain = 6;
    s.name_button_hover = 2;
    double start = t->platform.clock_seconds();
    game_over(t->app);
    EXPECT_TRUE(s.name_entry);
    EXPECT_EQ(s.official_rank_pos, 10);
    EXPECT_EQ(s.point_rank_pos, 0);
    EXPECT_EQ(s.chain_rank_pos, 10);
    EXPECT_EQ(s.name_button_hover, 0);
    EXPECT_EQ(t->sound.waves(), (std::vector<std::string>{"fan.wav"}));
    EXPECT_NEAR(t->platform.clock_seconds() - start, 0.5, 1e-6);  // the black box grew
    EXPECT_EQ(get_pixel(t->app.pictures.work_image, 250, 250), black);
    EXPECT_EQ(s.screen_state, screen::official_play);
}

TEST(GameOver, OptionPlayNeverConsultsTheOfficialRanking) {
    auto t = running_game(screen::option_play);
    GameState& s = t->state;
    set_rankings(s, 0, 30000, 100);
    s.total_score = 100000;
    game_over(t->app);
    EXPECT_EQ(s.official_rank_pos, 0);
    EXPECT_EQ(s.point_rank_pos, 1);
    EXPECT_TRUE(s.name_entry);
}

TEST(RainTick, TheTickAfterAGameOverWipesTheWellWithoutComposing) {
    auto t = running_game();
    GameState& s = t->state;
    s.drop_grid[20][30] = 3;  // beyond the field, left by an earlier larger game
    s.drop_grid[4][16] = 2;
    s.field_live = false;
    s.rain_running = false;
    int refreshes = t->platform.refresh_count();
    bool blink = s.blink_phase;
    game_tick(t->app);
    EXPECT_TRUE(s.field_live);
    EXPECT_EQ(s.drop_grid[20][30], 0);
    EXPECT_EQ(s.drop_grid[4][16], 0);
    EXPECT_EQ(s.blink_phase, blink);
    EXPECT_EQ(t->platform.refresh_count(), refreshes);
    game_tick(t->app);
    EXPECT_NE(s.blink_phase, blink);
    EXPECT_GT(t->platform.refresh_count(), refreshes);
}

TEST(RainTick, MusicLoopCheckRunsOnEveryScreenButTheStory) {
    auto t = running_game();
    t->sound.open_tune(t->app.app_dir + "kelvora2.mid");
    t->sound.play_tune();
    t->sound.end_tune();
    t->state.screen_state = screen::story;
    t->sound.calls.clear();
    game_tick(t->app);
    EXPECT_TRUE(t->sound.calls.empty());
    t->state.screen_state = screen::title;
    game_tick(t->app);
    EXPECT_TRUE(std::count(t->sound.calls.begin(), t->sound.calls.end(), "rewind") == 1);
}

}  // namespace
}  // namespace kelvora
