#include "game/rain_tick.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/app.hpp"
#include "core/sound.hpp"
#include "core/wait.hpp"
#include "ranking/rank_file.hpp"
#include "screens/compositor.hpp"
#include "screens/story_screen.hpp"

namespace kelvora {

namespace {

constexpr std::int16_t shortest_interval = 10;
constexpr int grown_box_frames = 5;

// Closes the chain window once its last tick has run out.
void count_down_chain_window(GameState& state) {
    if (state.chain_timer <= 0) return;
    --state.chain_timer;
    if (state.chain_timer != 0) return;
    state.chain_count = 0;
    for (int c = 1; c <= state.field_width; ++c)
        for (int r = 1; r <= state.field_height; ++r) state.chain_cells[c][r] = 0;
}

// Integer part of Rnd x count + 1: 1 to count.
// Changed: a double Rnd just below 1 can round the sum up to count + 1, which the game's
// single-precision generator never could; the result is kept in range.
std::int16_t random_one_to(App& app, std::int16_t count) {
    int value = int(std::floor(app.random.rnd() * count + 1));
    return std::int16_t(std::clamp(value, 1, int(count)));
}

// The name entry's box grows from the centre of the well over five short pauses.
void grow_name_entry_box(App& app) {
    PictureStore& pictures = app.pictures;
    for (int i = 1; i <= grown_box_frames; ++i) {
        wait_seconds(app, 0.1f);
        copy_whole(pictures.buffer, pictures.back_image);
        fill_rect(pictures.buffer, 250 - 25 * i, 250 - 20 * i, 50 * i, 40 * i, black);
        present_buffer(app);
    }
}

}  // namespace

void game_tick(App& app) {
    GameState& state = app.state;
    // The story screen runs its own step and no music check.
    if (state.screen_state == screen::story) {
        story_tick(app);
        return;
    }
    if (state.field_live) {
        if (state.rain_running) {
            fall_step(state);
            count_down_chain_window(state);
            if (state.screen_state == screen::official_play) official_speed_up(state);
            ++state.rain_counter;
            if (state.rain_counter > state.rain_period) {
                rain_step(app);
                state.rain_counter = 0;
            }
        }
        state.blink_phase = !state.blink_phase;
        draw_screen(app);
    } else {
        // The tick after a game over empties the well and composes nothing.
        wipe_grids(state);
        state.field_live = true;
    }
    app.platform.timer.set_interval(state.tick_interval);
    music_loop_check(app);
}

void fall_step(GameState& state) {
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

void rain_step(App& app) {
    GameState& state = app.state;
    std::int16_t column = random_one_to(app, state.field_width);
    if (state.drop_grid[column][1] != 0) {
        game_over(app);
        return;
    }
    state.drop_grid[column][1] = random_one_to(app, state.colour_count);
}

void official_speed_up(GameState& state) {
    ++state.speed_ticks;
    if (state.speed_ticks % 10 == 0 && state.tick_interval > shortest_interval) --state.tick_interval;
    if (state.speed_ticks > state.level_ticks) {
        // Changed: the level stops at its 16-bit limit (days of play) instead of wrapping.
        if (state.speed_level < std::numeric_limits<std::int16_t>::max()) ++state.speed_level;
        state.tick_interval = std::int16_t(std::max(standard_tick_interval - 10 * int(state.speed_level), int(shortest_interval)));
        state.speed_ticks = 0;
    }
}

void game_over(App& app) {
    GameState& state = app.state;
    play_music(app, "");
    state.field_live = false;
    std::int16_t played = state.screen_state;
    state.screen_state = screen::busy;
    state.rain_running = false;
    state.official_rank_pos = 0;
    state.point_rank_pos = 0;
    state.chain_rank_pos = 0;
    // Option play never enters the official ranking, however good the score.
    if (played == screen::official_play)
        state.official_rank_pos = find_rank_place(state.official_ranking, state.total_score);
    state.point_rank_pos = find_rank_place(state.point_ranking, state.total_score);
    state.chain_rank_pos = find_rank_place(state.chain_ranking, state.max_chain);
    if (state.official_rank_pos > 0 || state.point_rank_pos > 0 || state.chain_rank_pos > 0)
        state.name_entry = true;
    if (state.name_entry) {
        play_wave(app, "fan.wav");
        grow_name_entry_box(app);
        state.name_button_hover = 0;
    } else {
        play_wave(app, "over.wav");
    }
    state.screen_state = played;
}

void wipe_grids(GameState& state) {
    for (int c = 1; c < grid_columns; ++c) {
        for (int r = 1; r < grid_rows; ++r) {
            state.drop_grid[c][r] = 0;
            state.burst_frames[c][r] = 0;
            state.chain_cells[c][r] = 0;
        }
    }
}

}  // namespace kelvora
