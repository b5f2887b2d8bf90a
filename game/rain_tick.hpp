#pragma once
// The play timer's tick: the fall of the drops, the rain, the chain window, the official
// speed-up, the game over with its ranking checks, and the composition of every screen.

#include <cstdint>

namespace kelvora {

struct App;
struct GameState;

// One event of the play timer `thread`, on every screen.
void game_tick(App& app);

// Every drop with an empty cell below it moves down one row, decided on the grid as it was
// before the step.
void fall_step(GameState& state);

// Adds one drop of a random colour to the top of a random column, or ends the game when that
// column's top cell is already taken.
void rain_step(App& app);

// One tick of official play's speed-up: 1 ms faster every 10 ticks, a new level after
// level_ticks + 1 ticks starting again from 200 - 10 x level, never below 10 ms.
void official_speed_up(GameState& state);

// The end of a game: music off, the ranking checks, and the name entry's growing black box or
// the game-over sound.
void game_over(App& app);

// Empties drop_grid, burst_frames and chain_cells in every column 1 to 25 and row 1 to 50.
void wipe_grids(GameState& state);

}  // namespace kelvora
