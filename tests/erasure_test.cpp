#include "game/erasure.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "game/game_setup.hpp"
#include "shell/handlers.hpp"
#include "test_app.hpp"

namespace kelvora {
namespace {

using testing::make_test_app;
using testing::TestApp;

std::unique_ptr<TestApp> running_game() {
    auto t = make_test_app();
    t->state.screen_state = screen::official_play;
    t->state.escape_ready = true;
    game_init(t->app);
    t->state.rain_running = true;
    return t;
}

// The centre of a field cell in pixels of the official field.
double cell_x(int column) { return 150 + 25 * (column - 1) + 12; }
double cell_y(int row) { return 70 + 25 * (row - 1) + 12; }

void click(TestApp& t, int column, int row) {
    t.state.pointer_col = column;
    t.state.pointer_row = row;
    erase_at_pointer(t.app, std::int32_t(cell_x(column)), std::int32_t(cell_y(row)));
}

int count_bom(const TestApp& t) {
    auto waves = t.sound.waves();
    return int(std::count(waves.begin(), waves.end(), "bom.wav"));
}

TEST(GroupSearch, CountsEdgeConnectedDropsOnly) {
    GameState s;
    // An L of colour 1 at (2,2), (2,3), (3,3); a diagonal neighbour (4,4) of the same colour.
    s.drop_grid[2][2] = 1;
    s.drop_grid[2][3] = 1;
    s.drop_grid[3][3] = 1;
    s.drop_grid[4][4] = 1;
    s.drop_grid[3][2] = 2;
    EXPECT_EQ(group_search(s, {2, 2}), 3);
    EXPECT_EQ(s.search_front[2][2], -1);
    EXPECT_EQ(s.search_front[3][3], -1);
    EXPECT_EQ(s.search_front[4][4], 0);
    EXPECT_EQ(s.search_front[3][2], 0);

    EXPECT_EQ(group_search(s, {4, 4}), 1);  // touches the L only at a corner
    EXPECT_EQ(group_search(s, {5, 5}), 1);  // empty cell
    EXPECT_EQ(group_search(s, {0, 0}), 1);  // outside the field
}

TEST(GroupSearch, FloorAndEdgesNeverJoinAGroup) {
    GameState s;
    for (int c = 1; c <= s.field_width; ++c) s.drop_grid[c][s.field_height + 1] = floor_cell;
    for (int c = 1; c <= s.field_width; ++c) s.drop_grid[c][s.field_height] = 9;
    EXPECT_EQ(group_search(s, {1, s.field_height}), s.field_width);
}

// The search as the rules state it: every pass scans the whole field for marked cells.
int scanning_search(GameState& s, Cell p) {
    for (auto& column : s.search_front) column.fill(0);
    for (auto& column : s.search_found) column.fill(0);
    s.search_front[p.column][p.row] = -1;
    int k = s.drop_grid[p.column][p.row], count = 1, previous = 0;
    while (count != previous && k >= 1) {
        previous = count;
        for (int c = 1; c <= s.field_width; ++c)
            for (int r = 1; r <= s.field_height; ++r) {
                if (!s.search_front[c][r]) continue;
                for (auto [dc, dr] : {std::pair{0, 1}, {0, -1}, {1, 0}, {-1, 0}}) {
                    if (s.drop_grid[c + dc][r + dr] == k && !s.search_found[c + dc][r + dr]) {
                        s.search_found[c + dc][r + dr] = -1;
                        ++count;
                    }
                }
            }
        for (int c = 1; c <= s.field_width; ++c)
            for (int r = 1; r <= s.field_height; ++r) s.search_front[c][r] = s.search_found[c][r];
    }
    return count > 1 ? count - 1 : 1;
}

TEST(GroupSearch, AgreesWithAFullScanOnRandomFields) {
    Random random;
    random.seed(11);
    for (int trial = 0; trial < 200; ++trial) {
        GameState a;
        a.field_width = std::int16_t(4 + trial % 17);
        a.field_height = std::int16_t(2 * a.field_width);
        int colours = 2 + trial % 3;
        for (int c = 1; c <= a.field_width; ++c) {
            for (int r = 1; r <= a.field_height; ++r)
                a.drop_grid[c][r] = std::int16_t(random.one_to(5) == 1 ? 0 : random.one_to(std::int16_t(colours)));
            a.drop_grid[c][a.field_height + 1] = floor_cell;
        }
        GameState b = a;
        Cell p{random.one_to(a.field_width), random.one_to(a.field_height)};
        ASSERT_EQ(group_search(a, p), scanning_search(b, p)) << trial;
        for (int c = 1; c <= a.field_width; ++c)
            for (int r = 1; r <= a.field_height; ++r) ASSERT_EQ(a.search_front[c][r], b.search_front[c][r]);
    }
}

TEST(Erasure, PairScoresTwoAndMarksTheCells) {
    auto t = running_game();
    GameState& s = t->state;
    s.drop_grid[3][16] = 2;
    s.drop_grid[4][16] = 2;
    s.drop_grid[5][16] = 1;
    click(*t, 3, 16);
    EXPECT_EQ(s.total_score, 2);
    EXPECT_EQ(s.chain_count, 1);
    EXPECT_EQ(s.max_chain, 0);
    EXPECT_EQ(s.chain_timer, 30);
    EXPECT_EQ(s.drop_grid[3][16], 0);
    EXPECT_EQ(s.drop_grid[4][16], 0);
    EXPECT_EQ(s.drop_grid[5][16], 1);
    EXPECT_EQ(s.chain_cells[3][16], -1);
    EXPECT_EQ(s.burst_frames[4][16], 4);
    EXPECT_EQ(s.burst_colour[4][16], 2);
    EXPECT_EQ(s.chain_cells[5][16], 0);
    EXPECT_EQ(s.chain_label_frames, 0);
    EXPECT_EQ(count_bom(*t), 2);
}

TEST(Erasure, TooSmallAGroupChangesNothing) {
    auto t = running_game();
    GameState& s = t->state;
    s.erase_count = 5;
    for (int c = 1; c <= 4; ++c) s.drop_grid[c][16] = 3;
    s.chain_timer = 7;
    s.chain_count = 2;
    s.chain_cells[1][16] = -1;  // even a marked cell does not help a small group
    click(*t, 1, 16);
    EXPECT_EQ(s.total_score, 0);
    EXPECT_EQ(s.chain_timer, 7);
    EXPECT_EQ(s.chain_count, 2);
    EXPECT_EQ(s.drop_grid[1][16], 3);
    EXPECT_EQ(count_bom(*t), 0);

    click(*t, 6, 6);  // an empty cell
    EXPECT_EQ(s.chain_timer, 7);
    EXPECT_EQ(s.chain_count, 2);
}

TEST(Erasure, ChainedErasureMultipliesAndShowsTheLabel) {
    auto t = running_game();
    GameState& s = t->state;
    s.erase_count = 5;
    for (int c = 1; c <= 5; ++c) s.drop_grid[c][16] = 3;
    click(*t, 1, 16);
    EXPECT_EQ(s.total_score, 5);
    EXPECT_EQ(s.chain_count, 1);

    for (int c = 1; c <= 5; ++c) s.drop_grid[c][16] = 4;  // as if fallen into the marked cells
    s.pointer_col = 2;
    s.pointer_row = 16;
    erase_at_pointer(t->app, 181, 447);
    EXPECT_EQ(s.total_score, 15);
    EXPECT_EQ(s.chain_count, 2);
    EXPECT_EQ(s.max_chain, 2);
    EXPECT_EQ(s.chain_label_frames, 5);
    EXPECT_EQ(s.chain_label_x, 181);
    EXPECT_EQ(s.chain_label_y, 447);
}

TEST(Erasure, ClickedDropOutsideTheMarksStartsANewChain) {
    auto t = running_game();
    GameState& s = t->state;
    s.chain_count = 4;
    s.max_chain = 4;
    s.drop_grid[1][16] = 1;
    s.drop_grid[2][16] = 1;
    s.chain_cells[2][16] = -1;
    click(*t, 1, 16);
    EXPECT_EQ(s.chain_count, 1);
    EXPECT_EQ(s.max_chain, 4);
    EXPECT_EQ(s.total_score, 2);
}

TEST(Erasure, ScoreStopsAtTheCeiling) {
    auto t = running_game();
    GameState& s = t->state;
    s.total_score = 999'999'990;
    for (int c = 1; c <= 8; ++c) s.drop_grid[c][16] = 1;
    s.drop_grid[1][15] = 1;
    s.drop_grid[2][15] = 1;
    click(*t, 1, 16);
    EXPECT_EQ(s.total_score, 999'999'999);
    s.drop_grid[5][5] = 2;
    s.drop_grid[5][6] = 2;
    s.chain_cells[5][5] = -1;
    s.chain_count = 30000;
    click(*t, 5, 5);
    EXPECT_EQ(s.total_score, 999'999'999);
}

TEST(PlayPress, RestartButtonAreaIsStrict) {
    for (auto [x, y, inside] : {std::tuple{195.0, 20.0, false}, {250.0, 40.0, false}, {196.0, 11.0, true},
                                {289.0, 39.0, true}, {290.0, 20.0, false}, {250.0, 10.0, false}}) {
        auto t = running_game();
        play_press(t->app, x, y);
        auto waves = t->sound.waves();
        bool restarted = std::find(waves.begin(), waves.end(), "start.wav") != waves.end();
        EXPECT_EQ(restarted, inside) << x << ", " << y;
    }
}

TEST(PlayPress, RestartStartsAFreshGameOfTheSameMode) {
    auto t = running_game();
    GameState& s = t->state;
    s.screen_state = screen::option_play;
    s.settings[2] = 1;
    s.total_score = 77;
    s.drop_grid[3][3] = 2;
    play_press(t->app, 240, 25);
    EXPECT_EQ(s.screen_state, screen::option_play);
    EXPECT_EQ(s.field_width, 20);
    EXPECT_EQ(s.total_score, 0);
    EXPECT_EQ(s.drop_grid[3][3], 0);
    EXPECT_TRUE(s.rain_running);
    EXPECT_TRUE(s.field_live);
    EXPECT_TRUE(t->platform.enabled());
    EXPECT_FALSE(s.game_starting);
    EXPECT_EQ(t->sound.calls.back(), "play");
    auto opened = std::find(t->sound.calls.begin(), t->sound.calls.end(), "open kelvora2.mid");
    EXPECT_NE(opened, t->sound.calls.end());
}

TEST(PlayPress, RestartShowsThePressedButtonOverItsFortyRows) {
    auto t = running_game();
    const PictureStore& pictures = t->app.pictures;
    ASSERT_EQ(pictures.restart_image.height(), 40);
    GameInput input(t->app);  // scripted events need a handler to be delivered to
    t->platform.set_input_handler(&input);
    Colour inside{}, below{};
    // Caught during the first pause of the start animation.
    t->platform.at(0.05, [&](InputHandler&) {
        inside = get_pixel(pictures.work_image, 190 + 52, 5 + 20);
        below = get_pixel(pictures.work_image, 190 + 52, 5 + 42);
    });
    play_press(t->app, 240, 25);
    EXPECT_EQ(inside, pictures.restart_image.bitmap.colour_at(52, 20));
    EXPECT_EQ(below, pictures.back_image.bitmap.colour_at(190 + 52, 5 + 42));
}

TEST(PlayPress, NameEntryBlocksTheRestartAndTheErasure) {
    auto t = running_game();
    GameState& s = t->state;
    s.name_entry = true;
    s.drop_grid[1][1] = 1;
    s.drop_grid[2][1] = 1;
    s.pointer_col = 1;
    s.pointer_row = 1;
    play_press(t->app, cell_x(1), cell_y(1));
    play_press(t->app, 240, 25);
    EXPECT_EQ(s.drop_grid[1][1], 1);
    EXPECT_TRUE(t->sound.waves().empty());
}

}  // namespace
}  // namespace kelvora
