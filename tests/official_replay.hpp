#pragma once
// A replay of an official game played by the rules alone: a player erases the largest group
// every eighth tick until `play_until` ticks, then lets the well fill.

#include "rules/erasure.hpp"
#include "rules/rain.hpp"
#include "rules/replay.hpp"
#include "rules/setup.hpp"

namespace kelvora::testing {

inline Replay play_official_game(std::uint64_t seed, std::int32_t play_until) {
    PlayState state;
    prepare_game(state, true);
    state.rain_running = true;
    Replay replay;
    replay.seed = seed;
    Random random;
    random.seed(seed);
    for (;;) {
        if (state.ticks_played < play_until && state.ticks_played % 8 == 0) {
            Cell best;
            int largest = 1;
            for (int c = 1; c <= state.field_width; ++c) {
                for (int r = 1; r <= state.field_height; ++r) {
                    const int group = state.drop_grid[c][r] > 0 ? group_search(state, {c, r}) : 1;
                    if (group > largest) largest = group, best = {c, r};
                }
            }
            if (largest >= state.erase_count) {
                erase_group(state, best);
                replay.events.push_back({state.ticks_played, best});
            }
        }
        if (rain_tick(state, random, true).game_ended) break;
    }
    replay.score = state.total_score;
    replay.max_chain = state.max_chain;
    replay.end_tick = state.ticks_played;
    return replay;
}

}  // namespace kelvora::testing
