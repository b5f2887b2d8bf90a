#include "rules/erasure.hpp"

#include <algorithm>
#include <limits>

namespace kelvora {

int group_search(PlayState& state, Cell clicked) {
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

Erasure erase_group(PlayState& state, Cell clicked) {
    Erasure erasure;
    erasure.group = group_search(state, clicked);
    if (erasure.group < state.erase_count) return erasure;
    erasure.happened = true;

    state.chain_timer = state.chain_time;
    if (state.chain_cells[clicked.column][clicked.row] != 0) {
        if (state.chain_count < std::numeric_limits<std::int16_t>::max()) ++state.chain_count;
        if (state.chain_count > state.max_chain) state.max_chain = state.chain_count;
        erasure.chained = true;
    } else {
        state.chain_count = 1;
    }
    std::int64_t score = std::int64_t(state.total_score) + std::int64_t(erasure.group) * state.chain_count;
    state.total_score = std::int32_t(std::min<std::int64_t>(score, score_ceiling));

    for (int c = 1; c <= state.field_width; ++c) {
        for (int r = 1; r <= state.field_height; ++r) {
            state.chain_cells[c][r] = 0;
            if (state.search_front[c][r] == 0) continue;
            state.chain_cells[c][r] = -1;
            state.burst_frames[c][r] = burst_length;
            state.burst_colour[c][r] = state.drop_grid[c][r];
            state.drop_grid[c][r] = 0;
            ++erasure.erased;
        }
    }
    return erasure;
}

}  // namespace kelvora
