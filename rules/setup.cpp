#include "rules/setup.hpp"

namespace kelvora {

void apply_official_field(PlayState& state) {
    state.field_width = 8;
    state.field_height = 16;
    state.cell_size = 25;
    state.field_left = 150;
    state.field_top = 70;
    state.colour_count = 4;
    state.erase_count = 2;
    state.rain_period = 3;
    state.chain_time = 30;
}

void apply_official_values(PlayState& state) {
    apply_official_field(state);
    state.tick_interval = standard_tick_interval;
    state.speed_level = 1;
    state.level_ticks = 1000;
    state.chain_count = 0;
    state.chain_timer = 0;
    state.total_score = 0;
    state.max_chain = 0;
    state.field_live = true;
}

void prepare_game(PlayState& state, bool official, bool keep_result) {
    state.rain_counter = 0;
    state.speed_ticks = 0;
    state.speed_level = 1;
    state.chain_count = 0;
    state.chain_timer = 0;
    state.ticks_played = 0;
    state.tick_interval = standard_tick_interval;
    if (!official) {
        const auto& settings = state.settings;
        state.colour_count = settings[1];
        // Kept: drop size 3 gives the official 8 columns, not 200 \ 30.
        state.field_width = settings[2] == 3 ? 8 : std::int16_t(200 / (settings[2] * 10));
        state.field_height = std::int16_t(2 * state.field_width);
        state.cell_size = std::int16_t(200 / state.field_width);
        state.tick_interval = std::int16_t(standard_tick_interval / settings[3]);
        state.rain_period = std::int16_t(6 - settings[4]);
        state.erase_count = settings[5];
        state.chain_time = std::int16_t(settings[6] * 20 - 10);
    } else {
        // Changed: the title re-applied the official quantities only when it was next composed,
        // so a click on the official entry just after leaving an option game played (and
        // ranked) on the option game's field. Every official start applies them itself, level
        // length included.
        apply_official_field(state);
        state.level_ticks = 1000;
    }
    state.field_live = true;
    if (!keep_result) {
        state.total_score = 0;
        state.max_chain = 0;
    }
    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            state.drop_grid[c][r] = 0;
            state.burst_colour[c][r] = 0;
            state.burst_frames[c][r] = 0;
            state.chain_cells[c][r] = 0;
        }
        state.drop_grid[c][state.field_height + 1] = floor_cell;
    }
}

}  // namespace kelvora
