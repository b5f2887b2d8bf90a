// The rules at their heaviest: the rain tick and the group search on the largest field.

#include "bench.hpp"
#include "game/erasure.hpp"
#include "game/rain_tick.hpp"
#include "test_app.hpp"

namespace kelvora::bench {

void prepare_full_field(GameState& state) {
    state.screen_state = screen::option_play;
    state.rain_running = true;
    state.field_live = true;
    state.field_width = 20;
    state.field_height = 40;
    state.cell_size = 10;
    state.colour_count = 9;
    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 2; r <= state.field_height; ++r) state.drop_grid[c][r] = std::int16_t((c * 7 + r) % 9 + 1);
        state.drop_grid[c][state.field_height + 1] = floor_cell;
    }
}

namespace {

Register rain_tick_case("rain tick on a full 20x40 field (with its frame)", [] {
    auto test = std::shared_ptr<testing::TestApp>(testing::make_test_app());
    prepare_full_field(test->state);
    Grid full = test->state.drop_grid;
    return [test, full] {
        GameState& state = test->state;
        state.drop_grid = full;
        state.rain_counter = state.rain_period;  // this tick adds a drop
        game_tick(test->app);
    };
});

Register rain_rules_case("fall and rain steps on a full 20x40 field", [] {
    auto test = std::shared_ptr<testing::TestApp>(testing::make_test_app());
    prepare_full_field(test->state);
    Grid full = test->state.drop_grid;
    return [test, full] {
        test->state.drop_grid = full;
        fall_step(test->state);
        rain_step(test->app);
    };
});

Register group_search_case("group search over a 20x40 field of one colour", [] {
    auto state = std::make_shared<GameState>();
    state->field_width = 20;
    state->field_height = 40;
    for (int c = 1; c <= 20; ++c)
        for (int r = 1; r <= 40; ++r) state->drop_grid[c][r] = 5;
    return [state] {
        // From a corner: the most passes over the field.
        int n = group_search(*state, {1, 1});
        asm volatile("" : : "r"(n) : "memory");
    };
});

}  // namespace
}  // namespace kelvora::bench
