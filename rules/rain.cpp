#include "rules/rain.hpp"

#include <algorithm>
#include <limits>

namespace kelvora {

namespace {
constexpr std::int16_t shortest_interval = 10;
}  // namespace

TickOutcome rain_tick(PlayState& state, Random& random, bool official) {
    TickOutcome outcome;
    fall_step(state);
    count_down_chain_window(state);
    if (official) official_speed_up(state);
    if (state.ticks_played < std::numeric_limits<std::int32_t>::max()) ++state.ticks_played;
    ++state.rain_counter;
    if (state.rain_counter > state.rain_period) {
        outcome.rained = true;
        if (!rain_step(state, random)) {
            outcome.game_ended = true;
            state.field_live = false;
            state.rain_running = false;
        }
        state.rain_counter = 0;
    }
    return outcome;
}

void count_down_chain_window(PlayState& state) {
    if (state.chain_timer <= 0) return;
    --state.chain_timer;
    if (state.chain_timer != 0) return;
    state.chain_count = 0;
    for (int c = 1; c <= state.field_width; ++c)
        for (int r = 1; r <= state.field_height; ++r) state.chain_cells[c][r] = 0;
}

void fall_step(PlayState& state) {
    const int width = state.field_width, height = state.field_height;
    for (int c = 1; c <= width; ++c)
        for (int r = 1; r <= height; ++r) state.fall_grid[c][r] = 0;
    // Kept: decided on the old grid: a stacked column falls one drop per tick, so
    // falling drops end up one empty cell apart, like rain.
    for (int r = 1; r <= height; ++r) {
        for (int c = 1; c <= width; ++c) {
            std::int16_t drop = state.drop_grid[c][r];
            if (drop <= 0) continue;
            if (state.drop_grid[c][r + 1] == 0)
                state.fall_grid[c][r + 1] = drop;
            else
                state.fall_grid[c][r] = drop;
        }
    }
    for (int c = 1; c <= width; ++c)
        for (int r = 1; r <= height; ++r) state.drop_grid[c][r] = state.fall_grid[c][r];
}

bool rain_step(PlayState& state, Random& random) {
    const std::int16_t column = random.one_to(state.field_width);
    if (state.drop_grid[column][1] != 0) return false;
    state.drop_grid[column][1] = random.one_to(state.colour_count);
    return true;
}

void official_speed_up(PlayState& state) {
    ++state.speed_ticks;
    if (state.speed_ticks % 10 == 0 && state.tick_interval > shortest_interval) --state.tick_interval;
    if (state.speed_ticks > state.level_ticks) {
        // Changed: the level stops at its 16-bit limit (days of play) instead of wrapping.
        if (state.speed_level < std::numeric_limits<std::int16_t>::max()) ++state.speed_level;
        state.tick_interval =
            std::int16_t(std::max(standard_tick_interval - 10 * int(state.speed_level), int(shortest_interval)));
        state.speed_ticks = 0;
    }
}

void wipe_grids(PlayState& state) {
    for (int c = 1; c < grid_columns; ++c) {
        for (int r = 1; r < grid_rows; ++r) {
            state.drop_grid[c][r] = 0;
            state.burst_frames[c][r] = 0;
            state.chain_cells[c][r] = 0;
        }
    }
}

}  // namespace kelvora
