#include "game/erasure.hpp"

#include <algorithm>
#include <limits>

#include "core/app.hpp"
#include "core/sound.hpp"
#include "game/game_setup.hpp"
#include "game/play_input.hpp"
#include "game/replay_files.hpp"
#include "screens/compositor.hpp"
#include "screens/primitives.hpp"

namespace kelvora {

namespace {

// The restart button's sensitive area, strict on every side: x 196..289, y 11..39.
constexpr std::int16_t restart_hit_left = 195;
constexpr std::int16_t restart_hit_top = 10;
constexpr std::int16_t restart_hit_width = 95;
constexpr std::int16_t restart_hit_height = 30;

std::int16_t to_pixel16(std::int32_t value) {
    return std::int16_t(std::clamp<std::int32_t>(value, std::numeric_limits<std::int16_t>::min(),
                                                  std::numeric_limits<std::int16_t>::max()));
}

}  // namespace

bool erase_at_pointer(App& app, std::int32_t x, std::int32_t y) {
    GameState& state = app.state;
    const Cell clicked{state.pointer_col, state.pointer_row};
    const Erasure erasure = erase_group(state, clicked);
    if (!erasure) return false;
    if (erasure.chained) {
        state.chain_label_frames = chain_label_time;
        state.chain_label_x = x;
        state.chain_label_y = y;
    }
    record_press(app, clicked);
    // Started once per drop; each start cuts the last off, so one sound is heard.
    for (int i = 0; i < erasure.erased; ++i) play_wave(app, "bom.wav");
    return true;
}

void play_press(App& app, double x, double y) {
    GameState& state = app.state;
    const std::int32_t px = round_half_even(x), py = round_half_even(y);
    if (state.name_entry)
        name_entry_press(app, px, py);
    else if (state.field_live)
        erase_at_pointer(app, px, py);
    if (!state.name_entry && point_in_rect(to_pixel16(px), to_pixel16(py), restart_hit_left, restart_hit_top,
                                           restart_hit_width, restart_hit_height)) {
        restart_game(app);
        return;
    }
    draw_screen(app);
}

}  // namespace kelvora
