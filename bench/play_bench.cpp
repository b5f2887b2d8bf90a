// The play screen at its heaviest: the largest field full of drops, with bursts and a chain label.

#include "bench.hpp"
#include "screens/play_screen.hpp"
#include "test_app.hpp"

namespace kelvora::bench {
namespace {

void prepare_busy_field(GameState& state) {
    state.screen_state = screen::option_play;
    state.rain_running = true;
    state.field_width = 20;
    state.field_height = 40;
    state.cell_size = 10;
    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            state.drop_grid[c][r] = std::int16_t((c + r) % 9 + 1);
            state.chain_cells[c][r] = (c + r) % 7 == 0 ? -1 : 0;
        }
    }
}

// Every call advances the animations, so each frame starts them again: a burst in every fourth
// cell and a three-digit chain label.
void restart_animations(GameState& state) {
    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            const bool bursting = (c * 3 + r) % 4 == 0;
            state.burst_colour[c][r] = bursting ? std::int16_t(c % 9 + 1) : 0;
            state.burst_frames[c][r] = bursting ? std::int16_t(r % 4 + 1) : 0;
        }
    }
    state.chain_count = 123;
    state.chain_label_frames = 3;
    state.chain_label_x = 300;
    state.chain_label_y = 250;
}

Register play_frame("compose one play frame, 20x40 field full of drops, bursts and a chain label", [] {
    auto test = std::shared_ptr<testing::TestApp>(testing::make_test_app());
    prepare_busy_field(test->state);
    return [test] {
        GameState& state = test->state;
        state.blink_phase = !state.blink_phase;
        restart_animations(state);
        compose_play(test->app);
    };
});

}  // namespace
}  // namespace kelvora::bench
