#include "game/erasure.hpp"

#include <algorithm>
#include <array>
#include <limits>

#include "core/app.hpp"
#include "core/sound.hpp"
#include "game/game_setup.hpp"
#include "game/play_input.hpp"
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

int group_search(GameState& state, Cell clicked) {
    for (auto& column : state.search_front) column.fill(0);
    for (auto& column : state.search_found) column.fill(0);
    const int width = state.field_width, height = state.field_height;
    auto in_field = [&](int c, int r) { return c >= 1 && c <= width && r >= 1 && r <= height; };
    state.search_front[clicked.column][clicked.row] = -1;
    const std::int16_t colour = state.drop_grid[clicked.column][clicked.row];
    if (colour < 1) return 1;

    // Breadth by breadth. A pass looks at the neighbours of every cell found so far; only the
    // cells found in the previous pass can find new ones, so those are the ones visited.
    std::array<Cell, grid_columns * grid_rows> cells;
    std::size_t pass_begin = 0, pass_end = 0;
    if (in_field(clicked.column, clicked.row)) cells[pass_end++] = clicked;
    int count = 1;
    while (pass_begin != pass_end) {
        std::size_t next_end = pass_end;
        auto visit = [&](int c, int r) {
            if (state.drop_grid[c][r] != colour || state.search_found[c][r] != 0) return;
            state.search_found[c][r] = -1;
            ++count;
            if (in_field(c, r)) cells[next_end++] = {c, r};
        };
        for (std::size_t i = pass_begin; i < pass_end; ++i) {
            const auto [c, r] = cells[i];
            visit(c, r + 1);
            visit(c, r - 1);
            visit(c + 1, r);
            visit(c - 1, r);
        }
        pass_begin = pass_end;
        pass_end = next_end;
    }
    // After the search search_front marks the whole group (the clicked cell included, as its
    // neighbours find it again); a lone drop leaves no mark.
    for (int c = 1; c <= width; ++c)
        for (int r = 1; r <= height; ++r) state.search_front[c][r] = state.search_found[c][r];
    // Kept: the clicked drop is counted twice, so a group of n >= 2 counts n + 1.
    return count > 1 ? count - 1 : 1;
}

bool erase_at_pointer(App& app, std::int32_t x, std::int32_t y) {
    GameState& state = app.state;
    const Cell clicked{state.pointer_col, state.pointer_row};
    const int group = group_search(state, clicked);
    if (group < state.erase_count) return false;

    state.chain_timer = state.chain_time;
    if (state.chain_cells[clicked.column][clicked.row] != 0) {
        if (state.chain_count < std::numeric_limits<std::int16_t>::max()) ++state.chain_count;
        if (state.chain_count > state.max_chain) state.max_chain = state.chain_count;
        state.chain_label_frames = chain_label_time;
        state.chain_label_x = x;
        state.chain_label_y = y;
    } else {
        state.chain_count = 1;
    }
    std::int64_t score = std::int64_t(state.total_score) + std::int64_t(group) * state.chain_count;
    state.total_score = std::int32_t(std::min<std::int64_t>(score, score_ceiling));

    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            state.chain_cells[c][r] = 0;
            if (state.search_front[c][r] == 0) continue;
            state.chain_cells[c][r] = -1;
            state.burst_frames[c][r] = burst_length;
            state.burst_colour[c][r] = state.drop_grid[c][r];
            state.drop_grid[c][r] = 0;
            // Started once per drop; each start cuts the last off, so one sound is heard.
            play_wave(app, "bom.wav");
        }
    }
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
