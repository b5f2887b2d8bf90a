#pragma once
// The rules of one play-timer tick: the fall of the drops, the chain window, the official
// speed-up and the rain, which ends the game when it finds its column's top cell taken.

#include "rules/play_state.hpp"
#include "rules/random.hpp"

namespace kelvora {

struct TickOutcome {
    bool rained = false;      // the rain step ran this tick
    bool game_ended = false;  // and found its column full: rain stops, the field is dead
};

// One tick of a running game (rain_running and field_live): fall, chain window, the speed-up
// when `official`, and every (rain_period + 1)th tick the rain.
TickOutcome rain_tick(PlayState& state, Random& random, bool official);

// Every drop with an empty cell below it moves down one row, decided on the grid as it was
// before the step.
void fall_step(PlayState& state);

// Closes the chain window once its last tick has run out.
void count_down_chain_window(PlayState& state);

// One tick of official play's speed-up: 1 ms faster every 10 ticks, a new level after
// level_ticks + 1 ticks starting again from 200 - 10 x level, never below 10 ms.
void official_speed_up(PlayState& state);

// Adds one drop of a random colour to the top of a random column; false, and nothing added,
// when that column's top cell is already taken.
bool rain_step(PlayState& state, Random& random);

// Empties drop_grid, burst_frames and chain_cells in every column 1 to 25 and row 1 to 50.
void wipe_grids(PlayState& state);

}  // namespace kelvora
